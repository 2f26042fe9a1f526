// Conversion of the two-character hexadecimal text the technician types for an EEPROM
// address or value.
#pragma once

#include <string_view>

class VEVivAduvaz
{
public:
    // The value 0 to 255 of two upper-case hexadecimal digits, or InvalidHex for any other
    // text (lower case included, and any length but 2).
    static int ParseHexByte(std::string_view text);

    static constexpr int InvalidHex = 500;
};

extern VEVivAduvaz HexEntry;
