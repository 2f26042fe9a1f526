// The virtual printer carrying out the factory commands: round trips that change exactly the
// cells they should, cleaning and ink charge, the maintenance request, carriage moves, the
// remote-mode sequence, invalid frames and the decoded packet record.
#include "CommandFixture.h"

#include "commands/Dazedarovovuri.h"
#include "commands/Dizizeded.h"
#include "commands/EepromMap.h"
#include "commands/Zadivavoza.h"
#include "commands/Zedivozi.h"
#include "link/Roro4dodu.h"
#include "vprinter/FactoryCommands.h"
#include "vprinter/ServicedPrinter.h"

#include <gmock/gmock.h>

#include <map>
#include <string>

using namespace testsupport;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

class VirtualFactory : public CommandFixture
{
protected:
    VirtualFactory()
    {
        printer.eeprom() = vprinter::servicedEeprom();
        before = printer.eeprom();
    }

    // The cells that differ from the image at the start, with their new values.
    std::map<int, int> changed()
    {
        std::map<int, int> cells;
        for (size_t a = 0; a < before.size(); ++a)
            if (printer.eeprom()[a] != before[a])
                cells[int(a)] = printer.eeprom()[a];
        return cells;
    }

    uint16_t counter() { return vprinter::protectionCounter(printer.eeprom()); }

    vprinter::EepromImage before;
};

TEST_F(VirtualFactory, HeadIdChangesItsFiveCellsOnly)
{
    ASSERT_EQ(HeadID.WriteHeadId("X4Y53S"), 0);
    EXPECT_EQ(changed(),
              (std::map<int, int>{ { 63, 24 }, { 64, 30 }, { 65, 23 }, { 66, 28 }, { 70, 4 } }));
    EXPECT_STREQ(HeadID.ReadHeadId(), "X4Y53S");
}

TEST_F(VirtualFactory, UsbIdChangesItsEighteenCellsOnly)
{
    platform.clock.local = { 2009, 12, 31, 9, 59, 59 };
    ASSERT_TRUE(UsbID.WriteUsbId("B22222222Z", 0));
    std::map<int, int> expected;
    const std::string id = "B22222222ZACV9TT30";
    for (size_t i = 0; i < id.size(); ++i)
        if (uint8_t(id[i]) != before[77 + i])
            expected[int(77 + i)] = uint8_t(id[i]);
    EXPECT_EQ(changed(), expected);
    EXPECT_EQ(expected.size(), 17u); // all but the stamp's last "0", which it shares
    std::string text;
    ASSERT_TRUE(UsbID.ReadUsbId(text));
    EXPECT_EQ(text, id);
}

TEST_F(VirtualFactory, ServicedUsbIdReadsBack)
{
    std::string text;
    ASSERT_TRUE(UsbID.ReadUsbId(text));
    EXPECT_EQ(text, "K7A0031942435EHC20");
}

TEST_F(VirtualFactory, BidKindsGoToTheirCells)
{
    Factory.FactorySetBid(BidKindMultiShot1, -7);
    EXPECT_EQ(changed(), (std::map<int, int>{ { eeprom::BidMultiShot1, 0xF9 } }));
    Factory.FactorySetBid(BidKindMultiShot2, 56);
    Factory.FactorySetBid(BidKindVariableShot, -56);
    EXPECT_EQ(changed(), (std::map<int, int>{ { 51, 0xF9 }, { 52, 56 }, { 53, 0xC8 } }));
    // Both routes read the same value back.
    EXPECT_EQ(int8_t(Factory.FactoryReadEeprom(eeprom::BidMultiShot1)), -7);
    EXPECT_EQ(int8_t(D4Link.ReadEepromByte(eeprom::BidVariableShot)), -56);
}

TEST_F(VirtualFactory, CounterResetChangesTheTwoCounterCellsOnly)
{
    Maintenance.ResetProtectionCounter(1);
    EXPECT_EQ(changed(), (std::map<int, int>{ { 10, 0x0B }, { 11, 0x7C } }));
    Maintenance.ResetProtectionCounter(2);
    EXPECT_EQ(changed(), (std::map<int, int>{ { 10, 0 }, { 11, 0 } }));
}

