// Protection counter, head cleaning and initial ink charge: the moves between the counter
// panels. The counter commands and the cleaning sequences come with the maintenance commands.
#include "shell/RidAzidoz.h"

#include "shell/FormControls.h"
#include "ui_RidAzidoz.h"

void TFormAdjust::ProCounterOKBtnClick()
{
    ResetWorkArea(false, false);
    switch (ui->CounterRdoBtn->itemIndex()) {
    case 0: showPanel("CounterCheckPnl"); break;
    case 1: showPanel("CounterClearPnl"); break;
    }
}

void TFormAdjust::CounterCheckOKBtnClick() { }

void TFormAdjust::CounterCheckRtnBtnClick()
{
    ResetWorkArea(false, false);
    showPanel("CounterPnl");
}

void TFormAdjust::CounterClearOKBtnClick() { }

void TFormAdjust::CounterClearRtnBtnClick()
{
    ResetWorkArea(false, false);
    showPanel("CounterPnl");
}

void TFormAdjust::CleaningOKBtnClick() { }

void TFormAdjust::ChargeOKBtnClick() { }
