// The link on the real POSIX port against a printer that misbehaves on a pseudo-terminal: a
// reply that trickles, noise on the line, a reply that comes late; and cantra-probe's answer
// for each way a check can fail.
#include "PtyPrinter.h"
#include "support/TestPlatform.h"

#include "link/Roro4dodu.h"
#include "link/Vuviredorizaduzu.h"

#include <gmock/gmock.h>

#include <cstdlib>
#include <fstream>

using namespace testsupport;
using namespace e2e;
using ::testing::HasSubstr;

namespace {

// The link's limits run ten times faster than usual here (about a second of real time for
// the 10-second guard), on a port whose time-outs are ten times shorter.
constexpr uint32_t SpeedUp = 10;
// A try is given up by the 10-second guard at the latest; what is left is the time a loaded
// machine may add (a second of real time, ten on this clock: a busy two-core machine running
// the suite in parallel under the sanitizers has stalled a test process for half a second).
// A read that took a fresh time-out per 256 bytes would need minutes.
constexpr int64_t TryLimitMs = 20'000;

class MisbehavingPrinter : public ::testing::Test, protected Lpt1OnLink
{
protected:
    TestPlatform platform;
};

// The header announces 65,535 bytes and the body dribbles in a byte every 10 ms, never slow
// enough for the interval time-out: reading it out used to take a fresh time-out for every
// 256 bytes. Now the first try ends at the guard, and the later ones, finding the trickle
// still coming, end sooner.
TEST_F(MisbehavingPrinter, ReplyThatTricklesEndsTheTryAtTheGuard)
{
    VirtualPrinterProcess printer(link, trace,
                                  { "--trickle", "65535", "--trickle-every", "1" }); // 10 ms
    const PortTimeDivisor shorter(SpeedUp);
    TimingClock clock(SpeedUp);
    platform.useClock(&clock);
    PrinterDriver.OpenPort(0);
    EXPECT_FALSE(D4Link.EnterD4Mode());
    const std::vector<int64_t> tries = clock.tries(clock.monotonicMs());
    ASSERT_EQ(tries.size(), 3u);
    EXPECT_GE(tries[0], 9'900);
    for (const int64_t ms : tries)
        EXPECT_LE(ms, TryLimitMs);
    EXPECT_TRUE(platform.dialogs.shown.empty());
    PrinterDriver.ClosePort();
}

// Random bytes instead of replies, one every 2 ms: every header read finds some, announcing
// any length at all. No try lasts longer than the guard and nothing ends the program.
TEST_F(MisbehavingPrinter, RandomBytesNeverHoldATryBeyondTheGuard)
{
    VirtualPrinterProcess printer(link, trace, { "--noise", "2" }); // every 20 ms
    const PortTimeDivisor shorter(SpeedUp);
    TimingClock clock(SpeedUp);
    platform.useClock(&clock);
    PrinterDriver.OpenPort(0);
    // Noise may pass for the entry's answer once in tens of thousands of tries; what matters
    // is how long a try may take.
    D4Link.EnterD4Mode();
    const std::vector<int64_t> tries = clock.tries(clock.monotonicMs());
    ASSERT_FALSE(tries.empty());
    for (const int64_t ms : tries)
        EXPECT_LE(ms, TryLimitMs);
    EXPECT_TRUE(platform.dialogs.shown.empty());
    EXPECT_TRUE(platform.process.exits.empty());
    PrinterDriver.ClosePort();
}

// The printer answers the first request 5.5 s late (on the link's clock, twice as fast here),
// after its try has given up. The late reply is dropped before the second try's request goes
// out, so every later request gets its own answer: one retry in all, no "Receive error", the
// values read are the printer's.
TEST_F(MisbehavingPrinter, LateReplyIsNeverTakenForALaterRequest)
{
    VirtualPrinterProcess printer(link, trace, { "--late-replies", "1", "--late-by", "2750" });
    const PortTimeDivisor shorter(2);
    TimingClock clock(2); // the one-second pause lets the late reply arrive before the retry
    platform.useClock(&clock);
    PrinterDriver.OpenPort(0);
    ASSERT_TRUE(D4Link.EnterD4Mode());
    EXPECT_TRUE(D4Link.D4Init());
    EXPECT_TRUE(D4Link.OpenChannel(ControlSocket));
    EXPECT_TRUE(D4Link.GrantCredit(ControlSocket, 1));
    D4Link.GetPrinterStatus();
    EXPECT_FALSE(D4Link.LastExchangeFailed());
    EXPECT_EQ(PrinterStatus, psReady);
    EXPECT_TRUE(D4Link.OpenChannel(DataSocket));
    EXPECT_EQ(D4Link.WriteEepromByte(0x40, 0x5A), ReplyDone);
    EXPECT_EQ(D4Link.ReadEepromByte(0x40), 0x5A);
    EXPECT_EQ(D4Link.ReadEepromByte(0x41), 0xFF);
    EXPECT_EQ(clock.pauses(1000), 1) << "the entry's second try; every later one at its first";
    EXPECT_TRUE(platform.dialogs.shown.empty());
    D4Link.CloseChannel(DataSocket, 0);
    D4Link.CloseChannel(ControlSocket, 0);
    D4Link.D4Exit();
    PrinterDriver.ClosePort();
}

// ---- cantra-probe ----

RunResult probe(const std::vector<std::pair<std::string, std::string>> &environment)
{
    return runProgram({ CANTRA_PROBE_PATH, "LPT1" }, environment, std::chrono::seconds(60));
}

TEST_F(MisbehavingPrinter, ProbeAnswersZeroOnlyWhenThePrinterAnsweredEverything)
{
    {
        VirtualPrinterProcess printer(link, trace);
        const RunResult answered = probe({});
        EXPECT_EQ(answered.exitCode, 0) << answered.out << answered.err;
        EXPECT_THAT(answered.out, HasSubstr("LPT1: state 7014, error 7009"));
    }
    VirtualPrinterProcess printer(link, trace, { "--silent" });
    const RunResult silent = probe({ { "CANTRA_PORT_TIME_DIVISOR", "50" } });
    EXPECT_EQ(silent.exitCode, 1) << silent.out << silent.err;
    EXPECT_THAT(silent.err, HasSubstr("LPT1: the printer does not enter packet mode"));
}

// The box says only "Cannot open port."; standard error says which device was tried, what
// chose it, and the system's reason, and the probe fails.
TEST_F(MisbehavingPrinter, PortThatCannotBeOpenedNamesWhatWasTried)
{
    const RunResult missing = probe({ { "CANTRA_LPT1", "/nonexistent/cantra-lpt" } });
    EXPECT_EQ(missing.exitCode, 3);
    EXPECT_THAT(missing.err, HasSubstr("Cannot open port."));
    EXPECT_THAT(missing.err,
                HasSubstr("LPT1 -> /nonexistent/cantra-lpt (set by CANTRA_LPT1): No "
                          "such file or directory"));

    const RunResult directory = probe({ { "CANTRA_LPT1", dir.path.string() } });
    EXPECT_EQ(directory.exitCode, 3);
    EXPECT_THAT(directory.err, HasSubstr("(set by CANTRA_LPT1): Is a directory"));

    // An ordinary file is no port: refused with its name, and left as it was.
    const fs::path file = dir.path / "not-a-port";
    std::ofstream(file) << "kept";
    const RunResult regular = probe({ { "CANTRA_LPT1", file.string() } });
    EXPECT_EQ(regular.exitCode, 3);
    EXPECT_THAT(regular.err,
                HasSubstr("LPT1 -> " + file.string()
                          + " (set by CANTRA_LPT1): a regular file, not a port"));
    EXPECT_EQ(fs::file_size(file), 4u);

    if (!fs::exists("/dev/lp2")) {
        const RunResult byDefault = runProgram({ CANTRA_PROBE_PATH, "LPT3" },
                                               { { "CANTRA_LPT3", "" } }, std::chrono::seconds(60));
        EXPECT_EQ(byDefault.exitCode, 3);
        EXPECT_THAT(byDefault.err, HasSubstr("LPT3 -> /dev/lp2 (the default): "));
    }
}

} // namespace
