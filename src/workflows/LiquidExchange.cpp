// Transportation liquid exchange: the chain of seven panels. Each step shows its next panel
// before anything is sent; the carriage and exchange sequences come with the factory commands.
#include "shell/RidAzidoz.h"

#include "shell/FormControls.h"
#include "ui_RidAzidoz.h"

void TFormAdjust::MessageOKBtnClick()
{
    ResetWorkArea(false, false);
    switch (ui->MessageSelectRdoGrp->itemIndex()) {
    case 0: showPanel("TraStep1Pnl"); break;
    case 1: showPanel("NotePnl"); break;
    }
}

void TFormAdjust::MainRtnBtnClick()
{
    ResetWorkArea(false, false);
    showPanel("TraStep0Pnl");
}

void TFormAdjust::CRmoveBtnClick()
{
    ResetWorkArea(false, false);
    showPanel("TraStep2Pnl");
}

void TFormAdjust::CRreturnBtnClick()
{
    ResetWorkArea(false, false);
    showPanel("TransPnl");
}

void TFormAdjust::TransOKBtnClick()
{
    ResetWorkArea(false, false);
    showPanel("TraStep3Pnl");
}

void TFormAdjust::TransCompleteBtnClick()
{
    ResetWorkArea(false, false);
    showPanel("TraStep4Pnl");
}

void TFormAdjust::CRreturn2BtnClick()
{
    ResetWorkArea(false, false);
    showPanel("TraStep0Pnl");
}
