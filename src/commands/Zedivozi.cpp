// USB ID reading and writing, and the coding of its date stamp.
#include "commands/Zedivozi.h"

#include "commands/EepromMap.h"
#include "commands/Zadivavoza.h"
#include "link/Roro4dodu.h"

VORizOroRu UsbID;

namespace {

constexpr int FirstYear = 1999;
constexpr int LastYear = 2060;

bool letterOrDigit(uint8_t c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

// 0 to 9 as digits, from 10 on the letters "A" onwards.
char stampChar(int value)
{
    return char(value < 10 ? '0' + value : value + 0x37);
}

char yearChar(int year)
{
    const int y = year - 1900;
    if (!VORizOroRu::StampYearSupported(year))
        return char(uint8_t(y & 0xFF)); // the low byte of y, as it stands
    if (y == 99)
        return '9';
    if (y <= 108)
        return char(y - 52); // "0" to "8"
    if (y <= 134)
        return char(y - 44); // "A" to "Z"
    return char(y - 38); // "a" to "z"
}

} // namespace

const char *VORizOroRu::SerialProblem(std::string_view serial)
{
    if (serial.size() != eeprom::UsbSerialLength)
        return "The Number of digit is wrong.";
    for (const char c : serial)
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z')))
            return "Parameter is only number & alphabet.";
    return nullptr;
}

bool VORizOroRu::StampYearSupported(int year)
{
    return year >= FirstYear && year <= LastYear;
}

std::string VORizOroRu::Stamp(const platform::LocalTime &time)
{
    const int minute = time.minute;
    const int second = time.second;
    std::string stamp(eeprom::UsbStampLength, '0');
    stamp[0] = yearChar(time.year);
    stamp[1] = stampChar(time.month); // months 1 to 12 give "1" to "9", "A" to "C"
    stamp[2] = stampChar(time.day);
    stamp[3] = stampChar(time.hour);
    stamp[4] = stampChar(minute >= 30 ? minute - 30 : minute);
    stamp[5] = stampChar(second >= 30 ? second - 30 : second);
    stamp[6] = char('0' + (minute >= 30 ? 2 : 0) + (second >= 30 ? 1 : 0));
    stamp[7] = '0';
    return stamp;
}

bool VORizOroRu::ReadUsbId(std::string &text)
{
    text.clear();
    m_lastReadFailed = false;
    for (uint8_t i = 0; i < eeprom::UsbIdLength; ++i) {
        const uint8_t byte = Factory.FactoryReadEeprom(uint8_t(eeprom::UsbSerialFirst + i));
        if (Factory.LastReadFailed()) {
            m_lastReadFailed = true;
            return false;
        }
        text += char(byte);
        if (!letterOrDigit(byte))
            return false;
    }
    return true;
}

std::optional<std::string> VORizOroRu::WriteUsbId(std::string_view serial, int show)
{
    m_lastWriteFailed = false;
    if (serial.size() != eeprom::UsbSerialLength)
        return std::nullopt;
    for (const char c : serial)
        if (!letterOrDigit(uint8_t(c)))
            return std::nullopt;
    const std::string stamp = Stamp(platform::clock().localTime());
    const DataDelivery delivery;
    for (uint8_t i = 0; i < eeprom::UsbSerialLength; ++i)
        Factory.FactoryWriteEeprom(uint8_t(eeprom::UsbSerialFirst + i), uint8_t(serial[i]));
    for (uint8_t i = 0; i < eeprom::UsbStampLength; ++i)
        Factory.FactoryWriteEeprom(uint8_t(eeprom::UsbStampFirst + i), uint8_t(stamp[i]));

    std::string display(serial.substr(0, 9));
    display += ' ';
    display += serial[9];
    display += stamp;
    m_lastWriteFailed = !delivery.complete();
    if (show == 1 && ShowUsbIdLabel && !m_lastWriteFailed)
        ShowUsbIdLabel(display);
    return display;
}
