// The adjustment window against the in-process virtual printer: item routing, panel moves,
// the status memo and its waits, the close sequence on the wire.

#include "WorkflowFixture.h"

#include "shell/DovIvid.h"
#include "shell/FormControls.h"
#include "shell/RidAzidoz.h"
#include "shell/VorAvov.h"
#include "status/ZedOvovurEduvudo.h"

#include "link/Roro4dodu.h"
#include "link/Vuviredorizaduzu.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>

#include <gmock/gmock.h>

#include <string>
#include <tuple>
#include <vector>

using namespace testsupport;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::Not;

namespace {

class AdjustWindow : public Workflow
{
protected:
    AdjustWindow()
    {
        FormBoot->OverrideModelCode(770);
        window->SetAdjustmentItems(qt(ParallelItems));
        window->show();
    }

    void pick(const char *group, int index)
    {
        TRadioGroup *radio = control<TRadioGroup>(group);
        ASSERT_NE(radio->button(index), nullptr) << group << " " << index;
        radio->button(index)->click();
    }
    void pressKey(int key)
    {
        QWidget *target = QApplication::focusWidget() ? QApplication::focusWidget() : window;
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &press);
    }

    TFormAdjust *const window = FormAdjust;
};

// ---- item routing ----

struct Route
{
    int index;
    const char *panel;
};

TEST_F(AdjustWindow, StartsWithTheBlankWorkAreaAndNothingSelected)
{
    EXPECT_EQ(window->windowTitle(), "Individual Adjustment Program");
    EXPECT_EQ(window->size(), QSize(815, 405));
    EXPECT_THAT(visiblePanels(), ElementsAre("CanvasPnl"));
    EXPECT_EQ(window->AdjustRdoGrp->itemIndex(), -1);
    EXPECT_EQ(window->MentRdoGrp->itemIndex(), -1);
    EXPECT_FALSE(window->A4patRdoBtn->isChecked());
    EXPECT_EQ(window->AdjustmentTab->currentWidget(), window->TabSheet1);
    EXPECT_EQ(window->BidPrintCount, 1);
    EXPECT_FALSE(window->ExchangeDone);
    EXPECT_FALSE(window->PrinterErrorMode);
    EXPECT_TRUE(window->DisableTimer->isActive());
    EXPECT_EQ(window->DisableTimer->interval(), 1000);
    EXPECT_EQ(window->MentRdoGrp->items(), qt(MaintenanceItems));
}

TEST_F(AdjustWindow, RegionsPanelsAndFontsSitWhereTheLayoutPutsThem)
{
    const struct
    {
        const char *name;
        QRect geometry;
    } regions[]
            = { { "TabPanel", { 5, 5, 240, 296 } },      { "StatusMemo", { 253, 307, 413, 94 } },
                { "ReturnPnl", { 5, 307, 240, 94 } },    { "Panel8", { 673, 5, 138, 396 } },
                { "AdjustRtnBtn", { 40, 359, 62, 27 } }, { "GetStatusBtn", { 128, 359, 81, 27 } } };
    for (const auto &region : regions)
        EXPECT_EQ(control(region.name)->geometry(), region.geometry) << region.name;
    for (const QString &name : TFormAdjust::PanelNames()) {
        const QWidget *panel = window->findChild<QWidget *>(name);
        EXPECT_EQ(panel->geometry(), QRect(253, 5, 413, name == "EepromGridPnl" ? 396 : 296))
                << name.toStdString();
    }
    EXPECT_EQ(window->font().family(), "Arial");
    EXPECT_EQ(window->font().pixelSize(), 11);
    // Everything without a size of its own, the items of the lists included, has the window's.
    for (const QWidget *item : { static_cast<QWidget *>(window->AdjustRdoGrp->button(0)),
                                 static_cast<QWidget *>(window->MentRdoGrp->button(0)),
                                 static_cast<QWidget *>(window->A4patRdoBtn) }) {
        EXPECT_EQ(item->font().family(), "Arial") << item->objectName().toStdString();
        EXPECT_EQ(item->font().pixelSize(), 11) << item->objectName().toStdString();
    }
    EXPECT_EQ(window->StatusMemo->font().pixelSize(), 17);
    EXPECT_TRUE(window->StatusMemo->isReadOnly());
    EXPECT_EQ(window->IndividualModelNameLbl->text(), "Model Name");
    EXPECT_EQ(window->IndividualModelNameLbl->font().pixelSize(), 19);
    EXPECT_EQ(window->IndividualModelNameLbl->palette().color(QPalette::WindowText),
              QColor(255, 0, 0));
    EXPECT_EQ(window->AdjustmentTab->tabText(2), "Print A4 pattern");
    EXPECT_EQ(window->A4patRdoBtn->text(), "A4 pattern will print");
    EXPECT_EQ(control<QLabel>("Label69")->text(), "Adjusted Item");
    EXPECT_EQ(control<QLabel>("ShowMs1Pnl")->palette().color(QPalette::WindowText),
              QColor(0, 0, 255));
    for (const char *title : { "DefaultSetTitleLbl", "BidWrtTitleLbl", "TraStep0TitleLbl" }) {
        const QLabel *label = control<QLabel>(title);
        EXPECT_EQ(label->font().pixelSize(), 21) << title;
        EXPECT_TRUE(label->font().italic()) << title;
        EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(128, 0, 0)) << title;
    }
    EXPECT_EQ(control<QLabel>("BidWrtTitleLbl")->text(), "Bi-d Adjust ");
    EXPECT_EQ(control<QLabel>("TraStep0TitleLbl")->text(), "Transportation Liquid Exchange ");
    EXPECT_EQ(control<QPushButton>("MainRtnBtn")->text(), "Previos");
    EXPECT_FALSE(window->USBIDGaidePanel->isVisibleTo(window));
}

