// cantra-service run as a technician runs it, against the virtual printer's executable on a
// pseudo-terminal: every job, the EEPROM backup across a main board swap through two files,
// the trace, and the exit code and one line of every way a run can fail.
#include "PtyPrinter.h"

#include "support/ServiceCells.h"
#include "vprinter/ServicedPrinter.h"

#include <gmock/gmock.h>

#include <cstdlib>
#include <fstream>

using namespace e2e;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::StartsWith;

namespace {

constexpr auto RunLimit = std::chrono::seconds(90);

class ServiceOnPty : public ::testing::Test, protected Lpt1OnLink
{
protected:
    ServiceOnPty() : Lpt1OnLink("printer-trace.txt") { }

    RunResult service(std::vector<std::string> args,
                      const std::vector<std::pair<std::string, std::string>> &environment = {})
    {
        args.insert(args.begin(), CANTRA_SERVICE_PATH);
        return runProgram(args, environment, RunLimit);
    }

    std::string file(const std::string &name) const { return (dir.path / name).string(); }

    void writeImage(const std::string &name, const vprinter::EepromImage &image) const
    {
        std::ofstream out(file(name), std::ios::binary);
        out.write(reinterpret_cast<const char *>(image.data()), std::streamsize(image.size()));
    }

    vprinter::EepromImage readImage(const std::string &name) const
    {
        const std::string bytes = readFile(file(name));
        vprinter::EepromImage image{};
        EXPECT_EQ(bytes.size(), image.size()) << name;
        std::copy_n(bytes.begin(), std::min(bytes.size(), image.size()), image.begin());
        return image;
    }
};

TEST_F(ServiceOnPty, StatusAsTextAndJson)
{
    VirtualPrinterProcess printer(link, trace, { "--warn", "0" });
    const RunResult text = service({ "status" });
    EXPECT_EQ(text.exitCode, 0) << text.err;
    EXPECT_THAT(text.out, HasSubstr("state     ready (0x7014)\n"));
    EXPECT_THAT(text.out, HasSubstr("low ink   black\n"));
    const RunResult json = service({ "status", "--json" });
    EXPECT_EQ(json.exitCode, 0) << json.err;
    EXPECT_THAT(json.out, StartsWith("{\"port\": \"LPT1\", \"state\": \"ready\""));
    EXPECT_THAT(json.out, EndsWith("\"lowInk\": [\"black\"]}\n"));
}

// The old board's cells go to a file, the printer is switched off and gets a blank board,
// and the file's backup cells come back onto it.
TEST_F(ServiceOnPty, BackupAcrossAMainBoardSwapThroughAFile)
{
    writeImage("old-board.bin", vprinter::servicedEeprom());
    {
        VirtualPrinterProcess oldBoard(link, trace, { "--eeprom", file("old-board.bin") });
        const RunResult dump = service({ "eeprom", "dump", file("backup.bin") });
        EXPECT_EQ(dump.exitCode, 0) << dump.err;
        EXPECT_EQ(readImage("backup.bin"), vprinter::servicedEeprom());
    }
    VirtualPrinterProcess newBoard(link, trace);
    const RunResult asked = service({ "eeprom", "restore", file("backup.bin"), "--backup-cells" });
    EXPECT_EQ(asked.exitCode, 2);
    EXPECT_EQ(std::count(asked.out.begin(), asked.out.end(), '\n'), 56);
    EXPECT_EQ(asked.err,
              "cantra-service: nothing written: add --yes to write these 56 cells (see "
              "cantra-service --help)\n");

    const RunResult restored
            = service({ "eeprom", "restore", file("backup.bin"), "--backup-cells", "--yes" });
    EXPECT_EQ(restored.exitCode, 0) << restored.err;
    EXPECT_THAT(restored.out, HasSubstr("41: FF -> 08\n"));
    EXPECT_THAT(restored.out,
                EndsWith("56 cells restored from " + file("backup.bin") + " and read back\n"));

    ASSERT_EQ(service({ "eeprom", "dump", file("after.bin") }).exitCode, 0);
    const vprinter::EepromImage after = readImage("after.bin");
    const std::vector<int> &cells = testsupport::BackupCellOrder;
    for (int address = 0; address < 256; ++address) {
        const bool backedUp = std::find(cells.begin(), cells.end(), address) != cells.end();
        EXPECT_EQ(after[size_t(address)],
                  backedUp ? vprinter::servicedEeprom()[size_t(address)] : 0xFF)
                << address;
    }
    EXPECT_EQ(service({ "head-id" }).out, "Head voltage ID = H3PR2C\n");
    EXPECT_EQ(service({ "counter" }).out, "Counter value = 3412\n");
    EXPECT_EQ(service({ "bid" }).out, "Multi shot 1 = 3\nMulti shot 2 = -2\nVariable shot = 1\n");
}

TEST_F(ServiceOnPty, CellsCounterAndHeadIdWrittenAndReadBack)
{
    VirtualPrinterProcess printer(link, trace);
    const RunResult write = service({ "eeprom", "write", "2E", "F6" });
    EXPECT_EQ(write.exitCode, 0) << write.err;
    EXPECT_EQ(write.out, "Address = 2E\nData = F6\n");
    EXPECT_THAT(service({ "eeprom", "read", "2E" }).out,
                HasSubstr("\n2  " + std::string(42, ' ') + "F6\n"));

    EXPECT_EQ(service({ "counter", "reset", "--model", "0", "--yes" }).exitCode, 0);
    EXPECT_EQ(service({ "counter" }).out, "Counter value = 2940\n");

    const RunResult set = service({ "head-id", "set", "AZGAA6" });
    EXPECT_EQ(set.exitCode, 0) << set.err;
    EXPECT_EQ(service({ "head-id" }).out, "Head voltage ID = AZGAA6\n");
    EXPECT_TRUE(printer.waitForTrace("data on 2: \"||\" 07 00 07 05 42 BD 21 46 00"));
}

// The values of the adjustment items, written with the windows' exchanges on a blank board and
// read back; a refused value reaches nothing.
TEST_F(ServiceOnPty, AdjustmentValuesWrittenAndReadBack)
{
    VirtualPrinterProcess printer(link, trace);
    const RunResult refused = service({ "bid", "set", "--ms1", "4", "--vs", "-57" });
    EXPECT_EQ(refused.exitCode, 2);

    const RunResult bid = service({ "bid", "set", "--ms2", "-9", "--vs", "12" });
    EXPECT_EQ(bid.exitCode, 0) << bid.err;
    // Multi shot 1 as the blank board has it: the refused line sent nothing.
    EXPECT_EQ(service({ "bid" }).out, "Multi shot 1 = -1\nMulti shot 2 = -9\nVariable shot = 12\n");
    EXPECT_EQ(service({ "top-margin", "set", "-40" }).exitCode, 0);
    EXPECT_EQ(service({ "top-margin" }).out, "Top margin = -40\n");

    const RunResult usb = service({ "usb-id", "set", "ZX90000001", "--model", "771" });
    EXPECT_EQ(usb.exitCode, 0) << usb.err;
    ASSERT_THAT(usb.out, StartsWith("USB ID\n\"ZX9000000 1"));
    const std::string stamp = usb.out.substr(19, 8);
    EXPECT_EQ(service({ "usb-id", "--model", "771" }).out, "USB ID = ZX90000001" + stamp + "\n");

    const RunResult initial = service({ "eeprom", "initial-setting", "--model", "1", "--yes" });
    EXPECT_EQ(initial.exitCode, 0) << initial.err;
    EXPECT_THAT(service({ "eeprom", "read", "29" }).out,
                EndsWith("\n2" + std::string(29, ' ') + "01\n"));
    EXPECT_THAT(service({ "eeprom", "read", "5F" }).out, EndsWith("02\n"));
}

TEST_F(ServiceOnPty, TopMarginLineAfterRemoteMode)
{
    VirtualPrinterProcess printer(link, trace);
    const RunResult print = service({ "print", "top-margin" });
    EXPECT_EQ(print.exitCode, 0) << print.err;
    EXPECT_EQ(print.out, "Now printing Top Margin Line.\nPrinting Top Margin Line completed.\n");
    EXPECT_EQ(printer.count("remote mode: enter"), 1);
    EXPECT_EQ(printer.count("remote mode: leave"), 1);
}

TEST_F(ServiceOnPty, CleaningAndInkChargeRunToTheirEnd)
{
    VirtualPrinterProcess printer(link, trace);
    const RunResult clean = service({ "clean" });
    EXPECT_EQ(clean.exitCode, 0) << clean.err;
    EXPECT_EQ(clean.out, "Cleaning the head now.\nHead cleaning is completed.\n");
    const RunResult charge = service({ "ink-charge" });
    EXPECT_EQ(charge.exitCode, 0) << charge.err;
    EXPECT_EQ(charge.out, "Performing Initial Ink Charge now.\nInitial Ink Charge is completed.\n");
    EXPECT_EQ(printer.count("FactoryCleaning(1: head cleaning)"), 1);
    EXPECT_EQ(printer.count("FactoryCleaning(10: initial ink charge)"), 1);
}

TEST_F(ServiceOnPty, EveryPrint)
{
    VirtualPrinterProcess printer(link, trace);
    for (const std::vector<std::string> &print :
         { std::vector<std::string>{ "print", "nozzle-check" },
           std::vector<std::string>{ "print", "bid" },
           std::vector<std::string>{ "print", "a4", "--model", "1" } }) {
        const RunResult result = service(print);
        EXPECT_EQ(result.exitCode, 0) << print[1] << result.err;
        EXPECT_THAT(result.out, HasSubstr("completed.\n")) << print[1];
    }
    EXPECT_GE(printer.count("FactorySetBid("), 6); // two pattern prints, three shot pages each
}

TEST_F(ServiceOnPty, TraceOfTheRun)
{
    VirtualPrinterProcess printer(link, trace);
    const RunResult result = service({ "status", "--trace", file("trace.txt") });
    EXPECT_EQ(result.exitCode, 0) << result.err;
    const std::string text = readFile(file("trace.txt"));
    EXPECT_THAT(text, StartsWith("# cantra-service status on LPT1: ms since the start ("));
    for (const char *line :
         { "> 00 00 00 1B 01 40 50 43 51 20 31 32 38 34 2E 34 0A 40 50 43 51 0A 40 50 43 51 0A | "
           "entry into packet mode\n",
           ". | wait 10 ms\n", "< 00 00 00 08 01 00 D0 00 | reply to entry into packet mode\n",
           "| control: status request \"st\"\n", "| status: ready, ink 70 80 80 80 ",
           "> 00 00 00 07 01 00 08 | Exit\n", "| reply to Exit\n" })
        EXPECT_THAT(text, HasSubstr(line));
}

TEST_F(ServiceOnPty, FailuresEndWithOneLineAndTheirCode)
{
    {
        // An error character the status decoding does not know ends the link by force.
        VirtualPrinterProcess printer(link, trace, { "--error", "Z" });
        const RunResult fatal = service({ "status" });
        EXPECT_EQ(fatal.exitCode, 3);
        EXPECT_EQ(fatal.err,
                  "cantra-service: Error status acquisition failure (the link was "
                  "ended by force)\n");
    }
    {
        VirtualPrinterProcess printer(link, trace, { "--error", "4" });
        const RunResult jam = service({ "clean" });
        EXPECT_EQ(jam.exitCode, 1);
        EXPECT_EQ(jam.err, "cantra-service: head cleaning: Printer is error. (paper jam)\n");
        EXPECT_EQ(printer.count("FactoryCleaning("), 0);
    }
    const RunResult noPort = service({ "counter" }, { { "CANTRA_LPT1", "/nonexistent/lpt" } });
    EXPECT_EQ(noPort.exitCode, 3);
    EXPECT_THAT(noPort.err, HasSubstr("LPT1 -> /nonexistent/lpt (set by CANTRA_LPT1)"));
    EXPECT_THAT(noPort.err, EndsWith("cantra-service: Cannot open port.\n"));

    const RunResult wrong = service({ "eeprom", "write", "2E" });
    EXPECT_EQ(wrong.exitCode, 2);
    EXPECT_EQ(wrong.err,
              "cantra-service: eeprom write needs more: eeprom write ADDR VALUE (see "
              "cantra-service --help)\n");
    EXPECT_EQ(service({ "--help" }).exitCode, 0);
}

// The in-process virtual printer, and a port name that leads to it.
TEST_F(ServiceOnPty, VirtualPortWithoutTheExecutable)
{
    const RunResult virtualPort = service({ "head-id", "--port", "virtual" });
    EXPECT_EQ(virtualPort.exitCode, 0) << virtualPort.err;
    EXPECT_EQ(virtualPort.out, "Head voltage ID = H3PR2C\n");
    const RunResult byName = service({ "bid", "--port", "LPT2" }, { { "CANTRA_LPT2", "virtual" } });
    EXPECT_EQ(byName.exitCode, 0) << byName.err;
    EXPECT_EQ(byName.out, "Multi shot 1 = 3\nMulti shot 2 = -2\nVariable shot = 1\n");
}

} // namespace
