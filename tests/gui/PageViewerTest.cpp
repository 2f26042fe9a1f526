// The printed sheets of the in-process virtual printer: written as numbered PNG files, shown
// on the Pages tab of the virtual printer window without taking the focus, paged through and
// zoomed. With CANTRA_SCREENSHOTS set, hand-made sheets and the viewer are saved there for a
// look.
#include "vprinter/qt/PageViewer.h"
#include "patterns/Dude4vidad.h"
#include "patterns/Ziroreved.h"
#include "patterns/Zurova.h"
#include "shell/VirtualPrinterWindow.h"
#include "support/HandStream.h"
#include "support/LinkFixture.h"
#include "support/SheetReading.h"
#include "vprinter/ServicedPrinter.h"
#include "vprinter/VirtualPrinter.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>
#include <QTemporaryDir>

#include <gmock/gmock.h>

using namespace testsupport;
using namespace testsupport::cmd;
using ::testing::ElementsAreArray;

namespace {

class PrintedPages : public ::testing::Test
{
protected:
    PrintedPages()
    {
        // The program's own window, which holds the focus while pages come out.
        program.setWindowTitle("program");
        program.show();
        QApplication::setActiveWindow(&program);
        QApplication::processEvents();
    }

    // A sheet comes out of the printer; the event loop then gets its turn, and the picture
    // is waited for (by the window that last took on the printer's sheets).
    void print(const Bytes &bytes, VirtualPrinterWindow *shown = nullptr)
    {
        printer.raster().take(bytes);
        QApplication::processEvents();
        (shown ? shown : &window)->pages().settle();
        QApplication::processEvents(); // what showing the page set going
    }
    QString file(int n) const
    {
        return QDir(folder.path())
                .absoluteFilePath(QString("page-%1.png").arg(n, 4, 10, QChar('0')));
    }

    QString where(const VirtualPrinterWindow &shown) const
    {
        return shown.findChild<QLabel *>("PagePathLbl")->text();
    }

