// The Bi-D and top-margin items on the virtual printer: the series of three Bi-D prints, the
// value entries with their refusals, the adjustment as a technician makes it from the printed
// sheet, the read-back of the three Bi-D values and the top-margin print with its remote-mode
// opening and its waits.
#include "WorkflowFixture.h"

#include "support/SheetReading.h"

#include "shell/FormControls.h"
#include "shell/RidAzidoz.h"

#include <QLineEdit>

#include <gmock/gmock.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace testsupport;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

class BidTopMargin : public Workflow
{
protected:
    void SetUp() override { connect(0); }

    // The item of the Adjustment list, then a choice of its first panel and its OK.
    void open(int item, const char *choices, int choice, const char *ok)
    {
        openItem("AdjustRdoGrp", item);
        choose(choices, choice);
        click(ok);
    }
    void openBid(int choice) { open(2, "BidRdoBtn", choice, "BidOKBtn"); }
    // From the Bi-D item, or back from the value entry of another shot type.
    void openBidValue(int shot)
    {
        if (onPanel("BidWrtPnl"))
            click("BidWrtRtnBtn");
        else
            openBid(1);
        choose("BidWrtSelRdoGrp", shot);
        click("BidWrtSelOKBtn");
    }
    void openTopMargin(int choice) { open(3, "TopMarginRdoGrp", choice, "TopMarginMainBtn"); }
    bool onPanel(const char *panel) const { return visiblePanels() == QStringList{ panel }; }

    // Remembers the memo as it stood when the first data packet arrived.
    void watchMemoWhilePrinting()
    {
        memoWhilePrinting.clear();
        printer.onData = [this](const std::vector<uint8_t> &) {
            if (!memoWhilePrinting.isEmpty())
                return;
            memoWhilePrinting = memoText();
            colourWhilePrinting = memoColour();
            enabledWhilePrinting = FormAdjust->isEnabled();
        };
    }

    QString memoWhilePrinting;
    QColor colourWhilePrinting;
    bool enabledWhilePrinting = true;
};

template<typename T, typename V> long occurrences(const std::vector<T> &all, const V &value)
{
    return long(std::count(all.begin(), all.end(), value));
}

// CR LF packets before anything else of the print.
int leadingLineFeeds(const PacketQuery &query)
{
    const auto data = query.dataHex();
    return int(std::find_if(data.begin(), data.end(),
                            [](const std::string &p) { return p != "0D 0A"; })
               - data.begin());
}

// ---- Bi-D pattern ----

TEST_F(BidTopMargin, ASeriesOfThreePrintsMovesEachPrintDownAndCountsOnTheLabel)
{
    openBid(0);
    const struct
    {
        const char *before;
        int lineFeeds;
        const char *after;
    } series[] = { { "1 time", 0, "2 times" },
                   { "2 times", 20, "3 times" },
                   { "3 times", 40, "1 time" },
                   { "1 time", 0, "2 times" } };
    for (const auto &print : series) {
        SCOPED_TRACE(print.before);
        EXPECT_EQ(text("BidPrnCountLbl"), print.before);
        printer.clearReceived();
        watchMemoWhilePrinting();
        click("BidPrnOKBtn");
        printer.onData = nullptr;

        const PacketQuery query(printer);
        EXPECT_EQ(leadingLineFeeds(query), print.lineFeeds);
        const auto data = query.dataHex();
        ASSERT_GE(data.size(), size_t(print.lineFeeds + 3));
        // The pattern's own opening follows the line feeds: its initialise, the readiness
        // check's initialise, its title.
        EXPECT_EQ(data[size_t(print.lineFeeds)], "1B 40");
        EXPECT_EQ(data[size_t(print.lineFeeds) + 1], "1B 40");
        EXPECT_EQ(data[size_t(print.lineFeeds) + 2], "42 69 2D 64 20 70 72 69 6E 74 00");
        EXPECT_EQ(data.back(), "0C") << "the sheet is ejected after the pattern";

        EXPECT_EQ(memoWhilePrinting, "Bi-d pattern is being printed out now.");
        EXPECT_EQ(colourWhilePrinting, Blue);
        EXPECT_FALSE(enabledWhilePrinting);
        EXPECT_EQ(memoText(), "Bi-d pattern print is completed.");
        EXPECT_EQ(memoColour(), Black);
        EXPECT_TRUE(FormAdjust->isEnabled());
        EXPECT_EQ(text("BidPrnCountLbl"), print.after);
        EXPECT_TRUE(onPanel("BidPrnPnl"));
    }
}

