// The Bi-D pattern as a whole (title, the three shot pages, the readiness checks) and the
// single Bi-D values the adjustment workflow reads and writes.
#pragma once

#include <cstdint>
#include <string_view>

class TPBid
{
public:
    // True when all three shot pages were printed; false on a printer error, or when a stored
    // value could not be read, and then no value of that page was changed. `inSheet` indents
    // the title under the check sheet's item number.
    bool PrintBidPattern(bool inSheet);
    // The stored value of a kind (1 Multi shot 2, 2 Multi shot 1, 3 Variable shot) as signed
    // decimal text, read over the control channel, in a buffer the next call overwrites.
    // Whether the read got a reply: D4Link.LastExchangeFailed().
    const char *ReadBidValueText(uint8_t kind);
    // Writes a value typed as a whole number from -56 to 56; false, with nothing sent, for any
    // other text.
    bool WriteBidValue(uint8_t kind, std::string_view text);
    // Whether WriteBidValue takes the text, so that several values can be checked before any
    // of them is sent.
    static bool BidValueAccepted(std::string_view text);

private:
    char m_text[5] = "";
};

extern TPBid Bid;
