// The virtual printer window, offscreen and by object name: every control of the Printer tab
// changes what the printer answers to the program's next status request, the EEPROM tab
// follows the program's writes and loads and saves image files, the window never takes the
// focus, and a wait of the program's lets the trainer's clicks through to it alone.
#include "support/HandStream.h"
#include "support/LinkFixture.h"

#include "commands/Zadivavoza.h"
#include "link/Roro4dodu.h"
#include "shell/FormControls.h"
#include "shell/TrainerClock.h"
#include "shell/VirtualPrinterWindow.h"
#include "vprinter/ServicedPrinter.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

using namespace testsupport;

namespace {

const QColor Highlight(255, 214, 102);

class VirtualPrinterWindowTest : public LinkFixture
{
protected:
    VirtualPrinterWindowTest()
    {
        printer.eeprom() = vprinter::servicedEeprom();
        program.setWindowTitle("program");
        program.show();
        QApplication::setActiveWindow(&program);
        window = std::make_unique<VirtualPrinterWindow>(printer, scratch.filePath("pages"));
        window->showQuietly(&program);
        QApplication::processEvents();
    }

    template<typename T = QWidget> T *control(const char *name) const
    {
        T *found = window->findChild<T *>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    void pick(const char *group, int item)
    {
        control<QRadioButton>(QString("%1Item%2").arg(group).arg(item).toLatin1())->click();
    }
    void status() { D4Link.GetPrinterStatus(); }
    QTableWidgetItem *cell(int address) const
    {
        return control<QTableWidget>("EepromGrid")->item(address / 16, address % 16);
    }
    bool highlighted(int address) const
    {
        return cell(address)->background().style() != Qt::NoBrush
                && cell(address)->background().color() == Highlight;
    }
    QString shown(const char *label) const { return control<QLabel>(label)->text(); }

    QWidget program;
    QTemporaryDir scratch;
    std::unique_ptr<VirtualPrinterWindow> window;
};

TEST_F(VirtualPrinterWindowTest, EachStateIsAnsweredAtTheNextStatusRequest)
{
    startLink();
    const struct
    {
        int item;
        uint16_t state;
    } states[] = {
        { 1, 0x7012 }, { 2, 0x7015 }, { 3, 0x7013 }, { 4, 0x7011 },
        { 5, 0x7016 }, { 6, 0x7017 }, { 7, 0x7010 }, { 0, 0x7014 },
    };
    for (const auto &s : states) {
        pick("StateRdoGrp", s.item);
        status();
        EXPECT_EQ(PrinterStatus, s.state) << "item " << s.item;
        EXPECT_EQ(ErrorStatus, 0x7009) << "item " << s.item;
    }
    EXPECT_EQ(shown("ReportLbl"), "Answers now: ST:04;IQ:46505050;");
}

TEST_F(VirtualPrinterWindowTest, EachErrorKindIsAnsweredAtTheNextStatusRequest)
{
    startLink();
    const struct
    {
        int item;
        uint16_t error;
    } errors[] = {
        { 1, 0x7000 }, { 2, 0x7001 }, { 3, 0x7002 }, { 4, 0x7003 }, { 5, 0x7004 }, { 6, 0x7005 },
    };
    for (const auto &e : errors) {
        pick("ErrorRdoGrp", e.item);
        status();
        EXPECT_EQ(PrinterStatus, 0x7010) << "item " << e.item;
        EXPECT_EQ(ErrorStatus, e.error) << "item " << e.item;
    }
    EXPECT_EQ(shown("ReportLbl"), "Answers now: ST:00;ER:0B;IQ:46505050;");
    pick("ErrorRdoGrp", 0);
    status();
    EXPECT_EQ(PrinterStatus, 0x7014);
    EXPECT_EQ(ErrorStatus, 0x7009);
}

// The program clears a paper misload with "pe"; the group follows the printer.
TEST_F(VirtualPrinterWindowTest, ThePrinterClearingAnErrorShowsAtTheNextRefresh)
{
    startLink();
    pick("ErrorRdoGrp", 5);
    D4Link.PaperEject();
    window->refresh();
    EXPECT_EQ(control<TRadioGroup>("ErrorRdoGrp")->itemIndex(), 0);
    EXPECT_EQ(shown("ReportLbl"), "Answers now: ST:04;IQ:46505050;");
}

// The two groups say what the report line says, whoever changed the printer last.
TEST_F(VirtualPrinterWindowTest, StateAndErrorGroupsShowWhatIsAnswered)
{
    startLink();
    const auto groups = [this] {
        return std::pair(control<TRadioGroup>("StateRdoGrp")->itemIndex(),
                         control<TRadioGroup>("ErrorRdoGrp")->itemIndex());
    };
    pick("ErrorRdoGrp", 3);
    EXPECT_EQ(shown("ReportLbl"), "Answers now: ST:00;ER:04;IQ:46505050;");
    EXPECT_EQ(groups(), std::pair(7, 3)) << "paper jam: state 0";
    pick("StateRdoGrp", 3);
    EXPECT_EQ(groups(), std::pair(3, 0)) << "printing: no error";
    D4Link.ResetPrinter();
    window->refresh();
    EXPECT_EQ(groups(), std::pair(1, 0)) << "busy after the reset";
    control<QSpinBox>("CounterEdit")->setValue(8350);
    EXPECT_EQ(groups(), std::pair(7, 6)) << "a full waste ink pad";
}

TEST_F(VirtualPrinterWindowTest, InkLevelsAndLowInkWarningsAreAnswered)
{
    startLink();
    control<QSpinBox>("InkBlackEdit")->setValue(0);
    control<QSpinBox>("InkCyanEdit")->setValue(18);
    control<QSpinBox>("InkYellowEdit")->setValue(255);
    control<QCheckBox>("WarnMagentaChk")->click();
    control<QCheckBox>("WarnCyanChk")->click();
    status();
    EXPECT_EQ(InkLevels[0], 0);
    EXPECT_EQ(InkLevels[1], 18);
    EXPECT_EQ(InkLevels[2], 0x50);
    EXPECT_EQ(InkLevels[3], 255);
    EXPECT_EQ(WarningFlags[0], 0);
    EXPECT_EQ(WarningFlags[1], 1);
    EXPECT_EQ(WarningFlags[2], 1);
    EXPECT_EQ(WarningFlags[3], 0);
    EXPECT_EQ(shown("ReportLbl"), "Answers now: ST:04;IQ:001250FF;WR:11,12;");

    control<QCheckBox>("WarnCyanChk")->click();
    status();
    EXPECT_EQ(WarningFlags[1], 0);
    EXPECT_EQ(WarningFlags[2], 1);
}

// 8350 (20 9E) is the first count of a full waste ink pad.
TEST_F(VirtualPrinterWindowTest, ProtectionCounterReachingTheLimitIsAMaintenanceRequest)
{
    startLink();
    control<QSpinBox>("CounterEdit")->setValue(8350);
    status();
    EXPECT_EQ(ErrorStatus, 0x7005);
    EXPECT_EQ(D4Link.ReadEepromByte(10), 0x20);
    EXPECT_EQ(D4Link.ReadEepromByte(11), 0x9E);
    EXPECT_EQ(cell(10)->text(), "20");
    EXPECT_EQ(cell(11)->text(), "9E");

    control<QSpinBox>("CounterEdit")->setValue(8349);
    status();
    EXPECT_EQ(ErrorStatus, 0x7009);
}

TEST_F(VirtualPrinterWindowTest, SwitchedOffAnswersNothingUntilSwitchedOnAndStartedAgain)
{
    startLink();
    control<QCheckBox>("SwitchedOffChk")->click();
    EXPECT_EQ(shown("ReportLbl"), "Switched off: answers nothing.");
    status();
    EXPECT_TRUE(D4Link.LastExchangeFailed());

    control<QCheckBox>("SwitchedOffChk")->click();
    EXPECT_EQ(shown("ReportLbl"), "Answers now: ST:04;IQ:46505050;");
    resetLink();
    startLink();
    EXPECT_FALSE(D4Link.LastExchangeFailed());
    EXPECT_EQ(PrinterStatus, 0x7014);
}

// Multi shot 1 is Bi-D kind 2 and dot size 18: with the printer's error at 7 and the value
// 3 written, dot 3 of a return pass lands (7 - 3) x 2 cells to the right of cell 201, where
// a forward pass puts it.
TEST_F(VirtualPrinterWindowTest, MechanicalErrorsMoveWhatIsPrinted)
{
    using namespace testsupport::cmd;
    startLink();
    control<QSpinBox>("BidMs1Edit")->setValue(7);
    control<QSpinBox>("BidMs2Edit")->setValue(-9);
    Factory.FactorySetBid(2, 3);
    const Bytes dot = multiLevel(0, 1, 1) + literal({ 0x03 });
    const Bytes blank = multiLevel(0, 1, 1) + literal({ 0x00 });
    printer.raster().take(init() + graphics() + unit(10) + direction(0) + dotSize(18)
                          + colourMode(1) + resolution(480, 4, 1) + blank + homeReturn() + dot
                          + homeReturn() + text("\f"));
    ASSERT_EQ(printer.pages().size(), 1u);
    EXPECT_EQ(printer.pages()[0].inkedCells(vprinter::Ink::Black, 42), std::vector<int>{ 209 });
    EXPECT_EQ(printer.bidErrors().multiShot2, -9);

    // The top-margin error moves the first line: 42 + 5 - (-1) rows, the cell holding FF.
    printer.eeprom()[46] = 0xFF;
    control<QCheckBox>("TopMarginErrChk")->click();
    EXPECT_TRUE(control<QSpinBox>("TopMarginErrEdit")->isEnabled());
    control<QSpinBox>("TopMarginErrEdit")->setValue(5);
    printer.takePages();
    printer.raster().take(init() + text("A\f"));
    ASSERT_EQ(printer.pages().size(), 1u);
    EXPECT_TRUE(printer.pages()[0].inkedCells(vprinter::Ink::Black, 47).empty());
    EXPECT_FALSE(printer.pages()[0].inkedCells(vprinter::Ink::Black, 48).empty());

    control<QCheckBox>("TopMarginErrChk")->click();
    EXPECT_FALSE(printer.topMarginError().has_value());
    EXPECT_FALSE(control<QSpinBox>("TopMarginErrEdit")->isEnabled());
}

TEST_F(VirtualPrinterWindowTest, EepromGridFollowsWritesAndHighlightsChangedCells)
{
    startLink();
    EXPECT_EQ(cell(46)->text(),
              QString("%1").arg(printer.eeprom()[46], 2, 16, QChar('0')).toUpper());
    EXPECT_EQ(shown("EepromChangedLbl"), "No cell changed since the start");
    const uint8_t before = printer.eeprom()[0x2E];

    ASSERT_EQ(D4Link.WriteEepromByte(0x2E, 0xF6), 0x4000);
    Factory.FactoryWriteEeprom(0xC3, 0x07);
    EXPECT_EQ(cell(0x2E)->text(), QString("%1").arg(before, 2, 16, QChar('0')).toUpper())
            << "not before the next refresh";
    window->refresh();
    EXPECT_EQ(cell(0x2E)->text(), "F6");
    EXPECT_EQ(cell(0xC3)->text(), "07");
    EXPECT_TRUE(highlighted(0x2E));
    EXPECT_TRUE(highlighted(0xC3));
    EXPECT_FALSE(highlighted(0x2F));
    EXPECT_EQ(shown("EepromChangedLbl"), "2 cells changed since the start");
    EXPECT_EQ(control<QTableWidget>("EepromGrid")->verticalHeaderItem(12)->text(), "C0");
    EXPECT_EQ(control<QTableWidget>("EepromGrid")->horizontalHeaderItem(3)->text(), "3");

    // Written back as it was, the cell is no longer a change.
    ASSERT_EQ(D4Link.WriteEepromByte(0x2E, before), 0x4000);
    window->refresh();
    EXPECT_FALSE(highlighted(0x2E));
    EXPECT_EQ(shown("EepromChangedLbl"), "1 cell changed since the start");

    // The refresh timer runs while the window is up, and only then.
    auto *timer = window->findChild<QTimer *>("RefreshTimer");
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(timer->interval(), 200);
    window->hide();
    EXPECT_FALSE(timer->isActive());
}

// The dialogs are the window's own, found by name and answered as a trainer would.
TEST_F(VirtualPrinterWindowTest, ImageSavedAndLoadedBackThroughTheButtons)
{
    const QString file = scratch.filePath("saved.bin");
    auto answer = [&](const char *button) {
        control<QPushButton>(button)->click();
        auto *dialog = window->findChild<QFileDialog *>("EepromFileDlg");
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->windowModality(), Qt::WindowModal); // the program's windows stay free
        dialog->selectFile(file);
        static_cast<QDialog *>(dialog)->accept(); // as its button does
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    };
    printer.eeprom()[0x10] = 0xAB;
    answer("EepromSaveBtn");
    EXPECT_EQ(shown("EepromMessageLbl"), "Saved the 256 cells to " + file + ".");
    QFile saved(file);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QByteArray bytes = saved.readAll();
    ASSERT_EQ(bytes.size(), 256);
    EXPECT_EQ(uint8_t(bytes[0x10]), 0xAB);
    EXPECT_EQ(uint8_t(bytes[46]), printer.eeprom()[46]);

