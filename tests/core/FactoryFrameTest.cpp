// Factory command frames byte for byte, and the data-channel EEPROM read with the replies a
// printer may give.
#include "CommandFixture.h"
#include "support/PacketQuery.h"

#include "commands/Zadivavoza.h"
#include "link/Roro4dodu.h"

#include <gmock/gmock.h>

using namespace testsupport;
using ::testing::ElementsAre;

namespace {

class FactoryFrame : public CommandFixture
{ };

TEST(FactoryCodeTriple, ComputedTriplesAreTheOnesInUse)
{
    const std::vector<std::array<uint8_t, 3>> inUse = {
        { 0x41, 0xBE, 0xA0 }, { 0x42, 0xBD, 0x21 }, { 0x00, 0xFF, 0x00 }, { 0x84, 0x7B, 0x42 },
        { 0xC4, 0x3B, 0x62 }, { 0xC5, 0x3A, 0xE2 }, { 0xC9, 0x36, 0xE4 }, { 0xCA, 0x35, 0x65 },
        { 0x81, 0x7E, 0xC0 }, { 0x50, 0xAF, 0x28 },
    };
    for (const auto &triple : inUse)
        EXPECT_EQ(TPFactory::CodeTriple(triple[0]), triple) << int(triple[0]);
}

TEST_F(FactoryFrame, EveryOperationSendsItsOwnLength)
{
    Factory.FactoryWriteEeprom(46, 0xF6);
    Factory.FactorySetBid(2, -1);
    Factory.FactorySetBid(3, 56);
    Factory.FactorySetBid(1, -56);
    Factory.FactoryCleaning(10);
    Factory.FactoryCleaning(1);
    Factory.FactoryCommandC4(5, 0, 2, 0);
    Factory.FactoryCommandC5(2, 1, 244, 1);
    Factory.FactoryCommandC9(0, 0, 184, 11);
    Factory.FactoryCommandCA(150);
    Factory.FactoryCommand81();
    Factory.FactoryCommand50();

    EXPECT_THAT(dataSent(),
                ElementsAre("1B 7C 00 07 00 07 05 42 BD 21 2E F6",
                            "1B 7C 00 09 00 07 05 00 FF 00 02 01 FF FF",
                            "1B 7C 00 09 00 07 05 00 FF 00 03 01 38 00",
                            "1B 7C 00 09 00 07 05 00 FF 00 01 01 C8 FF",
                            "1B 7C 00 06 00 07 05 84 7B 42 0A", "1B 7C 00 06 00 07 05 84 7B 42 01",
                            "1B 7C 00 09 00 07 05 C4 3B 62 05 00 02 00",
                            "1B 7C 00 09 00 07 05 C5 3A E2 02 01 F4 01",
                            "1B 7C 00 09 00 07 05 C9 36 E4 00 00 B8 0B",
                            "1B 7C 00 06 00 07 05 CA 35 65 96", "1B 7C 00 05 00 07 05 81 7E C0",
                            "1B 7C 00 05 00 07 05 50 AF 28"));
    EXPECT_EQ(printer.factory().invalidFrames(), 0);
    // The tests' own reading of the frames names the same twelve commands.
    EXPECT_THAT(PacketQuery(printer).factoryNames(),
                ElementsAre("W(46, 246)", "Bid(2, -1)", "Bid(3, 56)", "Bid(1, -56)", "Cleaning(10)",
                            "Cleaning(1)", "C4(5, 0, 2, 0)", "C5(2, 1, 244, 1)",
                            "C9(0, 0, 184, 11)", "CA(150)", "81()", "50()"));
}

TEST_F(FactoryFrame, OnlyC9PausesAfterwards)
{
    Factory.FactoryCommandC4(1, 2, 3, 4);
    Factory.FactoryCommandC5(1, 2, 3, 4);
    Factory.FactoryCommandCA(1);
    Factory.FactoryCommand81();
    EXPECT_TRUE(platform.clock.sleeps.empty());
    Factory.FactoryCommandC9(1, 2, 3, 4);
    EXPECT_THAT(platform.clock.sleeps, ElementsAre(100));
}

TEST_F(FactoryFrame, RemoteModeSequenceBytes)
{
    D4Link.SendCommandData(RemoteModeEnter, sizeof RemoteModeEnter);
    D4Link.SendCommandData(RemoteModeSN, sizeof RemoteModeSN);
    D4Link.SendCommandData(RemoteModeExit, sizeof RemoteModeExit);
    EXPECT_THAT(dataSent(),
                ElementsAre("1B 28 52 08 00 00 52 45 4D 4F 54 45 31", "53 4E 03 00 00 00 03",
                            "1B 00 00 00"));
    EXPECT_EQ(printer.factory().remoteSessions(), 1);
    EXPECT_FALSE(printer.factory().inRemoteMode());
}

TEST_F(FactoryFrame, ReadTakesTheValueAndSpendsOneCredit)
{
    printer.eeprom()[0x57] = 0x3F;
    const uint16_t before = D4Link.PrinterCredit;
    EXPECT_EQ(Factory.FactoryReadEeprom(0x57), 0x3F);
    EXPECT_EQ(D4Link.PrinterCredit, before - 1);
    EXPECT_EQ(D4Link.PrinterCredit, printer.printerCredit(DataSocket));
    EXPECT_EQ(dataSent().back(), "1B 7C 00 06 00 07 05 41 BE A0 57");
    EXPECT_TRUE(platform.dialogs.shown.empty());
}

TEST_F(FactoryFrame, ReplyDigitsOutsideZeroToNineAreCodeLess37)
{
    printer.factory().readReplyText = "@BDC PS\r\nEE:573F;\n";
    EXPECT_EQ(Factory.FactoryReadEeprom(0x57), 0x3F);
    printer.factory().readReplyText = "@BDC PS\r\nEE:573f;\n";
    EXPECT_EQ(Factory.FactoryReadEeprom(0x57), 95);
    EXPECT_TRUE(platform.dialogs.shown.empty());
}

// A proper reply is 24 bytes with the value's digits at bytes 20 and 21. Any other length
// shows "error"; the value is taken as it stands while both digits came, 0 once they did not,
// and a reply beyond the buffer is read out so that the next read still works.
TEST_F(FactoryFrame, ReplyLengthsAroundTheProperOneAndTheDigits)
{
    printer.eeprom()[0x30] = 0xA5;
    printer.eeprom()[0x31] = 0x5A;
    const struct
    {
        int length;
        uint8_t value;
        bool error;
    } replies[] = { { 21, 0, true },     { 22, 0xA5, true }, { 23, 0xA5, true },
                    { 24, 0xA5, false }, { 25, 0xA5, true }, { 200, 0, true } };
    for (const auto &r : replies) {
        SCOPED_TRACE(r.length);
        platform.dialogs.shown.clear();
        const uint16_t before = D4Link.PrinterCredit;
        printer.faults().replyLengthField = r.length;
        EXPECT_EQ(Factory.FactoryReadEeprom(0x30), r.value);
        EXPECT_EQ(Factory.LastReadFailed(), r.error);
        EXPECT_EQ(D4Link.PrinterCredit, before - 1) << "it came, so it used its credit";
        if (r.error) {
            ASSERT_EQ(platform.dialogs.shown.size(), 1u);
            EXPECT_EQ(platform.dialogs.shown[0].text, "error");
            EXPECT_EQ(platform.dialogs.shown[0].title, "error");
            EXPECT_EQ(platform.dialogs.shown[0].kind, platform::MessageKind::Plain);
        } else {
            EXPECT_TRUE(platform.dialogs.shown.empty());
        }
        EXPECT_EQ(Factory.FactoryReadEeprom(0x31), 0x5A) << "the next read";
    }
}

TEST_F(FactoryFrame, NoReplyGivesZeroSaysSoAndStillCountsTheCredit)
{
    // A stale reply in the transport's buffer must not stand in for the missing one.
    printer.eeprom()[0x30] = 0xA5;
    EXPECT_EQ(Factory.FactoryReadEeprom(0x30), 0xA5);
    EXPECT_FALSE(Factory.LastReadFailed());
    const uint16_t before = D4Link.PrinterCredit;
    printer.faults().silent = true;
    EXPECT_EQ(Factory.FactoryReadEeprom(0x30), 0);
    EXPECT_TRUE(Factory.LastReadFailed());
    EXPECT_EQ(D4Link.PrinterCredit, before - 1);
    EXPECT_EQ(platform.dialogs.texts(), std::vector<std::string>{ "error" });
}

// A reply the printer sent but the host did not get whole has still spent one of the
// printer's credits. Counting every read down keeps the host from standing above the
// printer, which would hold its replies back once it ran out: the 300 reads that follow,
// across the next grant, all come back right.
TEST_F(FactoryFrame, CutOrMissingReplyThenThreeHundredReadsAllCorrect)
{
    for (size_t a = 0; a < 256; ++a)
        printer.eeprom()[a] = uint8_t(a * 7 + 3);
    const struct
    {
        const char *fault;
        int vprinter::Faults::*count;
    } cases[] = {
        { "cut", &vprinter::Faults::cutDataReplies },
        { "missing", &vprinter::Faults::lostDataReplies },
    };
    for (const auto &c : cases) {
        platform.dialogs.shown.clear();
        printer.faults().*c.count = 1;
        EXPECT_EQ(Factory.FactoryReadEeprom(0x10), 0) << c.fault;
        EXPECT_TRUE(Factory.LastReadFailed()) << c.fault;
        int wrong = 0;
        for (int i = 0; i < 300; ++i) {
            const uint8_t address = uint8_t(i * 37 + 11);
            wrong += Factory.FactoryReadEeprom(address) != uint8_t(address * 7 + 3)
                    || Factory.LastReadFailed();
        }
        EXPECT_EQ(wrong, 0) << c.fault;
        EXPECT_EQ(platform.dialogs.texts(), std::vector<std::string>{ "error" }) << c.fault;
        EXPECT_EQ(D4Link.PrinterCredit, printer.printerCredit(DataSocket)) << c.fault;
    }
}

// A reply that comes after its read has given up waits on the line; the next read drops it
// before asking, so it is never taken for the next cell's value.
TEST_F(FactoryFrame, LateReplyIsNotTakenForTheNextRead)
{
    printer.eeprom()[0x10] = 0x11;
    printer.eeprom()[0x20] = 0x22;
    printer.eeprom()[0x30] = 0x33;
    printer.faults().lateDataReplies = 1;
    printer.faults().lateByMs = 500;
    EXPECT_EQ(Factory.FactoryReadEeprom(0x10), 0);
    EXPECT_TRUE(Factory.LastReadFailed());
    platform.clock.sleep(1000); // the technician reads the memo; the reply comes meanwhile
    EXPECT_EQ(Factory.FactoryReadEeprom(0x20), 0x22);
    EXPECT_EQ(Factory.FactoryReadEeprom(0x30), 0x33);
    EXPECT_FALSE(Factory.LastReadFailed());
    EXPECT_EQ(D4Link.PrinterCredit, printer.printerCredit(DataSocket));
}

} // namespace
