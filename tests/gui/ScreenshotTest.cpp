// Pictures of every window and every panel of the adjustment window, rendered offscreen into
// the directory named by CANTRA_SCREENSHOTS (a scratch directory when unset), as a connected
// technician would see them.
#include "ShellFixture.h"

#include "shell/DovIvid.h"
#include "shell/RidAzidoz.h"
#include "shell/VodIroze.h"
#include "shell/VorAvov.h"
#include "status/ZedOvovurEduvudo.h"

#include <QDir>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace testsupport;

namespace {

class Screenshots : public ShellFixture
{
protected:
    QString directory()
    {
        const QByteArray named = qgetenv("CANTRA_SCREENSHOTS");
        if (!named.isEmpty()) {
            QDir().mkpath(QString::fromLocal8Bit(named));
            return QString::fromLocal8Bit(named);
        }
        return scratch.path();
    }
    // Saves a window's client area and checks the file holds a picture of it.
    void save(QWidget *window, const char *name)
    {
        const QString path = QDir(directory()).filePath(QString(name) + ".png");
        ASSERT_TRUE(window->grab().save(path)) << name;
        const QImage image(path);
        EXPECT_EQ(image.size(), window->size()) << name;
    }
    QTemporaryDir scratch;
};

TEST_F(Screenshots, EveryWindowAndEveryPanel)
{
    save(FormBoot, "FormBoot");
    save(FormQuit, "FormQuit");
    save(AboutBox, "AboutBox");

    // A connected R70PA after "Get status".
    pickModelAndPort(0, 0);
    FormBoot->PortSelectOKBtnClick();
    FormAdjust->GetStatusBtnClick();
    save(StatusMonitorWindow, "StatusMonitorWindow");
    save(FormAdjust, "FormAdjust");

    ASSERT_TRUE(FormAdjust->SaveScreenshots(directory()));
    for (const QString &panel : TFormAdjust::PanelNames()) {
        const QImage image(QDir(directory()).filePath(panel + ".png"));
        EXPECT_EQ(image.size(), FormAdjust->size()) << panel.toStdString();
    }
    EXPECT_TRUE(TFormAdjust::PanelNames().contains("CanvasPnl"));
}

} // namespace
