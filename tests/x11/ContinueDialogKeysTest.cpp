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

namespace {

bool within(const std::function<bool()> &done)
{
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < 3000)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

class ContinueDialogKeys : public testsupport::ShellFixture
{ };

TEST_F(ContinueDialogKeys, ReturnIsNextUnlessTabMovedTheFocusToQuit)
{
    int ended = 0;
    QObject::connect(FormBoot, &TFormBoot::programEnded, [&ended] { ++ended; });
    ASSERT_EQ(std::system("xdotool mousemove 0 0"), 0);
    for (const char *keys : { "xdotool key Return", "xdotool key Tab Return" }) {
        // The link started and ended with the windows' own buttons.
        pickModelAndPort(0, 0);
        FormBoot->PortSelectOKBtn->click();
        FormAdjust->AdjustRtnBtn->click();
        ASSERT_TRUE(within([] { return FormQuit->isVisible(); }));
        within([] { return FormQuit->isActiveWindow(); }); // the technician reads it first
        ASSERT_EQ(std::system(keys), 0);
        EXPECT_TRUE(within([] { return !FormQuit->isVisible(); })) << keys;
    }
    EXPECT_EQ(ended, 1) << "Next, then Quit";
    EXPECT_FALSE(FormBoot->isVisible());
}

} // namespace
