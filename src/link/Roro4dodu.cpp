// 1284.4 transport and control commands. Replies are read into ReceiveBuffer and every field
// is looked for only inside the payload that actually arrived.
#include "link/Roro4dodu.h"

#include "link/PacketDecoder.h"
#include "link/Ririzurozezi.h"
#include "link/Vuviredorizaduzu.h"
#include "platform/Platform.h"
#include "platform/Trace.h"
#include "records/ServiceRecord.h"

#include <algorithm>
#include <cstring>
#include <string_view>

uint16_t PrinterStatus = 0;
uint16_t ErrorStatus = 0;
uint8_t InkLevels[4] = {};
int32_t WarningFlags[4] = {};

RUDovU4Zizo D4Link(PrinterDriver);

namespace {

constexpr size_t HeaderLength = 6;
constexpr int TransactionTries = 3;
constexpr uint32_t RetryPauseMs = 1000;
constexpr uint8_t AnswerBit = 0x80;

enum TransactionCode : uint8_t {
    Init = 0x00,
    OpenChannelCode = 0x01,
    CloseChannelCode = 0x02,
    CreditCode = 0x03,
    CreditRequestCode = 0x04,
    ExitCode = 0x08,
};

constexpr uint8_t hi(uint16_t v)
{
    return uint8_t(v >> 8);
}
constexpr uint8_t lo(uint16_t v)
{
    return uint8_t(v & 0xFF);
}

// The text of a status reply: up to the payload's end or its first NUL, whichever comes first.
class ReplyText
{
public:
    ReplyText(const uint8_t *payload, size_t length)
        : m_text(payload), m_length(std::find(payload, payload + length, 0) - payload)
    { }
    // Offset of the field name, or npos.
    size_t find(std::string_view name) const
    {
        return std::string_view(reinterpret_cast<const char *>(m_text), m_length).find(name);
    }
    // The character at `position` of the field at `field`, or 0 past the text's end.
    uint8_t at(size_t field, size_t position) const
    {
        return field + position < m_length ? m_text[field + position] : 0;
    }
    bool holds(size_t field, size_t lastPosition) const { return field + lastPosition < m_length; }

    static constexpr size_t npos = std::string_view::npos;

private:
    const uint8_t *m_text;
    size_t m_length;
};

void resetStatus()
{
    std::fill(std::begin(InkLevels), std::end(InkLevels), 0);
    std::fill(std::begin(WarningFlags), std::end(WarningFlags), 0);
    ErrorStatus = esNone;
    PrinterStatus = 0x0014;
}

} // namespace

RUDovU4Zizo::RUDovU4Zizo(TPPrinterDriver &driver) : m_driver(driver) { }

void RUDovU4Zizo::Reset()
{
    std::fill(std::begin(ReceiveBuffer), std::end(ReceiveBuffer), 0);
    ReceiveLength = 0;
    HostCredit = 0;
    PrinterCredit = 0;
    m_lastExchangeFailed = false;
    m_linkLost = false;
    m_unaskedHostCredit = 0;
    m_unaskedPrinterCredit = 0;
    m_dataChannel = DataChannelState::Closed;
}

bool RUDovU4Zizo::Transact(const uint8_t *request, size_t length)
{
    for (int attempt = 0; attempt < TransactionTries; ++attempt) {
        // Pauses between tries; after the last one the caller has its answer at once.
        if (attempt > 0)
            platform::clock().sleep(RetryPauseMs);
        ReceiveLength = 0;
        m_driver.DropWaitingBytes();
        if (!m_driver.WritePacket(request, length)) {
            if (platform::Trace *trace = platform::trace())
                trace->failedTry(request, length, attempt + 1, TransactionTries,
                                 "the request did not go out whole; no further try");
            m_linkLost = true;
            return false;
        }
        const bool read = m_driver.ReadPacket(ReceiveBuffer, sizeof ReceiveBuffer, ReceiveLength);
        if (read && ReceiveLength > int32_t(HeaderLength)
            && uint8_t(ReceiveBuffer[6] - request[6]) == AnswerBit)
            return true;
        if (platform::Trace *trace = platform::trace())
            trace->failedTry(request, length, attempt + 1, TransactionTries,
                             !read                                            ? "no complete reply"
                                     : ReceiveLength <= int32_t(HeaderLength) ? "an empty reply"
                                                                              : "not its answer");
    }
    m_linkLost = true;
    return false;
}

