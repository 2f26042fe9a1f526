// In-process port to the virtual printer: a write is taken at once, a read returns what the
// printer has answered so far.
#include "vprinter/VirtualPort.h"

namespace vprinter {

bool VirtualPort::getTimeouts(platform::PortTimeouts &timeouts)
{
    timeouts = m_timeouts;
    return true;
}

bool VirtualPort::setTimeouts(const platform::PortTimeouts &timeouts)
{
    m_timeouts = timeouts;
    return true;
}

bool VirtualPort::write(const uint8_t *data, size_t length, size_t &written)
{
    written = length;
    if (m_printer.faults().shortWrites > 0 && length > 0) {
        --m_printer.faults().shortWrites;
        written = length - 1;
    }
    m_printer.hostWrite(data, written);
    return true;
}

bool VirtualPort::read(uint8_t *data, size_t length, size_t &got)
{
    got = m_printer.hostRead(data, length);
    return true;
}

size_t VirtualPort::discardWaiting()
{
    uint8_t scratch[256];
    size_t dropped = 0;
    while (const size_t count = m_printer.hostRead(scratch, sizeof scratch))
        dropped += count;
    return dropped;
}

void bindVirtualPorts(VirtualPrinter &printer, bool allPorts)
{
    platform::SystemPortConnector &ports = platform::systemPorts();
    ports.setVirtualFactory([&printer] { return std::make_unique<VirtualPort>(printer); });
    ports.setAllVirtual(allPorts);
}

} // namespace vprinter
