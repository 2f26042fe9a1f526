// Protection counter check and clear, head cleaning and initial ink charge on the virtual
// printer, which runs its sequences for a few seconds of the test clock.
#include "WorkflowFixture.h"

#include "shell/RidAzidoz.h"

#include <gmock/gmock.h>

#include <string>

using namespace testsupport;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Pair;

namespace {

class Counter : public Workflow
{
protected:
    void open(int modelRow, int item)
    {
        connect(modelRow);
        printer.eeprom()[10] = 0x0B;
        printer.eeprom()[11] = 0x7C;
        openItem("MentRdoGrp", 3);
        choose("CounterRdoBtn", item);
        click("ProCounterOKBtn");
    }
};

TEST_F(Counter, CheckShowsTheValue)
{
    open(0, 0);
    ASSERT_THAT(visiblePanels(), ElementsAre("CounterCheckPnl"));
    click("CounterCheckOKBtn");
    EXPECT_EQ(memoText(), "Counter value = 2940");
    EXPECT_EQ(memoColour(), Black);
    EXPECT_THAT(sent().eepromReads(), ElementsAre(11, 10));

    // Over the pad's limit it is shown just the same.
    printer.eeprom()[10] = 0x23;
    printer.eeprom()[11] = 0x28;
    click("CounterCheckOKBtn");
    EXPECT_EQ(memoText(), "Counter value = 9000");
    EXPECT_THAT(dialogTexts(), IsEmpty());
}

TEST_F(Counter, ClearWithYesWritesTheStartOfTheModelRow)
{
    for (const auto &[row, high, low] : { std::tuple{ 0, 0x0B, 0x7C }, std::tuple{ 1, 0x0B, 0x7C },
                                          std::tuple{ 2, 0, 0 }, std::tuple{ 3, 0, 0 } }) {
        SCOPED_TRACE(row);
        open(row, 1);
        printer.eeprom()[10] = 0x20;
        printer.eeprom()[11] = 0x9E;
        ASSERT_THAT(visiblePanels(), ElementsAre("CounterClearPnl"));
        click("CounterClearOKBtn");
        ASSERT_EQ(platform.dialogs.shown.size(), 1u);
        EXPECT_EQ(platform.dialogs.shown[0].text, "Have you replaced the Waste Ink Pad certainly?");
        EXPECT_EQ(platform.dialogs.shown[0].buttons, platform::MessageButtons::YesNo);
        EXPECT_THAT(sent().eepromWrites(), ElementsAre(Pair(10, high), Pair(11, low)));
        EXPECT_EQ(memoText(), "The protect counter has been initialized.");
        EXPECT_EQ(text("ShowProCounterPnl"), "Initialized");
        EXPECT_THAT(visiblePanels(), ElementsAre("CounterClearPnl"));
        FormAdjust->close();
    }
}

TEST_F(Counter, ClearWithNoWritesNothingAndLeavesTheWorkAreaBlank)
{
    open(0, 1);
    platform.dialogs.answers = { platform::MessageAnswer::No };
    click("CounterClearOKBtn");
    EXPECT_THAT(dialogTexts(),
                ElementsAre("Have you replaced the Waste Ink Pad certainly?",
                            "Please replace the Waste Ink Pad."));
    EXPECT_EQ(platform.dialogs.shown[1].kind, platform::MessageKind::Warning);
    EXPECT_THAT(sent().controlCommands(), IsEmpty());
    EXPECT_THAT(visiblePanels(), ElementsAre("CanvasPnl"));
    EXPECT_EQ(memoText(), "");
    EXPECT_EQ(text("ShowProCounterPnl"), "");
}

TEST_F(Counter, ExchangesWithoutReplyShowNoValueAndNoInitialisation)
{
    open(0, 0);
    faultAtPacket(ControlEepromRead, 2, [](vprinter::Faults &f) { f.shortReplies = 1; });
    click("CounterCheckOKBtn");
    EXPECT_EQ(memoText(), CommunicationError);
    EXPECT_EQ(memoColour(), Red);

    click("CounterCheckRtnBtn");
    choose("CounterRdoBtn", 1);
    click("ProCounterOKBtn");
    faultAtPacket(ControlEepromWrite, 2, [](vprinter::Faults &f) { f.silent = true; });
    click("CounterClearOKBtn");
    EXPECT_EQ(memoText(), CommunicationError);
    EXPECT_EQ(memoColour(), Red);
    EXPECT_EQ(text("ShowProCounterPnl"), "");
}

class Sequence : public Workflow
{ };

TEST_F(Sequence, HeadCleaningWaitsForReadyThenShowsBlueUntilTheHeadIsClean)
{
    connect(0);
    openItem("MentRdoGrp", 0);
    printer.busyFor(3000);
    watchWhatIsSeen();
    click("CleaningOKBtn");

    // Busy twice, then ready: the command goes once. The printer cleans for 8 s, polled every
    // 2 s under the blue message, and the black text follows the first ready answer.
    EXPECT_THAT(log,
                ElementsAre("st black: ", "st black: ", "st black: ",
                            "FactoryCleaning(1: head cleaning)",
                            "st blue disabled: Cleaning the head now.",
                            "st blue disabled: Cleaning the head now.",
                            "st blue disabled: Cleaning the head now.",
                            "st blue disabled: Cleaning the head now.",
                            "st blue disabled: Cleaning the head now."));
    EXPECT_EQ(memoText(), "Head cleaning is completed.");
    EXPECT_EQ(memoColour(), Black);
    EXPECT_TRUE(FormAdjust->isEnabled());
    EXPECT_FALSE(platform.cursor.busy);
    EXPECT_THAT(visiblePanels(), ElementsAre("CleaningPnl"));
}

TEST_F(Sequence, InitialInkChargeRunsItsOwnMode)
{
    connect(2);
    openItem("MentRdoGrp", 1);
    watchWhatIsSeen();
    click("ChargeOKBtn");
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(log[0], "st black: ");
    EXPECT_EQ(log[1], "FactoryCleaning(10: initial ink charge)");
    EXPECT_EQ(log[2], "st blue disabled: Performing Initial Ink Charge now.");
    EXPECT_EQ(sent().factoryNames(), std::vector<std::string>{ "Cleaning(10)" });
    EXPECT_EQ(memoText(), "Initial Ink Charge is completed.");
    EXPECT_EQ(memoColour(), Black);
}

TEST_F(Sequence, APrinterInErrorBeforeTheStartGetsNothing)
{
    connect(0);
    printer.state().stateDigit = '0';
    printer.state().errorChar = '5';
    for (const auto &[item, button] :
         { std::pair{ 0, "CleaningOKBtn" }, std::pair{ 1, "ChargeOKBtn" } }) {
        openItem("MentRdoGrp", item);
        click(button);
        EXPECT_EQ(memoText(), "Printer is error.");
        EXPECT_EQ(memoColour(), Red);
    }
    EXPECT_THAT(sent().data(), IsEmpty());
    EXPECT_TRUE(FormAdjust->isEnabled());
}

} // namespace

namespace {

// A printer still busy when the link starts gets no data channel at the start; once it is
// ready, the cleaning opens the channel before its command, so the printer takes it.
TEST_F(Sequence, APrinterBusyAtTheStartStillGetsItsCleaningOnAnOpenChannel)
{
    printer.busyFor(3000);
    connect(0);
    ASSERT_FALSE(printer.channelOpen(64));
    openItem("MentRdoGrp", 0);
    click("CleaningOKBtn");

    std::vector<std::string> dataChannel;
    for (const std::string &line : sent().lines())
        if (line.find("64") != std::string::npos)
            dataChannel.push_back(line);
    EXPECT_THAT(dataChannel,
                ElementsAre("OpenChannel(64)", "CreditRequest(64, 200)", "Credit(64, 200)",
                            "data on 64: FactoryCleaning(1: head cleaning)"));
    EXPECT_EQ(printer.creditViolations(), 0);
    EXPECT_EQ(memoText(), "Head cleaning is completed.");
}

} // namespace