bool RUDovU4Zizo::EnterD4Mode()
{
    m_dataChannel = DataChannelState::Closed;
    records::linkStarted();
    static constexpr char Text[] = "@PCQ 1284.4\n@PCQ\n@PCQ\n";
    uint8_t request[5 + sizeof Text - 1] = { 0x00, 0x00, 0x00, 0x1B, 0x01 };
    std::memcpy(request + 5, Text, sizeof Text - 1);
    const bool entered = Transact(request, sizeof request);
    if (entered)
        m_linkLost = false;
    return entered;
}

bool RUDovU4Zizo::StartAgain(uint16_t portIndex)
{
    if (!m_driver.TryOpenPort(portIndex)) {
        m_linkLost = true;
        return false;
    }
    return EnterD4Mode() && D4Init() && OpenChannel(ControlSocket) && GrantCredit(ControlSocket, 1)
            && OpenChannel(DataSocket);
}

bool RUDovU4Zizo::D4Init()
{
    const uint8_t request[] = { 0x00, 0x00, 0x00, 0x08, 0x01, 0x00, Init, 0x10 };
    return Transact(request, sizeof request);
}

void RUDovU4Zizo::D4Exit()
{
    const uint8_t request[] = { 0x00, 0x00, 0x00, 0x07, 0x01, 0x00, ExitCode };
    Transact(request, sizeof request);
}

bool RUDovU4Zizo::OpenChannel(uint8_t socket)
{
    const uint8_t request[]
            = { 0x00, 0x00, 0x00, 0x11, 0x01, 0x00, OpenChannelCode, socket, socket, 0x01, 0x00,
                0x01, 0x00, 0x00, 0x00, 0x00, 0x00 };
    if (!Transact(request, sizeof request)) {
        if (socket == DataSocket)
            m_dataChannel = DataChannelState::Refused;
        return false;
    }
    if (socket == DataSocket) {
        m_dataChannel = DataChannelState::Open;
        HostCredit = 0;
        PrinterCredit = 0;
        m_unaskedHostCredit = 0;
        m_unaskedPrinterCredit = 0;
    }
    return true;
}

bool RUDovU4Zizo::CloseChannel(uint8_t socket, uint8_t c)
{
    const uint8_t request[]
            = { 0x00, 0x00, 0x00, 0x0A, 0x01, 0x00, CloseChannelCode, socket, socket, c };
    if (socket == DataSocket)
        m_dataChannel = DataChannelState::Closed;
    return Transact(request, sizeof request);
}

bool RUDovU4Zizo::GrantCredit(uint8_t socket, uint16_t n)
{
    const uint8_t request[]
            = { 0x00, 0x00, 0x00, 0x0B, 0x01, 0x00, CreditCode, socket, socket, hi(n), lo(n) };
    if (!Transact(request, sizeof request))
        return false;
    if (socket == DataSocket) {
        // A reply too short to carry the count is taken as accepting the grant as given.
        PrinterCredit
                = ReceiveLength >= 12 ? uint16_t(ReceiveBuffer[10] << 8 | ReceiveBuffer[11]) : n;
    }
    return true;
}

bool RUDovU4Zizo::RequestCredit(uint8_t socket, uint16_t n)
{
    const uint8_t request[] = { 0x00,   0x00,   0x00, 0x0D, 0x01,  0x00, CreditRequestCode,
                                socket, socket, 0xFF, 0xFF, hi(n), lo(n) };
    if (!Transact(request, sizeof request))
        return false;
    if (socket == DataSocket) {
        // No count in the reply: nothing was granted, and the next packet asks again.
        HostCredit = ReceiveLength >= 12 ? uint16_t(ReceiveBuffer[10] << 8 | ReceiveBuffer[11]) : 0;
    }
    return true;
}

void RUDovU4Zizo::BuildDataPacket(uint8_t socket, const uint8_t *payload, uint8_t *packet,
                                  size_t &length)
{
    const size_t total = length + HeaderLength;
    packet[0] = socket;
    packet[1] = socket;
    packet[2] = uint8_t(total >> 8);
    packet[3] = uint8_t(total & 0xFF);
    packet[4] = 0;
    packet[5] = 0;
    if (length > 0)
        std::memcpy(packet + HeaderLength, payload, length);
    length = total;
}

