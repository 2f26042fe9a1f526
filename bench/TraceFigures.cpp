// What the protocol trace costs: packet writes through the port driver on a port that takes
// everything, and A4 check sheets through the whole link to the in-process printer, with the
// trace off, on into a file, and off again, in one run so the figures compare.
#include "Bench.h"

#include "support/TestPlatform.h"

#include "link/Roro4dodu.h"
#include "link/TraceLog.h"
#include "link/Vuviredorizaduzu.h"
#include "patterns/Dude4vidad.h"
#include "platform/PortDevice.h"
#include "platform/Trace.h"
#include "vprinter/ServicedPrinter.h"
#include "vprinter/VirtualPort.h"
#include "vprinter/VirtualPrinter.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>

namespace {

constexpr int WritesPerRound = 2'000'000;
constexpr int Rounds = 5;
constexpr int Sheets = 3;

// Takes every byte at once and never answers.
class NullPort : public platform::PortDevice
{
public:
    bool getTimeouts(platform::PortTimeouts &) override { return true; }
    bool setTimeouts(const platform::PortTimeouts &) override { return true; }
    void waitWritable() override { }
    bool write(const uint8_t *, size_t length, size_t &written) override
    {
        written = length;
        return true;
    }
    bool read(uint8_t *, size_t, size_t &got) override
    {
        got = 0;
        return true;
    }
    size_t discardWaiting() override { return 0; }
};

class NullPorts : public platform::PortConnector
{
public:
    std::unique_ptr<platform::PortDevice> open(const std::string &) override
    {
        return std::make_unique<NullPort>();
    }
};

// A trace whose lines go nowhere: what the decoding and the line building cost.
class DroppedLines : public TraceLog
{
public:
    DroppedLines() : TraceLog("bench") { }
    size_t lines = 0;

protected:
    void writeLine(const std::string &) override { ++lines; }
};

// Best of a few rounds of the same raster packet written through the driver, in ns a packet.
double driverWrites(platform::Trace *trace)
{
    testsupport::TestPlatform platform;
    NullPorts ports;
    platform::setPorts(&ports);
    PrinterDriver.OpenPort(0);
    platform::setTrace(trace);
    const uint8_t packet[] = { 0x40, 0x40, 0x00, 0x08, 0x00, 0x00, 0x89, 0xFF };
    double best = 1e9;
    for (int round = 0; round < Rounds; ++round) {
        const double t0 = bench::cpuSeconds();
        for (int i = 0; i < WritesPerRound; ++i)
            PrinterDriver.WritePacket(packet, sizeof packet);
        best = std::min(best, bench::cpuSeconds() - t0);
    }
    platform::setTrace(nullptr);
    PrinterDriver.ClosePort();
    platform::setPorts(nullptr);
    return best * 1e9 / WritesPerRound;
}

struct SheetFigures
{
    double cpuMs = 0; // best sheet
    uint64_t packets = 0;
};

SheetFigures sheets(platform::Trace *trace)
{
    testsupport::TestPlatform platform;
    vprinter::VirtualPrinter printer;
    printer.eeprom() = vprinter::servicedEeprom();
    vprinter::bindVirtualPorts(printer, true);
    platform::setTrace(trace);
    bench::startLink();
    SheetFigures figures;
    figures.cpuMs = 1e9;
    for (int sheet = 0; sheet < Sheets; ++sheet) {
        const uint64_t before = printer.packetsReceived();
        const double t0 = bench::cpuSeconds();
        A4check.PrintCheckSheet(770);
        figures.cpuMs = std::min(figures.cpuMs, (bench::cpuSeconds() - t0) * 1e3);
        figures.packets = printer.packetsReceived() - before;
        printer.takePages();
    }
    platform::setTrace(nullptr);
    PrinterDriver.ClosePort();
    return figures;
}

} // namespace

void bench::traceFigures()
{
    std::printf("Protocol trace: off, on, off again (CPU time, best of the rounds)\n");
    const double off = driverWrites(nullptr);
    DroppedLines dropped;
    const double on = driverWrites(&dropped);
    const double offAgain = driverWrites(nullptr);
    std::printf("\nOne raster packet written through the driver, %d a round:\n", WritesPerRound);
    std::printf("  trace off        %6.1f ns a packet\n", off);
    std::printf("  trace on         %6.1f ns a packet (runs summarised, %zu lines)\n", on,
                dropped.lines);
    std::printf("  trace off again  %6.1f ns a packet\n", offAgain);

    const std::filesystem::path file
            = std::filesystem::temp_directory_path() / "cantra-trace-bench.txt";
    const SheetFigures sheetsOff = sheets(nullptr);
    SheetFigures sheetsOn;
    {
        TraceFile trace(file.string(), "bench");
        sheetsOn = sheets(&trace);
    }
    const auto fileBytes = std::filesystem::file_size(file);
    size_t lines = 0;
    if (std::FILE *in = std::fopen(file.string().c_str(), "r")) {
        for (int c = 0; (c = std::fgetc(in)) != EOF;)
            lines += c == '\n';
        std::fclose(in);
    }
    std::filesystem::remove(file);
    const SheetFigures sheetsOffAgain = sheets(nullptr);
    std::printf("\nA4 check sheet through the link to the in-process printer (%llu packets), "
                "best of %d:\n",
                static_cast<unsigned long long>(sheetsOff.packets), Sheets);
    std::printf("  trace off        %6.1f ms\n", sheetsOff.cpuMs);
    std::printf("  trace on, file   %6.1f ms (%d sheets: %zu lines, %.1f KiB)\n", sheetsOn.cpuMs,
                Sheets, lines, double(fileBytes) / 1024.0);
    std::printf("  trace off again  %6.1f ms\n", sheetsOffAgain.cpuMs);
}
