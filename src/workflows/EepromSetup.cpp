// EEPROM initial setting of a new main board, and the backup that carries the printer's own
// data from the old main board to the new one. The backup is held in memory and, from before
// the link goes down for the swap until it is written back, in a file of the data folder, so
// that neither a port that is gone nor a program or PC that dies loses it.
#include "shell/RidAzidoz.h"

#include "commands/ServiceTables.h"
#include "link/Roro4dodu.h"
#include "link/Vuviredorizaduzu.h"
#include "platform/Platform.h"
#include "records/BoardBackup.h"
#include "records/ServiceRecord.h"

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr uint32_t ChannelClosePauseMs = 200;

using Cells = std::vector<std::pair<uint8_t, uint8_t>>;

const char *const ReplaceBoardQuestion
        = "After replacing MAIN Board and turn on power. click the OK button.";
// The backup is still in memory: the technician may try the connection again.
const char *const NoAnswerBackupHeld
        = "The printer does not answer.\nThe backup data is still held. Check the cable and the "
          "power of the printer, then click the OK button again.";
// After Cancel the backup is dropped as asked; only the lost link is news.
const char *const NoAnswer = "The printer does not answer.";

std::string unrestoredQuestion(const records::BoardBackup &backup)
{
    const std::string model = backup.model.empty() ? "a printer" : "a " + backup.model;
    const std::string port = backup.port.empty() ? "" : " on " + backup.port;
    return "The EEPROM backup data read on " + backup.time + " from " + model + port
            + " has not been written back yet.\nDo you want to write it to this printer now?";
}

std::string notSavedWarning(const std::string &reason)
{
    return "The backup data could not be saved on this PC:\n" + reason
            + "\nIt is held only in this program until it has been written back.";
}

} // namespace

void TFormAdjust::DefaultSetBtnClick()
{
    records::Job job("EEPROM initial setting");
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
    // A port that cannot be opened (a USB printer's device is gone while it is off) is a
    // printer that does not answer, not the end of the program and of the backup with it.
    if (!D4Link.StartAgain(portIndex())) {
        ErrorStatus = esCommunication;
        return false;
    }
    return true;
}

bool TFormAdjust::writeBackupCells(const Cells &cells, bool readBack)
{
    for (const auto &[address, value] : cells)
        if (!D4Link.WriteEepromByteNoCheck(address, value))
            return false;
    if (!readBack)
        return true;
    for (const auto &[address, value] : cells) {
        uint8_t check = 0;
        if (!D4Link.ReadEepromByteChecked(address, check) || check != value)
            return false;
    }
    return true;
}

void TFormAdjust::backupRestored(records::BoardBackup &backup)
{
    if (backup.file.empty())
        return;
    std::string error;
    if (!records::markRestored(backup, records::now(), error))
        std::fprintf(stderr,
                     "cantra-adjust: warning: the backup %s is not marked as written "
                     "back: %s\n",
                     backup.file.string().c_str(), error.c_str());
}

void TFormAdjust::offerUnrestoredBackup()
{
    std::optional<records::BoardBackup> backup = records::newestUnrestored();
    if (!backup)
        return;
    const bool write
            = platform::showMessage(platform::MessageKind::Confirmation,
                                    unrestoredQuestion(*backup), platform::MessageButtons::YesNo)
            == platform::MessageAnswer::Yes;
    if (!write)
        return;
    platform::cursor().setBusy(true);
    bool written = false;
    {
        records::Job job("EEPROM backup restore");
        job.note("file", backup->file.string());
        job.note("backupTime", backup->time);
        written = writeBackupCells(backup->cells, true);
        job.note("readBack", written);
    }
    platform::cursor().setBusy(false);
    if (!written) {
        platform::showMessage(platform::MessageKind::Error, "Writing backup data failed.");
        ShowStatus(smPlain, QString());
        return;
    }
    backupRestored(*backup);
    ShowStatus(smPlain, QStringLiteral("Writing backup data succeeded."));
}

void TFormAdjust::BackupOKBtnClick()
{
    platform::cursor().setBusy(true);
    const auto &addresses = service::BackupCells();
    Cells cells;

    for (const uint8_t address : addresses) {
        uint8_t value = 0;
        if (!D4Link.ReadEepromByteChecked(address, value)) {
            platform::showMessage(platform::MessageKind::Error, "Reading EEPROM data failed.");
            ShowStatus(smPlain, QString());
            platform::cursor().setBusy(false);
            return;
        }
        cells.emplace_back(address, value);
    }

    // On disk before the link goes down: from here on the old board may be gone at any time.
    records::BoardBackup backup;
    backup.time = records::now();
    backup.model = modelName().toStdString();
    backup.modelCode = ModelCode();
    backup.port = records::openedPort();
    backup.device = records::openedDevice();
    backup.cells = cells;
    {
        records::Job job("EEPROM backup");
        job.cellsKept(cells);
        std::string error;
        const bool saved = records::saveBackup(backup, error);
        job.note("saved", saved);
        job.note(saved ? "file" : "error", saved ? backup.file.string() : error);
        job.finish();
        if (!saved) {
            backup.file.clear();
            std::fprintf(stderr, "cantra-adjust: the backup data could not be saved: %s\n",
                         error.c_str());
            platform::showMessage(platform::MessageKind::Warning, notSavedWarning(error));
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
            // Dropped here as asked; the file stays, not written back, for another day.
            ShowStatus(smPlain, QString());
            platform::cursor().setBusy(false);
            return;
        }

        bool written = false;
        {
            records::Job job("EEPROM backup restore");
            job.note("file", backup.file.string());
            job.note("backupTime", backup.time);
            written = writeBackupCells(cells, false);
        }
        if (written) {
            backupRestored(backup);
            ShowStatus(smPlain, QStringLiteral("Writing backup data succeeded."));
            platform::cursor().setBusy(false);
            return;
        }
        platform::showMessage(platform::MessageKind::Error, "Writing backup data failed.");
        ShowStatus(smPlain, QString());
    }
}
