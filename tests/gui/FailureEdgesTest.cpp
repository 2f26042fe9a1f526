// The failure edges of the workflows on the virtual printer: the board-swap backup that outlives
// a lost port and the program, data-channel writes that never arrived, the exchange that must
// not count as done, the way out of a locked exchange and the link started again after the
// printer dropped out.
#include "WorkflowFixture.h"
#include "support/ServiceCells.h"

#include "link/Roro4dodu.h"
#include "link/Vuviredorizaduzu.h"
#include "records/BoardBackup.h"
#include "records/Json.h"
#include "shell/FormControls.h"
#include "shell/RidAzidoz.h"
#include "vprinter/ServicedPrinter.h"
#include "vprinter/VirtualPort.h"

#include <QPushButton>
#include <QTabWidget>

#include <gmock/gmock.h>

using namespace testsupport;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

const char *const ReplaceQuestion
        = "After replacing MAIN Board and turn on power. click the OK button.";
const char *const NoAnswerBackupHeld
        = "The printer does not answer.\nThe backup data is still held. Check the cable and the "
          "power of the printer, then click the OK button again.";
const char *const UnrestoredQuestion
        = "The EEPROM backup data read on 2026-12-08 09:30:00 from a Cantra R70PA on LPT1 has "
          "not been written back yet.\nDo you want to write it to this printer now?";
const char *const LeaveQuestion
        = "The transportation liquid exchange is not finished.\nDo you want to leave it? Nothing "
          "more will be sent to the printer.\nClick No to try this step again.";

// The port to the virtual printer with a hook before every write, where a test may switch the
// printer off between two packets; and a port that cannot be opened while `portGone` is set.
class HookedPort : public vprinter::VirtualPort
{
public:
    HookedPort(vprinter::VirtualPrinter &printer, std::function<void()> &hook)
        : VirtualPort(printer), m_hook(hook)
    { }
    bool write(const uint8_t *data, size_t length, size_t &written) override
    {
        if (m_hook)
            m_hook();
        return VirtualPort::write(data, length, written);
    }

private:
    std::function<void()> &m_hook;
};

class FailureEdges : public Workflow
{
protected:
    FailureEdges()
    {
        platform::systemPorts().setVirtualFactory(
                [this]() -> std::unique_ptr<platform::PortDevice> {
                    if (portGone)
                        return nullptr;
                    return std::make_unique<HookedPort>(printer, beforeWrite);
                });
        printer.eeprom() = vprinter::servicedEeprom();
    }
    std::vector<records::json::Value> record() const
    {
        std::vector<records::json::Value> values;
        for (const std::string &line : recordLines(platform.dataFolder))
            values.push_back(records::json::parse(line).value_or(records::json::Value{}));
        return values;
    }
    std::vector<bool> frameEnabled() const
    {
        return { FormAdjust->AdjustmentTab->isEnabled(), FormAdjust->MentRdoGrp->isEnabled(),
                 FormAdjust->AdjustRtnBtn->isEnabled(), FormAdjust->GetStatusBtn->isEnabled() };
    }
    void exchangeUpToTheLastStep()
    {
        openItem("MentRdoGrp", 2);
        for (const char *button :
             { "MessageOKBtn", "CRmoveBtn", "CRreturnBtn", "TransOKBtn", "TransCompleteBtn" })
            click(button);
        printer.clearReceived();
    }

    bool portGone = false;
    std::function<void()> beforeWrite;
};

TEST_F(FailureEdges, TheBackupIsOnDiskBeforeTheLinkGoesDownAndMarkedOnceWrittenBack)
{
    const vprinter::EepromImage oldBoard = printer.eeprom();
    connect(0);
    openItem("MentRdoGrp", 5);
    std::optional<records::BoardBackup> onDisk;
    platform.dialogs.whileShown = [&](const platform::Message &message) {
        if (message.text != ReplaceQuestion)
            return;
        EXPECT_FALSE(PrinterDriver.IsOpen());
        onDisk = records::newestUnrestored();
        printer.eeprom().fill(0xFF);
    };
    click("BackupOKBtn");

    ASSERT_TRUE(onDisk);
    ASSERT_EQ(onDisk->cells.size(), 56u);
    for (const auto &[address, value] : onDisk->cells)
        EXPECT_EQ(value, oldBoard[address]) << int(address);
    EXPECT_EQ(onDisk->model, "Cantra R70PA");
    EXPECT_EQ(memoText(), "Writing backup data succeeded.");
    records::BoardBackup after;
    std::string error;
    ASSERT_TRUE(records::loadBackup(onDisk->file, after, error)) << error;
    EXPECT_EQ(after.restored, "2026-12-08 10:00:00") << "kept, and marked";

    const auto lines = record();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].textOf("item"), "EEPROM backup");
    EXPECT_EQ(lines[0].textOf("headId"), "H3PR2C");
    EXPECT_EQ(lines[0].textOf("file"), onDisk->file.string());
    EXPECT_EQ(lines[1].textOf("item"), "EEPROM backup restore");
    EXPECT_EQ(lines[1].find("cells")->items.size(), 56u);
    EXPECT_EQ(lines[1].textOf("result"), "acknowledged");
    EXPECT_EQ(lines[1].textOf("headId"), "H3PR2C") << "as written to the new board";
}

