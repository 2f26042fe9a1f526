// Port driver: every write and read applies the fixed time-outs first; failures are fatal
// except a short packet write or a failed read, which the transport handles.
#include "link/Vuviredorizaduzu.h"

#include "link/Ririzurozezi.h"
#include "platform/Platform.h"
#include "platform/Trace.h"
#include "records/ServiceRecord.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <string>

TPPrinterDriver PrinterDriver;

namespace {

constexpr const char *PortNames[] = { "LPT1", "LPT2", "LPT3" };
constexpr size_t HeaderLength = 6;
// No packet read, whatever arrives, lasts longer than this.
constexpr int64_t ReadGuardMs = 10'000;
constexpr uint32_t PauseBeforeReadMs = 10;

} // namespace

TPPrinterDriver::TPPrinterDriver()
    : m_timeouts{ .readIntervalMs = 200,
                  .readTotalMultiplierMs = 1,
                  .readTotalConstantMs = 5000,
                  .writeTotalMultiplierMs = 1,
                  .writeTotalConstantMs = 3000 }
{ }

bool TPPrinterDriver::TryOpenPort(uint16_t index)
{
    m_port.reset();
    if (index >= std::size(PortNames))
        return false;
    m_port = platform::ports().open(PortNames[index]);
    if (!m_port) {
        // The box is all the technician sees; whoever sets the machine up needs to know what
        // was tried and why it failed.
        const std::string why = platform::ports().lastFailure();
        std::fprintf(stderr, "Cannot open port %s%s%s\n", PortNames[index], why.empty() ? "" : ": ",
                     why.c_str());
        return false;
    }
    const bool allVirtual = platform::systemPorts().allVirtual();
    records::portOpened(PortNames[index],
                        allVirtual ? platform::VirtualConnection
                                   : platform::connectionFor(PortNames[index]));
    return true;
}

void TPPrinterDriver::OpenPort(uint16_t index)
{
    if (index >= std::size(PortNames)) {
        m_port.reset();
        return;
    }
    if (!TryOpenPort(index)) {
        platform::Message message;
        message.kind = platform::MessageKind::Plain;
        message.text = "Cannot open port.";
        // Started from the desktop's menu the technician never sees standard error; what they
        // can mend themselves goes into the box.
        message.detail = platform::ports().lastRemedy();
        message.title = "error";
        message.system = true;
        platform::dialogs().show(message);
        platform::process().exit(0);
    }
}

void TPPrinterDriver::ClosePort()
{
    m_port.reset();
}

bool TPPrinterDriver::prepareTransfer()
{
    if (!m_port)
        FatalError("Cannot open port.");
    platform::PortTimeouts current;
    if (m_port->getTimeouts(current))
        m_port->setTimeouts(m_timeouts);
    return true;
}

bool TPPrinterDriver::WritePacket(const uint8_t *buffer, size_t length)
{
    prepareTransfer();
    m_port->waitWritable();
    // Tested before the write, so that without a trace the write is what it always was.
    if (platform::trace()) [[unlikely]]
        return writeTraced(buffer, length);
    size_t written = 0;
    m_port->write(buffer, length, written);
    return written == length;
}

bool TPPrinterDriver::writeTraced(const uint8_t *buffer, size_t length)
{
    size_t written = 0;
    m_port->write(buffer, length, written);
    platform::trace()->sent(buffer, length, written);
    return written == length;
}

void TPPrinterDriver::WriteData(const uint8_t *buffer, size_t length)
{
    if (WritePacket(buffer, length))
        return;
    platform::showError("Transmission error");
    m_port.reset();
    ForcedExit.ForceExit();
}

bool TPPrinterDriver::readBy(uint8_t *buffer, size_t count, int64_t deadline, size_t &got)
{
    got = 0;
    const int64_t remaining = deadline - platform::clock().monotonicMs();
    if (remaining <= 0)
        return false;
    // The fixed time-outs, unless less time is left than they would allow.
    platform::PortTimeouts timeouts = m_timeouts;
    const int64_t allowed = int64_t(m_timeouts.readTotalConstantMs)
            + int64_t(m_timeouts.readTotalMultiplierMs) * int64_t(count);
    if (remaining < allowed) {
        timeouts.readTotalMultiplierMs = 0;
        timeouts.readTotalConstantMs = uint32_t(remaining);
    }
    platform::PortTimeouts current;
    if (m_port->getTimeouts(current))
        m_port->setTimeouts(timeouts);
    if (!m_port->read(buffer, count, got) || got < count)
        return false;
    return platform::clock().monotonicMs() < deadline;
}

void TPPrinterDriver::discard(size_t count, int64_t deadline)
{
    // As long as reading the body would have been allowed, and never past the guard: a chunk
    // must not bring a fresh time-out of its own.
    const int64_t now = platform::clock().monotonicMs();
    const int64_t bodyDeadline
            = std::min(deadline,
                       now + m_timeouts.readTotalConstantMs
                               + int64_t(m_timeouts.readTotalMultiplierMs) * int64_t(count));
    std::array<uint8_t, 256> scratch{};
    while (count > 0) {
        const size_t chunk = std::min(count, scratch.size());
        size_t got = 0;
        if (!readBy(scratch.data(), chunk, bodyDeadline, got))
            return;
        count -= chunk;
    }
}

bool TPPrinterDriver::ReadPacket(uint8_t *buffer, size_t capacity, int32_t &length)
{
    platform::clock().sleep(PauseBeforeReadMs);
    prepareTransfer();
    length = 0;
    if (capacity < HeaderLength)
        return false;
    const int64_t guard = platform::clock().monotonicMs() + ReadGuardMs;
    size_t got = 0;
    if (!readBy(buffer, HeaderLength, guard, got))
        return readFailed(buffer, got, HeaderLength, ReadFault::Cut);
    const size_t total = size_t(buffer[2]) * 256 + buffer[3];
    if (total < HeaderLength)
        return readFailed(buffer, HeaderLength, total, ReadFault::ImpossibleLength);
    if (total > capacity) {
        discard(total - HeaderLength, guard);
        return readFailed(buffer, HeaderLength, total, ReadFault::TooLong);
    }
    length = int32_t(total);
    if (!readBy(buffer + HeaderLength, total - HeaderLength, guard, got))
        return readFailed(buffer, HeaderLength + got, total, ReadFault::Cut);
    if (platform::Trace *trace = platform::trace())
        trace->received(buffer, total);
    return true;
}

bool TPPrinterDriver::readFailed(const uint8_t *buffer, size_t got, size_t expected,
                                 ReadFault fault)
{
    platform::Trace *trace = platform::trace();
    if (!trace)
        return false;
    const std::string total = std::to_string(expected);
    std::string why;
    switch (fault) {
    case ReadFault::ImpossibleLength:
        why = "reply refused: its header gives the impossible length " + total;
        break;
    case ReadFault::TooLong:
        why = "reply of " + total + " bytes refused: longer than the buffer, read out and dropped";
        break;
    case ReadFault::Cut:
        if (got == 0)
            why = "no reply within the time-out";
        else if (got == expected)
            why = "reply complete only after the 10-second guard";
        else
            why = "reply cut short: " + std::to_string(got) + " of " + total
                    + " bytes within the time-out";
        break;
    }
    trace->readFailed(buffer, got, why);
    return false;
}

void TPPrinterDriver::DropWaitingBytes()
{
    if (!m_port)
        return;
    const size_t dropped = m_port->discardWaiting();
    if (platform::Trace *trace = platform::trace(); trace && dropped > 0)
        trace->dropped(dropped);
}
