// The A4 check sheet from its tab: the busy message while it prints, the completion text once
// the printer is ready, and "Printer is error." when the printer is in error.
#include "WorkflowFixture.h"

#include "shell/RidAzidoz.h"

#include <QRadioButton>

#include <gmock/gmock.h>

#include <string>
#include <vector>

using namespace testsupport;
using ::testing::ElementsAre;

namespace {

class A4CheckPrint : public Workflow
{
protected:
    void print()
    {
        FormAdjust->A4patRdoBtn->click();
        click("A4CheckPrnOKBtn");
    }
};

TEST_F(A4CheckPrint, APrinterInErrorGetsTwoInitialisesAndAStatusRequestOnly)
{
    connect(0);
    printer.state().errorChar = '4';
    print();
    EXPECT_THAT(sent().dataHex(), ElementsAre("1B 40", "1B 40"));
    EXPECT_THAT(sent().controlCommands(), ElementsAre("st"));
    EXPECT_EQ(memoText(), "Printer is error.");
    EXPECT_EQ(memoColour(), Red);
    EXPECT_TRUE(FormAdjust->isEnabled());
    EXPECT_THAT(platform.cursor.changes, ElementsAre(true, false));
}

TEST_F(A4CheckPrint, BusyWhilePrintingThenCompletedWhenReady)
{
    connect(3); // Cantra R50PA (ESP)
    QString memoWhilePrinting;
    QColor colourWhilePrinting;
    bool enabledWhilePrinting = true;
    printer.onData = [&](const std::vector<uint8_t> &) {
        if (!memoWhilePrinting.isEmpty())
            return;
        memoWhilePrinting = memoText();
        colourWhilePrinting = memoColour();
        enabledWhilePrinting = FormAdjust->isEnabled();
    };
    // The printer is still busy with the sheet when it has taken the last packet: the second
    // initialise after the page eject (the first opens the sheet's last readiness check).
    int initialisesAfterEject = -1;
    printer.onTrace = [this, &initialisesAfterEject](const std::string &line) {
        if (line == "data on 64: 0C")
            initialisesAfterEject = 0;
        else if (line == "data on 64: 1B 40" && initialisesAfterEject >= 0
                 && ++initialisesAfterEject == 2)
            printer.busyFor(5000);
    };
    print();
    printer.onData = nullptr;

    EXPECT_EQ(memoWhilePrinting, "A4 pattern is printing now.");
    EXPECT_EQ(colourWhilePrinting, Blue);
    EXPECT_FALSE(enabledWhilePrinting);

    EXPECT_EQ(memoText(), "A4 pattern print is completed.");
    EXPECT_EQ(memoColour(), Black);
    EXPECT_TRUE(FormAdjust->isEnabled());
    EXPECT_THAT(platform.cursor.changes, ElementsAre(true, false));

    const auto data = sent().printData();
    const std::string banner = "    ***************  Cantra R50PA(ESP)";
    EXPECT_EQ(std::string(data.at(2).begin(), data.at(2).end()), banner + '\0')
            << "the window's model reaches the sheet";
    // Eight checks of the sheet and five of its Bi-D pattern, then the completion wait: busy
    // at 0, 2000 and 4000 ms, ready at 6000.
    EXPECT_EQ(sent().statusRequests(), 8 + 5 + 4);
}

} // namespace
