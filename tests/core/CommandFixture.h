// A link to the virtual printer with its data channel open, and views of what the printer
// received: data-channel payloads and the control channel's EEPROM reads and writes.
#pragma once

#include "commands/Zadivavoza.h"
#include "support/LinkFixture.h"

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

    // Every data-channel payload in hexadecimal, in order.
    std::vector<std::string> dataSent() const
    {
        std::vector<std::string> lines;
        for (const vprinter::Packet &p : printer.received())
            if (p.kind == vprinter::Packet::Kind::Channel && p.socket == 64)
                lines.push_back(hex(p.payload));
        return lines;
    }

    // Control-channel EEPROM writes as (address, value), in order.
    std::vector<std::pair<int, int>> controlWrites() const
    {
        std::vector<std::pair<int, int>> writes;
        for (const vprinter::Packet &p : printer.received())
            if (p.kind == vprinter::Packet::Kind::Channel && p.socket == 2 && p.payload.size() == 11
                && p.payload[6] == 0x42)
                writes.emplace_back(p.payload[9], p.payload[10]);
        return writes;
    }

    // Control-channel EEPROM reads, by address, in order.
    std::vector<int> controlReads() const
    {
        std::vector<int> reads;
        for (const vprinter::Packet &p : printer.received())
            if (p.kind == vprinter::Packet::Kind::Channel && p.socket == 2 && p.payload.size() == 10
                && p.payload[6] == 0x41)
                reads.push_back(p.payload[9]);
        return reads;
    }
};

} // namespace testsupport
