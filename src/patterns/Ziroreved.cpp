// The printer commands of the raster stream and the readiness check before printing. Nothing
// is buffered: the printer takes the stream packet by packet, in the order the patterns call.
#include "patterns/Ziroreved.h"

#include "link/Ririzurozezi.h"
#include "link/Roro4dodu.h"
#include "patterns/RunList.h"
#include "platform/Platform.h"

#include <initializer_list>
#include <iterator>

TPRaster Raster;

namespace {

constexpr uint8_t ESC = 0x1B;
constexpr uint8_t CR = 0x0D;
constexpr uint8_t LF = 0x0A;
constexpr uint8_t FF = 0x0C;
constexpr int LongestRun = 129;
constexpr uint32_t ReadyPollMs = 2000;

struct ColourCode
{
    uint8_t density;
    uint8_t colour;
};

// By index; light colours are the same colour at density 1.
constexpr ColourCode ColourTable[] = {
    { 0, 0 }, // black
    { 0, 1 }, // magenta
    { 1, 1 }, // light magenta
    { 0, 2 }, // cyan
    { 1, 2 }, // light cyan
    { 0, 4 }, // yellow
};

void send(std::initializer_list<uint8_t> bytes)
{
    D4Link.SendPrintData(bytes.begin(), bytes.size());
}

} // namespace

void TPRaster::SendBytes(const uint8_t *bytes, size_t length)
{
    D4Link.SendPrintData(bytes, length);
}

void TPRaster::InitPrinter()
{
    send({ ESC, '@' });
}

void TPRaster::EnterGraphicsMode()
{
    send({ ESC, '(', 'G', 0x01, 0x00, 0x01 });
}

void TPRaster::SetUnit(uint8_t unit)
{
    send({ ESC, '(', 'U', 0x01, 0x00, unit });
}

void TPRaster::SetDirection(uint8_t direction)
{
    send({ ESC, 'U', direction });
}

void TPRaster::SetDotSize(uint8_t dotSize)
{
    send({ ESC, '(', 'e', 0x02, 0x00, 0x00, dotSize });
}

void TPRaster::SetColourMode(uint8_t mode)
{
    send({ ESC, '(', 'K', 0x02, 0x00, 0x00, mode });
}

void TPRaster::SelectColour(uint8_t index)
{
    const ColourCode code = index < std::size(ColourTable) ? ColourTable[index] : ColourTable[0];
    send({ ESC, '(', 'r', 0x02, 0x00, code.density, code.colour });
}

void TPRaster::HomeReturn()
{
    send({ ESC, '<', CR });
}

void TPRaster::BeginRaster(uint8_t vertical, uint8_t horizontal, uint8_t rows, uint8_t widthLow,
                           uint8_t widthHigh)
{
    send({ ESC, '.', 0x01, vertical, horizontal, rows, widthLow, widthHigh });
}

void TPRaster::AdvancePaper(uint8_t units)
{
    send({ ESC, '(', 'v', 0x02, 0x00, units, 0x00, CR });
}

void TPRaster::SetRasterResolution(uint8_t baseLow, uint8_t baseHigh, uint8_t vertical,
                                   uint8_t horizontal)
{
    send({ ESC, '(', 'D', 0x04, 0x00, baseLow, baseHigh, vertical, horizontal });
}

void TPRaster::BeginMultiLevelRaster(uint8_t colour, uint8_t compression, uint8_t bitsPerDot,
                                     uint8_t lengthLow, uint8_t lengthHigh, uint8_t rowsLow,
                                     uint8_t rowsHigh)
{
    send({ ESC, 'i', colour, compression, bitsPerDot, lengthLow, lengthHigh, rowsLow, rowsHigh });
}

void TPRaster::SetPaperSize(uint8_t p1, uint8_t p2, uint8_t p3, uint8_t p4, uint8_t p5, uint8_t p6,
                            uint8_t p7, uint8_t p8)
{
    send({ ESC, '(', 'S', 0x08, 0x00, p1, p2, p3, p4, p5, p6, p7, p8 });
}

void TPRaster::SetPageFormat(uint8_t p1, uint8_t p2, uint8_t p3, uint8_t p4, uint8_t p5, uint8_t p6,
                             uint8_t p7, uint8_t p8)
{
    send({ ESC, '(', 'c', 0x08, 0x00, p1, p2, p3, p4, p5, p6, p7, p8 });
}

void TPRaster::NewLines(int n)
{
    for (int i = 0; i < n; ++i)
        send({ CR, LF });
}

void TPRaster::FormFeed()
{
    send({ FF });
}

void TPRaster::SendRun(int count, uint8_t value)
{
    // The printer would take a wrong counter byte as the start of a literal and read the
    // commands that follow as dots.
    if (count < 1 || count > LongestRun)
        FatalError("RepeatSend() error");
    const uint8_t counter = count == 1 ? 0x00 : uint8_t(257 - count);
    send({ counter, value });
}

void TPRaster::SendRow(const RunList &row)
{
    for (const Run &run : row.runs())
        SendRun(run.count, run.value);
}

void TPRaster::StartRaster(uint8_t unit, uint8_t direction, uint8_t dotSize, uint8_t colourMode)
{
    InitPrinter();
    EnterGraphicsMode();
    SetUnit(unit);
    SetDirection(direction);
    SetDotSize(dotSize);
    SetColourMode(colourMode);
}

bool TPRaster::WaitReadyToPrint()
{
    InitPrinter();
    for (;;) {
        D4Link.GetPrinterStatus();
        if (PrinterStatus == psReady)
            return true;
        if (PrinterStatus == psError) {
            if (ErrorStatus != esPaperMisload)
                return false;
            D4Link.PaperEject();
        }
        platform::clock().sleep(ReadyPollMs);
    }
}
