// How many data-channel packets each pattern sends, worked out from the pattern tables: one
// packet per command, per text, per CR LF pair, per run and per alignment fragment.
#pragma once

#include <array>

namespace testsupport::packets {

constexpr int RasterStart = 6;

// A 1-bit pass: its header, then rows of `runs` runs each.
constexpr int pass(int rows, int runs)
{
    return 1 + rows * runs;
}

// Heading; raster start; two bands of three passes of 48 rows of 120×FF, each pass with its
// advance, and the band's advance; initialise; two line ends.
constexpr int BlackBeta = 1 + RasterStart + 2 * (3 * (pass(48, 1) + 1) + 1) + 1 + 2;
// Raster start; two bands of three times three colours (select, 15 rows of three runs,
// advance), and the band's advance; initialise; three line ends.
constexpr int ColourBeta = RasterStart + 2 * (3 * 3 * (1 + pass(15, 3) + 1) + 1) + 1 + 3;
// Heading; initialise; two bands of raster start, a pass of 48 rows and an advance;
// initialise; one line end.
constexpr int BlackNozzleCheck = 1 + 1 + 2 * (RasterStart + pass(48, 1) + 1) + 1 + 1;
// Initialise; raster start; two bands of three colours (select, pass, advance); initialise;
// three line ends.
constexpr int ColourNozzleCheck = 1 + RasterStart + 2 * 3 * (1 + pass(15, 3) + 1) + 1 + 3;
// Heading; black: raster start, three passes of 48 rows of five fragments and an advance,
// initialise, three line ends; colour: raster start, three times three colours (select, pass
// of 15 rows, home return) and an advance; three line ends.
constexpr int Alignment = 1 + RasterStart + 3 * (pass(48, 5) + 1) + 1 + 3 + RasterStart
        + 3 * (3 * (1 + pass(15, 5) + 1) + 1) + 3;

// Runs per row of the shot pages.
struct ShotRuns
{
    int reference;
    int blank;
    int dummy;
    std::array<int, 5> candidates;
};
constexpr ShotRuns MultiShot1Runs{ 1 + 5 * (3 * 2 + 1), 8, 7 + 2, { 15, 16, 16, 17, 17 } };
constexpr ShotRuns NarrowRuns{ 1 + 5 * (3 * 2 + 1), 6, 5 + 2, { 13, 14, 15, 16, 17 } };

constexpr int shotPage(const ShotRuns &r)
{
    // A multi-level block: resolution and header, then 48 rows.
    int repeat = RasterStart + 2 + 32 * r.reference + 16 * r.blank + 2; // + home, initialise
    for (const int candidate : r.candidates)
        repeat += 1 + RasterStart + (2 + 48 * r.dummy + 1)
                + (2 + 32 * r.blank + 16 * candidate + 2); // value, start, dummy, block
    repeat += 1; // advance
    // Title and line end, readiness initialise, stored-value read, value row (label, five
    // fields, line end), three repeats, restore, three line ends.
    return 2 + 1 + 1 + 7 + 3 * repeat + 1 + 3;
}

// Initialise, readiness initialise, title, line end, three pages, readiness initialise,
// initialise.
constexpr int BidPattern = 4 + shotPage(MultiShot1Runs) + 2 * shotPage(NarrowRuns) + 2;

// Initialise and readiness initialise, banner, two line ends, seven more readiness
// initialises, six item numbers, label, head ID, three line ends, label, counter, page eject,
// initialise; and the patterns.
constexpr int CheckSheet = 2 + 2 + 2 + 7 + 6 + 2 + 3 + 3 + 1 + BlackBeta + ColourBeta
        + BlackNozzleCheck + ColourNozzleCheck + Alignment + BidPattern;

} // namespace testsupport::packets
