// EEPROM initial setting and the backup across a main board change, on the virtual printer
// whose EEPROM the replace dialog swaps for a new board's.
#include "WorkflowFixture.h"
#include "support/ServiceCells.h"

#include "link/Roro4dodu.h"
#include "link/Vuviredorizaduzu.h"
#include "shell/RidAzidoz.h"
#include "vprinter/ServicedPrinter.h"

#include <gmock/gmock.h>

#include <string>
#include <utility>
#include <vector>

using namespace testsupport;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

namespace {

const char *const ReplaceQuestion
        = "After replacing MAIN Board and turn on power. click the OK button.";
const char *const NoAnswerBackupHeld
        = "The printer does not answer.\nThe backup data is still held. Check the cable and the "
          "power of the printer, then click the OK button again.";
const char *const NoAnswer = "The printer does not answer.";

class InitialSetting : public Workflow
{ };

TEST_F(InitialSetting, EachModelRowWritesItsCellsAndNamesTheModel)
{
    const struct
    {
        int row;
        const char *name;
        int cell95;
        int cell41;
    } rows[] = { { 0, "Cantra R70PA", 0, 0 },
                 { 1, "Cantra R50PA", 2, 1 },
                 { 2, "Cantra R70PA (ESP)", 0, 0 },
                 { 3, "Cantra R50PA (ESP)", 2, 1 } };
    for (const auto &model : rows) {
        SCOPED_TRACE(model.name);
        connect(model.row);
        printer.eeprom().fill(0xFF);
        openItem("AdjustRdoGrp", 0);
        click("DefaultSetBtn");

        EXPECT_EQ(sent().eepromWrites(), initialSettingRows(model.cell95, model.cell41));
        EXPECT_EQ(printer.eeprom()[95], model.cell95);
        EXPECT_EQ(printer.eeprom()[41], model.cell41);
        EXPECT_THAT(memoLines(),
                    ElementsAre("The initial setting value of  \"" + std::string(model.name) + "\"",
                                "has been written in the EEPROM"));
        EXPECT_EQ(memoColour(), Black);
        EXPECT_THAT(visiblePanels(), ElementsAre("DefaultSetPnl"));
        EXPECT_THAT(platform.cursor.changes, ElementsAre(true, false));
        FormAdjust->close();
    }
}

TEST_F(InitialSetting, AWriteWithoutReplyStopsAndIsNotReportedAsWritten)
{
    connect(1);
    openItem("AdjustRdoGrp", 0);
    faultAtPacket(ControlEepromWrite, 7, [](vprinter::Faults &f) { f.silent = true; });
    click("DefaultSetBtn");
    EXPECT_EQ(memoText(), CommunicationError);
    EXPECT_EQ(memoColour(), Red);
    EXPECT_EQ(sent().eepromWrites().size(), 7u);
    EXPECT_FALSE(platform.cursor.busy);
}

class Backup : public Workflow
{
protected:
    void SetUp() override
    {
        printer.eeprom() = vprinter::servicedEeprom();
        oldBoard = printer.eeprom();
        connect(0);
        openItem("MentRdoGrp", 5);
        ASSERT_THAT(visiblePanels(), ElementsAre("EepromBackupPnl"));
    }
    // The technician swaps the main board while the replace question is up.
    void swapBoardAtTheQuestion()
    {
        platform.dialogs.whileShown = [this](const platform::Message &message) {
            if (message.text == ReplaceQuestion && !swapped) {
                printer.eeprom().fill(0xFF);
                swapped = true;
            }
        };
    }
    // The new board with the 56 cells of the old one and nothing else changed.
    vprinter::EepromImage restoredBoard() const
    {
        vprinter::EepromImage image;
        image.fill(0xFF);
        for (const int cell : BackupCellOrder)
            image[cell] = oldBoard[cell];
        return image;
    }
    std::vector<std::pair<int, int>> backupWrites() const
    {
        std::vector<std::pair<int, int>> writes;
        for (const int cell : BackupCellOrder)
            writes.emplace_back(cell, oldBoard[cell]);
        return writes;
    }

