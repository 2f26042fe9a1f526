// The scan dialog offscreen, by object name, against the pnm backend: it lists the scanners,
// scans at the chosen resolution and hands the page back; a failure or a cancel keeps it open
// for another try; without a scanner it says so and offers no scan.
#include "PnmBench.h"

#include "scanner/qt/ScanDialog.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include <gtest/gtest.h>

#include <functional>

using namespace testsupport;
using namespace std::chrono_literals;

namespace {

std::vector<uint8_t> stripes(int width, int height)
{
    std::vector<uint8_t> grey(size_t(width) * size_t(height));
    for (size_t i = 0; i < grey.size(); ++i)
        grey[i] = (i % size_t(width)) / 8 % 2 ? 0 : 255;
    return grey;
}

class ScanDialogTest : public ::testing::Test
{
protected:
    ScanDialogTest() { sheet = bench.write("sheet.pgm", pgm(120, 90, stripes(120, 90))); }

    void open(const scanner::ScanRequest &defaults)
    {
        session = std::make_unique<scanner::Session>(limits);
        dialog = std::make_unique<ScanDialog>(*session, defaults);
        dialog->show();
        ASSERT_TRUE(until([&] { return !shown("MessageLbl").startsWith("Looking"); }));
    }
    template<typename T = QWidget> T *control(const char *name) const
    {
        T *found = dialog->findChild<T *>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    // For `make screenshots`-style runs with CANTRA_SCREENSHOTS set to a folder.
    void screenshot(const char *name) const
    {
        if (const char *folder = std::getenv("CANTRA_SCREENSHOTS"))
            dialog->grab().save(QDir(folder).filePath(name));
    }
    QString shown(const char *label) const { return control<QLabel>(label)->text(); }
    // Lets the dialog run until `done`, for up to ten seconds.
    static bool until(const std::function<bool()> &done)
    {
        QElapsedTimer timer;
        timer.start();
        while (!done() && timer.elapsed() < 10000)
            QApplication::processEvents(QEventLoop::AllEvents, 20);
        return done();
    }
    // The dialog is still up for another try: the message in red, every control usable.
    void expectReadyAgain(const QString &message)
    {
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_EQ(shown("MessageLbl"), message);
        EXPECT_TRUE(control<QLabel>("MessageLbl")->styleSheet().contains("192, 0, 0"));
        EXPECT_TRUE(control<QPushButton>("ScanBtn")->isEnabled());
        EXPECT_TRUE(control<QListWidget>("DeviceList")->isEnabled());
        EXPECT_TRUE(control<QComboBox>("ResolutionBox")->isEnabled());
    }

    PnmBench bench;
    std::string sheet;
    scanner::Limits limits;
    std::unique_ptr<scanner::Session> session;
    std::unique_ptr<ScanDialog> dialog;
};

TEST_F(ScanDialogTest, ListsTheScannersAndHandsBackThePageAtTheChosenResolution)
{
    open(PnmBench::request(sheet, 600, {}, "pnm:1"));
    auto *devices = control<QListWidget>("DeviceList");
    ASSERT_EQ(devices->count(), 2);
    EXPECT_EQ(devices->item(0)->text(), "Noname PNM file reader (pnm:0)");
    EXPECT_EQ(devices->currentRow(), 1) << "the device asked for";
    EXPECT_EQ(control<QComboBox>("ResolutionBox")->currentText(), "600 dpi");
    EXPECT_EQ(shown("MessageLbl"), "Lay the sheet face down on the glass, then press Scan.");
    screenshot("scan-dialog.png");

    control<QComboBox>("ResolutionBox")->setCurrentIndex(0);
    control<QPushButton>("ScanBtn")->click();
    ASSERT_TRUE(until([&] { return !dialog->isVisible(); })) << shown("MessageLbl").toStdString();
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(dialog->requestedDpi(), 300);
    EXPECT_EQ(dialog->page().dpi, 300);
    const QImage image = dialog->image();
    ASSERT_EQ(image.format(), QImage::Format_Grayscale8);
    ASSERT_EQ(image.size(), QSize(120, 90));
    const std::vector<uint8_t> expected = stripes(120, 90);
    for (int y = 0; y < 90; ++y)
        for (int x = 0; x < 120; ++x)
            ASSERT_EQ(image.pixelColor(x, y).red(), expected[size_t(y * 120 + x)]) << x << "," << y;
    EXPECT_EQ(image.dotsPerMeterX(), 11811);
}

TEST_F(ScanDialogTest, AFailureIsShownAndCancelThenClosesTheDialog)
{
    open(PnmBench::request(sheet, 600, { { "status-jammed", "yes" } }));
    control<QPushButton>("ScanBtn")->click();
    EXPECT_FALSE(control<QPushButton>("ScanBtn")->isEnabled()) << "one scan at a time";
    ASSERT_TRUE(until([&] { return control<QPushButton>("ScanBtn")->isEnabled(); }));
    expectReadyAgain("The document feeder of scanner \"pnm:0\" is jammed.");
    screenshot("scan-dialog-failed.png");
    control<QPushButton>("CancelBtn")->click();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
}

TEST_F(ScanDialogTest, CancelAnswersAtOnceEvenWhenTheScannerHangsAndKeepsTheDialog)
{
    StalledPipe pipe(bench.path("hung.pgm"));
    limits.cancel = 300ms;
    open(PnmBench::request(pipe.path()));
    control<QPushButton>("ScanBtn")->click();
    EXPECT_EQ(shown("MessageLbl"), "Scanning...");
    control<QPushButton>("CancelBtn")->click();
    EXPECT_EQ(shown("MessageLbl"), "Cancelling...");
    ASSERT_TRUE(until([&] { return control<QPushButton>("ScanBtn")->isEnabled(); }));
    expectReadyAgain("The scan was cancelled.");
    // The backend gets out of its call before the pipe goes.
    pipe.release();
    dialog.reset();
    session.reset();
}

TEST_F(ScanDialogTest, WithoutAScannerItSaysSoAndOffersNoScan)
{
    bench.setBackends("");
    open({});
    EXPECT_EQ(shown("MessageLbl"), "No scanner found.");
    EXPECT_EQ(control<QListWidget>("DeviceList")->count(), 0);
    EXPECT_FALSE(control<QPushButton>("ScanBtn")->isEnabled());
}

} // namespace
