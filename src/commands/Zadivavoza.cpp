// Factory command frames on the data channel, and the one command that reads a reply.
#include "commands/Zadivavoza.h"

#include "link/PacketDecoder.h"
#include "link/Roro4dodu.h"
#include "link/Vuviredorizaduzu.h"
#include "platform/Platform.h"
#include "records/ServiceRecord.h"

#include <string>

#include <cstring>

TPFactory Factory;

namespace {

constexpr size_t FrameHeader = 5; // 1B 7C 00 and the 16-bit count
constexpr size_t BodyFixed = 5; // 07 05 and the code triple
constexpr uint32_t PauseAfterC9Ms = 100;
constexpr size_t DigitHigh = 20;
constexpr size_t DigitLow = 21;

records::Answer answerOf(bool delivered)
{
    return delivered ? records::Answer::Sent : records::Answer::NoCredit;
}

} // namespace

TPFactory::TPFactory()
{
    m_buffer[5] = 0x07;
    m_buffer[6] = 0x05;
}

bool TPFactory::send(uint8_t code, const uint8_t *parameters, size_t count)
{
    const DataDelivery delivery;
    const size_t n = BodyFixed + count;
    m_buffer[0] = 0x1B;
    m_buffer[1] = 0x7C;
    m_buffer[2] = 0x00;
    m_buffer[3] = uint8_t(n & 0xFF);
    m_buffer[4] = uint8_t(n >> 8);
    const auto triple = CodeTriple(code);
    std::memcpy(m_buffer + 7, triple.data(), triple.size());
    if (count > 0)
        std::memcpy(m_buffer + 10, parameters, count);
    D4Link.SendCommandData(m_buffer, FrameHeader + n);
    return delivery.complete();
}

void TPFactory::sendCommand(const char *name, uint8_t code, const uint8_t *parameters, size_t count)
{
    const bool delivered = send(code, parameters, count);
    // "C5(2, 0, 77, 0)": the name and the parameters in decimal, as the service tables list them.
    std::string text = std::string(name) + "(";
    for (size_t i = 0; i < count; ++i)
        text += (i ? ", " : "") + std::to_string(parameters[i]);
    records::commandSent(text + ")", answerOf(delivered));
}

uint8_t TPFactory::FactoryReadEeprom(uint8_t address)
{
    // A reply that came too late for an earlier read must not pass for this one's.
    PrinterDriver.DropWaitingBytes();
    send(FactoryCodeReadEeprom, &address, 1);

    // Cleared first, so that a missing reply can never leave an older byte to be taken.
    uint8_t reply[ReplyBufferSize]{};
    int32_t length = 0;
    if (!PrinterDriver.ReadPacket(reply, sizeof reply, length))
        length = 0;
    m_lastReadFailed = length != ReplyLength;
    if (m_lastReadFailed)
        platform::dialogs().show({ platform::MessageKind::Plain, "error", "error" });
    // The printer spent a credit on its reply even when the reply arrived cut, late or not at
    // all: counting down every time keeps the host from ever standing above the printer, which
    // would hold its next reply back. Counting once too often only brings the next grant
    // forward.
    if (D4Link.PrinterCredit > 0)
        --D4Link.PrinterCredit;
    if (length <= int32_t(DigitLow))
        return 0;
    const auto value = uint8_t(wire::eepromDigit(reply[DigitHigh]) * 16
                               + wire::eepromDigit(reply[DigitLow]));
    if (!m_lastReadFailed)
        records::cellRead(address, value);
    return value;
}

void TPFactory::FactoryWriteEeprom(uint8_t address, uint8_t value)
{
    const uint8_t p[] = { address, value };
    records::cellWritten(address, value, answerOf(send(FactoryCodeWriteEeprom, p, sizeof p)));
}

void TPFactory::FactorySetBid(uint8_t kind, int value)
{
    const auto v = int16_t(int8_t(uint8_t(value & 0xFF)));
    const uint8_t p[] = { kind, 0x01, uint8_t(uint16_t(v) & 0xFF), uint8_t(uint16_t(v) >> 8) };
    send(FactoryCodeSetBid, p, sizeof p);
}

void TPFactory::FactoryCleaning(uint8_t mode)
{
    const bool delivered = send(FactoryCodeCleaning, &mode, 1);
    const std::string name = mode == CleaningHead ? "head cleaning"
            : mode == CleaningInitialInkCharge    ? "initial ink charge"
                                                  : "cleaning(" + std::to_string(mode) + ")";
    records::commandSent(name, answerOf(delivered));
}

void TPFactory::FactoryCommandC4(uint8_t p1, uint8_t p2, uint8_t p3, uint8_t p4)
{
    const uint8_t p[] = { p1, p2, p3, p4 };
    sendCommand("C4", FactoryCodeC4, p, sizeof p);
}

void TPFactory::FactoryCommandC5(uint8_t p1, uint8_t p2, uint8_t p3, uint8_t p4)
{
    const uint8_t p[] = { p1, p2, p3, p4 };
    sendCommand("C5", FactoryCodeC5, p, sizeof p);
}

void TPFactory::FactoryCommandC9(uint8_t p1, uint8_t p2, uint8_t p3, uint8_t p4)
{
    const uint8_t p[] = { p1, p2, p3, p4 };
    sendCommand("C9", FactoryCodeC9, p, sizeof p);
    platform::clock().sleep(PauseAfterC9Ms);
}

void TPFactory::FactoryCommandCA(uint8_t p)
{
    sendCommand("CA", FactoryCodeCA, &p, 1);
}

void TPFactory::FactoryCommand81()
{
    sendCommand("81", FactoryCode81, nullptr, 0);
}

void TPFactory::FactoryCommand50()
{
    sendCommand("50", FactoryCode50, nullptr, 0);
}
