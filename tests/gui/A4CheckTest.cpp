// The A4 check sheet from its tab: the busy message while it prints, the completion text once
// the printer is ready, and "Printer is error." when the printer is in error.
#include "support/LinkFixture.h"
#include "support/PacketQuery.h"

#include "shell/DovIvid.h"
#include "shell/RidAzidoz.h"
#include "status/ZedOvovurEduvudo.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

#include <gmock/gmock.h>

#include <memory>
#include <string>
#include <vector>

using namespace testsupport;
using ::testing::ElementsAre;

namespace {

class A4CheckPrint : public LinkFixture
{
protected:
    A4CheckPrint()
    {
        quit = std::make_unique<TFormQuit>();
        FormQuit = quit.get();
        monitor = std::make_unique<TStatusMonitorWindow>();
        StatusMonitorWindow = monitor.get();
        window = std::make_unique<TFormAdjust>();
        FormAdjust = window.get();
        window->ModelCodeSource = [this] { return modelCode; };
        window->show();
        startLink();
        printer.clearReceived();
        platform.cursor.changes.clear();
    }
    ~A4CheckPrint() override
    {
        window.reset();
        FormAdjust = nullptr;
        StatusMonitorWindow = nullptr;
        FormQuit = nullptr;
    }

    void print()
    {
        window->A4patRdoBtn->click();
        QPushButton *ok = window->findChild<QPushButton *>(QStringLiteral("A4CheckPrnOKBtn"));
        ASSERT_NE(ok, nullptr);
        ok->click();
    }
    QString memo() const { return window->StatusMemo->toPlainText(); }

    uint16_t modelCode = 770;
    std::unique_ptr<TFormQuit> quit;
    std::unique_ptr<TStatusMonitorWindow> monitor;
    std::unique_ptr<TFormAdjust> window;
};

TEST_F(A4CheckPrint, APrinterInErrorGetsTwoInitialisesAndAStatusRequestOnly)
{
    printer.state().errorChar = '4';
    print();
    const PacketQuery query(printer);
    EXPECT_THAT(query.dataHex(), ElementsAre("1B 40", "1B 40"));
    EXPECT_THAT(query.controlCommands(), ElementsAre("st"));
    EXPECT_EQ(memo(), "Printer is error.");
    EXPECT_EQ(window->StatusColour(), QColor(255, 0, 0));
    EXPECT_TRUE(window->isEnabled());
    EXPECT_THAT(platform.cursor.changes, ElementsAre(true, false));
}

TEST_F(A4CheckPrint, BusyWhilePrintingThenCompletedWhenReady)
{
    modelCode = 776;
    QString memoWhilePrinting;
    QColor colourWhilePrinting;
    bool enabledWhilePrinting = true;
    printer.onData = [&](const std::vector<uint8_t> &) {
        if (!memoWhilePrinting.isEmpty())
            return;
        memoWhilePrinting = memo();
        colourWhilePrinting = window->StatusColour();
        enabledWhilePrinting = window->isEnabled();
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
    printer.onTrace = nullptr;

    EXPECT_EQ(memoWhilePrinting, "A4 pattern is printing now.");
    EXPECT_EQ(colourWhilePrinting, QColor(0, 0, 255));
    EXPECT_FALSE(enabledWhilePrinting);

    EXPECT_EQ(memo(), "A4 pattern print is completed.");
    EXPECT_EQ(window->StatusColour(), QColor(0, 0, 0));
    EXPECT_TRUE(window->isEnabled());
    EXPECT_THAT(platform.cursor.changes, ElementsAre(true, false));

    const PacketQuery query(printer);
    const auto data = query.printData();
    const std::string banner = "    ***************  Cantra R50PA(ESP)";
    EXPECT_EQ(std::string(data.at(2).begin(), data.at(2).end()), banner + '\0')
            << "the window's model reaches the sheet";
    // Eight checks of the sheet and five of its Bi-D pattern, then the completion wait: busy
    // at 0, 2000 and 4000 ms, ready at 6000.
    EXPECT_EQ(query.statusRequests(), 8 + 5 + 4);
}

} // namespace