TEST_F(AdjustWindow, RoutesEachListInForceToItsPanels)
{
    const struct
    {
        const char *list;
        uint16_t model;
        bool errorMode;
        QStringList items;
        std::vector<Route> routes;
    } cases[] = {
        { "parallel-only",
          772,
          false,
          qt(ParallelItems),
          { { 0, "DefaultSetPnl" },
            { 1, "HdVolPnl" },
            { 2, "BidPnl" },
            { 3, "TopMarginMainPnl" } } },
        { "USB-capable",
          771,
          false,
          qt(UsbItems),
          { { 0, "DefaultSetPnl" },
            { 1, "HdVolPnl" },
            { 2, "BidPnl" },
            { 3, "UsbIdPnl" },
            { 4, "TopMarginMainPnl" } } },
        // The recovery list wins over the model, whatever it is.
        { "recovery",
          771,
          true,
          qt(RecoveryItems),
          { { 0, "DefaultSetPnl" },
            { 1, "CounterPnl" },
            { 2, "EepromCheckPnl" },
            { 3, "EepromBackupPnl" } } },
        { "recovery",
          770,
          true,
          qt(RecoveryItems),
          { { 0, "DefaultSetPnl" },
            { 1, "CounterPnl" },
            { 2, "EepromCheckPnl" },
            { 3, "EepromBackupPnl" } } },
    };
    for (const auto &list : cases) {
        FormBoot->OverrideModelCode(list.model);
        window->PrinterErrorMode = list.errorMode;
        window->SetAdjustmentItems(list.items);
        for (const Route &route : list.routes) {
            SCOPED_TRACE(std::string(list.list) + " item " + std::to_string(route.index));
            choose("MentRdoGrp", 2);
            window->A4patRdoBtn->setChecked(true);
            window->BidPrintCount = 3;
            window->StatusMemo->setPlainText("old text");
            pick("AdjustRdoGrp", route.index);
            EXPECT_THAT(visiblePanels(), ElementsAre(route.panel));
            EXPECT_EQ(window->AdjustRdoGrp->itemIndex(), route.index);
            EXPECT_EQ(window->MentRdoGrp->itemIndex(), -1);
            EXPECT_FALSE(window->A4patRdoBtn->isChecked());
            EXPECT_EQ(window->BidPrintCount, 1);
            EXPECT_EQ(memoText(), "");
        }
        choose("AdjustRdoGrp", -1);
    }
}

TEST_F(AdjustWindow, RoutesMaintenanceItemsAndClearsTheAdjustmentList)
{
    const Route routes[]
            = { { 0, "CleaningPnl" }, { 1, "ChargePnl" },      { 2, "TraStep0Pnl" },
                { 3, "CounterPnl" },  { 4, "EepromCheckPnl" }, { 5, "EepromBackupPnl" } };
    for (const Route &route : routes) {
        SCOPED_TRACE(route.panel);
        choose("AdjustRdoGrp", 1);
        window->A4patRdoBtn->setChecked(true);
        window->BidPrintCount = 2;
        pick("MentRdoGrp", route.index);
        EXPECT_THAT(visiblePanels(), ElementsAre(route.panel));
        EXPECT_EQ(window->AdjustRdoGrp->itemIndex(), -1);
        EXPECT_FALSE(window->A4patRdoBtn->isChecked());
        EXPECT_EQ(window->BidPrintCount, 1);
    }
}

TEST_F(AdjustWindow, ClickOnTheSelectedItemLeavesThePanelOfTheItem)
{
    pick("AdjustRdoGrp", 1);
    click("HdVolOKBtn");
    ASSERT_THAT(visiblePanels(), ElementsAre("HdVolCheckPnl"));
    pick("AdjustRdoGrp", 1);
    EXPECT_THAT(visiblePanels(), ElementsAre("HdVolCheckPnl"));
}

TEST_F(AdjustWindow, A4ButtonShowsItsPanelWithTheLineCaptionsOfTheModel)
{
    QLabel *sixth = control<QLabel>("No6LabelName");
    QLabel *seventh = control<QLabel>("No7LabelName");
    for (const uint16_t code : { 770, 772, 774, 776 }) {
        SCOPED_TRACE(code);
        FormBoot->OverrideModelCode(code);
        choose("AdjustRdoGrp", 0);
        choose("MentRdoGrp", 3);
        window->A4patRdoBtn->setChecked(false);
        window->BidPrintCount = 3;
        window->A4patRdoBtn->click();
        EXPECT_THAT(visiblePanels(), ElementsAre("A4CheckPrnPnl"));
        EXPECT_EQ(sixth->text(), "6. Ink waste pad counter value ");
        EXPECT_FALSE(seventh->isVisibleTo(window));
        EXPECT_EQ(window->AdjustRdoGrp->itemIndex(), -1);
        EXPECT_EQ(window->MentRdoGrp->itemIndex(), -1);
        EXPECT_EQ(window->BidPrintCount, 1);
    }
    for (const uint16_t code : { 769, 771, 773, 775 }) {
        SCOPED_TRACE(code);
        FormBoot->OverrideModelCode(code);
        window->A4patRdoBtn->setChecked(false);
        window->A4patRdoBtn->click();
        EXPECT_EQ(sixth->text(), "6. USB ID ");
        EXPECT_EQ(seventh->text(), "7. Ink waste pad counter value ");
        EXPECT_TRUE(seventh->isVisibleTo(window));
    }
    // A click on the checked button keeps it checked and does not start over.
    window->StatusMemo->setPlainText("kept");
    window->A4patRdoBtn->click();
    EXPECT_TRUE(window->A4patRdoBtn->isChecked());
    EXPECT_EQ(memoText(), "kept");
}

