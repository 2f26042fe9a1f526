// The virtual printer as a port device, so the link reaches it like any other printer.
#pragma once

#include "platform/PortDevice.h"
#include "vprinter/VirtualPrinter.h"

#include <memory>

namespace vprinter {

class VirtualPort : public platform::PortDevice
{
public:
    explicit VirtualPort(VirtualPrinter &printer) : m_printer(printer) { }
    // Closing the port is the host going away.
    ~VirtualPort() override { m_printer.hostGone(); }

    bool getTimeouts(platform::PortTimeouts &timeouts) override;
    bool setTimeouts(const platform::PortTimeouts &timeouts) override;
    void waitWritable() override { }
    bool write(const uint8_t *data, size_t length, size_t &written) override;
    bool read(uint8_t *data, size_t length, size_t &got) override;
    size_t discardWaiting() override;

private:
    VirtualPrinter &m_printer;
    platform::PortTimeouts m_timeouts;
};

// Makes the port connector open `printer` for every port connected to "virtual" (or for every
// port at all when `allPorts`).
void bindVirtualPorts(VirtualPrinter &printer, bool allPorts);

} // namespace vprinter
