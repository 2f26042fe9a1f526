// The A4 check sheet: a one-page summary of a printer after adjustment, with the model banner,
// the test patterns, the Bi-D pattern, the head voltage ID and the waste pad counter.
#pragma once

#include <cstdint>

class TPA4check
{
public:
    // Prints the sheet of a model (its code from the start window); true when it was printed
    // to its end, false when the printer reported an error at one of the readiness checks.
    // No page eject follows an unfinished sheet.
    bool PrintCheckSheet(uint16_t modelCode);
};

extern TPA4check A4check;
