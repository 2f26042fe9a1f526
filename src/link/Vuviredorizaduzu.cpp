// Port driver: every write and read applies the fixed time-outs first; failures are fatal
// except a short packet write or a failed read, which the transport handles.
#include "link/Vuviredorizaduzu.h"

#include "platform/Platform.h"
#include "shell/Ririzurozezi.h"

#include <array>

TPPrinterDriver PrinterDriver;

namespace {

constexpr const char *PortNames[] = { "LPT1", "LPT2", "LPT3" };
constexpr size_t HeaderLength = 6;
// The clock counts whole seconds, so this only guards against a port whose own time-outs
// never fire.
constexpr int64_t ReadGuardSeconds = 10;
constexpr uint32_t PauseBeforeReadMs = 10;

} // namespace

TPPrinterDriver::TPPrinterDriver()
    : m_timeouts{ .readIntervalMs = 200,
                  .readTotalMultiplierMs = 1,
                  .readTotalConstantMs = 5000,
                  .writeTotalMultiplierMs = 1,
                  .writeTotalConstantMs = 3000 }
{ }

void TPPrinterDriver::OpenPort(uint16_t index)
{
    m_port.reset();
    if (index >= std::size(PortNames))
        return;
    m_port = platform::ports().open(PortNames[index]);
    if (!m_port) {
        platform::Message message;
        message.kind = platform::MessageKind::Plain;
        message.text = "Cannot open port.";
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
    size_t written = 0;
    m_port->write(buffer, length, written);
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

bool TPPrinterDriver::readExactly(uint8_t *buffer, size_t count)
{
    const int64_t started = platform::clock().seconds();
    size_t got = 0;
    if (!m_port->read(buffer, count, got) || got < count)
        return false;
    return platform::clock().seconds() - started < ReadGuardSeconds;
}

void TPPrinterDriver::discard(size_t count)
{
    std::array<uint8_t, 256> scratch{};
    while (count > 0) {
        const size_t chunk = std::min(count, scratch.size());
        size_t got = 0;
        if (!m_port->read(scratch.data(), chunk, got) || got < chunk)
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
    if (!readExactly(buffer, HeaderLength))
        return false;
    const size_t total = size_t(buffer[2]) * 256 + buffer[3];
    if (total < HeaderLength)
        return false;
    if (total > capacity) {
        discard(total - HeaderLength);
        return false;
    }
    length = int32_t(total);
    return readExactly(buffer + HeaderLength, total - HeaderLength);
}
