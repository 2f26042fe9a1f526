// Packet decoding for people: nothing here is on the link's own path, which reads replies with
// the few fields it needs. Every reading stays inside the bytes given.
#include "link/PacketDecoder.h"

#include "commands/Zadivavoza.h"
#include "link/Roro4dodu.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace wire {

namespace {

constexpr size_t HeaderLength = 6;
constexpr uint8_t ESC = 0x1B;
constexpr size_t FrameHeader = 5; // 1B 7C 00, count low, count high
constexpr size_t BodyFixed = 5; // 07 05 and the triple
constexpr uint8_t AnswerBit = 0x80;
constexpr uint8_t EntryCommand = 'P'; // byte 6 of the entry string

std::string hex2(unsigned value)
{
    char cell[3];
    std::snprintf(cell, sizeof cell, "%02X", value & 0xFF);
    return cell;
}

uint16_t be16(const uint8_t *bytes, size_t length, size_t at)
{
    return at + 1 < length ? uint16_t(bytes[at] << 8 | bytes[at + 1]) : 0;
}

std::string list(const std::vector<uint8_t> &values)
{
    std::string text;
    for (size_t i = 0; i < values.size(); ++i)
        text += (i ? ", " : "") + std::to_string(values[i]);
    return text;
}

// Printable as it stands; CR, LF, NUL and anything else escaped.
std::string quoted(const uint8_t *bytes, size_t length)
{
    std::string text = "\"";
    for (size_t i = 0; i < length; ++i) {
        const uint8_t c = bytes[i];
        switch (c) {
        case '\r': text += "\\r"; break;
        case '\n': text += "\\n"; break;
        case 0: text += "\\0"; break;
        case '"': text += "\\\""; break;
        case '\\': text += "\\\\"; break;
        default:
            if (c >= 0x20 && c < 0x7F)
                text += char(c);
            else
                text += "\\x" + hex2(c);
        }
    }
    return text + "\"";
}

// Parameter bytes each known factory code takes.
std::optional<size_t> parameterCount(uint8_t code)
{
    switch (code) {
    case FactoryCodeReadEeprom: return 1; // address
    case FactoryCodeWriteEeprom: return 2; // address, value
    case FactoryCodeSetBid: return 4; // kind, 01, value low, value high
    case FactoryCodeCleaning: return 1; // mode
    case FactoryCodeC4:
    case FactoryCodeC5:
    case FactoryCodeC9: return 4;
    case FactoryCodeCA: return 1;
    case FactoryCode81:
    case FactoryCode50: return 0;
    default: return std::nullopt;
    }
}

std::string frameName(const FactoryFrame &f)
{
    const auto &q = f.parameters;
    switch (f.code) {
    case FactoryCodeReadEeprom: return "FactoryReadEeprom(" + list(q) + ")";
    case FactoryCodeWriteEeprom: return "FactoryWriteEeprom(" + list(q) + ")";
    case FactoryCodeSetBid:
        return "FactorySetBid(" + std::to_string(q[0]) + ", "
                + std::to_string(int16_t(uint16_t(q[2] | q[3] << 8))) + ")";
    case FactoryCodeCleaning:
        return "FactoryCleaning(" + std::to_string(q[0])
                + (q[0] == CleaningHead ? ": head cleaning)" : ": initial ink charge)");
    case FactoryCodeC4: return "FactoryCommandC4(" + list(q) + ")";
    case FactoryCodeC5: return "FactoryCommandC5(" + list(q) + ")";
    case FactoryCodeC9: return "FactoryCommandC9(" + list(q) + ")";
    case FactoryCodeCA: return "FactoryCommandCA(" + list(q) + ")";
    case FactoryCode81: return "FactoryCommand81()";
    case FactoryCode50: return "FactoryCommand50()";
    }
    return "factory command " + std::to_string(f.code);
}

bool startsWith(const uint8_t *bytes, size_t length, std::string_view prefix)
{
    return length >= prefix.size() && std::memcmp(bytes, prefix.data(), prefix.size()) == 0;
}

// The text of a reply up to its end or its first NUL.
std::string_view replyText(const uint8_t *payload, size_t length)
{
    const auto *text = reinterpret_cast<const char *>(payload);
    return { text, size_t(std::find(payload, payload + length, 0) - payload) };
}

// Two hexadecimal digits at `at` of a reply, read as the link reads them.
std::optional<uint8_t> replyByte(std::string_view text, size_t at)
{
    if (at + 1 >= text.size())
        return std::nullopt;
    return uint8_t(eepromDigit(uint8_t(text[at])) * 16 + eepromDigit(uint8_t(text[at + 1])));
}

std::string describeStatus(std::string_view text)
{
    std::string out = "status:";
    const size_t st = text.find("ST:");
    uint16_t code = 0;
    if (st == std::string_view::npos || st + 4 >= text.size())
        out += " no state";
    else if (stateFromDigit(uint8_t(text[st + 4]), code))
        out += std::string(" ") + stateName(code);
    else
        out += " state digit " + std::string(1, text[st + 4]) + " unknown";

    const size_t er = text.find("ER:");
    if (er != std::string_view::npos) {
        if (er + 4 < text.size() && errorFromCharacter(uint8_t(text[er + 4]), code))
            out += std::string(", error ") + errorName(code);
        else
            out += ", error character unknown";
    }

    const size_t iq = text.find("IQ:");
    if (iq == std::string_view::npos || iq + 10 >= text.size()) {
        out += ", no ink levels";
    } else {
        out += ", ink";
        for (size_t i = 0; i < 4; ++i) {
            const unsigned level = 16u * inkDigit(uint8_t(text[iq + 3 + 2 * i]))
                    + inkDigit(uint8_t(text[iq + 4 + 2 * i]));
            out += ' ';
            out += std::to_string(level & 0xFF);
        }
    }

    const size_t wr = text.find("WR:");
    if (wr != std::string_view::npos) {
        out += ", low ink:";
        for (size_t at = wr + 4; at < text.size() && at <= wr + 13; at += 3) {
            const char digit = text[at];
            out += at > wr + 4 ? ", " : " ";
            out += digit >= '0' && digit <= '3' ? std::string(InkNames[digit - '0'])
                                                : std::string("code digit ") + digit + "?";
            if (at + 1 >= text.size() || text[at + 1] == ';')
                break;
        }
    }
    return out;
}

std::string describeControlReply(const uint8_t *payload, size_t length)
{
    const std::string_view text = replyText(payload, length);
    std::string verbatim = " ";
    verbatim += quoted(payload, length);
    if (text.find("ST:") != std::string_view::npos)
        return describeStatus(text) + verbatim;
    if (const size_t ee = text.find("EE:"); ee != std::string_view::npos) {
        // The link takes the value from payload bytes 14 and 15, wherever "EE:" stands.
        const auto address = replyByte(text, ee + 3);
        const auto value = replyByte(text, 14);
        return "EEPROM read reply: cell " + (address ? hex2(*address) : std::string("?"))
                + " holds " + (value ? hex2(*value) : std::string("?")) + verbatim;
    }
    if (length > 6 && (payload[6] == 'O' || payload[6] == 'B'))
        return std::string("answer ") + (payload[6] == 'O' ? "O (done)" : "B (busy)") + verbatim;
    return "control reply" + verbatim;
}

std::string describeDataReply(const uint8_t *payload, size_t length)
{
    const std::string_view text = replyText(payload, length);
    std::string verbatim = " ";
    verbatim += quoted(payload, length);
    if (const size_t ee = text.find("EE:"); ee != std::string_view::npos) {
        const auto address = replyByte(text, ee + 3);
        const auto value = replyByte(text, 14);
        return "FactoryReadEeprom reply: cell " + (address ? hex2(*address) : std::string("?"))
                + " holds " + (value ? hex2(*value) : std::string("?")) + verbatim;
    }
    return "data reply" + verbatim;
}

std::string transactionName(uint8_t command)
{
    switch (command) {
    case 0x00: return "Init";
    case 0x01: return "OpenChannel";
    case 0x02: return "CloseChannel";
    case 0x03: return "Credit";
    case 0x04: return "CreditRequest";
    case 0x08: return "Exit";
    default: return "transaction " + hex2(command);
    }
}

std::string describeTransactionReply(const uint8_t *packet, size_t length)
{
    if (length <= HeaderLength)
        return "transaction reply without a command byte";
    const uint8_t command = packet[6];
    if (command == uint8_t(EntryCommand + AnswerBit))
        return "reply to entry into packet mode";
    if (!(command & AnswerBit))
        return "transaction packet " + hex2(command) + " (not a reply)";
    const uint8_t request = uint8_t(command - AnswerBit);
    std::string text = "reply to " + transactionName(request);
    const bool hasSocket = length > 8;
    switch (request) {
    case 0x01:
    case 0x02:
        if (hasSocket)
            text += "(" + std::to_string(packet[8]) + ")";
        break;
    case 0x03:
    case 0x04:
        if (hasSocket)
            text += "(" + std::to_string(packet[8]) + ")";
        if (length >= 12)
            text += (request == 0x03 ? ": printer credit " : ": host credit ")
                    + std::to_string(be16(packet, length, 10));
        else
            text += ": no credit count";
        break;
    default: break;
    }
    if (length > 7 && packet[7] != 0)
        text += ", result " + hex2(packet[7]);
    return text;
}

bool isEntry(const uint8_t *packet, size_t length)
{
    static constexpr uint8_t Head[] = { 0x00, 0x00, 0x00, 0x1B, 0x01, '@', 'P', 'C', 'Q' };
    return length >= sizeof Head && std::memcmp(packet, Head, sizeof Head) == 0;
}

} // namespace

