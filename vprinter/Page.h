// One sheet as the virtual printer printed it: the dots of every ink, exact to 1/1440 inch
// across and 1/360 inch down, and the picture a technician would see, at 360 dots per inch,
// each dot drawn over its own width so that positions between pixels show as shares of ink.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace vprinter {

enum class Ink : uint8_t { Black, Cyan, Magenta, Yellow, LightCyan, LightMagenta };
inline constexpr int InkCount = 6;

// An RGB picture, three bytes per pixel, rows from the top, at `DotsPerInch` both ways.
struct PageImage
{
    static constexpr int DotsPerInch = 360;

    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;

    // Red, green and blue of a pixel; white outside the picture.
    std::array<uint8_t, 3> pixel(int x, int y) const;
};

class Page
{
public:
    // An A4 sheet: 210 x 297 mm is 2976 x 4208 in 1/360 inch.
    static constexpr int WidthUnits = 2976;
    static constexpr int LengthUnits = 4208;
    // Every horizontal resolution of a stream (360, 480, 720 dpi) and the 1/720-inch Bi-D step
    // fall on a grid of 1/1440 inch.
    static constexpr int CellsPerUnit = 4;
    static constexpr int Width = WidthUnits * CellsPerUnit; // cells across
    static constexpr int Height = LengthUnits; // rows down
    static constexpr int MaxLevel = 3;

    // A dot put at cell x is centred 1/720 inch right of the cell's left edge, so that the
    // dots of a 360-dpi row, four cells apart, tile the paper; it is as wide as its size
    // makes it and fills its row's 1/360 inch down.
    static constexpr std::array<int, 4> DotWidthHalfCells{ 0, 4, 6, 8 }; // 1/720, 1/480, 1/360

    // Dot size at a cell: 0 (none) to 3 (largest); 0 outside the sheet.
    int level(Ink ink, int x, int y) const;
    // Puts a dot. Ink already there keeps the larger dot. False outside the sheet.
    bool put(Ink ink, int x, int y, int level);

    bool holdsInk() const { return m_holdsInk; }
    // The cells of one row that hold the ink, from the left.
    std::vector<int> inkedCells(Ink ink, int y) const;
    // Bytes the dots take, for memory figures.
    size_t bytesHeld() const;

    // The sheet at 360 dots per inch, as a scanner would see it: each pixel takes of each ink
    // the share of its width the ink's dots cover (in eighths), the inks laid over one another.
    // A stroke half a pixel off thus shows as two pixels of half its ink, its centre where the
    // dots' centre is.
    PageImage render() const;

private:
    // Two bits per cell, the leftmost cell in the high bits: one byte is one pixel of the
    // picture. Rows are allocated when their first dot lands.
    static constexpr int RowBytes = Width / 4;
    using Row = std::vector<uint8_t>;
    // The row of `ink` at `y` (within the sheet), allocated as it takes its first dot.
    Row &inkedRow(Ink ink, int y);
    std::array<std::vector<Row>, InkCount> m_planes;
    bool m_holdsInk = false;
};

} // namespace vprinter