TEST_F(FailureEdges, APortThatCannotBeOpenedAfterTheSwapKeepsTheBackupForAnotherTry)
{
    connect(0);
    openItem("MentRdoGrp", 5);
    int questions = 0;
    platform.dialogs.whileShown = [&](const platform::Message &message) {
        if (message.text == ReplaceQuestion)
            portGone = ++questions == 1;
    };
    click("BackupOKBtn");
    EXPECT_THAT(dialogTexts(), ElementsAre(ReplaceQuestion, NoAnswerBackupHeld, ReplaceQuestion));
    EXPECT_TRUE(platform.process.exits.empty());
    EXPECT_EQ(memoText(), "Writing backup data succeeded.");
}

TEST_F(FailureEdges, ABackupNeverWrittenBackIsOfferedWhenTheItemIsChosen)
{
    for (const bool yes : { false, true }) {
        SCOPED_TRACE(yes ? "Yes" : "No");
        records::BoardBackup backup{
            "2026-12-08 09:30:00", "Cantra R70PA", 770, "LPT1", "", {}, "", {}
        };
        for (const int address : BackupCellOrder)
            backup.cells.emplace_back(uint8_t(address), vprinter::servicedEeprom()[address]);
        std::string error;
        ASSERT_TRUE(records::saveBackup(backup, error)) << error;
        printer.eeprom().fill(0xFF);
        connect(0);
        platform.dialogs.answers
                = { yes ? platform::MessageAnswer::Yes : platform::MessageAnswer::No };
        openItem("MentRdoGrp", 5);

        EXPECT_THAT(dialogTexts(), ElementsAre(UnrestoredQuestion));
        EXPECT_THAT(visiblePanels(), ElementsAre("EepromBackupPnl"));
        records::BoardBackup after;
        ASSERT_TRUE(records::loadBackup(backup.file, after, error)) << error;
        EXPECT_EQ(after.restored.empty(), !yes) << "the file is kept either way";
        if (yes) {
            EXPECT_EQ(sent().eepromWrites().size(), 56u);
            EXPECT_EQ(sent().eepromReads(), BackupCellOrder) << "read back";
            for (const int address : BackupCellOrder)
                EXPECT_EQ(printer.eeprom()[address], vprinter::servicedEeprom()[address]);
            EXPECT_EQ(memoText(), "Writing backup data succeeded.");
        } else {
            EXPECT_THAT(sent().all(), IsEmpty());
        }
        FormAdjust->close();
    }
}

// A value sent on the data channel to a printer that grants no credit (switched off) is no
// value written: the message of the control-channel writes, and the panel keeps what it had.
TEST_F(FailureEdges, DataChannelWritesThatNeverArrivedAreNotReportedAsWritten)
{
    const struct
    {
        int item;
        const char *group;
        int choice;
        const char *button, *edit, *value, *ok, *box;
    } writes[] = {
        { 2, "BidRdoBtn", 1, "BidOKBtn", "BidWrtEdit", "12", "BidWrtOKBtn", "ShowMs1Pnl" },
        { 3, "UsbIdRdoBtn", 0, "UsbIdOKBtn", "UsbIdInputEdit", "ABCDE12345", "UsbIdInputOKBtn",
          "ShowPrnUsbIDLbl" },
        { 4, "TopMarginRdoGrp", 1, "TopMarginMainBtn", "TopMarginEdit", "5", "TopMarginWriteOKBtn",
          "ShowTopMarginPnl" },
    };
    for (const auto &w : writes) {
        SCOPED_TRACE(w.ok);
        printer.switchOn();
        connect(0, 771);
        openItem("AdjustRdoGrp", w.item);
        choose(w.group, w.choice);
        click(w.button);
        if (std::string(w.button) == "BidOKBtn")
            click("BidWrtSelOKBtn");
        printer.switchOff();
        type(w.edit, w.value);
        click(w.ok);
        EXPECT_EQ(memoText(), CommunicationError);
        EXPECT_EQ(memoColour(), Red);
        EXPECT_EQ(text(w.box), "");
        EXPECT_EQ(record().back().textOf("result"), "no credit");
        FormAdjust->close();
    }
}

