// A test with the platform doubles and an in-process virtual printer on every port.
#include "support/LinkFixture.h"

#include "support/PacketQuery.h"

#include "link/Roro4dodu.h"
#include "link/Vuviredorizaduzu.h"
#include "vprinter/VirtualPort.h"

namespace testsupport {

LinkFixture::LinkFixture()
{
    // Tests read every packet of what they ran; a long run without a test keeps only a tail.
    printer.keepFullRecord(true);
    vprinter::bindVirtualPorts(printer, true);
}

LinkFixture::~LinkFixture()
{
    PrinterDriver.ClosePort();
}

void LinkFixture::startControlLink()
{
    PrinterDriver.OpenPort(0);
    ASSERT_TRUE(D4Link.EnterD4Mode());
    D4Link.D4Init();
    D4Link.OpenChannel(ControlSocket);
    D4Link.GrantCredit(ControlSocket, 1);
}

void LinkFixture::startLink()
{
    startControlLink();
    D4Link.GetPrinterStatus();
    D4Link.OpenChannel(DataSocket);
}

void LinkFixture::atPacket(const std::string &prefix, std::function<void(int n)> action)
{
    printer.onTrace
            = [prefix, action = std::move(action), seen = 0](const std::string &line) mutable {
                  if (line.rfind(prefix, 0) == 0)
                      action(++seen);
              };
}

void LinkFixture::faultAtPacket(const std::string &prefix, int n,
                                std::function<void(vprinter::Faults &)> fault)
{
    atPacket(prefix, [this, n, fault = std::move(fault)](int seen) {
        if (seen == n)
            fault(printer.faults());
    });
}

void LinkFixture::recordEvents()
{
    events.clear();
    platform.onEvent([this](const std::string &event) {
        if (event != "sleep 10")
            events.push_back(event);
    });
    printer.onTrace = [this](const std::string &line) {
        if (line.rfind("Credit", 0) != 0)
            events.push_back(line);
    };
}

std::vector<std::string> LinkFixture::received() const
{
    return PacketQuery(printer).lines();
}

const std::vector<std::string> LinkStartOnTheWire{
    "00 00 00 1B 01 40 50 43 51 20 31 32 38 34 2E 34 0A 40 50 43 51 0A 40 50 43 51 0A",
    "00 00 00 08 01 00 00 10",
    "00 00 00 11 01 00 01 02 02 01 00 01 00 00 00 00 00",
    "00 00 00 0B 01 00 03 02 02 00 01",
    "00 00 00 0B 01 00 03 02 02 00 01",
    "00 00 00 0D 01 00 04 02 02 FF FF 00 01",
    "02 02 00 0B 00 00 73 74 01 00 01",
    "00 00 00 11 01 00 01 40 40 01 00 01 00 00 00 00 00",
};

std::string hex(const std::vector<uint8_t> &bytes)
{
    return vprinter::hexBytes(bytes);
}

std::vector<std::string> LinkFixture::wire() const
{
    return PacketQuery(printer).wire();
}

} // namespace testsupport
