// The real POSIX port code against the virtual printer's executable on a pseudo-terminal.
#include "PtyPrinter.h"
#include "support/TestPlatform.h"

#include "link/Roro4dodu.h"
#include "link/Vuviredorizaduzu.h"
#include "vprinter/ServicedPrinter.h"

#include <gmock/gmock.h>

#ifdef CANTRA_PAGE_FILES
#include <QImage>
#endif

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <pty.h>
#include <thread>
#include <unistd.h>

using namespace testsupport;
using namespace e2e;

namespace {

class PtyLink : public ::testing::Test, protected Lpt1OnLink
{
protected:
    TestPlatform platform;
};

TEST_F(PtyLink, WholeLinkAgainstTheVirtualPrinterExecutable)
{
    const fs::path image = dir.path / "eeprom.bin";
    vprinter::EepromImage cells = vprinter::servicedEeprom();
    cells[0x10] = 0x3C;
    {
        std::ofstream out(image, std::ios::binary);
        out.write(reinterpret_cast<const char *>(cells.data()), std::streamsize(cells.size()));
    }
    VirtualPrinterProcess printer(link, trace,
                                  { "--ink", "40,30,20,10", "--warn", "2", "--eeprom", image });
    ASSERT_TRUE(fs::is_symlink(link));
    platform.useClock(nullptr); // real time: the printer is another process

    for (int host = 0; host < 2; ++host) {
        PrinterDriver.OpenPort(0);
        ASSERT_TRUE(D4Link.EnterD4Mode()) << host;
        EXPECT_TRUE(D4Link.D4Init());
        EXPECT_TRUE(D4Link.OpenChannel(ControlSocket));
        EXPECT_TRUE(D4Link.GrantCredit(ControlSocket, 1));
        D4Link.GetPrinterStatus();
        EXPECT_EQ(PrinterStatus, psReady);
        EXPECT_EQ(ErrorStatus, esNone);
        EXPECT_THAT(InkLevels, ::testing::ElementsAre(0x40, 0x30, 0x20, 0x10));
        EXPECT_THAT(WarningFlags, ::testing::ElementsAre(0, 0, 1, 0));
        EXPECT_TRUE(D4Link.OpenChannel(DataSocket));

        EXPECT_EQ(D4Link.ReadEepromByte(0x10), 0x3C); // from the image file
        if (host == 1) { // what the first host wrote is still there
            EXPECT_EQ(D4Link.ReadEepromByte(0x40), 0xA5);
        }
        const uint8_t address = uint8_t(0x40 + host);
        EXPECT_EQ(D4Link.WriteEepromByte(address, uint8_t(0xA5 + host)), ReplyDone);
        EXPECT_EQ(D4Link.ReadEepromByte(address), 0xA5 + host);
        EXPECT_FALSE(D4Link.LastExchangeFailed());

        const uint8_t data[64] = { 0x1B, '@' };
        for (int i = 0; i < 201; ++i)
            D4Link.SendPrintData(data, sizeof data);
        EXPECT_EQ(D4Link.HostCredit, 199);

        EXPECT_TRUE(D4Link.CloseChannel(DataSocket, 0));
        EXPECT_TRUE(D4Link.CloseChannel(ControlSocket, 0));
        D4Link.D4Exit();
        PrinterDriver.ClosePort();
    }
    EXPECT_TRUE(platform.dialogs.shown.empty());

    // The printer notices the host has gone a moment after the port is closed.
    EXPECT_TRUE(printer.waitForTrace("host gone"));
    const std::string log = readFile(trace);
    EXPECT_NE(log.find("CreditRequest(64, 200)"), std::string::npos) << log.substr(0, 2000);
    EXPECT_NE(log.find("Credit(64, 200)"), std::string::npos);
    EXPECT_NE(log.find("data on 2: \"||\" 07 00 07 05 42 BD 21 40 A5"), std::string::npos);
    EXPECT_NE(log.find("host gone"), std::string::npos);
    size_t entries = 0;
    for (size_t at = log.find("entry into packet mode"); at != std::string::npos;
         at = log.find("entry into packet mode", at + 1))
        ++entries;
    EXPECT_EQ(entries, 2u);
}

// A printer that takes every byte and never answers: each read runs into the port's own
// time-out and the entry is given up after three tries. The one test that spends the port's
// real time-outs, 15 s; every other test of the real port makes them shorter.
TEST_F(PtyLink, PrinterThatNeverAnswersTakesTheRealTimeOuts)
{
    int master = -1, slave = -1;
    ASSERT_EQ(openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    fs::create_symlink(ttyname(slave), link);
    close(slave);

    const auto started = std::chrono::steady_clock::now();
    PrinterDriver.OpenPort(0);
    EXPECT_FALSE(D4Link.EnterD4Mode());
    const auto waited = std::chrono::steady_clock::now() - started;
    PrinterDriver.ClosePort();
    close(master);

    EXPECT_THAT(platform.clock.sleeps, ::testing::ElementsAre(10, 1000, 10, 1000, 10));
    // Three reads of the header, each bounded by 5000 ms + 6 ms.
    EXPECT_GE(waited, std::chrono::milliseconds(3 * 5000));
    EXPECT_LT(waited, std::chrono::milliseconds(3 * 5006 + 3000));
    EXPECT_TRUE(platform.dialogs.shown.empty());
}

#ifdef CANTRA_PAGE_FILES
// The executable prints what comes on the data channel and writes each sheet as a PNG file,
// its return passes landing as --bid-error says.
TEST_F(PtyLink, SheetsOfTheExecutableAreWrittenAsPictures)
{
    const fs::path pages = dir.path / "pages";
    VirtualPrinterProcess printer(link, trace,
                                  { "--pages", pages.string(), "--bid-error", "6,-3,2" });
    ASSERT_TRUE(fs::is_symlink(link));
    platform.useClock(nullptr);

    PrinterDriver.OpenPort(0);
    ASSERT_TRUE(D4Link.EnterD4Mode());
    D4Link.D4Init();
    D4Link.OpenChannel(ControlSocket);
    D4Link.GrantCredit(ControlSocket, 1);
    D4Link.OpenChannel(DataSocket);
    // Bidirectional, Multi shot 1 (dot size 18), 480 dpi: a blank forward pass, then the
    // rightmost dot of one byte on the return pass; a blank EEPROM holds the value -1.
    const std::vector<std::vector<uint8_t>> stream{
        { 0x1B, 0x40 },
        { 0x1B, 0x28, 0x47, 0x01, 0x00, 0x01 },
        { 0x1B, 0x55, 0x00 },
        { 0x1B, 0x28, 0x65, 0x02, 0x00, 0x00, 0x12 },
        { 0x1B, 0x28, 0x44, 0x04, 0x00, 0xE0, 0x01, 0x04, 0x01 },
        { 0x1B, 0x69, 0x00, 0x01, 0x02, 0x01, 0x00, 0x01, 0x00 },
        { 0x00, 0x00 },
        { 0x1B, 0x3C, 0x0D },
        { 0x1B, 0x69, 0x00, 0x01, 0x02, 0x01, 0x00, 0x01, 0x00 },
        { 0x00, 0x03 },
        { 0x1B, 0x3C, 0x0D },
        { 0x0C },
    };
    for (const std::vector<uint8_t> &packet : stream)
        D4Link.SendPrintData(packet.data(), packet.size());
    // The sheet is written off the serving line: the printer answers before it is done.
    D4Link.GetPrinterStatus();
    EXPECT_EQ(PrinterStatus, psReady);
    D4Link.CloseChannel(DataSocket, 0);
    D4Link.CloseChannel(ControlSocket, 0);
    D4Link.D4Exit();
    PrinterDriver.ClosePort();
    // Stopped at once, it still writes every sheet it printed before it ends.
    ASSERT_TRUE(printer.stop(SIGTERM, std::chrono::seconds(20)));
    EXPECT_EQ(printer.count("page written to"), 1);

    const QImage sheet(QString::fromStdString((pages / "page-0001.png").string()));
    ASSERT_EQ(sheet.width(), 2976);
    ASSERT_EQ(sheet.height(), 4208);
    EXPECT_EQ(sheet.dotsPerMeterX(), 14173); // 360 dpi
    EXPECT_EQ(sheet.dotsPerMeterY(), 14173);
    // Dot 3 at 480 dpi is cell 201; (6 - -1) x 2 cells on is cell 215, a 1/360-inch dot over
    // the last quarter of pixel 53 and three quarters of pixel 54, row 42.
    EXPECT_LT(qGray(sheet.pixel(54, 42)), 128);
    EXPECT_GT(qGray(sheet.pixel(53, 42)), 128);
    EXPECT_LT(qGray(sheet.pixel(53, 42)), 240);
    EXPECT_EQ(sheet.pixel(52, 42), qRgb(255, 255, 255));
    EXPECT_EQ(sheet.pixel(55, 42), qRgb(255, 255, 255));
    EXPECT_FALSE(fs::exists(pages / "page-0002.png"));
}
#endif

} // namespace