    const vprinter::EepromImage before = printer.eeprom();
    printer.eeprom().fill(0x00);
    window->refresh();
    EXPECT_TRUE(highlighted(0x10));
    answer("EepromLoadBtn");
    EXPECT_EQ(printer.eeprom(), before);
    EXPECT_EQ(shown("EepromMessageLbl"),
              "Loaded " + file + ". Highlighting starts again from this image.");
    EXPECT_EQ(cell(0x10)->text(), "AB");
    EXPECT_FALSE(highlighted(0x10)); // the loaded image is the new start
    EXPECT_EQ(shown("EepromChangedLbl"), "No cell changed since the start");
}

TEST_F(VirtualPrinterWindowTest, AFileThatIsNotAnImageIsRefusedWithItsReason)
{
    const QString file = scratch.filePath("long.bin");
    QFile longer(file);
    ASSERT_TRUE(longer.open(QIODevice::WriteOnly));
    longer.write(QByteArray(300, '\x22'));
    longer.close();
    const vprinter::EepromImage before = printer.eeprom();

    EXPECT_FALSE(window->LoadEepromImage(file));
    EXPECT_EQ(printer.eeprom(), before);
    EXPECT_EQ(shown("EepromMessageLbl"),
              "Not loaded: " + file
                      + " holds 300 bytes; an EEPROM image holds 256. The EEPROM is as it was.");
    EXPECT_EQ(control<QLabel>("EepromMessageLbl")->palette().color(QPalette::WindowText),
              QColor(192, 0, 0));

    EXPECT_FALSE(window->SaveEepromImage(scratch.filePath("no/folder.bin")));
    EXPECT_TRUE(
            shown("EepromMessageLbl")
                    .startsWith("Not saved: cannot write " + scratch.filePath("no/folder.bin")));
}

TEST_F(VirtualPrinterWindowTest, NeverTakesTheFocus)
{
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowTitle(), "Virtual printer");
    EXPECT_EQ(QApplication::activeWindow(), &program);
    window->hide();
    printer.raster().take(testsupport::text("A\f"));
    QApplication::processEvents();
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(QApplication::activeWindow(), &program);
}

