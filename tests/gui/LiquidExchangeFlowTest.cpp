// The transportation liquid exchange from its first panel to its last on the virtual printer:
// the panel chain, the command sequences, the locked controls and the printer left un-reset.
#include "WorkflowFixture.h"

#include "link/Roro4dodu.h"
#include "shell/DovIvid.h"
#include "shell/FormControls.h"
#include "shell/RidAzidoz.h"
#include "vprinter/ServicedPrinter.h"

#include <QPushButton>
#include <QTabWidget>

#include <gmock/gmock.h>

#include <string>
#include <vector>

using namespace testsupport;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

namespace {

const std::vector<std::string> CarriageOut
        = { "C5(2, 0, 77, 0)",  "C4(5, 0, 2, 0)", "C4(5, 1, 4, 0)",
            "C5(2, 1, 244, 1)", "C4(5, 0, 2, 0)", "C4(3, 0, 112, 1)" };
const std::vector<std::string> CarriageHome = { "C4(3, 1, 112, 1)", "C5(2, 1, 77, 0)" };
const std::vector<std::string> CarriageOutAgain = { "C5(2, 0, 77, 0)", "C4(3, 0, 112, 1)" };

class LiquidExchange : public Workflow
{
protected:
    void open(int modelRow)
    {
        connect(modelRow);
        openItem("MentRdoGrp", 2);
        ASSERT_THAT(visiblePanels(), ElementsAre("TraStep0Pnl"));
    }
    // Presses a panel's OK and returns the factory commands it sent.
    std::vector<std::string> step(const char *button)
    {
        printer.clearReceived();
        click(button);
        return sent().factoryNames();
    }
    // The four controls the locked part of the chain disables.
    std::vector<bool> frameEnabled() const
    {
        return { FormAdjust->AdjustmentTab->isEnabled(), FormAdjust->MentRdoGrp->isEnabled(),
                 FormAdjust->AdjustRtnBtn->isEnabled(), FormAdjust->GetStatusBtn->isEnabled() };
    }
    const std::vector<bool> Locked{ false, false, false, false };
    const std::vector<bool> Free{ true, true, true, true };

    void errorWhenCommandArrives(const std::string &command)
    {
        printer.onTrace = [this, command](const std::string &line) {
            if (line == "data on 64: " + command) {
                printer.state().stateDigit = '0';
                printer.state().errorChar = '4';
            }
        };
    }
    void clearError()
    {
        printer.onTrace = nullptr;
        printer.state().stateDigit = '4';
        printer.state().errorChar = 0;
    }
};

TEST_F(LiquidExchange, NoLeadsToTheNoteAndPreviosBackWithTheLastAnswer)
{
    open(0);
    choose("MessageSelectRdoGrp", 1);
    EXPECT_THAT(step("MessageOKBtn"), IsEmpty());
    EXPECT_THAT(visiblePanels(), ElementsAre("NotePnl"));
    EXPECT_THAT(step("MainRtnBtn"), IsEmpty());
    EXPECT_THAT(visiblePanels(), ElementsAre("TraStep0Pnl"));
    EXPECT_EQ(control<TRadioGroup>("MessageSelectRdoGrp")->itemIndex(), 1);
    choose("MessageSelectRdoGrp", 0);
    EXPECT_THAT(step("MessageOKBtn"), IsEmpty());
    EXPECT_THAT(visiblePanels(), ElementsAre("TraStep1Pnl"));
    EXPECT_EQ(frameEnabled(), Free);
    EXPECT_THAT(sent().all(), IsEmpty());
}

TEST_F(LiquidExchange, WholeChainSendsItsSequencesAndLocksTheWindowUntilTheEnd)
{
    open(1);
    printer.eeprom() = vprinter::servicedEeprom();
    choose("MessageSelectRdoGrp", 0);
    step("MessageOKBtn");

    EXPECT_EQ(step("CRmoveBtn"), CarriageOut);
    EXPECT_THAT(visiblePanels(), ElementsAre("TraStep2Pnl"));
    EXPECT_EQ(memoText(), "Move the carriage to the replacement position.");
    EXPECT_EQ(frameEnabled(), Locked);

    EXPECT_EQ(step("CRreturnBtn"), CarriageHome);
    EXPECT_THAT(visiblePanels(), ElementsAre("TransPnl"));
    EXPECT_EQ(memoText(), "Return the carriage to the home position.");
    EXPECT_EQ(frameEnabled(), Locked);

    watchWhatIsSeen();
    const std::vector<std::string> exchange1 = step("TransOKBtn");
    EXPECT_EQ(exchange1.size(), 29u);
    EXPECT_EQ(std::count(exchange1.begin(), exchange1.end(), "C5(32, 0, 48, 117)"), 5);
    EXPECT_EQ(exchange1.front(), "C4(5, 0, 2, 0)");
    EXPECT_EQ(exchange1.back(), "C4(5, 0, 15, 0)");
    EXPECT_THAT(log,
                ::testing::Contains(
                        "st blue disabled: Performing Transportion Liquid Exchange 1 now."));
    EXPECT_THAT(visiblePanels(), ElementsAre("TraStep3Pnl"));
    EXPECT_EQ(memoText(), "Transportion Liquid Exchange 1 is completed.");
    EXPECT_EQ(memoColour(), Black);
    EXPECT_EQ(frameEnabled(), Locked);
    EXPECT_TRUE(FormAdjust->isEnabled());

    EXPECT_EQ(step("TransCompleteBtn"), CarriageOutAgain);
    EXPECT_THAT(visiblePanels(), ElementsAre("TraStep4Pnl"));
    EXPECT_EQ(memoText(), "Move the carriage to the replacement position.");
    EXPECT_EQ(frameEnabled(), Locked);

    log.clear();
    const std::vector<std::string> last = step("CRreturn2Btn");
    ASSERT_EQ(last.size(), 15u + 41u);
    EXPECT_EQ(last[0], "81()");
    EXPECT_EQ(last[14], "C4(5, 0, 2, 0)");
    std::vector<std::string> writes(last.begin() + 15, last.end());
    std::vector<std::string> expectedWrites = { "W(0, 16)" };
    for (int address = 1; address <= 8; ++address)
        expectedWrites.push_back("W(" + std::to_string(address) + ", 0)");
    expectedWrites.insert(expectedWrites.end(), { "W(9, 4)", "W(10, 11)", "W(11, 124)" });
    for (int address = 12; address <= 40; ++address)
        expectedWrites.push_back("W(" + std::to_string(address) + ", 0)");
    EXPECT_EQ(writes, expectedWrites);
    // The ready poll comes after all of it, on the first panel again with the memo emptied,
    // the window still disabled by the busy message.
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), "st black disabled: ");
    EXPECT_THAT(visiblePanels(), ElementsAre("TraStep0Pnl"));
    EXPECT_EQ(memoText(), "Transportion Liquid Exchange 2 is completed.");
    EXPECT_EQ(frameEnabled(), Free);
    EXPECT_TRUE(FormAdjust->ExchangeDone);
    EXPECT_EQ(printer.eeprom()[0], 16);
    EXPECT_EQ(printer.eeprom()[10] * 256 + printer.eeprom()[11], 2940);
    EXPECT_EQ(printer.eeprom()[41], vprinter::servicedEeprom()[41]) << "nothing beyond cell 40";

    // Closing now leaves the printer as the exchange left it.
    printer.clearReceived();
    click("AdjustRtnBtn");
    EXPECT_THAT(dialogTexts(), IsEmpty());
    EXPECT_THAT(sent().controlCommands(), IsEmpty());
    EXPECT_THAT(sent().transactions(), ElementsAre("CloseChannel(64)", "CloseChannel(2)", "Exit"));
    EXPECT_TRUE(FormQuit->isVisible());
}

