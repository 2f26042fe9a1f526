// The continue dialog on an X server without a window manager, driven by the key events the
// server itself delivers (xdotool), with the pointer away from every window: Return is "Next"
// unless Tab has moved the focus to "Quit".
#include "gui/ShellFixture.h"

#include "shell/DovIvid.h"
#include "shell/RidAzidoz.h"
#include "shell/VorAvov.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>

using namespace testsupport;

namespace {

bool within(int ms, const std::function<bool()> &done)
{
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

void xdotool(const std::string &arguments)
{
    ASSERT_EQ(std::system(("xdotool " + arguments).c_str()), 0) << arguments;
    QApplication::processEvents();
}

class ContinueDialogKeys : public ShellFixture
{
protected:
    // The link started and ended with the windows' own buttons, which brings up the dialog.
    void startAndClose()
    {
        pickModelAndPort(0, 0);
        FormBoot->PortSelectOKBtn->click();
        FormAdjust->AdjustRtnBtn->click();
        ASSERT_TRUE(within(3000, [] { return FormQuit->isVisible(); }));
        within(1000, [] { return FormQuit->isActiveWindow(); });
    }
};

TEST_F(ContinueDialogKeys, ReturnIsNextUnlessTabMovedTheFocusToQuit)
{
    int ended = 0;
    const auto connection
            = QObject::connect(FormBoot, &TFormBoot::programEnded, [&ended] { ++ended; });
    xdotool("mousemove 0 0");
    startAndClose();
    xdotool("key Return");
    EXPECT_TRUE(within(3000, [] { return FormBoot->isVisible(); })) << "Next";
    EXPECT_FALSE(FormQuit->isVisible());
    EXPECT_EQ(ended, 0);

    startAndClose();
    xdotool("key Tab Return");
    EXPECT_TRUE(within(3000, [&ended] { return ended == 1; })) << "Quit";
    QObject::disconnect(connection);
}

} // namespace
