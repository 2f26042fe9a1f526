// The in-process printer the program can run against instead of a cabled one: a serviced
// printer's EEPROM and a start state chosen by name.
#pragma once

#include <string>
#include <vector>

namespace vprinter {
class VirtualPrinter;
}

// The names of the start states, "ready" first.
std::vector<std::string> virtualPrinterStates();

// Gives the printer the EEPROM of a serviced printer and puts it into the named start state;
// false (and the printer untouched) for a name that is not a start state.
bool prepareVirtualPrinter(vprinter::VirtualPrinter &printer, const std::string &state);
