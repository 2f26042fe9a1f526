// The service tables, written row by row as the printer's service documents list them.
#include "commands/ServiceTables.h"

#include "commands/Dazedarovovuri.h"
#include "commands/EepromMap.h"
#include "commands/Zadivavoza.h"
#include "link/Roro4dodu.h"
#include "platform/Platform.h"

#include <utility>

namespace service {

namespace {

using namespace eeprom;

enum class Size { Larger, Smaller, Unknown };

// USB-capable variants (odd codes) count as the parallel model one code above.
Size modelSize(uint16_t code)
{
    switch (code) {
    case 769:
    case 770:
    case 773:
    case 774: return Size::Larger;
    case 771:
    case 772:
    case 775:
    case 776: return Size::Smaller;
    default: return Size::Unknown;
    }
}

void append(std::vector<EepromCell> &cells, uint8_t first, uint8_t last, uint8_t value)
{
    for (int address = first; address <= last; ++address)
        cells.push_back({ uint8_t(address), value });
}

std::string numbers(const uint8_t *values, size_t count)
{
    std::string text;
    for (size_t i = 0; i < count; ++i)
        text += (i ? ", " : "") + std::to_string(values[i]);
    return text;
}

} // namespace

std::vector<EepromCell> InitialSetting(uint16_t modelCode)
{
    std::vector<EepromCell> cells;
    cells.push_back({ InitialZero45, 0 });
    cells.push_back({ InitialThree, InitialThreeValue });
    append(cells, InitialZeroFirst, InitialZeroLast, 0);
    const Size size = modelSize(modelCode);
    if (size == Size::Unknown)
        return cells;
    const bool larger = size == Size::Larger;
    cells.push_back({ ModelSize2, larger ? ModelSize2Larger : ModelSize2Smaller });
    cells.push_back({ ModelSize, larger ? ModelSizeLarger : ModelSizeSmaller });
    append(cells, InitialZeroTailFirst, LastMeaningful, 0);
    return cells;
}

InitialSettingWrite WriteInitialSetting(uint16_t modelCode)
{
    InitialSettingWrite result;
    for (const EepromCell &cell : InitialSetting(modelCode)) {
        const uint16_t reply = D4Link.WriteEepromByte(cell.address, cell.value);
        if (reply == ReplyNoAnswer) {
            result.answered = false;
            break;
        }
        if (reply == ReplyBusy)
            result.busy.push_back(cell.address);
    }
    return result;
}

const std::array<uint8_t, BackupCellCount> &BackupCells()
{
    static const std::array<uint8_t, BackupCellCount> cells = [] {
        // Runs of cells, first and last: the protection counter, the ink counters, the model
        // size with the production flag, the top margin, the Bi-D values, the head ID with
        // the cells around it, the USB ID with the model size cell after it.
        const std::pair<int, int> runs[] = { { 10, 11 }, { 16, 31 }, { 41, 43 }, { 46, 46 },
                                             { 51, 53 }, { 63, 74 }, { 77, 95 } };
        std::array<uint8_t, BackupCellCount> list{};
        size_t n = 0;
        for (const auto &[first, last] : runs)
            for (int address = first; address <= last; ++address)
                list.at(n++) = uint8_t(address);
        return list;
    }();
    return cells;
}

std::string FactoryStep::name() const
{
    switch (op) {
    case Op::C4: return "C4(" + numbers(p.data(), 4) + ")";
    case Op::C5: return "C5(" + numbers(p.data(), 4) + ")";
    case Op::C9: return "C9(" + numbers(p.data(), 4) + ")";
    case Op::CA: return "CA(" + numbers(p.data(), 1) + ")";
    case Op::C81: return "81()";
    case Op::Write: return "W(" + numbers(p.data(), 2) + ")";
    case Op::Wait: return "Wait(" + std::to_string(waitMs) + ")";
    }
    return {};
}

Steps Times(int count, FactoryStep step)
{
    Steps steps(step);
    steps.steps.assign(size_t(count), step);
    return steps;
}

Steps Writes(uint8_t firstAddress, uint8_t lastAddress, uint8_t value)
{
    Steps steps(W(firstAddress, value));
    for (int address = firstAddress + 1; address <= lastAddress; ++address)
        steps.steps.push_back(W(uint8_t(address), value));
    return steps;
}

FactorySequence Sequence(std::initializer_list<Steps> rows)
{
    FactorySequence sequence;
    for (const Steps &row : rows)
        sequence.insert(sequence.end(), row.steps.begin(), row.steps.end());
    return sequence;
}

const FactorySequence &CarriageOut()
{
    static const FactorySequence steps = Sequence({
            C5(2, 0, 77, 0),
            Wait(100),
            C4(5, 0, 2, 0),
            C4(5, 1, 4, 0),
            C5(2, 1, 244, 1),
            C4(5, 0, 2, 0),
            C4(3, 0, 112, 1),
    });
    return steps;
}

const FactorySequence &CarriageHome()
{
    static const FactorySequence steps = Sequence({ C4(3, 1, 112, 1), Wait(100), C5(2, 1, 77, 0) });
    return steps;
}

const FactorySequence &Exchange1()
{
    static const FactorySequence steps = Sequence({
            C4(5, 0, 2, 0),
            C4(5, 1, 4, 0),
            C5(2, 1, 244, 1),
            C4(5, 0, 2, 0),
            C4(5, 0, 15, 0),
            C5(33, 0, 52, 8),
            C5(2, 1, 30, 0),
            C4(5, 1, 22, 0),
            Times(5, C5(32, 0, 48, 117)),
            C5(32, 0, 176, 54),
            C5(2, 0, 30, 0),
            CA(150),
            C9(0, 0, 184, 11),
            C5(2, 1, 30, 0),
            C4(5, 0, 22, 0),
            C5(2, 1, 30, 0),
            C5(33, 0, 172, 13),
            C5(2, 1, 116, 4),
            C4(3, 0, 38, 0),
            CA(5),
            C4(5, 0, 57, 0),
            C5(33, 0, 36, 19),
            C5(2, 1, 74, 1),
            C81(),
            C4(5, 0, 15, 0),
    });
    return steps;
}

const FactorySequence &CarriageOutAgain()
{
    static const FactorySequence steps = Sequence({ C5(2, 0, 77, 0), Wait(100), C4(3, 0, 112, 1) });
    return steps;
}

const FactorySequence &Exchange2()
{
    static const FactorySequence steps = Sequence({
            C81(),
            C4(5, 1, 7, 0),
            C4(5, 0, 22, 0),
            C5(2, 1, 30, 0),
            C5(33, 0, 72, 13),
            C5(2, 1, 30, 0),
            C4(3, 0, 38, 0),
            CA(5),
            C4(5, 0, 57, 0),
            C5(2, 1, 74, 1),
            C81(),
            C81(),
            C4(5, 1, 2, 0),
            C5(4, 0, 25, 0),
            C4(5, 0, 2, 0),
    });
    return steps;
}

FactorySequence ExchangeEepromReset(int modelRow)
{
    const uint16_t counter = TPMaintenance::StartingValue(modelRow);
    return Sequence({
            W(ExchangeMark, ExchangeMarkValue),
            Writes(ExchangeClearFirst, ExchangeClearLast, 0),
            W(ExchangeFour, ExchangeFourValue),
            W(CounterHigh, uint8_t(counter >> 8)),
            W(CounterLow, uint8_t(counter & 0xFF)),
            Writes(ExchangeClearSecondFirst, ExchangeClearSecondLast, 0),
    });
}

void RunSequence(const FactorySequence &sequence)
{
    for (const FactoryStep &step : sequence) {
        const auto &p = step.p;
        switch (step.op) {
        case FactoryStep::Op::C4: Factory.FactoryCommandC4(p[0], p[1], p[2], p[3]); break;
        case FactoryStep::Op::C5: Factory.FactoryCommandC5(p[0], p[1], p[2], p[3]); break;
        case FactoryStep::Op::C9: Factory.FactoryCommandC9(p[0], p[1], p[2], p[3]); break;
        case FactoryStep::Op::CA: Factory.FactoryCommandCA(p[0]); break;
        case FactoryStep::Op::C81: Factory.FactoryCommand81(); break;
        case FactoryStep::Op::Write: Factory.FactoryWriteEeprom(p[0], p[1]); break;
        case FactoryStep::Op::Wait: platform::clock().sleep(step.waitMs); break;
        }
    }
}

} // namespace service
