// The virtual printer's own text font: 5 x 7 dots with two rows below the base line, for the
// printable ASCII characters.
#pragma once

#include <array>
#include <cstdint>

namespace vprinter {

inline constexpr int GlyphColumns = 5;
inline constexpr int GlyphRows = 9; // rows 0 to 6 above the base line, 7 and 8 below it

// The rows of a character, top first; bit 4 of a row is its leftmost dot. Characters outside
// 0x20 to 0x7E have no glyph (all rows empty).
const std::array<uint8_t, GlyphRows> &glyph(char character);

} // namespace vprinter
