// The frames SANE delivers turned into one grey page: grey or colour, 1, 8 or 16 bits, in one
// pass or as separate red, green and blue frames, whatever the pieces the data comes in.
#pragma once

#include "scanner/Scanner.h"

#include <sane/sane.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace scanner {

struct Problem
{
    Failure failure = Failure::None;
    std::string message;
    explicit operator bool() const { return failure != Failure::None; }
};

class PageAssembler
{
public:
    // The largest page taken, in pixels: a legal-size sheet (8.5 by 14 inches) at 2400 dpi.
    static constexpr int64_t MaxPixels = int64_t(85 * 2400 / 10) * (14 * 2400);
    static constexpr int MaxWidth = 100000;

    explicit PageAssembler(std::string device) : m_device(std::move(device)) { }

    // A frame begins with these parameters.
    Problem begin(const SANE_Parameters &parameters);
    // Bytes of the frame as they come.
    Problem add(const uint8_t *data, size_t size);
    // The scanner said the frame is over.
    Problem end();
    // Whether the frame that just ended was the page's last.
    bool complete() const { return m_complete; }
    // The page, once complete.
    Problem take(Page &page);

    // Bytes a frame of these parameters holds (-1 when its length is unknown), times the
    // frames still to come for the page, for progress.
    int64_t expectedBytes() const;

private:
    enum Plane { Grey, Red, Green, Blue };
    Problem unsupported(const std::string &what) const;
    Problem bad(const std::string &what) const;
    Problem tooLarge(int64_t pixels) const;
    void convertRow();

    std::string m_device;
    SANE_Parameters m_frame{};
    int m_plane = Grey; // the plane the frame fills
    bool m_open = false;
    bool m_complete = false;
    int m_width = 0;
    std::array<std::vector<uint8_t>, 4> m_planes; // grey, or red, green and blue
    std::array<int, 4> m_rows{}; // rows each plane holds
    std::array<bool, 4> m_seen{}; // planes whose frame has ended
    std::vector<uint8_t> m_row; // the row being filled
    size_t m_filled = 0;
    int m_frameRows = 0;
};

} // namespace scanner
