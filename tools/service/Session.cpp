// Link start and end for the command line.
#include "Session.h"

#include "link/Roro4dodu.h"
#include "link/Vuviredorizaduzu.h"
#include "platform/Platform.h"

namespace service {

namespace {

constexpr uint32_t AfterCloseMs = 200;

} // namespace

bool Session::start(std::string &failure)
{
    // A fresh link, as at program start: no credit either way, no reply from before.
    D4Link.Reset();
    PrinterDriver.OpenPort(m_portIndex);
    if (!D4Link.EnterD4Mode()) {
        failure = "the printer does not enter packet mode";
        PrinterDriver.ClosePort();
        return false;
    }
    // The program goes on past these steps whatever their answer; a script is better told at
    // once that the printer is not there.
    const char *step = nullptr;
    if (!D4Link.D4Init()) {
        step = "Init";
    } else if (!D4Link.OpenChannel(ControlSocket)) {
        step = "the opening of the control channel";
    } else if (!D4Link.GrantCredit(ControlSocket, 1)) {
        step = "the credit of the control channel";
    } else {
        D4Link.GetPrinterStatus();
        if (D4Link.LastExchangeFailed())
            step = "the status request";
        else if (!D4Link.OpenChannel(DataSocket))
            step = "the opening of the data channel";
    }
    if (step) {
        failure = std::string("the printer did not answer ") + step;
        // Nothing more goes to a printer that does not answer; the port is let go.
        PrinterDriver.ClosePort();
        return false;
    }
    m_started = true;
    return true;
}

void Session::end()
{
    if (!m_started)
        return;
    m_started = false;
    // A printer that did not answer the last control command has gone: three unanswered tries
    // of every closing step would only keep the script waiting.
    if (D4Link.LastExchangeFailed()) {
        PrinterDriver.ClosePort();
        return;
    }
    const bool answered = D4Link.CloseChannel(DataSocket, 0);
    platform::clock().sleep(AfterCloseMs);
    if (answered) {
        D4Link.CloseChannel(ControlSocket, 0);
        platform::clock().sleep(AfterCloseMs);
        D4Link.D4Exit();
    }
    PrinterDriver.ClosePort();
}

} // namespace service
