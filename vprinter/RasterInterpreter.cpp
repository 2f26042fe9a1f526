// The print data as a byte stream: a small state machine that reads one command at a time,
// never holds more than a command's fixed bytes and never writes outside the sheet. What it
// does not understand it counts and skips.
#include "vprinter/RasterInterpreter.h"

#include "vprinter/BitmapFont.h"

#include <algorithm>

namespace vprinter {

namespace {

constexpr uint8_t Esc = 0x1B;
constexpr size_t ExtendedHeader = 5; // ESC ( letter, count low, count high
constexpr int CellsPerBidStep = 2; // the Bi-D value counts in 1/720 inch

uint32_t le32(const std::vector<uint8_t> &bytes, size_t at)
{
    return uint32_t(bytes[at]) | uint32_t(bytes[at + 1]) << 8 | uint32_t(bytes[at + 2]) << 16
            | uint32_t(bytes[at + 3]) << 24;
}

// Whether the count fits an ESC ( command of this printer; `known` is false for a letter it
// does not know.
bool expectedCount(uint8_t letter, unsigned count, bool &known)
{
    known = true;
    switch (letter) {
    case 'G':
    case 'U': return count == 1;
    case 'e':
    case 'K':
    case 'r': return count == 2;
    case 'v': return count == 2 || count == 4;
    case 'D': return count == 4;
    case 'S':
    case 'c': return count == 8;
    default: known = false; return false;
    }
}

// Density byte and colour byte of ESC ( r, or the colour byte of ESC i (density in the high
// nibble).
bool inkOf(unsigned density, unsigned colour, Ink &ink)
{
    switch (density << 8 | colour) {
    case 0x000: ink = Ink::Black; return true;
    case 0x001: ink = Ink::Magenta; return true;
    case 0x101: ink = Ink::LightMagenta; return true;
    case 0x002: ink = Ink::Cyan; return true;
    case 0x102: ink = Ink::LightCyan; return true;
    case 0x004: ink = Ink::Yellow; return true;
    default: return false;
    }
}

} // namespace

ShotType shotTypeOfDotSize(uint8_t dotSize)
{
    switch (dotSize) {
    case 18: return ShotType::MultiShot1;
    case 19: return ShotType::MultiShot2;
    default: return ShotType::VariableShot;
    }
}

int BidErrors::of(ShotType shot) const
{
    switch (shot) {
    case ShotType::MultiShot1: return multiShot1;
    case ShotType::MultiShot2: return multiShot2;
    case ShotType::VariableShot: return variableShot;
    }
    return 0;
}

RasterInterpreter::RasterInterpreter(StoredBid storedBid, StoredTopMargin storedTopMargin)
    : m_storedBid(std::move(storedBid)), m_storedTopMargin(std::move(storedTopMargin))
{
    m_command.reserve(16);
}

std::vector<Page> RasterInterpreter::takePages()
{
    std::vector<Page> pages;
    pages.swap(m_pages);
    return pages;
}

void RasterInterpreter::take(const uint8_t *data, size_t length)
{
    m_stats.bytes += length;
    for (size_t i = 0; i < length; ++i) {
        const uint8_t byte = data[i];
        switch (m_state) {
        case State::Ground: ground(byte); break;
        case State::Escape: escape(byte); break;
        case State::Fixed:
            m_command.push_back(byte);
            if (m_command.size() == m_need)
                runFixed();
            break;
        case State::ExtendedHead:
            m_command.push_back(byte);
            if (m_command.size() == ExtendedHeader) {
                const unsigned count = unsigned(m_command[3]) | unsigned(m_command[4]) << 8;
                bool known = false;
                if (expectedCount(m_command[2], count, known)) {
                    m_need = ExtendedHeader + count;
                    m_state = State::Extended;
                } else {
                    // The count tells how much to pass over, whatever the command.
                    known ? malformed() : void(++m_stats.unknownCommands);
                    m_skip = count;
                    m_state = count ? State::Skip : State::Ground;
                }
            }
            break;
        case State::Extended:
            m_command.push_back(byte);
            if (m_command.size() == m_need) {
                m_state = State::Ground;
                runExtended();
            }
            break;
        case State::Skip:
            if (--m_skip == 0)
                m_state = State::Ground;
            break;
        case State::Data: dataByte(byte); break;
        }
    }
}

void RasterInterpreter::refuse(size_t length)
{
    m_stats.refusedBytes += length;
    m_state = State::Ground;
    m_command.clear();
}

void RasterInterpreter::endOfStream()
{
    if (m_state != State::Ground)
        malformed();
    m_state = State::Ground;
    m_command.clear();
    initialise();
    m_topMargin = DefaultTopMargin;
    m_bottomMargin = Page::LengthUnits;
    m_paperLength = Page::LengthUnits;
    if (m_page.holdsInk()) {
        eject();
        return;
    }
    m_pageStarted = false;
    m_x = 0;
    m_y = m_topMargin;
}

void RasterInterpreter::malformed()
{
    ++m_stats.malformedCommands;
}

void RasterInterpreter::ground(uint8_t byte)
{
    switch (byte) {
    case Esc:
        m_command.assign(1, Esc);
        m_state = State::Escape;
        return;
    case 0x00: return; // fill bytes after texts
    case 0x0D: carriageReturn(); return;
    case 0x0A: moveDown(LineSpacing); return;
    case 0x0C:
        if (m_pageStarted)
            eject();
        carriageReturn();
        return;
    default: break;
    }
    if (byte >= 0x20 && byte <= 0x7E && !m_graphics)
        text(byte);
    else
        ++m_stats.ignoredBytes;
}

void RasterInterpreter::escape(uint8_t byte)
{
    m_command.push_back(byte);
    m_state = State::Ground;
    switch (byte) {
    case '@': initialise(); return;
    case '<': carriageReturn(); return; // home return: the pass ends, the carriage goes home
    case 'U': m_need = 3; break;
    case '.': m_need = 8; break;
    case 'i': m_need = 9; break;
    case '(': m_state = State::ExtendedHead; return;
    default: ++m_stats.unknownCommands; return;
    }
    m_state = State::Fixed;
}

void RasterInterpreter::runFixed()
{
    m_state = State::Ground;
    switch (m_command[1]) {
    case 'U':
        switch (m_command[2]) {
        case 0:
        case '0': m_bidirectional = true; break;
        case 1:
        case '1': m_bidirectional = false; break;
        default: malformed(); return;
        }
        endPass();
        m_passesSinceReset = 0;
        return;
    case '.': beginBlock(false); return;
    case 'i': beginBlock(true); return;
    default: return;
    }
}

void RasterInterpreter::runExtended()
{
    const std::vector<uint8_t> &c = m_command;
    const size_t count = c.size() - ExtendedHeader;
    switch (c[2]) {
    case 'G':
        if (c[5] > 1)
            return malformed();
        m_graphics = c[5] == 1;
        return;
    case 'U':
        if (c[5] == 0 || c[5] % 10 != 0)
            return malformed(); // only whole 1/360 inch steps land on the sheet's rows
        m_unit = c[5] / 10;
        return;
    case 'e':
        if (c[5] != 0)
            return malformed();
        m_dotSize = c[6];
        return;
    case 'K':
        if (c[5] != 0 || c[6] > 2)
            return malformed();
        m_colour = c[6] != 1;
        return;
    case 'r':
        if (!inkOf(c[5], c[6], m_ink))
            return malformed();
        return;
    case 'v': {
        const int64_t units = count == 2 ? int64_t(c[5] | c[6] << 8) : int64_t(le32(c, 5));
        moveDown(units * m_unit);
        return;
    }
    case 'D': {
        const int base = c[5] | c[6] << 8;
        const int v = c[7], h = c[8];
        if (base == 0 || v == 0 || h == 0 || 360 * v % base != 0 || 1440 * h % base != 0)
            return malformed();
        m_resolutionRowPitch = 360 * v / base;
        m_resolutionCellPitch = 1440 * h / base;
        return;
    }
    case 'S': {
        const uint32_t width = le32(c, 5), length = le32(c, 9);
        if (width == 0 || length == 0)
            return malformed();
        m_paperLength = length; // the sheet in the tray stays A4
        return;
    }
    case 'c': {
        const uint32_t top = le32(c, 5), bottom = le32(c, 9);
        if (top >= bottom || top >= uint32_t(Page::LengthUnits))
            return malformed();
        m_topMargin = int(top);
        m_bottomMargin = int(std::min<uint32_t>(bottom, Page::LengthUnits));
        if (!m_pageStarted)
            m_y = m_topMargin;
        return;
    }
    default: return;
    }
}

void RasterInterpreter::beginBlock(bool multiLevel)
{
    const std::vector<uint8_t> &c = m_command;
    Block b;
    if (!multiLevel) {
        // ESC . compression, vertical and horizontal density in 1/3600 inch, rows, dots.
        if (c[2] > 1)
            return malformed(); // the data's length is unknown: nothing to pass over
        b.compressed = c[2] == 1;
        b.rows = c[5];
        b.rowDots = c[6] | c[7] << 8;
        b.rowBytes = (b.rowDots + 7) / 8;
        b.ink = m_colour ? m_ink : Ink::Black;
        if (c[3] == 0 || c[3] % 10 != 0 || c[4] == 0 || c[4] % 5 != 0) {
            malformed();
            b.discard = true;
        } else {
            b.rowPitch = c[3] / 10;
            b.cellPitch = c[4] * 2 / 5;
        }
    } else {
        // ESC i colour, compression, bits per dot, bytes per row, rows.
        if (c[3] > 1)
            return malformed();
        b.compressed = c[3] == 1;
        b.bitsPerDot = c[4];
        b.rowBytes = c[5] | c[6] << 8;
        b.rows = c[7] | c[8] << 8;
        b.rowPitch = m_resolutionRowPitch;
        b.cellPitch = m_resolutionCellPitch;
        Ink ink = Ink::Black;
        if (!inkOf(c[2] >> 4, c[2] & 0x0F, ink) || (b.bitsPerDot != 1 && b.bitsPerDot != 2)) {
            malformed();
            b.discard = true;
            b.bitsPerDot = 2;
        }
        b.ink = m_colour ? ink : Ink::Black;
        b.rowDots = b.rowBytes * 8 / b.bitsPerDot;
    }
    b.total = uint64_t(b.rowBytes) * uint64_t(b.rows);
    if (b.total == 0)
        return;
    b.nozzles = b.ink == Ink::Black ? BlackNozzles : ColourNozzles;
    if (!b.discard && b.rows > b.nozzles)
        m_stats.rowsBeyondHead += uint64_t(b.rows - b.nozzles);

    if (!m_passOpen) {
        m_passOpen = true;
        m_returnPass = m_bidirectional && m_passesSinceReset % 2 == 1;
        ++m_passesSinceReset;
        ++m_stats.passes;
        m_stats.returnPasses += m_returnPass;
    }
    int shift = 0;
    if (m_returnPass) {
        const ShotType shot = shotTypeOfDotSize(m_dotSize);
        const int64_t steps = int64_t(m_bidErrors.of(shot)) - (m_storedBid ? m_storedBid(shot) : 0);
        shift = int(std::clamp<int64_t>(steps * CellsPerBidStep, -Page::Width, Page::Width));
    }
    if (!b.discard)
        startPage();
    b.x = LeftMargin + m_x + shift;
    b.y = m_y;
    if (!b.discard) {
        // After the block the carriage stands at its right end, as after text.
        m_x = int(std::min<int64_t>(int64_t(m_x) + int64_t(b.rowDots) * b.cellPitch, Page::Width));
    }
    m_block = b;
    m_state = State::Data;
}

void RasterInterpreter::dataByte(uint8_t byte)
{
    Block &b = m_block;
    if (!b.compressed) {
        paint(byte);
    } else if (b.literalLeft > 0) {
        --b.literalLeft;
        paint(byte);
    } else if (b.repeatCount > 0) {
        const int count = b.repeatCount;
        b.repeatCount = 0;
        fill(byte, count);
    } else if (byte <= 127) {
        b.literalLeft = byte + 1;
    } else if (byte == 128) {
        malformed(); // not a counter of this compression: passed over alone
    } else {
        b.repeatCount = 257 - byte;
    }
    if (b.position >= b.total && b.literalLeft == 0 && b.repeatCount == 0)
        m_state = State::Ground;
}

void RasterInterpreter::fill(uint8_t value, int count)
{
    Block &b = m_block;
    const uint64_t room = b.total - std::min(b.position, b.total);
    const uint64_t fits = std::min<uint64_t>(uint64_t(count), room);
    if (value == 0 || b.discard) {
        b.position += fits;
    } else {
        for (uint64_t i = 0; i < fits; ++i)
            paint(value);
    }
    if (uint64_t(count) > fits && !b.overrun) {
        b.overrun = true;
        malformed();
    }
}

void RasterInterpreter::paint(uint8_t value)
{
    Block &b = m_block;
    if (b.position >= b.total) {
        if (!b.overrun) {
            b.overrun = true;
            malformed(); // a run longer than the block: the rest of it is passed over
        }
        return;
    }
    const uint64_t at = b.position++;
    if (value == 0 || b.discard)
        return;
    const int row = int(at / uint64_t(b.rowBytes));
    if (row >= b.nozzles)
        return;
    const int column = int(at % uint64_t(b.rowBytes));
    const int y = b.y + row * b.rowPitch;
    const int dotsPerByte = 8 / b.bitsPerDot;
    const int mask = (1 << b.bitsPerDot) - 1;
    for (int k = 0; k < dotsPerByte; ++k) {
        const int dot = column * dotsPerByte + k;
        if (dot >= b.rowDots)
            break;
        int level = value >> (8 - b.bitsPerDot * (k + 1)) & mask;
        if (level == 0)
            continue;
        if (b.bitsPerDot == 1)
            level = Page::MaxLevel;
        const int64_t x = int64_t(b.x) + int64_t(dot) * b.cellPitch;
        if (x > Page::Width || !m_page.put(b.ink, int(x), y, level))
            ++m_stats.clippedDots;
    }
}

void RasterInterpreter::text(uint8_t byte)
{
    if (m_x + CharacterPitch > PrintableWidth) {
        // A line that reaches the right edge goes on at the start of the next one.
        carriageReturn();
        moveDown(LineSpacing);
    }
    startPage();
    const std::array<uint8_t, GlyphRows> &rows = glyph(char(byte));
    const int left = LeftMargin + m_x;
    for (int r = 0; r < GlyphRows; ++r)
        for (int c = 0; c < GlyphColumns; ++c) {
            if (!(rows[size_t(r)] >> (GlyphColumns - 1 - c) & 1))
                continue;
            // A font dot is printed as 360-dpi dots, six across and six down.
            for (int dy = 0; dy < GlyphDotHeight; ++dy)
                for (int dx = 0; dx < GlyphDotWidth; dx += Page::CellsPerUnit)
                    if (!m_page.put(Ink::Black, left + c * GlyphDotWidth + dx,
                                    m_y + r * GlyphDotHeight + dy, Page::MaxLevel))
                        ++m_stats.clippedDots;
        }
    m_x += CharacterPitch;
}

void RasterInterpreter::carriageReturn()
{
    m_x = 0;
    endPass();
}

void RasterInterpreter::moveDown(int64_t rows)
{
    endPass();
    if (rows <= 0)
        return;
    startPage();
    const int64_t bottom = std::min<int64_t>({ m_bottomMargin, m_paperLength, Page::LengthUnits });
    if (m_y + rows >= bottom) {
        eject(); // past the last line: the sheet goes out and the next one comes in
        return;
    }
    m_y += int(rows);
}

void RasterInterpreter::eject()
{
    m_pages.push_back(std::move(m_page));
    m_page = Page{};
    ++m_stats.pagesEjected;
    m_pageStarted = false;
    m_x = 0;
    m_y = m_topMargin;
    endPass();
    if (onPageEjected)
        onPageEjected();
}

void RasterInterpreter::startPage()
{
    if (m_pageStarted)
        return;
    m_pageStarted = true;
    if (!m_topMarginError)
        return;
    // The sheet is fed as this printer's mechanics feed it: the error against the value the
    // printer was told to correct it by. Until now the position was the margin itself.
    const int64_t rows = int64_t(*m_topMarginError) - (m_storedTopMargin ? m_storedTopMargin() : 0);
    m_y = int(std::clamp<int64_t>(int64_t(m_y) + rows, 0, Page::LengthUnits - 1));
}

void RasterInterpreter::initialise()
{
    m_graphics = false;
    m_unit = 1;
    m_bidirectional = false;
    m_dotSize = 0;
    m_colour = true;
    m_ink = Ink::Black;
    m_resolutionRowPitch = 3;
    m_resolutionCellPitch = 4;
    m_passesSinceReset = 0;
    endPass();
}

} // namespace vprinter