TEST_F(AdjustWindow, TabChangeClearsMemoSelectionsAndWorkArea)
{
    pick("AdjustRdoGrp", 2);
    click("BidOKBtn");
    window->StatusMemo->setPlainText("Bi-d pattern print is completed.");
    window->AdjustmentTab->setCurrentWidget(window->TabSheet2);
    EXPECT_THAT(visiblePanels(), ElementsAre("CanvasPnl"));
    EXPECT_EQ(memoText(), "");
    EXPECT_EQ(window->AdjustRdoGrp->itemIndex(), -1);

    pick("MentRdoGrp", 0);
    window->AdjustmentTab->setCurrentWidget(window->Tabsheet3);
    EXPECT_EQ(window->MentRdoGrp->itemIndex(), -1);
    window->A4patRdoBtn->click();
    window->StatusMemo->setPlainText("text");
    window->AdjustmentTab->setCurrentWidget(window->TabSheet1);
    EXPECT_FALSE(window->A4patRdoBtn->isChecked());
    EXPECT_THAT(visiblePanels(), ElementsAre("CanvasPnl"));
    EXPECT_EQ(memoText(), "");
}

// ---- panel moves ----

TEST_F(AdjustWindow, EveryPanelMoveLeadsToItsTarget)
{
    // The steps of the liquid exchange talk to the printer on their way.
    startLink();
    const struct
    {
        const char *from;
        const char *group; // radio group to set first, or null
        int index;
        const char *button;
        const char *to;
        bool keepsMemo = false;
        const char *report = ""; // what the step says in the memo once it is done
    } moves[] = {
        { "HdVolPnl", "HdVolRdoBtn", 0, "HdVolOKBtn", "HdVolCheckPnl" },
        { "HdVolPnl", "HdVolRdoBtn", 1, "HdVolOKBtn", "HdVolWrtPnl" },
        { "HdVolCheckPnl", nullptr, 0, "HdVolCheckRtnBtn", "HdVolPnl" },
        { "HdVolWrtPnl", nullptr, 0, "HdVolWrtRtnBtn", "HdVolPnl" },
        { "BidPnl", "BidRdoBtn", 0, "BidOKBtn", "BidPrnPnl" },
        { "BidPnl", "BidRdoBtn", 1, "BidOKBtn", "BidWrtSelPnl" },
        { "BidPnl", "BidRdoBtn", 2, "BidOKBtn", "BidCheckPnl" },
        { "BidPrnPnl", nullptr, 0, "BidPrnRtnBtn", "BidPnl" },
        { "BidWrtSelPnl", nullptr, 0, "BidWrtSelOKBtn", "BidWrtPnl" },
        { "BidWrtSelPnl", nullptr, 0, "BidWrtSelRtnBtn", "BidPnl" },
        { "BidWrtPnl", nullptr, 0, "BidWrtRtnBtn", "BidWrtSelPnl" },
        { "BidCheckPnl", nullptr, 0, "BidCheckRtnBtn", "BidPnl" },
        { "UsbIdPnl", "UsbIdRdoBtn", 0, "UsbIdOKBtn", "UsbIdInputPnl", true },
        { "UsbIdInputPnl", nullptr, 0, "UsbIdInputRtnBtn", "UsbIdPnl" },
        { "TopMarginMainPnl", "TopMarginRdoGrp", 1, "TopMarginMainBtn", "TopMarginPnl" },
        { "TopMarginPnl", nullptr, 0, "TopMarginRtnBtn", "TopMarginMainPnl" },
        { "CounterPnl", "CounterRdoBtn", 0, "ProCounterOKBtn", "CounterCheckPnl" },
        { "CounterPnl", "CounterRdoBtn", 1, "ProCounterOKBtn", "CounterClearPnl" },
        { "CounterCheckPnl", nullptr, 0, "CounterCheckRtnBtn", "CounterPnl" },
        { "CounterClearPnl", nullptr, 0, "CounterClearRtnBtn", "CounterPnl" },
        { "EepromCheckPnl", "EepromCheckRdoGrp", 0, "EepromCheckOkBtn", "EepromReadPnl" },
        { "EepromCheckPnl", "EepromCheckRdoGrp", 1, "EepromCheckOkBtn", "EepromWritePnl" },
        { "EepromReadPnl", nullptr, 0, "EepromReadRtnBtn", "EepromCheckPnl" },
        { "EepromGridPnl", nullptr, 0, "EepromGridRtnBtn", "EepromReadPnl" },
        { "EepromWritePnl", nullptr, 0, "EepromWriteRtnBtn", "EepromCheckPnl" },
        { "TraStep0Pnl", "MessageSelectRdoGrp", 0, "MessageOKBtn", "TraStep1Pnl" },
        { "TraStep0Pnl", "MessageSelectRdoGrp", 1, "MessageOKBtn", "NotePnl" },
        { "NotePnl", nullptr, 0, "MainRtnBtn", "TraStep0Pnl" },
        { "TraStep1Pnl", nullptr, 0, "CRmoveBtn", "TraStep2Pnl", false,
          "Move the carriage to the replacement position." },
        { "TraStep2Pnl", nullptr, 0, "CRreturnBtn", "TransPnl", false,
          "Return the carriage to the home position." },
        { "TransPnl", nullptr, 0, "TransOKBtn", "TraStep3Pnl", false,
          "Transportion Liquid Exchange 1 is completed." },
        { "TraStep3Pnl", nullptr, 0, "TransCompleteBtn", "TraStep4Pnl", false,
          "Move the carriage to the replacement position." },
        { "TraStep4Pnl", nullptr, 0, "CRreturn2Btn", "TraStep0Pnl", false,
          "Transportion Liquid Exchange 2 is completed." },
    };
    for (const auto &move : moves) {
        SCOPED_TRACE(std::string(move.from) + " " + move.button);
        window->ShowPanelForScreenshot(move.from);
        if (move.group)
            choose(move.group, move.index);
        window->StatusMemo->setPlainText("message of the last step");
        QApplication::setActiveWindow(window); // the focus moves only in the active window
        control(move.button)->setFocus(); // as a mouse click or Tab leaves it
        click(move.button);
        EXPECT_THAT(visiblePanels(), ElementsAre(move.to));
        // The button went with its panel; had the focus passed on to "Quit" or "Get status",
        // the next Enter would close the link or ask for the status instead of the new
        // panel's own default.
        EXPECT_NE(window->focusWidget(), window->AdjustRtnBtn);
        EXPECT_NE(window->focusWidget(), window->GetStatusBtn);
        EXPECT_EQ(memoText(), move.keepsMemo ? "message of the last step" : move.report);
        EXPECT_TRUE(window->StatusMemo->isVisibleTo(window));
        EXPECT_EQ(window->StatusMemo->geometry(), QRect(253, 307, 413, 94));
    }
}

