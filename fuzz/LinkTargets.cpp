// Targets on the host side of the link: transactions and channel data, the status poll, the
// EEPROM and control commands, the data-channel EEPROM read. Each checks what the call may
// claim against what the port really carried.
#include "Targets.h"

#include "commands/Dazedarovovuri.h"
#include "commands/Dizizeded.h"
#include "commands/Zadivavoza.h"
#include "commands/Zedivozi.h"
#include "link/Roro4dodu.h"
#include "link/Vuviredorizaduzu.h"
#include "patterns/Ziroreved.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

namespace fuzz {

namespace {

constexpr size_t Header = 6;
constexpr int64_t PausedReadMs = 10 + 10'000; // the pause before a read and its guard
constexpr int64_t RetryPauseMs = 1000;

// A packet read outlasts nothing but its own guard; a transaction is three tries of a write
// and such a read, with two pauses between.
int64_t transactionLimitMs(size_t requestLength)
{
    const int64_t write = 3000 + int64_t(requestLength);
    return 3 * (write + PausedReadMs) + 2 * RetryPauseMs;
}

class Timer
{
public:
    explicit Timer(Session &session) : m_clock(session.platform.clock), m_start(m_clock.nowMs) { }
    int64_t elapsed() const { return m_clock.nowMs - m_start; }

private:
    testsupport::FakeClock &m_clock;
    int64_t m_start;
};

bool isCreditTransaction(const std::vector<uint8_t> &write, uint8_t command, uint8_t socket)
{
    return write.size() > 8 && write[0] == 0 && write[1] == 0 && write[6] == command
            && write[7] == socket;
}

int creditTransactionsSince(Session &s, size_t from, uint8_t socket)
{
    int count = 0;
    for (const auto &write : s.transcript.writesSince(from))
        count += isCreditTransaction(write, 0x03, socket)
                || isCreditTransaction(write, 0x04, socket);
    return count;
}

// The reply to the last write, when it is one whole packet.
std::vector<uint8_t> lastReply(Session &s)
{
    return s.transcript.readSinceLastWrite();
}

bool wholePacket(const std::vector<uint8_t> &reply)
{
    return reply.size() >= Header && packetLength(reply) == reply.size();
}

// A hexadecimal digit of an EEPROM reply as the printer's digits are read: "0"-"9", and
// anything else as its code less 0x37 ("A"-"F" give 10-15).
uint8_t replyDigit(uint8_t c)
{
    return c >= '0' && c <= '9' ? uint8_t(c - '0') : uint8_t(c - 0x37);
}

void transaction(Session &s, bool succeeded)
{
    if (!succeeded)
        return;
    const std::vector<uint8_t> request = s.transcript.lastWrite();
    const std::vector<uint8_t> reply = lastReply(s);
    check(request.size() > Header && wholePacket(reply) && reply.size() > Header,
          "a transaction succeeded without a whole reply packet");
    check(uint8_t(reply[6] - request[6]) == 0x80, "a transaction took a reply to another command");
    check(D4Link.ReceiveLength == int32_t(reply.size()),
          "the reply length is not what the printer sent");
}

void channelData(Session &s, bool print, const std::vector<uint8_t> &payload)
{
    const uint16_t hostBefore = D4Link.HostCredit;
    const uint16_t printerBefore = D4Link.PrinterCredit;
    const size_t from = s.transcript.size();
    if (print)
        D4Link.SendPrintData(payload.data(), payload.size());
    else
        D4Link.SendCommandData(payload.data(), payload.size());
    std::vector<uint8_t> expected{
        DataSocket, DataSocket, 0, uint8_t(payload.size() + Header), 0, 0
    };
    expected.insert(expected.end(), payload.begin(), payload.end());
    check(s.transcript.lastWrite() == expected, "a data packet went out other than built");
    if (creditTransactionsSince(s, from, DataSocket) == 0) {
        check(D4Link.HostCredit == (hostBefore > 0 ? hostBefore - 1 : 0),
              "the host's credit was not counted down by exactly one packet");
        check(D4Link.PrinterCredit == printerBefore,
              "the printer's credit changed without a credit transaction");
    }
}

void sendAndReceive(Session &s, const std::vector<uint8_t> &payload)
{
    if (payload.size() + Header > sizeof D4Link.ReceiveBuffer)
        return;
    const bool received = D4Link.SendAndReceive(payload.data(), payload.size());
    if (!received) {
        check(D4Link.ReceiveLength == 0, "a failed exchange left a reply length");
        return;
    }
    const std::vector<uint8_t> reply = lastReply(s);
    check(wholePacket(reply) && reply[0] == ControlSocket && reply[1] == ControlSocket,
          "a control reply was taken that is not one packet on the control channel");
    check(D4Link.ReceiveLength == int32_t(reply.size()), "the reply length is not the packet's");
    check(D4Link.ReplyPayloadLength() == reply.size() - Header
                  && std::equal(reply.begin() + Header, reply.end(), D4Link.ReceiveBuffer),
          "the reply payload is not what the printer sent");
}

void readPacket(Session &s, size_t capacity)
{
    // Exactly the size asked for: the sanitizer sees the first byte beyond it.
    const auto buffer = std::make_unique<uint8_t[]>(capacity);
    const size_t from = s.transcript.size();
    const Timer timer(s);
    int32_t length = -1;
    const bool read = PrinterDriver.ReadPacket(buffer.get(), capacity, length);
    check(timer.elapsed() <= PausedReadMs, "a packet read outlasted its 10-second guard");
    const size_t handed = s.transcript.bytesReadSince(from);
    if (read) {
        check(length >= int32_t(Header) && size_t(length) <= capacity,
              "a packet was read that does not fit the buffer");
        check((size_t(buffer[2]) << 8 | buffer[3]) == size_t(length),
              "the length read is not the packet's length field");
        check(handed == size_t(length), "a packet read took more or less than its packet");
    } else {
        check(length >= 0 && size_t(length) <= capacity, "a failed read gave an impossible length");
    }
}

uint16_t creditChoice(Input &in)
{
    static constexpr uint16_t Values[] = { 0, 1, 2, 199, 200, 65534, 65535 };
    const uint8_t choice = in.byte();
    return choice < std::size(Values) ? Values[choice] : in.word();
}

// The status as the last reply gives it; checked only when that reply is there.
void status(Session &s)
{
    if (D4Link.LastExchangeFailed()) {
        check(PrinterStatus == psError && ErrorStatus == esCommunication,
              "a status without a reply is not a communication error");
        return;
    }
    const std::vector<uint8_t> reply = lastReply(s);
    check(wholePacket(reply) && reply[0] == ControlSocket,
          "a status was taken from something other than a control reply");
    const auto end = std::find(reply.begin() + Header, reply.end(), 0);
    const std::string text(reply.begin() + Header, end);
    const size_t st = text.find("ST:");
    check(st != std::string::npos, "a status was taken from a reply without ST:");
    static constexpr std::string_view Digits = "01234789";
    static constexpr uint16_t States[] = { psError, psNozzleCheck, psBusy,       psPrinting,
                                           psReady, psCleaning,    psBeforeFill, psMotorOff };
    const size_t digit = st + 4 < text.size() ? Digits.find(text[st + 4]) : std::string::npos;
    check(digit != std::string::npos && PrinterStatus == States[digit],
          "the state is not the one the reply's ST: digit names");
    const size_t er = text.find("ER:");
    static constexpr std::string_view Characters = "01456B";
    static constexpr uint16_t Errors[]
            = { esFatal, esCommunication, esPaperJam, esInkOut, esPaperMisload, esMaintenance };
    if (er == std::string::npos) {
        check(ErrorStatus == esNone, "an error was reported without ER: in the reply");
    } else {
        const size_t error
                = er + 4 < text.size() ? Characters.find(text[er + 4]) : std::string::npos;
        check(error != std::string::npos && ErrorStatus == Errors[error],
              "the error is not the one the reply's ER: field names");
    }
    for (const int32_t flag : WarningFlags)
        check(flag == 0 || flag == 1, "a warning flag is neither set nor clear");
}

// What a control command's answer claims, against the reply the port carried.
void answered(Session &s, uint16_t code)
{
    if (code == ReplyNoAnswer) {
        check(D4Link.LastExchangeFailed(), "no answer was reported for an exchange that had one");
        return;
    }
    check(!D4Link.LastExchangeFailed(), "an exchange without a reply was reported as answered");
    const std::vector<uint8_t> reply = lastReply(s);
    check(wholePacket(reply) && reply.size() > 12 && reply[0] == ControlSocket,
          "an answer was taken from a reply too short to hold it");
    if (code == ReplyDone)
        check(reply[12] == 'O', "a write was reported done although the printer did not say O");
    else
        check(code == ReplyBusy && reply[12] == 'B',
              "a busy answer was reported although the printer did not say B");
}

void eepromRequest(Session &s, uint8_t command, uint8_t address, int value)
{
    std::vector<uint8_t> expected{ ControlSocket, ControlSocket, 0, 0, 0, 0, '|', '|' };
    const std::vector<uint8_t> body = command == 0x41
            ? std::vector<uint8_t>{ 0x06, 0x00, 0x07, 0x05, 0x41, 0xBE, 0xA0, address }
            : std::vector<uint8_t>{ 0x07, 0x00, 0x07,    0x05,          0x42,
                                    0xBD, 0x21, address, uint8_t(value) };
    expected.insert(expected.end(), body.begin(), body.end());
    expected[3] = uint8_t(expected.size());
    if (!D4Link.LastExchangeFailed())
        check(s.transcript.lastWrite() == expected, "an EEPROM request went out other than built");
}

void controlCommand(Session &s, const char *letters, uint16_t code)
{
    answered(s, code);
    if (!D4Link.LastExchangeFailed()) {
        const std::vector<uint8_t> expected{ ControlSocket,       ControlSocket,       0, 11, 0, 0,
                                             uint8_t(letters[0]), uint8_t(letters[1]), 1, 0,  1 };
        check(s.transcript.lastWrite() == expected, "a control command went out other than built");
    }
}

// Characters for a typed head ID: the alphabet and a few that are not in it.
char headIdCharacter(uint8_t choice)
{
    static constexpr char Choices[] = "ABCDEFGHJKLMNOPQRSTUVWXYZ123456789%*+-$:I0a ";
    return Choices[choice % (sizeof Choices - 1)];
}

void factoryRead(Session &s, uint8_t address)
{
    const uint16_t before = D4Link.PrinterCredit;
    const size_t from = s.transcript.size();
    const size_t shown = s.platform.dialogs.shown.size();
    const uint8_t value = Factory.FactoryReadEeprom(address);
    const uint16_t after = D4Link.PrinterCredit;
    check(after != 0xFFFF, "the printer's credit wrapped below zero");
    bool granted = false;
    for (const auto &write : s.transcript.writesSince(from))
        granted = granted || isCreditTransaction(write, 0x03, DataSocket);
    if (!granted)
        check(after == (before > 0 ? before - 1 : 0),
              "a data-channel read did not count the printer's credit down by one");
    const std::vector<uint8_t> frame{ DataSocket, DataSocket, 0,    17,   0,      0,
                                      0x1B,       0x7C,       0x00, 6,    0,      0x07,
                                      0x05,       0x41,       0xBE, 0xA0, address };
    check(s.transcript.lastWrite() == frame, "the read frame went out other than built");
    const std::vector<uint8_t> reply = lastReply(s);
    if (Factory.LastReadFailed()) {
        check(s.errorShownSince(shown), "a failed data-channel read showed no error");
        return;
    }
    check(reply.size() == size_t(Factory.ReplyLength) && wholePacket(reply),
          "a data-channel read was taken from a reply not of 24 bytes");
    check(value == uint8_t(replyDigit(reply[20]) * 16 + replyDigit(reply[21])),
          "the value read is not the one in the reply's digits");
    check(!s.errorShownSince(shown), "a good data-channel read showed an error");
}

} // namespace

void runTransport(Input &in, Session &s)
{
    s.run([&] {
        PrinterDriver.OpenPort(0);
        while (!in.dry()) {
            const uint8_t op = in.byte() % TransportOps;
            const Timer timer(s);
            switch (op) {
            case tEnter: transaction(s, D4Link.EnterD4Mode()); break;
            case tInit: transaction(s, D4Link.D4Init()); break;
            case tExit: D4Link.D4Exit(); break;
            case tOpen: {
                const uint8_t socket = in.byte();
                const bool opened = D4Link.OpenChannel(socket);
                transaction(s, opened);
                if (opened && socket == DataSocket)
                    check(D4Link.HostCredit == 0 && D4Link.PrinterCredit == 0,
                          "an opened data channel kept an older credit");
                break;
            }
            case tClose: {
                const uint8_t socket = in.byte();
                transaction(s, D4Link.CloseChannel(socket, in.byte()));
                break;
            }
            case tGrant:
            case tRequest: {
                const uint8_t socket = in.byte();
                const uint16_t n = in.word();
                const uint16_t host = D4Link.HostCredit, printer = D4Link.PrinterCredit;
                const bool grant = op == tGrant;
                const bool done
                        = grant ? D4Link.GrantCredit(socket, n) : D4Link.RequestCredit(socket, n);
                transaction(s, done);
                const std::vector<uint8_t> reply = lastReply(s);
                const bool counted = done && socket == DataSocket;
                const uint16_t carried = reply.size() >= 12 ? uint16_t(reply[10] << 8 | reply[11])
                                                            : (grant ? n : 0);
                check(D4Link.PrinterCredit == (counted && grant ? carried : printer)
                              && D4Link.HostCredit == (counted && !grant ? carried : host),
                      "a credit transaction set a credit the reply did not carry");
                break;
            }
            case tPrint:
            case tCommand: {
                const std::vector<uint8_t> payload = in.bytes(in.byte() % (MaxChannelPayload + 1));
                channelData(s, op == tPrint, payload);
                break;
            }
            case tSendReceive: sendAndReceive(s, in.bytes(in.byte())); break;
            case tReadPacket: readPacket(s, in.word() % 1100); break;
            case tDrop: PrinterDriver.DropWaitingBytes(); break;
            case tReopen:
                PrinterDriver.ClosePort();
                PrinterDriver.OpenPort(0);
                break;
            case tCredits:
                D4Link.HostCredit = in.word();
                D4Link.PrinterCredit = in.word();
                break;
            }
            if (op <= tRequest)
                check(timer.elapsed() <= transactionLimitMs(40),
                      "a transaction outlasted three tries of its guard");
        }
    });
}

void runStatus(Input &in, Session &s)
{
    s.run([&] {
        startLink();
        while (!in.dry()) {
            switch (in.byte() % StatusOps) {
            case sStatus:
                D4Link.GetPrinterStatus();
                status(s);
                break;
            case sWaitReady: {
                // Unbounded by design: it ends when the printer is ready or in error, and the
                // fake port runs dry, and so fails, at the end of every input.
                const bool ready = Maintenance.WaitUntilReady();
                status(s);
                check(ready ? PrinterStatus == psReady : PrinterStatus == psError,
                      "the ready poll ended on a state that is neither ready nor error");
                break;
            }
            case sReadyToPrint: {
                const bool ready = Raster.WaitReadyToPrint();
                status(s);
                check(ready ? PrinterStatus == psReady
                            : PrinterStatus == psError && ErrorStatus != esPaperMisload,
                      "the readiness check ended on a state it should not end on");
                break;
            }
            case sGrant: D4Link.GrantCredit(ControlSocket, 1); break;
            }
        }
    });
}

void runEeprom(Input &in, Session &s)
{
    s.run([&] {
        startLink();
        while (!in.dry()) {
            const uint8_t op = in.byte() % EepromOps;
            switch (op) {
            case eRead: {
                const uint8_t address = in.byte();
                const uint8_t value = D4Link.ReadEepromByte(address);
                eepromRequest(s, 0x41, address, 0);
                if (D4Link.LastExchangeFailed())
                    check(value == 0, "a read without a reply gave a value");
                break;
            }
            case eReadChecked: {
                const uint8_t address = in.byte();
                uint8_t value = 0xA5;
                const bool read = D4Link.ReadEepromByteChecked(address, value);
                eepromRequest(s, 0x41, address, 0);
                check(read != D4Link.LastExchangeFailed(),
                      "a read's result and its failure disagree");
                if (!read) {
                    check(value == 0, "a failed read gave a value");
                    break;
                }
                const std::vector<uint8_t> reply = lastReply(s);
                check(wholePacket(reply) && reply.size() >= Header + 16,
                      "a read was taken from a reply too short to hold the value");
                check(value
                              == uint8_t(replyDigit(reply[Header + 14]) * 16
                                         + replyDigit(reply[Header + 15])),
                      "the value read is not the one in the reply's digits");
                break;
            }
            case eWrite:
            case eWriteNoCheck: {
                const bool checked = op == eWrite;
                const uint8_t address = in.byte(), value = in.byte();
                uint16_t code = 0;
                if (checked) {
                    code = D4Link.WriteEepromByte(address, value);
                } else {
                    const bool sent = D4Link.WriteEepromByteNoCheck(address, value);
                    check(sent != D4Link.LastExchangeFailed(),
                          "a write's result and its failure disagree");
                    code = D4Link.CheckReplyResult();
                }
                eepromRequest(s, 0x42, address, value);
                answered(s, code);
                break;
            }
            case ePaperEject: controlCommand(s, "pe", D4Link.PaperEject()); break;
            case eReset: controlCommand(s, "rs", D4Link.ResetPrinter()); break;
            case eCounter: {
                const std::string text = Maintenance.ReadProtectionCounter();
                if (Maintenance.LastReadFailed()) {
                    check(text.empty(), "a counter that was not read has a text");
                    break;
                }
                check(!text.empty() && text.size() <= 5
                              && std::all_of(text.begin(), text.end(),
                                             [](char c) { return c >= '0' && c <= '9'; })
                              && std::stoul(text) <= 65535,
                      "the counter text is not a number from 0 to 65535");
                break;
            }
            case eCounterReset:
                if (!Maintenance.ResetProtectionCounter(in.byte() % 4))
                    check(D4Link.LastExchangeFailed(), "a counter reset failed with every answer");
                break;
            case eHeadIdWrite: {
                std::string text;
                for (int i = 0; i < 6; ++i)
                    text += headIdCharacter(in.byte());
                const uint16_t code = HeadID.WriteHeadId(text);
                if (code == HeadIdNoAnswer)
                    check(D4Link.LastExchangeFailed(), "a head ID write failed with every answer");
                break;
            }
            case eHeadIdRead: {
                const std::string text = HeadID.ReadHeadId();
                if (HeadID.LastReadFailed())
                    check(text.empty(), "a head ID that was not read has a text");
                break;
            }
            }
        }
    });
}

void runFactoryRead(Input &in, Session &s)
{
    s.run([&] {
        startLink();
        while (!in.dry()) {
            switch (in.byte() % FactoryOps) {
            case fRead: factoryRead(s, in.byte()); break;
            case fCredits:
                D4Link.HostCredit = creditChoice(in);
                D4Link.PrinterCredit = creditChoice(in);
                break;
            case fDrop: PrinterDriver.DropWaitingBytes(); break;
            case fWrite: {
                const uint8_t address = in.byte();
                Factory.FactoryWriteEeprom(address, in.byte());
                break;
            }
            case fUsbId: {
                std::string text;
                const bool valid = UsbID.ReadUsbId(text);
                if (UsbID.LastReadFailed())
                    check(!valid, "a USB ID was read although a read failed");
                if (valid)
                    check(text.size() == 18
                                  && std::all_of(text.begin(), text.end(),
                                                 [](char c) { return std::isalnum(uint8_t(c)); }),
                          "a USB ID was accepted that is not 18 letters or digits");
                break;
            }
            case fOpenData: D4Link.OpenChannel(DataSocket); break;
            }
        }
    });
}

} // namespace fuzz
