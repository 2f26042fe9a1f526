// The shot pages of the Bi-D pattern: reference lines printed in one direction and, between
// them, five groups printed both ways with the stored value -4, -2, 0, +2 and +4, so the
// technician can see which value makes the return pass meet the forward pass.
#include "patterns/Ziroreved.h"

#include "commands/EepromMap.h"
#include "commands/Zadivavoza.h"
#include "patterns/RunList.h"

#include <array>
#include <charconv>
#include <cstring>

namespace {

constexpr int BlockRows = 48; // rows 0-15 and 32-47 reference, 16-31 candidates
constexpr int BandRows = 16;
constexpr int Groups = 5;
constexpr int Repeats = 3; // one unit apart, to fill the gaps between nozzle rows
constexpr int BidLimit = 56;
constexpr uint8_t LineByte = 0x03; // the rightmost of four dots, at full size

struct ShotType
{
    uint8_t kind;
    uint8_t address;
    uint8_t dotSize;
    std::array<uint8_t, 4> resolution; // SetRasterResolution
    int rowBytes;
    const char *title; // sent with its 00 byte
};

// The kinds do not follow the names; the EEPROM cells do.
const ShotType MultiShot1{ BidKindMultiShot1, eeprom::BidMultiShot1, 18, { 0xE0, 0x01, 4, 1 }, 960,
                           "Multi shot 1" };
const ShotType MultiShot2{ BidKindMultiShot2, eeprom::BidMultiShot2, 19, { 0x68, 0x01, 3, 1 }, 720,
                           "Multi shot 2" };
const ShotType VariableShot{
    BidKindVariableShot, eeprom::BidVariableShot, 16, { 0x68, 0x01, 3, 1 }, 720, "Variable shot"
};

const ShotType *shotType(uint8_t kind)
{
    for (const ShotType *shot : { &MultiShot1, &MultiShot2, &VariableShot })
        if (shot->kind == kind)
            return shot;
    return nullptr;
}

// The rows of one shot type, built once: the tables below, with m the small dot of a last row.
struct ShotRows
{
    RunList blank;
    RunList reference;
    RunList dummy[2]; // rows 0-46, row 47
    RunList candidate[Groups][2]; // rows 16-30, row 31
};

ShotRows wideRows()
{
    const RunList line{ { 1, LineByte }, { 15, 0x00 } };
    ShotRows rows{
        8 * RunList{ 120, 0x00 }, { { 120, 0x00 }, 5 * RunList{ 3 * line, { 120, 0x00 } } }, {}, {}
    };
    for (const uint8_t e : { 0, 1 })
        rows.dummy[e] = { 7 * RunList{ 120, 0x00 }, { 119, 0x00 }, { 1, e } };
    for (const uint8_t m : { 0, 1 }) {
        const RunList start{ { 1, m }, { 119, 0x00 } };
        const RunList skip{ { 48, 0x00 }, { 120, 0x00 } };
        rows.candidate[0][m] = { start, 3 * line, 6 * RunList{ 120, 0x00 }, { 72, 0x00 } };
        rows.candidate[1][m] = { start, skip, 3 * line, 5 * RunList{ 120, 0x00 }, { 24, 0x00 } };
        rows.candidate[2][m]
                = { start, 2 * skip, 3 * line, 3 * RunList{ 120, 0x00 }, { 96, 0x00 } };
        rows.candidate[3][m]
                = { start, 3 * skip, 3 * line, 2 * RunList{ 120, 0x00 }, { 48, 0x00 } };
        rows.candidate[4][m] = { start, 4 * skip, 3 * line, { 120, 0x00 } };
    }
    return rows;
}

ShotRows narrowRows()
{
    const RunList line{ { 1, LineByte }, { 11, 0x00 } };
    ShotRows rows{
        6 * RunList{ 120, 0x00 }, { { 90, 0x00 }, 5 * RunList{ 3 * line, { 90, 0x00 } } }, {}, {}
    };
    for (const uint8_t e : { 0, 1 })
        rows.dummy[e] = { 5 * RunList{ 120, 0x00 }, { 119, 0x00 }, { 1, e } };
    for (const uint8_t m : { 0, 1 }) {
        const RunList start{ { 1, m }, { 89, 0x00 } };
        const RunList skip{ { 36, 0x00 }, { 90, 0x00 } };
        rows.candidate[0][m] = { start, 3 * line, 4 * RunList{ 120, 0x00 }, { 114, 0x00 } };
        rows.candidate[1][m] = { start, skip, 3 * line, 3 * RunList{ 120, 0x00 }, { 108, 0x00 } };
        rows.candidate[2][m]
                = { start, 2 * skip, 3 * line, 2 * RunList{ 120, 0x00 }, { 102, 0x00 } };
        rows.candidate[3][m] = { start, 3 * skip, 3 * line, { 120, 0x00 }, { 96, 0x00 } };
        rows.candidate[4][m] = { start, 4 * skip, 3 * line, { 90, 0x00 } };
    }
    return rows;
}

const ShotRows &rowsOf(const ShotType &shot)
{
    static const ShotRows wide = wideRows();
    static const ShotRows narrow = narrowRows();
    return shot.rowBytes == MultiShot1.rowBytes ? wide : narrow;
}

// The printer's value is trusted only within the range the workflow writes; beyond it the
// candidates stay printable and keep the stored value's parity.
int clampBid(int stored)
{
    const bool odd = (stored & 1) != 0;
    if (stored > BidLimit)
        return odd ? BidLimit - 1 : BidLimit;
    if (stored < -BidLimit)
        return odd ? -(BidLimit - 1) : -BidLimit;
    return stored;
}

void beginBlock(const ShotType &shot)
{
    const auto &r = shot.resolution;
    Raster.SetRasterResolution(r[0], r[1], r[2], r[3]);
    Raster.BeginMultiLevelRaster(0, 1, 2, uint8_t(shot.rowBytes % 256),
                                 uint8_t(shot.rowBytes / 256), BlockRows, 0);
}

} // namespace

