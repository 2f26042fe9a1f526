// The protocol trace: a link start line by line, failed tries and time-outs, print data in
// runs, the way out after a fatal error, and nothing at all while it is off.
#include "support/LinkFixture.h"
#include "support/PacketQuery.h"

#include "link/Roro4dodu.h"
#include "link/TraceLog.h"
#include "link/Vuviredorizaduzu.h"
#include "patterns/Ziroreved.h"
#include "platform/Trace.h"

#include <gmock/gmock.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

using namespace testsupport;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::StartsWith;

namespace {

class LineTrace : public TraceLog
{
public:
    LineTrace() : TraceLog("test") { }
    std::vector<std::string> lines;

    // The lines after the title, which every trace opens with.
    std::vector<std::string> body() const
    {
        return lines.empty() ? lines : std::vector<std::string>(lines.begin() + 1, lines.end());
    }

protected:
    void writeLine(const std::string &line) override { lines.push_back(line); }
};

// The text of a reply, in hexadecimal, for the expected lines.
std::string hexOf(const std::string &text)
{
    std::string out;
    char cell[4];
    for (const unsigned char c : text) {
        std::snprintf(cell, sizeof cell, out.empty() ? "%02X" : " %02X", c);
        out += cell;
    }
    return out;
}

class ProtocolTrace : public LinkFixture
{
protected:
    ProtocolTrace() { platform::setTrace(&trace); }
    ~ProtocolTrace() override { platform::setTrace(nullptr); }