std::string hexBytes(const uint8_t *bytes, size_t length)
{
    std::string text;
    text.reserve(length * 3);
    static constexpr char Digits[] = "0123456789ABCDEF";
    for (size_t i = 0; i < length; ++i) {
        if (i > 0)
            text += ' ';
        text += Digits[bytes[i] >> 4];
        text += Digits[bytes[i] & 0x0F];
    }
    return text;
}

std::string hexBytes(const std::vector<uint8_t> &bytes, size_t from)
{
    return from < bytes.size() ? hexBytes(bytes.data() + from, bytes.size() - from) : "";
}

std::string describeTransaction(const uint8_t *p, size_t length)
{
    const uint8_t command = length > 0 ? p[0] : 0xFF;
    const std::string s = length > 2 ? std::to_string(p[1]) : "?";
    switch (command) {
    case 0x00: return "Init";
    case 0x01: return "OpenChannel(" + s + ")";
    case 0x02: return "CloseChannel(" + s + ")";
    case 0x03: return "Credit(" + s + ", " + std::to_string(be16(p, length, 3)) + ")";
    case 0x04: return "CreditRequest(" + s + ", " + std::to_string(be16(p, length, 5)) + ")";
    case 0x08: return "Exit";
    default: return "transaction " + hex2(command) + ": " + hexBytes(p, length);
    }
}

