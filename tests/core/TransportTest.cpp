// Transactions, channel data and the control exchange, with the printer misbehaving on purpose.
#include "support/LinkFixture.h"
#include "support/PacketQuery.h"
#include "support/ProgramTexts.h"

#include "link/Roro4dodu.h"
#include "link/Vuviredorizaduzu.h"

#include <gmock/gmock.h>

#include <algorithm>
#include <array>
#include <functional>
#include <memory>
#include <vector>

using namespace testsupport;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

class Transport : public LinkFixture
{ };

TEST_F(Transport, TransactionRetriesUntilTheReplyAnswersTheRequest)
{
    PrinterDriver.OpenPort(0);
    ASSERT_TRUE(D4Link.EnterD4Mode());
    platform.clock.sleeps.clear();
    printer.faults().wrongCommandByte = 2;

    EXPECT_TRUE(D4Link.D4Init());
    EXPECT_EQ(PacketQuery(printer).transactionCount(0x00), 3);
    // 10 ms before each of the three reads, 1000 ms after each of the two wrong replies.
    EXPECT_THAT(platform.clock.sleeps, ElementsAre(10, 1000, 10, 1000, 10));
}

// Three tries take two pauses: the caller has its answer as soon as the third has failed.
TEST_F(Transport, ThreeFailedTriesReturnFalse)
{
    PrinterDriver.OpenPort(0);
    printer.faults().silent = true;
    EXPECT_FALSE(D4Link.EnterD4Mode());
    EXPECT_EQ(PacketQuery(printer).all().size(), 3u);
    EXPECT_THAT(platform.clock.sleeps, ElementsAre(10, 1000, 10, 1000, 10));
    EXPECT_THAT(platform.dialogs.shown, IsEmpty());
}

// A reply that comes after its try has given up is dropped before the next request goes
// out, so it never answers a later request: every later exchange is answered at its first
// try and the control reply is the printer's answer to "st".
TEST_F(Transport, LateReplyIsDroppedAndTheLinkStaysInStep)
{
    PrinterDriver.OpenPort(0);
    printer.faults().lateReplies = 1;
    printer.faults().lateByMs = 500;
    EXPECT_TRUE(D4Link.EnterD4Mode());
    EXPECT_TRUE(D4Link.D4Init());
    EXPECT_TRUE(D4Link.OpenChannel(ControlSocket));
    EXPECT_TRUE(D4Link.GrantCredit(ControlSocket, 1));
    D4Link.GetPrinterStatus();
    EXPECT_FALSE(D4Link.LastExchangeFailed());
    EXPECT_EQ(PrinterStatus, psReady);
    printer.eeprom()[0x21] = 0x5C;
    EXPECT_EQ(D4Link.ReadEepromByte(0x21), 0x5C);

    // The second entry string reaches a printer already in packet mode, where it reads as a
    // transaction of its own, the "P" of "@PCQ", and is answered as one.
    const PacketQuery sent(printer);
    EXPECT_THAT(sent.transactions(),
                ElementsAre(::testing::StartsWith("transaction 50"), "Init", "OpenChannel(2)",
                            "Credit(2, 1)", "Credit(2, 1)", "CreditRequest(2, 1)", "Credit(2, 1)",
                            "CreditRequest(2, 1)"));
    // One pause: the first entry's reply came too late for its try.
    EXPECT_EQ(std::count(platform.clock.sleeps.begin(), platform.clock.sleeps.end(), 1000), 1);
    EXPECT_THAT(platform.dialogs.shown, IsEmpty());
}

