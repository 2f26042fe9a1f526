// EEPROM initial setting of a new main board, and the backup that carries the printer's own
// data from the old main board to the new one in memory while the link is down for the swap.
#include "shell/RidAzidoz.h"

#include "commands/ServiceTables.h"
#include "link/Roro4dodu.h"
#include "link/Vuviredorizaduzu.h"
#include "platform/Platform.h"

#include <array>

namespace {

constexpr uint32_t ChannelClosePauseMs = 200;

const char *const ReplaceBoardQuestion
        = "After replacing MAIN Board and turn on power. click the OK button.";
// The backup is still in memory: the technician may try the connection again.
const char *const NoAnswerBackupHeld
        = "The printer does not answer.\nThe backup data is still held. Check the cable and the "
          "power of the printer, then click the OK button again.";
// After Cancel the backup is dropped as asked; only the lost link is news.
const char *const NoAnswer = "The printer does not answer.";

} // namespace

void TFormAdjust::DefaultSetBtnClick()
{
    platform::cursor().setBusy(true);
    const bool answered = service::WriteInitialSetting(ModelCode()).answered;
    platform::cursor().setBusy(false);
    if (!answered) {
        showCommunicationError();
        return;
    }
    const QString quote = QStringLiteral("\"");
    ShowStatus(smPlain, QStringLiteral("The initial setting value of  "));
    ShowStatus(smAppend, quote);
    ShowStatus(smAppend, modelName());
    ShowStatus(smAppend, quote);
    ShowStatus(smNewLine, QStringLiteral("has been written in the EEPROM"));
}

bool TFormAdjust::reconnectAfterBoardChange()
{
    PrinterDriver.OpenPort(portIndex());
    if (!D4Link.EnterD4Mode()) {
        ErrorStatus = esCommunication;
        return false;
    }
    D4Link.D4Init();
    D4Link.OpenChannel(ControlSocket);
    D4Link.GrantCredit(ControlSocket, 1);
    D4Link.OpenChannel(DataSocket);
    return true;
}

void TFormAdjust::BackupOKBtnClick()
{
    platform::cursor().setBusy(true);
    const auto &cells = service::BackupCells();
    std::array<uint8_t, service::BackupCellCount> backup{};

    for (size_t i = 0; i < cells.size(); ++i) {
        if (!D4Link.ReadEepromByteChecked(cells[i], backup[i])) {
            platform::showMessage(platform::MessageKind::Error, "Reading EEPROM data failed.");
            ShowStatus(smPlain, QString());
            platform::cursor().setBusy(false);
            return;
        }
    }

    D4Link.CloseChannel(DataSocket, 0);
    platform::clock().sleep(ChannelClosePauseMs);
    D4Link.CloseChannel(ControlSocket, 0);
    platform::clock().sleep(ChannelClosePauseMs);
    D4Link.D4Exit();
    PrinterDriver.ClosePort();
    ShowStatus(smPlain, QString());

    for (;;) {
        const bool restore
                = platform::showMessage(platform::MessageKind::Confirmation, ReplaceBoardQuestion,
                                        platform::MessageButtons::OkCancel)
                == platform::MessageAnswer::Ok;
        platform::cursor().setBusy(true);
        if (!reconnectAfterBoardChange()) {
            platform::cursor().setBusy(false);
            platform::showMessage(platform::MessageKind::Error,
                                  restore ? NoAnswerBackupHeld : NoAnswer);
            if (restore)
                continue;
            return;
        }
        if (!restore) {
            ShowStatus(smPlain, QString());
            platform::cursor().setBusy(false);
            return;
        }

        bool written = true;
        for (size_t i = 0; i < cells.size() && written; ++i)
            written = D4Link.WriteEepromByteNoCheck(cells[i], backup[i]);
        if (written) {
            ShowStatus(smPlain, QStringLiteral("Writing backup data succeeded."));
            platform::cursor().setBusy(false);
            return;
        }
        platform::showMessage(platform::MessageKind::Error, "Writing backup data failed.");
        ShowStatus(smPlain, QString());
    }
}
