// Print data written by hand for the virtual printer's tests: one helper per printer command,
// with its bytes as the command table gives them, and the two kinds of compressed run.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace testsupport {

using Bytes = std::vector<uint8_t>;

inline Bytes operator+(Bytes a, const Bytes &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

inline Bytes text(const std::string &s)
{
    return { s.begin(), s.end() };
}

namespace cmd {

inline Bytes init()
{
    return { 0x1B, 0x40 };
}
inline Bytes graphics()
{
    return { 0x1B, 0x28, 0x47, 0x01, 0x00, 0x01 };
}
inline Bytes unit(uint8_t u)
{
    return { 0x1B, 0x28, 0x55, 0x01, 0x00, u };
}
inline Bytes direction(uint8_t d)
{
    return { 0x1B, 0x55, d };
}
inline Bytes dotSize(uint8_t s)
{
    return { 0x1B, 0x28, 0x65, 0x02, 0x00, 0x00, s };
}
inline Bytes colourMode(uint8_t m)
{
    return { 0x1B, 0x28, 0x4B, 0x02, 0x00, 0x00, m };
}
inline Bytes colour(uint8_t density, uint8_t c)
{
    return { 0x1B, 0x28, 0x72, 0x02, 0x00, density, c };
}
inline Bytes homeReturn()
{
    return { 0x1B, 0x3C, 0x0D };
}
// ESC . with compression 1: densities in 1/3600 inch, rows, dots per row.
inline Bytes raster(uint8_t v, uint8_t h, uint8_t rows, uint16_t dots)
{
    return { 0x1B, 0x2E, 0x01, v, h, rows, uint8_t(dots), uint8_t(dots >> 8) };
}
inline Bytes advance(uint8_t units)
{
    return { 0x1B, 0x28, 0x76, 0x02, 0x00, units, 0x00, 0x0D };
}
inline Bytes resolution(uint16_t base, uint8_t v, uint8_t h)
{
    return { 0x1B, 0x28, 0x44, 0x04, 0x00, uint8_t(base), uint8_t(base >> 8), v, h };
}
// ESC i with compression 1 and 2 bits per dot.
inline Bytes le16(uint16_t v)
{
    return { uint8_t(v), uint8_t(v >> 8) };
}
inline Bytes multiLevel(uint8_t colour, uint16_t rowBytes, uint16_t rows)
{
    return Bytes{ 0x1B, 0x69, colour, 0x01, 0x02 } + le16(rowBytes) + le16(rows);
}
inline Bytes le32(uint32_t v)
{
    return { uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24) };
}
inline Bytes paperSize(uint32_t width, uint32_t length)
{
    return Bytes{ 0x1B, 0x28, 0x53, 0x08, 0x00 } + le32(width) + le32(length);
}
inline Bytes pageFormat(uint32_t top, uint32_t bottom)
{
    return Bytes{ 0x1B, 0x28, 0x63, 0x08, 0x00 } + le32(top) + le32(bottom);
}
inline Bytes startRaster(uint8_t dir, uint8_t dot, uint8_t mode)
{
    return init() + graphics() + unit(10) + direction(dir) + dotSize(dot) + colourMode(mode);
}

// A repeat run: the byte `count` times (2 to 128).
inline Bytes repeat(int count, uint8_t value)
{
    return { uint8_t(257 - count), value };
}
// A literal run: the bytes as they are (1 to 128).
inline Bytes literal(std::initializer_list<uint8_t> bytes)
{
    Bytes b{ uint8_t(bytes.size() - 1) };
    b.insert(b.end(), bytes.begin(), bytes.end());
    return b;
}

} // namespace cmd
} // namespace testsupport