TEST_F(AdjustWindow, InputUsbIdKeepsTheMemoText)
{
    window->ShowPanelForScreenshot("UsbIdPnl");
    choose("UsbIdRdoBtn", 0);
    window->ShowStatus(smError, "Invalid USB ID");
    click("UsbIdOKBtn");
    EXPECT_THAT(visiblePanels(), ElementsAre("UsbIdInputPnl"));
    EXPECT_EQ(memoText(), "Invalid USB ID");
    // The memo keeps its text, yet the colour goes back to black like every reset.
    EXPECT_EQ(window->StatusColour(), QColor(0, 0, 0));
    EXPECT_EQ(window->focusWidget(), control("UsbIdInputEdit"));
}

TEST_F(AdjustWindow, PanelMovesSetTheirFieldsAndFocus)
{
    window->BidPrintCount = 2;
    window->ShowPanelForScreenshot("BidPnl");
    choose("BidRdoBtn", 0);
    click("BidOKBtn");
    EXPECT_EQ(control<QLabel>("BidPrnCountLbl")->text(), "2 times");
    window->BidPrintCount = 1;
    click("BidPrnRtnBtn");
    click("BidOKBtn");
    EXPECT_EQ(control<QLabel>("BidPrnCountLbl")->text(), "1 time");

    window->ShowPanelForScreenshot("BidPnl");
    choose("BidRdoBtn", 1);
    choose("BidWrtSelRdoGrp", 2);
    click("BidOKBtn");
    EXPECT_EQ(control<TRadioGroup>("BidWrtSelRdoGrp")->itemIndex(), 0);
    click("BidWrtSelOKBtn");
    EXPECT_EQ(window->focusWidget(), control("BidWrtEdit"));
    control<QLineEdit>("BidWrtEdit")->setText("-12");
    click("BidWrtRtnBtn");
    EXPECT_EQ(control<QLineEdit>("BidWrtEdit")->text(), "0");

    window->ShowPanelForScreenshot("TopMarginMainPnl");
    control<QLineEdit>("TopMarginEdit")->setText("15");
    choose("TopMarginRdoGrp", 1);
    click("TopMarginMainBtn");
    EXPECT_EQ(control<QLineEdit>("TopMarginEdit")->text(), "0");

    window->ShowPanelForScreenshot("HdVolPnl");
    choose("HdVolRdoBtn", 1);
    click("HdVolOKBtn");
    EXPECT_EQ(window->focusWidget(), control("HdVolWrtEdit"));

    window->ShowPanelForScreenshot("UsbIdInputPnl");
    control<QLineEdit>("UsbIdInputEdit")->setText("ABC1234567");
    click("UsbIdInputRtnBtn");
    EXPECT_EQ(control<QLineEdit>("UsbIdInputEdit")->text(), "");

    for (const auto &[choice, first, second] :
         { std::tuple{ 0, "EepReadBegEdit", "EepReadEndEdit" },
           std::tuple{ 1, "EepWriteAddEdit", "EepWriteDataEdit" } }) {
        window->ShowPanelForScreenshot("EepromCheckPnl");
        control<QLineEdit>(first)->setText("10");
        control<QLineEdit>(second)->setText("2F");
        choose("EepromCheckRdoGrp", choice);
        click("EepromCheckOkBtn");
        EXPECT_EQ(control<QLineEdit>(first)->text(), "");
        EXPECT_EQ(control<QLineEdit>(second)->text(), "");
        EXPECT_EQ(window->focusWidget(), control(first));
    }

    // Back from the grid the range is still there for another read.
    control<QLineEdit>("EepReadBegEdit")->setText("7D");
    window->ShowPanelForScreenshot("EepromGridPnl");
    EXPECT_FALSE(window->StatusMemo->isVisibleTo(window));
    click("EepromGridRtnBtn");
    EXPECT_EQ(control<QLineEdit>("EepReadBegEdit")->text(), "7D");
    EXPECT_TRUE(window->StatusMemo->isVisibleTo(window));
    EXPECT_EQ(window->focusWidget(), control("EepReadBegEdit"));
}

