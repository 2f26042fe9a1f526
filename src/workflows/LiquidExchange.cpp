// Transportation liquid exchange: a chain of seven panels. Each step shows its next panel
// before anything is sent, sends its factory commands and waits for the printer; from the
// first carriage move to the end the technician cannot leave the chain.
#include "shell/RidAzidoz.h"

#include "commands/ServiceTables.h"
#include "link/Roro4dodu.h"
#include "platform/Platform.h"
#include "shell/FormControls.h"
#include "ui_RidAzidoz.h"

#include <QPushButton>
#include <QTabWidget>

namespace {

constexpr uint32_t PauseAfterResetMs = 100;

} // namespace

void TFormAdjust::setExchangeLocked(bool locked)
{
    for (QWidget *control :
         std::initializer_list<QWidget *>{ AdjustmentTab, MentRdoGrp, AdjustRtnBtn, GetStatusBtn })
        control->setEnabled(!locked);
}

void TFormAdjust::retryStepOnError(const char *shownPanel, const char *stepPanel)
{
    // The ready poll found an error and said so in red. The step's own panel comes back,
    // with the memo as it is, so that its OK runs the step again once the printer is ready.
    if (PrinterStatus == psReady)
        return;
    hidePanel(panel(shownPanel));
    showPanel(stepPanel);
}

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
    service::RunSequence(service::CarriageOut());
    ShowStatus(smWaitReady, QStringLiteral("Move the carriage to the replacement position."));
    setExchangeLocked(true);
    retryStepOnError("TraStep2Pnl", "TraStep1Pnl");
}

void TFormAdjust::CRreturnBtnClick()
{
    ResetWorkArea(false, false);
    showPanel("TransPnl");
    service::RunSequence(service::CarriageHome());
    ShowStatus(smWaitReady, QStringLiteral("Return the carriage to the home position."));
    retryStepOnError("TransPnl", "TraStep2Pnl");
}

void TFormAdjust::TransOKBtnClick()
{
    ResetWorkArea(false, false);
    showPanel("TraStep3Pnl");
    ShowStatus(smBusy, QStringLiteral("Performing Transportion Liquid Exchange 1 now."));
    service::RunSequence(service::Exchange1());
    ShowStatus(smWaitReady, QStringLiteral("Transportion Liquid Exchange 1 is completed."));
    retryStepOnError("TraStep3Pnl", "TransPnl");
}

void TFormAdjust::TransCompleteBtnClick()
{
    ResetWorkArea(false, false);
    showPanel("TraStep4Pnl");
    service::RunSequence(service::CarriageOutAgain());
    ShowStatus(smWaitReady, QStringLiteral("Move the carriage to the replacement position."));
    retryStepOnError("TraStep4Pnl", "TraStep3Pnl");
}

void TFormAdjust::CRreturn2BtnClick()
{
    // TraStep4Pnl stays shown while exchange 2 runs.
    ShowStatus(smBusy, QStringLiteral("Performing Transportion Liquid Exchange 2 now."));
    service::RunSequence(service::Exchange2());
    service::RunSequence(service::ExchangeEepromReset(modelRow()));
    platform::clock().sleep(PauseAfterResetMs);
    setExchangeLocked(false);
    ResetWorkArea(false, false);
    showPanel("TraStep0Pnl");
    ShowStatus(smWaitReady, QStringLiteral("Transportion Liquid Exchange 2 is completed."));
    ExchangeDone = true;
}
