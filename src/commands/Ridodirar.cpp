// Two hexadecimal digits to a byte; only "0"-"9" and "A"-"F" count as digits.
#include "commands/Ridodirar.h"

VEVivAduvaz HexEntry;

namespace {

int digit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

int VEVivAduvaz::ParseHexByte(std::string_view text)
{
    // The callers check the length; a text of another length is refused rather than read
    // past its end.
    if (text.size() != 2)
        return InvalidHex;
    const int high = digit(text[0]);
    const int low = digit(text[1]);
    if (high < 0 || low < 0)
        return InvalidHex;
    return high * 16 + low;
}
