// The virtual printer's reading of print data, on hand-built streams whose dots are worked out
// by hand: the sheet's printable area starts 192 cells (1/1440 inch) from the left edge and 42
// rows (1/360 inch) from the top; a 360-dpi dot is 4 cells, a 480-dpi dot 3.
#include "support/HandStream.h"

#include "vprinter/RasterInterpreter.h"

#include <gmock/gmock.h>

#include <map>

using namespace testsupport;
using namespace testsupport::cmd;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using vprinter::Ink;
using vprinter::ShotType;

namespace {

class Interpreter : public ::testing::Test
{
protected:
    void feed(const Bytes &bytes) { printer.take(bytes); }
    const vprinter::Page &page() const { return printer.currentPage(); }
    std::vector<int> cells(int row, Ink ink = Ink::Black) const
    {
        return page().inkedCells(ink, row);
    }
    int level(int x, int y, Ink ink = Ink::Black) const { return page().level(ink, x, y); }
    static Bytes times(int n, const Bytes &bytes)
    {
        Bytes all;
        for (int i = 0; i < n; ++i)
            all = all + bytes;
        return all;
    }

    std::map<ShotType, int> stored{ { ShotType::MultiShot1, 0 },
                                    { ShotType::MultiShot2, 0 },
                                    { ShotType::VariableShot, 0 } };
    vprinter::RasterInterpreter printer{ [this](ShotType shot) { return stored[shot]; } };
};

TEST_F(Interpreter, LiteralAndRepeatRunsFillTheRow)
{
    // 40 dots, 5 bytes: literal 80 01, then F0 three times.
    feed(startRaster(1, 0, 1) + raster(30, 10, 1, 40) + Bytes{ 0x01, 0x80, 0x01 }
         + Bytes{ 0xFE, 0xF0 });
    EXPECT_THAT(cells(42),
                ElementsAre(192, 252, 256, 260, 264, 268, 288, 292, 296, 300, 320, 324, 328, 332));
    EXPECT_EQ(printer.stats().malformedCommands, 0);

    // The block is over: the next bytes are commands again.
    feed(advance(3));
    EXPECT_EQ(printer.line(), 45);
    EXPECT_EQ(printer.column(), 0);
}

TEST_F(Interpreter, LongestRunsOfBothKinds)
{
    // 2048 dots, 256 bytes: a literal of 128 bytes (counter 7F) ending in 01, then 80
    // repeated 128 times (counter 81).
    feed(startRaster(1, 0, 1) + raster(30, 10, 1, 2048) + Bytes{ 0x7F } + Bytes(127, 0x00)
         + Bytes{ 0x01 } + Bytes{ 0x81, 0x80 } + text("\r"));
    const std::vector<int> row = cells(42);
    ASSERT_EQ(row.size(), 129u);
    EXPECT_EQ(row[0], 4284); // dot 1023
    EXPECT_EQ(row[1], 4288); // dot 1024
    EXPECT_EQ(row[128], 8352); // dot 2040
    EXPECT_EQ(printer.stats().malformedCommands, 0);
}

TEST_F(Interpreter, BlackPassPrintsFortyEightRowsAHundredTwentiethApart)
{
    feed(startRaster(1, 0, 1) + raster(30, 10, 48, 8) + times(48, literal({ 0x80 })));
    for (int r = 0; r < 48; ++r) {
        EXPECT_THAT(cells(42 + 3 * r), ElementsAre(192)) << r;
        EXPECT_THAT(cells(43 + 3 * r), IsEmpty()) << r;
        EXPECT_THAT(cells(44 + 3 * r), IsEmpty()) << r;
    }
    EXPECT_THAT(cells(183), ElementsAre(192));
    EXPECT_THAT(cells(186), IsEmpty());
    EXPECT_EQ(printer.line(), 42); // a pass does not move the paper
}

TEST_F(Interpreter, ThreePassesMovedByOneUnitFillABand)
{
    const Bytes pass = raster(30, 10, 48, 8) + times(48, literal({ 0x80 }));
    feed(startRaster(1, 0, 1) + times(3, pass + advance(1)) + advance(141));
    for (int y = 42; y <= 185; ++y)
        EXPECT_THAT(cells(y), ElementsAre(192)) << y;
    EXPECT_THAT(cells(41), IsEmpty());
    EXPECT_THAT(cells(186), IsEmpty());
    EXPECT_EQ(printer.line(), 186); // one band of 144 units further
}

TEST_F(Interpreter, RowsBeyondTheLastNozzleAreNotPrinted)
{
    // Cyan has 15 nozzles, black 48.
    feed(startRaster(1, 0, 2) + colour(0, 2) + raster(30, 10, 16, 8) + times(16, literal({ 0x80 }))
         + advance(0));
    EXPECT_THAT(cells(84, Ink::Cyan), ElementsAre(192));
    EXPECT_THAT(cells(87, Ink::Cyan), IsEmpty());
    feed(colour(0, 0) + raster(30, 10, 49, 8) + times(49, literal({ 0x80 })) + advance(0));
    EXPECT_THAT(cells(183), ElementsAre(192));
    EXPECT_THAT(cells(186), IsEmpty());
    EXPECT_EQ(printer.stats().rowsBeyondHead, 2u);
}

TEST_F(Interpreter, ColourSelectionAndLightInks)
{
    struct Case
    {
        uint8_t density, colour;
        Ink ink;
    };
    const Case cases[]
            = { { 0, 0, Ink::Black }, { 0, 1, Ink::Magenta },   { 1, 1, Ink::LightMagenta },
                { 0, 2, Ink::Cyan },  { 1, 2, Ink::LightCyan }, { 0, 4, Ink::Yellow } };
    Bytes stream = startRaster(1, 0, 2);
    for (const Case &c : cases)
        stream = stream + colour(c.density, c.colour) + raster(30, 10, 1, 8) + literal({ 0x80 })
                + advance(3);
    feed(stream);
    int y = 42;
    for (const Case &c : cases) {
        for (int ink = 0; ink < vprinter::InkCount; ++ink)
            EXPECT_EQ(level(192, y, Ink(ink)), Ink(ink) == c.ink ? 3 : 0) << y << " " << ink;
        y += 3;
    }

    const vprinter::PageImage image = page().render();
    const auto black = image.pixel(48, 42), magenta = image.pixel(48, 45),
               lightMagenta = image.pixel(48, 48), cyan = image.pixel(48, 51),
               lightCyan = image.pixel(48, 54), yellow = image.pixel(48, 57);
    EXPECT_LT(black[0] + black[1] + black[2], 150);
    EXPECT_LT(cyan[0], 60);
    EXPECT_GT(cyan[2], 180);
    EXPECT_LT(magenta[1], 60);
    EXPECT_GT(magenta[0], 180);
    EXPECT_LT(yellow[2], 60);
    EXPECT_GT(yellow[0] + yellow[1], 400);
    // The light inks are the same hues, lighter.
    EXPECT_GT(lightCyan[0], cyan[0] + 80);
    EXPECT_GT(lightMagenta[1], magenta[1] + 80);
    EXPECT_EQ(image.pixel(48, 43), (std::array<uint8_t, 3>{ 255, 255, 255 }));
}

TEST_F(Interpreter, BlackOnlyModePrintsEveryColourInBlack)
{
    feed(startRaster(1, 0, 1) + colour(0, 2) + raster(30, 10, 1, 8) + literal({ 0x80 }) + advance(3)
         + colour(1, 4) /* no such ink */);
    EXPECT_EQ(level(192, 42, Ink::Black), 3);
    EXPECT_EQ(level(192, 42, Ink::Cyan), 0);
    EXPECT_EQ(printer.stats().malformedCommands, 1);
}

TEST_F(Interpreter, MultiLevelRasterAt360And480Dpi)
{
    // Two bits per dot: C0 is dot 0 at size 3; 1B is dots 5, 6, 7 at sizes 1, 2, 3.
    const Bytes block = multiLevel(0, 2, 2) + literal({ 0xC0, 0x1B }) + repeat(2, 0x03);
    feed(startRaster(1, 16, 1) + resolution(360, 3, 1) + block + homeReturn() + advance(30)
         + resolution(480, 4, 1) + block + homeReturn());

    EXPECT_THAT(cells(42), ElementsAre(192, 212, 216, 220));
    EXPECT_EQ(level(192, 42), 3);
    EXPECT_EQ(level(212, 42), 1);
    EXPECT_EQ(level(216, 42), 2);
    EXPECT_EQ(level(220, 42), 3);
    EXPECT_THAT(cells(45), ElementsAre(204, 220)); // 120 dpi down: the next row 3 units lower

    EXPECT_THAT(cells(72), ElementsAre(192, 207, 210, 213));
    EXPECT_EQ(level(207, 72), 1);
    EXPECT_EQ(level(210, 72), 2);
    EXPECT_EQ(level(213, 72), 3);
    EXPECT_THAT(cells(75), ElementsAre(201, 213));
}

TEST_F(Interpreter, TextAtTenCharactersPerInchAndSixLinesPerInch)
{
    feed(text("HI\r\nH"));
    // "H": dots in font columns 0 and 4 of its top row, 24 cells wide and 6 rows high each,
    // printed as six 360-dpi dots across, four cells apart.
    EXPECT_EQ(level(192, 42), 3);
    EXPECT_EQ(level(212, 42), 3);
    EXPECT_EQ(level(213, 42), 0);
    EXPECT_EQ(level(216, 42), 0);
    EXPECT_EQ(level(287, 42), 0);
    EXPECT_EQ(level(288, 42), 3);
    EXPECT_EQ(level(308, 47), 3);
    EXPECT_EQ(level(312, 42), 0);
    EXPECT_EQ(level(192, 83), 3); // last row above the base line
    EXPECT_EQ(level(192, 84), 0);
    // "I", the next character, 1/10 inch on: font columns 1 to 3.
    EXPECT_EQ(level(359, 42), 0);
    EXPECT_EQ(level(360, 42), 3);
    EXPECT_EQ(level(428, 42), 3);
    EXPECT_EQ(level(432, 42), 0);
    // The next line, 1/6 inch lower.
    EXPECT_EQ(level(192, 101), 0);
    EXPECT_EQ(level(192, 102), 3);
    EXPECT_EQ(printer.line(), 102);
}

TEST_F(Interpreter, TextWrapsAtTheRightEdgeAndIsIgnoredInGraphicsMode)
{
    feed(text(std::string(81, 'I')));
    EXPECT_EQ(level(11592, 42), 3); // the 80th character's top row starts 24 cells in
    EXPECT_EQ(level(216, 102), 3); // the 81st starts the next line
    EXPECT_EQ(level(11736, 42), 0);

    feed(text("\r\n") + graphics() + text("I"));
    EXPECT_EQ(level(216, 162), 0);
    EXPECT_EQ(printer.stats().ignoredBytes, 1u);
}

TEST_F(Interpreter, FormFeedEjectsTheSheetAndTheNextStartsAtTheTop)
{
    feed(text("A\f"));
    ASSERT_EQ(printer.pages().size(), 1u);
    EXPECT_TRUE(printer.pages()[0].holdsInk());
    EXPECT_FALSE(page().holdsInk());
    EXPECT_EQ(printer.line(), 42);
    EXPECT_EQ(printer.column(), 0);

    feed(text("\f")); // no sheet in the printer
    EXPECT_EQ(printer.pages().size(), 1u);
    feed(text("\n\f")); // a sheet fed by a line feed goes out blank
    ASSERT_EQ(printer.pages().size(), 2u);
    EXPECT_FALSE(printer.pages()[1].holdsInk());

    feed(text("B"));
    printer.endOfStream(); // the end of the job ejects a sheet that holds ink
    EXPECT_EQ(printer.pages().size(), 3u);
    feed(text("\n"));
    printer.endOfStream(); // but not a blank one
    EXPECT_EQ(printer.pages().size(), 3u);
    EXPECT_EQ(printer.stats().pagesEjected, 3);

    EXPECT_EQ(printer.takePages().size(), 3u);
    EXPECT_TRUE(printer.pages().empty());
}

TEST_F(Interpreter, LineFeedPastTheBottomEjects)
{
    feed(text("A") + Bytes(69, 0x0A));
    EXPECT_EQ(printer.line(), 4182);
    EXPECT_TRUE(printer.pages().empty());
    feed(text("\n"));
    EXPECT_EQ(printer.pages().size(), 1u);
    EXPECT_EQ(printer.line(), 42);
}

// The top-margin line in small: a row of 16 dots and a dot under its start in the 47 rows
// below, after the page format.
Bytes topMarginCorner(uint32_t top)
{
    Bytes rows = repeat(4, 0xFF);
    for (int r = 1; r < 48; ++r)
        rows = rows + literal({ 0xC0 }) + repeat(3, 0x00);
    return startRaster(1, 16, 1) + paperSize(2976, 4208) + pageFormat(top, 7966)
            + resolution(360, 3, 1) + multiLevel(0, 4, 48) + rows + init() + text("\r\n");
}

TEST_F(Interpreter, TopMarginCornerSitsWhereThePageFormatPutsIt)
{
    for (const int top : { 42, 100 }) {
        vprinter::RasterInterpreter fresh{ nullptr };
        fresh.take(topMarginCorner(uint32_t(top)));
        const vprinter::Page &sheet = fresh.currentPage();
        const std::vector<int> corner = sheet.inkedCells(Ink::Black, top);
        ASSERT_EQ(corner.size(), 16u) << top;
        EXPECT_EQ(corner.front(), 192);
        EXPECT_EQ(corner.back(), 252);
        EXPECT_THAT(sheet.inkedCells(Ink::Black, top - 1), IsEmpty());
        for (int r = 1; r < 48; ++r)
            EXPECT_THAT(sheet.inkedCells(Ink::Black, top + 3 * r), ElementsAre(192)) << top;
        EXPECT_THAT(sheet.inkedCells(Ink::Black, top + 144), IsEmpty());
    }
    // On a sheet that already holds ink the page format does not move the paper back.
    feed(text("A") + pageFormat(300, 4000));
    EXPECT_EQ(printer.line(), 42);
}

TEST_F(Interpreter, UnknownAndMalformedCommandsAreCountedAndSkipped)
{
    feed(Bytes{ 0x1B, 'z' } // unknown
         + Bytes{ 0x1B, 0x28, 'Z', 0x03, 0x00, 'a', 'b', 'c' } // unknown, its count passed over
         + Bytes{ 0x1B, 0x28, 0x47, 0x02, 0x00, 0x01, 0x01 } // graphics mode with 2 bytes
         + unit(7) // not a whole 1/360 inch
         + Bytes{ 0x1B, 0x28, 0x44, 0x04, 0x00, 0x00, 0x00, 0x03, 0x01 } // resolution base 0
         + colour(1, 4) // no such ink
         + graphics() + raster(30, 10, 1, 16) + Bytes{ 0x80 } // not a counter
         + literal({ 0x80 }) + repeat(3, 0xFF) // two bytes more than the row holds
         + init() + text("A"));
    EXPECT_EQ(printer.stats().unknownCommands, 2);
    EXPECT_EQ(printer.stats().malformedCommands, 6);

    EXPECT_EQ(level(192, 42), 3); // dot 0
    EXPECT_EQ(level(224, 42), 3); // dots 8 to 15
    EXPECT_EQ(level(252, 42), 3);
    EXPECT_EQ(level(256, 42), 0);
    // "A" after the 16 dots: top row ".###." from cell 256 + 24.
    EXPECT_EQ(level(279, 42), 0);
    EXPECT_EQ(level(280, 42), 3);
    EXPECT_EQ(level(348, 42), 3);
    EXPECT_EQ(level(352, 42), 0);
    // Nothing else: 9 raster dots and the 18 font dots of "A", 6 x 6 dots each.
    size_t inked = 0;
    for (int y = 0; y < vprinter::Page::Height; ++y)
        inked += cells(y).size();
    EXPECT_EQ(inked, 657u);

    feed(Bytes{ 0x1B, 0x28 }); // cut short by the end of the job
    printer.endOfStream();
    EXPECT_EQ(printer.stats().malformedCommands, 7);
}

TEST_F(Interpreter, NothingLandsOutsideTheSheet)
{
    // A row running past the right edge: dots 2928 to 2975 would be beyond cell 11903.
    feed(startRaster(1, 0, 1) + raster(30, 10, 1, 2976) + repeat(128, 0xFF) + repeat(128, 0xFF)
         + repeat(116, 0xFF) + text("\r"));
    EXPECT_EQ(cells(42).size(), 2928u);
    EXPECT_EQ(cells(42).back(), 11900);
    EXPECT_EQ(printer.stats().clippedDots, 48u);

    // A return pass shifted past the left edge.
    printer.bidErrors().multiShot1 = -300;
    feed(startRaster(0, 18, 1) + resolution(480, 4, 1) + multiLevel(0, 1, 1) + literal({ 0x03 })
         + homeReturn() + multiLevel(0, 1, 1) + literal({ 0xFF }) + homeReturn());
    EXPECT_EQ(printer.stats().clippedDots, 52u);

    // A move far past the bottom ejects the sheet; the next starts at the top.
    feed(Bytes{ 0x1B, 0x28, 0x76, 0x04, 0x00, 0xFF, 0xFF, 0xFF, 0x7F });
    EXPECT_EQ(printer.pages().size(), 1u);
    EXPECT_EQ(printer.line(), 42);

    // Arbitrary bytes after graphics mode: whatever they say, the interpreter keeps to the
    // sheet (the sanitizers watch every write) and reads good commands afterwards.
    uint32_t seed = 12345;
    Bytes noise = graphics();
    for (int i = 0; i < 100000; ++i) {
        seed = seed * 1103515245u + 12345u;
        noise.push_back(uint8_t(seed >> 16));
    }
    feed(noise);
    printer.endOfStream();
    feed(text("A"));
    EXPECT_EQ(level(216, 42), 3);
    EXPECT_EQ(level(215, 42), 0);
}

class Bidirectional : public Interpreter
{
protected:
    Bidirectional() { printer.bidErrors() = { 6, -3, 2 }; }
    // One pass of one byte 03 (the rightmost dot of four), then one unit lower.
    static Bytes pass() { return multiLevel(0, 1, 1) + literal({ 0x03 }) + advance(3); }
};

TEST_F(Bidirectional, PassesAlternateFromAForwardPassAfterEachStart)
{
    feed(startRaster(0, 18, 1) + resolution(480, 4, 1) + times(4, pass()));
    // Dot 3 at 480 dpi is cell 201; a return pass of Multi shot 1 lands (6 - 0) x 2 cells on.
    EXPECT_THAT(cells(42), ElementsAre(201));
    EXPECT_THAT(cells(45), ElementsAre(213));
    EXPECT_THAT(cells(48), ElementsAre(201));
    EXPECT_THAT(cells(51), ElementsAre(213));
    EXPECT_EQ(printer.stats().passes, 4);
    EXPECT_EQ(printer.stats().returnPasses, 2);

    feed(startRaster(0, 18, 1) + resolution(480, 4, 1) + pass());
    EXPECT_THAT(cells(54), ElementsAre(201));

    // Unidirectional: every pass goes forward.
    feed(startRaster(1, 18, 1) + resolution(480, 4, 1) + times(2, pass()));
    EXPECT_THAT(cells(57), ElementsAre(201));
    EXPECT_THAT(cells(60), ElementsAre(201));
}

TEST_F(Bidirectional, ShiftIsTheErrorLessTheStoredValueIn720thsOfAnInch)
{
    stored = { { ShotType::MultiShot1, 0 },
               { ShotType::MultiShot2, 1 },
               { ShotType::VariableShot, -2 } };
    // Dot 3 at 360 dpi is cell 204.
    feed(startRaster(0, 19, 1) + resolution(360, 3, 1) + times(2, pass()));
    EXPECT_THAT(cells(42), ElementsAre(204));
    EXPECT_THAT(cells(45), ElementsAre(196)); // (-3 - 1) x 2 cells
    feed(startRaster(0, 16, 1) + resolution(360, 3, 1) + times(2, pass()));
    EXPECT_THAT(cells(48), ElementsAre(204));
    EXPECT_THAT(cells(51), ElementsAre(212)); // (2 - -2) x 2 cells
    // Any other dot size fires as Variable shot.
    feed(startRaster(0, 0, 1) + resolution(360, 3, 1) + times(2, pass()));
    EXPECT_THAT(cells(54), ElementsAre(204));
    EXPECT_THAT(cells(57), ElementsAre(212));
}

TEST_F(Bidirectional, TheGroupPrintedWithTheErrorLiesOnTheReference)
{
    printer.bidErrors().multiShot1 = 5;
    // Reference line unidirectional, then a blank forward pass and the candidate on the
    // return pass, in the same row; three candidates, two steps (4 values) apart.
    const Bytes line = multiLevel(0, 1, 1) + literal({ 0x03 }) + homeReturn();
    const Bytes blank = multiLevel(0, 1, 1) + literal({ 0x00 }) + homeReturn();
    for (const int value : { 1, 5, 9 }) {
        stored[ShotType::MultiShot1] = value;
        feed(startRaster(1, 18, 1) + resolution(480, 4, 1) + line + startRaster(0, 18, 1)
             + resolution(480, 4, 1) + blank + line + init() + advance(3));
    }
    EXPECT_THAT(cells(42), ElementsAre(201, 209));
    EXPECT_THAT(cells(45), ElementsAre(201));
    EXPECT_THAT(cells(48), ElementsAre(193, 201));

    // On the picture the value 1 stands two pixels right of the reference, 9 two pixels left.
    const vprinter::PageImage image = page().render();
    auto dark = [&](int x, int yy) { return image.pixel(x, yy)[0] < 128; };
    EXPECT_TRUE(dark(50, 42));
    EXPECT_FALSE(dark(51, 42));
    EXPECT_TRUE(dark(52, 42));
    EXPECT_TRUE(dark(50, 45));
    EXPECT_FALSE(dark(49, 45));
    EXPECT_FALSE(dark(51, 45));
    EXPECT_TRUE(dark(48, 48));
    EXPECT_FALSE(dark(49, 48));
    EXPECT_TRUE(dark(50, 48));
}

} // namespace