// A click on each window while the program waits: the trainer's goes through at once, the
// program's is swallowed, and the wait takes as long as it was asked to.
TEST_F(VirtualPrinterWindowTest, AWaitOfTheProgramTakesTheTrainersClicksOnly)
{
    auto *programButton = new QPushButton("OK", &program);
    programButton->resize(60, 24);
    programButton->show();
    int programClicks = 0;
    QObject::connect(programButton, &QPushButton::clicked, [&] { ++programClicks; });
    auto click = [](QWidget *target) {
        const QPointF at(5, 5);
        for (const QEvent::Type type : { QEvent::MouseButtonPress, QEvent::MouseButtonRelease })
            QCoreApplication::postEvent(target,
                                        new QMouseEvent(type, at, target->mapToGlobal(at),
                                                        Qt::LeftButton, Qt::LeftButton,
                                                        Qt::NoModifier));
    };

    TrainerClock clock(platform.clock, *window);
    auto *jam = control<QRadioButton>("ErrorRdoGrpItem3");
    click(jam);
    click(programButton);
    clock.sleep(100);
    EXPECT_EQ(printer.state().errorChar, '4');
    EXPECT_EQ(programClicks, 0);
    EXPECT_EQ(platform.clock.nowMs, 100);

    // With the window closed a wait is a plain one: nothing runs until the handler is over.
    window->hide();
    click(control<QRadioButton>("ErrorRdoGrpItem0"));
    clock.sleep(50);
    EXPECT_EQ(printer.state().errorChar, '4');
    EXPECT_EQ(platform.clock.nowMs, 150);
    QApplication::processEvents();
    click(programButton);
    QApplication::processEvents();
    EXPECT_EQ(programClicks, 1);
}

