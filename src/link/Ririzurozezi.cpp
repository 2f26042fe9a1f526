// The forced exit: no channel is closed and no transaction sent first, so the printer stays as
// the failed exchange left it.
#include "link/Ririzurozezi.h"

#include "platform/Platform.h"
#include "records/ServiceRecord.h"

#include <cstdlib>

ZUVadIzevuVedi ForcedExit;

void ZUVadIzevuVedi::ForceExit()
{
    // The process ends without unwinding: what the running job wrote must reach the record now.
    records::finishOpenJobs();
    platform::showError("This program is closed by force.");
    platform::process().exit(0);
    std::abort(); // an exit that returned
}

void FatalError(const char *message)
{
    platform::showError(message);
    ForcedExit.ForceExit();
}
