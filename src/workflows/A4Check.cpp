// The A4 check sheet tab: its panel with the line captions of the selected model. The sheet
// itself comes with the pattern code.
#include "shell/RidAzidoz.h"

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
}

void TFormAdjust::A4CheckPrnOKBtnClick() { }
