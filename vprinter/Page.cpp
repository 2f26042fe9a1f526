// The sheet's dot planes and their picture.
#include "vprinter/Page.h"

#include <algorithm>

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

// Share of the paper a dot of each size covers, in 1/256.
constexpr std::array<int, 4> Coverage{ 0, 110, 180, 256 };

// Largest of the four dot sizes packed into a byte.
constexpr std::array<uint8_t, 256> largestDots()
{
    std::array<uint8_t, 256> table{};
    for (int b = 0; b < 256; ++b)
        table[size_t(b)] = uint8_t(std::max({ b >> 6 & 3, b >> 4 & 3, b >> 2 & 3, b & 3 }));
    return table;
}
constexpr std::array<uint8_t, 256> LargestDot = largestDots();

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

int Page::putSpan(Ink ink, int x, int width, int y, int level)
{
    if (width <= 0)
        return 0;
    if (y < 0 || y >= Height)
        return width;
    const int from = std::max(x, 0);
    const int to = std::min(int64_t(x) + width, int64_t(Width)) > from
            ? int(std::min(int64_t(x) + width, int64_t(Width)))
            : from;
    const int outside = width - (to - from);
    level = std::clamp(level, 0, MaxLevel);
    if (level == 0 || to == from)
        return outside;
    Row &row = inkedRow(ink, y);
    const uint8_t full = uint8_t(level * 0x55); // the same size in all four cells of a byte
    int c = from;
    for (; c < to && c % 4 != 0; ++c)
        put(ink, c, y, level);
    for (; c + 4 <= to; c += 4) {
        uint8_t &cells = row[size_t(c / 4)];
        if (cells == 0)
            cells = full;
        else
            for (int k = 0; k < 4; ++k)
                put(ink, c + k, y, level);
    }
    for (; c < to; ++c)
        put(ink, c, y, level);
    m_holdsInk = true;
    return outside;
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
    // Per ink and dot size, the factor each colour channel of the paper is multiplied by.
    std::array<std::array<std::array<int, 3>, 4>, InkCount> factor{};
    for (int ink = 0; ink < InkCount; ++ink)
        for (int size = 0; size < 4; ++size)
            for (int c = 0; c < 3; ++c)
                factor[size_t(ink)][size_t(size)][size_t(c)] = 256
                        - Coverage[size_t(size)] * (255 - InkColours[size_t(ink)][size_t(c)]) / 255;

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
                const uint8_t dots = (*rows[size_t(i)])[size_t(x)];
                if (dots == 0)
                    continue;
                const auto &f = factor[size_t(inks[size_t(i)])][LargestDot[dots]];
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
