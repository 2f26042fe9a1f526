// The packet record read the way tests ask about it. Frames are decoded here from the bytes,
// independently of the virtual printer's own decoder, so a test cannot share its faults.
#include "support/PacketQuery.h"

#include <cstdio>

namespace testsupport {

namespace {

constexpr uint8_t ControlSocket = 2;
constexpr uint8_t DataSocket = 64;

std::string hex2(unsigned value)
{
    char cell[3];
    std::snprintf(cell, sizeof cell, "%02X", value & 0xFF);
    return cell;
}

std::string numbers(const std::vector<uint8_t> &values)
{
    std::string text;
    for (size_t i = 0; i < values.size(); ++i)
        text += (i ? ", " : "") + std::to_string(values[i]);
    return text;
}

bool isChannel(const vprinter::Packet &p, uint8_t socket)
{
    return p.kind == vprinter::Packet::Kind::Channel && p.socket == socket;
}

bool startsWith(const std::vector<uint8_t> &p, std::initializer_list<uint8_t> head)
{
    if (p.size() < head.size())
        return false;
    size_t i = 0;
    for (uint8_t b : head)
        if (p[i++] != b)
            return false;
    return true;
}

} // namespace

std::string FactoryCall::name() const
{
    const auto &q = parameters;
    switch (code) {
    case 0x41: return "R(" + numbers(q) + ")";
    case 0x42: return "W(" + numbers(q) + ")";
    case 0x00:
        if (q.size() == 4)
            return "Bid(" + std::to_string(q[0]) + ", "
                    + std::to_string(int16_t(uint16_t(q[2] | q[3] << 8))) + ")";
        break;
    case 0x84: return "Cleaning(" + numbers(q) + ")";
    case 0xC4: return "C4(" + numbers(q) + ")";
    case 0xC5: return "C5(" + numbers(q) + ")";
    case 0xC9: return "C9(" + numbers(q) + ")";
    case 0xCA: return "CA(" + numbers(q) + ")";
    case 0x81: return "81(" + numbers(q) + ")";
    case 0x50: return "50(" + numbers(q) + ")";
    }
    return hex2(code) + "(" + numbers(q) + ")";
}

std::optional<FactoryCall> parseFactoryCall(const std::vector<uint8_t> &p)
{
    if (p.size() < 10 || !startsWith(p, { 0x1B, 0x7C, 0x00 }))
        return std::nullopt;
    const size_t n = size_t(p[3]) | size_t(p[4]) << 8;
    if (p.size() != 5 + n || p[5] != 0x07 || p[6] != 0x05)
        return std::nullopt;
    const uint8_t code = p[7];
    if (p[8] != uint8_t(code ^ 0xFF) || p[9] != uint8_t((code >> 1) | (code << 7)))
        return std::nullopt;
    return FactoryCall{ code, { p.begin() + 10, p.end() } };
}

PacketQuery::PacketQuery(const vprinter::VirtualPrinter &printer)
    : m_packets(printer.received().begin(), printer.received().end())
{ }

PacketQuery::PacketQuery(std::vector<vprinter::Packet> packets) : m_packets(std::move(packets)) { }

std::vector<std::string> PacketQuery::lines() const
{
    std::vector<std::string> result;
    for (const vprinter::Packet &p : m_packets)
        result.push_back(p.describe());
    return result;
}

std::vector<std::string> PacketQuery::wire() const
{
    std::vector<std::string> result;
    for (const vprinter::Packet &p : m_packets)
        result.push_back(vprinter::hexBytes(p.raw));
    return result;
}

std::vector<vprinter::Packet> PacketQuery::onSocket(uint8_t socket) const
{
    std::vector<vprinter::Packet> result;
    for (const vprinter::Packet &p : m_packets)
        if (isChannel(p, socket))
            result.push_back(p);
    return result;
}

std::vector<std::string> PacketQuery::transactions() const
{
    std::vector<std::string> result;
    for (const vprinter::Packet &p : m_packets)
        if (p.kind == vprinter::Packet::Kind::Transaction)
            result.push_back(p.describe());
    return result;
}

int PacketQuery::transactionCount(uint8_t command, int socket) const
{
    int count = 0;
    for (const vprinter::Packet &p : m_packets)
        if (p.kind == vprinter::Packet::Kind::Transaction && p.command == command
            && (socket < 0 || (p.payload.size() > 1 && p.payload[1] == socket)))
            ++count;
    return count;
}

std::vector<std::string> PacketQuery::controlCommands() const
{
    std::vector<std::string> result;
    for (const vprinter::Packet &p : m_packets) {
        if (!isChannel(p, ControlSocket) || p.payload.size() < 2)
            continue;
        const auto &q = p.payload;
        if (startsWith(q, { '|', '|', 0x06, 0x00, 0x07, 0x05, 0x41, 0xBE, 0xA0 }) && q.size() == 10)
            result.push_back("read " + hex2(q[9]));
        else if (startsWith(q, { '|', '|', 0x07, 0x00, 0x07, 0x05, 0x42, 0xBD, 0x21 })
                 && q.size() == 11)
            result.push_back("write " + hex2(q[9]) + " " + hex2(q[10]));
        else
            result.push_back(std::string{ char(q[0]), char(q[1]) });
    }
    return result;
}

int PacketQuery::statusRequests() const
{
    int count = 0;
    for (const std::string &command : controlCommands())
        count += command == "st";
    return count;
}

std::vector<int> PacketQuery::eepromReads() const
{
    std::vector<int> result;
    for (const std::string &command : controlCommands())
        if (command.rfind("read ", 0) == 0)
            result.push_back(std::stoi(command.substr(5), nullptr, 16));
    return result;
}

std::vector<std::pair<int, int>> PacketQuery::eepromWrites() const
{
    std::vector<std::pair<int, int>> result;
    for (const std::string &command : controlCommands())
        if (command.rfind("write ", 0) == 0)
            result.emplace_back(std::stoi(command.substr(6, 2), nullptr, 16),
                                std::stoi(command.substr(9, 2), nullptr, 16));
    return result;
}

std::vector<std::vector<uint8_t>> PacketQuery::data() const
{
    std::vector<std::vector<uint8_t>> result;
    for (const vprinter::Packet &p : m_packets)
        if (isChannel(p, DataSocket))
            result.push_back(p.payload);
    return result;
}

std::vector<std::string> PacketQuery::dataHex() const
{
    std::vector<std::string> result;
    for (const auto &payload : data())
        result.push_back(vprinter::hexBytes(payload));
    return result;
}

std::vector<FactoryCall> PacketQuery::factoryCalls() const
{
    std::vector<FactoryCall> result;
    for (const auto &payload : data())
        if (auto call = parseFactoryCall(payload))
            result.push_back(std::move(*call));
    return result;
}

std::vector<FactoryCall> PacketQuery::factoryCalls(uint8_t code) const
{
    std::vector<FactoryCall> result;
    for (FactoryCall &call : factoryCalls())
        if (call.code == code)
            result.push_back(std::move(call));
    return result;
}

std::vector<std::string> PacketQuery::factoryNames() const
{
    std::vector<std::string> result;
    for (const FactoryCall &call : factoryCalls())
        result.push_back(call.name());
    return result;
}

std::vector<std::vector<uint8_t>> PacketQuery::printData() const
{
    std::vector<std::vector<uint8_t>> result;
    for (const auto &payload : data())
        if (!parseFactoryCall(payload))
            result.push_back(payload);
    return result;
}

int PacketQuery::runPackets() const
{
    int count = 0;
    for (const auto &payload : printData())
        count += payload.size() == 2 && (payload[0] == 0x00 || payload[0] >= 0x80);
    return count;
}

namespace {

// Compression mode 1: a counter 0 to 127 takes the next 1 to 128 bytes as they are, 129 to
// 255 repeats the next byte 257 - counter times. False when the payload ends inside a run.
bool expand(const std::vector<uint8_t> &payload, RasterBlock &block)
{
    size_t i = 0;
    while (i < payload.size()) {
        const uint8_t counter = payload[i++];
        std::vector<uint8_t> bytes;
        if (counter < 0x80) {
            if (i + counter + 1 > payload.size())
                return false;
            bytes.assign(payload.begin() + long(i), payload.begin() + long(i + counter + 1));
            i += counter + 1;
        } else {
            if (i >= payload.size())
                return false;
            bytes.assign(size_t(257 - counter), payload[i++]);
        }
        for (size_t b = 0; b < bytes.size(); ++b) {
            if (block.rows.empty() || block.rows.back().size() == block.rowBytes) {
                if (block.rows.size() == block.rowCount)
                    return false;
                block.rows.emplace_back();
                block.runAcrossRows = block.runAcrossRows || b > 0;
            }
            block.rows.back().push_back(bytes[b]);
        }
    }
    return true;
}

bool filled(const RasterBlock &block)
{
    return block.rows.size() == block.rowCount
            && (block.rows.empty() || block.rows.back().size() == block.rowBytes);
}

} // namespace

std::vector<RasterBlock> PacketQuery::rasterBlocks() const
{
    std::vector<RasterBlock> blocks;
    int direction = -1;
    int density = -1;
    int colour = -1;
    bool inBlock = false;
    for (const auto &p : printData()) {
        if (inBlock) {
            RasterBlock &block = blocks.back();
            ++block.dataPackets;
            if (!expand(p, block)) {
                inBlock = false; // malformed: the block stays incomplete
                continue;
            }
            if (filled(block)) {
                block.complete = true;
                inBlock = false;
            }
            continue;
        }
        if (startsWith(p, { 0x1B, 'U' }) && p.size() == 3)
            direction = p[2];
        else if (startsWith(p, { 0x1B, '(', 'r', 0x02, 0x00 }) && p.size() == 7) {
            density = p[5];
            colour = p[6];
        }
        RasterBlock block;
        if (startsWith(p, { 0x1B, '.', 0x01 }) && p.size() == 8) {
            block.rowCount = p[5];
            block.rowBytes = (size_t(p[6]) | size_t(p[7]) << 8) / 8;
        } else if (startsWith(p, { 0x1B, 'i' }) && p.size() == 9) {
            block.rowBytes = size_t(p[5]) | size_t(p[6]) << 8;
            block.rowCount = size_t(p[7]) | size_t(p[8]) << 8;
        } else {
            continue;
        }
        block.header = p;
        block.direction = direction;
        block.density = density;
        block.colour = colour;
        block.complete = block.rowCount == 0;
        inBlock = !block.complete;
        blocks.push_back(std::move(block));
    }
    return blocks;
}

} // namespace testsupport
