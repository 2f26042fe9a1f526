// The forced exit: no channel is closed and no transaction sent first, so the printer stays as
// the failed exchange left it.
#include "link/Ririzurozezi.h"

#include "platform/Platform.h"

#include <cstdlib>

ZUVadIzevuVedi ForcedExit;

void ZUVadIzevuVedi::ForceExit()
{
    platform::showError("This program is closed by force.");
    platform::process().exit(0);
    std::abort(); // an exit that returned
}

void FatalError(const char *message)
{
    platform::showError(message);
    ForcedExit.ForceExit();
}
