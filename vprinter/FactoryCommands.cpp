// Factory frames and the remote-mode sequence on the virtual printer. Each arrives as one
// data-channel packet; a frame whose code triple, count or parameters do not hold together is
// recorded and ignored, as a printer would.
#include "vprinter/FactoryCommands.h"

#include "commands/EepromMap.h"
#include "vprinter/RecordTail.h"
#include "vprinter/VirtualPrinter.h"

#include <cstdio>

namespace vprinter {

namespace {

constexpr uint8_t DataChannel = 64;
constexpr size_t FrameHeader = 5; // 1B 7C 00, count low, count high
constexpr size_t BodyFixed = 5; // 07 05 and the triple
constexpr uint8_t ModeHeadCleaning = 1;
constexpr uint8_t ModeInkCharge = 10;

struct Frame
{
    uint8_t code = 0;
    std::vector<uint8_t> parameters;
};

// Parameter bytes each known code takes.
std::optional<size_t> parameterCount(uint8_t code)
{
    switch (code) {
    case 0x41: return 1; // EEPROM read: address
    case 0x42: return 2; // EEPROM write: address, value
    case 0x00: return 4; // Bi-D: kind, 01, value low, value high
    case 0x84: return 1; // cleaning: mode
    case 0xC4:
    case 0xC5:
    case 0xC9: return 4;
    case 0xCA: return 1;
    case 0x81:
    case 0x50: return 0;
    default: return std::nullopt;
    }
}

bool startsFrame(const std::vector<uint8_t> &p)
{
    return p.size() >= 3 && p[0] == 0x1B && p[1] == 0x7C && p[2] == 0x00;
}

std::optional<Frame> parseFrame(const std::vector<uint8_t> &p)
{
    if (!startsFrame(p) || p.size() < FrameHeader + BodyFixed)
        return std::nullopt;
    const size_t n = size_t(p[3]) | size_t(p[4]) << 8;
    if (p.size() != FrameHeader + n || p[5] != 0x07 || p[6] != 0x05)
        return std::nullopt;
    const uint8_t code = p[7];
    const uint8_t rotated = uint8_t((code >> 1) | (code << 7));
    if (p[8] != uint8_t(~code) || p[9] != rotated)
        return std::nullopt;
    const auto count = parameterCount(code);
    if (!count || n != BodyFixed + *count)
        return std::nullopt;
    Frame frame{ code, { p.begin() + FrameHeader + BodyFixed, p.end() } };
    const auto &q = frame.parameters;
    if (code == 0x84 && q[0] != ModeHeadCleaning && q[0] != ModeInkCharge)
        return std::nullopt;
    if (code == 0x00 && (q[0] < 1 || q[0] > 3 || q[1] != 0x01))
        return std::nullopt;
    return frame;
}

std::string list(const std::vector<uint8_t> &values)
{
    std::string text;
    for (size_t i = 0; i < values.size(); ++i)
        text += (i ? ", " : "") + std::to_string(values[i]);
    return text;
}

std::string frameName(const Frame &f)
{
    const auto &q = f.parameters;
    switch (f.code) {
    case 0x41: return "FactoryReadEeprom(" + list(q) + ")";
    case 0x42: return "FactoryWriteEeprom(" + list(q) + ")";
    case 0x00:
        return "FactorySetBid(" + std::to_string(q[0]) + ", "
                + std::to_string(int16_t(uint16_t(q[2] | q[3] << 8))) + ")";
    case 0x84:
        return "FactoryCleaning(" + std::to_string(q[0])
                + (q[0] == ModeHeadCleaning ? ": head cleaning)" : ": initial ink charge)");
    case 0xC4: return "FactoryCommandC4(" + list(q) + ")";
    case 0xC5: return "FactoryCommandC5(" + list(q) + ")";
    case 0xC9: return "FactoryCommandC9(" + list(q) + ")";
    case 0xCA: return "FactoryCommandCA(" + list(q) + ")";
    case 0x81: return "FactoryCommand81()";
    case 0x50: return "FactoryCommand50()";
    }
    return "factory command " + std::to_string(f.code);
}

// ESC "(" "R", a 16-bit count, then 00 "REMOTE1".
bool isRemoteEnter(const std::vector<uint8_t> &p)
{
    static const std::vector<uint8_t> Enter{ 0x1B, 0x28, 0x52, 0x08, 0x00, 0x00, 'R',
                                             'E',  'M',  'O',  'T',  'E',  '1' };
    return p == Enter;
}

bool isRemoteExit(const std::vector<uint8_t> &p)
{
    return p == std::vector<uint8_t>{ 0x1B, 0x00, 0x00, 0x00 };
}

// Two upper-case letters, a 16-bit little-endian count and exactly that many parameters.
bool isRemoteCommand(const std::vector<uint8_t> &p)
{
    return p.size() >= 4 && p[0] >= 'A' && p[0] <= 'Z' && p[1] >= 'A' && p[1] <= 'Z'
            && p.size() == 4 + (size_t(p[2]) | size_t(p[3]) << 8);
}

std::string remoteCommandName(const std::vector<uint8_t> &p)
{
    std::string text = "remote command \"";
    text += char(p[0]);
    text += char(p[1]);
    text += "\"";
    if (p.size() > 4) {
        text += ' ';
        text += hexBytes({ p.begin() + 4, p.end() });
    }
    return text;
}

} // namespace

uint16_t protectionCounter(const std::array<uint8_t, 256> &image)
{
    return uint16_t(image[eeprom::CounterHigh] << 8 | image[eeprom::CounterLow]);
}

bool maintenanceRequested(const std::array<uint8_t, 256> &image)
{
    // Both cells erased is a counter never set (a blank EEPROM), not a full pad.
    const uint16_t counter = protectionCounter(image);
    return counter != 0xFFFF && counter >= eeprom::CounterMaintenanceRequest;
}

std::optional<std::string> describeFactoryData(const std::vector<uint8_t> &payload)
{
    if (const auto frame = parseFrame(payload))
        return frameName(*frame);
    if (startsFrame(payload))
        return "invalid factory frame: " + hexBytes(payload);
    if (isRemoteEnter(payload))
        return std::string("remote mode: enter \"REMOTE1\"");
    if (isRemoteExit(payload))
        return std::string("remote mode: leave");
    if (isRemoteCommand(payload))
        return remoteCommandName(payload);
    return std::nullopt;
}

void FactoryCommands::record(FactoryRecord::Kind kind, uint8_t code,
                             std::vector<uint8_t> parameters, const std::vector<uint8_t> &payload)
{
    if (kind == FactoryRecord::Kind::Invalid)
        ++m_invalidFrames;
    // Cutting the record back only once it has doubled keeps the cost per frame constant.
    const auto bytesOf = [](const FactoryRecord &r) { return r.parameters.size() + r.text.size(); };
    if (!m_fullRecord && (m_records.size() >= 2 * RecordTail || m_recordBytes >= 2 * RecordBytes)) {
        const size_t keep = recordTail(m_records, RecordTail, RecordBytes, m_recordBytes, bytesOf);
        m_records.erase(m_records.begin(), m_records.end() - long(keep));
    }
    m_records.push_back({ kind, code, std::move(parameters),
                          describeFactoryData(payload).value_or(hexBytes(payload)) });
    m_recordBytes += bytesOf(m_records.back());
}

bool FactoryCommands::take(const std::vector<uint8_t> &payload)
{
    return takeFrame(payload) || takeRemote(payload);
}

bool FactoryCommands::takeFrame(const std::vector<uint8_t> &payload)
{
    if (!startsFrame(payload))
        return false;
    const auto frame = parseFrame(payload);
    if (!frame) {
        record(FactoryRecord::Kind::Invalid, payload.size() > 7 ? payload[7] : 0, {}, payload);
        return true;
    }
    record(FactoryRecord::Kind::Command, frame->code, frame->parameters, payload);
    run(frame->code, frame->parameters);
    return true;
}

bool FactoryCommands::takeRemote(const std::vector<uint8_t> &payload)
{
    if (isRemoteEnter(payload)) {
        m_remoteMode = true;
    } else if (!m_remoteMode) {
        return false; // outside remote mode these bytes are just data
    } else if (isRemoteExit(payload)) {
        m_remoteMode = false;
        ++m_remoteSessions;
    } else if (!isRemoteCommand(payload)) {
        return false;
    }
    record(FactoryRecord::Kind::Remote, 0, payload, payload);
    return true;
}

void FactoryCommands::addToCounter(uint16_t amount)
{
    EepromImage &image = m_printer.eeprom();
    const unsigned sum = unsigned(protectionCounter(image)) + amount;
    const uint16_t counter = uint16_t(sum > 0xFFFF ? 0xFFFF : sum);
    image[eeprom::CounterHigh] = uint8_t(counter >> 8);
    image[eeprom::CounterLow] = uint8_t(counter & 0xFF);
}

void FactoryCommands::run(uint8_t code, const std::vector<uint8_t> &q)
{
    EepromImage &image = m_printer.eeprom();
    switch (code) {
    case 0x41: {
        if (readReplyText) {
            m_printer.reply(DataChannel, { readReplyText->begin(), readReplyText->end() });
            break;
        }
        // The value's hex digits land at payload bytes 14 and 15: packet bytes 20 and 21.
        char text[19];
        std::snprintf(text, sizeof text, "@BDC PS\r\nEE:%02X%02X;\n", q[0], image[q[0]]);
        m_printer.reply(DataChannel, { text, text + 18 });
        break;
    }
    case 0x42: image[q[0]] = q[1]; break;
    case 0x00: {
        static const uint8_t cells[]
                = { eeprom::BidMultiShot2, eeprom::BidMultiShot1, eeprom::BidVariableShot };
        image[cells[q[0] - 1]] = q[2];
        break;
    }
    case 0x84:
        // A printer in error, a full waste ink pad included, runs no sequence.
        if (m_printer.inError())
            break;
        if (q[0] == ModeHeadCleaning) {
            m_printer.cleaningFor(HeadCleaningMs);
            addToCounter(HeadCleaningCount);
        } else {
            m_printer.cleaningFor(InkChargeMs);
            addToCounter(InkChargeCount);
        }
        break;
    case 0xC4:
    case 0xC5:
    case 0xC9:
    case 0xCA:
    case 0x81:
        // A printer in error does not move its carriage.
        if (!m_printer.inError())
            m_printer.busyFor(CarriageMoveMs);
        break;
    default: break;
    }
}

} // namespace vprinter