// A port on the test clock: the printer sends `header`, then one zero byte every `everyMs`
// for ever. A read waits as a real port does, up to its total time-out.
class TricklePort : public platform::PortDevice
{
public:
    TricklePort(FakeClock &clock, std::vector<uint8_t> header, int64_t everyMs)
        : m_clock(clock), m_header(std::move(header)), m_everyMs(everyMs),
          m_nextAt(clock.nowMs + everyMs)
    { }
    bool getTimeouts(platform::PortTimeouts &timeouts) override
    {
        timeouts = m_timeouts;
        return true;
    }
    bool setTimeouts(const platform::PortTimeouts &timeouts) override
    {
        m_timeouts = timeouts;
        return true;
    }
    void waitWritable() override { }
    bool write(const uint8_t *, size_t length, size_t &written) override
    {
        written = length;
        return true;
    }
    size_t discardWaiting() override { return 0; }
    bool read(uint8_t *data, size_t length, size_t &got) override
    {
        got = 0;
        const int64_t deadline = m_clock.nowMs + m_timeouts.readTotalConstantMs
                + int64_t(m_timeouts.readTotalMultiplierMs) * int64_t(length);
        while (got < length && m_sentHeader < m_header.size())
            data[got++] = m_header[m_sentHeader++];
        while (got < length) {
            if (m_nextAt > deadline) {
                m_clock.nowMs = std::max(m_clock.nowMs, deadline);
                break;
            }
            m_clock.nowMs = std::max(m_clock.nowMs, m_nextAt);
            data[got++] = 0;
            m_nextAt += m_everyMs;
        }
        return true;
    }

private:
    FakeClock &m_clock;
    std::vector<uint8_t> m_header;
    size_t m_sentHeader = 0;
    int64_t m_everyMs;
    int64_t m_nextAt;
    platform::PortTimeouts m_timeouts;
};

class TrickleConnector : public platform::PortConnector
{
public:
    TrickleConnector(FakeClock &clock, std::vector<uint8_t> header)
        : m_clock(clock), m_header(std::move(header))
    { }
    std::unique_ptr<platform::PortDevice> open(const std::string &) override
    {
        return std::make_unique<TricklePort>(m_clock, m_header, 10);
    }

private:
    FakeClock &m_clock;
    std::vector<uint8_t> m_header;
};

