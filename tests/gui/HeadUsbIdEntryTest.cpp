// Head voltage ID and USB ID entry on the virtual printer: what is typed, what the memo and
// the information panel say, and what reaches the EEPROM.
#include "WorkflowFixture.h"

#include "link/Roro4dodu.h"
#include "shell/RidAzidoz.h"
#include "vprinter/ServicedPrinter.h"

#include <gmock/gmock.h>

#include <cstring>
#include <string>

using namespace testsupport;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Pair;

namespace {

class HeadIdEntry : public Workflow
{
protected:
    void SetUp() override
    {
        connect(0);
        openItem("AdjustRdoGrp", 1);
        choose("HdVolRdoBtn", 1);
        click("HdVolOKBtn");
        ASSERT_THAT(visiblePanels(), ElementsAre("HdVolWrtPnl"));
        ASSERT_TRUE(hasFocus("HdVolWrtEdit"));
    }
};

TEST_F(HeadIdEntry, LowerCaseTypingIsWrittenInCapitalsAndReadBack)
{
    type("HdVolWrtEdit", "azaaae");
    EXPECT_EQ(text("HdVolWrtEdit"), "AZAAAE");
    click("HdVolWrtOKBtn");

    EXPECT_EQ(memoText(), "As head actuator voltage, AZAAAE has been written in EEPROM.");
    EXPECT_EQ(memoColour(), Black);
    EXPECT_EQ(text("ShowHdVolIDPnl"), "AZAAAE");
    EXPECT_EQ(text("HdVolWrtEdit"), "AZAAAE") << "the text stays";
    EXPECT_THAT(visiblePanels(), ElementsAre("HdVolWrtPnl"));
    EXPECT_THAT(sent().eepromWrites(),
                ElementsAre(Pair(65, 1), Pair(70, 0), Pair(63, 1), Pair(64, 1), Pair(66, 1)));

    click("HdVolWrtRtnBtn");
    EXPECT_EQ(text("HdVolWrtEdit"), "");
    choose("HdVolRdoBtn", 0);
    click("HdVolOKBtn");
    printer.clearReceived();
    click("HdVolCheckOKBtn");
    EXPECT_EQ(memoText(), "Head voltage ID = AZAAAE");
    EXPECT_EQ(memoColour(), Black);
    EXPECT_THAT(sent().eepromReads(), ElementsAre(65, 63, 64, 66, 70));
    EXPECT_THAT(platform.cursor.changes, ElementsAre(true, false));
}

TEST_F(HeadIdEntry, EachInvalidIdGivesItsMessageAndTheFocusBack)
{
    const struct
    {
        const char *typed;
        const char *message;
    } cases[] = {
        { "", "The Number of digit is wrong." }, { "AZAAA", "The Number of digit is wrong." },
        { "Y1AAAA", "First Digit is wrong." },   { "AIAAAA", "Second Digit is wrong." },
        { "A0AAAA", "Second Digit is wrong." },  { "AZZAAA", "Third Digit is wrong." },
        { "AZA6AA", "Fourth Digit is wrong." },  { "AZAA4A", "Fifth Digit is wrong." },
        { "AZAAAF", "Check ID is invalid." },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.typed);
        type("HdVolWrtEdit", c.typed);
        control("HdVolWrtOKBtn")->setFocus(); // the focus elsewhere, as after a click
        click("HdVolWrtOKBtn");
        EXPECT_EQ(memoText(), c.message);
        EXPECT_EQ(memoColour(), Red);
        EXPECT_TRUE(hasFocus("HdVolWrtEdit"));
        EXPECT_EQ(text("HdVolWrtEdit"), c.typed);
    }
    EXPECT_THAT(sent().eepromWrites(), IsEmpty());
    EXPECT_EQ(text("ShowHdVolIDPnl"), "");
}

TEST_F(HeadIdEntry, APrinterThatDoesNotAnswerGivesNoIdAndNoWrittenText)
{
    printer.eeprom() = vprinter::servicedEeprom();
    faultAtPacket(ControlEepromWrite, 3, [](vprinter::Faults &f) { f.silent = true; });
    type("HdVolWrtEdit", "AZAAAE");
    click("HdVolWrtOKBtn");
    EXPECT_EQ(memoText(), CommunicationError);
    EXPECT_EQ(memoColour(), Red);
    EXPECT_EQ(text("ShowHdVolIDPnl"), "");
    EXPECT_EQ(sent().eepromWrites().size(), 3u) << "no write after the one without reply";

    printer.faults().silent = false;
    printer.eeprom() = vprinter::servicedEeprom();
    faultAtPacket(ControlEepromRead, 4, [](vprinter::Faults &f) { f.shortReplies = 1; });
    click("HdVolWrtRtnBtn");
    choose("HdVolRdoBtn", 0);
    click("HdVolOKBtn");
    click("HdVolCheckOKBtn");
    EXPECT_EQ(memoText(), CommunicationError);
    EXPECT_EQ(memoColour(), Red);
    EXPECT_FALSE(platform.cursor.busy);

    printer.onTrace = nullptr;
    click("HdVolCheckOKBtn");
    EXPECT_EQ(memoText(), "Head voltage ID = H3PR2C");
}

