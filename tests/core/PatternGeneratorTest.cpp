// The fixed test patterns as the printer receives them: headings, raster headers, colours and
// directions, paper moves, packet counts, and the top-margin line with its value and waits.
// Where their dots land on the sheet is read from the printed sheets (PrintedPatternTest).
#include "CommandFixture.h"
#include "PatternPackets.h"

#include "patterns/Ziroreved.h"
#include "support/PacketQuery.h"

#include <gmock/gmock.h>

#include <algorithm>

#include <string>
#include <vector>

using namespace testsupport;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::SizeIs;

namespace {

std::string text(const std::vector<uint8_t> &payload)
{
    return { payload.begin(), payload.end() };
}

class Patterns : public CommandFixture
{
protected:
    // The units of every paper advance, in order.
    std::vector<int> advances() const
    {
        std::vector<int> units;
        for (const auto &p : query().printData())
            if (p.size() == 8 && p[0] == 0x1B && p[1] == '(' && p[2] == 'v')
                units.push_back(p[5]);
        return units;
    }
    int count(const std::string &hex) const
    {
        const auto all = query().dataHex();
        return int(std::count(all.begin(), all.end(), hex));
    }
    // Every block must hold exactly the rows its header announced.
    static void expectComplete(const std::vector<RasterBlock> &blocks)
    {
        for (size_t i = 0; i < blocks.size(); ++i) {
            EXPECT_TRUE(blocks[i].complete) << "block " << i;
            EXPECT_FALSE(blocks[i].runAcrossRows) << "block " << i;
        }
    }
};

// Colour bytes of SelectColour as the printer takes them: cyan 2, magenta 1, yellow 4.
constexpr int Cyan = 2, Magenta = 1, Yellow = 4;

TEST_F(Patterns, BlackBetaFillsTwoBandsWithThreePassesEach)
{
    Raster.PrintBlackBeta();
    const auto data = query().printData();
    EXPECT_EQ(text(data.front()), "Beta( BK-C-M-Y )\n\r");
    EXPECT_EQ(query().runPackets(), 288);
    EXPECT_THAT(data, SizeIs(packets::BlackBeta));
    EXPECT_THAT(advances(), ElementsAre(1, 1, 1, 141, 1, 1, 1, 141));

    const auto blocks = query().rasterBlocks();
    ASSERT_THAT(blocks, SizeIs(6));
    expectComplete(blocks);
    for (const RasterBlock &block : blocks) {
        EXPECT_EQ(vprinter::hexBytes(block.header), "1B 2E 01 1E 0A 30 C0 03");
        EXPECT_EQ(block.direction, 1);
    }
    const auto hex = query().dataHex();
    EXPECT_THAT(std::vector(hex.end() - 3, hex.end()), ElementsAre("1B 40", "0D 0A", "0D 0A"));
}

TEST_F(Patterns, ColourBetaPassesCyanMagentaYellowInTurn)
{
    Raster.PrintColourBeta();
    EXPECT_EQ(query().runPackets(), 810);
    EXPECT_THAT(query().printData(), SizeIs(packets::ColourBeta));
    EXPECT_THAT(advances(),
                ElementsAre(0, 0, 1, 0, 0, 1, 0, 0, 1, 42, 0, 0, 1, 0, 0, 1, 0, 0, 1, 42));

    const auto blocks = query().rasterBlocks();
    ASSERT_THAT(blocks, SizeIs(18));
    expectComplete(blocks);
    for (size_t i = 0; i < blocks.size(); ++i) {
        const RasterBlock &block = blocks[i];
        EXPECT_EQ(vprinter::hexBytes(block.header), "1B 2E 01 1E 0A 0F 40 0B") << i;
        EXPECT_EQ(block.density, 0);
        constexpr int InTurn[] = { Cyan, Magenta, Yellow };
        EXPECT_EQ(block.colour, InTurn[i % 3]) << i;
    }
}

TEST_F(Patterns, NozzleChecksPrintOnePassPerBand)
{
    Raster.PrintBlackNozzleCheck();
    auto data = query().printData();
    EXPECT_EQ(text(data.front()), "Nozzle Check( BK-C-M-Y )\n\r");
    EXPECT_THAT(data, SizeIs(packets::BlackNozzleCheck));
    EXPECT_THAT(advances(), ElementsAre(144, 144));
    auto blocks = query().rasterBlocks();
    ASSERT_THAT(blocks, SizeIs(2));
    expectComplete(blocks);
    EXPECT_EQ(count("1B 28 47 01 00 01"), 2) << "a raster start for each band";

    printer.clearReceived();
    Raster.PrintColourNozzleCheck();
    data = query().printData();
    EXPECT_EQ(vprinter::hexBytes(data.front()), "1B 40");
    EXPECT_THAT(data, SizeIs(packets::ColourNozzleCheck));
    EXPECT_EQ(query().runPackets(), 2 * 3 * 15 * 3);
    EXPECT_THAT(advances(), ElementsAre(0, 0, 45, 0, 0, 45));
    blocks = query().rasterBlocks();
    ASSERT_THAT(blocks, SizeIs(6));
    expectComplete(blocks);
    std::vector<int> colours;
    for (const RasterBlock &block : blocks)
        colours.push_back(block.colour);
    EXPECT_THAT(colours, ElementsAre(Cyan, Magenta, Yellow, Cyan, Magenta, Yellow));
}

TEST_F(Patterns, AlignmentIsSentAsFragmentsAndEndsWithoutInitialise)
{
    Raster.PrintAlignment();
    const auto data = query().printData();
    EXPECT_EQ(text(data.front()), "Alignment( BK-C-M-Y )\r\n");
    EXPECT_THAT(data, SizeIs(packets::Alignment));
    EXPECT_EQ(count("00 01 F2 00"), 3 * 48 * 5 + 3 * 3 * 15 * 5);
    EXPECT_EQ(count("1B 3C 0D"), 9);

    const auto blocks = query().rasterBlocks();
    ASSERT_THAT(blocks, SizeIs(3 + 9));
    expectComplete(blocks);
    std::vector<int> colours;
    for (const RasterBlock &block : blocks) {
        EXPECT_EQ(block.rowBytes, 80u);
        colours.push_back(block.colour);
    }
    EXPECT_THAT(colours,
                ElementsAre(-1, -1, -1, Cyan, Magenta, Yellow, Cyan, Magenta, Yellow, Cyan, Magenta,
                            Yellow));
    // The sheet's next item goes on in the state this leaves: no initialise at the end.
    const auto hex = query().dataHex();
    EXPECT_THAT(std::vector(hex.end() - 4, hex.end()),
                ElementsAre("1B 28 76 02 00 01 00 0D", "0D 0A", "0D 0A", "0D 0A"));
}

class TopMargin : public Patterns
{
protected:
    // The value field after "Top Adjust = ", and the time each data packet arrived.
    std::string printWithCell(uint8_t cell)
    {
        printer.eeprom()[46] = cell;
        arrivals.clear();
        printer.clearReceived();
        printer.onData = [this](const std::vector<uint8_t> &payload) {
            arrivals.emplace_back(vprinter::hexBytes(payload), platform.clock.nowMs);
        };
        Raster.PrintTopMarginLine();
        printer.onData = nullptr;
        const auto data = query().dataHex();
        const auto label
                = std::find(data.begin(), data.end(), "54 6F 70 20 41 64 6A 75 73 74 20 3D 20 00");
        return label != data.end() && label + 1 != data.end() ? *(label + 1) : "";
    }
    int64_t arrivedAt(size_t index) const { return arrivals.at(index).second; }