TEST_F(LiquidExchange, EspModelsStartTheCounterAtZero)
{
    open(3);
    for (const char *button :
         { "MessageOKBtn", "CRmoveBtn", "CRreturnBtn", "TransOKBtn", "TransCompleteBtn" })
        step(button);
    printer.clearReceived();
    click("CRreturn2Btn");
    const auto names = sent().factoryNames();
    EXPECT_THAT(names, ::testing::Contains("W(10, 0)"));
    EXPECT_THAT(names, ::testing::Contains("W(11, 0)"));
    EXPECT_EQ(printer.eeprom()[10] * 256 + printer.eeprom()[11], 0);
}

TEST_F(LiquidExchange, AnErrorInTheLockedPartLetsTheSameOkTryTheStepAgain)
{
    open(0);
    step("MessageOKBtn");
    step("CRmoveBtn");
    // "No" to leaving the unfinished exchange, after each error.
    platform.dialogs.answers = { platform::MessageAnswer::No, platform::MessageAnswer::No };

    errorWhenCommandArrives("FactoryCommandC5(2, 1, 77, 0)");
    EXPECT_EQ(step("CRreturnBtn"), CarriageHome);
    EXPECT_EQ(memoText(), "Printer is error.");
    EXPECT_EQ(memoColour(), Red);
    EXPECT_THAT(visiblePanels(), ElementsAre("TraStep2Pnl"));
    EXPECT_TRUE(FormAdjust->isEnabled());
    EXPECT_EQ(frameEnabled(), Locked) << "the chain stays locked";

    clearError();
    EXPECT_EQ(step("CRreturnBtn"), CarriageHome);
    EXPECT_THAT(visiblePanels(), ElementsAre("TransPnl"));
    EXPECT_EQ(memoText(), "Return the carriage to the home position.");

    // After the busy message of exchange 1 the window is given back as well.
    errorWhenCommandArrives("FactoryCommand81()");
    EXPECT_EQ(step("TransOKBtn").size(), 29u);
    EXPECT_EQ(memoText(), "Printer is error.");
    EXPECT_THAT(visiblePanels(), ElementsAre("TransPnl"));
    EXPECT_TRUE(FormAdjust->isEnabled());
    EXPECT_FALSE(platform.cursor.busy);
    EXPECT_EQ(frameEnabled(), Locked);

    clearError();
    EXPECT_EQ(step("TransOKBtn").size(), 29u);
    EXPECT_THAT(visiblePanels(), ElementsAre("TraStep3Pnl"));
    EXPECT_EQ(memoText(), "Transportion Liquid Exchange 1 is completed.");
    EXPECT_FALSE(FormAdjust->ExchangeDone);
}

} // namespace