TEST_F(AdjustWindow, NoteAndBackKeepTheLastAnswer)
{
    window->ShowPanelForScreenshot("TraStep0Pnl");
    choose("MessageSelectRdoGrp", 1);
    click("MessageOKBtn");
    click("MainRtnBtn");
    EXPECT_THAT(visiblePanels(), ElementsAre("TraStep0Pnl"));
    EXPECT_EQ(control<TRadioGroup>("MessageSelectRdoGrp")->itemIndex(), 1);
}

TEST_F(AdjustWindow, EscapeGoesBackOnlyWherePreviousIsACancelButton)
{
    window->ShowPanelForScreenshot("HdVolCheckPnl");
    pressKey(Qt::Key_Escape);
    EXPECT_THAT(visiblePanels(), ElementsAre("HdVolPnl"));

    window->ShowPanelForScreenshot("EepromGridPnl");
    pressKey(Qt::Key_Return);
    EXPECT_THAT(visiblePanels(), ElementsAre("EepromReadPnl"));

    window->ShowPanelForScreenshot("BidPnl");
    choose("BidRdoBtn", 2);
    pressKey(Qt::Key_Enter);
    EXPECT_THAT(visiblePanels(), ElementsAre("BidCheckPnl"));

    for (const char *button : { "UsbIdInputRtnBtn", "TopMarginRtnBtn" })
        EXPECT_FALSE(control(button)->property("cancel").toBool()) << button;
    for (const char *button :
         { "HdVolCheckRtnBtn", "HdVolWrtRtnBtn", "BidPrnRtnBtn", "BidWrtSelRtnBtn", "BidWrtRtnBtn",
           "BidCheckRtnBtn", "CounterCheckRtnBtn", "CounterClearRtnBtn", "EepromReadRtnBtn",
           "EepromWriteRtnBtn", "EepromGridRtnBtn", "AdjustRtnBtn", "GetStatusBtn" })
        EXPECT_TRUE(control(button)->property("cancel").toBool()) << button;
}

// Enter presses the focused button, so "Previous" goes back instead of doing the panel's
// work; with the focus anywhere else on the panel OK takes it. Both with "Previous" as a
// cancel button and without.
TEST_F(AdjustWindow, EnterPressesTheFocusedButtonOtherwiseOk)
{
    const struct
    {
        const char *panel;
        const char *previous;
        const char *backTo;
    } panels[] = {
        { "BidPrnPnl", "BidPrnRtnBtn", "BidPnl" },
        { "CounterClearPnl", "CounterClearRtnBtn", "CounterPnl" },
        { "EepromWritePnl", "EepromWriteRtnBtn", "EepromCheckPnl" },
        { "TopMarginPnl", "TopMarginRtnBtn", "TopMarginMainPnl" },
        { "UsbIdInputPnl", "UsbIdInputRtnBtn", "UsbIdPnl" },
    };
    for (const auto &p : panels) {
        window->ShowPanelForScreenshot(p.panel);
        control(p.previous)->setFocus();
        ASSERT_EQ(window->focusWidget(), control(p.previous)) << p.panel;
        pressKey(Qt::Key_Return);
        EXPECT_THAT(visiblePanels(), ElementsAre(p.backTo)) << p.panel;
    }
    EXPECT_TRUE(sent().all().empty()) << "nothing was printed, written or cleared";

    window->ShowPanelForScreenshot("BidPnl");
    pick("BidRdoBtn", 2);
    control<TRadioGroup>("BidRdoBtn")->button(2)->setFocus();
    pressKey(Qt::Key_Enter);
    EXPECT_THAT(visiblePanels(), ElementsAre("BidCheckPnl"));
}

// Enter on a panel's OK, and Enter again on the panel it led to: the second goes to that
// panel's default, never to the window's "Quit".
TEST_F(AdjustWindow, EnterAfterEnterGoesToTheNextPanelsDefault)
{
    startLink();
    window->ShowPanelForScreenshot("CounterPnl");
    choose("CounterRdoBtn", 0);
    QApplication::setActiveWindow(window);
    control("ProCounterOKBtn")->setFocus();
    pressKey(Qt::Key_Return);
    ASSERT_THAT(visiblePanels(), ElementsAre("CounterCheckPnl"));
    pressKey(Qt::Key_Return);
    EXPECT_THAT(visiblePanels(), ElementsAre("CounterCheckPnl"));
    EXPECT_EQ(memoText(), "Counter value = 65535"); // the cells of a blank board
    EXPECT_THAT(sent().controlCommands(), Not(Contains("rs"))) << "the printer was not reset";
}

// ---- controls ----

TEST_F(AdjustWindow, EditBoxesLimitLengthAndTurnLettersToCapitals)
{
    const struct
    {
        const char *edit;
        int length;
        bool upper;
    } edits[] = { { "HdVolWrtEdit", 6, true },    { "UsbIdInputEdit", 10, false },
                  { "BidWrtEdit", 3, false },     { "TopMarginEdit", 4, false },
                  { "EepReadBegEdit", 2, true },  { "EepReadEndEdit", 2, true },
                  { "EepWriteAddEdit", 2, true }, { "EepWriteDataEdit", 2, true } };
    for (const auto &e : edits) {
        SCOPED_TRACE(e.edit);
        type(e.edit, "azaaaeqwertyu");
        EXPECT_EQ(text(e.edit),
                  e.upper ? QString("AZAAAEQWERTYU").left(e.length)
                          : QString("azaaaeqwertyu").left(e.length));
    }
    EXPECT_EQ(control<QLineEdit>("BidWrtEdit")->maxLength(), 3);
}

