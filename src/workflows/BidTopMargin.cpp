// Bi-D and top-margin items: the pattern prints with their series count, the value entries
// and the read-back of the three Bi-D values.
#include "shell/RidAzidoz.h"

#include "commands/Zadivavoza.h"
#include "link/Roro4dodu.h"
#include "patterns/Ziroreved.h"
#include "patterns/Zurova.h"
#include "records/ServiceRecord.h"

#include "shell/FormControls.h"
#include "ui_RidAzidoz.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

#include <iterator>
#include <string>

namespace {

// A series of three prints goes on one sheet: each later print starts this many line feeds
// further down.
constexpr int SeriesLineFeeds = 20;
constexpr int SeriesLength = 3;

const QString CommunicationError = QStringLiteral("A communication error has occurred.");

// The shot types in the order of BidWrtSelRdoGrp.
struct ShotEntry
{
    uint8_t kind;
    const char *prefix;
};
constexpr ShotEntry ShotEntries[] = {
    { BidKindMultiShot1, "As Multi shot 1 data, " },
    { BidKindMultiShot2, "As Multi shot 2 data, " },
    { BidKindVariableShot, "As Variable shot data, " },
};

// The lines of the read-back, in the order they are read.
struct CheckLine
{
    int kind; // of ShowStatus
    const char *label;
    uint8_t shot;
};
constexpr CheckLine CheckLines[] = {
    { smPlain, "Multi shot 1 = ", BidKindMultiShot1 },
    { smNewLine, "Multi shot 2 = ", BidKindMultiShot2 },
    { smNewLine, "Variable shot = ", BidKindVariableShot },
};

std::string typed(const QLineEdit *edit)
{
    return edit->text().toStdString();
}

} // namespace

void TFormAdjust::setBidCountLabel()
{
    ui->BidPrnCountLbl->setText(
            QString::number(BidPrintCount)
            + (BidPrintCount == 1 ? QStringLiteral(" time") : QStringLiteral(" times")));
}

void TFormAdjust::BidOKBtnClick()
{
    ResetWorkArea(false, false);
    switch (ui->BidRdoBtn->itemIndex()) {
    case 0:
        showPanel("BidPrnPnl");
        setBidCountLabel();
        break;
    case 1:
        showPanel("BidWrtSelPnl");
        ui->BidWrtSelRdoGrp->setItemIndex(0);
        break;
    case 2: showPanel("BidCheckPnl"); break;
    }
}

void TFormAdjust::BidPrnOKBtnClick()
{
    ShowStatus(smBusy, QStringLiteral("Bi-d pattern is being printed out now."));
    for (int print = 1; print < BidPrintCount; ++print)
        Raster.NewLines(SeriesLineFeeds);
    if (!Bid.PrintBidPattern(false)) {
        ShowStatus(smError, QStringLiteral("Printer is error."));
        return;
    }
    Raster.FormFeed();
    BidPrintCount = BidPrintCount % SeriesLength + 1;
    setBidCountLabel();
    ShowStatus(smWaitReady, QStringLiteral("Bi-d pattern print is completed."));
}

void TFormAdjust::BidPrnRtnBtnClick()
{
    ResetWorkArea(false, false);
    showPanel("BidPnl");
}

void TFormAdjust::BidWrtSelOKBtnClick()
{
    ResetWorkArea(false, false);
    showPanel("BidWrtPnl");
    ui->BidWrtEdit->setFocus();
}

void TFormAdjust::BidWrtSelRtnBtnClick()
{
    ResetWorkArea(false, false);
    showPanel("BidPnl");
}

void TFormAdjust::BidWrtOKBtnClick()
{
    const int item = ui->BidWrtSelRdoGrp->itemIndex();
    if (item < 0 || item >= int(std::size(ShotEntries)))
        return;
    const ShotEntry &shot = ShotEntries[item];
    const QString text = ui->BidWrtEdit->text();
    records::Job job("Bi-D value");
    const DataDelivery delivery;
    if (!Bid.WriteBidValue(shot.kind, typed(ui->BidWrtEdit))) {
        ShowStatus(smError, QStringLiteral("Digit is wrong."));
        return;
    }
    // A value sent without the printer's credit may never have arrived: it is not reported as
    // written, and the information panel keeps what it showed.
    if (!delivery.complete()) {
        ShowStatus(smError, CommunicationError);
        return;
    }
    ShowStatus(smPlain, QString::fromLatin1(shot.prefix));
    ShowStatus(smAppend, text);
    ShowStatus(smAppend, QStringLiteral(" has been written in EEPROM."));
    QLabel *const boxes[] = { ui->ShowMs1Pnl, ui->ShowMs2Pnl, ui->ShowVsPnl };
    boxes[item]->setText(text);
}

void TFormAdjust::BidWrtRtnBtnClick()
{
    ResetWorkArea(false, false);
    ui->BidWrtEdit->setText(QStringLiteral("0"));
    showPanel("BidWrtSelPnl");
}

void TFormAdjust::BidCheckOKBtnClick()
{
    for (const CheckLine &line : CheckLines) {
        ShowStatus(line.kind, QString::fromLatin1(line.label));
        const char *value = Bid.ReadBidValueText(line.shot);
        if (D4Link.LastExchangeFailed()) {
            // The message stands where the value would, in red; a printer that gave no answer
            // is not asked again for the next value.
            ShowStatus(smError, StatusMemo->toPlainText() + CommunicationError);
            return;
        }
        ShowStatus(smAppend, QString::fromLatin1(value));
    }
}

void TFormAdjust::BidCheckRtnBtnClick()
{
    ResetWorkArea(false, false);
    showPanel("BidPnl");
}

void TFormAdjust::TopMarginMainBtnClick()
{
    switch (ui->TopMarginRdoGrp->itemIndex()) {
    case 0:
        ShowStatus(smBusy, QStringLiteral("Now printing Top Margin Line."));
        Raster.PrintTopMarginSheet();
        ShowStatus(smWaitReady, QStringLiteral("Printing Top Margin Line completed."));
        break;
    case 1:
        ResetWorkArea(false, false);
        showPanel("TopMarginPnl");
        ui->TopMarginEdit->setText(QStringLiteral("0"));
        break;
    }
}

void TFormAdjust::TopMarginWriteOKBtnClick()
{
    const QString text = ui->TopMarginEdit->text();
    records::Job job("top margin");
    const DataDelivery delivery;
    if (!Raster.WriteTopMargin(typed(ui->TopMarginEdit))) {
        ShowStatus(smError, QStringLiteral("Writing EEPROM data failed."));
        return;
    }
    if (!delivery.complete()) {
        ShowStatus(smError, CommunicationError);
        return;
    }
    ShowStatus(smPlain, QStringLiteral("As Top margin data, "));
    ShowStatus(smAppend, text);
    ShowStatus(smAppend, QStringLiteral(" has been written in EEPROM."));
    ui->ShowTopMarginPnl->setText(text);
}

void TFormAdjust::TopMarginRtnBtnClick()
{
    ResetWorkArea(false, false);
    showPanel("TopMarginMainPnl");
}
