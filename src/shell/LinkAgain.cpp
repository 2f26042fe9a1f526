// The adjustment window's way back to a printer that dropped out: once an exchange has found
// the link lost (the printer off, or on again and back in byte mode), the next item or "Get
// status" starts the link again before it asks the printer anything, and says so.
#include "shell/RidAzidoz.h"

#include "link/Roro4dodu.h"
#include "platform/Platform.h"

#include <string_view>

namespace {

const char *const Restarting = "The printer did not answer. Starting the link to it again...";

} // namespace

bool TFormAdjust::restartLinkIfLost()
{
    if (!D4Link.LinkLost())
        return true;
    ShowStatus(smBusy, QString::fromLatin1(Restarting));
    // A printer that is still away costs the tries of the entry into packet mode, about
    // 17 s, and then today's message once.
    const bool started = D4Link.StartAgain(portIndex());
    platform::cursor().setBusy(false);
    setEnabled(true);
    if (!started) {
        showCommunicationError();
        return false;
    }
    ShowStatus(smPlain, QString::fromLatin1(LinkStartedAgainText));
    return true;
}

void TFormAdjust::itemChosen(const char *shownPanel)
{
    if (!restartLinkIfLost())
        return;
    if (shownPanel == std::string_view("EepromBackupPnl"))
        offerUnrestoredBackup();
}
