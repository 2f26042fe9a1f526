// Frames of SANE image data into a grey page. Every row is turned to grey as soon as it is
// whole, so a colour scan never holds more than one row of colour; nothing is taken beyond
// what the frame announced.
#include "scanner/PageAssembler.h"

#include <algorithm>
#include <cstring>

namespace scanner {

namespace {

uint8_t luma(unsigned r, unsigned g, unsigned b)
{
    return uint8_t((299 * r + 587 * g + 114 * b + 500) / 1000);
}

// SANE's 16-bit samples are in the machine's own byte order.
unsigned sample16(const uint8_t *at)
{
    uint16_t value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

uint8_t to8(unsigned sample16)
{
    return uint8_t((sample16 * 255 + 32767) / 65535);
}

const char *planeName(int plane)
{
    static const char *const names[] = { "grey", "red", "green", "blue" };
    return names[plane];
}

} // namespace

Problem PageAssembler::unsupported(const std::string &what) const
{
    return { Failure::Unsupported,
             "The scanner \"" + m_device + "\" sends " + what
                     + ", which this program does not read." };
}

Problem PageAssembler::bad(const std::string &what) const
{
    return { Failure::BadData, "The scanner \"" + m_device + "\" " + what + "." };
}

Problem PageAssembler::tooLarge(int64_t pixels) const
{
    return { Failure::Unsupported,
             "The scanner \"" + m_device + "\" would send a page of "
                     + std::to_string(pixels / 1000000) + " megapixels, more than the "
                     + std::to_string(MaxPixels / 1000000) + " this program takes." };
}

Problem PageAssembler::begin(const SANE_Parameters &p)
{
    if (m_complete || m_open)
        return bad("sent a frame after the page's last");
    const bool single = p.format == SANE_FRAME_GRAY || p.format == SANE_FRAME_RGB;
    switch (p.format) {
    case SANE_FRAME_GRAY:
    case SANE_FRAME_RGB: m_plane = Grey; break;
    case SANE_FRAME_RED: m_plane = Red; break;
    case SANE_FRAME_GREEN: m_plane = Green; break;
    case SANE_FRAME_BLUE: m_plane = Blue; break;
    default: return unsupported("frames of format " + std::to_string(int(p.format)));
    }
    if (single && !p.last_frame)
        return unsupported("a page in several grey or colour frames");
    if (m_seen[Grey] || (single && (m_seen[Red] || m_seen[Green] || m_seen[Blue])))
        return bad("sent mixed grey and colour frames in one page");
    if (m_seen[m_plane])
        return bad(std::string("sent the ") + planeName(m_plane) + " frame twice");

    if (p.depth != 1 && p.depth != 8 && p.depth != 16)
        return unsupported(std::to_string(p.depth) + "-bit samples");
    if (p.depth == 1 && p.format != SANE_FRAME_GRAY)
        return unsupported("1-bit colour");
    if (p.pixels_per_line <= 0 || p.lines == 0 || p.lines < -1)
        return bad("announced a page of " + std::to_string(p.pixels_per_line) + " by "
                   + std::to_string(p.lines) + " pixels");
    if (p.pixels_per_line > MaxWidth)
        return tooLarge(int64_t(p.pixels_per_line) * std::max(p.lines, 1));
    if (p.lines > 0 && int64_t(p.pixels_per_line) * p.lines > MaxPixels)
        return tooLarge(int64_t(p.pixels_per_line) * p.lines);
    const int64_t samples = int64_t(p.pixels_per_line) * (p.format == SANE_FRAME_RGB ? 3 : 1);
    const int64_t needed = (samples * p.depth + 7) / 8;
    // Rows may be padded, but not beyond reason: the row buffer is this long.
    if (p.bytes_per_line < needed || p.bytes_per_line > 2 * needed + 64)
        return bad("announced " + std::to_string(p.bytes_per_line) + " bytes for a row of "
                   + std::to_string(needed));
    if (m_width != 0 && p.pixels_per_line != m_width)
        return bad("sent frames of different widths for one page");

    m_frame = p;
    m_width = p.pixels_per_line;
    m_row.assign(size_t(p.bytes_per_line), 0);
    m_filled = 0;
    m_frameRows = 0;
    if (p.lines > 0)
        m_planes[m_plane].reserve(size_t(p.pixels_per_line) * size_t(p.lines));
    m_open = true;
    return {};
}

Problem PageAssembler::add(const uint8_t *data, size_t size)
{
    if (!m_open)
        return bad("sent image data outside a frame");
    while (size > 0) {
        if (m_frame.lines > 0 && m_frameRows >= m_frame.lines)
            return bad("sent more image data than it announced");
        const size_t take = std::min(size, m_row.size() - m_filled);
        std::memcpy(m_row.data() + m_filled, data, take);
        m_filled += take;
        data += take;
        size -= take;
        if (m_filled == m_row.size()) {
            if (m_frame.lines < 0 && int64_t(m_frameRows + 1) * m_width > MaxPixels)
                return tooLarge(int64_t(m_frameRows + 1) * m_width);
            convertRow();
            m_filled = 0;
            ++m_frameRows;
        }
    }
    return {};
}

void PageAssembler::convertRow()
{
    std::vector<uint8_t> &plane = m_planes[m_plane];
    const size_t at = plane.size();
    plane.resize(at + size_t(m_width));
    uint8_t *out = plane.data() + at;
    const uint8_t *in = m_row.data();
    const bool colour = m_frame.format == SANE_FRAME_RGB;
    for (int x = 0; x < m_width; ++x) {
        switch (m_frame.depth) {
        case 1:
            // A set bit is black.
            out[x] = (in[x >> 3] >> (7 - (x & 7))) & 1 ? 0 : 255;
            break;
        case 8: out[x] = colour ? luma(in[3 * x], in[3 * x + 1], in[3 * x + 2]) : in[x]; break;
        default:
            out[x] = colour ? to8((299 * sample16(in + 6 * x) + 587 * sample16(in + 6 * x + 2)
                                   + 114 * sample16(in + 6 * x + 4) + 500)
                                  / 1000)
                            : to8(sample16(in + 2 * x));
            break;
        }
    }
}

Problem PageAssembler::end()
{
    if (!m_open)
        return bad("ended a frame it had not begun");
    m_open = false;
    if (m_frame.lines > 0 && (m_frameRows != m_frame.lines || m_filled != 0))
        return bad("sent " + std::to_string(m_frameRows) + " of " + std::to_string(m_frame.lines)
                   + " lines");
    // A scanner that does not know the length in advance may stop inside a row: the
    // unfinished row is left out.
    if (m_frameRows == 0)
        return bad("sent no image");
    m_seen[m_plane] = true;
    m_rows[m_plane] = m_frameRows;
    m_complete = bool(m_frame.last_frame);
    if (m_complete && m_plane != Grey) {
        if (!m_seen[Red] || !m_seen[Green] || !m_seen[Blue])
            return bad("ended the page before sending its red, green and blue frames");
        if (m_rows[Red] != m_rows[Green] || m_rows[Red] != m_rows[Blue])
            return bad("sent colour frames of different lengths for one page");
    }
    return {};
}

Problem PageAssembler::take(Page &page)
{
    if (!m_complete)
        return bad("ended before the page's last frame");
    page.width = m_width;
    if (m_seen[Grey]) {
        page.height = m_rows[Grey];
        page.grey = std::move(m_planes[Grey]);
        return {};
    }
    page.height = m_rows[Red];
    const size_t pixels = m_planes[Red].size();
    page.grey.resize(pixels);
    for (size_t i = 0; i < pixels; ++i)
        page.grey[i] = luma(m_planes[Red][i], m_planes[Green][i], m_planes[Blue][i]);
    for (int plane = Red; plane <= Blue; ++plane)
        std::vector<uint8_t>().swap(m_planes[size_t(plane)]);
    return {};
}

int64_t PageAssembler::expectedBytes() const
{
    if (m_frame.lines < 0 || m_frame.bytes_per_line <= 0)
        return -1;
    const int frames
            = m_frame.format == SANE_FRAME_GRAY || m_frame.format == SANE_FRAME_RGB ? 1 : 3;
    return int64_t(m_frame.bytes_per_line) * m_frame.lines * frames;
}

} // namespace scanner
