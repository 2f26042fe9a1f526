// Head voltage ID: alphabet, every check in its order, the cells written and read back.
#include "CommandFixture.h"

#include "commands/Dizizeded.h"
#include "commands/EepromMap.h"
#include "vprinter/ServicedPrinter.h"

#include <gmock/gmock.h>

#include <cstring>
#include <string>

using namespace testsupport;
using ::testing::ElementsAre;
using ::testing::Pair;

namespace {

TEST(HeadIdAlphabet, EncodeAndDecodeAreInverse)
{
    const std::string alphabet = "ABCDEFGHJKLMNOPQRSTUVWXYZ123456789%*+-$:";
    for (int value = 1; value <= 40; ++value) {
        EXPECT_EQ(TPHeadID::EncodeIdChar(uint8_t(value)), alphabet[value - 1]) << value;
        EXPECT_EQ(TPHeadID::DecodeIdChar(alphabet[value - 1]), value) << value;
    }
    EXPECT_EQ(TPHeadID::EncodeIdChar(0), '\0');
    EXPECT_EQ(TPHeadID::EncodeIdChar(41), char(41));
    EXPECT_EQ(TPHeadID::EncodeIdChar(255), char(255));
    for (const char c : { 'a', 'z', 'I', '0', ' ', '\0', '#', char(0xC1) })
        EXPECT_EQ(TPHeadID::DecodeIdChar(c), 0) << int(c);
}

class HeadId : public CommandFixture
{ };

TEST_F(HeadId, ValidIdsWriteFiveCellsInOrder)
{
    EXPECT_EQ(HeadID.WriteHeadId("AZAAAE"), 0);
    EXPECT_THAT(controlWrites(),
                ElementsAre(Pair(65, 1), Pair(70, 0), Pair(63, 1), Pair(64, 1), Pair(66, 1)));

    struct Case
    {
        const char *id;
        int d1, d2, d3, d4, d5;
    };
    for (const Case c : { Case{ "A1AAAA", 1, 1, 1, 1, 1 }, Case{ "AZGAA6", 1, 0, 7, 1, 1 },
                          Case{ "X4Y53S", 23, 4, 24, 30, 28 } }) {
        printer.clearReceived();
        EXPECT_EQ(HeadID.WriteHeadId(c.id), 0) << c.id;
        EXPECT_THAT(controlWrites(),
                    ElementsAre(Pair(65, c.d1), Pair(70, c.d2), Pair(63, c.d3), Pair(64, c.d4),
                                Pair(66, c.d5)))
                << c.id;
    }
}

TEST_F(HeadId, InvalidIdsWriteNothingAndNameTheFirstBadPosition)
{
    const std::pair<const char *, int> cases[] = {
        { "AZAAA", 0x1001 },  { "AZAAAEE", 0x1001 }, { "", 0x1001 },
        { "Y1AAAA", 0x1002 }, { "IZAAAA", 0x1002 },  { "aZAAAE", 0x1002 },
        { "AIAAAA", 0x1003 }, { "A0AAAA", 0x1003 },  { "A5AAAA", 0x1003 },
        { "AZZAAA", 0x1004 }, { "AZA6AA", 0x1005 },  { "AZAA4A", 0x1006 },
        { "AZAAAF", 0x1007 }, { "AZAAA0", 0x1007 },  { "AZAAA7", 0x1007 },
        { "Y0ZZZZ", 0x1002 }, // the first failure wins
    };
    for (const auto &[id, code] : cases)
        EXPECT_EQ(HeadID.WriteHeadId(id), code) << '"' << id << '"';
    EXPECT_TRUE(controlWrites().empty());
}

TEST_F(HeadId, ReadBackAfterWriteInItsReadOrder)
{
    for (const char *id : { "AZAAAE", "X4Y53S", "AZGAA6", "H3PR2C" }) {
        ASSERT_EQ(HeadID.WriteHeadId(id), 0) << id;
        printer.clearReceived();
        EXPECT_STREQ(HeadID.ReadHeadId(), id);
        EXPECT_THAT(controlReads(), ElementsAre(65, 63, 64, 66, 70));
    }
}

TEST_F(HeadId, BlankCellsGiveAnEmptyText)
{
    for (const uint8_t cell : { eeprom::HeadIdFirst, eeprom::HeadIdSecond, eeprom::HeadIdThird,
                                eeprom::HeadIdFourth, eeprom::HeadIdFifth })
        printer.eeprom()[cell] = 0;
    const char *text = HeadID.ReadHeadId();
    EXPECT_EQ(std::strlen(text), 0u);
    EXPECT_EQ(text[1], 'Z');
    EXPECT_EQ(text[5], '6') << "check value 31, the 31st character";
}

// Cells holding the codes of alphabet characters instead of their values must not read as a
// valid ID: 65, 0, 65, 65, 74 would read "AZAAJS", whose check character even holds.
TEST_F(HeadId, CellsHoldingCharacterCodesDoNotReadAsAValidId)
{
    printer.eeprom()[65] = 'A';
    printer.eeprom()[70] = 0;
    printer.eeprom()[63] = 'A';
    printer.eeprom()[64] = 'A';
    printer.eeprom()[66] = 'J';
    EXPECT_STREQ(HeadID.ReadHeadId(), "?Z???S");
    EXPECT_EQ(HeadID.WriteHeadId(HeadID.ReadHeadId()), HeadIdWrongFirst);
    // 42 in the second cell would read as the "Z" of 0.
    printer.eeprom() = vprinter::servicedEeprom();
    printer.eeprom()[70] = 42;
    EXPECT_STREQ(HeadID.ReadHeadId(), "H?PR2B");
    // Cells outside the alphabet whose bytes are no characters of it still read as their bytes.
    printer.eeprom()[70] = 0;
    printer.eeprom()[65] = 0xFF;
    EXPECT_EQ(std::string(HeadID.ReadHeadId()).front(), char(0xFF));
}

TEST_F(HeadId, AReadWithoutReplyStopsTheReadsAndGivesNoId)
{
    printer.eeprom() = vprinter::servicedEeprom();
    faultAtPacket(ControlEepromRead, 3, [](vprinter::Faults &f) { f.silent = true; });
    EXPECT_STREQ(HeadID.ReadHeadId(), "");
    EXPECT_TRUE(HeadID.LastReadFailed());
    EXPECT_THAT(controlReads(), ElementsAre(65, 63, 64));

    printer.faults().silent = false;
    printer.onTrace = nullptr;
    EXPECT_STREQ(HeadID.ReadHeadId(), "H3PR2C");
    EXPECT_FALSE(HeadID.LastReadFailed());
}

TEST_F(HeadId, AWriteWithoutReplyStopsTheWritesAndIsReported)
{
    faultAtPacket(ControlEepromWrite, 2, [](vprinter::Faults &f) { f.silent = true; });
    EXPECT_EQ(HeadID.WriteHeadId("AZAAAE"), HeadIdNoAnswer);
    EXPECT_THAT(controlWrites(), ElementsAre(Pair(65, 1), Pair(70, 0)));
}

TEST_F(HeadId, ServicedPrinterCarriesAValidId)
{
    printer.eeprom() = vprinter::servicedEeprom();
    const std::string id = HeadID.ReadHeadId();
    EXPECT_EQ(id, "H3PR2C");
    EXPECT_EQ(HeadID.WriteHeadId(id), 0); // its check character holds
}

} // namespace
