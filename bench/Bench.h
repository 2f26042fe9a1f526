// Shared pieces of the benchmark's sections: clocks, the two print jobs the figures are about,
// the link start and end, and ports that count or keep what the host writes. The benchmark
// prints figures; it never passes or fails.
#pragma once

#include "platform/PortDevice.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace bench {

// CPU time of this process, and a monotonic wall clock, in seconds.
double cpuSeconds();
double wallSeconds();

// A print the figures are about, run on a link started with startLink(). Every section's
// printer holds the serviced EEPROM, so every section sends the same bytes.
struct PrintJob
{
    const char *name;
    std::function<void()> print;
};
// One Bi-D print (the pattern and its page eject, as the Bi-D item prints it) and one A4
// check sheet of the first model.
const std::vector<PrintJob> &printJobs();

// The link start of the start window up to the open data channel, and the link end.
void startLink();
void endLink();

// What the host wrote to the port, write by write.
struct Writes
{
    uint64_t packets = 0; // writes; the host writes one packet at a time
    uint64_t bytes = 0;
    uint64_t dataPackets = 0; // on the data channel
    uint64_t dataBytes = 0; // their payloads
    std::vector<std::vector<uint8_t>> kept; // the bytes of every write, when asked for

    void add(const uint8_t *data, size_t length, bool keep);
};

// A port that hands everything on to another and tallies the writes on the way.
class TallyPort : public platform::PortDevice
{
public:
    TallyPort(std::unique_ptr<platform::PortDevice> inner, Writes &writes, bool keep)
        : m_inner(std::move(inner)), m_writes(writes), m_keep(keep)
    { }
    bool getTimeouts(platform::PortTimeouts &t) override { return m_inner->getTimeouts(t); }
    bool setTimeouts(const platform::PortTimeouts &t) override { return m_inner->setTimeouts(t); }
    void waitWritable() override { m_inner->waitWritable(); }
    bool write(const uint8_t *data, size_t length, size_t &written) override
    {
        m_writes.add(data, length, m_keep);
        return m_inner->write(data, length, written);
    }
    bool read(uint8_t *data, size_t length, size_t &got) override
    {
        return m_inner->read(data, length, got);
    }
    size_t discardWaiting() override { return m_inner->discardWaiting(); }

private:
    std::unique_ptr<platform::PortDevice> m_inner;
    Writes &m_writes;
    bool m_keep;
};

// A connector that opens every port with a factory of the section's choosing.
class PortsOf : public platform::PortConnector
{
public:
    using Factory = std::function<std::unique_ptr<platform::PortDevice>()>;
    explicit PortsOf(Factory factory) : m_factory(std::move(factory)) { }
    std::unique_ptr<platform::PortDevice> open(const std::string &) override { return m_factory(); }

private:
    Factory m_factory;
};

// Figures of a per-packet time against its target, e.g. "  68 ns  (target < 100 ns)".
std::string nanoseconds(double seconds, uint64_t packets);

// The sections, in the order they print.
void streamFigures(); // packets, bytes and host CPU per packet, in-process
void ptyFigures(); // the real POSIX port to cantra-vprinter against a bare write loop
void pageFigures(); // the host's print time with and without cantra-vprinter --pages
void virtualPrinterFigures(); // the virtual printer's memory, reading and rendering
void traceFigures(); // what the protocol trace costs, off, on into a file and off again

} // namespace bench