    QWidget program;
    QTemporaryDir folder;
    vprinter::VirtualPrinter printer;
    VirtualPrinterWindow window{ printer, folder.path() };
};

TEST_F(PrintedPages, EachSheetIsWrittenAndShownWithoutTakingTheFocus)
{
    auto *tabs = window.findChild<QTabWidget *>("PrinterTabs");
    tabs->setCurrentWidget(window.findChild<QWidget *>("EepromTab"));
    printer.raster().take(text("A\f"));
    EXPECT_EQ(window.viewer()->pageCount(), 0); // not while the printing handler runs
    EXPECT_FALSE(window.isVisible());
    QApplication::processEvents();
    window.pages().settle();
    QApplication::processEvents();

    // A window the trainer had closed comes back, on its Pages tab.
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(where(window), "Page 1 of 1 - " + file(1));
    EXPECT_EQ(tabs->currentWidget()->objectName(), "PagesTab");
    EXPECT_EQ(tabs->tabText(0), "Pages (1)");
    EXPECT_EQ(QApplication::activeWindow(), &program);

    // The file is the sheet at 360 dpi: "A"'s top row is dark from pixel 54 to 71 of row 42.
    const QImage sheet(file(1));
    ASSERT_EQ(sheet.size(), QSize(2976, 4208));
    EXPECT_LT(qGray(sheet.pixel(54, 42)), 64);
    EXPECT_LT(qGray(sheet.pixel(71, 42)), 64);
    EXPECT_EQ(sheet.pixel(53, 42), qRgb(255, 255, 255));
    EXPECT_EQ(sheet.pixel(72, 42), qRgb(255, 255, 255));

    print(text("B\f"));
    EXPECT_EQ(where(window), "Page 2 of 2 - " + file(2));
    EXPECT_TRUE(QFile::exists(file(2)));
    EXPECT_EQ(QApplication::activeWindow(), &program);
    EXPECT_TRUE(printer.pages().empty()); // the sheets left the printer's memory
}

TEST_F(PrintedPages, ViewerPagesAndZooms)
{
    print(text("A\f"));
    print(text("B\f"));
    print(text("C\f"));
    vprinter::PageViewer *viewer = window.viewer();
    auto button = [&](const char *name) { return window.findChild<QPushButton *>(name); };
    ASSERT_NE(button("PagePreviousBtn"), nullptr);
    EXPECT_FALSE(button("PageNextBtn")->isEnabled());

    button("PagePreviousBtn")->click();
    button("PagePreviousBtn")->click();
    EXPECT_EQ(viewer->currentIndex(), 0);
    EXPECT_EQ(where(window), "Page 1 of 3 - " + file(1));
    EXPECT_FALSE(button("PagePreviousBtn")->isEnabled());
    EXPECT_EQ(viewer->currentImage().size(), QSize(2976, 4208)); // read back from its file
    button("PageNextBtn")->click();
    EXPECT_EQ(where(window), "Page 2 of 3 - " + file(2));

    QScrollArea *area = viewer->findChild<QScrollArea *>();
    EXPECT_TRUE(viewer->fitToWindow());
    EXPECT_LT(area->widget()->width(), 2976);
    button("PageActualBtn")->click();
    EXPECT_FALSE(viewer->fitToWindow());
    EXPECT_EQ(area->widget()->size(), QSize(2976, 4208));
    button("PageFitBtn")->click();
    EXPECT_TRUE(viewer->fitToWindow());
    EXPECT_LE(area->widget()->width(), area->viewport()->width());
}

// The trainer's rulers: ticks where the page's 1/720 and 1/360 inches are at the zoom in
// force, counted from the printable area's left edge (48 pixels in) and from the nominal top
// margin (row 42), which the left ruler marks in red; zoomed in step by step up to 800 %.
TEST_F(PrintedPages, RulersFollowTheZoomAndMarkTheTopMargin)
{
    print(text("A\f"));
    window.resize(600, 820);
    vprinter::PageViewer *viewer = window.viewer();
    auto *zoomIn = window.findChild<QPushButton *>("PageZoomInBtn");
    std::vector<int> steps;
    while (zoomIn->isEnabled()) {
        zoomIn->click();
        steps.push_back(viewer->zoomPercent());
    }
    EXPECT_EQ(steps, (std::vector<int>{ 25, 50, 100, 200, 400, 800 }));
    EXPECT_EQ(window.findChild<QLabel *>("PageZoomLbl")->text(), "800 %");
    QScrollArea *area = viewer->findChild<QScrollArea *>();
    EXPECT_EQ(area->widget()->size(), QSize(8 * 2976, 8 * 4208));

    // Tick columns of the top ruler's bottom row and rows of the left ruler's right column.
    auto marks = [&](const char *ruler, bool across) {
        const QImage shot = window.findChild<QWidget *>(ruler)->grab().toImage();

        std::vector<int> at;
        const int length = across ? shot.width() : shot.height();
        for (int i = 0; i < length; ++i)
            if (qGray(across ? shot.pixel(i, shot.height() - 3) : shot.pixel(shot.width() - 3, i))
                < 100)
                at.push_back(i);
        return at;
    };
    auto every = [](int first, int step, int count) {
        std::vector<int> at;
        for (int i = 0; i < count; ++i)
            at.push_back(first + step * i);
        return at;
    };
    auto within = [](std::vector<int> at, int from, int to) {
        std::erase_if(at, [&](int x) { return x < from || x >= to; });
        return at;
    };
    for (const int zoom : { 800, 100 }) {
        SCOPED_TRACE(zoom);
        viewer->setZoom(zoom);
        area->horizontalScrollBar()->setValue(0);
        area->verticalScrollBar()->setValue(0);
        // 1/720 inch is 4 screen pixels at 800 %; at 100 % the ticks stand 5/360 inch apart.
        const int step = zoom == 800 ? 4 : 5;
        const int left = 48 * zoom / 100, top = 42 * zoom / 100;
        EXPECT_THAT(within(marks("PageTopRuler", true), left, left + 150),
                    ElementsAreArray(within(every(left, step, 100), left, left + 150)));
        const int below = top + std::max(2, zoom / 100); // under the margin's red band
        EXPECT_THAT(within(marks("PageLeftRuler", false), below, below + 150),
                    ElementsAreArray(within(every(top, step, 100), below, below + 150)));
    }
    viewer->setZoom(800);
    area->verticalScrollBar()->setValue(0);
    const QImage left = window.findChild<QWidget *>("PageLeftRuler")->grab().toImage();
    // Clear of the numbers and the ticks: rows 336 to 343 are the margin's row, red.
    auto red = [&](int y) {
        return qRed(left.pixel(14, y)) > 200 && qGreen(left.pixel(14, y)) < 30;
    };
    EXPECT_TRUE(red(42 * 8 + 1));
    EXPECT_TRUE(red(43 * 8 - 1));
    EXPECT_FALSE(red(42 * 8 - 1));
    EXPECT_FALSE(red(43 * 8 + 1));
}

TEST_F(PrintedPages, ASheetEjectedAsTheProgramEndsIsStillWritten)
{
    QTemporaryDir last;
    {
        VirtualPages pages(printer, last.path());
        printer.raster().take(text("A\f")); // no turn of the event loop before the end
    }
    EXPECT_TRUE(QFile::exists(QDir(last.path()).absoluteFilePath("page-0001.png")));
}

TEST_F(PrintedPages, NumberingGoesOnAfterPagesAlreadyInTheFolder)
{
    QFile earlier(file(7));
    ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
    earlier.close();
    print(text("A\f"));
    EXPECT_TRUE(QFile::exists(file(8)));
    EXPECT_EQ(window.viewer()->currentPath(), file(8));
}

TEST_F(PrintedPages, AFolderThatCannotBeWrittenStillShowsThePage)
{
    QFile blocker(QDir(folder.path()).absoluteFilePath("blocker"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    VirtualPrinterWindow elsewhere(printer, QDir(folder.path()).absoluteFilePath("blocker/pages"));
    print(text("A\f"), &elsewhere);
    EXPECT_TRUE(where(elsewhere).startsWith("Page 1 of 1 - not saved: cannot create the folder "));
    EXPECT_EQ(elsewhere.viewer()->currentImage().size(), QSize(2976, 4208));
}

// A fresh folder for pictures to look at, under CANTRA_SCREENSHOTS when it is set.
QString lookFolder(const QTemporaryDir &scratch, const QString &name)
{
    const QByteArray named = qgetenv("CANTRA_SCREENSHOTS");
    const QDir out(named.isEmpty() ? scratch.path() : QString::fromLocal8Bit(named));
    QDir(out.absoluteFilePath(name)).removeRecursively();
    return out.absoluteFilePath(name);
}

// Sheets to look at: a band of solid black, text lines, the top-margin corner.
TEST_F(PrintedPages, HandMadeSheets)
{
    VirtualPrinterWindow looked(printer, lookFolder(folder, "pages"));

    Bytes band = text("Solid black band, 2 x 144 units:\r\n") + startRaster(1, 0, 1);
    for (int b = 0; b < 2; ++b) {
        for (int pass = 0; pass < 3; ++pass) {
            band = band + raster(30, 10, 48, 960);
            for (int row = 0; row < 48; ++row)
                band = band + repeat(120, 0xFF);
            band = band + advance(1);
        }
        band = band + advance(141);
    }
    band = band + init() + text("\r\nThe quick brown fox jumps over the lazy dog. 0123456789\r\n")
            + text("!\"#$%&'()*+,-./:;<=>?@[\\]^_`{|}~ ABCDEFGHIJKLMNOPQRSTUVWXYZ\r\n")
            + text("  data:   -4            -2            0             2             4\r\n");
    Bytes corner = startRaster(1, 16, 1) + paperSize(2976, 4208) + pageFormat(42, 7966)
            + resolution(360, 3, 1) + multiLevel(0, 720, 48) + repeat(120, 0xFF) + repeat(120, 0xFF)
            + repeat(110, 0xFF) + repeat(120, 0) + repeat(120, 0) + repeat(120, 0) + repeat(10, 0);
    for (int row = 1; row < 48; ++row) {
        corner = corner + literal({ 0xC0 }) + repeat(119, 0);
        for (int k = 0; k < 5; ++k)
            corner = corner + repeat(120, 0);
    }
    corner = corner + init() + text("\r\n\r\n\r\n") + init() + text("Top Adjust = -5") + text("\f");
    print(band + text("\f"), &looked);
    print(corner, &looked);
    EXPECT_EQ(looked.viewer()->pageCount(), 2);
    looked.resize(600, 820);
    EXPECT_TRUE(
            looked.grab().save(QDir(looked.pages().directory()).absoluteFilePath("viewer.png")));
}

class PatternSheets : public LinkFixture
{
protected:
    QTemporaryDir scratch;
};

// The program's own sheets to look at: the A4 check sheet and a Bi-D print.
TEST_F(PatternSheets, CheckSheetAndBidPrint)
{
    printer.eeprom() = vprinter::servicedEeprom();
    VirtualPrinterWindow looked(printer, lookFolder(scratch, "patterns"));
    startLink();
    ASSERT_TRUE(A4check.PrintCheckSheet(770));
    ASSERT_TRUE(Bid.PrintBidPattern(false));
    Raster.FormFeed();
    QApplication::processEvents();
    looked.pages().settle();
    EXPECT_EQ(looked.viewer()->pageCount(), 2);
}

// What the trainer sees at 800 %: a new board's half step (blank cells against errors of 0)
// as the groups of -1 and 1 of Multi shot 1, and a top-margin line 14/360 inch low (error 9,
// -5 stored) against the left ruler.
TEST_F(PatternSheets, HalfStepAndTopMarginUnderTheRulers)
{
    printer.eeprom() = vprinter::servicedEeprom();
    printer.eeprom()[51] = printer.eeprom()[52] = printer.eeprom()[53] = 0xFF;
    printer.eeprom()[46] = 0xFB;
    printer.bidErrors() = { 0, 0, 0 };
    printer.topMarginError() = 9;
    VirtualPrinterWindow looked(printer, lookFolder(scratch, "rulers"));
    looked.resize(640, 560);
    startLink();
    ASSERT_TRUE(Bid.PrintBidPattern(false));
    Raster.FormFeed();
    Raster.PrintTopMarginLine();
    ASSERT_EQ(printer.pages().size(), 2u);
    const std::vector<BidReading> readings = readBidPatterns(SheetPicture(printer.pages()[0]));
    ASSERT_EQ(readings.size(), 3u);
    QApplication::processEvents();
    looked.pages().settle();

    vprinter::PageViewer *viewer = looked.viewer();
    QScrollArea *area = viewer->findChild<QScrollArea *>();
    auto lookAt = [&](int page, double x, double y, const QString &name) {
        viewer->showPage(page);
        viewer->setZoom(800);
        area->horizontalScrollBar()->setValue(int(x * 8) - area->viewport()->width() / 2);
        area->verticalScrollBar()->setValue(int(y * 8) - area->viewport()->height() / 2);
        EXPECT_TRUE(looked.grab().save(QDir(looked.pages().directory()).absoluteFilePath(name)));
    };
    const BidReading &ms1 = readings[0];
    const double middle = ms1.candidateTop + ms1.candidateRows / 2.0;
    lookAt(0, ms1.reference[2][0], middle, "bid-group-3.png");
    lookAt(0, ms1.reference[3][0], middle, "bid-group-4.png");
    lookAt(1, 70, 52, "top-margin.png");
    EXPECT_EQ(viewer->pageCount(), 2);
}

} // namespace
