// The status decoder against the virtual printer's replies: the memo text of every state and
// error, the lists and captions it installs, and the ink messages; and the hidden window.
#include "ShellFixture.h"

#include "link/Roro4dodu.h"
#include "shell/FormControls.h"
#include "shell/RidAzidoz.h"
#include "shell/VorAvov.h"
#include "status/InkShape.h"
#include "status/ZedOvovurEduvudo.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QRadioButton>

#include <gmock/gmock.h>

using namespace testsupport;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

namespace {

class StatusDecode : public ShellFixture
{
protected:
    StatusDecode()
    {
        startLink();
        FormAdjust->SetAdjustmentItems(qt(ParallelItems));
        printer.clearReceived();
    }
    void request() { StatusMonitorWindow->RequestStatus(); }
    // The printer reports an error, then the test goes on from the recovery state.
    void enterErrorState()
    {
        printer.state().errorChar = '4';
        request();
        ASSERT_TRUE(FormAdjust->PrinterErrorMode);
        printer.state().errorChar = 0;
    }
    void expectRecoveryState()
    {
        EXPECT_TRUE(FormAdjust->PrinterErrorMode);
        EXPECT_EQ(FormAdjust->AdjustRdoGrp->items(), qt(RecoveryItems));
        EXPECT_EQ(FormAdjust->TabSheet1Caption(), "");
        EXPECT_EQ(FormAdjust->AdjustRdoGrp->title(), "");
        EXPECT_FALSE(FormAdjust->MentRdoGrp->isEnabled());
        EXPECT_FALSE(FormAdjust->A4patRdoBtn->isEnabled());
    }
    void expectReadyState(const std::vector<std::string> &items)
    {
        EXPECT_FALSE(FormAdjust->PrinterErrorMode);
        EXPECT_EQ(FormAdjust->AdjustRdoGrp->items(), qt(items));
        EXPECT_EQ(FormAdjust->TabSheet1Caption(), "Adjustment");
        EXPECT_EQ(FormAdjust->AdjustRdoGrp->title(), "Adjustment items");
        EXPECT_TRUE(FormAdjust->MentRdoGrp->isEnabled());
        EXPECT_TRUE(FormAdjust->A4patRdoBtn->isEnabled());
    }
};

TEST_F(StatusDecode, StatesThatChangeOnlyTheMemoKeepTheRecoveryList)
{
    const struct
    {
        char digit;
        const char *message;
    } states[] = {
        { '1', "Nozzle check pattern printing..." },
        { '2', "Printer is busy." },
        { '3', "Printing..." },
        { '8', "Before initial fill up." },
        { '9', "Motor current off." },
    };
    enterErrorState();
    for (const auto &state : states) {
        SCOPED_TRACE(state.digit);
        printer.state().stateDigit = state.digit;
        request();
        EXPECT_THAT(memoLines(), ElementsAre(state.message));
        expectRecoveryState();
    }
}

TEST_F(StatusDecode, ReadyStateAddsItsLineAndInstallsTheModelList)
{
    FormAdjust->StatusMemo->setPlainText("left over from before");
    request();
    EXPECT_THAT(memoLines(), ElementsAre("Ready to print."));
    expectReadyState(ParallelItems);
    EXPECT_EQ(statusRequests(), 1);
    EXPECT_THAT(platform.cursor.changes, ElementsAre(true, false));
}

TEST_F(StatusDecode, CleaningGivesTwoLines)
{
    enterErrorState();
    printer.state().stateDigit = '7';
    request();
    EXPECT_THAT(memoLines(),
                ElementsAre("The printer is busy cleaning the print head or charging ink.",
                            "Please wait..."));
    expectRecoveryState();
}

TEST_F(StatusDecode, EveryErrorHasItsMessageAndInstallsTheRecoveryList)
{
    const struct
    {
        char character;
        const char *message;
    } errors[] = {
        { '0', "A fatal error has occurred." },
        { '1', "A communication error has occurred." },
        { '4', "Paper is jammed." },
        { '6', "The paper is loaded incorrectly in the Automatic Sheet" },
        { 'B', "A maintenance request error has occured." },
    };
    for (const auto &error : errors) {
        SCOPED_TRACE(error.character);
        request(); // ready again first
        expectReadyState(ParallelItems);
        printer.state().errorChar = error.character;
        request();
        EXPECT_THAT(memoLines(), ElementsAre(error.message));
        expectRecoveryState();
        EXPECT_EQ(StatusMonitorWindow->StatusCode, psError);
        EXPECT_FALSE(StatusMonitorWindow->StatusMonitorD4ModeFuncRdoGrp->isEnabled());
        printer.state().errorChar = 0;
    }
}

TEST_F(StatusDecode, AnErrorBeatsAReadyStateDigit)
{
    printer.faults().statusText = "@BDC ST2\r\nST:04;ER:04;IQ:46505050;\r\n";
    request();
    EXPECT_EQ(PrinterStatus, psReady);
    EXPECT_EQ(StatusMonitorWindow->StatusCode, psError);
    EXPECT_EQ(StatusMonitorWindow->ErrorCode, esPaperJam);
    EXPECT_THAT(memoLines(), ElementsAre("Paper is jammed."));
    expectRecoveryState();
}

TEST_F(StatusDecode, ErrorStateWithoutAnErrorFieldLeavesTheMemoEmpty)
{
    printer.faults().statusText = "@BDC ST2\r\nST:00;IQ:46505050;\r\n";
    FormAdjust->StatusMemo->setPlainText("old text");
    request();
    EXPECT_TRUE(memoText().isEmpty());
    expectRecoveryState();
}

TEST_F(StatusDecode, SilentPrinterIsACommunicationError)
{
    printer.faults().silent = true;
    request();
    EXPECT_THAT(memoLines(), ElementsAre("A communication error has occurred."));
    expectRecoveryState();
    EXPECT_FALSE(platform.cursor.busy);
}

TEST_F(StatusDecode, ReadyAfterAnErrorRestoresTheParallelModel)
{
    pickModelAndPort(0, 0);
    enterErrorState();
    FormAdjust->IndividualModelNameLbl->setText("something else");
    request();
    expectReadyState(ParallelItems);
    EXPECT_EQ(FormAdjust->IndividualModelNameLbl->text(), "Cantra R70PA");
    EXPECT_TRUE(FormAdjust->USBIDGaideLabel->isHidden());
    EXPECT_TRUE(FormAdjust->USBIDGaidePanel->isHidden());
}

TEST_F(StatusDecode, ReadyForAUsbCapableModelShowsTheUsbIdRow)
{
    FormBoot->OverrideModelCode(771);
    enterErrorState();
    request();
    expectReadyState(UsbItems);
    EXPECT_EQ(FormAdjust->AdjustRdoGrp->items().at(3), "USB ID");
    EXPECT_EQ(FormAdjust->IndividualModelNameLbl->text(), "Cantra R50BA");
    EXPECT_FALSE(FormAdjust->USBIDGaideLabel->isHidden());
    EXPECT_FALSE(FormAdjust->USBIDGaidePanel->isHidden());

    // Back to a parallel-only model: the row goes again.
    FormBoot->OverrideModelCode(776);
    request();
    expectReadyState(ParallelItems);
    EXPECT_EQ(FormAdjust->IndividualModelNameLbl->text(), "Cantra R50PA(ESP)");
    EXPECT_TRUE(FormAdjust->USBIDGaideLabel->isHidden());
}

TEST_F(StatusDecode, DecoderKeepsTheMemoColour)
{
    FormAdjust->ShowStatus(smError, "Printer is error.");
    const QColor red = FormAdjust->StatusColour();
    printer.state().errorChar = '6';
    request();
    EXPECT_EQ(FormAdjust->StatusColour(), red);
    EXPECT_EQ(red, QColor(255, 0, 0));
}

// ---- ink messages ----

class InkMessage : public StatusDecode
{
protected:
    void report(char errorChar, std::array<uint8_t, 4> levels, std::vector<int> warnings)
    {
        printer.state().errorChar = errorChar;
        printer.state().inkLevels = levels;
        printer.state().warnings = std::move(warnings);
        request();
    }
    bool shown(QLabel *picture) const { return !picture->isHidden(); }
};

TEST_F(InkMessage, BlackLowOnAReadyPrinter)
{
    report(0, { 0x05, 0x50, 0x50, 0x50 }, { 0 });
    EXPECT_THAT(memoLines(), ElementsAre("Black ink is low.", "Black : N226"));
    EXPECT_EQ(StatusMonitorWindow->BlackInkState, 1);
    EXPECT_EQ(StatusMonitorWindow->ColorInkState, 0);
    EXPECT_TRUE(shown(StatusMonitorWindow->InkLowWarningBlackImg));
    EXPECT_FALSE(shown(StatusMonitorWindow->InkOutWarningBlackImg));
    EXPECT_FALSE(shown(StatusMonitorWindow->InkLowWarningColorImg));
    EXPECT_FALSE(StatusMonitorWindow->StatusMonitorD4ModeFuncRdoGrp->isEnabled());
    // The ready state's list is in force even though its line gave way to the ink message.
    expectReadyState(ParallelItems);
}

TEST_F(InkMessage, ColourLowNamesEachLowColourYellowFirst)
{
    report(0, { 0x46, 0x05, 0x50, 0x05 }, { 1, 3 });
    EXPECT_THAT(memoLines(),
                ElementsAre("Color ink is low.", "Yellow ink is low", "Cyan ink is low",
                            "Color : N227"));
    EXPECT_EQ(StatusMonitorWindow->CyanLow, 1);
    EXPECT_EQ(StatusMonitorWindow->MagentaLow, 0);
    EXPECT_EQ(StatusMonitorWindow->YellowLow, 1);
    EXPECT_TRUE(shown(StatusMonitorWindow->InkLowWarningColorImg));

    report(0, { 0x46, 0x50, 0x05, 0x50 }, { 2 });
    EXPECT_THAT(memoLines(),
                ElementsAre("Color ink is low.", "Magenta ink is low", "Color : N227"));
}

// Each ink alone empty: black blames the black cartridge, any colour the colour one.
TEST_F(InkMessage, InkOutBlamesTheEmptyCartridge)
{
    const std::vector<std::string> black{ "Black ink is out.", "Black : N226",
                                          "Replace the black ink cartridge." };
    const std::vector<std::string> colour{ "Color ink is out.", "Color : N227",
                                           "Replace the color ink cartridge." };
    const struct
    {
        const char *ink;
        std::array<uint8_t, 4> levels;
        bool black;
    } empties[] = { { "black", { 0x00, 0x50, 0x50, 0x50 }, true },
                    { "cyan", { 0x46, 0x00, 0x50, 0x50 }, false },
                    { "magenta", { 0x46, 0x50, 0x00, 0x50 }, false },
                    { "yellow", { 0x46, 0x50, 0x50, 0x00 }, false } };
    for (const auto &empty : empties) {
        SCOPED_TRACE(empty.ink);
        report('5', empty.levels, {});
        EXPECT_THAT(memoLines(), ElementsAreArray(empty.black ? black : colour));
        EXPECT_EQ(StatusMonitorWindow->BlackInkState, empty.black ? 2 : 0);
        EXPECT_EQ(StatusMonitorWindow->ColorInkState, empty.black ? 0 : 2);
        EXPECT_EQ(shown(StatusMonitorWindow->InkOutWarningBlackImg), empty.black);
        EXPECT_EQ(shown(StatusMonitorWindow->InkOutWarningColorImg), !empty.black);
        expectRecoveryState();
    }
}

TEST_F(InkMessage, InkOutWithBothOrNeitherEmptyBlamesBoth)
{
    const std::vector<std::string> both{ "The black and color inks are out.", "Black : N226",
                                         "Color : N227",
                                         "Replace the black and color ink cartridges." };
    report('5', { 0x00, 0x50, 0x50, 0x00 }, {});
    EXPECT_THAT(memoLines(), ElementsAreArray(both));
    report('5', { 0x10, 0x20, 0x30, 0x40 }, {});
    EXPECT_THAT(memoLines(), ElementsAreArray(both));
    EXPECT_TRUE(shown(StatusMonitorWindow->InkOutWarningBlackImg));
    EXPECT_TRUE(shown(StatusMonitorWindow->InkOutWarningColorImg));
    expectRecoveryState();
}

TEST_F(InkMessage, InkOutWinsOverALowWarningOfTheSameKind)
{
    // Black is empty and reported low as well: "out" is what counts; the message comes once
    // even though both the error and the warning call for it.
    report('5', { 0x00, 0x50, 0x50, 0x50 }, { 0 });
    EXPECT_THAT(
            memoLines(),
            ElementsAre("Black ink is out.", "Black : N226", "Replace the black ink cartridge."));
}

// Both kinds at once: each tells its own lines, black first, instead of an empty memo.
TEST_F(InkMessage, BlackAndColourTogetherTellBoth)
{
    report(0, { 0x05, 0x50, 0x05, 0x50 }, { 0, 2 });
    EXPECT_THAT(memoLines(),
                ElementsAre("Black ink is low.", "Black : N226", "Color ink is low.",
                            "Magenta ink is low", "Color : N227"));
    EXPECT_TRUE(shown(StatusMonitorWindow->InkLowWarningBlackImg));
    EXPECT_TRUE(shown(StatusMonitorWindow->InkLowWarningColorImg));

    report('5', { 0x00, 0x50, 0x50, 0x08 }, { 3 });
    EXPECT_THAT(memoLines(),
                ElementsAre("Black ink is out.", "Black : N226", "Replace the black ink cartridge.",
                            "Color ink is low.", "Yellow ink is low", "Color : N227"));
    EXPECT_TRUE(shown(StatusMonitorWindow->InkOutWarningBlackImg));
    EXPECT_TRUE(shown(StatusMonitorWindow->InkLowWarningColorImg));
}

TEST_F(InkMessage, NoWarningAndNoInkOutAddsNothing)
{
    report(0, { 0x00, 0x00, 0x00, 0x00 }, {});
    EXPECT_THAT(memoLines(), ElementsAre("Ready to print."));
    EXPECT_TRUE(StatusMonitorWindow->InkOutWarningBlackImg->isHidden());
    EXPECT_TRUE(StatusMonitorWindow->InkOutWarningColorImg->isHidden());
    EXPECT_TRUE(StatusMonitorWindow->StatusMonitorD4ModeFuncRdoGrp->isEnabled());
}

// ---- the window ----

TEST_F(StatusDecode, MonitorWindowIsBuiltHiddenAndResetsItsIndicators)
{
    TStatusMonitorWindow fresh;
    EXPECT_FALSE(fresh.isVisible());
    EXPECT_EQ(fresh.windowTitle(), "Status Monitor Window : ");
    EXPECT_EQ(fresh.size(), QSize(577, 189));
    EXPECT_EQ(fresh.palette().color(QPalette::Window), QColor(197, 198, 197));
    EXPECT_EQ(fresh.StatusCode, 0);
    EXPECT_EQ(fresh.ErrorCode, 0);
    EXPECT_EQ(fresh.StatusMonitorD4ModeFuncRdoGrp->items(),
              QStringList({ "Execute Head Cleaning", "Print Nozzle Check Pattern",
                            "Exchange Ink Cartridge", "Reset the Printer",
                            "Check the Protection counter" }));
    EXPECT_EQ(fresh.StatusMonitorD4ModeFuncRdoGrp->geometry(), QRect(320, 0, 250, 145));
    EXPECT_EQ(fresh.InkShellMagentaShp->geometry(), QRect(231, 17, 22, 52));
    EXPECT_EQ(fresh.InkShellMagentaShp->parentWidget(), fresh.StatusMonitorGrpBox);
    EXPECT_TRUE(fresh.ExchangeInkCartridgeRdoGrp->isHidden());
    EXPECT_TRUE(fresh.EepromParameterRdoGrp->isHidden());
    EXPECT_EQ(fresh.InkOutWarningBlackImg->pixmap().size(), QSize(30, 30));
    EXPECT_EQ(fresh.InkLowWarningColorImg->pixmap().size(), QSize(31, 30));
    for (TInkShape *gauge : { fresh.InkLevelBlackShp, fresh.InkLevelCyanShp,
                              fresh.InkLevelMagentaShp, fresh.InkLevelYellowShp })
        EXPECT_EQ(gauge->height(), 0);

    fresh.StatusMonitorD4ModeFuncRdoGrp->setItemIndex(2);
    fresh.ExchangeInkCartridgeRdoGrp->show();
    fresh.ExchangeInkCartridgeRdoGrp->setEnabled(false);
    fresh.InkLowWarningBlackImg->show();
    FormAdjust->StatusMemo->setPlainText("to be cleared");
    fresh.ResetMonitor(2);
    EXPECT_TRUE(memoText().isEmpty());
    EXPECT_EQ(fresh.StatusMonitorD4ModeFuncRdoGrp->itemIndex(), -1);
    EXPECT_FALSE(fresh.StatusMonitorD4ModeFuncRdoGrp->isEnabled());
    EXPECT_FALSE(fresh.StatusMonitorD4ModeFuncRdoGrp->isHidden());
    EXPECT_TRUE(fresh.ExchangeInkCartridgeRdoGrp->isHidden());
    EXPECT_TRUE(fresh.ExchangeInkCartridgeRdoGrp->isEnabled());
    EXPECT_TRUE(fresh.InkLowWarningBlackImg->isHidden());
    fresh.ResetMonitor(0);
    EXPECT_TRUE(fresh.StatusMonitorD4ModeFuncRdoGrp->isEnabled());
}

TEST_F(StatusDecode, TheProgramsMonitorWindowIsNeverVisible)
{
    request();
    EXPECT_FALSE(StatusMonitorWindow->isVisible());
}

} // namespace
