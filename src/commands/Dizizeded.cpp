// Head voltage ID coding, checking, and its five EEPROM cells.
#include "commands/Dizizeded.h"

#include "commands/EepromMap.h"
#include "link/Roro4dodu.h"

#include <cstring>
#include <utility>

TPHeadID HeadID;

namespace {

// Values 1 to 40 in order; there is no "I" and no "0".
constexpr char Alphabet[] = "ABCDEFGHJKLMNOPQRSTUVWXYZ123456789%*+-$:";
constexpr unsigned AlphabetSize = sizeof Alphabet - 1;
static_assert(AlphabetSize == 40);

constexpr uint8_t MaxFirst = 23;
constexpr uint8_t MaxSecond = 4;
constexpr uint8_t MaxThird = 24;
constexpr uint8_t MaxFourth = 30;
constexpr uint8_t MaxFifth = 28;
constexpr uint8_t MaxCheck = 31;

bool inRange(uint8_t value, uint8_t max)
{
    return value >= 1 && value <= max;
}

// A cell outside the alphabet comes back as its own byte; one whose byte happens to be a
// character of the alphabet ("A" is 65, not 1) would read as a value the cell does not hold,
// and could make a valid-looking ID of cells that hold none. It reads as "?" instead.
constexpr char Unreadable = '?';

char cellChar(uint8_t value)
{
    const char c = TPHeadID::EncodeIdChar(value);
    return (value < 1 || value > AlphabetSize) && TPHeadID::DecodeIdChar(c) != 0 ? Unreadable : c;
}

// The second character: "Z" for 0, the digit of 1 to 4; any other value as its byte plus 0x30,
// except that 42 would read as "Z".
char secondChar(uint8_t value)
{
    if (value == 0)
        return 'Z';
    const char c = char(value + 0x30);
    return c == 'Z' ? Unreadable : c;
}

} // namespace

char TPHeadID::EncodeIdChar(uint8_t value)
{
    if (value >= 1 && value <= AlphabetSize)
        return Alphabet[value - 1];
    return char(value);
}

uint8_t TPHeadID::DecodeIdChar(char character)
{
    if (character == 0)
        return 0;
    const char *found = std::strchr(Alphabet, character);
    return found ? uint8_t(found - Alphabet + 1) : 0;
}

uint8_t TPHeadID::CheckValue(unsigned d1, unsigned d2, unsigned d3, unsigned d4, unsigned d5)
{
    return uint8_t(31 - (2 * d1 + 4 * d2 + 6 * d3 + 8 * d4 + 10 * d5) % 31);
}

uint16_t TPHeadID::Parse(std::string_view text, uint8_t (&values)[5])
{
    if (text.size() != 6)
        return HeadIdWrongLength;
    const uint8_t d1 = DecodeIdChar(text[0]);
    if (!inRange(d1, MaxFirst))
        return HeadIdWrongFirst;
    uint8_t d2 = 0;
    if (text[1] >= '1' && text[1] <= char('0' + MaxSecond))
        d2 = uint8_t(text[1] - '0');
    else if (text[1] != 'Z')
        return HeadIdWrongSecond;
    const uint8_t d3 = DecodeIdChar(text[2]);
    if (!inRange(d3, MaxThird))
        return HeadIdWrongThird;
    const uint8_t d4 = DecodeIdChar(text[3]);
    if (!inRange(d4, MaxFourth))
        return HeadIdWrongFourth;
    const uint8_t d5 = DecodeIdChar(text[4]);
    if (!inRange(d5, MaxFifth))
        return HeadIdWrongFifth;
    const uint8_t d6 = DecodeIdChar(text[5]);
    if (!inRange(d6, MaxCheck) || d6 != CheckValue(d1, d2, d3, d4, d5))
        return HeadIdWrongCheck;
    values[0] = d1;
    values[1] = d2;
    values[2] = d3;
    values[3] = d4;
    values[4] = d5;
    return HeadIdWritten;
}

uint16_t TPHeadID::CheckHeadId(std::string_view text)
{
    uint8_t values[5] = {};
    return Parse(text, values);
}

uint16_t TPHeadID::WriteHeadId(std::string_view text)
{
    uint8_t d[5] = {};
    if (const uint16_t code = Parse(text, d); code != HeadIdWritten)
        return code;
    const std::pair<uint8_t, uint8_t> cells[] = { { eeprom::HeadIdFirst, d[0] },
                                                  { eeprom::HeadIdSecond, d[1] },
                                                  { eeprom::HeadIdThird, d[2] },
                                                  { eeprom::HeadIdFourth, d[3] },
                                                  { eeprom::HeadIdFifth, d[4] } };
    // A printer that has stopped answering would make every further write wait as long.
    for (const auto &[address, value] : cells)
        if (D4Link.WriteEepromByte(address, value) == ReplyNoAnswer)
            return HeadIdNoAnswer;
    return HeadIdWritten;
}

const char *TPHeadID::ReadHeadId()
{
    m_lastReadFailed = false;
    const uint8_t order[] = { eeprom::HeadIdFirst, eeprom::HeadIdThird, eeprom::HeadIdFourth,
                              eeprom::HeadIdFifth, eeprom::HeadIdSecond };
    uint8_t read[sizeof order] = {};
    for (size_t i = 0; i < sizeof order; ++i) {
        read[i] = D4Link.ReadEepromByte(order[i]);
        if (D4Link.LastExchangeFailed()) {
            m_lastReadFailed = true;
            m_text[0] = 0;
            return m_text;
        }
    }
    const auto [d1, d3, d4, d5, d2] = read;
    ComposeText({ d1, d2, d3, d4, d5 }, m_text);
    return m_text;
}

void TPHeadID::ComposeText(const uint8_t (&values)[5], char (&text)[7])
{
    const auto [d1, d2, d3, d4, d5] = values;
    text[0] = cellChar(d1);
    text[1] = secondChar(d2);
    text[2] = cellChar(d3);
    text[3] = cellChar(d4);
    text[4] = cellChar(d5);
    text[5] = EncodeIdChar(CheckValue(d1, d2, d3, d4, d5));
    text[6] = 0;
}
