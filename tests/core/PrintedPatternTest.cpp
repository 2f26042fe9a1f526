// The patterns as the virtual printer prints them, read from the sheet's picture at 360 dots
// per inch as a technician reads the paper: the solid areas, every nozzle's line, the
// alignment lines, the top-margin corner, and the Bi-D groups against their reference lines
// with their values above them. Pixels count from the sheet's left edge (the printable area
// starts at 48) and rows from its top (the first line of a sheet is row 42); a text line is 60
// rows, a character 36 pixels.
#include "CommandFixture.h"

#include "patterns/Ziroreved.h"
#include "patterns/Zurova.h"
#include "support/SheetReading.h"
#include "vprinter/ServicedPrinter.h"

#include <gmock/gmock.h>

#include <array>
#include <numeric>
#include <string>
#include <vector>

using namespace testsupport;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;
using ::testing::SizeIs;

namespace {

// Every pixel column from `first` to `last`.
std::vector<int> span(int first, int last)
{
    std::vector<int> columns(size_t(last - first + 1));
    std::iota(columns.begin(), columns.end(), first);
    return columns;
}

// The rows from `first`, `step` apart, `count` of them.
std::vector<int> rowsFrom(int first, int step, int count)
{
    std::vector<int> rows;
    for (int i = 0; i < count; ++i)
        rows.push_back(first + i * step);
    return rows;
}

std::vector<int> joined(std::vector<int> a, const std::vector<int> &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class PrintedPattern : public CommandFixture
{
protected:
    PrintedPattern() { printer.eeprom() = vprinter::servicedEeprom(); }
    // The picture of the `n`-th sheet the printer ejected.
    SheetPicture sheet(size_t n = 0) const
    {
        EXPECT_GT(printer.pages().size(), n);
        return SheetPicture(printer.pages().at(n));
    }
    // Nothing the printer could not read, nothing off the sheet.
    void expectCleanStream()
    {
        const auto &stats = printer.raster().stats();
        EXPECT_EQ(stats.unknownCommands, 0);
        EXPECT_EQ(stats.malformedCommands, 0);
        EXPECT_EQ(stats.clippedDots, 0u);
        EXPECT_EQ(stats.rowsBeyondHead, 0u);
        EXPECT_EQ(stats.ignoredBytes, 0u);
    }
    // The Bi-D pattern printed with these values stored in cells 51, 52 and 53, read off its
    // sheet.
    std::vector<BidReading> printBid(const std::array<int, 3> &stored)
    {
        for (size_t s = 0; s < 3; ++s)
            printer.eeprom()[51 + s] = uint8_t(stored[s]);
        printer.takePages();
        EXPECT_TRUE(Bid.PrintBidPattern(false));
        Raster.FormFeed();
        EXPECT_EQ(printer.pages().size(), 1u);
        return printer.pages().empty() ? std::vector<BidReading>{}
                                       : readBidPatterns(SheetPicture(printer.pages().back()));
    }
};

// ---- the fixed patterns ----

TEST_F(PrintedPattern, BetaAreasCoverExactlyTheirBytes)
{
    Raster.PrintBlackBeta();
    Raster.FormFeed();
    Raster.PrintColourBeta();
    Raster.FormFeed();
    ASSERT_EQ(printer.pages().size(), 2u);
    expectCleanStream();

    // Black: the heading, then two bands of 48 rows filled by three passes each, 960 dots
    // (bytes 0 to 119) wide: rows 102 to 389 solid.
    const SheetPicture black = sheet(0);
    EXPECT_EQ(black.line(42), "Beta( BK-C-M-Y )");
    EXPECT_EQ(black.rows(Seen::Black), joined(rowsFrom(42, 1, 42), rowsFrom(102, 1, 288)))
            << "the heading's seven rows of font dots, then the bands";
    for (int y = 102; y <= 389; ++y)
        ASSERT_EQ(black.marked(y), span(48, 1007)) << y;

    // Colour: two bands of 15 rows, three passes each, from the top of the sheet: cyan bytes
    // 0 to 115, magenta 122 to 237, yellow 244 to 359, 8 dots a byte.
    const SheetPicture colour = sheet(1);
    EXPECT_EQ(colour.rows(Seen::Cyan), rowsFrom(42, 1, 90));
    for (int y = 42; y <= 131; ++y) {
        ASSERT_EQ(colour.columns(y, Seen::Cyan), span(48, 975)) << y;
        ASSERT_EQ(colour.columns(y, Seen::Magenta), span(1024, 1951)) << y;
        ASSERT_EQ(colour.columns(y, Seen::Yellow), span(2000, 2927)) << y;
        ASSERT_EQ(colour.marked(y).size(), 3u * 928) << y;
    }
    EXPECT_THAT(colour.marked(132), IsEmpty());
}

TEST_F(PrintedPattern, EveryNozzleDrawsItsOwnLine)
{
    Raster.PrintBlackNozzleCheck();
    Raster.PrintColourNozzleCheck();
    Raster.FormFeed();
    ASSERT_EQ(printer.pages().size(), 1u);
    expectCleanStream();
    const SheetPicture page = sheet();
    EXPECT_EQ(page.line(42), "Nozzle Check( BK-C-M-Y )");

    // Black: one pass a band, so each of the 48 nozzles draws a line of its own, 1/120 inch
    // from the next: rows 102 to 243 and, 144 rows on, 246 to 387, each 960 dots long.
    const std::vector<int> blackLines = joined(rowsFrom(102, 3, 48), rowsFrom(246, 3, 48));
    std::vector<int> rasterRows;
    for (const int y : page.rows(Seen::Black))
        if (y >= 102)
            rasterRows.push_back(y);
    EXPECT_EQ(rasterRows, blackLines);
    for (const int y : blackLines)
        ASSERT_EQ(page.marked(y), span(48, 1007)) << y;

    // Colour, a line feed below: 15 lines of each ink side by side, 120 bytes each, twice.
    const std::vector<int> colourLines = joined(rowsFrom(450, 3, 15), rowsFrom(495, 3, 15));
    EXPECT_EQ(page.rows(Seen::Cyan), colourLines);
    EXPECT_EQ(page.rows(Seen::Magenta), colourLines);
    EXPECT_EQ(page.rows(Seen::Yellow), colourLines);
    for (const int y : colourLines) {
        ASSERT_EQ(page.columns(y, Seen::Cyan), span(48, 1007)) << y;
        ASSERT_EQ(page.columns(y, Seen::Magenta), span(1008, 1967)) << y;
        ASSERT_EQ(page.columns(y, Seen::Yellow), span(1968, 2927)) << y;
    }
}

TEST_F(PrintedPattern, AlignmentLinesStandAtDotsSevenAndEveryHundredAndTwentyEightOn)
{
    Raster.PrintAlignment();
    Raster.FormFeed();
    ASSERT_EQ(printer.pages().size(), 1u);
    expectCleanStream();
    const SheetPicture page = sheet();
    EXPECT_EQ(page.line(42), "Alignment( BK-C-M-Y )");

    // Dots 7, 135, 263, 391 and 519 of every row: black rows 102 to 245, three passes of 48
    // rows; then, three line feeds on, the colours over one another (they mix to black) in
    // rows 285 to 329.
    const std::vector<int> dots{ 55, 183, 311, 439, 567 };
    const std::vector<int> lineRows = joined(rowsFrom(102, 1, 144), rowsFrom(285, 1, 45));
    std::vector<int> rasterRows;
    for (int y = 102; y < page.height(); ++y)
        if (!page.marked(y).empty())
            rasterRows.push_back(y);
    EXPECT_EQ(rasterRows, lineRows);
    for (const int y : lineRows) {
        ASSERT_EQ(page.marked(y), dots) << y;
        ASSERT_EQ(page.columns(y, Seen::Black), dots) << y;
    }
}

TEST_F(PrintedPattern, TopMarginCornerSitsWhereThePageFormatPutsItWithTheValueBelow)
{
    printer.eeprom()[46] = 0xFB;
    Raster.PrintTopMarginLine();
    ASSERT_EQ(printer.pages().size(), 1u);
    expectCleanStream();
    const SheetPicture page = sheet();

    // The page format's top margin of 42/360 inch: a line of 1400 dots along row 42 and a
    // dotted line down from its first dot, one dot every 1/120 inch for 47 rows.
    EXPECT_THAT(page.marked(41), IsEmpty());
    EXPECT_EQ(page.columns(42, Seen::Black), span(48, 1447));
    const std::vector<int> down = rowsFrom(45, 3, 47);
    for (int y = 43; y < 222; ++y) {
        const bool dot = std::find(down.begin(), down.end(), y) != down.end();
        ASSERT_EQ(page.marked(y), dot ? std::vector<int>{ 48 } : std::vector<int>{}) << y;
    }
    // Three line feeds below the corner, the stored value.
    EXPECT_EQ(page.line(222), "Top Adjust = -5");
    EXPECT_LT(page.rows(Seen::Black).back(), 222 + 60);
}

// ---- the Bi-D pattern ----

// Centres of the reference lines of group 1, in pixels (at 480 dpi for Multi shot 1, a
// quarter pixel off the pixel grid; at 360 dpi for the others); each further group is
// 1.4 inch (504 pixels) on.
const std::vector<double> WideGroup1{ 410.75, 458.75, 506.75 };
const std::vector<double> NarrowGroup1{ 411.5, 459.5, 507.5 };

std::vector<double> group(const std::vector<double> &first, int n)
{
    std::vector<double> lines = first;
    for (double &x : lines)
        x += 504 * (n - 1);
    return lines;
}

auto near(double x)
{
    return ::testing::DoubleNear(x, BidReading::Tolerance);
}

struct ShotExpectation
{
    const char *title;
    std::vector<double> group1;
    std::array<const char *, 5> values;
    int onTheLines;
    std::array<double, 5> offsets; // of each group's candidate lines, in pixels
};

void expectShot(const BidReading &reading, const ShotExpectation &shot)
{
    SCOPED_TRACE(shot.title);
    for (int n = 1; n <= 5; ++n) {
        EXPECT_THAT(reading.reference[size_t(n - 1)],
                    ::testing::Pointwise(::testing::DoubleNear(BidReading::Tolerance),
                                         group(shot.group1, n)))
                << "group " << n;
        EXPECT_EQ(reading.value[size_t(n - 1)], shot.values[size_t(n - 1)]) << "group " << n;
        EXPECT_THAT(reading.offset(n), ::testing::Optional(near(shot.offsets[size_t(n - 1)])))
                << "group " << n;
    }
    EXPECT_THAT(reading.straightest(), ElementsAre(shot.onTheLines));
}

TEST_F(PrintedPattern, TheGroupPrintedWithThePrintersOwnErrorLiesOnTheReferenceLines)
{
    // A return pass lands (error - value) / 720 inch to the right: two groups (4 values) away
    // from the error is 2 pixels off, one group 1 pixel.
    printer.bidErrors() = { 5, -4, 3 };
    const struct
    {
        std::array<int, 3> stored; // cells 51, 52, 53
        std::array<ShotExpectation, 3> shots;
    } cases[] = {
        { { 5, -4, 3 },
          { ShotExpectation{ "Multi shot 1",
                             WideGroup1,
                             { "1", "3", "5", "7", "9" },
                             3,
                             { 2, 1, 0, -1, -2 } },
            ShotExpectation{ "Multi shot 2",
                             NarrowGroup1,
                             { "-8", "-6", "-4", "-2", "0" },
                             3,
                             { 2, 1, 0, -1, -2 } },
            ShotExpectation{ "Variable shot",
                             NarrowGroup1,
                             { "-1", "1", "3", "5", "7" },
                             3,
                             { 2, 1, 0, -1, -2 } } } },
        { { 3, -2, 1 },
          { ShotExpectation{ "Multi shot 1",
                             WideGroup1,
                             { "-1", "1", "3", "5", "7" },
                             4,
                             { 3, 2, 1, 0, -1 } },
            ShotExpectation{ "Multi shot 2",
                             NarrowGroup1,
                             { "-6", "-4", "-2", "0", "2" },
                             2,
                             { 1, 0, -1, -2, -3 } },
            ShotExpectation{ "Variable shot",
                             NarrowGroup1,
                             { "-3", "-1", "1", "3", "5" },
                             4,
                             { 3, 2, 1, 0, -1 } } } },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.stored[0]);
        const std::vector<BidReading> readings = printBid(c.stored);
        ASSERT_THAT(readings, SizeIs(3));
        for (size_t s = 0; s < 3; ++s)
            expectShot(readings[s], c.shots[s]);
    }
    expectCleanStream();
}

// An error an odd number of steps from the stored value lies between two groups: on the sheet
// they stand half a step (half a pixel) off, one on either side, equally straight, and the
// technician writes the value between them. Every shot type meets every odd distance within
// the pattern; a last case of even ones shows one clear winner.
TEST_F(PrintedPattern, HalfAStepOffShowsTwoEquallyStraightNeighbours)
{
    const std::array<int, 3> stored{ 2, -5, 0 };
    const std::array<int, 3> distances[] = {
        { -3, -1, 1 }, { -1, 1, 3 }, { 1, 3, -3 }, { 3, -3, -1 }, { 0, 4, -2 },
    };
    const char *const shots[] = { "Multi shot 1", "Multi shot 2", "Variable shot" };
    for (const auto &distance : distances) {
        printer.bidErrors()
                = { stored[0] + distance[0], stored[1] + distance[1], stored[2] + distance[2] };
        const std::vector<BidReading> readings = printBid(stored);
        ASSERT_THAT(readings, SizeIs(3));
        for (size_t s = 0; s < 3; ++s) {
            SCOPED_TRACE(std::string(shots[s])
                         + ", error - stored = " + std::to_string(distance[s]));
            const BidReading &reading = readings[s];
            // The group of value v stands (error - v) / 720 inch right: group 3 is the stored
            // value, each group two values (one pixel) on.
            const int d = distance[s];
            for (int n = 1; n <= 5; ++n)
                EXPECT_THAT(reading.offset(n), ::testing::Optional(near((d + 6 - 2 * n) / 2.0)))
                        << "group " << n;
            if (d % 2 != 0) {
                const int below = 3 + (d - 1) / 2;
                ASSERT_THAT(reading.straightest(), ElementsAre(below, below + 1));
                EXPECT_NEAR(*reading.offset(below), 0.5, BidReading::Tolerance);
                EXPECT_NEAR(*reading.offset(below + 1), -0.5, BidReading::Tolerance);
            } else {
                EXPECT_THAT(reading.straightest(), ElementsAre(3 + d / 2));
            }
            EXPECT_EQ(reading.readOff(), stored[s] + d);
        }
    }
    expectCleanStream();
}

// As a trainee works: print, write what the sheet shows, print again, until the middle group
// is the straight one. Blank cells (-1) against errors of 0 is the half step of a new board.
TEST_F(PrintedPattern, ATraineeReadingTheSheetSetsThePrintersOwnError)
{
    printer.eeprom()[51] = printer.eeprom()[52] = printer.eeprom()[53] = 0xFF;
    const struct
    {
        vprinter::BidErrors errors;
        int prints; // until the middle group alone is straight
    } cases[] = { { { 0, 0, 0 }, 2 }, { { 7, -6, 4 }, 3 } };
    for (const auto &c : cases) {
        printer.bidErrors() = c.errors;
        std::array<int, 3> stored{ int8_t(printer.eeprom()[51]), int8_t(printer.eeprom()[52]),
                                   int8_t(printer.eeprom()[53]) };
        for (int print = 1; print <= c.prints; ++print) {
            const std::vector<BidReading> readings = printBid(stored);
            ASSERT_THAT(readings, SizeIs(3));
            for (size_t s = 0; s < 3; ++s) {
                const auto value = readings[s].readOff();
                ASSERT_TRUE(value) << "print " << print << ", shot " << s;
                if (print == c.prints) {
                    EXPECT_THAT(readings[s].straightest(), ElementsAre(3)) << s;
                }
                ASSERT_TRUE(Bid.WriteBidValue(uint8_t(s == 0           ? 2
                                                              : s == 1 ? 1
                                                                       : 3),
                                              std::to_string(*value)));
                stored[s] = *value;
            }
        }
        EXPECT_EQ(stored,
                  (std::array<int, 3>{ c.errors.multiShot1, c.errors.multiShot2,
                                       c.errors.variableShot }));
    }
}

TEST_F(PrintedPattern, EachValueStandsAboveItsGroup)
{
    ASSERT_TRUE(Bid.PrintBidPattern(false));
    Raster.FormFeed();
    const SheetPicture page = sheet();
    EXPECT_EQ(page.line(42), "Bi-d print");
    const std::vector<BidReading> readings = readBidPatterns(page);
    ASSERT_THAT(readings, SizeIs(3));

    // Stored 3, -2 and 1: the value rows, each under its title and one line above its
    // groups; every number begins in the character cell over its group's first line.
    const struct
    {
        const char *title;
        const char *valueRow;
    } shots[] = {
        { "Multi shot 1", "  data:   -1            1             3             5             7" },
        { "Multi shot 2", "  data:   -6            -4            -2            0             2" },
        { "Variable shot", "  data:   -3            -1            1             3             5" },
    };
    for (size_t s = 0; s < 3; ++s) {
        SCOPED_TRACE(shots[s].title);
        const BidReading &reading = readings[s];
        EXPECT_EQ(page.line(reading.valueRow), shots[s].valueRow);
        EXPECT_EQ(page.line(reading.valueRow - 60), shots[s].title);
        EXPECT_EQ(reading.referenceTop, reading.valueRow + 60);
        EXPECT_THAT(reading.valueColumn, ElementsAre(10, 24, 38, 52, 66));
        for (size_t n = 0; n < 5; ++n) {
            const double firstLine = reading.reference[n].at(0);
            const int left = 48 + 36 * reading.valueColumn[n];
            EXPECT_GE(firstLine, left) << n;
            EXPECT_LT(firstLine, left + 36) << n;
        }
    }
}

} // namespace
