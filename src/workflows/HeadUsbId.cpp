// Head voltage ID and USB ID items: the moves between their panels. The reads and writes of
// the two identities come with their own commands.
#include "shell/RidAzidoz.h"

#include "shell/FormControls.h"
#include "ui_RidAzidoz.h"

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

void TFormAdjust::HdVolCheckOKBtnClick() { }

void TFormAdjust::HdVolCheckRtnBtnClick()
{
    ResetWorkArea(false, false);
    showPanel("HdVolPnl");
}

void TFormAdjust::HdVolWrtOKBtnClick() { }

void TFormAdjust::HdVolWrtRtnBtnClick()
{
    ResetWorkArea(false, false);
    ui->HdVolWrtEdit->clear();
    showPanel("HdVolPnl");
}

void TFormAdjust::UsbIdOKBtnClick()
{
    if (ui->UsbIdRdoBtn->itemIndex() == 0) {
        // The technician may still want to read what the memo says while typing the ID.
        ResetWorkArea(true, false);
        showPanel("UsbIdInputPnl");
        ui->UsbIdInputEdit->setFocus();
    }
}

void TFormAdjust::UsbIdInputOKBtnClick() { }

void TFormAdjust::UsbIdInputRtnBtnClick()
{
    ResetWorkArea(false, false);
    ui->UsbIdInputEdit->clear();
    showPanel("UsbIdPnl");
}
