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

#include <gmock/gmock.h>

using namespace testsupport;

namespace {

class Screenshots : public ShellFixture
{ };

TEST_F(Screenshots, EveryWindowAndEveryPanel)
{
    QTemporaryDir scratch;
    const QString named = qEnvironmentVariable("CANTRA_SCREENSHOTS");
    const QDir directory(named.isEmpty() ? scratch.path() : named);
    ASSERT_TRUE(directory.mkpath("."));
    const auto save = [&directory](QWidget *window, const char *name) {
        EXPECT_TRUE(window->grab().save(directory.filePath(QString(name) + ".png"))) << name;
    };
    save(FormBoot, "FormBoot");
    save(FormQuit, "FormQuit");
    save(AboutBox, "AboutBox");

    // A connected R70PA after "Get status".
    pickModelAndPort(0, 0);
    FormBoot->PortSelectOKBtnClick();
    FormAdjust->GetStatusBtnClick();
    save(StatusMonitorWindow, "StatusMonitorWindow");
    save(FormAdjust, "FormAdjust");

    ASSERT_TRUE(FormAdjust->SaveScreenshots(directory.path()));
    // One picture per panel, each showing its panel rather than the blank work area, and the
    // window left as it was.
    const QImage blank(directory.filePath("CanvasPnl.png"));
    ASSERT_FALSE(blank.isNull());
    const QStringList names = TFormAdjust::PanelNames();
    EXPECT_EQ(names.size(), 32);
    for (const QString &name : names) {
        if (name == "CanvasPnl")
            continue;
        const QImage picture(directory.filePath(name + ".png"));
        EXPECT_FALSE(picture.isNull()) << name.toStdString();
        EXPECT_NE(picture, blank) << name.toStdString();
    }
    EXPECT_FALSE(FormAdjust->findChild<QWidget *>("BidPnl")->isVisibleTo(FormAdjust));
    EXPECT_TRUE(FormAdjust->findChild<QWidget *>("CanvasPnl")->isVisibleTo(FormAdjust));
}

} // namespace
