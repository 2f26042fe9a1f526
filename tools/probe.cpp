// cantra-probe: brings the printer on a port into packet mode, prints its status and ends the
// link again. A quick check of the cable and the port without the windows.
#include "link/Roro4dodu.h"
#include "link/Vuviredorizaduzu.h"
#include "platform/Platform.h"

#include <cstdio>
#include <cstring>

int main(int argc, char **argv)
{
    const char *port = argc > 1 ? argv[1] : "LPT1";
    if (argc > 2 || std::strlen(port) != 4 || std::strncmp(port, "LPT", 3) != 0 || port[3] < '1'
        || port[3] > '3') {
        std::fprintf(stderr, "usage: cantra-probe [LPT1|LPT2|LPT3]\n");
        return 2;
    }
    PrinterDriver.OpenPort(uint16_t(port[3] - '1'));
    if (!D4Link.EnterD4Mode()) {
        std::printf("%s: the printer does not enter packet mode\n", port);
        PrinterDriver.ClosePort();
        return 1;
    }
    D4Link.D4Init();
    D4Link.OpenChannel(ControlSocket);
    D4Link.GrantCredit(ControlSocket, 1);
    D4Link.GetPrinterStatus();
    std::printf("%s: state %04X, error %04X, ink %u %u %u %u, warnings %d %d %d %d%s\n", port,
                PrinterStatus, ErrorStatus, InkLevels[0], InkLevels[1], InkLevels[2], InkLevels[3],
                WarningFlags[0], WarningFlags[1], WarningFlags[2], WarningFlags[3],
                D4Link.LastExchangeFailed() ? " (no reply)" : "");
    D4Link.CloseChannel(ControlSocket, 0);
    platform::clock().sleep(200);
    D4Link.D4Exit();
    PrinterDriver.ClosePort();
    return 0;
}
