// The protection counter (the printer's count for its waste ink pad) and the wait for the
// printer to finish what it is doing.
#pragma once

#include <cstdint>

class TPMaintenance
{
public:
    // The counter as decimal text, 0 to 65535, in a buffer each call overwrites.
    const char *ReadProtectionCounter();
    // The starting value by the row of the start window's model list: 2940 for rows 0 and 1,
    // 0 for the "(ESP)" rows 2 and 3.
    void ResetProtectionCounter(int modelRow);
    // Polls the status every 2000 ms, without a limit: true on ready, false on error.
    bool WaitUntilReady();

    static uint16_t StartingValue(int modelRow);

private:
    char m_text[6] = "";
};

extern TPMaintenance Maintenance;
