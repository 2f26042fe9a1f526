// Reading a sheet's picture: inks by colour, text by the printer's font, Bi-D groups by their
// lines.
#include "support/SheetReading.h"

#include "vprinter/BitmapFont.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>

namespace testsupport {

namespace {

constexpr int FontRows = 9;
constexpr int FontColumns = 5;
constexpr int LineColumns = 80; // 8 inches at 10 characters per inch
constexpr int Groups = 5;
constexpr int LinesPerGroup = 3;
// Groups stand 1.4 inch (504 pixels) apart, their lines 2/15 inch (48 pixels): a gap wider
// than this parts two groups.
constexpr int GroupGap = 200;
// The reference band begins within a few lines below the value row.
constexpr int ReferenceSearchRows = 300;

Seen seen(uint8_t r, uint8_t g, uint8_t b)
{
    if (r >= 240 && g >= 240 && b >= 240)
        return Seen::Paper;
    if (r < 64 && g < 64 && b < 64)
        return Seen::Black;
    if (r < 64 && g >= 100 && g < 200 && b >= 180)
        return Seen::Cyan;
    if (g < 64 && r >= 180 && b >= 64 && b < 180)
        return Seen::Magenta;
    if (b < 64 && r >= 180 && g >= 180)
        return Seen::Yellow;
    return Seen::Other;
}

} // namespace

SheetPicture::SheetPicture(const vprinter::Page &page)
{
    const vprinter::PageImage image = page.render();
    m_width = image.width;
    m_height = image.height;
    m_seen.resize(size_t(m_width) * size_t(m_height), Seen::Paper);
    m_rowMarked.resize(size_t(m_height), false);
    const uint8_t *rgb = image.rgb.data();
    for (size_t i = 0; i < m_seen.size(); ++i, rgb += 3) {
        if (rgb[0] == 255 && rgb[1] == 255 && rgb[2] == 255)
            continue;
        m_seen[i] = seen(rgb[0], rgb[1], rgb[2]);
        if (m_seen[i] != Seen::Paper)
            m_rowMarked[i / size_t(m_width)] = true;
    }
}

std::vector<int> SheetPicture::columns(int y, Seen ink) const
{
    std::vector<int> found;
    if (y < 0 || y >= m_height || !m_rowMarked[size_t(y)])
        return found;
    for (int x = 0; x < width(); ++x)
        if (at(x, y) == ink)
            found.push_back(x);
    return found;
}

std::vector<int> SheetPicture::marked(int y) const
{
    std::vector<int> found;
    if (y < 0 || y >= m_height || !m_rowMarked[size_t(y)])
        return found;
    for (int x = 0; x < width(); ++x)
        if (at(x, y) != Seen::Paper)
            found.push_back(x);
    return found;
}

std::vector<int> SheetPicture::rows(Seen ink) const
{
    std::vector<int> found;
    for (int y = 0; y < height(); ++y)
        for (int x = 0; m_rowMarked[size_t(y)] && x < width(); ++x)
            if (at(x, y) == ink) {
                found.push_back(y);
                break;
            }
    return found;
}

char SheetPicture::character(int top, int column) const
{
    const int left = LeftMargin + column * CharacterWidth;
    // The middle of each font dot says whether it is inked...
    std::array<uint8_t, FontRows> dots{};
    for (int r = 0; r < FontRows; ++r)
        for (int c = 0; c < FontColumns; ++c)
            if (at(left + c * FontDot + FontDot / 2, top + r * FontDot + FontDot / 2)
                == Seen::Black)
                dots[size_t(r)] |= uint8_t(1 << (FontColumns - 1 - c));
    if (dots == std::array<uint8_t, FontRows>{})
        return ' ';
    char found = '?';
    for (int ch = 0x21; ch <= 0x7E; ++ch)
        if (vprinter::glyph(char(ch)) == dots)
            found = char(ch);
    if (found == '?')
        return found;
    // ...and the whole dot must be, so that only the line's own top reads it.
    for (int r = 0; r < FontRows; ++r)
        for (int c = 0; c < FontColumns; ++c) {
            const bool inked = dots[size_t(r)] >> (FontColumns - 1 - c) & 1;
            for (int dy = 0; dy < FontDot; ++dy)
                for (int dx = 0; dx < FontDot; ++dx)
                    if ((at(left + c * FontDot + dx, top + r * FontDot + dy) == Seen::Black)
                        != inked)
                        return '?';
        }
    return found;
}

std::string SheetPicture::line(int top, int from) const
{
    std::string text;
    for (int column = from; column < LineColumns; ++column)
        text += character(top, column);
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
}

std::string SheetPicture::word(int top, int column) const
{
    std::string text;
    for (; column < LineColumns; ++column) {
        const char c = character(top, column);
        if (c == ' ')
            break;
        text += c;
    }
    return text;
}

std::vector<int> SheetPicture::linesStartingWith(std::string_view prefix) const
{
    std::vector<int> tops;
    for (int top = 0; top + LineHeight <= height(); ++top) {
        if (std::none_of(m_rowMarked.begin() + top, m_rowMarked.begin() + top + LineHeight,
                         [](bool marked) { return marked; }))
            continue;
        int column = 0;
        while (column < LineColumns && character(top, column) == ' ')
            ++column;
        size_t matched = 0;
        while (matched < prefix.size() && column + int(matched) < LineColumns
               && character(top, column + int(matched)) == prefix[matched])
            ++matched;
        if (matched == prefix.size())
            tops.push_back(top);
    }
    return tops;
}

int BidReading::groupOnTheLines() const
{
    int found = 0;
    for (int group = 1; group <= Groups; ++group) {
        if (offset(group) != 0)
            continue;
        if (found)
            return 0;
        found = group;
    }
    return found;
}

std::optional<int> BidReading::offset(int group) const
{
    const std::vector<int> &lines = reference.at(size_t(group - 1));
    const std::vector<int> &seen = candidate.at(size_t(group - 1));
    if (lines.size() != LinesPerGroup || seen.size() != LinesPerGroup)
        return std::nullopt;
    const int shift = seen[0] - lines[0];
    for (size_t i = 1; i < LinesPerGroup; ++i)
        if (seen[i] - lines[i] != shift)
            return std::nullopt;
    return shift;
}

std::optional<int> BidReading::readOff() const
{
    const int group = groupOnTheLines();
    if (!group)
        return std::nullopt;
    const std::string &text = value[size_t(group - 1)];
    int number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc{} || end != text.data() + text.size())
        return std::nullopt;
    return number;
}