bool startsFactoryFrame(const uint8_t *p, size_t length)
{
    return length >= 3 && p[0] == ESC && p[1] == 0x7C && p[2] == 0x00;
}

std::optional<FactoryFrame> parseFactoryFrame(const uint8_t *p, size_t length)
{
    if (!startsFactoryFrame(p, length) || length < FrameHeader + BodyFixed)
        return std::nullopt;
    const size_t n = size_t(p[3]) | size_t(p[4]) << 8;
    if (length != FrameHeader + n || p[5] != 0x07 || p[6] != 0x05)
        return std::nullopt;
    const uint8_t code = p[7];
    const auto triple = TPFactory::CodeTriple(code);
    if (p[8] != triple[1] || p[9] != triple[2])
        return std::nullopt;
    const auto count = parameterCount(code);
    if (!count || n != BodyFixed + *count)
        return std::nullopt;
    FactoryFrame frame{ code, { p + FrameHeader + BodyFixed, p + length } };
    const auto &q = frame.parameters;
    if (code == FactoryCodeCleaning && q[0] != CleaningHead && q[0] != CleaningInitialInkCharge)
        return std::nullopt;
    if (code == FactoryCodeSetBid && (q[0] < 1 || q[0] > 3 || q[1] != 0x01))
        return std::nullopt;
    return frame;
}

bool isRemoteEnter(const uint8_t *p, size_t length)
{
    return length == sizeof RemoteModeEnter
            && std::memcmp(p, RemoteModeEnter, sizeof RemoteModeEnter) == 0;
}

bool isRemoteExit(const uint8_t *p, size_t length)
{
    return length == sizeof RemoteModeExit
            && std::memcmp(p, RemoteModeExit, sizeof RemoteModeExit) == 0;
}

bool isRemoteCommand(const uint8_t *p, size_t length)
{
    return length >= 4 && p[0] >= 'A' && p[0] <= 'Z' && p[1] >= 'A' && p[1] <= 'Z'
            && length == 4 + (size_t(p[2]) | size_t(p[3]) << 8);
}