void RUDovU4Zizo::sendChannelData(const uint8_t *payload, size_t length)
{
    if (length > MaxChannelPayload)
        FatalError("Program miss!!!");
    // A link started while the printer was busy or in error left the data channel closed;
    // a printer drops what arrives on a closed channel, so a cleaning or a print sent after
    // it became ready would be lost while the window reports it done. One try per link.
    if (m_dataChannel == DataChannelState::Closed)
        OpenChannel(DataSocket);
    // A credit transaction that failed, or a request that brought no credit, is not asked
    // again for a lot's worth of packets: a printer that does not answer would otherwise
    // cost three tries for every packet of a print.
    if (HostCredit == 0 && m_unaskedHostCredit == 0
        && (!RequestCredit(DataSocket, DataCreditLot) || HostCredit == 0))
        m_unaskedHostCredit = DataCreditLot;
    if (PrinterCredit == 0 && m_unaskedPrinterCredit == 0
        && !GrantCredit(DataSocket, DataCreditLot))
        m_unaskedPrinterCredit = DataCreditLot;
    if (HostCredit == 0 || m_linkLost)
        ++m_undeliveredDataPackets;
    uint8_t packet[MaxChannelPayload + HeaderLength];
    size_t total = length;
    BuildDataPacket(DataSocket, payload, packet, total);
    m_driver.WriteData(packet, total);
    // The packet goes out even without credit; the counter then stays at 0 rather than wrap.
    if (HostCredit > 0)
        --HostCredit;
    else if (m_unaskedHostCredit > 0)
        --m_unaskedHostCredit;
    if (PrinterCredit == 0 && m_unaskedPrinterCredit > 0)
        --m_unaskedPrinterCredit;
}

void RUDovU4Zizo::SendPrintData(const uint8_t *payload, size_t length)
{
    sendChannelData(payload, length);
}

void RUDovU4Zizo::SendCommandData(const uint8_t *payload, size_t length)
{
    sendChannelData(payload, length);
}

bool RUDovU4Zizo::SendAndReceive(const uint8_t *payload, size_t length)
{
    // The control packet must fit the reply buffer's size like any other packet.
    if (length + HeaderLength > sizeof ReceiveBuffer)
        FatalError("Program miss!!!");
    if (!GrantCredit(ControlSocket, 1) || !RequestCredit(ControlSocket, 1)) {
        if (platform::Trace *trace = platform::trace())
            trace->note("control command not sent: a credit transaction got no answer");
        ReceiveLength = 0;
        return false;
    }
    uint8_t packet[sizeof ReceiveBuffer];
    size_t total = length;
    BuildDataPacket(ControlSocket, payload, packet, total);
    m_driver.DropWaitingBytes();
    m_driver.WriteData(packet, total);

    ReceiveLength = 0;
    if (!m_driver.ReadPacket(ReceiveBuffer, sizeof ReceiveBuffer, ReceiveLength)) {
        ReceiveLength = 0;
        return false;
    }
    if (ReceiveBuffer[0] != ControlSocket || ReceiveBuffer[1] != ControlSocket) {
        platform::showWarning("Receive error");
        ForcedExit.ForceExit();
    }
    std::memmove(ReceiveBuffer, ReceiveBuffer + HeaderLength, ReplyPayloadLength());
    return true;
}

size_t RUDovU4Zizo::ReplyPayloadLength() const
{
    return ReceiveLength > int32_t(HeaderLength) ? size_t(ReceiveLength) - HeaderLength : 0;
}

