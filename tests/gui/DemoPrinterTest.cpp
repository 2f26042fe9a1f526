// The start states of the program's in-process printer, as the start sequence decodes them.
#include "ShellFixture.h"

#include "link/Roro4dodu.h"
#include "shell/DemoPrinter.h"
#include "shell/RidAzidoz.h"
#include "shell/VorAvov.h"
#include "vprinter/ServicedPrinter.h"

#include <gmock/gmock.h>

using namespace testsupport;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

namespace {

struct Expected
{
    const char *state;
    std::vector<std::string> memo;
    bool dataChannel;
};

void PrintTo(const Expected &expected, std::ostream *out)
{
    *out << expected.state;
}

class DemoPrinter : public ShellFixture, public ::testing::WithParamInterface<Expected>
{ };

TEST_P(DemoPrinter, StartStateIsWhatTheTechnicianSeesAfterOk)
{
    ASSERT_TRUE(prepareVirtualPrinter(printer, GetParam().state));
    EXPECT_EQ(printer.eeprom(), vprinter::servicedEeprom());
    pickModelAndPort(0, 2);
    FormBoot->PortSelectOKBtnClick();
    EXPECT_TRUE(FormAdjust->isVisible());
    EXPECT_EQ(printer.channelOpen(DataSocket), GetParam().dataChannel);
    if (GetParam().dataChannel) // a ready start writes nothing; "Get status" shows the state
        FormAdjust->GetStatusBtnClick();
    EXPECT_THAT(memoLines(), ElementsAreArray(GetParam().memo));
}

INSTANTIATE_TEST_SUITE_P(
        States, DemoPrinter,
        ::testing::Values(
                Expected{ "ready", { "Ready to print." }, true },
                Expected{ "busy", { "Printer is busy." }, false },
                Expected{ "paper-jam", { "Paper is jammed." }, false },
                Expected{
                        "ink-out",
                        { "Black ink is out.", "Black : N226", "Replace the black ink cartridge." },
                        false },
                Expected{ "paper-misload",
                          { "The paper is loaded incorrectly in the Automatic Sheet" },
                          false },
                Expected{ "maintenance", { "A maintenance request error has occured." }, false }),
        [](const auto &info) {
            std::string name = info.param.state;
            std::erase(name, '-');
            return name;
        });

class DemoStart : public ShellFixture
{ };

TEST_F(DemoStart, BusyPrinterBecomesReadyInTime)
{
    ASSERT_TRUE(prepareVirtualPrinter(printer, "busy"));
    pickModelAndPort(1, 0);
    FormBoot->PortSelectOKBtnClick();
    ASSERT_THAT(memoLines(), ElementsAre("Printer is busy."));
    platform.clock.sleep(60'000);
    FormAdjust->GetStatusBtnClick();
    EXPECT_THAT(memoLines(), ElementsAre("Ready to print."));
}

TEST_F(DemoStart, UnknownStateLeavesThePrinterAlone)
{
    EXPECT_FALSE(prepareVirtualPrinter(printer, "on-fire"));
    EXPECT_EQ(printer.state().stateDigit, '4');
    EXPECT_EQ(printer.eeprom()[0], 0xFF);
    EXPECT_EQ(virtualPrinterStates().front(), "ready");
    EXPECT_EQ(virtualPrinterStates().size(), 6u);
}

} // namespace