std::optional<std::string> describeFactoryData(const uint8_t *p, size_t length)
{
    if (const auto frame = parseFactoryFrame(p, length))
        return frameName(*frame);
    if (startsFactoryFrame(p, length))
        return "invalid factory frame: " + hexBytes(p, length);
    if (isRemoteEnter(p, length))
        return std::string("remote mode: enter \"REMOTE1\"");
    if (isRemoteExit(p, length))
        return std::string("remote mode: leave");
    if (isRemoteCommand(p, length)) {
        std::string text = "remote command \"";
        text += char(p[0]);
        text += char(p[1]);
        text += "\"";
        if (length > 4)
            text += " " + hexBytes(p + 4, length - 4);
        return text;
    }
    return std::nullopt;
}

const char *rasterCommandName(const uint8_t *p, size_t length)
{
    if (length == 0)
        return "empty packet";
    if (p[0] == ESC && length >= 2) {
        switch (p[1]) {
        case '@': return "InitPrinter";
        case 'U': return "SetDirection";
        case '<': return "HomeReturn";
        case '.': return "BeginRaster";
        case 'i': return "BeginMultiLevelRaster";
        case '(':
            if (length < 3)
                break;
            switch (p[2]) {
            case 'G': return "EnterGraphicsMode";
            case 'U': return "SetUnit";
            case 'e': return "SetDotSize";
            case 'K': return "SetColourMode";
            case 'r': return "SelectColour";
            case 'v': return "AdvancePaper";
            case 'D': return "SetRasterResolution";
            case 'S': return "SetPaperSize";
            case 'c': return "SetPageFormat";
            default: break;
            }
            break;
        default: break;
        }
        return "escape sequence";
    }
    if (length == 1 && p[0] == 0x0C)
        return "FormFeed";
    if (length == 2 && p[0] == '\r' && p[1] == '\n')
        return "NewLines";
    // A run: counter 00 for one byte, 257 - count for 2 to 129.
    if (length == 2 && (p[0] == 0x00 || p[0] >= 0x80))
        return "SendRun";
    const bool text = std::all_of(p, p + length, [](uint8_t c) {
        return (c >= 0x20 && c < 0x7F) || c == '\r' || c == '\n' || c == 0;
    });
    return text ? "text" : "raster data";
}

std::string describeRaster(const uint8_t *p, size_t length)
{
    const std::string name = rasterCommandName(p, length);
    // Parameters: the bytes after the command, or after its 16-bit count for ESC "(" x.
    auto parameters = [&](size_t from) {
        std::string text;
        for (size_t i = from; i < length; ++i)
            text += (i > from ? ", " : "") + std::to_string(p[i]);
        return name + "(" + text + ")";
    };
    if (name == "text")
        return "text " + quoted(p, length);
    if (name == "SendRun")
        return "SendRun(" + std::to_string(p[0] == 0 ? 1 : 257 - p[0]) + " x " + hex2(p[1]) + ")";
    if (name == "FormFeed" || name == "NewLines" || name == "InitPrinter" || name == "HomeReturn"
        || name == "EnterGraphicsMode")
        return name;
    if (name == "raster data" || name == "escape sequence" || name == "empty packet")
        return name + (length ? ": " + hexBytes(p, length) : "");
    if (name == "AdvancePaper" && length >= 7)
        return name + "(" + std::to_string(p[5] | p[6] << 8) + ")";
    if (p[1] == '(')
        return parameters(5);
    return parameters(2);
}

std::string describeControlRequest(const uint8_t *p, size_t length)
{
    static constexpr uint8_t Read[] = { '|', '|', 0x06, 0x00, 0x07, 0x05, 0x41, 0xBE, 0xA0 };
    static constexpr uint8_t Write[] = { '|', '|', 0x07, 0x00, 0x07, 0x05, 0x42, 0xBD, 0x21 };
    if (length == sizeof Read + 1 && std::memcmp(p, Read, sizeof Read) == 0)
        return "EEPROM read of cell " + hex2(p[9]);
    if (length == sizeof Write + 2 && std::memcmp(p, Write, sizeof Write) == 0)
        return "EEPROM write of cell " + hex2(p[9]) + " = " + hex2(p[10]);
    const std::string letters = length >= 2 ? quoted(p, 2) : quoted(p, length);
    if (startsWith(p, length, "st"))
        return "status request " + letters;
    if (startsWith(p, length, "pe"))
        return "paper eject " + letters;
    if (startsWith(p, length, "rs"))
        return "printer reset " + letters;
    return "control command " + letters;
}

