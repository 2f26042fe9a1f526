// EEPROM check and change on the virtual printer: ranges read into the grid, refused input,
// one cell written, and cells whose read got no reply.
#include "WorkflowFixture.h"

#include "shell/RidAzidoz.h"

#include <QPlainTextEdit>
#include <QTableWidget>

#include <gmock/gmock.h>

#include <vector>

using namespace testsupport;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Pair;

namespace {

class EepromCheck : public Workflow
{
protected:
    void SetUp() override
    {
        connect(0);
        // A recognisable image: every cell holds its address turned upside down.
        for (int address = 0; address < 256; ++address)
            printer.eeprom()[address] = uint8_t(255 - address);
        openItem("MentRdoGrp", 4);
        ASSERT_THAT(visiblePanels(), ElementsAre("EepromCheckPnl"));
    }
    void read(const QString &start, const QString &end)
    {
        type("EepReadBegEdit", start);
        type("EepReadEndEdit", end);
        click("EepromReadOkBtn");
    }
    void openPanel(int item)
    {
        choose("EepromCheckRdoGrp", item);
        click("EepromCheckOkBtn");
    }
    // The text of the grid cell that shows an address.
    QString cell(int address) const
    {
        return control<QTableWidget>("EepromStrGrid")
                ->item(address / 16 + 1, address % 16 + 1)
                ->text();
    }
    static QString hexOf(int value)
    {
        return QString("%1").arg(value, 2, 16, QChar('0')).toUpper();
    }
    int filledCells() const
    {
        int filled = 0;
        for (int address = 0; address < 256; ++address)
            filled += !cell(address).isEmpty();
        return filled;
    }
};

TEST_F(EepromCheck, WholeRangeFillsEveryCellInAddressOrder)
{
    openPanel(0);
    read("00", "FF");
    EXPECT_THAT(visiblePanels(), ElementsAre("EepromGridPnl"));
    EXPECT_FALSE(FormAdjust->StatusMemo->isVisibleTo(FormAdjust));
    std::vector<int> expected;
    for (int address = 0; address < 256; ++address)
        expected.push_back(address);
    EXPECT_EQ(sent().eepromReads(), expected);
    EXPECT_EQ(cell(0x00), "FF");
    EXPECT_EQ(cell(0x2E), "D1");
    EXPECT_EQ(cell(0xA5), "5A");
    EXPECT_EQ(cell(0xFF), "00");
    EXPECT_EQ(filledCells(), 256);
    EXPECT_THAT(platform.cursor.changes, ElementsAre(true, false));
}

TEST_F(EepromCheck, OneCellRangeAfterAWholeOneLeavesOnlyThatCell)
{
    openPanel(0);
    read("00", "FF");
    click("EepromGridRtnBtn");
    EXPECT_TRUE(FormAdjust->StatusMemo->isVisibleTo(FormAdjust));
    EXPECT_EQ(text("EepReadBegEdit"), "00");
    printer.clearReceived();
    // Typed in lower case, shown and read in capitals.
    read("7d", "7d");
    EXPECT_EQ(text("EepReadBegEdit"), "7D");
    EXPECT_THAT(sent().eepromReads(), ElementsAre(0x7D));
    EXPECT_EQ(cell(0x7D), "82");
    EXPECT_EQ(filledCells(), 1) << "nothing of the earlier range is left";
}

TEST_F(EepromCheck, RefusedRangesReadNothing)
{
    openPanel(0);
    const struct
    {
        const char *start;
        const char *end;
    } ranges[] = { { "10", "0F" }, { "1", "20" }, { "0G", "20" }, { "", "" }, { "00", "F" } };
    for (const auto &range : ranges) {
        SCOPED_TRACE(std::string(range.start) + "~" + range.end);
        control("EepromReadOkBtn")->setFocus();
        read(range.start, range.end);
        EXPECT_EQ(memoText(), "Input data is wrong.");
        EXPECT_EQ(memoColour(), Red);
        EXPECT_THAT(visiblePanels(), ElementsAre("EepromReadPnl"));
        EXPECT_TRUE(hasFocus("EepReadBegEdit"));
    }
    EXPECT_THAT(sent().controlCommands(), IsEmpty());
}

TEST_F(EepromCheck, AChangeWritesTheCellAndShowsItInTwoLines)
{
    openPanel(1);
    ASSERT_TRUE(hasFocus("EepWriteAddEdit"));
    type("EepWriteAddEdit", "2e");
    type("EepWriteDataEdit", "f6");
    click("EepromWriteOkBtn");
    EXPECT_THAT(memoLines(), ElementsAre("Address = 2E", "Data = F6"));
    EXPECT_EQ(memoColour(), Black);
    EXPECT_THAT(sent().eepromWrites(), ElementsAre(Pair(0x2E, 0xF6)));
    EXPECT_EQ(printer.eeprom()[0x2E], 0xF6);

    printer.clearReceived();
    for (const auto &[address, data] :
         { std::pair{ "2E", "G6" }, std::pair{ "2", "F6" }, std::pair{ "2E", "" } }) {
        type("EepWriteAddEdit", address);
        type("EepWriteDataEdit", data);
        control("EepromWriteOkBtn")->setFocus();
        click("EepromWriteOkBtn");
        EXPECT_EQ(memoText(), "Input data is wrong.");
        EXPECT_EQ(memoColour(), Red);
        EXPECT_TRUE(hasFocus("EepWriteAddEdit"));
    }
    EXPECT_THAT(sent().controlCommands(), IsEmpty());
}

// One cut reply costs one cell: the cells after it are still read, and the message the grid
// would hide comes once, as a box.
TEST_F(EepromCheck, ACellWithoutAReplyShowsDashesAndTheRestIsStillRead)
{
    openPanel(0);
    faultAtPacket(ControlEepromRead, 3, [](vprinter::Faults &f) { f.shortReplies = 1; });
    read("10", "1F");
    for (int address = 0x10; address <= 0x1F; ++address)
        EXPECT_EQ(cell(address), address == 0x12 ? QString("--") : hexOf(255 - address)) << address;
    EXPECT_EQ(filledCells(), 16);
    EXPECT_EQ(sent().eepromReads().size(), 16u);
    EXPECT_THAT(dialogTexts(), ElementsAre(CommunicationError));
    EXPECT_FALSE(platform.cursor.busy);
}

// A printer that has gone is not asked for every cell: once the link is lost the rest shows
// dashes unread.
TEST_F(EepromCheck, APrinterThatFellSilentIsNotAskedForTheRest)
{
    openPanel(0);
    faultAtPacket(ControlEepromRead, 3, [](vprinter::Faults &f) { f.silent = true; });
    read("10", "1F");
    EXPECT_EQ(cell(0x11), "EE");
    for (int address = 0x12; address <= 0x1F; ++address)
        EXPECT_EQ(cell(address), "--") << address;
    EXPECT_THAT(sent().eepromReads(), ElementsAre(0x10, 0x11, 0x12));
    EXPECT_THAT(dialogTexts(), ElementsAre(CommunicationError));
}

TEST_F(EepromCheck, AChangeWithoutReplyIsNotReportedAsWritten)
{
    openPanel(1);
    faultAtPacket(ControlEepromWrite, 1, [](vprinter::Faults &f) { f.silent = true; });
    type("EepWriteAddEdit", "2E");
    type("EepWriteDataEdit", "F6");
    click("EepromWriteOkBtn");
    EXPECT_EQ(memoText(), CommunicationError);
    EXPECT_EQ(memoColour(), Red);
}

} // namespace