TEST_F(BidTopMargin, APrintThePrinterRefusesLeavesTheCount)
{
    openBid(0);
    click("BidPrnOKBtn");
    ASSERT_EQ(text("BidPrnCountLbl"), "2 times");

    printer.state().errorChar = '4';
    printer.clearReceived();
    click("BidPrnOKBtn");
    {
        const PacketQuery query(printer);
        EXPECT_EQ(leadingLineFeeds(query), 20);
        EXPECT_EQ(occurrences(query.dataHex(), "0C"), 0) << "nothing to eject";
        EXPECT_THAT(query.factoryCalls(), IsEmpty()) << "no value touched";
    }
    EXPECT_EQ(memoText(), "Printer is error.");
    EXPECT_EQ(memoColour(), Red);
    EXPECT_TRUE(FormAdjust->isEnabled());
    EXPECT_EQ(FormAdjust->BidPrintCount, 2);
    EXPECT_EQ(text("BidPrnCountLbl"), "2 times");

    // Once the printer is well again the series goes on where it stood.
    printer.state().errorChar = 0;
    printer.clearReceived();
    click("BidPrnOKBtn");
    EXPECT_EQ(leadingLineFeeds(PacketQuery(printer)), 20);
    EXPECT_EQ(text("BidPrnCountLbl"), "3 times");
}

// ---- Bi-D values ----

TEST_F(BidTopMargin, AWrittenValueGoesToItsShotTypeAndShowsAsTyped)
{
    const struct
    {
        int shot;
        const char *typed;
        const char *call;
        int cell;
        uint8_t stored;
        const char *memo;
        const char *box;
    } writes[] = {
        { 0, "56", "Bid(2, 56)", 51, 0x38, "As Multi shot 1 data, 56 has been written in EEPROM.",
          "ShowMs1Pnl" },
        { 1, "-56", "Bid(1, -56)", 52, 0xC8,
          "As Multi shot 2 data, -56 has been written in EEPROM.", "ShowMs2Pnl" },
        { 2, "07", "Bid(3, 7)", 53, 0x07, "As Variable shot data, 07 has been written in EEPROM.",
          "ShowVsPnl" },
    };
    for (const auto &w : writes) {
        SCOPED_TRACE(w.typed);
        openBidValue(w.shot);
        control<QLineEdit>("BidWrtEdit")->setText(w.typed);
        printer.clearReceived();
        click("BidWrtOKBtn");
        const PacketQuery query(printer);
        EXPECT_THAT(query.factoryNames(), ElementsAre(w.call));
        EXPECT_THAT(query.controlCommands(), IsEmpty());
        EXPECT_EQ(printer.eeprom()[size_t(w.cell)], w.stored);
        EXPECT_EQ(memoText(), w.memo);
        EXPECT_EQ(memoColour(), Black);
        EXPECT_EQ(text(w.box), w.typed);
        EXPECT_TRUE(onPanel("BidWrtPnl"));
    }
    EXPECT_EQ(text("ShowMs1Pnl"), "56") << "a later write leaves the other boxes";
}

TEST_F(BidTopMargin, AValueOutsideTheRangeIsRefusedAndNothingIsSent)
{
    openBidValue(0);
    control<QLineEdit>("BidWrtEdit")->setText("12");
    click("BidWrtOKBtn");
    ASSERT_EQ(text("ShowMs1Pnl"), "12");
    const auto before = printer.eeprom();

    for (const char *typed : { "57", "-57", "200", "", "abc", "1-2", "--5" }) {
        SCOPED_TRACE(typed);
        control<QLineEdit>("BidWrtEdit")->setText(typed);
        printer.clearReceived();
        click("BidWrtOKBtn");
        EXPECT_THAT(sent().all(), IsEmpty());
        EXPECT_EQ(memoText(), "Digit is wrong.");
        EXPECT_EQ(memoColour(), Red);
        EXPECT_EQ(text("ShowMs1Pnl"), "12");
    }
    EXPECT_EQ(printer.eeprom(), before);
}