TEST_F(VirtualFactory, TopMarginWriteOnTheDataChannel)
{
    Factory.FactoryWriteEeprom(eeprom::TopMargin, uint8_t(int8_t(-10)));
    Factory.FactoryCommand50();
    EXPECT_EQ(changed(), (std::map<int, int>{ { 46, 0xF6 } }));
    EXPECT_EQ(int8_t(D4Link.ReadEepromByte(eeprom::TopMargin)), -10);
}

TEST_F(VirtualFactory, HeadCleaningRunsThenTheCounterHasRisen)
{
    const uint16_t start = counter();
    ASSERT_TRUE(Maintenance.WaitUntilReady());
    Factory.FactoryCleaning(CleaningHead);
    const int64_t started = platform.clock.nowMs;
    D4Link.GetPrinterStatus();
    EXPECT_EQ(PrinterStatus, psCleaning);
    EXPECT_TRUE(Maintenance.WaitUntilReady());
    EXPECT_GE(platform.clock.nowMs - started, vprinter::FactoryCommands::HeadCleaningMs);
    EXPECT_EQ(counter(), start + vprinter::FactoryCommands::HeadCleaningCount);
    for (const auto &[address, value] : changed())
        EXPECT_TRUE(address == eeprom::CounterHigh || address == eeprom::CounterLow) << address;
}

TEST_F(VirtualFactory, InkChargeTakesLongerAndCountsMore)
{
    const uint16_t start = counter();
    Factory.FactoryCleaning(CleaningInitialInkCharge);
    platform.clock.sleep(uint32_t(vprinter::FactoryCommands::HeadCleaningMs));
    D4Link.GetPrinterStatus();
    EXPECT_EQ(PrinterStatus, psCleaning);
    EXPECT_TRUE(Maintenance.WaitUntilReady());
    EXPECT_EQ(counter(), start + vprinter::FactoryCommands::InkChargeCount);
}

TEST_F(VirtualFactory, MaintenanceRequestFromTheCounterUntilItIsReset)
{
    printer.eeprom()[eeprom::CounterHigh] = 0x20;
    printer.eeprom()[eeprom::CounterLow] = 0x9D; // 8349
    D4Link.GetPrinterStatus();
    EXPECT_EQ(PrinterStatus, psReady);

    Factory.FactoryCleaning(CleaningHead); // takes it past 8350
    EXPECT_FALSE(Maintenance.WaitUntilReady());
    EXPECT_EQ(ErrorStatus, esMaintenance);

    // A printer asking for maintenance runs no further sequence.
    const uint16_t full = counter();
    Factory.FactoryCleaning(CleaningHead);
    EXPECT_EQ(counter(), full);

    D4Link.ResetPrinter(); // a restart does not empty the pad
    platform.clock.sleep(10000);
    D4Link.GetPrinterStatus();
    EXPECT_EQ(ErrorStatus, esMaintenance);

    Maintenance.ResetProtectionCounter(0);
    EXPECT_TRUE(Maintenance.WaitUntilReady());
    EXPECT_EQ(ErrorStatus, esNone);
    EXPECT_STREQ(Maintenance.ReadProtectionCounter(), "2940");
}

TEST_F(VirtualFactory, CarriageMovesKeepThePrinterBusyBriefly)
{
    Factory.FactoryCommandC5(2, 0, 77, 0);
    D4Link.GetPrinterStatus();
    EXPECT_EQ(PrinterStatus, psBusy);
    EXPECT_TRUE(Maintenance.WaitUntilReady());
    EXPECT_EQ(std::count(platform.clock.sleeps.begin(), platform.clock.sleeps.end(), 2000u), 1);
    for (const auto &move :
         { +[] { Factory.FactoryCommandC4(5, 0, 2, 0); },
           +[] { Factory.FactoryCommandC9(0, 0, 184, 11); }, +[] { Factory.FactoryCommandCA(5); },
           +[] { Factory.FactoryCommand81(); } }) {
        move();
        D4Link.GetPrinterStatus();
        EXPECT_EQ(PrinterStatus, psBusy);
        EXPECT_TRUE(Maintenance.WaitUntilReady());
    }
    EXPECT_TRUE(changed().empty());
}

