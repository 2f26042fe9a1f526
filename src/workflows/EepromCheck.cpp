// EEPROM check and change: any range of cells read into the 16 x 16 grid, any one cell
// written, addresses and values typed as two hexadecimal digits.
#include "shell/RidAzidoz.h"

#include "commands/Ridodirar.h"
#include "link/Roro4dodu.h"
#include "platform/Platform.h"
#include "records/ServiceRecord.h"
#include "shell/FormControls.h"
#include "ui_RidAzidoz.h"

#include <QLineEdit>
#include <QTableWidget>

#include <string_view>

namespace {

constexpr int GridSide = 16;

// The value of an edit box's two hexadecimal digits, or InvalidHex.
int hexField(const QLineEdit *edit)
{
    const QString text = edit->text();
    if (text.size() != 2)
        return VEVivAduvaz::InvalidHex;
    const QByteArray bytes = text.toLatin1();
    return VEVivAduvaz::ParseHexByte(std::string_view(bytes.constData(), 2));
}

QString hexByte(int value)
{
    return QStringLiteral("%1").arg(value, 2, 16, QLatin1Char('0')).toUpper();
}

} // namespace

void TFormAdjust::EepromCheckOkBtnClick()
{
    ResetWorkArea(false, false);
    switch (ui->EepromCheckRdoGrp->itemIndex()) {
    case 0:
        showPanel("EepromReadPnl");
        ui->EepReadBegEdit->clear();
        ui->EepReadEndEdit->clear();
        ui->EepReadBegEdit->setFocus();
        break;
    case 1:
        showPanel("EepromWritePnl");
        ui->EepWriteAddEdit->clear();
        ui->EepWriteDataEdit->clear();
        ui->EepWriteAddEdit->setFocus();
        break;
    }
}

void TFormAdjust::EepromReadOkBtnClick()
{
    const int start = hexField(ui->EepReadBegEdit);
    const int end = hexField(ui->EepReadEndEdit);
    if (start == VEVivAduvaz::InvalidHex || end == VEVivAduvaz::InvalidHex || end < start) {
        ShowStatus(smError, QStringLiteral("Input data is wrong."));
        ui->EepReadBegEdit->setFocus();
        return;
    }

    QTableWidget *grid = ui->EepromStrGrid;
    for (int row = 1; row <= GridSide; ++row)
        for (int column = 1; column <= GridSide; ++column)
            grid->item(row, column)->setText(QString());
    ResetWorkArea(false, false);
    StatusMemo->hide();
    showPanel("EepromGridPnl");
    platform::cursor().setBusy(true);

    // The grid fills cell by cell while the reads run. A read that got no usable reply (a cut
    // reply, say) shows "--" and the next cell is read all the same. Only a link found lost
    // leaves the rest as "--" unread: a printer that has gone would make every read wait its
    // tries.
    bool failed = false;
    for (int k = 0; k < GridSide; ++k) {
        for (int l = 0; l < GridSide; ++l) {
            const int address = k * GridSide + l;
            if (address < start || address > end)
                continue;
            QString text = QStringLiteral("--");
            if (!D4Link.LinkLost()) {
                const uint8_t value = D4Link.ReadEepromByte(uint8_t(address));
                if (!D4Link.LastExchangeFailed())
                    text = hexByte(value);
            }
            failed = failed || text == QStringLiteral("--");
            grid->item(k + 1, l + 1)->setText(text);
            repaintNow();
        }
    }
    platform::cursor().setBusy(false);
    // The grid covers the memo: the message comes as a box, once for the whole range.
    if (failed)
        platform::showMessage(platform::MessageKind::Error, "A communication error has occurred.");
}

void TFormAdjust::EepromReadRtnBtnClick()
{
    ResetWorkArea(false, false);
    showPanel("EepromCheckPnl");
}

void TFormAdjust::EepromGridRtnBtnClick()
{
    // The address boxes keep the last range, so the technician can read it again at once.
    ResetWorkArea(false, false);
    showPanel("EepromReadPnl");
    ui->EepReadBegEdit->setFocus();
}

void TFormAdjust::EepromWriteOkBtnClick()
{
    const int address = hexField(ui->EepWriteAddEdit);
    const int value = hexField(ui->EepWriteDataEdit);
    if (address == VEVivAduvaz::InvalidHex || value == VEVivAduvaz::InvalidHex) {
        ShowStatus(smError, QStringLiteral("Input data is wrong."));
        ui->EepWriteAddEdit->setFocus();
        return;
    }
    records::Job job("EEPROM change");
    // A busy answer is taken as the printer's business; no answer at all is no write.
    if (D4Link.WriteEepromByte(uint8_t(address), uint8_t(value)) == ReplyNoAnswer) {
        showCommunicationError();
        return;
    }
    ShowStatus(smPlain, QStringLiteral("Address = "));
    ShowStatus(smAppend, hexByte(address));
    ShowStatus(smNewLine, QStringLiteral("Data = "));
    ShowStatus(smAppend, hexByte(value));
}

void TFormAdjust::EepromWriteRtnBtnClick()
{
    ResetWorkArea(false, false);
    showPanel("EepromCheckPnl");
}
