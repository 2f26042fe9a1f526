// The fixed test patterns of the check sheet and the top-margin line. Geometry: black prints
// 48 rows a pass and each colour 15, 1/120 inch apart; three passes one unit (1/360 inch)
// apart fill a band, and the band's last advance carries the paper on to the next band.
#include "patterns/Ziroreved.h"

#include "commands/EepromMap.h"
#include "commands/Zadivavoza.h"
#include "link/Roro4dodu.h"
#include "patterns/RunList.h"
#include "patterns/WholeNumber.h"
#include "platform/Platform.h"

#include <charconv>

namespace {

constexpr uint8_t RowsApart = 30; // 1/120 inch between dot rows
constexpr uint8_t DotsApart = 10; // 1/360 inch between dots
constexpr int BlackRows = 48;
constexpr int ColourRows = 15;
constexpr int BlackWidth = 960; // dots
constexpr int ColourWidth = 2880; // dots
constexpr int AlignmentWidth = 640; // dots
constexpr int PassesPerBand = 3;
constexpr int Bands = 2;
// What a top-margin text that is not a whole number counts as: out of range, so nothing is
// written.
constexpr int TopMarginNotANumber = 128;

// A pass of the 1-bit raster: its header, then `rows` copies of one row.
void pass(int rows, int widthDots, const RunList &row)
{
    Raster.BeginRaster(RowsApart, DotsApart, uint8_t(rows), uint8_t(widthDots % 256),
                       uint8_t(widthDots / 256));
    for (int i = 0; i < rows; ++i)
        Raster.SendRow(row);
}

struct ColourPass
{
    uint8_t colour;
    RunList row;
    uint8_t advance; // 0 keeps the paper for the next colour of the band
};

// A literal 01 then fifteen 00: sixteen bytes, only the last dot of the first byte set.
constexpr uint8_t AlignmentFragment[] = { 0x00, 0x01, 0xF2, 0x00 };
constexpr int FragmentsPerRow = 5;

void alignmentRows(int rows)
{
    for (int row = 0; row < rows; ++row)
        for (int i = 0; i < FragmentsPerRow; ++i)
            Raster.SendBytes(AlignmentFragment, sizeof AlignmentFragment);
}

} // namespace

void TPRaster::PrintBlackBeta()
{
    SendText("Beta( BK-C-M-Y )\n\r");
    StartRaster(RasterUnit, Unidirectional, 0, BlackOnly);
    const RunList solid{ 120, 0xFF };
    for (int band = 0; band < Bands; ++band) {
        for (int p = 0; p < PassesPerBand; ++p) {
            pass(BlackRows, BlackWidth, solid);
            AdvancePaper(1);
        }
        AdvancePaper(141);
    }
    InitPrinter();
    NewLines(2);
}

void TPRaster::PrintColourBeta()
{
    const ColourPass passes[] = {
        { ColourCyan, { { 116, 0xFF }, { 122, 0x00 }, { 122, 0x00 } }, 0 },
        { ColourMagenta, { { 122, 0x00 }, { 116, 0xFF }, { 122, 0x00 } }, 0 },
        { ColourYellow, { { 122, 0x00 }, { 122, 0x00 }, { 116, 0xFF } }, 1 },
    };
    StartRaster(RasterUnit, Unidirectional, 0, Colour);
    for (int band = 0; band < Bands; ++band) {
        for (int p = 0; p < PassesPerBand; ++p) {
            for (const ColourPass &colour : passes) {
                SelectColour(colour.colour);
                pass(ColourRows, ColourWidth, colour.row);
                AdvancePaper(colour.advance);
            }
        }
        AdvancePaper(42);
    }
    InitPrinter();
    NewLines(3);
}

void TPRaster::PrintBlackNozzleCheck()
{
    SendText("Nozzle Check( BK-C-M-Y )\n\r");
    InitPrinter();
    // One pass per band, so every nozzle's line stands apart from its neighbours.
    for (int band = 0; band < Bands; ++band) {
        StartRaster(RasterUnit, Unidirectional, 0, BlackOnly);
        pass(BlackRows, BlackWidth, { 120, 0xFF });
        AdvancePaper(144);
    }
    InitPrinter();
    NewLines(1);
}

void TPRaster::PrintColourNozzleCheck()
{
    const ColourPass passes[] = {
        { ColourCyan, { { 120, 0xFF }, { 120, 0x00 }, { 120, 0x00 } }, 0 },
        { ColourMagenta, { { 120, 0x00 }, { 120, 0xFF }, { 120, 0x00 } }, 0 },
        { ColourYellow, { { 120, 0x00 }, { 120, 0x00 }, { 120, 0xFF } }, 45 },
    };
    InitPrinter();
    StartRaster(RasterUnit, Unidirectional, 0, Colour);
    for (int band = 0; band < Bands; ++band) {
        for (const ColourPass &colour : passes) {
            SelectColour(colour.colour);
            pass(ColourRows, ColourWidth, colour.row);
            AdvancePaper(colour.advance);
        }
    }
    InitPrinter();
    NewLines(3);
}

