// The scripted walk: start window, adjustment window, one Bi-D print, the trainer's window and
// the close, through the windows' own buttons. Every picture's path goes to standard output.
#include "shell/DemoWalk.h"

#include "shell/DovIvid.h"
#include "shell/RidAzidoz.h"
#include "shell/VirtualPrinterWindow.h"
#include "shell/VorAvov.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTimer>

#include <algorithm>
#include <cstdio>

DemoWalk::DemoWalk(const QString &directory, VirtualPrinterWindow &trainer)
    : m_directory(directory), m_trainer(&trainer), m_boxTimer(new QTimer(this))
{
    QDir().mkpath(directory);
    m_boxTimer->setInterval(StepMs / 2);
    connect(m_boxTimer, &QTimer::timeout, this, &DemoWalk::answerBoxes);

    m_steps = {
        [this] {
            saveScreen("01-screen-at-start");
            FormBoot->ModelNameCombo->setCurrentIndex(0);
            FormBoot->UsePortCombo->setCurrentIndex(0);
            save(FormBoot, "02-start-window");
        },
        [this] { FormBoot->PortSelectOKBtn->click(); },
        [this] {
            saveScreen("03-screen-adjustment-window");
            save(FormAdjust, "04-adjustment-window");
            press(FormAdjust, "AdjustRdoGrpItem2"); // "Bi-D"
            press(FormAdjust, "BidOKBtn"); // "Print the Bi-D Adjustment pattern" is chosen
        },
        [this] {
            save(FormAdjust, "05-bid-print-panel");
            press(FormAdjust, "BidPrnOKBtn");
        },
        [this] {
            save(FormAdjust, "06-bid-printed");
            auto *tabs = control<QTabWidget>(m_trainer, "PrinterTabs");
            if (!tabs)
                return;
            tabs->setCurrentWidget(control(m_trainer, "PagesTab"));
            save(m_trainer, "07-trainer-pages");
            tabs->setCurrentWidget(control(m_trainer, "PrinterTab"));
            saveScreen("08-screen-after-the-print");
            // The lesson's error: a paper jam, read with "Get status".
            press(m_trainer, "ErrorRdoGrpItem3");
            save(m_trainer, "09-trainer-paper-jam");
            press(FormAdjust, "GetStatusBtn");
            save(FormAdjust, "10-get-status-paper-jam");
            press(m_trainer, "ErrorRdoGrpItem0");
            press(FormAdjust, "GetStatusBtn");
        },
        // The close resets the printer and waits its 10 seconds; the continue dialog follows.
        [this] { press(FormAdjust, "AdjustRtnBtn"); },
        [this] {
            save(FormQuit, "11-continue-dialog");
            saveScreen("12-screen-continue-dialog");
            m_boxTimer->stop();
            FormQuit->QuitBtn->click();
        },
    };
}

void DemoWalk::start()
{
    m_boxTimer->start();
    QTimer::singleShot(StepMs, this, &DemoWalk::runNextStep);
}

void DemoWalk::runNextStep()
{
    if (m_next >= m_steps.size())
        return;
    // A step returns when its handler has: the next one starts from what that left.
    m_steps[m_next++]();
    QTimer::singleShot(StepMs, this, &DemoWalk::runNextStep);
}

template<typename T> T *DemoWalk::control(QWidget *window, const char *name)
{
    T *found = window ? window->findChild<T *>(QString::fromLatin1(name)) : nullptr;
    if (!found) {
        std::fprintf(stderr, "demo walk: no control %s\n", name);
        m_failed = true;
    }
    return found;
}

void DemoWalk::press(QWidget *window, const char *name)
{
    if (auto *button = control<QAbstractButton>(window, name))
        button->click();
}

void DemoWalk::save(QWidget *window, const QString &name)
{
    const QString path = QDir(m_directory).absoluteFilePath(name + QStringLiteral(".png"));
    if (!window || !window->grab().save(path)) {
        std::fprintf(stderr, "demo walk: could not save %s\n", qPrintable(path));
        m_failed = true;
        return;
    }
    std::printf("%s\n", qPrintable(path));
    std::fflush(stdout);
}

void DemoWalk::saveScreen(const QString &name)
{
    // The whole screen shows where the windows are placed; a platform without one gives none.
    QApplication::processEvents();
    QScreen *screen = QGuiApplication::primaryScreen();
    const QPixmap shot = screen ? screen->grabWindow(0) : QPixmap();
    if (shot.isNull())
        return;
    const QString path = QDir(m_directory).absoluteFilePath(name + QStringLiteral(".png"));
    if (!shot.save(path)) {
        std::fprintf(stderr, "demo walk: could not save %s\n", qPrintable(path));
        m_failed = true;
        return;
    }
    std::printf("%s\n", qPrintable(path));
    std::fflush(stdout);
}

void DemoWalk::answerBoxes()
{
    for (QWidget *top : QApplication::topLevelWidgets()) {
        auto *box = qobject_cast<QMessageBox *>(top);
        if (!box || !box->isVisible())
            continue;
        if (std::find(m_answered.begin(), m_answered.end(), box) != m_answered.end())
            continue;
        m_answered.emplace_back(box);
        save(box, QStringLiteral("box-%1").arg(++m_boxes));
        if (QAbstractButton *button = box->defaultButton())
            button->click();
    }
}