TEST_F(VirtualFactory, InvalidFramesAreRecordedAndIgnored)
{
    const std::vector<std::vector<uint8_t>> bad = {
        { 0x1B, 0x7C, 0x00, 0x07, 0x00, 0x07, 0x05, 0x42, 0xBD, 0x20, 0x2E, 0x01 }, // triple
        { 0x1B, 0x7C, 0x00, 0x08, 0x00, 0x07, 0x05, 0x42, 0xBD, 0x21, 0x2E, 0x01 }, // count
        { 0x1B, 0x7C, 0x00, 0x06, 0x00, 0x07, 0x05, 0x42, 0xBD, 0x21, 0x2E }, // too few
        { 0x1B, 0x7C, 0x00, 0x07, 0x00, 0x07, 0x04, 0x42, 0xBD, 0x21, 0x2E, 0x01 }, // 07 04
        { 0x1B, 0x7C, 0x00, 0x05, 0x00, 0x07, 0x05, 0x43, 0xBC, 0xA1 }, // unknown code
        { 0x1B, 0x7C, 0x00, 0x06, 0x00, 0x07, 0x05, 0x84, 0x7B, 0x42, 0x02 }, // mode 2
        { 0x1B, 0x7C, 0x00, 0x09, 0x00, 0x07, 0x05, 0x00, 0xFF, 0x00, 0x04, 0x01, 0x01, 0x00 },
        { 0x1B, 0x7C, 0x00 },
    };
    for (const auto &frame : bad)
        D4Link.SendCommandData(frame.data(), frame.size());
    EXPECT_EQ(printer.factory().invalidFrames(), int(bad.size()));
    EXPECT_TRUE(changed().empty());
    D4Link.GetPrinterStatus();
    EXPECT_EQ(PrinterStatus, psReady);
    EXPECT_THAT(received().front(), HasSubstr("invalid factory frame: 1B 7C 00 07 00 07 05 42"));
}

TEST_F(VirtualFactory, RemoteModeSequenceIsRecorded)
{
    D4Link.SendCommandData(RemoteModeEnter, sizeof RemoteModeEnter);
    EXPECT_TRUE(printer.factory().inRemoteMode());
    D4Link.SendCommandData(RemoteModeSN, sizeof RemoteModeSN);
    D4Link.SendCommandData(RemoteModeExit, sizeof RemoteModeExit);
    EXPECT_FALSE(printer.factory().inRemoteMode());
    EXPECT_EQ(printer.factory().remoteSessions(), 1);
    std::vector<std::string> lines;
    for (const auto &r : printer.factory().records())
        lines.push_back(r.text);
    EXPECT_THAT(lines,
                ElementsAre("remote mode: enter \"REMOTE1\"", "remote command \"SN\" 00 00 03",
                            "remote mode: leave"));
    EXPECT_TRUE(changed().empty());
}

TEST_F(VirtualFactory, PacketRecordNamesFactoryCommands)
{
    Factory.FactorySetBid(2, -1);
    Factory.FactoryWriteEeprom(46, 0xF6);
    Factory.FactoryReadEeprom(77);
    Factory.FactoryCleaning(1);
    Factory.FactoryCommandC4(5, 0, 2, 0);
    Factory.FactoryCommand81();
    const uint8_t raster[] = { 0x1B, 0x2E, 0x01, 0x05, 0x05 };
    D4Link.SendPrintData(raster, sizeof raster);

    std::vector<std::string> data;
    for (const std::string &line : received())
        if (line.rfind("data on 64: ", 0) == 0)
            data.push_back(line.substr(12));
    EXPECT_THAT(data,
                ElementsAre("FactorySetBid(2, -1)", "FactoryWriteEeprom(46, 246)",
                            "FactoryReadEeprom(77)", "FactoryCleaning(1: head cleaning)",
                            "FactoryCommandC4(5, 0, 2, 0)", "FactoryCommand81()",
                            "1B 2E 01 05 05"));
}

} // namespace
