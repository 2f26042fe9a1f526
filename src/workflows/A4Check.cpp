// The A4 check sheet tab: its panel with the line captions of the selected model, and the
// print of the sheet.
#include "shell/RidAzidoz.h"

#include "patterns/Dude4vidad.h"

#include "shell/FormControls.h"
#include "ui_RidAzidoz.h"

void TFormAdjust::A4patRdoBtnClick()
{
    ResetWorkArea(false, true);
    showPanel("A4CheckPrnPnl");
    if (IsUsbCapable(ModelCode())) {
        ui->No6LabelName->setText(QStringLiteral("6. USB ID "));
        ui->No7LabelName->setText(QStringLiteral("7. Ink waste pad counter value "));
        ui->No7LabelName->show();
    } else {
        ui->No6LabelName->setText(QStringLiteral("6. Ink waste pad counter value "));
        ui->No7LabelName->hide();
    }
    AdjustRdoGrp->setItemIndex(-1);
    MentRdoGrp->setItemIndex(-1);
    itemChosen("A4CheckPrnPnl");
}

void TFormAdjust::A4CheckPrnOKBtnClick()
{
    ShowStatus(smBusy, QStringLiteral("A4 pattern is printing now."));
    if (A4check.PrintCheckSheet(ModelCode()))
        ShowStatus(smWaitReady, QStringLiteral("A4 pattern print is completed."));
    else
        ShowStatus(smError, QStringLiteral("Printer is error."));
}