void TPRaster::PrintAlignment()
{
    SendText("Alignment( BK-C-M-Y )\r\n");
    StartRaster(RasterUnit, Unidirectional, 0, BlackOnly);
    for (int p = 0; p < PassesPerBand; ++p) {
        BeginRaster(RowsApart, DotsApart, BlackRows, AlignmentWidth % 256, AlignmentWidth / 256);
        alignmentRows(BlackRows);
        AdvancePaper(1);
    }
    InitPrinter();
    NewLines(3);

    // The colours print at the same place, so their lines fall on one another.
    StartRaster(RasterUnit, Unidirectional, 0, Colour);
    for (int p = 0; p < PassesPerBand; ++p) {
        for (const uint8_t colour : { ColourCyan, ColourMagenta, ColourYellow }) {
            SelectColour(colour);
            BeginRaster(RowsApart, DotsApart, ColourRows, AlignmentWidth % 256,
                        AlignmentWidth / 256);
            alignmentRows(ColourRows);
            HomeReturn();
        }
        AdvancePaper(1);
    }
    // The next item of the sheet goes on in the state this leaves: no initialise here.
    NewLines(3);
}

void TPRaster::PrintTopMarginLine()
{
    constexpr uint8_t DotSize = 16;
    constexpr int Rows = 48;
    constexpr uint32_t SettleMs = 10;
    constexpr uint32_t PrintOutMs = 10000;

    InitPrinter();
    platform::clock().sleep(SettleMs);
    const int stored = ReadTopMargin();
    char field[4] = {};
    std::to_chars(field, field + sizeof field, stored);

    StartRaster(RasterUnit, Unidirectional, DotSize, BlackOnly);
    // A4, 2976 by 4208 in 1/360 inch; top margin 42, bottom margin 7966 (beyond the paper).
    SetPaperSize(0xA0, 0x0B, 0x00, 0x00, 0x70, 0x10, 0x00, 0x00);
    SetPageFormat(0x2A, 0x00, 0x00, 0x00, 0x1E, 0x1F, 0x00, 0x00);
    SetRasterResolution(0x68, 0x01, 3, 1); // base 360: 120 dpi down, 360 across
    BeginMultiLevelRaster(0, 1, 2, 0xD0, 0x02, Rows, 0); // 720 bytes a row, 2 bits a dot
    // The top edge of the printable area, 1400 dots long...
    SendRow({ { 120, 0xFF },
              { 120, 0xFF },
              { 110, 0xFF },
              { 120, 0x00 },
              { 120, 0x00 },
              { 120, 0x00 },
              { 10, 0x00 } });
    // ...and a vertical line under its start.
    const RunList leftEdge{ { 1, 0xC0 }, { 119, 0x00 }, 5 * RunList{ 120, 0x00 } };
    for (int row = 1; row < Rows; ++row)
        SendRow(leftEdge);
    InitPrinter();
    NewLines(3);
    platform::clock().sleep(PrintOutMs);

    InitPrinter();
    SendTextWithNul("Top Adjust = ");
    SendBytes(reinterpret_cast<const uint8_t *>(field), sizeof field);
    platform::clock().sleep(PrintOutMs);
    FormFeed();
    InitPrinter();
}

void TPRaster::PrintTopMarginSheet()
{
    InitPrinter();
    D4Link.SendCommandData(RemoteModeEnter, sizeof RemoteModeEnter);
    D4Link.SendCommandData(RemoteModeSN, sizeof RemoteModeSN);
    D4Link.SendCommandData(RemoteModeExit, sizeof RemoteModeExit);
    PrintTopMarginLine();
}

int TPRaster::ReadTopMargin()
{
    return int8_t(D4Link.ReadEepromByte(eeprom::TopMargin));
}

bool TPRaster::TopMarginAccepted(std::string_view text)
{
    const int value = WholeNumber(text, TopMarginNotANumber);
    return value >= eeprom::TopMarginMin && value <= eeprom::TopMarginMax;
}

bool TPRaster::WriteTopMargin(std::string_view text)
{
    if (!TopMarginAccepted(text))
        return false;
    const int value = WholeNumber(text, TopMarginNotANumber);
    Factory.FactoryWriteEeprom(eeprom::TopMargin, uint8_t(int8_t(value)));
    Factory.FactoryCommand50();
    return true;
}