TEST_F(AdjustWindow, UpDownStepsTheEditNumberWithinItsRange)
{
    auto *bid = control<TUpDown>("UpDown1");
    auto *bidEdit = control<QLineEdit>("BidWrtEdit");
    EXPECT_EQ(bidEdit->text(), "0");
    bidEdit->setText("55");
    bid->step(1);
    EXPECT_EQ(bidEdit->text(), "56");
    bid->step(1);
    EXPECT_EQ(bidEdit->text(), "56");
    bidEdit->setText("-56");
    bid->step(-1);
    EXPECT_EQ(bidEdit->text(), "-56");
    // A text that is no number steps from where the arrows last were.
    bidEdit->setText("x");
    bid->step(1);
    EXPECT_EQ(bidEdit->text(), "-55");

    auto *margin = control<TUpDown>("TopMarginUpDown");
    EXPECT_EQ(margin->minimum(), -40);
    EXPECT_EQ(margin->maximum(), 40);
    control<QLineEdit>("TopMarginEdit")->setText("200");
    margin->step(-1);
    EXPECT_EQ(control<QLineEdit>("TopMarginEdit")->text(), "40");
}

TEST_F(AdjustWindow, GridHeadersAreFilledAtCreation)
{
    auto *grid = control<QTableWidget>("EepromStrGrid");
    ASSERT_EQ(grid->rowCount(), 17);
    ASSERT_EQ(grid->columnCount(), 17);
    const QString digits = "0123456789ABCDEF";
    for (int i = 1; i <= 16; ++i) {
        EXPECT_EQ(grid->item(0, i)->text(), digits.mid(i - 1, 1));
        EXPECT_EQ(grid->item(i, 0)->text(), digits.mid(i - 1, 1));
    }
    EXPECT_EQ(grid->item(0, 0)->text(), "");
    EXPECT_EQ(grid->item(8, 8)->text(), "");
    EXPECT_EQ(grid->columnWidth(5), 22);
    EXPECT_EQ(grid->rowHeight(5), 18);
    EXPECT_EQ(control("EepromGridPnl")->geometry(), QRect(253, 5, 413, 396));
}

TEST(RadioGroup, RebuildingItemsLeavesNoSelection)
{
    TRadioGroup group;
    group.setObjectName("Group");
    std::vector<int> clicks;
    QObject::connect(&group, &TRadioGroup::itemClicked,
                     [&](int index) { clicks.push_back(index); });
    group.setItems({ "a", "b", "c" });
    EXPECT_EQ(group.itemIndex(), -1);
    group.button(2)->click();
    group.button(2)->click();
    group.button(0)->click();
    EXPECT_THAT(clicks, ElementsAre(2, 0));
    group.setItemIndex(-1);
    EXPECT_EQ(group.itemIndex(), -1);
    EXPECT_FALSE(group.button(0)->isChecked());
    group.setItemIndex(1);
    EXPECT_THAT(clicks, ElementsAre(2, 0)) << "setting the index is no click";
    group.setItems({ "x", "y" });
    EXPECT_EQ(group.count(), 2);
    EXPECT_EQ(group.itemIndex(), -1);
    EXPECT_EQ(group.button(1)->text(), "y");
    EXPECT_EQ(group.button(2), nullptr);
    group.addItem("z");
    EXPECT_EQ(group.items(), QStringList({ "x", "y", "z" }));
    group.button(2)->click();
    EXPECT_THAT(clicks, ElementsAre(2, 0, 2));
}

// ---- the status memo ----

TEST_F(AdjustWindow, ShowStatusKindsSetColourCursorAndWindowState)
{
    startLink();
    window->ShowStatus(smPlain, "Head voltage ID = ");
    window->ShowStatus(smAppend, "AZAAAE");
    EXPECT_EQ(memoText(), "Head voltage ID = AZAAAE");
    EXPECT_EQ(window->StatusColour(), QColor(0, 0, 0));

    window->ShowStatus(smBusy, "Cleaning the head now.");
    EXPECT_EQ(memoText(), "Cleaning the head now.");
    EXPECT_EQ(window->StatusColour(), QColor(0, 0, 255));
    EXPECT_TRUE(platform.cursor.busy);
    EXPECT_FALSE(window->isEnabled());

    window->ShowStatus(smWaitReady, "Head cleaning is completed.");
    EXPECT_EQ(memoText(), "Head cleaning is completed.");
    EXPECT_EQ(window->StatusColour(), QColor(0, 0, 0));
    EXPECT_FALSE(platform.cursor.busy);
    EXPECT_TRUE(window->isEnabled());

    window->ShowStatus(smError, "Digit is wrong.");
    window->ShowStatus(smNewLine, "Data = ");
    window->ShowStatus(smAppend, "F6");
    EXPECT_EQ(memoText(), "Digit is wrong.\nData = F6");
    EXPECT_EQ(window->StatusColour(), QColor(255, 0, 0)) << "the colour is the whole memo's";

    window->ShowStatus(smPlain, "USB ID");
    EXPECT_EQ(window->StatusColour(), QColor(0, 0, 0));
    window->StatusMemo->clear();
    window->ShowStatus(smNewLine, "first");
    EXPECT_EQ(memoText(), "first") << "a line added to an empty memo is its first line";
}