// The technician prints the pattern, reads off each shot type the number above the group that
// lies on the reference lines, and writes it; the next print has that group in the middle.
TEST_F(BidTopMargin, TheValueReadOffThePrintedSheetPutsItsGroupInTheMiddleOnceWritten)
{
    printer.eeprom()[51] = 0x03; // Multi shot 1: 3
    printer.eeprom()[52] = 0xFE; // Multi shot 2: -2
    printer.eeprom()[53] = 0x01; // Variable shot: 1
    printer.bidErrors() = { 5, -4, 3 };
    const char *const shots[] = { "Multi shot 1", "Multi shot 2", "Variable shot" };

    openBid(0);
    click("BidPrnOKBtn");
    ASSERT_EQ(printer.pages().size(), 1u);
    // "Previous" to the Bi-D item's choices, then "Adjust".
    click("BidPrnRtnBtn");
    choose("BidRdoBtn", 1);
    click("BidOKBtn");
    std::vector<BidReading> readings = readBidPatterns(SheetPicture(printer.pages().back()));
    ASSERT_EQ(readings.size(), 3u);
    // The groups of -1 1 3 5 7, -6 -4 -2 0 2 and -3 -1 1 3 5: the fourth, second and fourth
    // lie on the lines, and the numbers above them are this printer's errors.
    const int groups[] = { 4, 2, 4 };
    const char *const errors[] = { "5", "-4", "3" };
    for (int shot = 0; shot < 3; ++shot) {
        SCOPED_TRACE(shots[shot]);
        const BidReading &reading = readings[size_t(shot)];
        ASSERT_EQ(reading.straightest(), std::vector<int>{ groups[shot] });
        ASSERT_TRUE(reading.readOff());
        const std::string value = std::to_string(*reading.readOff());
        EXPECT_EQ(value, errors[shot]);

        if (onPanel("BidWrtPnl"))
            click("BidWrtRtnBtn");
        choose("BidWrtSelRdoGrp", shot);
        click("BidWrtSelOKBtn");
        control<QLineEdit>("BidWrtEdit")->setText(QString::fromStdString(value));
        click("BidWrtOKBtn");
        EXPECT_EQ(memoText(),
                  QString("As %1 data, %2 has been written in EEPROM.")
                          .arg(shots[shot])
                          .arg(errors[shot]));
    }
    EXPECT_EQ(printer.eeprom()[51], 0x05);
    EXPECT_EQ(printer.eeprom()[52], 0xFC);
    EXPECT_EQ(printer.eeprom()[53], 0x03);

    // Back to the choices and a new print.
    click("BidWrtRtnBtn");
    click("BidWrtSelRtnBtn");
    choose("BidRdoBtn", 0);
    click("BidOKBtn");
    click("BidPrnOKBtn");
    ASSERT_EQ(printer.pages().size(), 2u);
    readings = readBidPatterns(SheetPicture(printer.pages().back()));
    ASSERT_EQ(readings.size(), 3u);
    for (int shot = 0; shot < 3; ++shot) {
        SCOPED_TRACE(shots[shot]);
        EXPECT_EQ(readings[size_t(shot)].straightest(), std::vector<int>{ 3 });
        EXPECT_EQ(readings[size_t(shot)].value[2], errors[shot]) << "the value +-0";
    }
}

TEST_F(BidTopMargin, TheCheckReadsTheThreeCellsInTheOrderOfTheLines)
{
    printer.eeprom()[51] = 0x05;
    printer.eeprom()[52] = 0xF4;
    printer.eeprom()[53] = 0x80;
    openBid(2);
    click("BidCheckOKBtn");
    const PacketQuery query(printer);
    EXPECT_THAT(query.eepromReads(), ElementsAre(51, 52, 53));
    EXPECT_THAT(query.data(), IsEmpty());
    EXPECT_EQ(memoText(), "Multi shot 1 = 5\nMulti shot 2 = -12\nVariable shot = -128");
    EXPECT_EQ(memoColour(), Black);
    EXPECT_TRUE(onPanel("BidCheckPnl"));
}

TEST_F(BidTopMargin, AValueThePrinterDidNotGiveIsNeverShown)
{
    printer.eeprom()[51] = 0x05;
    printer.eeprom()[52] = 0x00;
    openBid(2);
    // The printer falls silent as the second value is asked for.
    faultAtPacket(ControlEepromRead, 2, [](vprinter::Faults &f) { f.silent = true; });
    const int64_t start = platform.clock.nowMs;
    click("BidCheckOKBtn");
    printer.onTrace = nullptr;

    EXPECT_EQ(memoText(), "Multi shot 1 = 5\nMulti shot 2 = A communication error has occurred.");
    EXPECT_EQ(memoColour(), Red);
    EXPECT_THAT(PacketQuery(printer).eepromReads(), ElementsAre(51, 52))
            << "a silent printer is not asked for the third value";
    EXPECT_LE(platform.clock.nowMs - start, 11000) << "answered within about 10 s";
    EXPECT_TRUE(FormAdjust->isEnabled());
}

// ---- top margin ----