void TPRaster::SendReferenceRow(uint8_t kind)
{
    if (const ShotType *shot = shotType(kind))
        SendRow(rowsOf(*shot).reference);
}

void TPRaster::SendCandidateRow(uint8_t kind, int group, bool lastRow)
{
    const ShotType *shot = shotType(kind);
    if (shot && group >= 1 && group <= Groups)
        SendRow(rowsOf(*shot).candidate[group - 1][lastRow ? 1 : 0]);
}

void TPRaster::PrintDummyPass(uint8_t kind)
{
    const ShotType *shot = shotType(kind);
    if (!shot)
        return;
    const ShotRows &rows = rowsOf(*shot);
    beginBlock(*shot);
    for (int row = 0; row < BlockRows; ++row)
        SendRow(rows.dummy[row == BlockRows - 1 ? 1 : 0]);
    HomeReturn();
}

void TPRaster::PrintValueRow(int value)
{
    constexpr size_t FieldWidth = 14;
    SendTextWithNul("  data:   ");
    for (int step = -2; step <= 2; ++step) {
        char field[FieldWidth];
        std::memset(field, ' ', sizeof field);
        std::to_chars(field, field + sizeof field, value + 2 * step);
        SendBytes(reinterpret_cast<const uint8_t *>(field), sizeof field);
    }
    NewLines(1);
}

bool TPRaster::PrintShotPage(uint8_t kind)
{
    const ShotType *shot = shotType(kind);
    if (!shot)
        return false;
    SendBytes(reinterpret_cast<const uint8_t *>(shot->title), std::strlen(shot->title) + 1);
    NewLines(1);
    if (!WaitReadyToPrint())
        return false;
    const uint8_t stored = Factory.FactoryReadEeprom(shot->address);
    // Candidates around a value the printer never gave, and a "restore" of it, would
    // overwrite the printer's real value.
    if (Factory.LastReadFailed())
        return false;
    const int value = clampBid(int8_t(stored));
    PrintValueRow(value);

    const ShotRows &rows = rowsOf(*shot);
    for (int repeat = 0; repeat < Repeats; ++repeat) {
        StartRaster(RasterUnit, Unidirectional, shot->dotSize, BlackOnly);
        beginBlock(*shot);
        for (int row = 0; row < BlockRows; ++row) {
            if (row / BandRows == 1)
                SendRow(rows.blank);
            else
                SendReferenceRow(kind);
        }
        HomeReturn();
        InitPrinter();

        for (int group = 1; group <= Groups; ++group) {
            Factory.FactorySetBid(kind, value - 6 + 2 * group);
            StartRaster(RasterUnit, Bidirectional, shot->dotSize, BlackOnly);
            PrintDummyPass(kind);
            beginBlock(*shot);
            for (int row = 0; row < BlockRows; ++row) {
                if (row / BandRows == 1)
                    SendCandidateRow(kind, group, row == 2 * BandRows - 1);
                else
                    SendRow(rows.blank);
            }
            HomeReturn();
            InitPrinter();
        }
        AdvancePaper(1);
    }
    // Unchanged, also when it lay beyond the range the candidates were clamped to.
    Factory.FactorySetBid(kind, int8_t(stored));
    NewLines(3);
    return true;
}

bool TPRaster::PrintMultiShot1()
{
    return PrintShotPage(BidKindMultiShot1);
}

bool TPRaster::PrintMultiShot2()
{
    return PrintShotPage(BidKindMultiShot2);
}

bool TPRaster::PrintVariableShot()
{
    return PrintShotPage(BidKindVariableShot);
}