void RUDovU4Zizo::GetPrinterStatus()
{
    resetStatus();
    static constexpr uint8_t Request[] = { 's', 't', 0x01, 0x00, 0x01 };
    if (!SendAndReceive(Request, sizeof Request)) {
        // No reply is no status: the previous reply must not be read again.
        m_lastExchangeFailed = true;
        PrinterStatus = psError;
        ErrorStatus = esCommunication;
        return;
    }
    m_lastExchangeFailed = false;
    ReplyText text(ReceiveBuffer, ReplyPayloadLength());

    const size_t st = text.find("ST:");
    if (st == ReplyText::npos)
        FatalError("Printer status acquisition failure 1");
    if (!wire::stateFromDigit(text.at(st, 4), PrinterStatus))
        FatalError("Printer status acquisition failure 2");

    const size_t iq = text.find("IQ:");
    if (iq == ReplyText::npos || !text.holds(iq, 10))
        FatalError("Ink quantity acquisition failure.");
    // Converted apart from the text: an ink field too short for its eight digits would
    // otherwise turn the names of the fields after it into digits, and an error or warning
    // the printer reports would be lost.
    uint8_t ink[8];
    for (size_t i = 0; i < std::size(ink); ++i)
        ink[i] = wire::inkDigit(text.at(iq, 3 + i));
    for (size_t i = 0; i < 4; ++i)
        InkLevels[i] = uint8_t(16 * ink[2 * i] + ink[2 * i + 1]);

    const size_t er = text.find("ER:");
    if (er != ReplyText::npos && !wire::errorFromCharacter(text.at(er, 4), ErrorStatus))
        FatalError("Error status acquisition failure");

    const size_t wr = text.find("WR:");
    if (wr == ReplyText::npos)
        return;
    for (size_t position = 4; position <= 13; position += 3) {
        const uint8_t digit = text.at(wr, position);
        if (digit < '0' || digit > '3')
            FatalError("Warning code acquisition failure");
        WarningFlags[digit - '0'] = 1;
        if (text.at(wr, position + 1) == ';')
            break;
    }
}

bool RUDovU4Zizo::readEeprom(uint8_t address, uint8_t &value)
{
    const uint8_t request[] = { '|', '|', 0x06, 0x00, 0x07, 0x05, 0x41, 0xBE, 0xA0, address };
    value = 0;
    m_lastExchangeFailed = !SendAndReceive(request, sizeof request) || ReplyPayloadLength() < 16;
    if (m_lastExchangeFailed)
        return false;
    value = uint8_t(wire::eepromDigit(ReceiveBuffer[14]) * 16
                    + wire::eepromDigit(ReceiveBuffer[15]));
    records::cellRead(address, value);
    return true;
}

uint8_t RUDovU4Zizo::ReadEepromByte(uint8_t address)
{
    uint8_t value = 0;
    readEeprom(address, value);
    return value;
}

bool RUDovU4Zizo::ReadEepromByteChecked(uint8_t address, uint8_t &value)
{
    return readEeprom(address, value);
}

bool RUDovU4Zizo::sendEepromWrite(uint8_t address, uint8_t value)
{
    const uint8_t request[]
            = { '|', '|', 0x07, 0x00, 0x07, 0x05, 0x42, 0xBD, 0x21, address, value };
    m_lastExchangeFailed = !SendAndReceive(request, sizeof request);
    // Told before the reply is judged: a malformed one ends the program, and the record must
    // still say the write went out.
    const uint8_t answer = !m_lastExchangeFailed && ReplyPayloadLength() > 6 ? ReceiveBuffer[6] : 0;
    records::cellWritten(address, value,
                         m_lastExchangeFailed    ? records::Answer::NoAnswer
                                 : answer == 'O' ? records::Answer::Done
                                 : answer == 'B' ? records::Answer::Busy
                                                 : records::Answer::Answered);
    return !m_lastExchangeFailed;
}

uint16_t RUDovU4Zizo::WriteEepromByte(uint8_t address, uint8_t value)
{
    sendEepromWrite(address, value);
    return CheckReplyResult();
}

bool RUDovU4Zizo::WriteEepromByteNoCheck(uint8_t address, uint8_t value)
{
    return sendEepromWrite(address, value);
}

uint16_t RUDovU4Zizo::CheckReplyResult()
{
    if (m_lastExchangeFailed)
        return ReplyNoAnswer;
    // A reply too short to hold its answer, or none at all, is as malformed as a wrong one:
    // an older reply's answer must never stand for this one.
    const uint8_t answer = ReplyPayloadLength() > 6 ? ReceiveBuffer[6] : 0;
    if (answer == 'B')
        return ReplyBusy;
    if (answer == 'O')
        return ReplyDone;
    FatalError("error");
}

uint16_t RUDovU4Zizo::sendCommand(char first, char second)
{
    const uint8_t request[] = { uint8_t(first), uint8_t(second), 0x01, 0x00, 0x01 };
    m_lastExchangeFailed = !SendAndReceive(request, sizeof request);
    return CheckReplyResult();
}

uint16_t RUDovU4Zizo::PaperEject()
{
    return sendCommand('p', 'e');
}

uint16_t RUDovU4Zizo::ResetPrinter()
{
    return sendCommand('r', 's');
}
