// The Bi-D pattern on the virtual printer: values printed and set around the stored one, the
// restore, the lines of each group under its reference lines, the packet count, the stops on a
// printer error or an unreadable value, and the single-value reads and writes.
#include "CommandFixture.h"
#include "PatternPackets.h"

#include "patterns/Ziroreved.h"
#include "patterns/Zurova.h"
#include "support/PacketQuery.h"

#include <gmock/gmock.h>

#include <algorithm>
#include <array>
#include <iostream>
#include <string>
#include <vector>

using namespace testsupport;
using ::testing::Each;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;
using ::testing::SizeIs;

namespace {

std::string text(const std::vector<uint8_t> &payload)
{
    return { payload.begin(), payload.end() };
}

std::string withNul(const std::string &s)
{
    return s + std::string(1, '\0');
}

// A value field: the number left-aligned in 14 blanks.
std::string field(const std::string &number)
{
    return number + std::string(14 - number.size(), ' ');
}

std::vector<std::string> fields(std::initializer_list<const char *> numbers)
{
    std::vector<std::string> result;
    for (const char *n : numbers)
        result.push_back(field(n));
    return result;
}

// Five candidates three times over, then the restore.
std::vector<std::string> bidCalls(int kind, std::array<int, 5> candidates, int restore)
{
    std::vector<std::string> calls;
    for (int repeat = 0; repeat < 3; ++repeat)
        for (const int value : candidates)
            calls.push_back("Bid(" + std::to_string(kind) + ", " + std::to_string(value) + ")");
    calls.push_back("Bid(" + std::to_string(kind) + ", " + std::to_string(restore) + ")");
    return calls;
}

std::vector<std::string> slice(const std::vector<std::string> &all, size_t from, size_t count)
{
    return { all.begin() + long(from), all.begin() + long(std::min(all.size(), from + count)) };
}

class BidPattern : public CommandFixture
{
protected:
    void store(uint8_t ms1, uint8_t ms2, uint8_t vs)
    {
        printer.eeprom()[51] = ms1;
        printer.eeprom()[52] = ms2;
        printer.eeprom()[53] = vs;
    }
    // The texts of the print data that are titles ending in 00.
    std::vector<std::string> titles() const
    {
        std::vector<std::string> result;
        for (const auto &p : query().printData()) {
            const std::string t = text(p);
            if (t.size() <= 8 || t.back() != '\0' || t.find("data:") != t.npos)
                continue;
            if (std::all_of(t.begin(), t.end() - 1, [](char c) { return c >= ' ' && c <= '~'; }))
                result.push_back(t);
        }
        return result;
    }
    // The five fields after each "  data:   " label, per page.
    std::vector<std::vector<std::string>> valueRows() const
    {
        std::vector<std::vector<std::string>> rows;
        const auto data = query().printData();
        for (size_t i = 0; i < data.size(); ++i) {
            if (text(data[i]) != withNul("  data:   "))
                continue;
            std::vector<std::string> row;
            for (size_t f = i + 1; f < std::min(data.size(), i + 6); ++f)
                row.push_back(text(data[f]));
            rows.push_back(row);
        }
        return rows;
    }
    // Makes the printer report an error from its `nth` status request on (1 is the first).
    void errorFromStatusRequest(int nth)
    {
        atPacket(StatusRequest, [this, nth](int n) {
            if (n >= nth)
                printer.state().errorChar = '4';
        });
    }
    // Makes the data-channel read of one cell come back malformed.
    void malformedReadOf(int address)
    {
        atPacket(FactoryEepromRead + std::to_string(address) + ")",
                 [this](int) { printer.factory().readReplyText = "@BDC PS\r\nEE:"; });
    }
};

TEST_F(BidPattern, ValuesBeyondTheRangeAreClampedForPrintingAndRestoredUnchanged)
{
    store(57, 58, uint8_t(-57));
    ASSERT_TRUE(Bid.PrintBidPattern(false));

    EXPECT_THAT(titles(),
                ElementsAre(withNul("Bi-d print"), withNul("Multi shot 1"), withNul("Multi shot 2"),
                            withNul("Variable shot")));
    EXPECT_THAT(valueRows(),
                ElementsAre(fields({ "51", "53", "55", "57", "59" }),
                            fields({ "52", "54", "56", "58", "60" }),
                            fields({ "-59", "-57", "-55", "-53", "-51" })));
    std::vector<std::string> bids;
    for (const FactoryCall &call : query().factoryCalls(0x00))
        bids.push_back(call.name());
    ASSERT_THAT(bids, SizeIs(48));
    EXPECT_THAT(slice(bids, 0, 16), ElementsAreArray(bidCalls(2, { 51, 53, 55, 57, 59 }, 57)));
    EXPECT_THAT(slice(bids, 16, 16), ElementsAreArray(bidCalls(1, { 52, 54, 56, 58, 60 }, 58)));
    EXPECT_THAT(slice(bids, 32, 16),
                ElementsAreArray(bidCalls(3, { -59, -57, -55, -53, -51 }, -57)));
    EXPECT_THAT(query().factoryCalls(0x41),
                ElementsAre(FactoryCall{ 0x41, { 51 } }, FactoryCall{ 0x41, { 52 } },
                            FactoryCall{ 0x41, { 53 } }));
    EXPECT_EQ(printer.eeprom()[51], 57);
    EXPECT_EQ(printer.eeprom()[52], 58);
    EXPECT_EQ(printer.eeprom()[53], uint8_t(-57));
    // Before the title, before each page, after the last.
    EXPECT_EQ(query().statusRequests(), 5);
}

TEST_F(BidPattern, NegativeAndLowestStoredValuesAndTheIndentedTitleOfTheSheet)
{
    store(uint8_t(-58), 0x80, 0);
    ASSERT_TRUE(Bid.PrintBidPattern(true));

    EXPECT_EQ(titles().front(), withNul("   Bi-d print"));
    EXPECT_THAT(valueRows(),
                ElementsAre(fields({ "-60", "-58", "-56", "-54", "-52" }),
                            fields({ "-60", "-58", "-56", "-54", "-52" }),
                            fields({ "-4", "-2", "0", "2", "4" })));
    std::vector<std::string> bids;
    for (const FactoryCall &call : query().factoryCalls(0x00))
        bids.push_back(call.name());
    ASSERT_THAT(bids, SizeIs(48));
    EXPECT_THAT(slice(bids, 0, 16),
                ElementsAreArray(bidCalls(2, { -60, -58, -56, -54, -52 }, -58)));
    EXPECT_THAT(slice(bids, 16, 16),
                ElementsAreArray(bidCalls(1, { -60, -58, -56, -54, -52 }, -128)));
    EXPECT_THAT(slice(bids, 32, 16), ElementsAreArray(bidCalls(3, { -4, -2, 0, 2, 4 }, 0)));
    EXPECT_EQ(printer.eeprom()[51], uint8_t(-58));
    EXPECT_EQ(printer.eeprom()[52], 0x80);
    EXPECT_EQ(printer.eeprom()[53], 0);
}

// The 03 bytes of a row (one line of four dots each), by byte position.
std::vector<size_t> lines(const std::vector<uint8_t> &row)
{
    std::vector<size_t> at;
    for (size_t i = 0; i < row.size(); ++i)
        if (row[i] == 0x03)
            at.push_back(i);
    return at;
}

struct Layout
{
    size_t rowBytes;
    size_t left; // blank bytes before group 1
    size_t spacing; // between the lines of a group
    size_t pitch; // from group to group
    std::string header;
    std::string resolution;
    std::string dotSize;
};

const Layout MultiShot1{ 960,
                         120,
                         16,
                         168,
                         "1B 69 00 01 02 C0 03 30 00",
                         "1B 28 44 04 00 E0 01 04 01",
                         "1B 28 65 02 00 00 12" };
const Layout Narrow{ 720, 90, 12, 126, "1B 69 00 01 02 D0 02 30 00", "1B 28 44 04 00 68 01 03 01",
                     "" };

std::vector<size_t> groupLines(const Layout &layout, int group)
{
    const size_t first = layout.left + layout.pitch * size_t(group - 1);
    return { first, first + layout.spacing, first + 2 * layout.spacing };
}

// One shot page: three times a reference block, then five dummy passes and candidate blocks.
void expectShotPage(const std::vector<RasterBlock> &blocks, size_t from, const Layout &layout)
{
    std::vector<size_t> allGroups;
    for (int group = 1; group <= 5; ++group)
        for (const size_t at : groupLines(layout, group))
            allGroups.push_back(at);
    const std::vector<uint8_t> blank(layout.rowBytes, 0x00);
    for (size_t repeat = 0; repeat < 3; ++repeat) {
        const size_t base = from + repeat * 11;
        const RasterBlock &reference = blocks.at(base);
        EXPECT_EQ(vprinter::hexBytes(reference.header), layout.header);
        EXPECT_EQ(reference.direction, 1) << "reference lines print one way";
        for (size_t row = 0; row < 48; ++row) {
            if (row >= 16 && row < 32)
                ASSERT_EQ(reference.rows[row], blank) << row;
            else
                ASSERT_EQ(lines(reference.rows[row]), allGroups) << row;
        }
        for (int group = 1; group <= 5; ++group) {
            const RasterBlock &dummy = blocks.at(base + 2 * size_t(group) - 1);
            const RasterBlock &candidate = blocks.at(base + 2 * size_t(group));
            EXPECT_EQ(dummy.direction, 0);
            EXPECT_EQ(candidate.direction, 0) << "candidates print both ways";
            EXPECT_THAT(std::vector(dummy.rows.begin(), dummy.rows.end() - 1), Each(blank));
            std::vector<uint8_t> dot = blank;
            dot.back() = 0x01;
            EXPECT_EQ(dummy.rows.back(), dot) << "one small dot at the far right";
            for (size_t row = 0; row < 48; ++row) {
                if (row < 16 || row >= 32) {
                    ASSERT_EQ(candidate.rows[row], blank) << group << " " << row;
                    continue;
                }
                ASSERT_EQ(lines(candidate.rows[row]), groupLines(layout, group))
                        << group << " " << row;
                ASSERT_EQ(candidate.rows[row][0], row == 31 ? 0x01 : 0x00) << group << " " << row;
            }
        }
    }
}

TEST_F(BidPattern, EachGroupPrintsUnderItsReferenceLines)
{
    store(0, 0, 0);
    ASSERT_TRUE(Bid.PrintBidPattern(false));
    const auto blocks = query().rasterBlocks();
    ASSERT_THAT(blocks, SizeIs(3 * 33));
    for (size_t i = 0; i < blocks.size(); ++i) {
        ASSERT_TRUE(blocks[i].complete) << i;
        ASSERT_FALSE(blocks[i].runAcrossRows) << i;
    }
    expectShotPage(blocks, 0, MultiShot1);
    expectShotPage(blocks, 33, Narrow);
    expectShotPage(blocks, 66, Narrow);

    const auto data = query().dataHex();
    const auto count
            = [&data](const std::string &hex) { return std::count(data.begin(), data.end(), hex); };
    // Dot sizes 18, 19 and 16, each for 6 raster starts of 3 repeats.
    EXPECT_EQ(count("1B 28 65 02 00 00 12"), 18);
    EXPECT_EQ(count("1B 28 65 02 00 00 13"), 18);
    EXPECT_EQ(count("1B 28 65 02 00 00 10"), 18);
    EXPECT_EQ(count(MultiShot1.resolution), 33);
    EXPECT_EQ(count(Narrow.resolution), 66);
}

TEST_F(BidPattern, OnePrintIsAboutFortyNineThousandPackets)
{
    store(3, uint8_t(-2), 1);
    ASSERT_TRUE(Bid.PrintBidPattern(false));
    EXPECT_EQ(int(query().data().size()), packets::BidPattern);
    std::cout << "[ figures  ] one Bi-D print: " << query().data().size() << " data packets, "
              << query().all().size() << " packets in all\n";
}

// ---- stops ----

TEST_F(BidPattern, APrinterInErrorGetsTwoInitialisesAndNothingElse)
{
    store(3, 4, 5);
    printer.state().errorChar = '4';
    EXPECT_FALSE(Bid.PrintBidPattern(false));
    EXPECT_THAT(query().dataHex(), ElementsAre("1B 40", "1B 40"));
    EXPECT_EQ(query().statusRequests(), 1);
}

TEST_F(BidPattern, AnErrorBeforeAPageLeavesItsValueUntouched)
{
    store(3, 4, 5);
    errorFromStatusRequest(3); // the readiness check of the second page
    EXPECT_FALSE(Bid.PrintBidPattern(false));
    EXPECT_THAT(query().factoryCalls(0x41), ElementsAre(FactoryCall{ 0x41, { 51 } }));
    const auto bids = query().factoryCalls(0x00);
    ASSERT_THAT(bids, SizeIs(16));
    EXPECT_EQ(bids.back().name(), "Bid(2, 3)") << "the first page restored its value";
    EXPECT_EQ(titles().back(), withNul("Multi shot 2"));
    EXPECT_EQ(printer.eeprom()[51], 3);
    EXPECT_EQ(printer.eeprom()[52], 4);
}

TEST_F(BidPattern, AnUnreadableStoredValueChangesNothingAndEndsThePrint)
{
    store(3, 4, 5);
    const vprinter::EepromImage before = printer.eeprom();
    malformedReadOf(51);
    EXPECT_FALSE(Bid.PrintBidPattern(false));
    EXPECT_THAT(query().factoryCalls(0x00), IsEmpty());
    EXPECT_THAT(query().factoryCalls(0x41), ElementsAre(FactoryCall{ 0x41, { 51 } }));
    EXPECT_THAT(valueRows(), IsEmpty()) << "nothing printed after the read";
    EXPECT_EQ(printer.eeprom(), before);
    EXPECT_THAT(platform.dialogs.texts(), ElementsAre("error"));
}

// ---- single values ----

TEST_F(BidPattern, ReadsEachKindFromItsCellOverTheControlChannel)
{
    store(uint8_t(-56), 56, 0x80);
    EXPECT_STREQ(Bid.ReadBidValueText(2), "-56");
    EXPECT_STREQ(Bid.ReadBidValueText(1), "56");
    EXPECT_STREQ(Bid.ReadBidValueText(3), "-128");
    printer.eeprom()[51] = 0x7F;
    EXPECT_STREQ(Bid.ReadBidValueText(2), "127");
    EXPECT_THAT(query().eepromReads(), ElementsAre(51, 52, 53, 51));
    EXPECT_THAT(query().data(), IsEmpty());
}

TEST_F(BidPattern, WritesOnlyWholeNumbersFromMinusToPlusFiftySix)
{
    EXPECT_TRUE(Bid.WriteBidValue(2, "56"));
    EXPECT_TRUE(Bid.WriteBidValue(1, "-56"));
    EXPECT_TRUE(Bid.WriteBidValue(3, "007"));
    EXPECT_TRUE(Bid.WriteBidValue(3, "-0"));
    for (const char *refused :
         { "57", "-57", "200", "70", "abc", "", "-", "5x", " 5", "1.5", "99999999999" })
        EXPECT_FALSE(Bid.WriteBidValue(2, refused)) << '"' << refused << '"';
    EXPECT_THAT(query().factoryNames(),
                ElementsAre("Bid(2, 56)", "Bid(1, -56)", "Bid(3, 7)", "Bid(3, 0)"));
    EXPECT_EQ(printer.eeprom()[51], 56);
    EXPECT_EQ(printer.eeprom()[52], uint8_t(-56));
}

} // namespace
