// A link to the virtual printer with its data channel open, and views of what the printer
// received: data-channel payloads and the control channel's EEPROM reads and writes.
#pragma once

#include "commands/Zadivavoza.h"
#include "support/LinkFixture.h"
#include "support/PacketQuery.h"

#include <string>
#include <utility>
#include <vector>

namespace testsupport {

class CommandFixture : public LinkFixture
{
protected:
    // The first data packet fetches credit both ways, so that a test's own packets go out
    // alone; the command sent for it (code 50) changes nothing in the printer.
    CommandFixture()
    {
        startLink();
        Factory.FactoryCommand50();
        platform.clock.sleeps.clear();
        printer.clearReceived();
        printer.factory().clearRecords();
    }

    PacketQuery query() const { return PacketQuery(printer); }
    // Every data-channel payload in hexadecimal, in order.
    std::vector<std::string> dataSent() const { return query().dataHex(); }
    // Control-channel EEPROM writes as (address, value), and reads by address, in order.
    std::vector<std::pair<int, int>> controlWrites() const { return query().eepromWrites(); }
    std::vector<int> controlReads() const { return query().eepromReads(); }
};

} // namespace testsupport
