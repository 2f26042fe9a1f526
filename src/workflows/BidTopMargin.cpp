// Bi-D and top-margin items: the moves between their panels and the print count label. The
// prints and the writes come with the pattern and command code.
#include "shell/RidAzidoz.h"

#include "shell/FormControls.h"
#include "ui_RidAzidoz.h"

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

void TFormAdjust::BidPrnOKBtnClick() { }

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

void TFormAdjust::BidWrtOKBtnClick() { }

void TFormAdjust::BidWrtRtnBtnClick()
{
    ResetWorkArea(false, false);
    ui->BidWrtEdit->setText(QStringLiteral("0"));
    showPanel("BidWrtSelPnl");
}

void TFormAdjust::BidCheckOKBtnClick() { }

void TFormAdjust::BidCheckRtnBtnClick()
{
    ResetWorkArea(false, false);
    showPanel("BidPnl");
}

void TFormAdjust::TopMarginMainBtnClick()
{
    // The first item prints the top-margin line; that print comes with the pattern code.
    if (ui->TopMarginRdoGrp->itemIndex() == 1) {
        ResetWorkArea(false, false);
        showPanel("TopMarginPnl");
        ui->TopMarginEdit->setText(QStringLiteral("0"));
    }
}

void TFormAdjust::TopMarginWriteOKBtnClick() { }

void TFormAdjust::TopMarginRtnBtnClick()
{
    ResetWorkArea(false, false);
    showPanel("TopMarginMainPnl");
}
