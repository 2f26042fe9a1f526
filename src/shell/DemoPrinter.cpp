// Start states of the in-process printer.
#include "vprinter/ServicedPrinter.h"
#include "vprinter/VirtualPrinter.h"

#include "shell/DemoPrinter.h"

#include <cstdint>

namespace {

// Long enough to see "Printer is busy." after the start and "Ready to print." on a later
// "Get status".
constexpr int64_t BusyStartMs = 60'000;

struct StartState
{
    const char *name;
    char errorChar; // 0: no error
};

constexpr StartState States[] = {
    { "ready", 0 },           { "busy", 0 },          { "paper-jam", '4' }, { "ink-out", '5' },
    { "paper-misload", '6' }, { "maintenance", 'B' },
};

} // namespace

std::vector<std::string> virtualPrinterStates()
{
    std::vector<std::string> names;
    for (const StartState &state : States)
        names.push_back(state.name);
    return names;
}

bool prepareVirtualPrinter(vprinter::VirtualPrinter &printer, const std::string &name)
{
    const StartState *chosen = nullptr;
    for (const StartState &state : States)
        if (name == state.name)
            chosen = &state;
    if (!chosen)
        return false;

    printer.eeprom() = vprinter::servicedEeprom();
    vprinter::PrinterState &state = printer.state();
    if (name == "busy")
        printer.busyFor(BusyStartMs);
    if (chosen->errorChar) {
        state.stateDigit = '0';
        state.errorChar = chosen->errorChar;
    }
    if (chosen->errorChar == '5')
        state.inkLevels[0] = 0; // the black cartridge is the empty one
    return true;
}