// The program's windows come up in the middle of the screen. Beside them at the right edge
// where there is room; on a 1280 x 1024 screen below them, the Printer tab in one row
// with every control in sight; on a smaller screen at the right edge again.
TEST_F(VirtualPrinterWindowTest, PlacedClearOfTheProgramsWindows)
{
    const QMargins frame(4, 30, 4, 4);
    for (const QSize screen : { QSize(1920, 1080), QSize(1280, 1024), QSize(1024, 768) }) {
        SCOPED_TRACE(screen.width());
        const QRect room(QPoint(0, 0), screen);
        const QRect program(room.center() - QPoint(407, 202), QSize(815, 405));
        const QRect placed = VirtualPrinterWindow::placeBeside(room, program, QSize(520, 720));
        EXPECT_TRUE(room.contains(placed.marginsAdded(frame)));
        if (screen.width() == 1024) {
            EXPECT_EQ(placed, QRect(1024 - 524, 30, 520, 720));
            continue;
        }
        EXPECT_FALSE(placed.marginsAdded(frame).intersects(program.marginsAdded(frame)));
        window->setGeometry(placed);
        control<QTabWidget>("PrinterTabs")->setCurrentWidget(control("PrinterTab"));
        QApplication::processEvents();
        const QWidget *view = control<QScrollArea>("PrinterScroll")->viewport();
        for (const char *name : { "StateRdoGrp", "ErrorRdoGrp", "InkGrp", "CounterGrp" }) {
            const QWidget *group = control(name);
            const QRect seen(group->mapTo(view, QPoint(0, 0)), group->size());
            EXPECT_TRUE(view->rect().contains(seen)) << name;
        }
    }
}

// The three tabs to look at, under CANTRA_SCREENSHOTS when it is set (make screenshots).
TEST_F(VirtualPrinterWindowTest, TabsToLookAt)
{
    const QByteArray named = qgetenv("CANTRA_SCREENSHOTS");
    const QDir out(named.isEmpty() ? scratch.path() : QString::fromLocal8Bit(named));
    startLink();
    printer.state().errorChar = '4';
    printer.state().warnings = { 2 };
    ASSERT_EQ(D4Link.WriteEepromByte(0x2E, 0xF6), 0x4000);
    printer.raster().take(testsupport::text("Virtual printer\f"));
    QApplication::processEvents();
    auto *tabs = control<QTabWidget>("PrinterTabs");
    for (const char *tab : { "PagesTab", "PrinterTab", "EepromTab" }) {
        tabs->setCurrentWidget(control(tab));
        window->refresh();
        const QString path = out.absoluteFilePath(QString("VirtualPrinter-%1.png").arg(tab));
        ASSERT_TRUE(window->grab().save(path)) << tab;
        EXPECT_EQ(QImage(path).size(), window->size()) << tab;
    }
}

} // namespace
