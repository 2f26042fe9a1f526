// One way for tests to ask what the virtual printer received: packets by socket, transactions,
// control commands with their EEPROM reads and writes, factory commands and data payloads.
#pragma once

#include "vprinter/VirtualPrinter.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace testsupport {

// A factory frame as the host sent it on the data channel.
struct FactoryCall
{
    uint8_t code = 0;
    std::vector<uint8_t> parameters;

    // "C4(5, 0, 2, 0)", "W(46, 246)", "Bid(2, -4)", "Cleaning(1)", "R(77)", "81()", "50()".
    std::string name() const;
    bool operator==(const FactoryCall &) const = default;
};

// The frame in a data-channel payload, if the payload is one whole well-formed frame.
std::optional<FactoryCall> parseFactoryCall(const std::vector<uint8_t> &payload);

// A raster block (ESC "." or ESC "i") with its rows expanded from the compressed data that
// followed it, and the settings in force when it began.
struct RasterBlock
{
    std::vector<uint8_t> header; // the command that began the block
    size_t rowBytes = 0;
    size_t rowCount = 0; // as the header announced
    std::vector<std::vector<uint8_t>> rows;
    int direction = -1; // of the last ESC "U", -1 when none came
    int density = -1; // of the last ESC "(" "r"
    int colour = -1;
    int dataPackets = 0; // packets that carried the block's data
    bool runAcrossRows = false; // a run that did not end with its row
    bool complete = false; // every announced row came, each of exactly rowBytes
};

class PacketQuery
{
public:
    explicit PacketQuery(const vprinter::VirtualPrinter &printer);
    explicit PacketQuery(std::vector<vprinter::Packet> packets);

    const std::vector<vprinter::Packet> &all() const { return m_packets; }
    // One decoded line per packet, as the virtual printer's trace names it.
    std::vector<std::string> lines() const;
    // Every packet as it came, header included, in hexadecimal.
    std::vector<std::string> wire() const;

    // Channel packets on one socket (2 control, 64 data).
    std::vector<vprinter::Packet> onSocket(uint8_t socket) const;
    // Transactions on socket 0, named as in the trace ("Init", "Credit(64, 200)").
    std::vector<std::string> transactions() const;
    // Transactions of one command byte (0x03 Credit, 0x04 CreditRequest ...) on one socket,
    // or on any socket when `socket` is negative.
    int transactionCount(uint8_t command, int socket = -1) const;

    // Control-channel commands in order: "st", "pe", "rs", "read 2E", "write 2E F6",
    // anything else as its two letters.
    std::vector<std::string> controlCommands() const;
    int statusRequests() const;
    // Control-channel EEPROM reads by address, and writes as (address, value), in order.
    std::vector<int> eepromReads() const;
    std::vector<std::pair<int, int>> eepromWrites() const;

    // Data-channel payloads in order, raw and in hexadecimal.
    std::vector<std::vector<uint8_t>> data() const;
    std::vector<std::string> dataHex() const;
    // Factory frames on the data channel, all or of one code, in order.
    std::vector<FactoryCall> factoryCalls() const;
    std::vector<FactoryCall> factoryCalls(uint8_t code) const;
    std::vector<std::string> factoryNames() const;
    // Data-channel payloads that are not factory frames (raster and text).
    std::vector<std::vector<uint8_t>> printData() const;
    // Print-data payloads that are exactly one run of compressed raster data (a counter byte
    // 00 or 80 to FF, and its value).
    int runPackets() const;
    // The raster blocks of the print data, in order.
    std::vector<RasterBlock> rasterBlocks() const;

private:
    std::vector<vprinter::Packet> m_packets;
};

} // namespace testsupport
