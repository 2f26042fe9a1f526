// The sheet's dot planes and their picture.
#include "vprinter/Page.h"

#include <algorithm>
#include <bit>

namespace vprinter {

namespace {

// What each ink leaves on white paper where it covers the paper fully.
constexpr std::array<std::array<int, 3>, InkCount> InkColours{ {
        { 24, 24, 24 }, // black
        { 0, 158, 224 }, // cyan
        { 226, 0, 122 }, // magenta
        { 255, 230, 0 }, // yellow
        { 150, 214, 240 }, // light cyan
        { 242, 164, 204 }, // light magenta
} };

// The eighths of a pixel the dots of one byte (four cells, the leftmost in the high bits)
// cover: bits 0-7 in the byte's own pixel, 8-15 in the next one, a bit for each half cell.
constexpr std::array<uint16_t, 256> coveredHalfCells()
{
    std::array<uint16_t, 256> table{};
    for (int b = 0; b < 256; ++b) {
        unsigned mask = 0;
        for (int k = 0; k < 4; ++k) {
            const int size = b >> (6 - 2 * k) & 3;
            const int half = Page::DotWidthHalfCells[size_t(size)] / 2;
            const int centre = 2 * k + 4; // 1/720 inch right of the cell's left edge
            for (int h = centre - half; h < centre + half; ++h)
                mask |= 1u << h;
        }
        table[size_t(b)] = uint16_t(mask);
    }
    return table;
}
constexpr std::array<uint16_t, 256> CoveredHalfCells = coveredHalfCells();

constexpr int PixelEighths = 8;

} // namespace

std::array<uint8_t, 3> PageImage::pixel(int x, int y) const
{
    if (x < 0 || y < 0 || x >= width || y >= height)
        return { 255, 255, 255 };
    const size_t at = (size_t(y) * size_t(width) + size_t(x)) * 3;
    return { rgb[at], rgb[at + 1], rgb[at + 2] };
}

int Page::level(Ink ink, int x, int y) const
{
    if (x < 0 || y < 0 || x >= Width || y >= Height)
        return 0;
    const std::vector<Row> &plane = m_planes[size_t(ink)];
    if (plane.empty() || plane[size_t(y)].empty())
        return 0;
    return plane[size_t(y)][size_t(x / 4)] >> (6 - 2 * (x % 4)) & 3;
}

Page::Row &Page::inkedRow(Ink ink, int y)
{
    std::vector<Row> &plane = m_planes[size_t(ink)];
    if (plane.empty())
        plane.resize(Height);
    Row &row = plane[size_t(y)];
    if (row.empty())
        row.assign(RowBytes, 0);
    return row;
}

bool Page::put(Ink ink, int x, int y, int level)
{
    if (x < 0 || y < 0 || x >= Width || y >= Height)
        return false;
    level = std::clamp(level, 0, MaxLevel);
    if (level == 0)
        return true;
    Row &row = inkedRow(ink, y);
    const int shift = 6 - 2 * (x % 4);
    uint8_t &cell = row[size_t(x / 4)];
    if ((cell >> shift & 3) < level)
        cell = uint8_t((cell & ~(3 << shift)) | level << shift);
    m_holdsInk = true;
    return true;
}

std::vector<int> Page::inkedCells(Ink ink, int y) const
{
    std::vector<int> cells;
    if (y < 0 || y >= Height)
        return cells;
    const std::vector<Row> &plane = m_planes[size_t(ink)];
    if (plane.empty() || plane[size_t(y)].empty())
        return cells;
    const Row &row = plane[size_t(y)];
    for (int i = 0; i < RowBytes; ++i)
        if (row[size_t(i)] != 0)
            for (int k = 0; k < 4; ++k)
                if (row[size_t(i)] >> (6 - 2 * k) & 3)
                    cells.push_back(i * 4 + k);
    return cells;
}

size_t Page::bytesHeld() const
{
    size_t bytes = sizeof *this;
    for (const std::vector<Row> &plane : m_planes) {
        bytes += plane.capacity() * sizeof(Row);
        for (const Row &row : plane)
            bytes += row.capacity();
    }
    return bytes;
}

PageImage Page::render() const
{
    PageImage image{ WidthUnits, LengthUnits,
                     std::vector<uint8_t>(size_t(WidthUnits) * LengthUnits * 3, 255) };
    // Per ink and eighths covered, the factor each colour channel of the paper is multiplied by.
    std::array<std::array<std::array<int, 3>, PixelEighths + 1>, InkCount> factor{};
    for (int ink = 0; ink < InkCount; ++ink)
        for (int covered = 0; covered <= PixelEighths; ++covered)
            for (int c = 0; c < 3; ++c)
                factor[size_t(ink)][size_t(covered)][size_t(c)] = 256
                        - (covered * 256 / PixelEighths)
                                * (255 - InkColours[size_t(ink)][size_t(c)]) / 255;

    std::array<const Row *, InkCount> rows{};
    for (int y = 0; y < Height; ++y) {
        int used = 0;
        std::array<int, InkCount> inks{};
        for (int ink = 0; ink < InkCount; ++ink) {
            const std::vector<Row> &plane = m_planes[size_t(ink)];
            if (!plane.empty() && !plane[size_t(y)].empty()) {
                rows[size_t(used)] = &plane[size_t(y)];
                inks[size_t(used++)] = ink;
            }
        }
        if (used == 0)
            continue;
        uint8_t *out = &image.rgb[size_t(y) * size_t(WidthUnits) * 3];
        for (int x = 0; x < RowBytes; ++x, out += 3) {
            int r = 255, g = 255, b = 255;
            for (int i = 0; i < used; ++i) {
                const Row &row = *rows[size_t(i)];
                const uint8_t own = row[size_t(x)];
                const uint8_t before = x > 0 ? row[size_t(x - 1)] : 0;
                if ((own | before) == 0)
                    continue;
                const unsigned mask
                        = (CoveredHalfCells[own] | CoveredHalfCells[before] >> 8) & 0xFFu;
                const auto &f = factor[size_t(inks[size_t(i)])][size_t(std::popcount(mask))];
                r = r * f[0] >> 8;
                g = g * f[1] >> 8;
                b = b * f[2] >> 8;
            }
            out[0] = uint8_t(r);
            out[1] = uint8_t(g);
            out[2] = uint8_t(b);
        }
    }
    return image;
}

} // namespace vprinter
