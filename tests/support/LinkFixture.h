// A test with the platform doubles and an in-process virtual printer on every port.
#pragma once

#include "support/TestPlatform.h"
#include "vprinter/VirtualPrinter.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace testsupport {

class LinkFixture : public ::testing::Test
{
protected:
    LinkFixture();
    // The port goes before the printer behind it.
    ~LinkFixture() override;

    // Opens LPT1 and runs the link start up to the open control channel.
    void startControlLink();
    // The whole link start as the start window runs it: control channel, status, data channel.
    void startLink();
    // What the printer received, one decoded line per packet (PacketQuery::lines).
    std::vector<std::string> received() const;
    // The bytes of every packet the printer received, header included, in hexadecimal
    // (PacketQuery::wire).
    std::vector<std::string> wire() const;
    // Calls `action` with the count so far (from 1) whenever a packet whose trace line starts
    // with `prefix` has arrived, before the printer answers it. Replaces any trace listener.
    void atPacket(const std::string &prefix, std::function<void(int n)> action);
    // Applies `fault` when the `n`-th such packet has arrived.
    void faultAtPacket(const std::string &prefix, int n,
                       std::function<void(vprinter::Faults &)> fault);
    // From now on `events` gets, in the order they happen, every packet's trace line but the
    // credit transactions', every pause but the link's 10 ms before each read ("sleep 200")
    // and every message ("dialog TEXT").
    void recordEvents();
    std::vector<std::string> events;

    TestPlatform platform;
    vprinter::VirtualPrinter printer;
};

std::string hex(const std::vector<uint8_t> &bytes);

// What a host sends to start the link with a ready printer, packet by packet: entry, Init,
// control channel with its credit, one status request, data channel.
extern const std::vector<std::string> LinkStartOnTheWire;

// Trace lines of the EEPROM exchanges, for faultAtPacket: control-channel read and write, and
// the data channel's factory read.
inline const std::string ControlEepromRead = "data on 2: \"||\" 06 00 07 05 41";
inline const std::string ControlEepromWrite = "data on 2: \"||\" 07 00 07 05 42";
inline const std::string FactoryEepromRead = "data on 64: FactoryReadEeprom(";
// The status request on the control channel.
inline const std::string StatusRequest = "data on 2: \"st\"";

} // namespace testsupport