TEST_F(AdjustWindow, AnErrorAfterABusyMessageGivesTheWindowBack)
{
    startLink();
    window->ShowStatus(smBusy, "A4 pattern is printing now.");
    window->ShowStatus(smError, "Printer is error.");
    EXPECT_TRUE(window->isEnabled());
    EXPECT_FALSE(platform.cursor.busy);
    EXPECT_EQ(window->StatusColour(), QColor(255, 0, 0));

    window->ShowStatus(smBusy, "Bi-d pattern is being printed out now.");
    printer.state().errorChar = '4';
    window->ShowStatus(smWaitReady, "Bi-d pattern print is completed.");
    EXPECT_EQ(memoText(), "Printer is error.");
    EXPECT_EQ(window->StatusColour(), QColor(255, 0, 0));
    EXPECT_TRUE(window->isEnabled());
    EXPECT_FALSE(platform.cursor.busy);
    EXPECT_FALSE(window->DisableTimer->isActive()) << "the timer runs only after a ready wait";
}

TEST_F(AdjustWindow, WaitReadyPollsEveryTwoSecondsUntilTheStatusIsReady)
{
    startLink();
    window->DisableTimer->stop();
    printer.busyFor(5000);
    printer.clearReceived();
    platform.clock.sleeps.clear();
    window->ShowStatus(smBusy, "Now printing Top Margin Line.");
    window->ShowStatus(smWaitReady, "Printing Top Margin Line completed.");
    std::vector<uint32_t> waits;
    for (const uint32_t ms : platform.clock.sleeps)
        if (ms != 10)
            waits.push_back(ms);
    EXPECT_THAT(waits, ElementsAre(2000, 2000, 2000));
    EXPECT_EQ(statusRequests(), 4);
    EXPECT_EQ(memoText(), "Printing Top Margin Line completed.");
    EXPECT_TRUE(window->isEnabled());
    EXPECT_TRUE(window->DisableTimer->isActive());

    // Already ready: one look, no wait.
    printer.clearReceived();
    platform.clock.sleeps.clear();
    window->ShowStatus(smWaitReady, "Head cleaning is completed.");
    EXPECT_EQ(statusRequests(), 1);
    for (const uint32_t ms : platform.clock.sleeps)
        EXPECT_NE(ms, 2000u);
}

TEST_F(AdjustWindow, WaitUntilReadyAnswersReadyOrError)
{
    startLink();
    printer.busyFor(3000);
    platform.clock.sleeps.clear();
    EXPECT_TRUE(window->WaitUntilReady());
    int waits = 0;
    for (const uint32_t ms : platform.clock.sleeps)
        waits += ms == 2000;
    EXPECT_EQ(waits, 2);
    printer.state().errorChar = '5';
    EXPECT_FALSE(window->WaitUntilReady());
    EXPECT_EQ(memoText(), "") << "the caller reports the error";
}

TEST_F(AdjustWindow, TimerTickEnablesTheWindowUnlessTheMonitorIsShown)
{
    window->setEnabled(false);
    window->DisableTimerTimer();
    EXPECT_TRUE(window->isEnabled());
    EXPECT_FALSE(window->DisableTimer->isActive());

    StatusMonitorWindow->show();
    window->DisableTimer->start();
    window->DisableTimerTimer();
    EXPECT_FALSE(window->isEnabled());
    EXPECT_FALSE(window->DisableTimer->isActive());
    StatusMonitorWindow->hide();
}

TEST_F(AdjustWindow, GetStatusShowsTheBlankWorkAreaAndTheDecodedState)
{
    startLink();
    pick("AdjustRdoGrp", 2);
    printer.clearReceived();
    click("GetStatusBtn");
    EXPECT_THAT(visiblePanels(), ElementsAre("CanvasPnl"));
    EXPECT_EQ(memoText(), "Ready to print.");
    EXPECT_EQ(statusRequests(), 1);
}

TEST_F(AdjustWindow, AnErrorStatusRoutesTheRecoveryItemsAndReadyRestoresTheModelList)
{
    startLink();
    FormBoot->OverrideModelCode(771);
    printer.state().errorChar = '4';
    click("GetStatusBtn");
    ASSERT_TRUE(window->PrinterErrorMode);
    ASSERT_EQ(window->AdjustRdoGrp->items(), qt(RecoveryItems));
    pick("AdjustRdoGrp", 1);
    EXPECT_THAT(visiblePanels(), ElementsAre("CounterPnl"));
    pick("AdjustRdoGrp", 2);
    EXPECT_THAT(visiblePanels(), ElementsAre("EepromCheckPnl"));

    printer.state().errorChar = 0;
    click("GetStatusBtn");
    ASSERT_FALSE(window->PrinterErrorMode);
    ASSERT_EQ(window->AdjustRdoGrp->items(), qt(UsbItems));
    pick("AdjustRdoGrp", 3);
    EXPECT_THAT(visiblePanels(), ElementsAre("UsbIdPnl"));
}

// ---- the close sequence ----

class AdjustWindowClose : public AdjustWindow
{
protected:
    // A connection as the start window leaves it; then only what the close does is recorded.
    void connect()
    {
        startLink();
        recordEvents();
    }
};

const std::string Initialize = "dialog " + std::string(InitializeMessage);

