// Hexadecimal entry, the protection counter by model row, and the ready poll.
#include "CommandFixture.h"

#include "commands/Dazedarovovuri.h"
#include "commands/EepromMap.h"
#include "commands/Ridodirar.h"
#include "link/Roro4dodu.h"

#include <gmock/gmock.h>

#include <string>

using namespace testsupport;
using ::testing::ElementsAre;
using ::testing::Pair;

namespace {

TEST(ParseHexByte, TwoUpperCaseDigitsOnly)
{
    EXPECT_EQ(VEVivAduvaz::ParseHexByte("7D"), 125);
    EXPECT_EQ(VEVivAduvaz::ParseHexByte("FF"), 255);
    EXPECT_EQ(VEVivAduvaz::ParseHexByte("00"), 0);
    EXPECT_EQ(VEVivAduvaz::ParseHexByte("A0"), 160);
    EXPECT_EQ(VEVivAduvaz::ParseHexByte("09"), 9);
    for (const char *bad : { "7d", "G0", "0G", "f0", " 1", "1 ", "-1", "", "1", "123" })
        EXPECT_EQ(VEVivAduvaz::ParseHexByte(bad), 500) << '"' << bad << '"';
    EXPECT_EQ(VEVivAduvaz::ParseHexByte(std::string("\0A", 2)), 500);
}

class Counter : public CommandFixture
{
protected:
    void setCounter(uint8_t high, uint8_t low)
    {
        printer.eeprom()[eeprom::CounterHigh] = high;
        printer.eeprom()[eeprom::CounterLow] = low;
    }
};

TEST_F(Counter, ReadingsLowCellFirst)
{
    setCounter(0x0B, 0x7C);
    EXPECT_STREQ(Maintenance.ReadProtectionCounter(), "2940");
    EXPECT_THAT(controlReads(), ElementsAre(11, 10));
    setCounter(0x20, 0x9E);
    EXPECT_STREQ(Maintenance.ReadProtectionCounter(), "8350");
    setCounter(0, 0);
    EXPECT_STREQ(Maintenance.ReadProtectionCounter(), "0");
    setCounter(0xFF, 0xFF);
    EXPECT_STREQ(Maintenance.ReadProtectionCounter(), "65535");
    setCounter(0x01, 0x00);
    EXPECT_STREQ(Maintenance.ReadProtectionCounter(), "256");
}

TEST_F(Counter, ResetWritesTheStartingValueOfTheModelRow)
{
    const std::pair<int, int> standard[] = { { 10, 0x0B }, { 11, 0x7C } };
    const std::pair<int, int> esp[] = { { 10, 0 }, { 11, 0 } };
    for (int row = 0; row < 4; ++row) {
        printer.clearReceived();
        setCounter(0x12, 0x34);
        Maintenance.ResetProtectionCounter(row);
        const auto &expected = row < 2 ? standard : esp;
        EXPECT_THAT(controlWrites(), ElementsAre(expected[0], expected[1])) << "row " << row;
        EXPECT_STREQ(Maintenance.ReadProtectionCounter(), row < 2 ? "2940" : "0");
    }
}

TEST_F(Counter, ExchangesWithoutReplyAreReportedNotTakenForValues)
{
    setCounter(0x0B, 0x7C);
    faultAtPacket(ControlEepromRead, 2, [](vprinter::Faults &f) { f.silent = true; });
    EXPECT_STREQ(Maintenance.ReadProtectionCounter(), "");
    EXPECT_TRUE(Maintenance.LastReadFailed());
    EXPECT_FALSE(Maintenance.ResetProtectionCounter(0));
    EXPECT_THAT(controlReads(), ElementsAre(11, 10));
    EXPECT_TRUE(controlWrites().empty());

    printer.faults().silent = false;
    printer.onTrace = nullptr;
    EXPECT_TRUE(Maintenance.ResetProtectionCounter(3));
    EXPECT_STREQ(Maintenance.ReadProtectionCounter(), "0");
    EXPECT_FALSE(Maintenance.LastReadFailed());
    // A busy printer answers; what it does with the write is its own business.
    printer.busyFor(5000);
    EXPECT_TRUE(Maintenance.ResetProtectionCounter(0));
}

class ReadyPoll : public CommandFixture
{
protected:
    // Each status request the printer answers takes the next state digit of the script.
    void script(std::string digits, char errorAtEnd = 0)
    {
        atPacket(StatusRequest, [this, digits, errorAtEnd](int n) {
            polls = size_t(n);
            const size_t poll = polls - 1;
            if (poll < digits.size())
                printer.state().stateDigit = digits[poll];
            if (poll + 1 >= digits.size() && errorAtEnd)
                printer.state().errorChar = errorAtEnd;
        });
    }
    size_t polls = 0;
};

TEST_F(ReadyPoll, BusyBusyReady)
{
    script("224");
    EXPECT_TRUE(Maintenance.WaitUntilReady());
    EXPECT_EQ(polls, 3u);
    EXPECT_EQ(std::count(platform.clock.sleeps.begin(), platform.clock.sleeps.end(), 2000u), 2);
}

TEST_F(ReadyPoll, BusyThenError)
{
    script("20", '4');
    EXPECT_FALSE(Maintenance.WaitUntilReady());
    EXPECT_EQ(polls, 2u);
    EXPECT_EQ(std::count(platform.clock.sleeps.begin(), platform.clock.sleeps.end(), 2000u), 1);
    EXPECT_EQ(ErrorStatus, esPaperJam);
}

TEST_F(ReadyPoll, EveryStateButReadyAndErrorCountsAsBusy)
{
    script("123789"
           "4");
    EXPECT_TRUE(Maintenance.WaitUntilReady());
    EXPECT_EQ(polls, 7u);
}

TEST_F(ReadyPoll, APrinterThatStopsAnsweringIsAnErrorNotAnEndlessWait)
{
    printer.faults().silent = true;
    EXPECT_FALSE(Maintenance.WaitUntilReady());
    EXPECT_EQ(ErrorStatus, esCommunication);
}

} // namespace
