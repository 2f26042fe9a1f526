// The fixed data of the service items: the initial setting of a new main board, the cells the
// backup carries across a main board change, and the factory command sequences of the
// transportation liquid exchange with the runner that sends them.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace service {

struct EepromCell
{
    uint8_t address = 0;
    uint8_t value = 0;
    bool operator==(const EepromCell &) const = default;
};

// The initial setting of a new main board in writing order. The cells that depend on the model
// size, and the zeroed tail after them, are left out for a code outside the family.
std::vector<EepromCell> InitialSetting(uint16_t modelCode);

struct InitialSettingWrite
{
    // False when a write got no reply: the cells after it were not sent, as every one would
    // wait out its time-outs again.
    bool answered = true;
    // The cells the printer answered busy to, which it did not write.
    std::vector<uint8_t> busy;
};
// Writes the initial setting over the control channel, cell by cell.
InitialSettingWrite WriteInitialSetting(uint16_t modelCode);

// The cells the backup reads from the old board and writes to the new one, in that order.
inline constexpr size_t BackupCellCount = 56;
const std::array<uint8_t, BackupCellCount> &BackupCells();

// One step of a factory command sequence: a command, an EEPROM write over the data channel,
// or a pause.
struct FactoryStep
{
    enum class Op : uint8_t { C4, C5, C9, CA, C81, Write, Wait };
    Op op = Op::Wait;
    std::array<uint8_t, 4> p{};
    uint32_t waitMs = 0;

    // "C5(2, 0, 77, 0)", "CA(150)", "81()", "W(10, 11)", "Wait(100)".
    std::string name() const;
    bool operator==(const FactoryStep &) const = default;
};
using FactorySequence = std::vector<FactoryStep>;

constexpr FactoryStep C4(uint8_t a, uint8_t b, uint8_t c, uint8_t d)
{
    return { FactoryStep::Op::C4, { a, b, c, d } };
}
constexpr FactoryStep C5(uint8_t a, uint8_t b, uint8_t c, uint8_t d)
{
    return { FactoryStep::Op::C5, { a, b, c, d } };
}
// The command waits 100 ms by itself after it is sent.
constexpr FactoryStep C9(uint8_t a, uint8_t b, uint8_t c, uint8_t d)
{
    return { FactoryStep::Op::C9, { a, b, c, d } };
}
constexpr FactoryStep CA(uint8_t a)
{
    return { FactoryStep::Op::CA, { a } };
}
constexpr FactoryStep C81()
{
    return { FactoryStep::Op::C81 };
}
constexpr FactoryStep W(uint8_t address, uint8_t value)
{
    return { FactoryStep::Op::Write, { address, value } };
}
constexpr FactoryStep Wait(uint32_t ms)
{
    return { FactoryStep::Op::Wait, {}, ms };
}

// The steps of a table row: one step, a step repeated, or one value written to a run of cells.
struct Steps
{
    Steps(FactoryStep step) : steps{ step } { }
    std::vector<FactoryStep> steps;
};
Steps Times(int count, FactoryStep step);
Steps Writes(uint8_t firstAddress, uint8_t lastAddress, uint8_t value);
FactorySequence Sequence(std::initializer_list<Steps> rows);

// The transportation liquid exchange, step by step.
const FactorySequence &CarriageOut();
const FactorySequence &CarriageHome();
const FactorySequence &Exchange1();
const FactorySequence &CarriageOutAgain();
const FactorySequence &Exchange2();
// The cells 0 to 40 after exchange 2; the protection counter's start follows the row of the
// start window's model list.
FactorySequence ExchangeEepromReset(int modelRow);

// Sends every step through the factory commands, in order; nothing is read back.
void RunSequence(const FactorySequence &sequence);

} // namespace service
