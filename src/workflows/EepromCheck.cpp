// EEPROM check and change: the moves between the panels. Reading a range into the grid and
// writing a cell come with the EEPROM commands.
#include "shell/RidAzidoz.h"

#include "shell/FormControls.h"
#include "ui_RidAzidoz.h"

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

void TFormAdjust::EepromReadOkBtnClick() { }

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

void TFormAdjust::EepromWriteOkBtnClick() { }

void TFormAdjust::EepromWriteRtnBtnClick()
{
    ResetWorkArea(false, false);
    showPanel("EepromCheckPnl");
}
