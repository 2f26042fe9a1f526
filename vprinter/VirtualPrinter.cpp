// The printer's side of the link: byte mode until the packet-mode entry string, then 1284.4
// packets, with the control channel's status and EEPROM commands.
#include "vprinter/VirtualPrinter.h"

#include "commands/EepromMap.h"
#include "link/PacketDecoder.h"
#include "platform/Platform.h"
#include "vprinter/RecordTail.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

namespace vprinter {

namespace {

constexpr size_t HeaderLength = 6;
constexpr uint8_t ControlSocket = 2;
constexpr uint8_t DataSocket = 64;
constexpr uint8_t WrongSocket = 3;
constexpr int64_t ResetBusyMs = 3000;
// What a cut data-channel reply loses: its two digits and what follows them.
constexpr size_t CutBytes = 4;
// Noise that piled up while nobody read the line is not made up all at once.
constexpr int64_t NoiseBurstLimit = 64 * 1024;

const std::string EntryText = std::string("\x00\x00\x00\x1B\x01", 5) + "@PCQ 1284.4\n@PCQ\n@PCQ\n";

std::string hex2(unsigned value)
{
    char cell[3];
    std::snprintf(cell, sizeof cell, "%02X", value & 0xFF);
    return cell;
}

uint16_t be16(const std::vector<uint8_t> &bytes, size_t at)
{
    return at + 1 < bytes.size() ? uint16_t(bytes[at] << 8 | bytes[at + 1]) : 0;
}

std::vector<uint8_t> textBytes(const std::string &text)
{
    return { text.begin(), text.end() };
}

bool isEepromRead(const std::vector<uint8_t> &p)
{
    static const uint8_t Head[] = { '|', '|', 0x06, 0x00, 0x07, 0x05, 0x41, 0xBE, 0xA0 };
    return p.size() == 10 && std::equal(std::begin(Head), std::end(Head), p.begin());
}

bool isEepromWrite(const std::vector<uint8_t> &p)
{
    static const uint8_t Head[] = { '|', '|', 0x07, 0x00, 0x07, 0x05, 0x42, 0xBD, 0x21 };
    return p.size() == 11 && std::equal(std::begin(Head), std::end(Head), p.begin());
}

bool isCommand(const std::vector<uint8_t> &p, const char *letters)
{
    return p.size() >= 2 && p[0] == uint8_t(letters[0]) && p[1] == uint8_t(letters[1]);
}

} // namespace

std::string hexBytes(const std::vector<uint8_t> &bytes, size_t from)
{
    return wire::hexBytes(bytes, from);
}

std::string Packet::describe() const
{
    switch (kind) {
    case Kind::Entry: return "entry into packet mode";
    case Kind::Unframed: return "unframed bytes: " + hexBytes(payload);
    case Kind::Transaction: return wire::describeTransaction(payload.data(), payload.size());
    case Kind::Channel: {
        std::string text = "data on " + std::to_string(socket) + ": ";
        if (socket != ControlSocket)
            if (const auto factory = wire::describeFactoryData(payload.data(), payload.size()))
                return text + *factory;
        if (socket == ControlSocket && payload.size() >= 2 && std::isprint(payload[0])
            && std::isprint(payload[1]))
            return text + "\"" + char(payload[0]) + char(payload[1]) + "\" " + hexBytes(payload, 2);
        return text + hexBytes(payload);
    }
    }
    return {};
}

VirtualPrinter::VirtualPrinter()
{
    m_eeprom.fill(0xFF);
}

uint16_t VirtualPrinter::hostCredit(uint8_t socket) const
{
    const auto it = m_channels.find(socket);
    return it == m_channels.end() ? 0 : it->second.hostCredit;
}

uint16_t VirtualPrinter::printerCredit(uint8_t socket) const
{
    const auto it = m_channels.find(socket);
    return it == m_channels.end() ? 0 : it->second.printerCredit;
}

size_t VirtualPrinter::heldReplies(uint8_t socket) const
{
    const auto it = m_channels.find(socket);
    return it == m_channels.end() ? 0 : it->second.held.size();
}

void VirtualPrinter::busyFor(int64_t ms)
{
    m_busyUntilMs = std::max(m_busyUntilMs, platform::clock().monotonicMs() + ms);
}

bool VirtualPrinter::busy() const
{
    return platform::clock().monotonicMs() < m_busyUntilMs;
}

void VirtualPrinter::cleaningFor(int64_t ms)
{
    m_cleaningUntilMs = std::max(m_cleaningUntilMs, platform::clock().monotonicMs() + ms);
    busyFor(ms);
}

bool VirtualPrinter::cleaning() const
{
    return platform::clock().monotonicMs() < m_cleaningUntilMs;
}

bool VirtualPrinter::inError() const
{
    return m_state.errorChar || m_state.stateDigit == '0' || maintenanceRequested(m_eeprom);
}

int VirtualPrinter::storedBid(ShotType shot) const
{
    switch (shot) {
    case ShotType::MultiShot1: return int8_t(m_eeprom[eeprom::BidMultiShot1]);
    case ShotType::MultiShot2: return int8_t(m_eeprom[eeprom::BidMultiShot2]);
    case ShotType::VariableShot: return int8_t(m_eeprom[eeprom::BidVariableShot]);
    }
    return 0;
}

int VirtualPrinter::storedTopMargin() const
{
    return int8_t(m_eeprom[eeprom::TopMargin]);
}

void VirtualPrinter::takePrintData(const std::vector<uint8_t> &payload)
{
    // A printer in error prints nothing of what comes meanwhile.
    if (inError())
        m_raster.refuse(payload.size());
    else
        m_raster.take(payload);
}

char VirtualPrinter::reportedErrorChar() const
{
    // A full waste ink pad is reported for as long as the counter says so.
    if (!m_state.errorChar && maintenanceRequested(m_eeprom))
        return 'B';
    return m_state.errorChar;
}

char VirtualPrinter::reportedStateDigit() const
{
    if (reportedErrorChar())
        return '0';
    if (cleaning())
        return '7';
    if (busy())
        return '2';
    return m_state.stateDigit;
}

std::string VirtualPrinter::statusText() const
{
    if (m_faults.statusText)
        return *m_faults.statusText;
    const char digit = reportedStateDigit();
    const char error = reportedErrorChar();
    std::string text = "@BDC ST2\r\nST:0";
    text += digit;
    text += ';';
    if (error)
        text += std::string("ER:0") + error + ';';
    text += "IQ:";
    for (const uint8_t level : m_state.inkLevels)
        text += hex2(level);
    text += ';';
    if (!m_state.warnings.empty()) {
        text += "WR:";
        for (size_t i = 0; i < m_state.warnings.size(); ++i) {
            if (i > 0)
                text += ',';
            text += '1';
            text += char('0' + m_state.warnings[i]);
        }
        text += ';';
    }
    return text + "\r\n";
}

void VirtualPrinter::hostWrite(const uint8_t *data, size_t length)
{
    if (m_switchedOff)
        return;
    if (!m_hostActive) {
        m_hostActive = true;
        m_noiseAt = platform::clock().monotonicMs();
    }
    m_input.insert(m_input.end(), data, data + length);
    if (!m_packetMode)
        scanByteMode();
    if (m_packetMode)
        scanPackets();
}

size_t VirtualPrinter::hostRead(uint8_t *data, size_t length)
{
    releaseDue();
    const size_t count = std::min(length, m_output.size());
    std::copy_n(m_output.begin(), count, data);
    m_output.erase(m_output.begin(), m_output.begin() + long(count));
    return count;
}

size_t VirtualPrinter::pendingOutput()
{
    releaseDue();
    return m_output.size();
}

void VirtualPrinter::hostGone()
{
    m_packetMode = false;
    m_channels.clear();
    m_input.clear();
    m_output.clear();
    m_scheduled.clear();
    m_hostActive = false;
    m_raster.endOfStream();
}

void VirtualPrinter::switchOff()
{
    hostGone();
    m_switchedOff = true;
}

void VirtualPrinter::switchOn()
{
    m_switchedOff = false;
    hostGone();
}

int64_t VirtualPrinter::Scheduled::endsAt() const
{
    return at + (bytes.empty() ? 0 : int64_t(bytes.size() - 1) * everyMs);
}

void VirtualPrinter::schedule(std::vector<uint8_t> bytes, int64_t delayMs, int64_t everyMs)
{
    const int64_t now = platform::clock().monotonicMs();
    int64_t at = now + delayMs;
    if (!m_scheduled.empty())
        at = std::max(at, m_scheduled.back().endsAt());
    if (at <= now && m_scheduled.empty() && everyMs == 0) {
        m_output.insert(m_output.end(), bytes.begin(), bytes.end());
        return;
    }
    m_scheduled.push_back({ at, everyMs, std::move(bytes), 0 });
}

void VirtualPrinter::releaseDue()
{
    const int64_t now = platform::clock().monotonicMs();
    while (!m_scheduled.empty()) {
        Scheduled &next = m_scheduled.front();
        if (now < next.at)
            break;
        const size_t due = next.everyMs == 0
                ? next.bytes.size()
                : size_t(std::min<int64_t>(int64_t(next.bytes.size()),
                                           (now - next.at) / next.everyMs + 1));
        if (due > next.released) {
            m_output.insert(m_output.end(), next.bytes.begin() + long(next.released),
                            next.bytes.begin() + long(due));
            next.released = due;
        }
        if (next.released < next.bytes.size())
            break;
        m_scheduled.pop_front();
    }
    if (m_faults.noiseEveryMs > 0 && m_hostActive) {
        int64_t count = (now - m_noiseAt) / m_faults.noiseEveryMs;
        if (count > NoiseBurstLimit) {
            count = NoiseBurstLimit;
            m_noiseAt = now;
        } else {
            m_noiseAt += count * m_faults.noiseEveryMs;
        }
        for (int64_t i = 0; i < count; ++i) {
            m_noiseState = m_noiseState * 1664525u + 1013904223u;
            m_output.push_back(uint8_t(m_noiseState >> 24));
        }
    }
}

std::optional<int64_t> VirtualPrinter::nextOutputInMs() const
{
    const int64_t now = platform::clock().monotonicMs();
    std::optional<int64_t> next;
    if (!m_scheduled.empty()) {
        const Scheduled &first = m_scheduled.front();
        next = std::max<int64_t>(0, first.at + int64_t(first.released) * first.everyMs - now);
    }
    if (m_faults.noiseEveryMs > 0 && m_hostActive) {
        const int64_t noise = std::max<int64_t>(0, m_noiseAt + m_faults.noiseEveryMs - now);
        next = next ? std::min(*next, noise) : noise;
    }
    return next;
}

void VirtualPrinter::record(Packet packet)
{
    if (onTrace)
        onTrace(packet.describe());
    ++m_packetsReceived;
    // Cutting the record back only once it has doubled keeps the cost per packet constant.
    if (!m_fullRecord
        && (m_received.size() >= 2 * RecordTail || m_recordBytes >= 2 * RecordBytes)) {
        const size_t keep
                = recordTail(m_received, RecordTail, RecordBytes, m_recordBytes,
                             [](const Packet &p) { return p.raw.size() + p.payload.size(); });
        m_received.erase(m_received.begin(), m_received.end() - long(keep));
    }
    m_recordBytes += packet.raw.size() + packet.payload.size();
    m_received.push_back(std::move(packet));
}

void VirtualPrinter::scanByteMode()
{
    const auto found
            = std::search(m_input.begin(), m_input.end(), EntryText.begin(), EntryText.end());
    if (found == m_input.end()) {
        // Keep only what could still be the start of the entry string.
        const size_t keep = std::min(m_input.size(), EntryText.size() - 1);
        m_input.erase(m_input.begin(), m_input.end() - long(keep));
        return;
    }
    if (found != m_input.begin())
        record({ Packet::Kind::Unframed,
                 0,
                 0,
                 { m_input.begin(), found },
                 { m_input.begin(), found } });
    Packet entry{ Packet::Kind::Entry,
                  0,
                  uint8_t(EntryText[6]),
                  { found + 5, found + long(EntryText.size()) },
                  { found, found + long(EntryText.size()) } };
    const uint8_t command = entry.command;
    m_input.erase(m_input.begin(), found + long(EntryText.size()));
    record(std::move(entry));
    m_packetMode = true;
    answerTransaction(command, {});
}

void VirtualPrinter::scanPackets()
{
    // The packets taken are cut off the input once at the end: cutting each one off the front
    // would cost the whole rest of the input per packet, and a host sending small packets
    // would slow the printer down to a crawl.
    size_t at = 0;
    while (m_packetMode && m_input.size() >= at + HeaderLength) {
        const auto first = m_input.begin() + long(at);
        const size_t length = size_t(first[2]) << 8 | first[3];
        if (length < HeaderLength) {
            // Framing is lost: drop what came and wait for the host to start again.
            const std::vector<uint8_t> rest(first, m_input.end());
            record({ Packet::Kind::Unframed, 0, 0, rest, rest });
            m_input.clear();
            return;
        }
        if (m_input.size() < at + length)
            break;
        const uint8_t socket = first[0];
        std::vector<uint8_t> raw(first, first + long(length));
        std::vector<uint8_t> payload(raw.begin() + HeaderLength, raw.end());
        at += length;
        if (socket == 0) {
            const uint8_t command = payload.empty() ? 0xFF : payload[0];
            record({ Packet::Kind::Transaction, 0, command, payload, raw });
            handleTransaction(payload);
            continue;
        }
        record({ Packet::Kind::Channel, socket, 0, payload, raw });
        const auto channel = m_channels.find(socket);
        if (channel == m_channels.end())
            continue; // not open: a printer drops it
        if (channel->second.hostCredit == 0)
            ++m_creditViolations;
        else
            --channel->second.hostCredit;
        if (socket == ControlSocket) {
            handleControl(payload);
            continue;
        }
        if (!m_factory.take(payload))
            takePrintData(payload);
        if (onData)
            onData(payload);
    }
    m_input.erase(m_input.begin(), m_input.begin() + long(std::min(at, m_input.size())));
}

void VirtualPrinter::handleTransaction(const std::vector<uint8_t> &p)
{
    if (p.empty())
        return;
    const uint8_t command = p[0];
    const uint8_t socket = p.size() > 1 ? p[1] : 0;
    switch (command) {
    case 0x00: // Init
        m_raster.endOfStream();
        m_channels.clear();
        answerTransaction(command, { 0x10 });
        break;
    case 0x01: // OpenChannel
        m_channels[socket];
        answerTransaction(command, { socket, socket, 0x00, 0x40, 0x00, 0x40, 0x00, 0x00 });
        break;
    case 0x02: // CloseChannel
        if (socket == DataSocket)
            m_raster.endOfStream();
        m_channels.erase(socket);
        answerTransaction(command, { socket, socket });
        break;
    case 0x03: { // Credit: the host lets the printer send n more packets
        Channel &channel = m_channels[socket];
        channel.printerCredit = uint16_t(channel.printerCredit + be16(p, 3));
        const uint16_t total = channel.printerCredit;
        const uint16_t reported = m_faults.creditReported.value_or(total);
        if (m_faults.shortCreditReply)
            answerTransaction(command, { socket, socket });
        else
            answerTransaction(command,
                              { socket, socket, uint8_t(reported >> 8), uint8_t(reported) });
        flushHeld(socket);
        break;
    }
    case 0x04: { // CreditRequest: the host asks to send n more packets
        const uint16_t granted
                = m_faults.zeroCredit ? 0 : m_faults.creditGranted.value_or(be16(p, 5));
        Channel &channel = m_channels[socket];
        channel.hostCredit = uint16_t(channel.hostCredit + granted);
        answerTransaction(command, { socket, socket, uint8_t(granted >> 8), uint8_t(granted) });
        break;
    }
    case 0x08: // Exit
        m_raster.endOfStream();
        answerTransaction(command, {});
        m_packetMode = false;
        m_channels.clear();
        break;
    default:
        // A command byte with its answer bit set is a reply, not a request: answering it would
        // put a packet on the line that no host can tell from a request.
        if (!(command & 0x80))
            answerTransaction(command, {});
        break;
    }
}

void VirtualPrinter::answerTransaction(uint8_t command, std::vector<uint8_t> body)
{
    uint8_t answer = uint8_t(command + 0x80);
    if (m_faults.wrongCommandByte > 0) {
        --m_faults.wrongCommandByte;
        answer = uint8_t(answer + 1);
    }
    body.insert(body.begin(), { answer, 0x00 });
    const size_t total = body.size() + HeaderLength;
    std::vector<uint8_t> packet{ 0x00, 0x00, uint8_t(total >> 8), uint8_t(total), 0x01, 0x00 };
    packet.insert(packet.end(), body.begin(), body.end());
    transmit(std::move(packet));
}

void VirtualPrinter::handleControl(const std::vector<uint8_t> &p)
{
    if (isCommand(p, "st")) {
        reply(ControlSocket, textBytes(statusText()));
        return;
    }
    const std::string answer = m_faults.answerChar ? std::string(1, *m_faults.answerChar)
            : busy()                               ? "BUSY"
                                                   : "OK";
    const std::vector<uint8_t> answerText
            = textBytes(m_faults.answerText.value_or("@BDC: " + answer + ";\r\n"));
    if (isEepromRead(p)) {
        const uint8_t address = p[9];
        reply(ControlSocket,
              textBytes(m_faults.eepromReadText.value_or("@BDC PS\r\nEE:" + hex2(address)
                                                         + hex2(m_eeprom[address]) + ";\r\n")));
    } else if (isEepromWrite(p)) {
        if (!busy())
            m_eeprom[p[9]] = p[10];
        reply(ControlSocket, answerText);
    } else if (isCommand(p, "pe")) {
        if (m_state.errorChar == '6')
            m_state.errorChar = 0;
        reply(ControlSocket, answerText);
    } else if (isCommand(p, "rs")) {
        // A reset clears what a restart clears; an empty ink cartridge or a full waste ink
        // pad is still there afterwards.
        if (m_state.errorChar != '5' && m_state.errorChar != 'B')
            m_state.errorChar = 0;
        m_state.stateDigit = '4';
        m_raster.endOfStream(); // the job in the printer is dropped, a printed sheet goes out
        reply(ControlSocket, answerText);
        busyFor(ResetBusyMs);
    } else {
        reply(ControlSocket, textBytes("@BDC: NG;\r\n"));
    }
}

void VirtualPrinter::reply(uint8_t socket, const std::vector<uint8_t> &payload)
{
    const uint8_t onWire = socket == ControlSocket && m_faults.wrongSocketReplies > 0
            ? (--m_faults.wrongSocketReplies, WrongSocket)
            : socket;
    const size_t total = payload.size() + HeaderLength;
    std::vector<uint8_t> packet{ onWire, onWire, uint8_t(total >> 8), uint8_t(total), 0x00, 0x00 };
    packet.insert(packet.end(), payload.begin(), payload.end());
    std::deque<std::vector<uint8_t>> &held = m_channels[socket].held;
    if (held.size() >= HeldRepliesLimit) {
        ++m_droppedReplies;
        return;
    }
    held.push_back(std::move(packet));
    flushHeld(socket);
}

void VirtualPrinter::flushHeld(uint8_t socket)
{
    Channel &channel = m_channels[socket];
    while (!channel.held.empty() && channel.printerCredit > 0) {
        --channel.printerCredit;
        transmit(std::move(channel.held.front()));
        channel.held.pop_front();
    }
}

void VirtualPrinter::transmit(std::vector<uint8_t> packet)
{
    if (m_faults.silent || m_faults.noiseEveryMs > 0)
        return;
    const bool data = packet[0] == DataSocket;
    if (data && m_faults.lostDataReplies > 0) {
        --m_faults.lostDataReplies;
        return;
    }
    if (m_faults.replyLengthField) {
        const int field = *m_faults.replyLengthField;
        m_faults.replyLengthField.reset();
        packet.resize(size_t(std::max<int>(field, int(HeaderLength))));
        packet[2] = uint8_t(field >> 8);
        packet[3] = uint8_t(field);
    }
    if (m_faults.shortReplies > 0) {
        --m_faults.shortReplies;
        packet.resize(std::max(HeaderLength, packet.size() - 2));
    }
    if (data && m_faults.cutDataReplies > 0) {
        --m_faults.cutDataReplies;
        packet.resize(std::max(HeaderLength, packet.size() - CutBytes));
    }
    int64_t delay = 0;
    if (m_faults.lateReplies > 0) {
        --m_faults.lateReplies;
        delay = m_faults.lateByMs;
    } else if (data && m_faults.lateDataReplies > 0) {
        --m_faults.lateDataReplies;
        delay = m_faults.lateByMs;
    }
    if (m_faults.trickleLength > 0) {
        const size_t length = size_t(std::clamp(m_faults.trickleLength, int(HeaderLength), 0xFFFF));
        m_faults.trickleLength = 0;
        packet.resize(length);
        packet[2] = uint8_t(length >> 8);
        packet[3] = uint8_t(length);
        const int64_t every = std::max(1, m_faults.trickleEveryMs);
        schedule({ packet.begin(), packet.begin() + long(HeaderLength) }, delay, 0);
        schedule({ packet.begin() + long(HeaderLength), packet.end() }, delay + every, every);
        return;
    }
    schedule(std::move(packet), delay, 0);
}

} // namespace vprinter