std::string describeSent(const uint8_t *packet, size_t length)
{
    if (isEntry(packet, length))
        return "entry into packet mode";
    if (length < HeaderLength)
        return "bytes without a packet header";
    std::string text;
    const uint8_t socket = packet[0];
    const uint8_t *payload = packet + HeaderLength;
    const size_t size = length - HeaderLength;
    if (socket == TransactionSocket)
        text = describeTransaction(payload, size);
    else if (socket == ControlSocket)
        text = "control: " + describeControlRequest(payload, size);
    else if (socket == DataSocket)
        text = describeFactoryData(payload, size)
                       .value_or("raster: " + describeRaster(payload, size));
    else
        text = "data on socket " + std::to_string(socket);
    if (be16(packet, length, 2) != length)
        text += " (the header says " + std::to_string(be16(packet, length, 2)) + " bytes)";
    return text;
}

std::string describeReceived(const uint8_t *packet, size_t length)
{
    if (length < HeaderLength)
        return "bytes without a packet header";
    const uint8_t socket = packet[0];
    const uint8_t *payload = packet + HeaderLength;
    const size_t size = length - HeaderLength;
    std::string text;
    if (packet[1] != socket)
        text = "sockets " + std::to_string(socket) + "/" + std::to_string(packet[1]) + ": ";
    if (socket == TransactionSocket)
        return text + describeTransactionReply(packet, length);
    if (socket == ControlSocket)
        return text + describeControlReply(payload, size);
    if (socket == DataSocket)
        return text + describeDataReply(payload, size);
    return text + "packet on socket " + std::to_string(socket) + " " + quoted(payload, size);
}

bool isRasterPacket(const uint8_t *packet, size_t length)
{
    if (length <= HeaderLength || packet[0] != DataSocket)
        return false;
    const uint8_t *p = packet + HeaderLength;
    const size_t n = length - HeaderLength;
    return !startsFactoryFrame(p, n) && !isRemoteEnter(p, n) && !isRemoteExit(p, n)
            && !isRemoteCommand(p, n);
}

bool stateFromDigit(uint8_t digit, uint16_t &state)
{
    switch (digit) {
    case '0': state = psError; return true;
    case '1': state = psNozzleCheck; return true;
    case '2': state = psBusy; return true;
    case '3': state = psPrinting; return true;
    case '4': state = psReady; return true;
    case '7': state = psCleaning; return true;
    case '8': state = psBeforeFill; return true;
    case '9': state = psMotorOff; return true;
    default: return false;
    }
}

bool errorFromCharacter(uint8_t character, uint16_t &error)
{
    switch (character) {
    case '0': error = esFatal; return true;
    case '1': error = esCommunication; return true;
    case '4': error = esPaperJam; return true;
    case '5': error = esInkOut; return true;
    case '6': error = esPaperMisload; return true;
    case 'B': error = esMaintenance; return true;
    default: return false;
    }
}

uint8_t inkDigit(uint8_t c)
{
    if (c >= '0' && c <= '9')
        return uint8_t(c - '0');
    if (c >= 'A' && c <= 'F')
        return uint8_t(c - 'A' + 10);
    if (c == 'N')
        return 15;
    return c;
}

uint8_t eepromDigit(uint8_t c)
{
    return uint8_t(c >= '0' && c <= '9' ? c - '0' : c - 0x37);
}

const char *stateName(uint16_t state)
{
    switch (state) {
    case psError: return "error";
    case psNozzleCheck: return "nozzle check";
    case psBusy: return "busy";
    case psPrinting: return "printing";
    case psReady: return "ready";
    case psCleaning: return "cleaning";
    case psBeforeFill: return "before initial fill";
    case psMotorOff: return "motor off";
    default: return "";
    }
}

const char *errorName(uint16_t error)
{
    switch (error) {
    case esFatal: return "fatal error";
    case esCommunication: return "communication error";
    case esPaperJam: return "paper jam";
    case esInkOut: return "ink out";
    case esPaperMisload: return "paper misload";
    case esMaintenance: return "maintenance request";
    case esNone: return "none";
    default: return "";
    }
}

} // namespace wire
