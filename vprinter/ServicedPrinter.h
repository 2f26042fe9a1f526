// The EEPROM of a printer that has been through the adjustment line: for running the tool
// against the virtual printer without setting every cell by hand.
#pragma once

#include "vprinter/VirtualPrinter.h"

namespace vprinter {

// A larger-model printer with head voltage ID "H3PR2C", Bi-D values 3 / -2 / 1 (multi shot 1,
// multi shot 2, variable shot), protection counter 3412, top margin -5 and USB ID
// "K7A0031942" stamped 5 March 2004 14:47:12. Cells beyond the map read as erased (FF).
EepromImage servicedEeprom();

} // namespace vprinter
