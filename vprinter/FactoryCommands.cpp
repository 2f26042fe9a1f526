// Factory frames and the remote-mode sequence on the virtual printer. Each arrives as one
// data-channel packet; a frame whose code triple, count or parameters do not hold together is
// recorded and ignored, as a printer would.
#include "vprinter/FactoryCommands.h"

#include "commands/EepromMap.h"
#include "link/PacketDecoder.h"
#include "vprinter/RecordTail.h"
#include "vprinter/VirtualPrinter.h"

#include <cstdio>

namespace vprinter {

namespace {

constexpr uint8_t DataChannel = 64;
constexpr uint8_t ModeHeadCleaning = 1;

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
    return wire::describeFactoryData(payload.data(), payload.size());
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
    if (!wire::startsFactoryFrame(payload.data(), payload.size()))
        return false;
    const auto frame = wire::parseFactoryFrame(payload.data(), payload.size());
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
    const uint8_t *p = payload.data();
    const size_t n = payload.size();
    if (wire::isRemoteEnter(p, n)) {
        m_remoteMode = true;
    } else if (!m_remoteMode) {
        return false; // outside remote mode these bytes are just data
    } else if (wire::isRemoteExit(p, n)) {
        m_remoteMode = false;
        ++m_remoteSessions;
    } else if (!wire::isRemoteCommand(p, n)) {
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
