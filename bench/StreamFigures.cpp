// Packets, bytes and host CPU time per packet of the two print jobs, in-process on the test
// clock: the pattern generators and the link alone (behind a port that frames what is written
// and answers only what needs an answer), then with the virtual printer reading the stream
// into its sheet, and the sheet's picture.
#include "Bench.h"

#include "support/TestPlatform.h"

#include "link/Roro4dodu.h"
#include "vprinter/ServicedPrinter.h"
#include "vprinter/VirtualPort.h"
#include "vprinter/VirtualPrinter.h"

#include <algorithm>
#include <cstdio>

namespace bench {

namespace {

constexpr int Rounds = 5;
constexpr double PacketTargetSeconds = 100e-9;
constexpr double SheetTargetSeconds = 1.0;

// Frames each write and drops the print data unread; transactions, the control channel and
// the factory frames (a stored-value read wants its reply) go on to the virtual printer. The
// host writes one packet at a time, so a write that is not one whole data packet goes on too.
class FramingPort : public platform::PortDevice
{
public:
    explicit FramingPort(vprinter::VirtualPrinter &printer) : m_printer(printer) { }
    bool getTimeouts(platform::PortTimeouts &t) override { return m_printer.getTimeouts(t); }
    bool setTimeouts(const platform::PortTimeouts &t) override { return m_printer.setTimeouts(t); }
    void waitWritable() override { }
    bool write(const uint8_t *data, size_t length, size_t &written) override
    {
        constexpr size_t Header = 6;
        const bool wholeDataPacket = length >= Header && data[0] == DataSocket
                && data[1] == DataSocket && size_t(data[2] << 8 | data[3]) == length;
        const bool factoryFrame = length >= Header + 2 && data[6] == 0x1B && data[7] == '|';
        if (wholeDataPacket && !factoryFrame) {
            written = length;
            return true;
        }
        return m_printer.write(data, length, written);
    }
    bool read(uint8_t *data, size_t length, size_t &got) override
    {
        return m_printer.read(data, length, got);
    }
    size_t discardWaiting() override { return m_printer.discardWaiting(); }

private:
    vprinter::VirtualPort m_printer;
};

enum class Behind { Framing, Printer };

struct Measured
{
    Writes writes; // of one run
    double cpu = 1e9; // best run
    double picture = 1e9; // best picture of the job's last sheet
};

Measured measure(const PrintJob &job, Behind behind)
{
    testsupport::TestPlatform platform;
    vprinter::VirtualPrinter printer;
    printer.eeprom() = vprinter::servicedEeprom();
    Measured m;
    bool tally = true;
    Writes writes;
    PortsOf ports([&]() -> std::unique_ptr<platform::PortDevice> {
        std::unique_ptr<platform::PortDevice> port;
        if (behind == Behind::Framing)
            port = std::make_unique<FramingPort>(printer);
        else
            port = std::make_unique<vprinter::VirtualPort>(printer);
        // Only the first run is tallied; the timed ones write straight to the port.
        if (tally)
            return std::make_unique<TallyPort>(std::move(port), writes, false);
        return port;
    });
    platform::setPorts(&ports);

    // Each run on a link of its own, as the Bi-D item and the check sheet would start it.
    for (int round = 0; round <= Rounds; ++round) {
        tally = round == 0;
        startLink();
        writes = Writes{};
        const double t0 = cpuSeconds();
        job.print();
        const double spent = cpuSeconds() - t0;
        if (round == 0)
            m.writes = writes;
        else
            m.cpu = std::min(m.cpu, spent);
        endLink();
        std::vector<vprinter::Page> pages = printer.takePages();
        if (round > 0 && !pages.empty()) {
            const double p0 = cpuSeconds();
            const vprinter::PageImage image = pages.back().render();
            m.picture = std::min(m.picture, cpuSeconds() - p0);
        }
    }
    platform::setPorts(nullptr);
    return m;
}

} // namespace

void streamFigures()
{
    std::printf("Print stream, in-process, test clock (CPU: best of %d runs)\n", Rounds);
    std::printf("  %-11s %8s %10s %13s %14s\n", "", "packets", "bytes", "data packets",
                "payload bytes");
    struct Row
    {
        const PrintJob *job;
        Measured framing, printer;
    };
    std::vector<Row> rows;
    for (const PrintJob &job : printJobs())
        rows.push_back({ &job, measure(job, Behind::Framing), measure(job, Behind::Printer) });
    for (const Row &row : rows) {
        const Writes &w = row.printer.writes;
        std::printf("  %-11s %8llu %10llu %13llu %14llu\n", row.job->name,
                    static_cast<unsigned long long>(w.packets),
                    static_cast<unsigned long long>(w.bytes),
                    static_cast<unsigned long long>(w.dataPackets),
                    static_cast<unsigned long long>(w.dataBytes));
    }

    std::printf("\n  Host CPU per packet      generator + link   + virtual printer reading\n");
    for (const Row &row : rows) {
        const uint64_t packets = row.printer.writes.packets;
        std::printf("  %-11s             %s (target < %.0f ns)   %s\n", row.job->name,
                    nanoseconds(row.framing.cpu, packets).c_str(), PacketTargetSeconds * 1e9,
                    nanoseconds(row.printer.cpu, packets).c_str());
    }
    std::printf(
            "\n  Virtual printer, per job: reading the stream + the sheet's picture at 360 dpi\n");
    for (const Row &row : rows) {
        const double reading = std::max(0.0, row.printer.cpu - row.framing.cpu);
        std::printf("  %-11s  %6.1f ms + %6.1f ms = %6.1f ms (target < %.0f s)\n", row.job->name,
                    reading * 1e3, row.printer.picture * 1e3, (reading + row.printer.picture) * 1e3,
                    SheetTargetSeconds);
    }
}

} // namespace bench
