// The head voltage ID: six characters of a 40-symbol alphabet, five of them stored in the
// EEPROM and the sixth a check character rebuilt on reading.
#pragma once

#include <cstdint>
#include <string_view>

// Result codes of WriteHeadId.
enum : uint16_t {
    HeadIdWritten = 0,
    HeadIdWrongLength = 0x1001,
    HeadIdWrongFirst = 0x1002,
    HeadIdWrongSecond = 0x1003,
    HeadIdWrongThird = 0x1004,
    HeadIdWrongFourth = 0x1005,
    HeadIdWrongFifth = 0x1006,
    HeadIdWrongCheck = 0x1007,
    // The printer did not answer one of the writes; the cells after it were not written.
    HeadIdNoAnswer = 0x7001,
};

class TPHeadID
{
public:
    // The six characters read from the printer, in a buffer each call overwrites. A cell
    // outside the alphabet comes back as its own byte, so a blank EEPROM gives an empty text.
    // The reads stop at the first that gets no usable reply; the text is then empty.
    const char *ReadHeadId();
    // Whether the last ReadHeadId lost a read: its text is then no ID.
    bool LastReadFailed() const { return m_lastReadFailed; }
    // Checks the text as typed and, only when all six characters pass, writes the five cells
    // over the control channel; HeadIdNoAnswer when a write got no reply.
    uint16_t WriteHeadId(std::string_view text);
    // The code WriteHeadId would give a text before writing anything: HeadIdWritten when the
    // text may be written.
    static uint16_t CheckHeadId(std::string_view text);

    // The character of a value 1 to 40; any other value comes back as its own byte.
    static char EncodeIdChar(uint8_t value);
    // The value of a character of the alphabet, 0 for any other.
    static uint8_t DecodeIdChar(char character);
    // The six characters of the five stored values (first to fifth character), as a read
    // shows them: a value outside its alphabet as its own byte or "?".
    static void ComposeText(const uint8_t (&values)[5], char (&text)[7]);
    // 31 - ((2 d1 + 4 d2 + 6 d3 + 8 d4 + 10 d5) mod 31), always 1 to 31.
    static uint8_t CheckValue(unsigned d1, unsigned d2, unsigned d3, unsigned d4, unsigned d5);

private:
    // The five stored values (first to fifth character) of a text that passes every check.
    static uint16_t Parse(std::string_view text, uint8_t (&values)[5]);

    char m_text[7] = "000000";
    bool m_lastReadFailed = false;
};

extern TPHeadID HeadID;