std::vector<BidReading> readBidPatterns(const SheetPicture &sheet)
{
    std::vector<BidReading> readings;
    for (const int top : sheet.linesStartingWith("data:")) {
        BidReading reading;
        reading.valueRow = top;
        // The reference band: the first row below the value row with all fifteen lines.
        std::vector<int> lines;
        for (int y = top + SheetPicture::LineHeight; y < top + ReferenceSearchRows; ++y) {
            lines = sheet.columns(y, Seen::Black);
            if (lines.size() == Groups * LinesPerGroup) {
                reading.referenceTop = y;
                break;
            }
        }
        if (reading.referenceTop < 0) {
            readings.push_back(reading);
            continue;
        }
        size_t group = 0;
        for (size_t i = 0; i < lines.size(); ++i) {
            if (i > 0 && lines[i] - lines[i - 1] > GroupGap)
                ++group;
            if (group < Groups)
                reading.reference[group].push_back(lines[i]);
        }
        // The candidate band: the rows under it that show other lines, up to the next
        // reference band or blank paper.
        int y = reading.referenceTop;
        while (y < sheet.height() && sheet.columns(y, Seen::Black) == lines)
            ++y;
        reading.candidateTop = y;
        std::vector<int> seen;
        for (; y < sheet.height(); ++y) {
            const std::vector<int> row = sheet.columns(y, Seen::Black);
            if (row.empty() || row == lines)
                break;
            seen.insert(seen.end(), row.begin(), row.end());
        }
        std::sort(seen.begin(), seen.end());
        seen.erase(std::unique(seen.begin(), seen.end()), seen.end());
        for (const int x : seen) {
            for (size_t g = 0; g < Groups; ++g) {
                const std::vector<int> &ref = reading.reference[g];
                if (!ref.empty() && std::abs(x - ref[ref.size() / 2]) < GroupGap)
                    reading.candidate[g].push_back(x);
            }
        }
        for (size_t g = 0; g < Groups; ++g) {
            if (reading.reference[g].empty())
                continue;
            const int column = (reading.reference[g].front() - SheetPicture::LeftMargin)
                    / SheetPicture::CharacterWidth;
            reading.valueColumn[g] = column;
            reading.value[g] = sheet.word(top, column);
        }
        readings.push_back(reading);
    }
    return readings;
}

} // namespace testsupport
