// Head voltage ID and USB ID items: check and enter the print head's voltage ID and the
// USB-capable printer's serial with its date stamp.
#include "shell/RidAzidoz.h"

#include "commands/Dizizeded.h"
#include "commands/Zedivozi.h"
#include "platform/Platform.h"
#include "records/ServiceRecord.h"
#include "shell/FormControls.h"
#include "ui_RidAzidoz.h"

#include <QLineEdit>

#include <optional>
#include <string>
#include <string_view>

namespace {

const char *headIdMessage(uint16_t code)
{
    switch (code) {
    case HeadIdWrongLength: return "The Number of digit is wrong.";
    case HeadIdWrongFirst: return "First Digit is wrong.";
    case HeadIdWrongSecond: return "Second Digit is wrong.";
    case HeadIdWrongThird: return "Third Digit is wrong.";
    case HeadIdWrongFourth: return "Fourth Digit is wrong.";
    case HeadIdWrongFifth: return "Fifth Digit is wrong.";
    default: return "Check ID is invalid.";
    }
}

} // namespace

void TFormAdjust::HdVolOKBtnClick()
{
    ResetWorkArea(false, false);
    switch (ui->HdVolRdoBtn->itemIndex()) {
    case 0: showPanel("HdVolCheckPnl"); break;
    case 1:
        showPanel("HdVolWrtPnl");
        ui->HdVolWrtEdit->setFocus();
        break;
    }
}

void TFormAdjust::HdVolCheckOKBtnClick()
{
    platform::cursor().setBusy(true);
    ShowStatus(smPlain, QStringLiteral("Head voltage ID = "));
    const char *id = HeadID.ReadHeadId();
    if (HeadID.LastReadFailed())
        showCommunicationError();
    else
        ShowStatus(smAppend, QString::fromLatin1(id));
    platform::cursor().setBusy(false);
}

void TFormAdjust::HdVolCheckRtnBtnClick()
{
    ResetWorkArea(false, false);
    showPanel("HdVolPnl");
}

void TFormAdjust::HdVolWrtOKBtnClick()
{
    const QString typed = ui->HdVolWrtEdit->text();
    const QByteArray id = typed.toLatin1();
    records::Job job("head ID");
    const uint16_t code = HeadID.WriteHeadId(std::string_view(id.constData(), size_t(id.size())));
    if (code == HeadIdWritten) {
        ShowStatus(smPlain, QStringLiteral("As head actuator voltage, "));
        ShowStatus(smAppend, typed);
        ShowStatus(smAppend, QStringLiteral(" has been written in EEPROM."));
        ui->ShowHdVolIDPnl->setText(typed);
        return;
    }
    if (code == HeadIdNoAnswer)
        showCommunicationError();
    else
        ShowStatus(smError, QString::fromLatin1(headIdMessage(code)));
    ui->HdVolWrtEdit->setFocus();
}

void TFormAdjust::HdVolWrtRtnBtnClick()
{
    ResetWorkArea(false, false);
    ui->HdVolWrtEdit->clear();
    showPanel("HdVolPnl");
}

void TFormAdjust::UsbIdOKBtnClick()
{
    switch (ui->UsbIdRdoBtn->itemIndex()) {
    case 0:
        // The technician may still want to read what the memo says while typing the ID.
        ResetWorkArea(true, false);
        showPanel("UsbIdInputPnl");
        ui->UsbIdInputEdit->setFocus();
        break;
    case 1: {
        platform::cursor().setBusy(true);
        std::string id;
        const bool valid = UsbID.ReadUsbId(id);
        if (UsbID.LastReadFailed()) {
            showCommunicationError();
        } else if (valid) {
            ShowStatus(smPlain, QStringLiteral("USB ID = "));
            ShowStatus(smAppend, QString::fromLatin1(id.data(), qsizetype(id.size())));
        } else {
            ShowStatus(smError, QStringLiteral("Invalid USB ID"));
        }
        platform::cursor().setBusy(false);
        break;
    }
    }
}

void TFormAdjust::UsbIdInputOKBtnClick()
{
    // Only the text goes: an error's red stays until the next message sets its own colour.
    StatusMemo->clear();
    // A character beyond Latin-1 becomes "?", which the check refuses as it should.
    const QByteArray bytes = ui->UsbIdInputEdit->text().toLatin1();
    const std::string_view serial(bytes.constData(), size_t(bytes.size()));
    if (const char *problem = VORizOroRu::SerialProblem(serial)) {
        ShowStatus(smError, QString::fromLatin1(problem));
        return;
    }
    const QString quote = QStringLiteral("\"");
    ShowStatus(smPlain, QStringLiteral("USB ID"));
    ShowStatus(smNewLine, quote);
    records::Job job("USB ID");
    const std::optional<std::string> display = UsbID.WriteUsbId(serial, 1);
    if (!display) {
        // WriteUsbId refuses only a malformed serial, which was turned away above already.
        ShowStatus(smError, QStringLiteral("Parameter is only number & alphabet."));
        return;
    }
    // Sent without the printer's credit: it may never have arrived, and the information panel
    // keeps what it showed.
    if (UsbID.LastWriteFailed()) {
        showCommunicationError();
        return;
    }
    ShowStatus(smAppend, QString::fromLatin1(display->data(), qsizetype(display->size())));
    ShowStatus(smAppend, quote);
    ShowStatus(smNewLine, QStringLiteral(" has been written in EEPROM."));
}

void TFormAdjust::UsbIdInputRtnBtnClick()
{
    ResetWorkArea(false, false);
    ui->UsbIdInputEdit->clear();
    showPanel("UsbIdPnl");
}