TEST_F(BidTopMargin, TheLinePrintOpensRemoteModeAndWaitsOutThePrinter)
{
    printer.eeprom()[46] = 0xFB;
    // The printer is still feeding the sheet out when the last packet has come.
    int64_t ejectedAtMs = -1;
    printer.onTrace = [this, &ejectedAtMs](const std::string &line) {
        if (line == "data on 64: 0C") {
            ejectedAtMs = platform.clock.nowMs;
            printer.busyFor(4000);
        }
    };
    openItem("AdjustRdoGrp", 3);
    choose("TopMarginRdoGrp", 0);
    printer.clearReceived();
    platform.clock.sleeps.clear();
    const int64_t start = platform.clock.nowMs;
    watchMemoWhilePrinting();
    click("TopMarginMainBtn");
    printer.onData = nullptr;
    printer.onTrace = nullptr;

    const PacketQuery query(printer);
    const auto data = query.dataHex();
    // The handler's initialise, the three remote-mode packets, then the line's own
    // initialise and the raster opening.
    ASSERT_GE(data.size(), size_t(7));
    EXPECT_THAT(std::vector<std::string>(data.begin(), data.begin() + 7),
                ElementsAre("1B 40", "1B 28 52 08 00 00 52 45 4D 4F 54 45 31",
                            "53 4E 03 00 00 00 03", "1B 00 00 00", "1B 40", "1B 40",
                            "1B 28 47 01 00 01"));
    EXPECT_EQ(printer.factory().remoteSessions(), 1);
    // No readiness check first: the stored margin is the first question, then the polls of
    // the completion wait: busy at 0 and 2000 ms after the eject, ready at 4000.
    EXPECT_THAT(query.controlCommands(), ElementsAre("read 2E", "st", "st", "st"));
    EXPECT_EQ(occurrences(data, "2D 35 00 00"), 1) << "the stored -5 under the line";
    EXPECT_EQ(occurrences(platform.clock.sleeps, 10000u), 2);
    EXPECT_GE(ejectedAtMs - start, 20000);

    EXPECT_EQ(memoWhilePrinting, "Now printing Top Margin Line.");
    EXPECT_EQ(colourWhilePrinting, Blue);
    EXPECT_FALSE(enabledWhilePrinting);
    EXPECT_EQ(memoText(), "Printing Top Margin Line completed.");
    EXPECT_EQ(memoColour(), Black);
    EXPECT_TRUE(FormAdjust->isEnabled());
    EXPECT_TRUE(onPanel("TopMarginMainPnl"));
}

TEST_F(BidTopMargin, AMarginInRangeIsWrittenWithItsCommitAndShownAsTyped)
{
    const struct
    {
        const char *typed;
        const char *write;
        uint8_t stored;
    } writes[] = { { "-40", "W(46, 216)", 0xD8 },
                   { "40", "W(46, 40)", 0x28 },
                   { "07", "W(46, 7)", 0x07 },
                   { "-007", "W(46, 249)", 0xF9 } };
    openTopMargin(1);
    EXPECT_EQ(control<QLineEdit>("TopMarginEdit")->text(), "0");
    for (const auto &w : writes) {
        SCOPED_TRACE(w.typed);
        control<QLineEdit>("TopMarginEdit")->setText(w.typed);
        printer.clearReceived();
        click("TopMarginWriteOKBtn");
        const PacketQuery query(printer);
        EXPECT_THAT(query.factoryNames(), ElementsAre(w.write, "50()"));
        EXPECT_THAT(query.controlCommands(), IsEmpty());
        EXPECT_EQ(printer.eeprom()[46], w.stored);
        EXPECT_EQ(memoText(),
                  QString("As Top margin data, %1 has been written in EEPROM.").arg(w.typed));
        EXPECT_EQ(memoColour(), Black);
        EXPECT_EQ(text("ShowTopMarginPnl"), w.typed);
    }
}

TEST_F(BidTopMargin, AMarginOutsideTheRangeIsRefusedAndNothingIsSent)
{
    openTopMargin(1);
    control<QLineEdit>("TopMarginEdit")->setText("-3");
    click("TopMarginWriteOKBtn");
    ASSERT_EQ(text("ShowTopMarginPnl"), "-3");
    const auto before = printer.eeprom();

    for (const char *typed : { "41", "-41", "216", "", "x", "4 0" }) {
        SCOPED_TRACE(typed);
        control<QLineEdit>("TopMarginEdit")->setText(typed);
        printer.clearReceived();
        click("TopMarginWriteOKBtn");
        EXPECT_THAT(sent().all(), IsEmpty());
        EXPECT_EQ(memoText(), "Writing EEPROM data failed.");
        EXPECT_EQ(memoColour(), Red);
        EXPECT_EQ(text("ShowTopMarginPnl"), "-3");
    }
    EXPECT_EQ(printer.eeprom(), before);
}

} // namespace
