// Transportation liquid exchange: a chain of seven panels. Each step shows its next panel
// before anything is sent, sends its factory commands and waits for the printer; from the
// first carriage move to the end the technician cannot leave the chain, except by the
// question that follows an error there.
#include "shell/RidAzidoz.h"

#include "commands/ServiceTables.h"
#include "link/Roro4dodu.h"
#include "platform/Platform.h"
#include "records/ServiceRecord.h"
#include "shell/FormControls.h"
#include "ui_RidAzidoz.h"

#include <QPushButton>
#include <QTabWidget>

namespace {

constexpr uint32_t PauseAfterResetMs = 100;
constexpr const char *Item = "transportation liquid exchange";

const char *const LeaveQuestion
        = "The transportation liquid exchange is not finished.\nDo you want to leave it? Nothing "
          "more will be sent to the printer.\nClick No to try this step again.";

} // namespace

void TFormAdjust::setExchangeLocked(bool locked)
{
    for (QWidget *control :
         std::initializer_list<QWidget *>{ AdjustmentTab, MentRdoGrp, AdjustRtnBtn, GetStatusBtn })
        control->setEnabled(!locked);
}

bool TFormAdjust::offerToLeaveExchange(const char *stepPanel)
{
    // A printer that stays in error (a maintenance request, say) can only be mended through the
    // items the lock keeps out of reach: without a way out only killing the program would end
    // the exchange.
    const bool leave = platform::showMessage(platform::MessageKind::Confirmation, LeaveQuestion,
                                             platform::MessageButtons::YesNo)
            == platform::MessageAnswer::Yes;
    if (!leave)
        return false;
    setExchangeLocked(false);
    setEnabled(true);
    hidePanel(panel(stepPanel));
    showPanel("TraStep0Pnl");
    return true;
}

bool TFormAdjust::retryStepOnError(const char *shownPanel, const char *stepPanel)
{
    // The ready poll found an error and said so in red. The step's own panel comes back,
    // with the memo as it is, so that its OK runs the step again once the printer is ready.
    if (PrinterStatus == psReady)
        return false;
    hidePanel(panel(shownPanel));
    showPanel(stepPanel);
    return offerToLeaveExchange(stepPanel);
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
    records::Job job(Item);
    job.note("step", "carriage out");
    ResetWorkArea(false, false);
    showPanel("TraStep2Pnl");
    service::RunSequence(service::CarriageOut());
    ShowStatus(smWaitReady, QStringLiteral("Move the carriage to the replacement position."));
    setExchangeLocked(true);
    if (retryStepOnError("TraStep2Pnl", "TraStep1Pnl"))
        job.note("leftUnfinished", true);
}

void TFormAdjust::CRreturnBtnClick()
{
    records::Job job(Item);
    job.note("step", "carriage home");
    ResetWorkArea(false, false);
    showPanel("TransPnl");
    service::RunSequence(service::CarriageHome());
    ShowStatus(smWaitReady, QStringLiteral("Return the carriage to the home position."));
    if (retryStepOnError("TransPnl", "TraStep2Pnl"))
        job.note("leftUnfinished", true);
}

void TFormAdjust::TransOKBtnClick()
{
    records::Job job(Item);
    job.note("step", "exchange 1");
    ResetWorkArea(false, false);
    showPanel("TraStep3Pnl");
    ShowStatus(smBusy, QStringLiteral("Performing Transportion Liquid Exchange 1 now."));
    service::RunSequence(service::Exchange1());
    ShowStatus(smWaitReady, QStringLiteral("Transportion Liquid Exchange 1 is completed."));
    if (retryStepOnError("TraStep3Pnl", "TransPnl"))
        job.note("leftUnfinished", true);
}

void TFormAdjust::TransCompleteBtnClick()
{
    records::Job job(Item);
    job.note("step", "carriage out again");
    ResetWorkArea(false, false);
    showPanel("TraStep4Pnl");
    service::RunSequence(service::CarriageOutAgain());
    ShowStatus(smWaitReady, QStringLiteral("Move the carriage to the replacement position."));
    if (retryStepOnError("TraStep4Pnl", "TraStep3Pnl"))
        job.note("leftUnfinished", true);
}

void TFormAdjust::CRreturn2BtnClick()
{
    records::Job job(Item);
    job.note("step", "exchange 2 and EEPROM reset");
    // TraStep4Pnl stays shown while exchange 2 runs.
    ShowStatus(smBusy, QStringLiteral("Performing Transportion Liquid Exchange 2 now."));
    const DataDelivery delivery;
    service::RunSequence(service::Exchange2());
    service::RunSequence(service::ExchangeEepromReset(modelRow()));
    platform::clock().sleep(PauseAfterResetMs);
    // Factory commands get no answer. A packet without the printer's credit, or a ready poll
    // the printer does not answer afterwards, means the reset may never have arrived: the
    // exchange is not done, and the close must still reset the printer.
    if (!delivery.complete()) {
        showCommunicationError();
        job.note("done", false);
        if (offerToLeaveExchange("TraStep4Pnl"))
            job.note("leftUnfinished", true);
        return;
    }
    setExchangeLocked(false);
    ResetWorkArea(false, false);
    showPanel("TraStep0Pnl");
    ShowStatus(smWaitReady, QStringLiteral("Transportion Liquid Exchange 2 is completed."));
    if (PrinterStatus != psReady && D4Link.LastExchangeFailed()) {
        showCommunicationError();
        setExchangeLocked(true);
        hidePanel(panel("TraStep0Pnl"));
        showPanel("TraStep4Pnl");
        job.note("done", false);
        if (offerToLeaveExchange("TraStep4Pnl"))
            job.note("leftUnfinished", true);
        return;
    }
    ExchangeDone = true;
    job.note("done", true);
}
