// The start window: the start sequence on the wire, the lists, the failures at start, the
// pop-up menu, and the continue/quit dialog that leads back to it.
#include "ShellFixture.h"
#include "support/PacketQuery.h"

#include "link/Roro4dodu.h"
#include "link/Vuviredorizaduzu.h"
#include "shell/DovIvid.h"
#include "shell/FormControls.h"
#include "shell/RidAzidoz.h"
#include "shell/VodIroze.h"
#include "shell/VorAvov.h"
#include "status/ZedOvovurEduvudo.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>

#include <gmock/gmock.h>

#include <algorithm>
#include <cstdlib>

using namespace testsupport;
using ::testing::ElementsAre;

namespace {

class StartWindow : public ShellFixture
{ };

TEST_F(StartWindow, ReadyPrinterGetsBothChannelsAndTheAdjustmentWindow)
{
    pickModelAndPort(2, 1);
    FormBoot->PortSelectOKBtnClick();

    EXPECT_EQ(wire(), LinkStartOnTheWire);
    EXPECT_TRUE(printer.channelOpen(DataSocket));
    EXPECT_EQ(D4Link.HostCredit, 0);
    EXPECT_EQ(D4Link.PrinterCredit, 0);
    EXPECT_TRUE(FormAdjust->isVisible());
    EXPECT_FALSE(FormBoot->isVisible());
    EXPECT_EQ(FormAdjust->IndividualModelNameLbl->text(), "Cantra R70PA(ESP)");
    EXPECT_EQ(StatusMonitorWindow->windowTitle(), "Status Monitor Window : Cantra R70PA(ESP)");
    EXPECT_EQ(FormAdjust->AdjustRdoGrp->items(), qt(ParallelItems));
    EXPECT_TRUE(FormAdjust->USBIDGaideLabel->isHidden());
    EXPECT_TRUE(FormAdjust->USBIDGaidePanel->isHidden());
    EXPECT_THAT(platform.cursor.changes, ElementsAre(true, false));
    EXPECT_TRUE(platform.dialogs.shown.empty());
    // The selection stays while the start window is hidden; LPT2 was row 1.
    EXPECT_EQ(FormBoot->GetModelCode(), 774);
    EXPECT_EQ(FormBoot->GetPortIndex(), 1);
}

TEST_F(StartWindow, PrinterNotReadyIsDecodedAndTheDataChannelStaysClosed)
{
    printer.state().stateDigit = '2';
    pickModelAndPort(0, 0);
    FormBoot->PortSelectOKBtnClick();

    EXPECT_EQ(statusRequests(), 2); // the start's own request, then RequestStatus
    EXPECT_FALSE(printer.channelOpen(DataSocket));
    const PacketQuery sent(printer);
    EXPECT_TRUE(sent.onSocket(DataSocket).empty());
    EXPECT_EQ(sent.transactionCount(0x01, DataSocket), 0) << "no data channel opened";
    EXPECT_TRUE(FormAdjust->isVisible());
    EXPECT_FALSE(FormBoot->isVisible());
    EXPECT_EQ(memoText(), "Printer is busy.");
    EXPECT_FALSE(platform.cursor.busy);
}

TEST_F(StartWindow, OkWithoutBothChoicesOnlyFlashesTheCursor)
{
    FormBoot->PortSelectOKBtnClick();
    FormBoot->ModelNameCombo->setCurrentIndex(1);
    FormBoot->PortSelectOKBtnClick();
    FormBoot->UsePortCombo->setCurrentIndex(2);
    FormBoot->ModelNameCombo->setCurrentIndex(3); // a new model clears the port again
    FormBoot->PortSelectOKBtnClick();

    EXPECT_TRUE(PacketQuery(printer).all().empty());
    EXPECT_FALSE(PrinterDriver.IsOpen());
    EXPECT_TRUE(FormBoot->isVisible());
    EXPECT_FALSE(FormAdjust->isVisible());
    EXPECT_THAT(platform.cursor.changes, ElementsAre(true, false, true, false, true, false));
    EXPECT_TRUE(platform.dialogs.shown.empty());
}

TEST_F(StartWindow, EveryModelChangeRefillsThePortListWithThreePorts)
{
    EXPECT_EQ(FormBoot->UsePortCombo->count(), 0);
    const uint16_t codes[] = { 770, 772, 774, 776 };
    for (int row : { 0, 3, 1, 2 }) {
        FormBoot->UsePortCombo->setCurrentIndex(FormBoot->UsePortCombo->count() - 1);
        FormBoot->ModelNameCombo->setCurrentIndex(row);
        ASSERT_EQ(FormBoot->UsePortCombo->count(), 3);
        EXPECT_EQ(FormBoot->UsePortCombo->itemText(0), "LPT1");
        EXPECT_EQ(FormBoot->UsePortCombo->itemText(1), "LPT2");
        EXPECT_EQ(FormBoot->UsePortCombo->itemText(2), "LPT3");
        EXPECT_EQ(FormBoot->UsePortCombo->currentIndex(), -1);
        EXPECT_EQ(FormBoot->GetModelCode(), codes[row]);
    }
    EXPECT_EQ(FormBoot->ModelNameCombo->count(), 4);
    EXPECT_EQ(FormBoot->ModelNameCombo->itemText(2), "Cantra R70PA (ESP)");
}

TEST_F(StartWindow, FailedEntryIntoPacketModeKeepsTheStartWindowWithANormalCursor)
{
    printer.faults().silent = true;
    pickModelAndPort(1, 0);
    FormBoot->PortSelectOKBtnClick();

    EXPECT_EQ(PrinterStatus, psError);
    EXPECT_EQ(ErrorStatus, esCommunication);
    EXPECT_TRUE(FormBoot->isVisible());
    EXPECT_FALSE(FormAdjust->isVisible());
    EXPECT_TRUE(PrinterDriver.IsOpen());
    // Three tries of the entry, then nothing more.
    const std::string entry = LinkStartOnTheWire.front();
    EXPECT_THAT(wire(), ElementsAre(entry, entry, entry));
    EXPECT_FALSE(platform.cursor.busy);
    // One warning says what to check; before it, OK seemed to do nothing at all.
    ASSERT_EQ(platform.dialogs.shown.size(), 1u);
    EXPECT_EQ(platform.dialogs.shown[0].text, NoAnswerMessage);
    EXPECT_EQ(platform.dialogs.shown[0].kind, platform::MessageKind::Warning);
    EXPECT_EQ(platform.dialogs.shown[0].buttons, platform::MessageButtons::Ok);
    EXPECT_THAT(platform.cursor.changes, ElementsAre(true, false));

    // The technician may try again once the printer answers.
    printer.faults().silent = false;
    printer.clearReceived();
    FormBoot->PortSelectOKBtnClick();
    EXPECT_TRUE(FormAdjust->isVisible());
    EXPECT_TRUE(printer.channelOpen(DataSocket));
}

TEST_F(StartWindow, PortThatCannotBeOpenedEndsTheProgramAfterOneMessage)
{
    platform::systemPorts().setAllVirtual(false);
    platform::systemPorts().setVirtualFactory(nullptr);
    const char *before = std::getenv("CANTRA_LPT1");
    const std::string saved = before ? before : "";
    setenv("CANTRA_LPT1", "/nonexistent/cantra-port", 1);

    pickModelAndPort(0, 0);
    EXPECT_THROW(FormBoot->PortSelectOKBtnClick(), ProcessExit);

    if (before)
        setenv("CANTRA_LPT1", saved.c_str(), 1);
    else
        unsetenv("CANTRA_LPT1");
    EXPECT_THAT(platform.process.exits, ElementsAre(0));
    EXPECT_THAT(platform.dialogs.texts(), ElementsAre("Cannot open port."));
    EXPECT_EQ(platform.dialogs.shown.front().title, "error");
    EXPECT_FALSE(FormAdjust->isVisible());
}

TEST_F(StartWindow, RightClickOpensThePopupMenuBesideThePointer)
{
    // A window at (40, 30), without a frame offscreen: a click at (120, 70) of it opens the
    // menu 3 to the right of and 20 below the pointer.
    FormBoot->move(40, 30);
    ASSERT_EQ(FormBoot->frameGeometry().topLeft(), QPoint(40, 30));
    const QPoint expected(163, 120);
    EXPECT_EQ(FormBoot->PopupMenuPosition(120, 70), expected);

    QMouseEvent left(QEvent::MouseButtonRelease, QPointF(120, 70),
                     FormBoot->mapToGlobal(QPointF(120, 70)), Qt::LeftButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(FormBoot, &left);
    EXPECT_FALSE(FormBoot->PopupMenu1->isVisible());

    QMouseEvent right(QEvent::MouseButtonRelease, QPointF(120, 70),
                      FormBoot->mapToGlobal(QPointF(120, 70)), Qt::RightButton, Qt::NoButton,
                      Qt::NoModifier);
    QApplication::sendEvent(FormBoot, &right);
    EXPECT_TRUE(FormBoot->PopupMenu1->isVisible());
    EXPECT_EQ(FormBoot->PopupMenu1->pos(), expected);
    ASSERT_EQ(FormBoot->PopupMenu1->actions().size(), 1);
    EXPECT_EQ(FormBoot->PopupMenu1->actions().front(), FormBoot->Version1);
    EXPECT_EQ(FormBoot->Version1->text(), "Version");
    FormBoot->PopupMenu1->hide();
}

// Only the window's own surface opens the menu; a right click over a label or a panel does
// not, although those controls pass the release on to the window.
TEST_F(StartWindow, PopupMenuOpensOnTheFreeSurfaceOnly)
{
    const auto rightRelease = [](QWidget *target, QPoint at) {
        QMouseEvent release(QEvent::MouseButtonRelease, QPointF(at),
                            target->mapToGlobal(QPointF(at)), Qt::RightButton, Qt::NoButton,
                            Qt::NoModifier);
        QApplication::sendEvent(target, &release);
    };
    for (QWidget *control : std::initializer_list<QWidget *>{
                 FormBoot->Label1, FormBoot->Label2, FormBoot->Panel1, FormBoot->Panel2 }) {
        rightRelease(control, control->rect().center());
        EXPECT_FALSE(FormBoot->PopupMenu1->isVisible()) << control->objectName().toStdString();
        // The same point sent to the window itself.
        rightRelease(FormBoot, control->geometry().center());
        EXPECT_FALSE(FormBoot->PopupMenu1->isVisible()) << control->objectName().toStdString();
    }
    ASSERT_EQ(FormBoot->childAt(20, 240), nullptr);
    rightRelease(FormBoot, QPoint(20, 240));
    EXPECT_TRUE(FormBoot->PopupMenu1->isVisible());
    FormBoot->PopupMenu1->hide();
}

// A printer that is switched off while connected: the close ends without the fatal box after
// its first unanswered step, the continue/quit dialog comes, and once the printer is on again
// "Next" and OK reach it with a fresh port.
TEST_F(StartWindow, PrinterSwitchedOffAndOnIsReachedAgainWithoutARestart)
{
    pickModelAndPort(0, 0);
    FormBoot->PortSelectOKBtnClick();
    ASSERT_TRUE(printer.channelOpen(DataSocket));

    printer.clearReceived();
    printer.faults().silent = true;
    FormAdjust->close();
    EXPECT_TRUE(platform.dialogs.texts().empty());
    EXPECT_TRUE(platform.process.exits.empty());
    EXPECT_FALSE(PrinterDriver.IsOpen());
    EXPECT_TRUE(FormQuit->isVisible());
    // The first close step got its three tries; nothing more went to a printer that is off.
    EXPECT_THAT(PacketQuery(printer).transactions(),
                ElementsAre("CloseChannel(64)", "CloseChannel(64)", "CloseChannel(64)"));

    printer.faults().silent = false;
    printer.clearReceived();
    FormQuit->NextBtn->click();
    pickModelAndPort(0, 0);
    FormBoot->PortSelectOKBtnClick();
    EXPECT_EQ(wire(), LinkStartOnTheWire);
    EXPECT_TRUE(FormAdjust->isVisible());
    EXPECT_TRUE(platform.dialogs.shown.empty());
}

TEST_F(StartWindow, VersionItemShowsTheVersionBoxModally)
{
    bool sawBox = false;
    QTimer::singleShot(0, [&] {
        sawBox = AboutBox->isVisible() && QApplication::activeModalWidget() == AboutBox;
        AboutBox->OKButton->click();
    });
    FormBoot->Version1->trigger();
    EXPECT_TRUE(sawBox);
    EXPECT_FALSE(AboutBox->isVisible());
    EXPECT_EQ(AboutBox->result(), QDialog::Accepted);
}

TEST_F(StartWindow, VersionBoxTexts)
{
    EXPECT_EQ(AboutBox->windowTitle(), "Version");
    EXPECT_EQ(AboutBox->Label1->text(), "Cantra R70PA / R50PA ");
    EXPECT_EQ(AboutBox->Label4->text(), "Adjustment Program");
    EXPECT_EQ(AboutBox->Label3->text(), "for Windows 95");
    EXPECT_EQ(AboutBox->Version->text(), "Version 1.0");
    EXPECT_EQ(AboutBox->OKButton->text(), "OK");
    EXPECT_TRUE(AboutBox->OKButton->isDefault());
    EXPECT_EQ(AboutBox->Image1->pixmap().size(), QSize(64, 64));
    EXPECT_EQ(AboutBox->size(), QSize(298, 236));
    AboutBox->Label1->ensurePolished(); // the label's own font comes with its style
    EXPECT_EQ(AboutBox->Label1->font().family(), "Arial");
    EXPECT_EQ(AboutBox->Label1->font().pixelSize(), 12);
}

// The panel round the texts: a lowered outer bevel (shadow at its top left, light at its
// bottom right) round a raised inner one (the other way round).
TEST_F(StartWindow, VersionBoxPanelHasALoweredOuterAndARaisedInnerBevel)
{
    TBevelPanel *panel = AboutBox->Panel1;
    EXPECT_EQ(panel->bevelOuter(), TBevelPanel::Lowered);
    EXPECT_EQ(panel->bevelInner(), TBevelPanel::Raised);
    const QImage image = panel->grab().toImage();
    const QRgb dark = panel->palette().color(QPalette::Dark).rgb();
    const QRgb light = panel->palette().color(QPalette::Light).rgb();
    ASSERT_NE(dark, light);
    const int w = image.width(), h = image.height();
    EXPECT_EQ(image.pixel(0, h / 2), dark);
    EXPECT_EQ(image.pixel(w / 2, 0), dark);
    EXPECT_EQ(image.pixel(w - 1, h / 2), light);
    EXPECT_EQ(image.pixel(w / 2, h - 1), light);
    EXPECT_EQ(image.pixel(1, h / 2), light);
    EXPECT_EQ(image.pixel(w / 2, 1), light);
    EXPECT_EQ(image.pixel(w - 2, h / 2), dark);
    EXPECT_EQ(image.pixel(w / 2, h - 2), dark);
}

TEST_F(StartWindow, LayoutOfTheStartWindow)
{
    EXPECT_EQ(FormBoot->windowTitle(), "VORNE Printer Adjustment Program");
    EXPECT_EQ(FormBoot->size(), QSize(615, 264));
    EXPECT_EQ(FormBoot->palette().color(QPalette::Window), QColor(158, 248, 176));
    EXPECT_EQ(FormBoot->Label1->font().pixelSize(), 32);
    EXPECT_TRUE(FormBoot->Label1->font().bold());
    EXPECT_TRUE(FormBoot->Label1->font().italic());
    EXPECT_EQ(FormBoot->Label2->text(), "for Windows95");
    EXPECT_EQ(FormBoot->Label2->font().pixelSize(), 16);
    EXPECT_EQ(FormBoot->Panel1->text(), "Model Name");
    EXPECT_EQ(FormBoot->Panel2->text(), "Interface");
    EXPECT_EQ(FormBoot->ModelNameCombo->parentWidget(), FormBoot->Panel3);
    EXPECT_EQ(FormBoot->UsePortCombo->parentWidget(), FormBoot->Panel4);
    EXPECT_TRUE(FormBoot->PortSelectOKBtn->isDefault());
    EXPECT_EQ(FormBoot->PortSelectOKBtn->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(FormBoot->ProEndBtn->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(FormBoot->ProEndBtn->text(), "Quit");
}

TEST_F(StartWindow, NextBringsTheStartWindowBackWithNoSelection)
{
    pickModelAndPort(3, 2);
    FormBoot->PortSelectOKBtnClick();
    ASSERT_FALSE(FormBoot->isVisible());
    FormAdjust->hide();
    FormQuit->show();
    FormBoot->PortSelectOKBtn->setEnabled(false);

    FormQuit->NextBtn->click();
    EXPECT_FALSE(FormQuit->isVisible());
    EXPECT_TRUE(FormBoot->isVisible());
    EXPECT_EQ(FormBoot->ModelNameCombo->currentIndex(), -1);
    EXPECT_EQ(FormBoot->UsePortCombo->currentIndex(), -1);
    EXPECT_TRUE(FormBoot->PortSelectOKBtn->isEnabled());
    EXPECT_TRUE(FormBoot->ProEndBtn->isEnabled());
}

// Ending the program leaves the toolkit refusing nested event loops from then on, so the
// tests that end it come last.
// Enter presses the button that has the focus; the default button OK takes it only while
// no other button has it, as from the lists.
TEST_F(StartWindow, EnterPressesTheFocusedButton)
{
    int ended = 0;
    const auto connection
            = QObject::connect(FormBoot, &TFormBoot::programEnded, [&ended] { ++ended; });
    const auto enter = [](QWidget *target) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(target, &press);
    };

    pickModelAndPort(0, 0);
    FormBoot->ProEndBtn->setFocus();
    ASSERT_EQ(FormBoot->focusWidget(), FormBoot->ProEndBtn);
    enter(FormBoot->ProEndBtn);
    EXPECT_EQ(ended, 1);
    EXPECT_TRUE(PacketQuery(printer).all().empty()) << "Quit must not start the link";

    FormBoot->show();
    pickModelAndPort(1, 0);
    FormBoot->UsePortCombo->setFocus();
    enter(FormBoot->UsePortCombo);
    EXPECT_TRUE(FormAdjust->isVisible());
    EXPECT_TRUE(printer.channelOpen(DataSocket));
    EXPECT_EQ(ended, 1);
    QObject::disconnect(connection);
}

TEST_F(StartWindow, EnterPressesTheFocusedButtonOfTheContinueDialog)
{
    int ended = 0;
    const auto connection
            = QObject::connect(FormBoot, &TFormBoot::programEnded, [&ended] { ++ended; });
    const auto enter = [](QWidget *target) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Enter, Qt::NoModifier);
        QApplication::sendEvent(target, &press);
    };
    FormBoot->hide();
    FormQuit->show();
    FormQuit->NextBtn->setFocus();
    enter(FormQuit->NextBtn);
    EXPECT_FALSE(FormQuit->isVisible());
    EXPECT_TRUE(FormBoot->isVisible());
    EXPECT_EQ(ended, 0);

    FormBoot->hide();
    FormQuit->show();
    FormQuit->QuitBtn->setFocus();
    ASSERT_EQ(FormQuit->focusWidget(), FormQuit->QuitBtn);
    enter(FormQuit->QuitBtn);
    EXPECT_EQ(ended, 1) << "Enter on Quit quits";
    EXPECT_FALSE(FormBoot->isVisible());
    EXPECT_FALSE(FormQuit->isVisible());
    QObject::disconnect(connection);
}

TEST_F(StartWindow, QuitEndsTheProgramWhileTheStartWindowIsHidden)
{
    int ended = 0;
    const auto connection
            = QObject::connect(FormBoot, &TFormBoot::programEnded, [&ended] { ++ended; });
    FormBoot->hide();
    FormQuit->show();
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(FormQuit, &escape);
    QObject::disconnect(connection);

    EXPECT_EQ(ended, 1);
    EXPECT_FALSE(FormQuit->isVisible());
    EXPECT_FALSE(FormBoot->isVisible());
}

TEST_F(StartWindow, QuitButtonOfTheStartWindowEndsTheProgram)
{
    int ended = 0;
    const auto connection
            = QObject::connect(FormBoot, &TFormBoot::programEnded, [&ended] { ++ended; });
    FormBoot->ProEndBtn->click();
    QObject::disconnect(connection);
    EXPECT_EQ(ended, 1);
    EXPECT_FALSE(FormBoot->isVisible());
}

TEST_F(StartWindow, ContinueDialogCannotBeClosedFromItsTitleBar)
{
    FormQuit->show();
    EXPECT_FALSE(FormQuit->close());
    EXPECT_TRUE(FormQuit->isVisible());
    EXPECT_FALSE(FormQuit->windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_EQ(FormQuit->windowTitle(), " Adjustment Program");
    EXPECT_EQ(FormQuit->Label1->text(), "Do you continue?");
    EXPECT_TRUE(FormQuit->NextBtn->isDefault());
    EXPECT_EQ(FormQuit->size(), QSize(236, 108));
    EXPECT_EQ(FormQuit->palette().color(QPalette::Window), QColor(174, 177, 210));
    FormQuit->hide();
}

} // namespace
