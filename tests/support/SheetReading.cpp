// Reading a sheet's picture: inks by colour, text by the printer's font, Bi-D groups by their
// lines.
#include "support/SheetReading.h"

#include "vprinter/BitmapFont.h"

#include <algorithm>
#include <charconv>
#include <cmath>
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
    m_ink.resize(m_seen.size(), 0);
    m_rowMarked.resize(size_t(m_height), false);
    const uint8_t *rgb = image.rgb.data();
    for (size_t i = 0; i < m_seen.size(); ++i, rgb += 3) {
        if (rgb[0] == 255 && rgb[1] == 255 && rgb[2] == 255)
            continue;
        m_ink[i] = uint8_t(255 - std::min({ rgb[0], rgb[1], rgb[2] }));
        m_seen[i] = seen(rgb[0], rgb[1], rgb[2]);
        if (m_seen[i] != Seen::Paper)
            m_rowMarked[i / size_t(m_width)] = true;
    }
}

std::vector<double> SheetPicture::strokes(int top, int rows, int from, int to) const
{
    from = std::max(from, 0);
    to = to < 0 ? m_width : std::min(to, m_width);
    std::vector<double> found;
    double weight = 0, moment = 0;
    for (int x = from; x <= to; ++x) {
        int column = 0;
        for (int y = std::max(top, 0); x < to && y < std::min(top + rows, m_height); ++y)
            column += ink(x, y);
        if (column > 0) {
            weight += column;
            moment += column * (x + 0.5);
        } else if (weight > 0) {
            found.push_back(moment / weight);
            weight = moment = 0;
        }
    }
    return found;
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

std::optional<double> BidReading::offset(int group) const
{
    const std::vector<double> &lines = reference.at(size_t(group - 1));
    const std::vector<double> &seen = candidate.at(size_t(group - 1));
    if (lines.size() != LinesPerGroup || seen.size() != LinesPerGroup)
        return std::nullopt;
    double low = seen[0] - lines[0], high = low, sum = 0;
    for (size_t i = 0; i < LinesPerGroup; ++i) {
        const double shift = seen[i] - lines[i];
        low = std::min(low, shift);
        high = std::max(high, shift);
        sum += shift;
    }
    if (high - low > Tolerance)
        return std::nullopt;
    return sum / LinesPerGroup;
}

std::vector<int> BidReading::straightest() const
{
    std::optional<double> nearest;
    for (int group = 1; group <= Groups; ++group)
        if (const auto shift = offset(group))
            nearest = std::min(nearest.value_or(1e9), std::abs(*shift));
    std::vector<int> groups;
    for (int group = 1; nearest && group <= Groups; ++group)
        if (const auto shift = offset(group); shift && std::abs(*shift) <= *nearest + Tolerance)
            groups.push_back(group);
    if (groups.size() == 2
        && (groups[1] != groups[0] + 1 || *offset(groups[0]) * *offset(groups[1]) >= 0))
        return {}; // two equally near, but not one on either side: no reading
    return groups.size() <= 2 ? groups : std::vector<int>{};
}

std::optional<int> BidReading::readOff() const
{
    std::optional<int> sum;
    const std::vector<int> groups = straightest();
    for (const int group : groups) {
        const std::string &text = value[size_t(group - 1)];
        int number = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
        if (error != std::errc{} || end != text.data() + text.size())
            return std::nullopt;
        sum = sum.value_or(0) + number;
    }
    if (!sum || *sum % int(groups.size()) != 0)
        return std::nullopt;
    return *sum / int(groups.size());
}

namespace {

bool sameStrokes(const std::vector<double> &a, const std::vector<double> &b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::abs(a[i] - b[i]) > BidReading::Tolerance)
            return false;
    return true;
}

} // namespace

std::vector<BidReading> readBidPatterns(const SheetPicture &sheet)
{
    std::vector<BidReading> readings;
    for (const int top : sheet.linesStartingWith("data:")) {
        BidReading reading;
        reading.valueRow = top;
        // The reference band: the first row below the value row with all fifteen lines.
        std::vector<double> lines;
        for (int y = top + SheetPicture::LineHeight; y < top + ReferenceSearchRows; ++y) {
            lines = sheet.strokes(y, 1);
            if (lines.size() == Groups * LinesPerGroup) {
                reading.referenceTop = y;
                break;
            }
        }
        if (reading.referenceTop < 0) {
            readings.push_back(reading);
            continue;
        }
        int y = reading.referenceTop;
        while (y < sheet.height() && sameStrokes(sheet.strokes(y, 1), lines))
            ++y;
        lines = sheet.strokes(reading.referenceTop, y - reading.referenceTop);
        size_t group = 0;
        for (size_t i = 0; i < lines.size(); ++i) {
            if (i > 0 && lines[i] - lines[i - 1] > GroupGap)
                ++group;
            if (group < Groups)
                reading.reference[group].push_back(lines[i]);
        }
        // The candidate band: the rows under it that show other lines, up to the next
        // reference band or blank paper; each group's candidates are the strokes near it.
        reading.candidateTop = y;
        for (; y < sheet.height(); ++y) {
            const std::vector<double> row = sheet.strokes(y, 1);
            if (row.empty() || sameStrokes(row, lines))
                break;
        }
        reading.candidateRows = y - reading.candidateTop;
        for (size_t g = 0; g < Groups; ++g) {
            const std::vector<double> &ref = reading.reference[g];
            if (ref.empty())
                continue;
            reading.candidate[g] = sheet.strokes(reading.candidateTop, reading.candidateRows,
                                                 int(ref.front()) - GroupGap / 2,
                                                 int(ref.back()) + GroupGap / 2);
            const int column
                    = (int(ref.front()) - SheetPicture::LeftMargin) / SheetPicture::CharacterWidth;
            reading.valueColumn[g] = column;
            reading.value[g] = sheet.word(top, column);
        }
        readings.push_back(reading);
    }
    return readings;
}

} // namespace testsupport
