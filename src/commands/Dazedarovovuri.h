// The protection counter (the printer's count for its waste ink pad) and the wait for the
// printer to finish what it is doing.
#pragma once

#include <cstdint>

class TPMaintenance
{
public:
    // The counter as decimal text, 0 to 65535, in a buffer each call overwrites; empty when a
    // read got no usable reply (LastReadFailed).
    const char *ReadProtectionCounter();
    bool LastReadFailed() const { return m_lastReadFailed; }
    // The starting value by the row of the start window's model list: 2940 for rows 0 and 1,
    // 0 for the "(ESP)" rows 2 and 3. False when a write got no reply at all (a busy answer
    // still counts as answered).
    bool ResetProtectionCounter(int modelRow);
    // Polls the status every 2000 ms, without a limit: true on ready, false on error.
    bool WaitUntilReady();

    static uint16_t StartingValue(int modelRow);

private:
    char m_text[6] = "";
    bool m_lastReadFailed = false;
};

extern TPMaintenance Maintenance;
