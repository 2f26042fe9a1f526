// A window-system close that arrives while a workflow works is refused, and the window is
// usable again at the next connection whatever state a close left it in.
#include "WorkflowFixture.h"

#include "link/Vuviredorizaduzu.h"
#include "shell/DovIvid.h"
#include "shell/RidAzidoz.h"
#include "shell/VorAvov.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QWindow>

#include <gmock/gmock.h>

#include <string>
#include <vector>

using namespace testsupport;
using ::testing::ElementsAre;

namespace {

// Notes what the window showed each time a close request reached it.
class CloseWatcher : public QObject
{
public:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Close)
            seen.push_back(FormAdjust->StatusMemo->toPlainText().toStdString());
        return false;
    }
    std::vector<std::string> seen;
};

class CloseWhileBusy : public Workflow
{
protected:
    void SetUp() override
    {
        connect(0);
        ASSERT_NE(FormAdjust->windowHandle(), nullptr);
        FormAdjust->windowHandle()->installEventFilter(&watcher);
    }
    void TearDown() override { FormAdjust->windowHandle()->removeEventFilter(&watcher); }

    // A close of the title bar, queued as the window system would deliver it.
    void requestClose()
    {
        QCoreApplication::postEvent(FormAdjust->windowHandle(), new QCloseEvent);
    }
    // Nothing of the close sequence reached the printer, and the window is still there.
    void expectNotClosed()
    {
        for (const char *closing : { "CloseChannel(64)", "CloseChannel(2)", "Exit" })
            EXPECT_THAT(sent().transactions(), ::testing::Not(::testing::Contains(closing)));
        EXPECT_THAT(sent().controlCommands(), ::testing::Not(::testing::Contains("rs")));
        EXPECT_TRUE(PrinterDriver.IsOpen());
        EXPECT_TRUE(FormAdjust->isVisible());
        EXPECT_FALSE(FormQuit->isVisible());
    }

    CloseWatcher watcher;
};

TEST_F(CloseWhileBusy, ACloseDuringHeadCleaningChangesNothingOnTheWire)
{
    openItem("MentRdoGrp", 0);
    requestClose();
    click("CleaningOKBtn");
    // It arrived while the blue message was up, the first time the window let events in.
    EXPECT_THAT(watcher.seen, ElementsAre("Cleaning the head now."));
    expectNotClosed();
    EXPECT_EQ(memoText(), "Head cleaning is completed.");
    EXPECT_EQ(sent().factoryNames(), std::vector<std::string>{ "Cleaning(1)" });
}

TEST_F(CloseWhileBusy, ACloseWhileTheBackupQuestionIsUpIsRefused)
{
    openItem("MentRdoGrp", 5);
    platform.dialogs.whileShown = [this](const platform::Message &) {
        requestClose();
        QCoreApplication::processEvents(); // the question's own event loop
    };
    click("BackupOKBtn");
    EXPECT_EQ(watcher.seen.size(), 1u);
    EXPECT_EQ(memoText(), "Writing backup data succeeded.");
    EXPECT_TRUE(FormAdjust->isVisible());
    EXPECT_FALSE(FormQuit->isVisible());
    EXPECT_THAT(sent().controlCommands(), ::testing::Not(::testing::Contains("rs")));
}

TEST_F(CloseWhileBusy, ACloseInTheLockedExchangeIsRefusedLikeQuit)
{
    openItem("MentRdoGrp", 2);
    click("MessageOKBtn");
    click("CRmoveBtn");
    printer.clearReceived();
    requestClose();
    QCoreApplication::processEvents();
    EXPECT_EQ(watcher.seen.size(), 1u);
    expectNotClosed();
    EXPECT_THAT(visiblePanels(), ElementsAre("TraStep2Pnl"));
}

TEST_F(CloseWhileBusy, AnIdleWindowClosesByTheTitleBar)
{
    requestClose();
    QCoreApplication::processEvents();
    EXPECT_EQ(watcher.seen.size(), 1u);
    EXPECT_FALSE(FormAdjust->isVisible());
    EXPECT_FALSE(PrinterDriver.IsOpen());
    EXPECT_THAT(sent().controlCommands(), ElementsAre("rs"));
}

TEST_F(CloseWhileBusy, TheWindowIsEnabledAtTheNextConnection)
{
    // Left disabled by a busy message, then closed by the close sequence itself.
    FormAdjust->ShowStatus(smBusy, "Cleaning the head now.");
    ASSERT_FALSE(FormAdjust->isEnabled());
    FormAdjust->FormClose();
    FormAdjust->hide();
    ASSERT_TRUE(FormQuit->isVisible());

    connect(0);
    EXPECT_TRUE(FormAdjust->isEnabled());
    EXPECT_TRUE(FormAdjust->AdjustRtnBtn->isEnabled());
    openItem("MentRdoGrp", 3);
    EXPECT_THAT(visiblePanels(), ElementsAre("CounterPnl"));
}

} // namespace