// Switched off between the EEPROM reset's writes, with credit still in hand: the ready poll
// goes unanswered, so the exchange is not done, the lock and the step's retry stay; switched
// on again, the same OK starts the link again and finishes it.
TEST_F(FailureEdges, AnExchangeWhoseResetMayNotHaveArrivedIsNotDone)
{
    connect(0);
    exchangeUpToTheLastStep();
    int packets = 0;
    beforeWrite = [&] {
        if (++packets == 40)
            printer.switchOff();
    };
    platform.dialogs.answers = { platform::MessageAnswer::No };
    click("CRreturn2Btn");
    beforeWrite = nullptr;

    EXPECT_FALSE(FormAdjust->ExchangeDone);
    EXPECT_EQ(memoText(), CommunicationError);
    EXPECT_THAT(dialogTexts(), ElementsAre(LeaveQuestion));
    EXPECT_THAT(visiblePanels(), ElementsAre("TraStep4Pnl"));
    EXPECT_EQ(frameEnabled(), std::vector<bool>(4, false));
    EXPECT_TRUE(FormAdjust->isEnabled());
    EXPECT_FALSE(record().back().find("done")->boolean);

    printer.switchOn();
    printer.clearReceived();
    click("CRreturn2Btn");
    EXPECT_EQ(sent().lines().front(), "entry into packet mode");
    EXPECT_TRUE(FormAdjust->ExchangeDone);
    EXPECT_EQ(memoText(), "Transportion Liquid Exchange 2 is completed.");
    EXPECT_EQ(printer.eeprom()[10] * 256 + printer.eeprom()[11], 2940);
    EXPECT_TRUE(record().back().find("done")->boolean);
}

// A maintenance request in the locked part can only be cleared through items the lock keeps
// away: Yes to the question leaves the exchange, sends nothing more and frees the window.
TEST_F(FailureEdges, ALockedExchangeCanBeLeftAfterAnError)
{
    connect(0);
    openItem("MentRdoGrp", 2);
    click("MessageOKBtn");
    click("CRmoveBtn");
    printer.state().stateDigit = '0';
    printer.state().errorChar = 'B';
    printer.clearReceived();
    platform.dialogs.answers = { platform::MessageAnswer::Yes };
    click("CRreturnBtn");

    EXPECT_THAT(dialogTexts(), ElementsAre(LeaveQuestion));
    EXPECT_EQ(frameEnabled(), std::vector<bool>(4, true));
    EXPECT_THAT(visiblePanels(), ElementsAre("TraStep0Pnl"));
    EXPECT_TRUE(FormAdjust->isEnabled());
    EXPECT_EQ(sent().factoryNames().size(), 2u) << "the step's own commands and nothing after";
    EXPECT_FALSE(FormAdjust->ExchangeDone);
    EXPECT_TRUE(record().back().find("leftUnfinished")->boolean);
}

// Switched off and on again mid-session: the first exchange fails as before. A printer that
// still does not answer costs the next "Get status" one entry's tries and one message, and no
// status request; once it answers, the next item starts the link again and says so.
TEST_F(FailureEdges, TheNextItemOrGetStatusStartsALostLinkAgain)
{
    connect(0);
    printer.switchOff();
    click("GetStatusBtn");
    EXPECT_EQ(memoText(), CommunicationError);
    ASSERT_TRUE(D4Link.LinkLost());

    printer.switchOn();
    printer.faults().silent = true;
    printer.clearReceived();
    platform.clock.sleeps.clear();
    const int64_t start = platform.clock.nowMs;
    click("GetStatusBtn");
    EXPECT_EQ(memoText(), CommunicationError);
    EXPECT_EQ(std::count(platform.clock.sleeps.begin(), platform.clock.sleeps.end(), 1000u), 2)
            << "the three tries of the entry and nothing after";
    EXPECT_EQ(statusRequests(), 0);
    EXPECT_LE(platform.clock.nowMs - start, 2100);

    printer.faults().silent = false;
    printer.switchOff();
    printer.switchOn();
    openItem("AdjustRdoGrp", 1); // "Protection counter" of the recovery list
    EXPECT_EQ(memoText(), LinkStartedAgainText);
    EXPECT_THAT(visiblePanels(), ElementsAre("CounterPnl"));
    click("ProCounterOKBtn");
    printer.clearReceived();
    click("CounterCheckOKBtn");
    EXPECT_EQ(memoText(), "Counter value = 3412");
    EXPECT_THAT(sent().transactions(), ::testing::Not(Contains("Init")));
    click("GetStatusBtn");
    EXPECT_EQ(memoText(), "Ready to print.");
}

} // namespace