// A header that announces more than the buffer holds, then a body that dribbles in faster
// than the interval time-out: reading it out ends with the body's own time-out (5000 ms and
// 1 ms a byte) or the 10-second guard, whichever comes first, not after the whole body.
TEST_F(Transport, ReadPacketEndsWithinTheGuardWhateverTrickles)
{
    const struct
    {
        std::vector<uint8_t> header;
        int64_t endsAfterMs; // after the 10 ms pause before the read
        int32_t length;
    } cases[] = {
        { { 0x00, 0x00, 0xFF, 0xFF, 0x01, 0x00 }, 10'000, 0 }, // 65,529 to drop: the guard
        { { 0x00, 0x00, 0x07, 0xD6, 0x01, 0x00 }, 7'000, 0 }, // 2,000 to drop: 5000 + 2000 ms
        { { 0x00, 0x00, 0x03, 0xE8, 0x01, 0x00 }, 5'994, 1000 }, // a body that fits: 5000 + 994
    };
    for (const auto &c : cases) {
        TrickleConnector connector(platform.clock, c.header);
        platform::setPorts(&connector);
        PrinterDriver.OpenPort(0);
        const int64_t started = platform.clock.nowMs;
        uint8_t buffer[1024];
        int32_t length = -1;
        EXPECT_FALSE(PrinterDriver.ReadPacket(buffer, sizeof buffer, length));
        EXPECT_EQ(length, c.length);
        EXPECT_EQ(platform.clock.nowMs - started, 10 + c.endsAfterMs) << c.length;
        PrinterDriver.ClosePort();
        platform::setPorts(nullptr);
    }
}

// A port on the test clock whose reads bring all they are asked for of one 8-byte reply, the
// header's read ending `endsAfterMs[0]` and the body's `endsAfterMs[1]` after the first began:
// a port whose own time-out lets a read finish a little late.
class LatePort : public platform::PortDevice, public platform::PortConnector
{
public:
    LatePort(FakeClock &clock, std::array<int64_t, 2> endsAfterMs)
        : m_clock(clock), m_endsAfter(endsAfterMs)
    { }
    std::unique_ptr<platform::PortDevice> open(const std::string &) override
    {
        return std::make_unique<LatePort>(m_clock, m_endsAfter);
    }
    bool getTimeouts(platform::PortTimeouts &) override { return true; }
    bool setTimeouts(const platform::PortTimeouts &) override { return true; }
    void waitWritable() override { }
    bool write(const uint8_t *, size_t, size_t &) override { return false; }
    size_t discardWaiting() override { return 0; }
    bool read(uint8_t *data, size_t length, size_t &got) override
    {
        static constexpr uint8_t Reply[] = { 0x00, 0x00, 0x00, 0x08, 0x01, 0x00, 0x80, 0x00 };
        m_startedAt = m_sent ? m_startedAt : m_clock.nowMs;
        m_clock.nowMs = m_startedAt + m_endsAfter[m_sent ? 1 : 0];
        got = std::min(length, sizeof Reply - m_sent);
        std::copy_n(Reply + m_sent, got, data);
        m_sent += got;
        return true;
    }

private:
    FakeClock &m_clock;
    std::array<int64_t, 2> m_endsAfter;
    int64_t m_startedAt = 0;
    size_t m_sent = 0;
};

// The guard covers the whole packet: a reply whose last byte comes 10 s or more after its
// read began is not taken, even when the read that brings it is complete.
TEST_F(Transport, AReplyCompletedAfterTheWholePacketGuardIsNotTaken)
{
    const std::pair<std::array<int64_t, 2>, bool> cases[] = { { { 9'000, 9'999 }, true },
                                                              { { 9'000, 10'000 }, false },
                                                              { { 9'999, 10'001 }, false } };
    for (const auto &[endsAfterMs, taken] : cases) {
        LatePort connector(platform.clock, endsAfterMs);
        platform::setPorts(&connector);
        PrinterDriver.OpenPort(0);
        uint8_t buffer[16];
        int32_t length = -1;
        EXPECT_EQ(PrinterDriver.ReadPacket(buffer, sizeof buffer, length), taken) << endsAfterMs[1];
        EXPECT_EQ(length, 8) << "the length is the header's, taken or not";
        PrinterDriver.ClosePort();
        platform::setPorts(nullptr);
    }
}

TEST_F(Transport, ShortWriteFailsAtOnceWithoutAnotherTry)
{
    PrinterDriver.OpenPort(0);
    printer.faults().shortWrites = 1;
    EXPECT_FALSE(D4Link.EnterD4Mode());
    EXPECT_TRUE(platform.clock.sleeps.empty());
    EXPECT_THAT(platform.dialogs.shown, IsEmpty());
}

// A reply needs its header and the answering command byte after it; 2000 does not fit the
// reply buffer and is read out.
TEST_F(Transport, ReplyLengthsAroundTheHeaderAndTheBufferFailOrPassTheTry)
{
    startControlLink();
    for (const int length : { 3, 6, 7, 2000 }) {
        platform.clock.sleeps.clear();
        printer.faults().replyLengthField = length;
        EXPECT_TRUE(D4Link.OpenChannel(DataSocket)) << length;
        if (length == 7)
            EXPECT_THAT(platform.clock.sleeps, ElementsAre(10)) << "taken at the first try";
        else
            EXPECT_THAT(platform.clock.sleeps, ElementsAre(10, 1000, 10)) << length;
        EXPECT_EQ(D4Link.ReceiveLength, length == 7 ? 7 : 16) << length;
    }
}

// The header's length counts the header itself: 5 cannot be a packet, 6 is an empty one; a
// packet one byte longer than the caller's buffer is read out and dropped.
TEST_F(Transport, ReadPacketTakesLengthsFromTheHeaderToTheCallersBuffer)
{
    startControlLink();
    const uint8_t request[] = { 0x00, 0x00, 0x00, 0x08, 0x01, 0x00, 0x00, 0x10 };
    const struct
    {
        int field;
        bool taken;
    } cases[] = { { 5, false }, { 6, true }, { 16, true }, { 17, false } };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.field);
        printer.faults().replyLengthField = c.field;
        ASSERT_TRUE(PrinterDriver.WritePacket(request, sizeof request));
        uint8_t buffer[20];
        std::fill(std::begin(buffer), std::end(buffer), 0xAA);
        int32_t length = -1;
        EXPECT_EQ(PrinterDriver.ReadPacket(buffer, 16, length), c.taken);
        EXPECT_EQ(length, c.taken ? c.field : 0);
        EXPECT_EQ(buffer[16], 0xAA);
        EXPECT_EQ(printer.pendingOutput(), 0u) << "the body was read out";
    }
}

TEST_F(Transport, BodyMissingAfterTheHeaderFailsWithTheLengthSet)
{
    startControlLink();
    printer.faults().shortReplies = 1;
    const uint8_t request[] = { 0x00, 0x00, 0x00, 0x08, 0x01, 0x00, 0x00, 0x10 };
    ASSERT_TRUE(PrinterDriver.WritePacket(request, sizeof request));
    uint8_t buffer[64];
    int32_t length = 0;
    EXPECT_FALSE(PrinterDriver.ReadPacket(buffer, sizeof buffer, length));
    EXPECT_EQ(length, 9);
}

// A data packet takes 64 bytes; a control packet as much as the reply buffer holds with its
// header, 1018 bytes. One byte more is a fault of the program itself, and nothing goes out.
TEST_F(Transport, LargestPacketsGoOutAndOneByteMoreEndsTheProgram)
{
    startLink();
    printer.clearReceived();
    std::vector<uint8_t> payload(64);
    for (size_t i = 0; i < payload.size(); ++i)
        payload[i] = uint8_t(i);
    D4Link.SendCommandData(payload.data(), payload.size());
    const auto data = PacketQuery(printer).onSocket(DataSocket);
    ASSERT_EQ(data.size(), 1u);
    EXPECT_EQ(data[0].raw.size(), 70u);
    EXPECT_EQ(data[0].payload, payload);

    std::vector<uint8_t> control(1018, 0x20);
    EXPECT_TRUE(D4Link.SendAndReceive(control.data(), control.size()));
    EXPECT_EQ(PacketQuery(printer).onSocket(ControlSocket).back().payload, control);

    const std::function<void()> oneByteMore[] = {
        [] {
            const std::vector<uint8_t> p(65);
            D4Link.SendPrintData(p.data(), p.size());
        },
        [] {
            const std::vector<uint8_t> p(1019);
            D4Link.SendAndReceive(p.data(), p.size());
        },
    };
    for (const auto &send : oneByteMore) {
        printer.clearReceived();
        platform.dialogs.shown.clear();
        platform.process.exits.clear();
        EXPECT_THROW(send(), ProcessExit);
        EXPECT_THAT(platform.dialogs.texts(), ElementsAre("Program miss!!!", ClosedByForce));
        EXPECT_EQ(platform.dialogs.shown[0].kind, platform::MessageKind::Error);
        EXPECT_THAT(platform.process.exits, ElementsAre(0));
        EXPECT_TRUE(PacketQuery(printer).all().empty()) << "nothing went out";
    }
}

TEST_F(Transport, ControlReplyOnAnotherSocketEndsTheProgram)
{
    startControlLink();
    printer.faults().wrongSocketReplies = 1;
    EXPECT_THROW(D4Link.GetPrinterStatus(), ProcessExit);
    EXPECT_THAT(platform.dialogs.texts(), ElementsAre("Receive error", ClosedByForce));
    EXPECT_EQ(platform.dialogs.shown[0].kind, platform::MessageKind::Warning);
    EXPECT_THAT(platform.process.exits, ElementsAre(0));
}

TEST_F(Transport, EmptyControlReplyIsAccepted)
{
    startControlLink();
    printer.faults().statusText = "";
    const uint8_t request[] = { 's', 't', 0x01, 0x00, 0x01 };
    EXPECT_TRUE(D4Link.SendAndReceive(request, sizeof request));
    EXPECT_EQ(D4Link.ReceiveLength, 6);
    EXPECT_EQ(D4Link.ReplyPayloadLength(), 0u);
}

TEST_F(Transport, ShortWriteOnAChannelIsFatal)
{
    startLink();
    printer.faults().shortWrites = 1;
    const uint8_t request[] = { 's', 't', 0x01, 0x00, 0x01 };
    // The credit transaction's write is short first: the exchange fails, nothing is fatal yet.
    EXPECT_FALSE(D4Link.SendAndReceive(request, sizeof request));
    EXPECT_TRUE(platform.dialogs.shown.empty());

    printer.faults().shortWrites = 1;
    D4Link.HostCredit = 5;
    D4Link.PrinterCredit = 5;
    const uint8_t data[] = { 1, 2, 3 };
    EXPECT_THROW(D4Link.SendPrintData(data, sizeof data), ProcessExit);
    EXPECT_THAT(platform.dialogs.texts(), ElementsAre("Transmission error", ClosedByForce));
    EXPECT_FALSE(PrinterDriver.IsOpen());
}

TEST_F(Transport, ExchangeOnAClosedPortIsFatal)
{
    const uint8_t data[] = { 1 };
    EXPECT_THROW(PrinterDriver.WriteData(data, sizeof data), ProcessExit);
    EXPECT_THAT(platform.dialogs.texts(), ElementsAre("Cannot open port.", ClosedByForce));
}

TEST_F(Transport, PortThatCannotBeOpenedEndsTheProgramAfterOneBox)
{
    platform::systemPorts().setVirtualFactory(nullptr);
    EXPECT_THROW(PrinterDriver.OpenPort(0), ProcessExit);
    ASSERT_EQ(platform.dialogs.shown.size(), 1u);
    EXPECT_EQ(platform.dialogs.shown[0].text, "Cannot open port.");
    EXPECT_EQ(platform.dialogs.shown[0].title, "error");
    EXPECT_TRUE(platform.dialogs.shown[0].system);
    EXPECT_THAT(platform.process.exits, ElementsAre(0));
    EXPECT_FALSE(PrinterDriver.IsOpen());
    EXPECT_EQ(platform.dialogs.shown[0].detail, "");
}

// Started from the menu, the box is all the technician sees: what they can mend goes into it.
TEST_F(Transport, RefusedPortSaysInTheBoxHowToGetAccess)
{
    struct RefusingPorts : platform::PortConnector
    {
        std::unique_ptr<platform::PortDevice> open(const std::string &) override { return {}; }
        std::string lastRemedy() const override { return "join the group lp"; }
    } ports;
    platform::setPorts(&ports);
    EXPECT_THROW(PrinterDriver.OpenPort(0), ProcessExit);
    platform::setPorts(nullptr);
    ASSERT_EQ(platform.dialogs.shown.size(), 1u);
    EXPECT_EQ(platform.dialogs.shown[0].text, "Cannot open port.");
    EXPECT_EQ(platform.dialogs.shown[0].detail, "join the group lp");
}

TEST_F(Transport, OpenPortIndexOutsideTheTableOpensNothing)
{
    PrinterDriver.OpenPort(0);
    ASSERT_TRUE(PrinterDriver.IsOpen());
    PrinterDriver.OpenPort(3);
    EXPECT_FALSE(PrinterDriver.IsOpen());
    EXPECT_TRUE(platform.dialogs.shown.empty());
}

TEST_F(Transport, ReopeningAnOpenPortStartsTheHostAfresh)
{
    startControlLink();
    ASSERT_TRUE(printer.inPacketMode());
    PrinterDriver.OpenPort(0);
    EXPECT_FALSE(printer.inPacketMode());
    EXPECT_TRUE(D4Link.EnterD4Mode());
}

// Without credit the packet still goes out and the counter stays at 0 rather than wrap to
// 65535; the request is not repeated for every packet but once for every lot of 200, so
// 1,000 packets cost five requests.
TEST_F(Transport, CreditRefusedIsAskedForOncePerLotOf200Packets)
{
    startLink();
    printer.clearReceived();
    printer.faults().zeroCredit = true;
    const uint8_t data[] = { 7 };
    for (int i = 0; i < 1000; ++i) {
        D4Link.SendPrintData(data, sizeof data);
        ASSERT_EQ(D4Link.HostCredit, 0) << i;
    }
    const PacketQuery sent(printer);
    EXPECT_EQ(sent.onSocket(DataSocket).size(), 1000u);
    EXPECT_EQ(sent.transactionCount(0x04, DataSocket), 5);
    EXPECT_EQ(sent.transactionCount(0x03, DataSocket), 1); // the grant went through
    EXPECT_EQ(printer.creditViolations(), 1000);
    EXPECT_THAT(platform.dialogs.shown, IsEmpty());
}

// A printer that answers nothing: each credit transaction fails after three tries, and is
// not tried again for the next 200 packets, so 1,000 packets cost five requests and five
// grants of three tries each, and two pauses of a second for each of those ten.
TEST_F(Transport, SilentPrinterIsAskedForCreditOncePerLotOf200Packets)
{
    startLink();
    printer.clearReceived();
    printer.faults().silent = true;
    platform.clock.sleeps.clear();
    const uint8_t data[] = { 7 };
    for (int i = 0; i < 1000; ++i)
        D4Link.SendPrintData(data, sizeof data);
    const PacketQuery sent(printer);
    EXPECT_EQ(sent.onSocket(DataSocket).size(), 1000u);
    EXPECT_EQ(sent.transactionCount(0x04, DataSocket), 15);
    EXPECT_EQ(sent.transactionCount(0x03, DataSocket), 15);
    EXPECT_EQ(std::count(platform.clock.sleeps.begin(), platform.clock.sleeps.end(), 1000), 20);
    EXPECT_EQ(D4Link.HostCredit, 0);
    EXPECT_EQ(D4Link.PrinterCredit, 0);
}

// Once the printer answers again, the next lot asks as usual.
TEST_F(Transport, CreditIsAskedForAgainAfterTheLot)
{
    startLink();
    printer.faults().silent = true;
    const uint8_t data[] = { 7 };
    for (int i = 0; i < 200; ++i)
        D4Link.SendPrintData(data, sizeof data);
    printer.faults().silent = false;
    printer.clearReceived();
    D4Link.SendPrintData(data, sizeof data);
    EXPECT_THAT(PacketQuery(printer).transactions(),
                ElementsAre("CreditRequest(64, 200)", "Credit(64, 200)"));
    EXPECT_EQ(D4Link.HostCredit, 199);
    // The printer took the unanswered grants too; it says what it holds now.
    EXPECT_EQ(D4Link.PrinterCredit, printer.printerCredit(DataSocket));
    EXPECT_GE(D4Link.PrinterCredit, 200);
}

// The count is reply bytes 10 and 11: a printer that holds another credit than it was
// granted, or grants another than asked, is taken at its word; a reply one byte short of the
// count takes a grant as given and a request as granting nothing.
TEST_F(Transport, CreditCountsComeFromTheReplyWhenItHoldsThem)
{
    startLink();
    printer.faults().creditReported = 150;
    printer.faults().creditGranted = 120;
    ASSERT_TRUE(D4Link.GrantCredit(DataSocket, 37));
    EXPECT_EQ(D4Link.PrinterCredit, 150);
    ASSERT_TRUE(D4Link.RequestCredit(DataSocket, 200));
    EXPECT_EQ(D4Link.HostCredit, 120);

    printer.faults().replyLengthField = 11;
    ASSERT_TRUE(D4Link.GrantCredit(DataSocket, 37));
    EXPECT_EQ(D4Link.PrinterCredit, 37);
    printer.faults().replyLengthField = 11;
    ASSERT_TRUE(D4Link.RequestCredit(DataSocket, 200));
    EXPECT_EQ(D4Link.HostCredit, 0);
}

} // namespace
