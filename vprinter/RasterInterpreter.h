// The printer's reading of its print data: text, the raster commands and their dots on the
// sheet, paper moves and page ejection. It reads one byte stream, whatever the packets were.
#pragma once

#include "vprinter/Page.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace vprinter {

// How the head fires, chosen by the dot size of ESC ( e: 18 Multi shot 1, 19 Multi shot 2,
// any other Variable shot.
enum class ShotType { MultiShot1, MultiShot2, VariableShot };
ShotType shotTypeOfDotSize(uint8_t dotSize);

// Where this printer's return passes land against its forward passes, per shot type, in
// 1/720 inch: the Bi-D value that puts them on top of one another.
struct BidErrors
{
    int multiShot1 = 5;
    int multiShot2 = -4;
    int variableShot = 3;

    int of(ShotType shot) const;
};

// What the interpreter met besides good commands, and what it did.
struct RasterStats
{
    uint64_t bytes = 0; // bytes read
    int unknownCommands = 0; // escape sequences this printer does not know, skipped
    int malformedCommands = 0; // known commands with impossible values, skipped or cut short
    uint64_t ignoredBytes = 0; // control bytes without a meaning, text in graphics mode
    uint64_t clippedDots = 0; // dots that would have landed outside the sheet
    uint64_t rowsBeyondHead = 0; // raster rows past the last nozzle of their ink
    uint64_t refusedBytes = 0; // bytes that arrived while the printer was in error
    int passes = 0;
    int returnPasses = 0;
    int pagesEjected = 0;
};

class RasterInterpreter
{
public:
    // Geometry of the sheet, in cells (1/1440 inch) across and rows (1/360 inch) down.
    // The printable area is 8 inches wide, centred on the A4 sheet.
    static constexpr int LeftMargin = 192;
    static constexpr int PrintableWidth = 8 * 1440;
    static constexpr int DefaultTopMargin = 42;
    static constexpr int LineSpacing = 60; // 1/6 inch
    static constexpr int CharacterPitch = 144; // 10 characters per inch
    static constexpr int GlyphDotWidth = 24; // one dot of the font: 1/60 inch square
    static constexpr int GlyphDotHeight = 6;
    static constexpr int BlackNozzles = 48;
    static constexpr int ColourNozzles = 15;

    // The stored Bi-D value of a shot type, and the stored top-margin value, as the printer's
    // EEPROM holds them now.
    using StoredBid = std::function<int(ShotType)>;
    using StoredTopMargin = std::function<int()>;
    explicit RasterInterpreter(StoredBid storedBid, StoredTopMargin storedTopMargin = {});

    void take(const uint8_t *data, size_t length);
    void take(const std::vector<uint8_t> &bytes) { take(bytes.data(), bytes.size()); }
    // The printer is in error and drops what comes; a command it was reading is lost.
    void refuse(size_t length);
    // The job has ended (channel closed, host gone, printer reset): a command cut short is
    // counted, the settings return to their defaults and a sheet holding ink is ejected.
    void endOfStream();

    BidErrors &bidErrors() { return m_bidErrors; }
    // Where this printer feeds a sheet against its top margin, in 1/360 inch: the top-margin
    // value that puts the first line on the margin. A sheet's first line lands
    // (error - stored value) rows lower. None (the default): on the margin, whatever is stored.
    std::optional<int> &topMarginError() { return m_topMarginError; }
    const RasterStats &stats() const { return m_stats; }
    // Ejected sheets, oldest first; the sheet in the printer.
    const std::vector<Page> &pages() const { return m_pages; }
    std::vector<Page> takePages();
    const Page &currentPage() const { return m_page; }
    // Called after each ejection.
    std::function<void()> onPageEjected;

    // The print position: cells from the left edge of the printable area, rows from the top
    // edge of the sheet.
    int column() const { return m_x; }
    int line() const { return m_y; }
    bool graphicsMode() const { return m_graphics; }

private:
    enum class State { Ground, Escape, Fixed, ExtendedHead, Extended, Skip, Data };

    struct Block
    {
        Ink ink = Ink::Black;
        bool discard = false; // read the data, print nothing
        bool compressed = true;
        int bitsPerDot = 1;
        int rowBytes = 0;
        int rowDots = 0;
        int rows = 0;
        int nozzles = 0;
        int cellPitch = 4;
        int rowPitch = 3;
        int x = 0; // cell of dot 0
        int y = 0; // row of dot row 0
        uint64_t position = 0; // bytes of the block filled
        uint64_t total = 0;
        int literalLeft = 0; // bytes still to come of a literal run
        int repeatCount = 0; // a repeat run waits for its byte
        bool overrun = false;
    };

    void ground(uint8_t byte);
    void escape(uint8_t byte);
    void runFixed();
    void runExtended();
    void beginBlock(bool multiLevel);
    void dataByte(uint8_t byte);
    void fill(uint8_t value, int count);
    void paint(uint8_t value);
    void text(uint8_t byte);
    void carriageReturn();
    void moveDown(int64_t rows);
    void eject();
    void startPage();
    void initialise();
    void endPass() { m_passOpen = false; }
    void malformed();

    StoredBid m_storedBid;
    StoredTopMargin m_storedTopMargin;
    BidErrors m_bidErrors;
    std::optional<int> m_topMarginError;
    RasterStats m_stats;

    State m_state = State::Ground;
    std::vector<uint8_t> m_command; // the command being read, at most its fixed length
    size_t m_need = 0;
    uint64_t m_skip = 0;
    Block m_block;

    // Settings; ESC @ returns them to these values.
    bool m_graphics = false;
    int m_unit = 1; // rows per unit of ESC ( v
    bool m_bidirectional = false;
    uint8_t m_dotSize = 0;
    bool m_colour = true; // colour mode 2; mode 1 prints every block in black
    Ink m_ink = Ink::Black;
    int m_resolutionRowPitch = 3; // of ESC i, from ESC ( D
    int m_resolutionCellPitch = 4;
    // Page format: stays until set again or the job ends.
    int m_topMargin = DefaultTopMargin;
    int m_bottomMargin = Page::LengthUnits;
    int64_t m_paperLength = Page::LengthUnits;

    // Carriage and paper.
    bool m_passOpen = false;
    int m_passesSinceReset = 0;
    bool m_returnPass = false;
    int m_x = 0;
    int m_y = DefaultTopMargin;
    bool m_pageStarted = false;

    Page m_page;
    std::vector<Page> m_pages;
};

} // namespace vprinter
