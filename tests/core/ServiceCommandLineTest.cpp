// cantra-service in-process against the virtual printer of a serviced printer: each job's
// output, exit code and exchanges, the refusals before anything is sent, and the one-line end
// of a fatal link error.
#include "support/LinkFixture.h"
#include "support/PacketQuery.h"
#include "support/ServiceCells.h"

#include "Console.h"
#include "EepromFile.h"
#include "Service.h"

#include "commands/ServiceTables.h"
#include "link/Roro4dodu.h"
#include "platform/PortDevice.h"
#include "platform/Trace.h"
#include "records/BoardBackup.h"
#include "vprinter/ServicedPrinter.h"

#include <gmock/gmock.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

using namespace testsupport;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::StartsWith;

namespace {

namespace fs = std::filesystem;

struct Result
{
    int code = -1;
    std::string out;
    std::string err;
};

class ServiceCommandLine : public LinkFixture
{
protected:
    ServiceCommandLine()
    {
        printer.eeprom() = vprinter::servicedEeprom();
        std::string pattern = (fs::temp_directory_path() / "cantra-service-XXXXXX").string();
        dir = mkdtemp(pattern.data());
    }
    ~ServiceCommandLine() override { fs::remove_all(dir); }

    Result cli(const std::vector<std::string> &args, bool virtualPrinter = true)
    {
        std::ostringstream out, err;
        service::Settings settings;
        settings.virtualPrinter = virtualPrinter;
        Result result;
        result.code = service::run(args, out, err, settings);
        result.out = out.str();
        result.err = err.str();
        return result;
    }

    // What the printer received, from the link start of the run on.
    PacketQuery sent() const { return PacketQuery(printer); }

    std::string file(const std::string &name) const { return (dir / name).string(); }

    void writeImage(const std::string &name, const service::EepromImage &image)
    {
        std::ofstream out(file(name), std::ios::binary);
        out.write(reinterpret_cast<const char *>(image.data()), std::streamsize(image.size()));
    }

