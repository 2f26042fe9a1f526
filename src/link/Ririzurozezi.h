// The one way the program ends itself after a fatal error.
#pragma once

class ZUVadIzevuVedi
{
public:
    // Shows "This program is closed by force." and ends the process with exit code 0.
    [[noreturn]] void ForceExit();
};

extern ZUVadIzevuVedi ForcedExit;

// A fatal error: the caller's own error box, then ForceExit.
[[noreturn]] void FatalError(const char *message);
