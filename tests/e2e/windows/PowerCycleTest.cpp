// The program's windows on the real POSIX port against cantra-vprinter on a pseudo-terminal:
// a printer switched off while connected and on again, and one that is off when the
// technician presses OK.
#include "e2e/PtyPrinter.h"
#include "gui/ShellFixture.h"
#include "support/ProgramTexts.h"
#include "support/TestPlatform.h"

#include "link/Roro4dodu.h"
#include "link/Vuviredorizaduzu.h"
#include "shell/DovIvid.h"
#include "shell/FormControls.h"
#include "shell/RidAzidoz.h"
#include "shell/VodIroze.h"
#include "shell/VorAvov.h"
#include "status/ZedOvovurEduvudo.h"

#include <QComboBox>
#include <QPushButton>

#include <gmock/gmock.h>

#include <cstdlib>

using namespace testsupport;
using namespace e2e;
using ::testing::ElementsAre;

namespace {

// The windows as at program start, LPT1 bound to the pseudo-terminal. The pauses of the link
// run on the test clock; the port's own time-outs are real, and twenty times shorter.
class PowerCycle : public ::testing::Test, protected Lpt1OnLink
{
protected:
    PowerCycle() { freshWindows(); }
    ~PowerCycle() override
    {
        for (QWidget *window : std::initializer_list<QWidget *>{ FormAdjust, FormQuit, AboutBox,
                                                                 StatusMonitorWindow, FormBoot })
            window->hide();
    }
    void pickModelAndPort(int modelRow, int portRow)
    {
        FormBoot->ModelNameCombo->setCurrentIndex(modelRow);
        FormBoot->UsePortCombo->setCurrentIndex(portRow);
    }

    TestPlatform platform;
    const PortTimeDivisor shorter{ 20 };
};

// Switched off while connected: "Quit" gives the first step of the close its tries (about 17 s
// on a real port with its usual time-outs), sends nothing more to a printer that cannot hear it,
// ends no program and brings the continue/quit dialog. Switched on again, "Next" and OK reach it on
// a freshly opened port.
TEST_F(PowerCycle, PrinterSwitchedOffAndOnAgainIsReachedWithoutARestart)
{
    VirtualPrinterProcess printer(link, trace);
    pickModelAndPort(0, 0);
    FormBoot->PortSelectOKBtnClick();
    ASSERT_TRUE(FormAdjust->isVisible());
    ASSERT_EQ(PrinterStatus, psReady);

    ASSERT_TRUE(printer.switchOff());
    FormAdjust->AdjustRtnBtn->click();
    EXPECT_TRUE(platform.dialogs.texts().empty());
    EXPECT_TRUE(platform.process.exits.empty());
    EXPECT_FALSE(FormAdjust->isVisible());
    EXPECT_TRUE(FormQuit->isVisible());
    EXPECT_FALSE(PrinterDriver.IsOpen());
    EXPECT_FALSE(platform.cursor.busy);

    ASSERT_TRUE(printer.switchOn());
    FormQuit->NextBtn->click();
    ASSERT_TRUE(FormBoot->isVisible());
    pickModelAndPort(0, 0);
    FormBoot->PortSelectOKBtnClick();
    EXPECT_TRUE(FormAdjust->isVisible());
    EXPECT_EQ(PrinterStatus, psReady);
    EXPECT_EQ(printer.count("entry into packet mode"), 2);

    // With the printer on, the close is the usual one, with its reset.
    FormAdjust->AdjustRtnBtn->click();
    EXPECT_THAT(platform.dialogs.texts(), ElementsAre(InitializeMessage));
    EXPECT_TRUE(printer.waitForTrace("data on 2: \"rs\""));
    EXPECT_TRUE(FormQuit->isVisible());
    FormQuit->hide();
}

// Off when OK is pressed: after the three tries of the entry, one warning says what to check
// and the start window stays; switched on, OK again connects.
TEST_F(PowerCycle, PrinterOffAtTheStartIsReportedAndOkAgainConnects)
{
    VirtualPrinterProcess printer(link, trace, { "--silent" });
    pickModelAndPort(1, 0);
    FormBoot->PortSelectOKBtnClick();
    EXPECT_THAT(platform.dialogs.texts(), ElementsAre(NoAnswerMessage));
    EXPECT_EQ(platform.dialogs.shown.front().kind, platform::MessageKind::Warning);
    EXPECT_TRUE(FormBoot->isVisible());
    EXPECT_FALSE(FormAdjust->isVisible());
    EXPECT_FALSE(platform.cursor.busy);
    EXPECT_EQ(PrinterStatus, psError);
    EXPECT_EQ(ErrorStatus, esCommunication);

    ASSERT_TRUE(printer.switchOn());
    FormBoot->PortSelectOKBtnClick();
    EXPECT_TRUE(FormAdjust->isVisible());
    EXPECT_EQ(PrinterStatus, psReady);
    EXPECT_EQ(platform.dialogs.shown.size(), 1u);
    FormAdjust->AdjustRtnBtn->click();
    EXPECT_TRUE(FormQuit->isVisible());
    FormQuit->hide();
}

} // namespace