    LineTrace trace;
};

TEST_F(ProtocolTrace, LinkStartLineByLine)
{
    startLink();
    const std::string status = "@BDC ST2\r\nST:04;IQ:46505050;\r\n";
    EXPECT_THAT(trace.lines.front(), StartsWith("# test: ms since the start"));
    EXPECT_THAT(
            trace.body(),
            ElementsAre(
                    "       0 > 00 00 00 1B 01 40 50 43 51 20 31 32 38 34 2E 34 0A 40 50 43 51 0A "
                    "40 50 43 51 0A | entry into packet mode",
                    "       0 . | wait 10 ms",
                    "      10 < 00 00 00 08 01 00 D0 00 | reply to entry into packet mode",
                    "      10 > 00 00 00 08 01 00 00 10 | Init", "      10 . | wait 10 ms",
                    "      20 < 00 00 00 09 01 00 80 00 10 | reply to Init",
                    "      20 > 00 00 00 11 01 00 01 02 02 01 00 01 00 00 00 00 00 | "
                    "OpenChannel(2)",
                    "      20 . | wait 10 ms",
                    "      30 < 00 00 00 10 01 00 81 00 02 02 00 40 00 40 00 00 | reply to "
                    "OpenChannel(2)",
                    "      30 > 00 00 00 0B 01 00 03 02 02 00 01 | Credit(2, 1)",
                    "      30 . | wait 10 ms",
                    "      40 < 00 00 00 0C 01 00 83 00 02 02 00 01 | reply to Credit(2): "
                    "printer credit 1",
                    "      40 > 00 00 00 0B 01 00 03 02 02 00 01 | Credit(2, 1)",
                    "      40 . | wait 10 ms",
                    "      50 < 00 00 00 0C 01 00 83 00 02 02 00 02 | reply to Credit(2): "
                    "printer credit 2",
                    "      50 > 00 00 00 0D 01 00 04 02 02 FF FF 00 01 | CreditRequest(2, 1)",
                    "      50 . | wait 10 ms",
                    "      60 < 00 00 00 0C 01 00 84 00 02 02 00 01 | reply to CreditRequest(2): "
                    "host credit 1",
                    "      60 > 02 02 00 0B 00 00 73 74 01 00 01 | control: status request \"st\"",
                    "      60 . | wait 10 ms",
                    "      70 < 02 02 00 24 00 00 " + hexOf(status)
                            + " | status: ready, ink 70 80 80 80 "
                              "\"@BDC ST2\\r\\nST:04;IQ:46505050;\\r\\n\"",
                    "      70 > 00 00 00 11 01 00 01 40 40 01 00 01 00 00 00 00 00 | "
                    "OpenChannel(64)",
                    "      70 . | wait 10 ms",
                    "      80 < 00 00 00 10 01 00 81 00 40 40 00 40 00 40 00 00 | reply to "
                    "OpenChannel(64)"));
}

TEST_F(ProtocolTrace, EveryFailedTryAndItsWaitIsALine)
{
    PrinterDriver.OpenPort(0);
    printer.faults().silent = true;
    EXPECT_FALSE(D4Link.EnterD4Mode());
    const std::vector<std::string> body = trace.body();
    ASSERT_EQ(body.size(), 14u);
    EXPECT_THAT(body[0], HasSubstr("> 00 00 00 1B 01 40 50 43 51"));
    EXPECT_EQ(body[1], "       0 . | wait 10 ms");
    EXPECT_EQ(body[2], "      10 ! | no reply within the time-out");
    EXPECT_EQ(body[3], "      10 ! | entry into packet mode: try 1 of 3 failed, no complete reply");
    EXPECT_EQ(body[4], "      10 . | wait 1000 ms");
    EXPECT_THAT(body[5], StartsWith("    1010 > 00 00 00 1B 01"));
    EXPECT_EQ(body[13],
              "    2030 ! | entry into packet mode: try 3 of 3 failed, no complete reply");
}

TEST_F(ProtocolTrace, CutRepliesWrongAnswersAndLateBytes)
{
    startControlLink();
    trace.lines.clear();
    printer.faults().shortReplies = 1;
    printer.faults().wrongCommandByte = 2;
    EXPECT_TRUE(D4Link.OpenChannel(DataSocket));
    // The first reply is cut by two bytes; the second answers another command.
    EXPECT_THAT(trace.lines,
                Contains("      50 ! 00 00 00 10 01 00 82 00 40 40 00 40 00 40 | reply cut short: "
                         "14 of 16 bytes within the time-out"));
    EXPECT_THAT(trace.lines,
                Contains(HasSubstr("OpenChannel(64): try 1 of 3 failed, no complete reply")));
    EXPECT_THAT(trace.lines,
                Contains(HasSubstr("OpenChannel(64): try 2 of 3 failed, not its answer")));

    printer.faults().lateReplies = 1;
    printer.faults().lateByMs = 500;
    trace.lines.clear();
    EXPECT_TRUE(D4Link.D4Init());
    EXPECT_THAT(trace.lines,
                Contains(HasSubstr("! | dropped 9 bytes the printer had sent and nobody read")));
}

TEST_F(ProtocolTrace, PrintDataInRunsOfAtMostTwoHundredPackets)
{
    startLink();
    trace.lines.clear();
    Raster.InitPrinter();
    Raster.SetUnit(10);
    Raster.SendRun(120, 0xFF);
    D4Link.GetPrinterStatus();
    Raster.FormFeed();
    D4Link.GetPrinterStatus();
    for (int i = 0; i < 447; ++i)
        Raster.SendRun(1, 0x03);
    trace.flush();

    std::vector<std::string> data;
    for (const std::string &line : trace.lines)
        if (line.find(" > [") != std::string::npos || line.find("| raster: ") != std::string::npos)
            data.push_back(line.substr(9));
    EXPECT_THAT(data,
                ElementsAre("> [3 packets, 10 bytes] | print data on 64 over 0 ms: InitPrinter x1, "
                            "SetUnit x1, SendRun x1",
                            "> 40 40 00 07 00 00 0C | raster: FormFeed",
                            "> [196 packets, 392 bytes] | print data on 64 over 0 ms: SendRun x196",
                            "> [200 packets, 400 bytes] | print data on 64 over 0 ms: SendRun x200",
                            "> [51 packets, 102 bytes] | print data on 64 over 0 ms: SendRun x51"));
    // Every packet the printer received is in the trace.
    EXPECT_EQ(PacketQuery(printer).printData().size(), 3u + 1u + 447u);
}

TEST_F(ProtocolTrace, FatalErrorEndsTheRunAndReachesTheFile)
{
    startControlLink();
    Raster.InitPrinter(); // a data packet on a channel not yet open: still a line
    Raster.InitPrinter();
    printer.faults().wrongSocketReplies = 1;
    trace.lines.clear();
    EXPECT_THROW(D4Link.GetPrinterStatus(), ProcessExit);
    const std::vector<std::string> &lines = trace.lines;
    ASSERT_GE(lines.size(), 4u);
    EXPECT_THAT(lines, Contains(HasSubstr("[2 packets, 4 bytes] | print data on 64")));
    EXPECT_THAT(lines[lines.size() - 3], HasSubstr("! | warning box: Receive error"));
    EXPECT_THAT(lines[lines.size() - 2],
                HasSubstr("! | error box: This program is closed by force."));
    EXPECT_THAT(lines.back(), HasSubstr("! | the process ends with exit code 0"));
}

// Off, the platform's services are the ones set; on, the trace stands in front of them and
// still reaches them, whichever are set meanwhile.
TEST_F(ProtocolTrace, WaitsBoxesAndExitGoThroughTheTraceOnlyWhileItIsOn)
{
    EXPECT_NE(&platform::clock(), &platform.clock);
    platform::clock().sleep(7);
    EXPECT_THAT(platform.clock.sleeps, ElementsAre(7));
    testsupport::FakeClock other;
    other.nowMs = 7;
    platform::setClock(&other);
    platform::clock().sleep(9);
    EXPECT_THAT(other.sleeps, ElementsAre(9));
    platform::setClock(&platform.clock);
    platform::showError("boom");
    EXPECT_THAT(platform.dialogs.texts(), ElementsAre("boom"));
    EXPECT_THAT(trace.body(),
                ElementsAre("       0 . | wait 7 ms", "       7 . | wait 9 ms",
                            "       7 ! | error box: boom"));

    platform::setTrace(nullptr);
    EXPECT_EQ(&platform::clock(), &platform.clock);
    EXPECT_EQ(&platform::dialogs(), &platform.dialogs);
    EXPECT_EQ(&platform::process(), &platform.process);
    trace.lines.clear();
    startLink();
    EXPECT_TRUE(trace.lines.empty());

    platform::setTrace(&trace);
    platform::restoreDefaults();
    EXPECT_EQ(platform::trace(), nullptr);
}

// A clock that wraps the one in force (the trainer's window does) is set before the trace:
// the trace then stands in front of it, and a pause reaches both once.
TEST(TraceOrder, AClockWrappingTheClockInForceGoesBeforeTheTrace)
{
    class Wrapping : public testsupport::FakeClock
    {
    public:
        explicit Wrapping(platform::Clock &inner) : m_inner(inner) { }
        void sleep(uint32_t ms) override
        {
            ++calls;
            m_inner.sleep(ms);
        }
        int calls = 0;

    private:
        platform::Clock &m_inner;
    };
    TestPlatform platform;
    Wrapping wrapping(platform::clock());
    platform::setClock(&wrapping);
    LineTrace trace;
    platform::setTrace(&trace);
    platform::clock().sleep(5);
    EXPECT_EQ(wrapping.calls, 1);
    EXPECT_THAT(platform.clock.sleeps, ElementsAre(5));
    EXPECT_THAT(trace.body(), ElementsAre("       0 . | wait 5 ms"));
    platform::setTrace(nullptr);
}

TEST(TraceFile, WritesEachLineAsItGoesAndSaysWhyItCannot)
{
    const std::filesystem::path path
            = std::filesystem::temp_directory_path() / "cantra-trace-file-test.txt";
    {
        TraceFile file(path.string(), "file test");
        ASSERT_TRUE(file.isOpen()) << file.error();
        file.note("one");
        std::ifstream in(path);
        std::stringstream text;
        text << in.rdbuf();
        EXPECT_THAT(text.str(), HasSubstr("| one\n"));
    }
    std::filesystem::remove(path);

    TraceFile nowhere("/nonexistent-folder/trace.txt", "x");
    EXPECT_FALSE(nowhere.isOpen());
    EXPECT_THAT(nowhere.error(), HasSubstr("cannot write /nonexistent-folder/trace.txt: "));
    nowhere.note("goes nowhere"); // and does no harm
}

} // namespace