    vprinter::EepromImage oldBoard{};
    bool swapped = false;
};

TEST_F(Backup, CarriesTheFiftySixCellsToTheNewBoard)
{
    swapBoardAtTheQuestion();
    click("BackupOKBtn");

    EXPECT_EQ(sent().eepromReads(), BackupCellOrder);
    EXPECT_EQ(sent().eepromWrites(), backupWrites());
    EXPECT_EQ(printer.eeprom(), restoredBoard());
    // The link went down for the swap and came back up as at the start, data channel included.
    EXPECT_THAT(sent().transactions(),
                ::testing::IsSupersetOf({ "CloseChannel(64)", "CloseChannel(2)", "Exit", "Init",
                                          "OpenChannel(2)", "OpenChannel(64)" }));
    EXPECT_THAT(dialogTexts(), ElementsAre(ReplaceQuestion));
    EXPECT_EQ(platform.dialogs.shown[0].buttons, platform::MessageButtons::OkCancel);
    EXPECT_EQ(memoText(), "Writing backup data succeeded.");
    EXPECT_EQ(memoColour(), Black);
    EXPECT_TRUE(printer.channelOpen(ControlSocket));
    EXPECT_TRUE(printer.channelOpen(DataSocket));
    EXPECT_FALSE(platform.cursor.busy);
    EXPECT_THAT(visiblePanels(), ElementsAre("EepromBackupPnl"));
}

TEST_F(Backup, AReadFailureAtTheTenthCellLeavesPrinterAndLinkAsTheyWere)
{
    faultAtPacket(ControlEepromRead, 10, [](vprinter::Faults &f) { f.shortReplies = 1; });
    click("BackupOKBtn");

    EXPECT_THAT(dialogTexts(), ElementsAre("Reading EEPROM data failed."));
    EXPECT_EQ(platform.dialogs.shown[0].kind, platform::MessageKind::Error);
    EXPECT_EQ(sent().eepromReads(),
              std::vector<int>(BackupCellOrder.begin(), BackupCellOrder.begin() + 10));
    EXPECT_THAT(sent().eepromWrites(), IsEmpty());
    EXPECT_THAT(sent().transactions(), ::testing::Not(::testing::Contains("CloseChannel(2)")));
    EXPECT_EQ(printer.eeprom(), oldBoard);
    EXPECT_EQ(memoText(), "");
    EXPECT_FALSE(platform.cursor.busy);
    // Still connected: the next item talks to the printer at once.
    D4Link.GetPrinterStatus();
    EXPECT_EQ(PrinterStatus, psReady);
}

TEST_F(Backup, CancelReconnectsAndWritesNothing)
{
    swapBoardAtTheQuestion();
    platform.dialogs.answers = { platform::MessageAnswer::Cancel };
    click("BackupOKBtn");

    EXPECT_THAT(sent().eepromWrites(), IsEmpty());
    EXPECT_THAT(sent().transactions(), ::testing::Contains("OpenChannel(64)"));
    EXPECT_TRUE(printer.channelOpen(DataSocket));
    EXPECT_EQ(memoText(), "");
    EXPECT_FALSE(platform.cursor.busy);
    std::vector<uint8_t> blank(256, 0xFF);
    EXPECT_THAT(printer.eeprom(), ElementsAreArray(blank));
}

TEST_F(Backup, AWriteFailureAndOkRewriteAllFiftySix)
{
    swapBoardAtTheQuestion();
    faultAtPacket(ControlEepromWrite, 5, [](vprinter::Faults &f) { f.shortReplies = 1; });
    click("BackupOKBtn");

    EXPECT_THAT(dialogTexts(),
                ElementsAre(ReplaceQuestion, "Writing backup data failed.", ReplaceQuestion));
    const auto writes = sent().eepromWrites();
    ASSERT_EQ(writes.size(), 5u + 56u);
    EXPECT_EQ(std::vector(writes.begin() + 5, writes.end()), backupWrites());
    EXPECT_EQ(printer.eeprom(), restoredBoard());
    EXPECT_EQ(memoText(), "Writing backup data succeeded.");
    EXPECT_FALSE(platform.cursor.busy);
}

TEST_F(Backup, APrinterThatDoesNotAnswerAfterTheSwapKeepsTheBackupForAnotherTry)
{
    int questions = 0;
    platform.dialogs.whileShown = [&](const platform::Message &message) {
        if (message.text != ReplaceQuestion)
            return;
        // Switched off at the first answer, on again at the second.
        printer.eeprom().fill(0xFF);
        printer.faults().silent = ++questions == 1;
        // The hourglass while the link is down; the error box gave the normal pointer back.
        EXPECT_EQ(platform.cursor.busy, questions == 1);
    };
    click("BackupOKBtn");

    EXPECT_THAT(dialogTexts(), ElementsAre(ReplaceQuestion, NoAnswerBackupHeld, ReplaceQuestion));
    EXPECT_EQ(platform.dialogs.shown[1].kind, platform::MessageKind::Error);
    EXPECT_EQ(printer.eeprom(), restoredBoard());
    EXPECT_EQ(memoText(), "Writing backup data succeeded.");
    EXPECT_FALSE(platform.cursor.busy);
}

TEST_F(Backup, CancelWithAPrinterThatDoesNotAnswerSaysSoAndDropsTheBackup)
{
    platform.dialogs.whileShown = [this](const platform::Message &message) {
        if (message.text == ReplaceQuestion)
            printer.faults().silent = true;
    };
    platform.dialogs.answers = { platform::MessageAnswer::Cancel };
    click("BackupOKBtn");

    EXPECT_THAT(dialogTexts(), ElementsAre(ReplaceQuestion, NoAnswer));
    EXPECT_EQ(platform.dialogs.shown[1].kind, platform::MessageKind::Error);
    EXPECT_THAT(sent().eepromWrites(), IsEmpty());
    EXPECT_EQ(ErrorStatus, esCommunication);
    EXPECT_FALSE(platform.cursor.busy);
}

} // namespace
