// The raster print stream: every printer command the pattern pages need, each sent at once as
// its own data-channel packet, and the patterns built from them (solid areas, nozzle check,
// alignment, top-margin line and the shot pages of the Bi-D pattern).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

class RunList;

// Arguments of the commands as the patterns use them.
enum : uint8_t {
    RasterUnit = 10, // paper moves in 1/360 inch
    Bidirectional = 0,
    Unidirectional = 1,
    BlackOnly = 1,
    Colour = 2,
    ColourBlack = 0,
    ColourMagenta = 1,
    ColourLightMagenta = 2,
    ColourCyan = 3,
    ColourLightCyan = 4,
    ColourYellow = 5,
};

class TPRaster
{
public:
    // ESC @: initialise; also leaves graphics mode.
    void InitPrinter();
    void EnterGraphicsMode();
    // Unit of vertical moves, in 1/3600 inch.
    void SetUnit(uint8_t unit);
    void SetDirection(uint8_t direction);
    void SetDotSize(uint8_t dotSize);
    void SetColourMode(uint8_t mode);
    // Index 0 to 5 of the colour table; any other index is black.
    void SelectColour(uint8_t index);
    // Ends a pass.
    void HomeReturn();
    // Compressed 1-bit raster: vertical and horizontal density in 1/3600 inch, dot rows, row
    // width in dots (low, high).
    void BeginRaster(uint8_t vertical, uint8_t horizontal, uint8_t rows, uint8_t widthLow,
                     uint8_t widthHigh);
    // Moves the paper forward, in units of SetUnit, then CR.
    void AdvancePaper(uint8_t units);
    // Base (low, high), then the vertical and horizontal divisors of the base.
    void SetRasterResolution(uint8_t baseLow, uint8_t baseHigh, uint8_t vertical,
                             uint8_t horizontal);
    // Colour, compression, bits per dot, row length in bytes (low, high), rows (low, high).
    void BeginMultiLevelRaster(uint8_t colour, uint8_t compression, uint8_t bitsPerDot,
                               uint8_t lengthLow, uint8_t lengthHigh, uint8_t rowsLow,
                               uint8_t rowsHigh);
    // Width and length, each 32-bit little-endian in 1/360 inch.
    void SetPaperSize(uint8_t p1, uint8_t p2, uint8_t p3, uint8_t p4, uint8_t p5, uint8_t p6,
                      uint8_t p7, uint8_t p8);
    // Top and bottom margin, each 32-bit little-endian in 1/360 inch.
    void SetPageFormat(uint8_t p1, uint8_t p2, uint8_t p3, uint8_t p4, uint8_t p5, uint8_t p6,
                       uint8_t p7, uint8_t p8);
    // n pairs of CR LF, one packet each; nothing for n <= 0.
    void NewLines(int n);
    void FormFeed();
    // One run of compressed raster data: `count` (1 to 129) times `value`. Any other count is
    // a fault of the pattern tables and ends the program.
    void SendRun(int count, uint8_t value);

    // The opening of every raster pattern: initialise, graphics mode, unit, direction, dot
    // size, colour mode.
    void StartRaster(uint8_t unit, uint8_t direction, uint8_t dotSize, uint8_t colourMode);

    // The readiness check before a page and between its parts: clears a paper misload with
    // the paper-eject command and waits, 2000 ms between looks, for ready (true) or an error
    // (false).
    bool WaitReadyToPrint();

    // The fixed test patterns.
    void PrintBlackBeta();
    void PrintColourBeta();
    void PrintBlackNozzleCheck();
    void PrintColourNozzleCheck();
    void PrintAlignment();
    // The top-margin corner and the stored value under it; takes at least 20 s.
    void PrintTopMarginLine();
    // The top-margin item's print: remote mode entered and left again, then the line.
    void PrintTopMarginSheet();
    // The stored top margin, read over the control channel as the line's label reads it.
    // Whether the read got a reply: D4Link.LastExchangeFailed().
    int ReadTopMargin();
    // Writes a margin typed as a whole number from -40 to 40, over the data channel, with the
    // command that makes the printer take it; false, with nothing sent, for any other text.
    bool WriteTopMargin(std::string_view text);
    // Whether WriteTopMargin takes the text.
    static bool TopMarginAccepted(std::string_view text);

    // One shot page of the Bi-D pattern for a kind (1 Multi shot 2, 2 Multi shot 1, 3 Variable
    // shot). False when the printer reported an error, or the stored value could not be read,
    // before anything was printed or changed.
    bool PrintShotPage(uint8_t kind);
    bool PrintMultiShot1();
    bool PrintMultiShot2();
    bool PrintVariableShot();
    // The five values v - 4 to v + 4, each in a 14-character field above its group.
    void PrintValueRow(int value);
    // The reference lines of all five groups: one row.
    void SendReferenceRow(uint8_t kind);
    // A pass with one small dot at the far right of its last row, before every candidate.
    void PrintDummyPass(uint8_t kind);
    // The lines of one group (1 to 5) under its reference lines; the last row carries a small
    // dot at the far left.
    void SendCandidateRow(uint8_t kind, int group, bool lastRow);

    // A text or other fixed bytes as one packet.
    void SendBytes(const uint8_t *bytes, size_t length);
    template<size_t N> void SendText(const char (&text)[N])
    {
        SendBytes(reinterpret_cast<const uint8_t *>(text), N - 1);
    }
    // A text with its terminating 00 byte, as the printer takes the titles and labels.
    template<size_t N> void SendTextWithNul(const char (&text)[N])
    {
        SendBytes(reinterpret_cast<const uint8_t *>(text), N);
    }
    // Every run of one row.
    void SendRow(const RunList &row);
};

extern TPRaster Raster;
