// How a value typed by the technician is read: the same rule for every signed entry box, so
// that the Bi-D and top-margin boxes take and refuse the same texts.
#pragma once

#include <charconv>
#include <string_view>
#include <system_error>

// An optional sign and decimal digits, nothing else; anything else, or a number beyond int,
// is `fallback`.
inline int WholeNumber(std::string_view text, int fallback)
{
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    if (text.empty() || text.front() == '+')
        return fallback;
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        return fallback;
    return value;
}