TEST_F(AdjustWindowClose, ResetsThePrinterBetweenTheTwoChannelCloses)
{
    connect();
    click("AdjustRtnBtn");
    ASSERT_GE(events.size(), 3u);
    EXPECT_THAT(events,
                ElementsAre("CloseChannel(64)", "sleep 200", Initialize,
                            ::testing::StartsWith("data on 2: \"rs\""), "sleep 10000",
                            "CloseChannel(2)", "sleep 200", "Exit"));
    EXPECT_FALSE(PrinterDriver.IsOpen());
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(FormQuit->isVisible()) << "the continue/quit dialog follows";
    EXPECT_THAT(platform.cursor.changes, ElementsAre(true, false));
}

TEST_F(AdjustWindowClose, TitleBarCloseRunsTheSameSequence)
{
    connect();
    click("AdjustRtnBtn");
    const std::vector<std::string> byQuit = events;

    window->show();
    connect();
    QCloseEvent event;
    QCoreApplication::sendEvent(window, &event);
    EXPECT_TRUE(event.isAccepted());
    EXPECT_EQ(events, byQuit);
}

TEST_F(AdjustWindowClose, NoPrinterResetAfterACompletedExchange)
{
    connect();
    window->ExchangeDone = true;
    window->close();
    EXPECT_THAT(
            events,
            ElementsAre("CloseChannel(64)", "sleep 200", "CloseChannel(2)", "sleep 200", "Exit"));
    EXPECT_TRUE(platform.dialogs.shown.empty());
    EXPECT_TRUE(window->ExchangeDone) << "nothing clears it while the program runs";
}

// A printer that has dropped out answers nothing: the first step of the close gets its three
// tries, and then nothing more is sent to a printer that cannot hear it. The missing replies
// are no fatal error, the port is closed and the continue/quit dialog follows.
TEST_F(AdjustWindowClose, PrinterThatDroppedOutEndsTheCloseAfterItsFirstStep)
{
    connect();
    printer.faults().silent = true;
    click("AdjustRtnBtn");
    EXPECT_THAT(events,
                ElementsAre("CloseChannel(64)", "sleep 1000", "CloseChannel(64)", "sleep 1000",
                            "CloseChannel(64)", "sleep 200"));
    EXPECT_TRUE(platform.process.exits.empty());
    EXPECT_FALSE(PrinterDriver.IsOpen());
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(FormQuit->isVisible());
    EXPECT_TRUE(window->isEnabled());
}

TEST_F(AdjustWindowClose, PutsTheWindowBackForTheNextConnection)
{
    connect();
    FormBoot->OverrideModelCode(771);
    window->SetAdjustmentItems(qt(RecoveryItems));
    window->PrinterErrorMode = true;
    window->SetTabSheet1Caption("");
    window->AdjustRdoGrp->setTitle("");
    window->MentRdoGrp->setEnabled(false);
    window->A4patRdoBtn->setEnabled(false);
    window->AdjustmentTab->setCurrentWidget(window->Tabsheet3);
    window->A4patRdoBtn->click();
    window->BidPrintCount = 3;
    for (const char *group :
         { "HdVolRdoBtn", "BidRdoBtn", "CounterRdoBtn", "UsbIdRdoBtn", "EepromCheckRdoGrp",
           "TopMarginRdoGrp", "MessageSelectRdoGrp", "BidWrtSelRdoGrp" })
        choose(group, 1);
    for (const char *box : { "ShowHdVolIDPnl", "ShowMs1Pnl", "ShowMs2Pnl", "ShowVsPnl",
                             "ShowPrnUsbIDLbl", "ShowProCounterPnl", "ShowTopMarginPnl" })
        control<QLabel>(box)->setText("value");
    window->StatusMemo->setPlainText("Ready to print.");

    window->close();

    EXPECT_THAT(visiblePanels(), ElementsAre("CanvasPnl"));
    EXPECT_EQ(memoText(), "");
    EXPECT_EQ(window->AdjustmentTab->currentWidget(), window->TabSheet1);
    EXPECT_EQ(window->TabSheet1Caption(), "Adjustment");
    EXPECT_EQ(window->AdjustRdoGrp->title(), "Adjustment items");
    EXPECT_EQ(window->AdjustRdoGrp->count(), 0);
    EXPECT_EQ(window->MentRdoGrp->itemIndex(), -1);
    EXPECT_FALSE(window->A4patRdoBtn->isChecked());
    EXPECT_TRUE(window->MentRdoGrp->isEnabled());
    EXPECT_TRUE(window->A4patRdoBtn->isEnabled());
    EXPECT_FALSE(window->PrinterErrorMode);
    EXPECT_EQ(window->BidPrintCount, 3) << "the print count carries into the next connection";
    for (const char *group : { "HdVolRdoBtn", "BidRdoBtn", "CounterRdoBtn" })
        EXPECT_EQ(control<TRadioGroup>(group)->itemIndex(), 0) << group;
    for (const char *group : { "UsbIdRdoBtn", "EepromCheckRdoGrp", "TopMarginRdoGrp",
                               "MessageSelectRdoGrp", "BidWrtSelRdoGrp" })
        EXPECT_EQ(control<TRadioGroup>(group)->itemIndex(), 1) << group;
    for (const char *box : { "ShowHdVolIDPnl", "ShowMs1Pnl", "ShowMs2Pnl", "ShowVsPnl",
                             "ShowPrnUsbIDLbl", "ShowProCounterPnl", "ShowTopMarginPnl" })
        EXPECT_EQ(control<QLabel>(box)->text(), "") << box;
}

} // namespace
