// The virtual printer carrying out the factory commands, as far as the program's tests rely on
// it: writes that change exactly the cells they should, cleaning and ink charge with their
// times and counts, the maintenance request, carriage moves, invalid frames and the names its
// trace gives the commands.
#include "CommandFixture.h"

#include "commands/Dazedarovovuri.h"
#include "commands/Dizizeded.h"
#include "commands/EepromMap.h"
#include "commands/Zadivavoza.h"
#include "commands/Zedivozi.h"
#include "link/Roro4dodu.h"
#include "vprinter/ServicedPrinter.h"

#include <gmock/gmock.h>

#include <functional>
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
    int counter() { return printer.eeprom()[10] * 256 + printer.eeprom()[11]; }

    vprinter::EepromImage before;
};

TEST_F(VirtualFactory, EachWriteChangesItsOwnCellsOnly)
{
    const struct
    {
        const char *what;
        std::function<void()> write;
        std::map<int, int> cells;
    } writes[] = {
        { "head ID",
          [] { HeadID.WriteHeadId("X4Y53S"); },
          { { 63, 24 }, { 64, 30 }, { 65, 23 }, { 66, 28 }, { 70, 4 } } },
        { "Bi-D", [] { Factory.FactorySetBid(BidKindMultiShot1, -7); }, { { 51, 0xF9 } } },
        { "Bi-D", [] { Factory.FactorySetBid(BidKindVariableShot, -56); }, { { 53, 0xC8 } } },
        { "counter",
          [] { Maintenance.ResetProtectionCounter(1); },
          { { 10, 0x0B }, { 11, 0x7C } } },
        { "counter", [] { Maintenance.ResetProtectionCounter(2); }, { { 10, 0 }, { 11, 0 } } },
        { "top margin", [] { Factory.FactoryWriteEeprom(46, 0xF6); }, { { 46, 0xF6 } } },
        { "USB ID",
          [] { UsbID.WriteUsbId("B22222222Z", 0); },
          // "B22222222Z" and the stamp "ACV9TT30"; the stamp's last "0" is there already.
          { { 77, 'B' },
            { 78, '2' },
            { 79, '2' },
            { 80, '2' },
            { 81, '2' },
            { 82, '2' },
            { 83, '2' },
            { 84, '2' },
            { 85, '2' },
            { 86, 'Z' },
            { 87, 'A' },
            { 88, 'C' },
            { 89, 'V' },
            { 90, '9' },
            { 91, 'T' },
            { 92, 'T' },
            { 93, '3' } } },
    };
    platform.clock.local = { 2009, 12, 31, 9, 59, 59 };
    for (const auto &w : writes) {
        SCOPED_TRACE(w.what);
        printer.eeprom() = before;
        w.write();
        EXPECT_EQ(changed(), w.cells);
    }
}

TEST_F(VirtualFactory, CleaningAndInkChargeTakeTheirTimeAndAddToTheCounter)
{
    const struct
    {
        uint8_t mode;
        int64_t ms;
        std::map<int, int> counter; // 3412 before
    } runs[] = { { CleaningHead, 8000, { { 11, 0xEA } } }, // 3562
                 { CleaningInitialInkCharge, 20000, { { 10, 0x0F }, { 11, 0xAC } } } }; // 4012
    for (const auto &run : runs) {
        SCOPED_TRACE(int(run.mode));
        printer.eeprom() = before;
        Factory.FactoryCleaning(run.mode);
        platform.clock.sleep(uint32_t(run.ms - 100));
        D4Link.GetPrinterStatus();
        EXPECT_EQ(PrinterStatus, psCleaning);
        platform.clock.sleep(100);
        D4Link.GetPrinterStatus();
        EXPECT_EQ(PrinterStatus, psReady);
        EXPECT_EQ(changed(), run.counter);
    }
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
    Factory.FactoryCleaning(CleaningHead);
    EXPECT_EQ(counter(), 8349 + 150);

    D4Link.ResetPrinter(); // a restart does not empty the pad
    platform.clock.sleep(10000);
    D4Link.GetPrinterStatus();
    EXPECT_EQ(ErrorStatus, esMaintenance);

    Maintenance.ResetProtectionCounter(0);
    EXPECT_TRUE(Maintenance.WaitUntilReady());
    EXPECT_EQ(ErrorStatus, esNone);
}

TEST_F(VirtualFactory, CarriageMovesKeepThePrinterBusyBriefly)
{
    for (const auto &move :
         { +[] { Factory.FactoryCommandC5(2, 0, 77, 0); },
           +[] { Factory.FactoryCommandC4(5, 0, 2, 0); },
           +[] { Factory.FactoryCommandC9(0, 0, 184, 11); }, +[] { Factory.FactoryCommandCA(5); },
           +[] { Factory.FactoryCommand81(); } }) {
        move();
        D4Link.GetPrinterStatus();
        EXPECT_EQ(PrinterStatus, psBusy);
        platform.clock.sleep(1500);
        D4Link.GetPrinterStatus();
        EXPECT_EQ(PrinterStatus, psReady);
    }
    EXPECT_TRUE(changed().empty());
}

TEST_F(VirtualFactory, InvalidFramesAreCountedAndIgnored)
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
    EXPECT_EQ(printer.factory().invalidFrames(), 8);
    EXPECT_TRUE(changed().empty());
    D4Link.GetPrinterStatus();
    EXPECT_EQ(PrinterStatus, psReady);
    EXPECT_THAT(received().front(), HasSubstr("invalid factory frame: 1B 7C 00 07 00 07 05 42"));
}

// The names the tests' trace hooks look for.
TEST_F(VirtualFactory, TraceNamesFactoryCommands)
{
    Factory.FactorySetBid(2, -1);
    Factory.FactoryWriteEeprom(46, 0xF6);
    Factory.FactoryReadEeprom(77);
    Factory.FactoryCleaning(1);
    Factory.FactoryCommandC4(5, 0, 2, 0);
    Factory.FactoryCommand81();
    const uint8_t raster[] = { 0x1B, 0x2E, 0x01, 0x05, 0x05 };
    D4Link.SendPrintData(raster, sizeof raster);
    EXPECT_THAT(received(),
                ElementsAre("data on 64: FactorySetBid(2, -1)",
                            "data on 64: FactoryWriteEeprom(46, 246)",
                            "data on 64: FactoryReadEeprom(77)",
                            "data on 64: FactoryCleaning(1: head cleaning)",
                            "data on 64: FactoryCommandC4(5, 0, 2, 0)",
                            "data on 64: FactoryCommand81()", "data on 64: 1B 2E 01 05 05"));
}

} // namespace