class UsbIdEntry : public Workflow
{
protected:
    void SetUp() override
    {
        connect(1, 771);
        openItem("AdjustRdoGrp", 3);
        ASSERT_THAT(visiblePanels(), ElementsAre("UsbIdPnl"));
    }
    void openInput()
    {
        choose("UsbIdRdoBtn", 0);
        click("UsbIdOKBtn");
        ASSERT_THAT(visiblePanels(), ElementsAre("UsbIdInputPnl"));
    }
    std::string cells(int first, int count)
    {
        return std::string(reinterpret_cast<const char *>(&printer.eeprom()[first]), count);
    }
};

TEST_F(UsbIdEntry, WrongSerialsAreRefusedAndNothingIsSent)
{
    openInput();
    const struct
    {
        const char *typed;
        const char *message;
    } cases[] = { { "ABCDEFGHJ", "The Number of digit is wrong." },
                  { "ABCDEFGH-J", "Parameter is only number & alphabet." },
                  { "abcdefghij", "Parameter is only number & alphabet." },
                  { "", "The Number of digit is wrong." } };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.typed);
        type("UsbIdInputEdit", c.typed);
        click("UsbIdInputOKBtn");
        EXPECT_EQ(memoText(), c.message);
        EXPECT_EQ(memoColour(), Red);
        EXPECT_EQ(text("UsbIdInputEdit"), c.typed) << "no case change, the text stays";
        EXPECT_TRUE(hasFocus("UsbIdInputEdit"));
    }
    EXPECT_THAT(sent().data(), IsEmpty());
    EXPECT_EQ(text("ShowPrnUsbIDLbl"), "");
}

TEST_F(UsbIdEntry, ValidSerialIsWrittenWithTheClockDateInThreeLines)
{
    platform.clock.local = { 2004, 3, 5, 14, 47, 12 };
    openInput();
    type("UsbIdInputEdit", "ABC1234567");
    click("UsbIdInputOKBtn");

    EXPECT_THAT(memoLines(),
                ElementsAre("USB ID", "\"ABC123456 7435EHC20\"", " has been written in EEPROM."));
    EXPECT_EQ(memoColour(), Black);
    EXPECT_EQ(text("ShowPrnUsbIDLbl"), "ABC123456 7435EHC20");
    EXPECT_EQ(cells(77, 18), "ABC1234567435EHC20");
    EXPECT_EQ(sent().factoryCalls(0x42).size(), 18u);
    EXPECT_EQ(text("UsbIdInputEdit"), "ABC1234567");
    EXPECT_TRUE(hasFocus("UsbIdInputEdit"));
}

TEST_F(UsbIdEntry, CheckAcceptsLowerCaseCellsAndRefusesABlankOne)
{
    std::memcpy(&printer.eeprom()[77], "abc1234567435ehc20", 18);
    choose("UsbIdRdoBtn", 1);
    click("UsbIdOKBtn");
    EXPECT_EQ(memoText(), "USB ID = abc1234567435ehc20");
    EXPECT_EQ(memoColour(), Black);
    EXPECT_THAT(visiblePanels(), ElementsAre("UsbIdPnl"));
    EXPECT_EQ(sent().factoryCalls(0x41).size(), 18u);
    EXPECT_THAT(platform.cursor.changes, ElementsAre(true, false));

    // The next result replaces the memo; choosing "Input USB ID" keeps it.
    printer.eeprom().fill(0xFF);
    click("UsbIdOKBtn");
    EXPECT_EQ(memoText(), "Invalid USB ID");
    EXPECT_EQ(memoColour(), Red);
    openInput();
    EXPECT_EQ(memoText(), "Invalid USB ID");
    EXPECT_TRUE(hasFocus("UsbIdInputEdit"));
}

TEST_F(UsbIdEntry, ACheckWhoseReadFailsShowsNoId)
{
    printer.eeprom() = vprinter::servicedEeprom();
    faultAtPacket(FactoryEepromRead, 7, [](vprinter::Faults &f) { f.shortReplies = 1; });
    choose("UsbIdRdoBtn", 1);
    click("UsbIdOKBtn");
    EXPECT_EQ(memoText(), CommunicationError);
    EXPECT_EQ(memoColour(), Red);
    EXPECT_EQ(sent().factoryCalls(0x41).size(), 7u);
    EXPECT_FALSE(platform.cursor.busy);
}

} // namespace
