// Reading a printed sheet from its picture at 360 dots per inch, as a technician reads the
// paper: which ink each pixel shows, the lines of text in the printer's own font, and the Bi-D
// pattern's groups against their reference lines with the values printed above them, to a
// fraction of a pixel from the share of ink each pixel shows.
#pragma once

#include "vprinter/Page.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace testsupport {

// What a pixel looks like: paper, one ink at full size, or anything else (a light ink, a small
// dot, a mixture).
enum class Seen : uint8_t { Paper, Black, Cyan, Magenta, Yellow, Other };

class SheetPicture
{
public:
    // The sheet's left edge of the printable area and a character cell of the printer's text,
    // in pixels: 10 characters per inch, 9 font rows of 1/60 inch, 5 font columns of 1/60 inch.
    static constexpr int LeftMargin = 48;
    static constexpr int CharacterWidth = 36;
    static constexpr int FontDot = 6;
    static constexpr int LineHeight = 9 * FontDot;

    explicit SheetPicture(const vprinter::Page &page);

    int width() const { return m_width; }
    int height() const { return m_height; }
    // Paper outside the picture.
    Seen at(int x, int y) const
    {
        return x < 0 || y < 0 || x >= m_width || y >= m_height
                ? Seen::Paper
                : m_seen[size_t(y) * size_t(m_width) + size_t(x)];
    }
    // How much ink a pixel shows: 0 on paper, up to 255 (255 less its darkest channel).
    int ink(int x, int y) const
    {
        return x < 0 || y < 0 || x >= m_width || y >= m_height
                ? 0
                : m_ink[size_t(y) * size_t(m_width) + size_t(x)];
    }
    // The vertical strokes `rows` rows from `top` show between columns `from` and `to`: runs of
    // columns with ink in any of those rows, each at the ink-weighted centre of its columns, in
    // pixels from the sheet's left edge (a pixel's centre lies half a pixel right of its edge).
    std::vector<double> strokes(int top, int rows, int from = 0, int to = -1) const;
    // The columns of a row that show `ink`, from the left.
    std::vector<int> columns(int y, Seen ink) const;
    // The columns of a row that show anything but paper.
    std::vector<int> marked(int y) const;
    // The rows that show `ink` anywhere, from the top.
    std::vector<int> rows(Seen ink) const;

    // The character whose cell starts at text column `column` of a line whose top is `top`;
    // '?' when the dots there are no character of the printer's font.
    char character(int top, int column) const;
    // The line from column `from` to the last character that is not a blank.
    std::string line(int top, int from = 0) const;
    // The word (up to the next blank) that starts at `column`.
    std::string word(int top, int column) const;
    // The tops of the lines whose text, blanks before it left out, starts with `prefix`.
    std::vector<int> linesStartingWith(std::string_view prefix) const;

private:
    int m_width = 0;
    int m_height = 0;
    // What each pixel shows, row by row, and whether a row shows anything at all.
    std::vector<Seen> m_seen;
    std::vector<uint8_t> m_ink;
    std::vector<bool> m_rowMarked;
};

// One shot type of the Bi-D pattern as the technician reads it off the sheet: under a value
// row ("data:" and five numbers), a band of reference lines over all five groups, then the
// band of candidate lines of each group. Positions are stroke centres in pixels.
struct BidReading
{
    // Two strokes closer than this (1/7200 inch) stand at the same place.
    static constexpr double Tolerance = 0.05;

    int valueRow = -1; // top of the value row's text line
    int referenceTop = -1; // first row of the reference band
    int candidateTop = -1; // first row of the candidate band
    int candidateRows = 0;
    // Per group: its three reference lines, the candidate lines it shows, and the number
    // printed above it (the word over its first line).
    std::array<std::vector<double>, 5> reference;
    std::array<std::vector<double>, 5> candidate;
    std::array<std::string, 5> value;
    // Left column of the number above each group.
    std::array<int, 5> valueColumn{};

    // How far a group's candidate lines stand from its reference lines, in pixels (to the
    // right positive); nothing when they are not three lines shifted alike.
    std::optional<double> offset(int group) const;
    // The groups (1 to 5) a technician finds straightest: the one whose lines stand nearest
    // to its reference lines, or two neighbours that stand equally near, on either side.
    std::vector<int> straightest() const;
    // The value to write: the number above the straightest group, or the one midway between
    // two equally straight neighbours; nothing when the sheet does not tell.
    std::optional<int> readOff() const;
};

// The shot types of every Bi-D pattern on the sheet, from the top.
std::vector<BidReading> readBidPatterns(const SheetPicture &sheet);

} // namespace testsupport
