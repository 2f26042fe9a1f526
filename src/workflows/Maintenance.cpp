// Protection counter check and clear, head cleaning and initial ink charge: the printer runs
// the two sequences by itself, the window waits until it is ready again.
#include "shell/RidAzidoz.h"

#include "commands/Dazedarovovuri.h"
#include "commands/Zadivavoza.h"
#include "link/Roro4dodu.h"
#include "platform/Platform.h"
#include "records/ServiceRecord.h"
#include "shell/FormControls.h"
#include "ui_RidAzidoz.h"

namespace {

struct PrinterSequence
{
    uint8_t mode;
    const char *item;
    const char *busyText;
    const char *doneText;
};

constexpr PrinterSequence HeadCleaning{ CleaningHead, "head cleaning", "Cleaning the head now.",
                                        "Head cleaning is completed." };
constexpr PrinterSequence InkCharge{ CleaningInitialInkCharge, "initial ink charge",
                                     "Performing Initial Ink Charge now.",
                                     "Initial Ink Charge is completed." };

// Cleaning and ink charge: the printer must be ready before and is waited for after.
void runPrinterSequence(TFormAdjust &window, const PrinterSequence &sequence)
{
    records::Job job(sequence.item);
    if (!window.WaitUntilReady()) {
        window.ShowStatus(smError, QStringLiteral("Printer is error."));
        return;
    }
    window.ShowStatus(smBusy, QString::fromLatin1(sequence.busyText));
    Factory.FactoryCleaning(sequence.mode);
    window.ShowStatus(smWaitReady, QString::fromLatin1(sequence.doneText));
    job.note("completed", PrinterStatus == psReady);
}

} // namespace

void TFormAdjust::ProCounterOKBtnClick()
{
    ResetWorkArea(false, false);
    switch (ui->CounterRdoBtn->itemIndex()) {
    case 0: showPanel("CounterCheckPnl"); break;
    case 1: showPanel("CounterClearPnl"); break;
    }
}

void TFormAdjust::CounterCheckOKBtnClick()
{
    ShowStatus(smPlain, QStringLiteral("Counter value = "));
    const char *counter = Maintenance.ReadProtectionCounter();
    if (Maintenance.LastReadFailed())
        showCommunicationError();
    else
        ShowStatus(smAppend, QString::fromLatin1(counter));
}

void TFormAdjust::CounterCheckRtnBtnClick()
{
    ResetWorkArea(false, false);
    showPanel("CounterPnl");
}

void TFormAdjust::CounterClearOKBtnClick()
{
    const platform::MessageAnswer answer = platform::showMessage(
            platform::MessageKind::Confirmation, "Have you replaced the Waste Ink Pad certainly?",
            platform::MessageButtons::YesNo);
    if (answer != platform::MessageAnswer::Yes) {
        platform::showMessage(platform::MessageKind::Warning, "Please replace the Waste Ink Pad.");
        ResetWorkArea(false, false);
        showPanel("CanvasPnl");
        return;
    }
    records::Job job("protection counter reset");
    if (!Maintenance.ResetProtectionCounter(modelRow())) {
        showCommunicationError();
        return;
    }
    ShowStatus(smPlain, QStringLiteral("The protect counter has been initialized."));
    ui->ShowProCounterPnl->setText(QStringLiteral("Initialized"));
}

void TFormAdjust::CounterClearRtnBtnClick()
{
    ResetWorkArea(false, false);
    showPanel("CounterPnl");
}

void TFormAdjust::CleaningOKBtnClick()
{
    runPrinterSequence(*this, HeadCleaning);
}

void TFormAdjust::ChargeOKBtnClick()
{
    runPrinterSequence(*this, InkCharge);
}
