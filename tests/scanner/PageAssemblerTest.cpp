// Frames as scanners other than the file reader send them: 16-bit samples in the machine's
// byte order, padded rows, colour frames in any order, data in pieces of any size; and frames
// that are refused before a byte is kept, or found wrong by what arrives.
#include "scanner/PageAssembler.h"

#include <gmock/gmock.h>

#include <cstring>

using scanner::Failure;
using scanner::PageAssembler;
using scanner::Problem;

namespace {

struct Frame
{
    SANE_Parameters parameters;
    std::vector<uint8_t> data;
};

SANE_Parameters frame(SANE_Frame format, int depth, int width, int lines, int rowBytes,
                      bool last = true)
{
    return { format, last ? SANE_TRUE : SANE_FALSE, rowBytes, width, lines, depth };
}

std::vector<uint8_t> samples16(std::initializer_list<uint16_t> values)
{
    std::vector<uint8_t> bytes(values.size() * 2);
    std::memcpy(bytes.data(), std::data(values), bytes.size());
    return bytes;
}

// Feeds the frames, the data in pieces of `piece` bytes; the first problem, or the page.
Problem assemble(const std::vector<Frame> &frames, size_t piece, scanner::Page &page)
{
    PageAssembler assembler("flatbed:0");
    for (const Frame &f : frames) {
        if (Problem p = assembler.begin(f.parameters))
            return p;
        for (size_t at = 0; at < f.data.size(); at += piece)
            if (Problem p = assembler.add(f.data.data() + at, std::min(piece, f.data.size() - at)))
                return p;
        if (Problem p = assembler.end())
            return p;
    }
    return assembler.take(page);
}

TEST(PageAssembler, ReadsEveryFormAScannerMaySendAlikeInAnyPieces)
{
    struct Case
    {
        const char *form;
        std::vector<Frame> frames;
        int width, height;
        std::vector<uint8_t> grey;
    };
    const Case cases[]
            = {
                  { "grey, 16 bits",
                    { { frame(SANE_FRAME_GRAY, 16, 3, 1, 6), samples16({ 0, 32768, 65535 }) } },
                    3,
                    1,
                    { 0, 128, 255 } },
                  { "colour, 16 bits",
                    { { frame(SANE_FRAME_RGB, 16, 3, 1, 18),
                        samples16({ 65535, 0, 0, 0, 65535, 0, 0, 0, 65535 }) } },
                    3,
                    1,
                    { 76, 150, 29 } },
                  { "one bit, rows padded to three bytes",
                    { { frame(SANE_FRAME_GRAY, 1, 10, 2, 3),
                        { 0xA0, 0x40, 0xFF, 0x00, 0xC0, 0x00 } } },
                    10,
                    2,
                    { 0,   255, 0,   255, 255, 255, 255, 255, 255, 0,
                      255, 255, 255, 255, 255, 255, 255, 255, 0,   0 } },
                  { "colour frames, blue first, 8 bits, rows padded",
                    { { frame(SANE_FRAME_BLUE, 8, 2, 1, 4, false), { 255, 0, 9, 9 } },
                      { frame(SANE_FRAME_RED, 8, 2, 1, 4, false), { 255, 255, 9, 9 } },
                      { frame(SANE_FRAME_GREEN, 8, 2, 1, 4), { 255, 0, 9, 9 } } },
                    2,
                    1,
                    { 255, 76 } },
                  { "a length unknown in advance, ending inside a row",
                    { { frame(SANE_FRAME_GRAY, 8, 2, -1, 2), { 1, 2, 3, 4, 5 } } },
                    2,
                    2,
                    { 1, 2, 3, 4 } },
              };
    for (const Case &c : cases) {
        for (const size_t piece : { size_t(1), size_t(5), size_t(4096) }) {
            SCOPED_TRACE(std::string(c.form) + ", pieces of " + std::to_string(piece));
            scanner::Page page;
            const Problem problem = assemble(c.frames, piece, page);
            ASSERT_FALSE(problem) << problem.message;
            EXPECT_EQ(page.width, c.width);
            EXPECT_EQ(page.height, c.height);
            EXPECT_EQ(page.grey, c.grey);
        }
    }
}

TEST(PageAssembler, RefusesWhatItCannotReadAndWhatDoesNotAddUp)
{
    const std::vector<uint8_t> row(8, 0);
    struct Case
    {
        std::vector<Frame> frames;
        Failure failure;
        std::string message;
    };
    const Case cases[] = {
        { { { frame(SANE_Frame(7), 8, 8, 1, 8), row } },
          Failure::Unsupported,
          "The scanner \"flatbed:0\" sends frames of format 7, which this program does not "
          "read." },
        { { { frame(SANE_FRAME_GRAY, 4, 16, 1, 8), row } },
          Failure::Unsupported,
          "The scanner \"flatbed:0\" sends 4-bit samples, which this program does not read." },
        { { { frame(SANE_FRAME_RGB, 1, 8, 1, 3), row } },
          Failure::Unsupported,
          "The scanner \"flatbed:0\" sends 1-bit colour, which this program does not read." },
        { { { frame(SANE_FRAME_GRAY, 8, 8, 1, 8, false), row } },
          Failure::Unsupported,
          "The scanner \"flatbed:0\" sends a page in several grey or colour frames, which this "
          "program does not read." },
        { { { frame(SANE_FRAME_GRAY, 8, 100000, 100000, 100000), row } },
          Failure::Unsupported,
          "The scanner \"flatbed:0\" would send a page of 10000 megapixels, more than the 685 "
          "this program takes." },
        { { { frame(SANE_FRAME_GRAY, 8, 8, 1, 7), row } },
          Failure::BadData,
          "The scanner \"flatbed:0\" announced 7 bytes for a row of 8." },
        { { { frame(SANE_FRAME_GRAY, 8, 8, 0, 8), row } },
          Failure::BadData,
          "The scanner \"flatbed:0\" announced a page of 8 by 0 pixels." },
        { { { frame(SANE_FRAME_GRAY, 8, 4, 1, 4), row } },
          Failure::BadData,
          "The scanner \"flatbed:0\" sent more image data than it announced." },
        { { { frame(SANE_FRAME_GRAY, 8, 4, 3, 4), row } },
          Failure::BadData,
          "The scanner \"flatbed:0\" sent 2 of 3 lines." },
        { { { frame(SANE_FRAME_RED, 8, 8, 1, 8, false), row },
            { frame(SANE_FRAME_RED, 8, 8, 1, 8, false), row } },
          Failure::BadData,
          "The scanner \"flatbed:0\" sent the red frame twice." },
        { { { frame(SANE_FRAME_RED, 8, 4, -1, 4, false), row },
            { frame(SANE_FRAME_GREEN, 8, 4, -1, 4, false), row },
            { frame(SANE_FRAME_BLUE, 8, 4, -1, 4), { 0, 0, 0, 0 } } },
          Failure::BadData,
          "The scanner \"flatbed:0\" sent colour frames of different lengths for one page." },
        { { { frame(SANE_FRAME_GREEN, 8, 8, 1, 8, false), row },
            { frame(SANE_FRAME_BLUE, 8, 8, 1, 8), row } },
          Failure::BadData,
          "The scanner \"flatbed:0\" ended the page before sending its red, green and blue "
          "frames." },
        { { { frame(SANE_FRAME_RED, 8, 8, 1, 8, false), row },
            { frame(SANE_FRAME_GRAY, 8, 8, 1, 8), row } },
          Failure::BadData,
          "The scanner \"flatbed:0\" sent mixed grey and colour frames in one page." },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.message);
        scanner::Page page;
        const Problem problem = assemble(c.frames, 3, page);
        EXPECT_EQ(problem.failure, c.failure);
        EXPECT_EQ(problem.message, c.message);
        EXPECT_TRUE(page.grey.empty());
    }
}

} // namespace
