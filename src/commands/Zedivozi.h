// The USB ID of the USB-capable printers: a 10-character serial and an 8-character stamp of
// the date and time it was written, in EEPROM cells 77 to 94, over the data channel.
#pragma once

#include "platform/Platform.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>

class VORizOroRu
{
public:
    // Reads the 18 cells into `text`; false as soon as one is not a letter or a digit (the
    // rest are then not read, and `text` ends with the offending byte).
    bool ReadUsbId(std::string &text);
    // Whether the last ReadUsbId stopped at a read that got no reply of the right length
    // (its false then says nothing about the cells).
    bool LastReadFailed() const { return m_lastReadFailed; }
    // Writes the serial and the stamp of the clock's local time and returns the 19-character
    // display text (a blank after the ninth serial character). When `show` is 1 and every
    // write went out with the printer's credit the text also goes to the information panel's
    // label. Nothing is written and nothing is returned when the serial is not 10 letters or
    // digits.
    std::optional<std::string> WriteUsbId(std::string_view serial, int show);
    // What is wrong with a serial as the technician typed it, in the entry's own words, or
    // null when it may be written: exactly 10 characters, each a digit or an upper-case letter.
    static const char *SerialProblem(std::string_view serial);
    // Whether a write of the last WriteUsbId went out without credit or over a lost link: the
    // printer may not hold the ID.
    bool LastWriteFailed() const { return m_lastWriteFailed; }

    // Years whose stamp character is a letter or a digit, 1999 to 2060: digits, then
    // upper-case letters up to 2034, lower-case ones from 2035. Any other year is stamped as
    // the low byte of its count since 1900, which a read-back then refuses.
    static bool StampYearSupported(int year);
    // The 8 stamp characters of a local time.
    static std::string Stamp(const platform::LocalTime &time);

    // Set by the window layer: writes the information panel's USB ID label.
    std::function<void(const std::string &)> ShowUsbIdLabel;

private:
    bool m_lastReadFailed = false;
    bool m_lastWriteFailed = false;
};

extern VORizOroRu UsbID;
