// The printer's factory commands: the ESC "|" frame with its code triple, sent on the data
// channel, and the remote-mode sequence the top-margin line needs.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// Command codes of the factory frame.
enum : uint8_t {
    FactoryCodeReadEeprom = 0x41,
    FactoryCodeWriteEeprom = 0x42,
    FactoryCodeSetBid = 0x00,
    FactoryCodeCleaning = 0x84,
    FactoryCodeC4 = 0xC4,
    FactoryCodeC5 = 0xC5,
    FactoryCodeC9 = 0xC9,
    FactoryCodeCA = 0xCA,
    FactoryCode81 = 0x81,
    FactoryCode50 = 0x50,
};

// Modes of FactoryCleaning.
enum : uint8_t {
    CleaningHead = 1,
    CleaningInitialInkCharge = 10,
};

// Kinds of FactorySetBid; the EEPROM cells follow the names, not the numbers.
enum : uint8_t {
    BidKindMultiShot2 = 1,
    BidKindMultiShot1 = 2,
    BidKindVariableShot = 3,
};

// The remote-mode sequence, one packet each, in this order: enter remote mode ("REMOTE1"),
// the remote command "SN" with 00 00 03, leave remote mode.
inline constexpr uint8_t RemoteModeEnter[13]
        = { 0x1B, 0x28, 0x52, 0x08, 0x00, 0x00, 0x52, 0x45, 0x4D, 0x4F, 0x54, 0x45, 0x31 };
inline constexpr uint8_t RemoteModeSN[7] = { 0x53, 0x4E, 0x03, 0x00, 0x00, 0x00, 0x03 };
inline constexpr uint8_t RemoteModeExit[4] = { 0x1B, 0x00, 0x00, 0x00 };

class TPFactory
{
public:
    TPFactory();

    // Code, code XOR FF, code rotated right by one bit: the check bytes that follow 07 05.
    static constexpr std::array<uint8_t, 3> CodeTriple(uint8_t code)
    {
        return { code, uint8_t(code ^ 0xFF), uint8_t((code >> 1) | ((code & 1) << 7)) };
    }

    // Sends the read command and reads the printer's one reply packet. A reply of another
    // length than 24 bytes shows "error" and the value is taken as it stands; no reply, or one
    // without its two digits, gives 0. Every read counts the printer's credit down by one.
    uint8_t FactoryReadEeprom(uint8_t address);
    // Whether the last FactoryReadEeprom got no reply, or one of the wrong length: its byte
    // must not be taken for the cell's value.
    bool LastReadFailed() const { return m_lastReadFailed; }
    void FactoryWriteEeprom(uint8_t address, uint8_t value);
    // `value` is a signed 8-bit number sent widened to 16 bits.
    void FactorySetBid(uint8_t kind, int value);
    void FactoryCleaning(uint8_t mode);
    void FactoryCommandC4(uint8_t p1, uint8_t p2, uint8_t p3, uint8_t p4);
    void FactoryCommandC5(uint8_t p1, uint8_t p2, uint8_t p3, uint8_t p4);
    // Followed by a 100 ms pause.
    void FactoryCommandC9(uint8_t p1, uint8_t p2, uint8_t p3, uint8_t p4);
    void FactoryCommandCA(uint8_t p);
    void FactoryCommand81();
    void FactoryCommand50();

    static constexpr size_t ReplyBufferSize = 28;
    static constexpr int32_t ReplyLength = 24;

private:
    // False when the packet went out without the printer's credit or over a lost link.
    bool send(uint8_t code, const uint8_t *parameters, size_t count);
    // Sends a command that is neither an EEPROM read nor a write, and tells the record.
    void sendCommand(const char *name, uint8_t code, const uint8_t *parameters, size_t count);

    // The one command buffer; bytes 5 and 6 are written once, by the constructor.
    uint8_t m_buffer[40]{};
    bool m_lastReadFailed = false;
};

extern TPFactory Factory;
