// cantra-probe: brings the printer on a port into packet mode, prints its status and ends the
// link again. A quick check of the cable and the port without the windows; the exit code says
// whether it worked, for scripts.
#include "link/Roro4dodu.h"
#include "link/Vuviredorizaduzu.h"
#include "platform/Platform.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

enum ExitCode {
    Success = 0,
    NoAnswer = 1, // the printer did not answer an exchange
    Usage = 2,
    Fatal = 3, // the port could not be opened, or a fatal link error
};

// The link's own way out after a fatal error exits with 0, as the program does; for a probe
// that is a failure like any other.
class ProbeExit : public platform::Process
{
public:
    [[noreturn]] void exit(int) override
    {
        std::fflush(stdout);
        std::exit(Fatal);
    }
};

} // namespace

int main(int argc, char **argv)
{
    const char *port = argc > 1 ? argv[1] : "LPT1";
    if (argc > 2 || std::strlen(port) != 4 || std::strncmp(port, "LPT", 3) != 0 || port[3] < '1'
        || port[3] > '3') {
        std::fprintf(stderr,
                     "usage: cantra-probe [LPT1|LPT2|LPT3]\n"
                     "exit code 0 when the printer answered every exchange, 1 when it did not,\n"
                     "3 when the port could not be opened or the link failed for good\n");
        return Usage;
    }
    ProbeExit probeExit;
    platform::setProcess(&probeExit);

    PrinterDriver.OpenPort(uint16_t(port[3] - '1'));
    if (!D4Link.EnterD4Mode()) {
        std::printf("%s: the printer does not enter packet mode\n", port);
        PrinterDriver.ClosePort();
        return NoAnswer;
    }
    bool answered = D4Link.D4Init();
    answered = D4Link.OpenChannel(ControlSocket) && answered;
    answered = D4Link.GrantCredit(ControlSocket, 1) && answered;
    D4Link.GetPrinterStatus();
    answered = !D4Link.LastExchangeFailed() && answered;
    std::printf("%s: state %04X, error %04X, ink %u %u %u %u, warnings %d %d %d %d%s\n", port,
                PrinterStatus, ErrorStatus, InkLevels[0], InkLevels[1], InkLevels[2], InkLevels[3],
                WarningFlags[0], WarningFlags[1], WarningFlags[2], WarningFlags[3],
                D4Link.LastExchangeFailed() ? " (no reply)" : "");
    answered = D4Link.CloseChannel(ControlSocket, 0) && answered;
    platform::clock().sleep(200);
    D4Link.D4Exit();
    PrinterDriver.ClosePort();
    if (!answered)
        std::printf("%s: the printer did not answer every exchange\n", port);
    return answered ? Success : NoAnswer;
}