    std::vector<std::pair<std::string, int64_t>> arrivals;
};

TEST_F(TopMargin, ValueFieldIsSignedDecimalLeftAligned)
{
    EXPECT_EQ(printWithCell(0xFB), "2D 35 00 00");
    EXPECT_EQ(printWithCell(0x80), "2D 31 32 38");
    EXPECT_EQ(printWithCell(0x28), "34 30 00 00");
    EXPECT_EQ(printWithCell(0x00), "30 00 00 00");
    EXPECT_THAT(query().eepromReads(), ElementsAre(46)) << "over the control channel";
}

TEST_F(TopMargin, RasterOnAnA4PageThenTheTextAfterTwoWaits)
{
    printWithCell(0xF6);
    const auto data = query().dataHex();
    ASSERT_THAT(data, SizeIs(1 + 6 + 4 + 48 * 7 + 1 + 3 + 1 + 2 + 2));
    EXPECT_THAT(std::vector(data.begin(), data.begin() + 11),
                ElementsAre("1B 40", "1B 40", "1B 28 47 01 00 01", "1B 28 55 01 00 0A", "1B 55 01",
                            "1B 28 65 02 00 00 10", "1B 28 4B 02 00 00 01",
                            "1B 28 53 08 00 A0 0B 00 00 70 10 00 00",
                            "1B 28 63 08 00 2A 00 00 00 1E 1F 00 00", "1B 28 44 04 00 68 01 03 01",
                            "1B 69 00 01 02 D0 02 30 00"));
    EXPECT_THAT(
            std::vector(data.end() - 4, data.end()),
            ElementsAre("54 6F 70 20 41 64 6A 75 73 74 20 3D 20 00", "2D 31 30 00", "0C", "1B 40"));

    const auto blocks = query().rasterBlocks();
    ASSERT_THAT(blocks, SizeIs(1));
    expectComplete(blocks);

    // 10 s between the line and its text, and between the text and the page eject.
    const size_t label = arrivals.size() - 4;
    EXPECT_GE(arrivedAt(label - 1) - arrivedAt(label - 2), 10000);
    EXPECT_LT(arrivedAt(label - 1) - arrivedAt(label - 2), 10100);
    EXPECT_GE(arrivedAt(label + 2) - arrivedAt(label + 1), 10000);
    EXPECT_LT(arrivedAt(label + 2) - arrivedAt(label + 1), 10100);
}

} // namespace