    fs::path dir;
};

TEST_F(ServiceCommandLine, StatusAsTextJsonAndOneLine)
{
    printer.state().warnings = { 2 };
    const Result text = cli({ "status" });
    EXPECT_EQ(text.code, 0) << text.err;
    EXPECT_EQ(text.out,
              "port      LPT1\n"
              "state     ready (0x7014)\n"
              "error     none (0x7009)\n"
              "ink       black 70, cyan 80, magenta 80, yellow 80\n"
              "low ink   magenta\n");
    EXPECT_EQ(text.err, "");
    // The link start as the start window runs it, then the close without a reset.
    EXPECT_THAT(sent().transactions(),
                ElementsAre("Init", "OpenChannel(2)", "Credit(2, 1)", "Credit(2, 1)",
                            "CreditRequest(2, 1)", "OpenChannel(64)", "CloseChannel(64)",
                            "CloseChannel(2)", "Exit"));
    EXPECT_THAT(sent().controlCommands(), ElementsAre("st"));

    const Result json = cli({ "--json", "status", "--port", "LPT2" });
    EXPECT_EQ(json.code, 0);
    EXPECT_EQ(json.out,
              "{\"port\": \"LPT2\", \"state\": \"ready\", \"stateCode\": 28692, "
              "\"error\": \"none\", \"errorCode\": 28681, \"inError\": false, "
              "\"ink\": {\"black\": 70, \"cyan\": 80, \"magenta\": 80, \"yellow\": 80}, "
              "\"lowInk\": [\"magenta\"]}\n");

    const Result brief = cli({ "status", "--brief", "--port=LPT3" });
    EXPECT_EQ(brief.out, "LPT3: state 7014, error 7009, ink 70 80 80 80, warnings 0 0 1 0\n");
}

TEST_F(ServiceCommandLine, StatusOfAPrinterInErrorFails)
{
    printer.state().errorChar = '4';
    const Result result = cli({ "status" });
    EXPECT_EQ(result.code, 1);
    EXPECT_THAT(result.out, HasSubstr("state     error (0x7010)\nerror     paper jam (0x7002)\n"));
    EXPECT_EQ(result.err, "cantra-service: the printer reports paper jam\n");
}

TEST_F(ServiceCommandLine, EepromReadShowsTheGridOfTheRange)
{
    const Result two = cli({ "eeprom", "read", "0a", "0B" });
    EXPECT_EQ(two.code, 0) << two.err;
    EXPECT_EQ(two.out,
              "   0  1  2  3  4  5  6  7  8  9  A  B  C  D  E  F\n"
              "0                                0D 54\n");
    EXPECT_THAT(sent().eepromReads(), ElementsAre(0x0A, 0x0B));

    printer.clearReceived();
    const Result across = cli({ "eeprom", "read", "3E", "41" });
    EXPECT_EQ(across.out,
              "   0  1  2  3  4  5  6  7  8  9  A  B  C  D  E  F\n"
              "3                                            00 0F\n"
              "4  11 08\n");

    const Result one = cli({ "eeprom", "read", "2E" });
    EXPECT_EQ(one.out,
              "   0  1  2  3  4  5  6  7  8  9  A  B  C  D  E  F\n"
              "2                                            FB\n");

    printer.clearReceived();
    EXPECT_EQ(cli({ "eeprom", "read", "0", "1f" }).code, 0) << "one digit is an address";
    EXPECT_EQ(sent().eepromReads().size(), 32u);

    printer.clearReceived();
    const Result all = cli({ "eeprom", "read" });
    EXPECT_EQ(all.code, 0);
    EXPECT_EQ(std::count(all.out.begin(), all.out.end(), '\n'), 17);
    EXPECT_THAT(all.out, HasSubstr("\nF  FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF\n"));
    EXPECT_EQ(sent().eepromReads().size(), 256u);
}

TEST_F(ServiceCommandLine, WrongAddressesAndValuesAreRefusedBeforeAnythingIsSent)
{
    const std::vector<std::vector<std::string>> lines{
        { "eeprom", "read", "10", "0F" },
        { "eeprom", "read", "G0" },
        { "eeprom", "read", "100" },
        { "eeprom", "write", "2E" },
        { "eeprom", "write", "2E", "1FF" },
        { "eeprom", "write", "2E", "F6", "00" },
        { "head-id", "set", "AZAAAF" },
        { "head-id", "set", "AIAAAA" },
        { "counter", "reset", "--yes" },
        { "counter", "reset", "--model", "1" },
        { "counter", "reset", "--model", "4", "--yes" },
        { "print", "a4" },
        { "status", "--yes" },
        { "eeprom" },
        { "eeprom", "frob" },
        { "print", "foo" },
        { "reboot" },
        { "--port", "LPT4", "status" },
        { "status", "--trace" },
        { "eeprom", "restore", "/nonexistent/image.bin", "--yes" },
        { "bid", "set" },
        { "bid", "set", "--ms1", "57" },
        { "bid", "set", "--ms2", "3", "--vs", "-57" },
        { "bid", "set", "--vs", "two" },
        { "bid", "--ms1", "3" },
        { "top-margin", "set", "41" },
        { "top-margin", "set", "-41" },
        { "top-margin", "set", "" },
        { "usb-id" },
        { "usb-id", "--model", "0" },
        { "usb-id", "set", "ABC1234567", "--model", "776" },
        { "usb-id", "set", "ABC123456", "--model", "769" },
        { "usb-id", "set", "abc1234567", "--model", "769" },
        { "eeprom", "initial-setting", "--yes" },
        { "eeprom", "initial-setting", "--model", "1" },
        { "print", "a4", "--model", "777" },
        { "eeprom", "restore", dir.string(), "--yes" },
    };
    for (const auto &line : lines) {
        const Result result = cli(line);
        EXPECT_EQ(result.code, 2) << line.front() << " " << result.err;
        EXPECT_THAT(result.err, StartsWith("cantra-service: ")) << result.err;
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
        EXPECT_EQ(result.out, "");
    }
    EXPECT_THAT(printer.received(), IsEmpty());
    EXPECT_EQ(cli({ "head-id", "set", "AZAAAF" }).err,
              "cantra-service: AZAAAF: Check ID is invalid. (see cantra-service --help)\n");
    EXPECT_EQ(cli({ "eeprom", "read", "10", "0F" }).err,
              "cantra-service: TO 0F is below FROM 10 (see cantra-service --help)\n");
    // The entries' own words, and what the technician may give instead.
    for (const auto &[line, message] :
         std::vector<std::pair<std::vector<std::string>, std::string>>{
                 { { "bid", "set", "--ms1", "3", "--ms2", "57" },
                   "--ms2 57: Digit is wrong. A Bi-D value is -56 to 56" },
                 { { "top-margin", "set", "-41" },
                   "-41: Writing EEPROM data failed. The top margin is -40 to 40" },
                 { { "usb-id", "set", "ABCDEFGH-J", "--model", "773" },
                   "ABCDEFGH-J: Parameter is only number & alphabet." },
                 { { "usb-id", "set", "ABCDEFGHIJK", "--model", "773" },
                   "ABCDEFGHIJK: The Number of digit is wrong." },
                 { { "usb-id", "--model", "2" },
                   "Cantra R70PA (ESP) has no USB ID; the USB-capable models are 769, 771, 773, "
                   "775" } })
        EXPECT_EQ(cli(line).err, "cantra-service: " + message + " (see cantra-service --help)\n");
    EXPECT_THAT(printer.received(), IsEmpty());
    // The word or the file that is wrong is named.
    EXPECT_THAT(cli({ "eeprom", "frob" }).err,
                HasSubstr("'eeprom' has no command 'frob': its commands are read, write, dump, "
                          "restore, initial-setting (see"));
    EXPECT_THAT(cli({ "print", "foo" }).err, HasSubstr("'print' has no command 'foo'"));
    EXPECT_EQ(cli({ "eeprom", "restore", dir.string() }).err,
              "cantra-service: " + dir.string() + " is a directory, not an EEPROM image\n");
}

TEST_F(ServiceCommandLine, EepromWriteAsTheEepromChangeSendsIt)
{
    const Result result = cli({ "eeprom", "write", "2e", "f6" });
    EXPECT_EQ(result.code, 0) << result.err;
    EXPECT_EQ(result.out, "Address = 2E\nData = F6\n");
    EXPECT_THAT(sent().eepromWrites(), ElementsAre(std::pair(0x2E, 0xF6)));
    EXPECT_EQ(printer.eeprom()[0x2E], 0xF6);
    EXPECT_EQ(cli({ "eeprom", "write", "a", "F" }).out, "Address = 0A\nData = 0F\n");

    // A busy printer takes nothing, and says so.
    printer.busyFor(60'000);
    const Result busy = cli({ "eeprom", "write", "2E", "00" });
    EXPECT_EQ(busy.code, 1);
    EXPECT_EQ(busy.err, "cantra-service: the printer answered busy: cell 2E not written\n");
    EXPECT_EQ(printer.eeprom()[0x2E], 0xF6);
}

TEST_F(ServiceCommandLine, DumpThenRestoreWritesOnlyWhatDiffersAndReadsItBack)
{
    const Result dump = cli({ "eeprom", "dump", file("before.bin") });
    EXPECT_EQ(dump.code, 0) << dump.err;
    EXPECT_EQ(dump.out, "256 cells read from LPT1 into " + file("before.bin") + "\n");
    service::EepromImage saved{};
    std::string error;
    ASSERT_TRUE(service::loadImage(file("before.bin"), saved, error)) << error;
    EXPECT_EQ(saved, vprinter::servicedEeprom());
    std::vector<int> everyCell(256);
    for (int i = 0; i < 256; ++i)
        everyCell[size_t(i)] = i;
    EXPECT_EQ(sent().eepromReads(), everyCell);

    // Three cells change behind the technician's back.
    printer.eeprom()[0x0A] = 0x20;
    printer.eeprom()[0x33] = 0x00;
    printer.eeprom()[0xF0] = 0x12;
    printer.clearReceived();
    const Result refused = cli({ "eeprom", "restore", file("before.bin") });
    EXPECT_EQ(refused.code, 2);
    EXPECT_EQ(refused.out,
              "would change 0A: 20 -> 0D\nwould change 33: 00 -> 03\n"
              "would change F0: 12 -> FF\n");
    EXPECT_THAT(refused.err, HasSubstr("nothing written: add --yes to write these 3 cells"));
    EXPECT_THAT(sent().eepromWrites(), IsEmpty());

    printer.clearReceived();
    const Result restored = cli({ "eeprom", "restore", file("before.bin"), "--yes" });
    EXPECT_EQ(restored.code, 0) << restored.err;
    EXPECT_EQ(restored.out,
              "0A: 20 -> 0D\n33: 00 -> 03\nF0: 12 -> FF\n"
              "3 cells restored from "
                      + file("before.bin") + " and read back\n");
    EXPECT_THAT(sent().eepromWrites(),
                ElementsAre(std::pair(0x0A, 0x0D), std::pair(0x33, 0x03), std::pair(0xF0, 0xFF)));
    const std::vector<int> reads = sent().eepromReads();
    ASSERT_EQ(reads.size(), 256u + 3u);
    EXPECT_THAT(std::vector<int>(reads.end() - 3, reads.end()), ElementsAre(0x0A, 0x33, 0xF0));
    EXPECT_EQ(printer.eeprom(), vprinter::servicedEeprom());

    const Result again = cli({ "eeprom", "restore", file("before.bin") });
    EXPECT_EQ(again.code, 0);
    EXPECT_EQ(again.out, "Nothing to change: the 256 cells match " + file("before.bin") + "\n");
}

// The main board swap: the new board is blank; only the 56 cells of the backup come back.
TEST_F(ServiceCommandLine, RestoreOfTheBackupCellsOntoANewBoard)
{
    writeImage("old-board.bin", vprinter::servicedEeprom());
    printer.eeprom().fill(0xFF);
    const Result result
            = cli({ "eeprom", "restore", file("old-board.bin"), "--backup-cells", "--yes" });
    EXPECT_EQ(result.code, 0) << result.err;
    const std::vector<int> &cells = testsupport::BackupCellOrder;
    for (int address = 0; address < 256; ++address) {
        const bool backedUp = std::find(cells.begin(), cells.end(), address) != cells.end();
        EXPECT_EQ(printer.eeprom()[size_t(address)],
                  backedUp ? vprinter::servicedEeprom()[size_t(address)] : 0xFF)
                << address;
    }
    // None of them is FF on the old board, so every one differs and is written.
    EXPECT_EQ(sent().eepromWrites().size(), 56u);
    EXPECT_THAT(result.out, HasSubstr("0A: FF -> 0D\n0B: FF -> 54\n10: FF -> 01\n"));
    EXPECT_THAT(result.out, HasSubstr("56 cells restored"));
}

// The backup file the windows leave in the data folder goes back with --backup-cells, and is
// marked as written back.
TEST_F(ServiceCommandLine, RestoreOfTheProgramsBackupFileMarksItWrittenBack)
{
    records::BoardBackup backup;
    backup.time = "2026-12-08 09:00:00";
    for (const int address : testsupport::BackupCellOrder)
        backup.cells.emplace_back(uint8_t(address), vprinter::servicedEeprom()[size_t(address)]);
    std::string error;
    ASSERT_TRUE(records::saveBackup(backup, error)) << error;
    printer.eeprom().fill(0xFF);
    const std::string path = backup.file.string();

    const Result whole = cli({ "eeprom", "restore", path, "--yes" });
    EXPECT_EQ(whole.code, 2);
    EXPECT_THAT(whole.err, HasSubstr("is an EEPROM backup of 56 cells, not a whole image"));
    const Result result = cli({ "eeprom", "restore", path, "--backup-cells", "--yes" });
    EXPECT_EQ(result.code, 0) << result.err;
    EXPECT_THAT(result.out, HasSubstr("56 cells restored"));
    for (const int address : testsupport::BackupCellOrder)
        EXPECT_EQ(printer.eeprom()[size_t(address)], vprinter::servicedEeprom()[size_t(address)]);
    EXPECT_EQ(printer.eeprom()[0], 0xFF);
    ASSERT_TRUE(records::loadBackup(path, backup, error)) << error;
    EXPECT_EQ(backup.restored, "2026-12-08 10:00:00");
    EXPECT_FALSE(records::newestUnrestored());
}

// Every job that wrote leaves one line, reads leave none; history prints them in order.
TEST_F(ServiceCommandLine, HistoryPrintsTheRecordOfWhatWasWritten)
{
    EXPECT_THAT(cli({ "history" }).out, HasSubstr("Nothing has been written"));
    cli({ "eeprom", "read", "2E" });
    cli({ "eeprom", "write", "2E", "05" });
    cli({ "counter", "reset", "--model", "1", "--yes" });
    printer.clearReceived();
    const auto lines = recordLines(platform.dataFolder);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(cli({ "history", "--json" }).out, lines[0] + "\n" + lines[1] + "\n");
    const Result text = cli({ "history" });
    EXPECT_EQ(text.out,
              "2026-12-08 10:00:00  eeprom write: acknowledged\n"
              "  cantra-service, model not known on LPT1 (virtual)\n"
              "  cells: 2E ??->05\n"
              "2026-12-08 10:00:00  counter reset: acknowledged\n"
              "  cantra-service, Cantra R50PA on LPT1 (virtual)\n"
              "  cells: 0A ??->0B, 0B ??->7C\n");
    EXPECT_THAT(sent().all(), IsEmpty()) << "history asks the printer nothing";
}

TEST_F(ServiceCommandLine, RestoreStopsAtACellThatDoesNotTakeItsValue)
{
    writeImage("image.bin", vprinter::servicedEeprom());
    printer.eeprom()[0x2E] = 0x00;
    printer.eeprom()[0x33] = 0x00;
    printer.busyFor(60'000); // writes are answered busy and not done
    const Result result = cli({ "eeprom", "restore", file("image.bin"), "--yes" });
    EXPECT_EQ(result.code, 1);
    EXPECT_EQ(result.err,
              "cantra-service: cell 2E reads back 00 after writing FB; 0 of 2 cells "
              "were restored\n");
    EXPECT_THAT(sent().eepromWrites(), ElementsAre(std::pair(0x2E, 0xFB)));

    writeImage("short.bin", {});
    std::filesystem::resize_file(file("short.bin"), 255);
    const Result shortImage = cli({ "eeprom", "restore", file("short.bin"), "--yes" });
    EXPECT_EQ(shortImage.code, 2);
    EXPECT_THAT(shortImage.err, HasSubstr("is not an EEPROM image: it holds 255 bytes, not 256"));
}

TEST_F(ServiceCommandLine, CounterHeadIdAndBidValues)
{
    EXPECT_EQ(cli({ "counter" }).out, "Counter value = 3412\n");
    EXPECT_THAT(sent().eepromReads(), ElementsAre(11, 10));
    EXPECT_EQ(cli({ "head-id" }).out, "Head voltage ID = H3PR2C\n");
    EXPECT_EQ(cli({ "bid" }).out, "Multi shot 1 = 3\nMulti shot 2 = -2\nVariable shot = 1\n");

    printer.clearReceived();
    const Result reset = cli({ "counter", "reset", "--model", "1", "--yes" });
    EXPECT_EQ(reset.code, 0) << reset.err;
    EXPECT_EQ(reset.out, "The protect counter has been initialized. (2940 for Cantra R50PA)\n");
    EXPECT_THAT(sent().eepromWrites(), ElementsAre(std::pair(10, 0x0B), std::pair(11, 0x7C)));
    printer.clearReceived();
    EXPECT_EQ(cli({ "counter", "reset", "--yes", "--model=3" }).code, 0);
    EXPECT_THAT(sent().eepromWrites(), ElementsAre(std::pair(10, 0), std::pair(11, 0)));

    printer.clearReceived();
    const Result set = cli({ "head-id", "set", "azaaae" });
    EXPECT_EQ(set.code, 0) << set.err;
    EXPECT_EQ(set.out, "As head actuator voltage, AZAAAE has been written in EEPROM.\n");
    EXPECT_THAT(sent().eepromWrites(),
                ElementsAre(std::pair(65, 1), std::pair(70, 0), std::pair(63, 1), std::pair(64, 1),
                            std::pair(66, 1)));
    EXPECT_EQ(cli({ "head-id" }).out, "Head voltage ID = AZAAAE\n");

    // Erased cells: the rebuilt text is no ID, and is not written out raw.
    printer.eeprom().fill(0xFF);
    EXPECT_EQ(cli({ "head-id" }).out,
              "Head voltage ID = \\xFF/\\xFF\\xFF\\xFFG (the cells hold no head voltage ID)\n");
    printer.eeprom().fill(0x00);
    EXPECT_EQ(cli({ "head-id" }).out, "Head voltage ID = (the cells hold no head voltage ID)\n");
}

TEST_F(ServiceCommandLine, BidValuesGoWithTheBidCommandAsTypedAndReadBack)
{
    const Result set = cli({ "bid", "set", "--vs=-07", "--ms1", "05" });
    EXPECT_EQ(set.code, 0) << set.err;
    EXPECT_EQ(set.out,
              "As Multi shot 1 data, 05 has been written in EEPROM.\n"
              "As Variable shot data, -07 has been written in EEPROM.\n");
    EXPECT_THAT(sent().factoryNames(), ElementsAre("Bid(2, 5)", "Bid(3, -7)"));
    EXPECT_THAT(sent().eepromWrites(), IsEmpty());
    EXPECT_EQ(cli({ "bid" }).out, "Multi shot 1 = 5\nMulti shot 2 = -2\nVariable shot = -7\n");
    EXPECT_EQ(cli({ "bid", "set", "--ms2", "56" }).code, 0);
    EXPECT_EQ(printer.eeprom()[52], 56);
}

TEST_F(ServiceCommandLine, TopMarginReadWrittenWithItsCommitAndPrinted)
{
    EXPECT_EQ(cli({ "top-margin" }).out, "Top margin = -5\n");
    EXPECT_THAT(sent().eepromReads(), ElementsAre(0x2E));

    printer.clearReceived();
    const Result set = cli({ "top-margin", "set", "-40" });
    EXPECT_EQ(set.code, 0) << set.err;
    EXPECT_EQ(set.out, "As Top margin data, -40 has been written in EEPROM.\n");
    EXPECT_THAT(sent().factoryNames(), ElementsAre("W(46, 216)", "50()"));
    EXPECT_EQ(cli({ "top-margin" }).out, "Top margin = -40\n");

    printer.clearReceived();
    const Result print = cli({ "print", "top-margin" });
    EXPECT_EQ(print.code, 0) << print.err;
    EXPECT_EQ(print.out, "Now printing Top Margin Line.\nPrinting Top Margin Line completed.\n");
    EXPECT_EQ(printer.factory().remoteSessions(), 1);
    EXPECT_EQ(printer.pages().size(), 1u);
    const auto data = sent().dataHex();
    EXPECT_NE(std::find(data.begin(), data.end(), "2D 34 30 00"), data.end())
            << "the stored -40 under the line";

    faultAtPacket(ControlEepromRead, 1, [](vprinter::Faults &f) { f.silent = true; });
    const Result silent = cli({ "top-margin" });
    EXPECT_EQ(silent.code, 1);
    EXPECT_EQ(silent.err, "cantra-service: the printer did not answer a read of the top margin\n");
}

TEST_F(ServiceCommandLine, UsbIdOfAUsbCapableModelWrittenWithTheClocksStampAndReadBack)
{
    EXPECT_EQ(cli({ "usb-id", "--model", "769" }).out, "USB ID = K7A0031942435EHC20\n");
    EXPECT_EQ(sent().factoryCalls(0x41).size(), 18u);

    printer.clearReceived();
    platform.clock.local = { 2009, 12, 31, 9, 59, 59 };
    const Result set = cli({ "usb-id", "set", "ABC1234567", "--model=775" });
    EXPECT_EQ(set.code, 0) << set.err;
    EXPECT_EQ(set.out, "USB ID\n\"ABC123456 7ACV9TT30\"\n has been written in EEPROM.\n");
    EXPECT_EQ(sent().factoryCalls(0x42).size(), 18u);
    EXPECT_EQ(cli({ "usb-id", "--model", "771" }).out, "USB ID = ABC1234567ACV9TT30\n");

    printer.eeprom()[80] = 0xFF;
    const Result erased = cli({ "usb-id", "--model", "773" });
    EXPECT_EQ(erased.code, 1);
    EXPECT_EQ(erased.err, "cantra-service: Invalid USB ID\n");
}

TEST_F(ServiceCommandLine, InitialSettingWritesTheCellsOfTheModelAndNamesIt)
{
    const Result result = cli({ "eeprom", "initial-setting", "--model", "3", "--yes" });
    EXPECT_EQ(result.code, 0) << result.err;
    EXPECT_EQ(result.out,
              "The initial setting value of  \"Cantra R50PA (ESP)\"\nhas been written in the "
              "EEPROM\n");
    std::vector<std::pair<int, int>> expected;
    for (const service::EepromCell &cell : service::InitialSetting(776))
        expected.emplace_back(cell.address, cell.value);
    EXPECT_EQ(sent().eepromWrites(), expected);
    EXPECT_EQ(printer.eeprom()[95], 2);
    EXPECT_EQ(printer.eeprom()[41], 1);

    // A cell the printer did not take is not reported as written.
    printer.clearReceived();
    atPacket(ControlEepromWrite, [this](int n) {
        if (n == 2)
            printer.busyFor(10);
    });
    const Result busy = cli({ "eeprom", "initial-setting", "--model", "0", "--yes" });
    EXPECT_EQ(busy.code, 1);
    EXPECT_EQ(busy.err,
              "cantra-service: the printer answered busy: cells 3A not written; write the "
              "initial setting again\n");
    EXPECT_EQ(sent().eepromWrites().size(), service::InitialSetting(770).size());
}

TEST_F(ServiceCommandLine, CleaningAndInkChargeWaitForReadyBeforeAndAfter)
{
    printer.busyFor(3000);
    const Result clean = cli({ "clean" });
    EXPECT_EQ(clean.code, 0) << clean.err;
    EXPECT_EQ(clean.out, "Cleaning the head now.\nHead cleaning is completed.\n");
    EXPECT_THAT(sent().factoryNames(), ElementsAre("Cleaning(1)"));
    // Busy at the start: two polls 2000 ms apart before the command, then the eight
    // seconds of the cleaning polled out.
    const std::vector<std::string> control = sent().controlCommands();
    EXPECT_GE(std::count(control.begin(), control.end(), "st"), 1 + 2 + 4);
    EXPECT_EQ(vprinter::protectionCounter(printer.eeprom()), 3412 + 150);

    printer.clearReceived();
    const Result charge = cli({ "ink-charge" });
    EXPECT_EQ(charge.code, 0) << charge.err;
    EXPECT_EQ(charge.out, "Performing Initial Ink Charge now.\nInitial Ink Charge is completed.\n");
    EXPECT_THAT(sent().factoryNames(), ElementsAre("Cleaning(10)"));

    // A printer in error gets no command.
    printer.clearReceived();
    printer.state().errorChar = '5';
    const Result error = cli({ "clean" });
    EXPECT_EQ(error.code, 1);
    EXPECT_EQ(error.out, "");
    EXPECT_EQ(error.err, "cantra-service: head cleaning: Printer is error. (ink out)\n");
    EXPECT_THAT(sent().factoryNames(), IsEmpty());
}

TEST_F(ServiceCommandLine, PrintsLeaveASheetEach)
{
    const Result nozzle = cli({ "print", "nozzle-check" });
    EXPECT_EQ(nozzle.code, 0) << nozzle.err;
    EXPECT_EQ(nozzle.out,
              "Nozzle check pattern is printing now.\nNozzle check print is completed.\n");
    ASSERT_EQ(printer.pages().size(), 1u);
    const auto data = sent().printData();
    EXPECT_EQ(data.back(), (std::vector<uint8_t>{ 0x1B, 0x40 }));
    EXPECT_EQ(data[data.size() - 2], (std::vector<uint8_t>{ 0x1B, 0x40 }));
    EXPECT_EQ(data[data.size() - 3], (std::vector<uint8_t>{ 0x0C })) << "the form feed";

    const Result a4 = cli({ "print", "a4", "--model", "2" });
    EXPECT_EQ(a4.code, 0) << a4.err;
    EXPECT_EQ(a4.out, "A4 pattern is printing now.\nA4 pattern print is completed.\n");
    const std::string banner = "    ***************  Cantra R70PA(ESP)";
    std::vector<uint8_t> bannerPacket(banner.begin(), banner.end());
    bannerPacket.push_back(0);
    const auto sheet = sent().printData();
    EXPECT_NE(std::find(sheet.begin(), sheet.end(), bannerPacket), sheet.end());

    const Result bid = cli({ "print", "bid" });
    EXPECT_EQ(bid.code, 0) << bid.err;
    EXPECT_EQ(bid.out,
              "Bi-d pattern is being printed out now.\nBi-d pattern print is completed.\n");
    EXPECT_EQ(printer.pages().size(), 3u);

    printer.state().errorChar = '4';
    const Result jam = cli({ "print", "bid" });
    EXPECT_EQ(jam.code, 1);
    EXPECT_EQ(jam.err, "cantra-service: Bi-d pattern: Printer is error. (paper jam)\n");
}

TEST_F(ServiceCommandLine, APrinterThatDoesNotAnswerIsAFailureNotAWait)
{
    printer.faults().silent = true;
    const Result result = cli({ "status" });
    EXPECT_EQ(result.code, 1);
    EXPECT_EQ(result.err, "cantra-service: LPT1: the printer does not enter packet mode\n");
    EXPECT_LE(platform.clock.nowMs, 10'000);

    // Answering the start, then nothing: the reads stop at the first cell.
    printer.faults().silent = false;
    printer.clearReceived();
    faultAtPacket(ControlEepromRead, 3, [](vprinter::Faults &f) { f.silent = true; });
    const Result dump = cli({ "eeprom", "dump", file("never.bin") });
    EXPECT_EQ(dump.code, 1);
    EXPECT_EQ(dump.err, "cantra-service: the printer did not answer the read of cell 02\n");
    EXPECT_FALSE(fs::exists(file("never.bin")));
    // Nothing more goes to a printer that has gone: no close, no second wait of three tries.
    EXPECT_EQ(sent().transactionCount(0x02), 0);
    EXPECT_EQ(sent().eepromReads().size(), 3u);
}

TEST_F(ServiceCommandLine, FatalLinkErrorEndsWithOneLineAndCodeThree)
{
    std::FILE *stream = std::tmpfile();
    ASSERT_NE(stream, nullptr);
    service::ConsoleDialogs dialogs("cantra-service", stream);
    int endedWith = -1;
    service::ConsoleProcess process(dialogs, service::LinkFailure, [&endedWith](int code) {
        endedWith = code;
        throw ProcessExit{ code };
    });
    platform::setDialogs(&dialogs);
    platform::setProcess(&process);
    printer.faults().statusText = "ST:04;ER:0Z;IQ:00000000;";
    EXPECT_THROW(cli({ "status" }), ProcessExit);
    EXPECT_EQ(endedWith, 3);
    std::rewind(stream);
    char text[256] = {};
    const size_t got = std::fread(text, 1, sizeof text - 1, stream);
    std::fclose(stream);
    EXPECT_EQ(std::string(text, got),
              "cantra-service: Error status acquisition failure (the "
              "link was ended by force)\n");
}

TEST_F(ServiceCommandLine, TraceOnlyWhenAskedFor)
{
    EXPECT_EQ(cli({ "counter" }).code, 0);
    EXPECT_TRUE(fs::is_empty(dir));
    const Result traced = cli({ "counter", "--trace", file("trace.txt") });
    EXPECT_EQ(traced.code, 0);
    std::ifstream in(file("trace.txt"));
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_THAT(text.str(), StartsWith("# cantra-service counter on LPT1: "));
    EXPECT_THAT(text.str(), HasSubstr(" | control: EEPROM read of cell 0B\n"));
    EXPECT_THAT(text.str(), HasSubstr(" | EEPROM read reply: cell 0B holds 54 "));
    EXPECT_THAT(text.str(), HasSubstr(" | Exit\n"));
    EXPECT_EQ(platform::trace(), nullptr);
}

TEST_F(ServiceCommandLine, VirtualPortAndHelp)
{
    platform::systemPorts().setAllVirtual(false);
    const Result virtualPort = cli({ "head-id", "--port", "virtual" });
    EXPECT_EQ(virtualPort.code, 0) << virtualPort.err;
    EXPECT_EQ(virtualPort.out, "Head voltage ID = H3PR2C\n");
    EXPECT_FALSE(platform::systemPorts().allVirtual());
    const Result noVirtual = cli({ "status", "--port", "virtual" }, false);
    EXPECT_EQ(noVirtual.code, 2);
    EXPECT_THAT(noVirtual.err, HasSubstr("this build has no virtual printer"));

    const Result help = cli({ "--help" });
    EXPECT_EQ(help.code, 0);
    EXPECT_THAT(help.out, StartsWith("Usage: cantra-service [--port PORT] [--trace FILE] COMMAND"));
    for (const char *command :
         { "status [--json | --brief]", "eeprom restore FILE --yes",
           "counter reset --model ROW --yes", "print nozzle-check",
           "bid set [--ms1 N] [--ms2 N] [--vs N]", "top-margin set N", "print top-margin",
           "usb-id set ID --model CODE", "eeprom initial-setting --model ROW --yes" })
        EXPECT_THAT(help.out, HasSubstr(command));
    const Result restoreHelp = cli({ "eeprom", "restore", "--help" });
    EXPECT_EQ(restoreHelp.code, 0);
    EXPECT_THAT(restoreHelp.out, HasSubstr("--backup-cells restores only the 56 cells"));
    EXPECT_THAT(cli({ "print", "a4", "--help" }).out,
                HasSubstr("model list:\n  0 Cantra R70PA, 1 Cantra R50PA, 2 Cantra R70PA (ESP), "
                          "3 Cantra R50PA (ESP).\n"));
    EXPECT_THAT(printer.received(), ::testing::SizeIs(::testing::Gt(0u)));
}

} // namespace
