// Transactions, channel data and the control exchange, with the printer misbehaving on purpose.
#include "support/LinkFixture.h"

#include "link/Roro4dodu.h"
#include "link/Vuviredorizaduzu.h"

#include <gmock/gmock.h>

#include <vector>

using namespace testsupport;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

const std::string ClosedByForce = "This program is closed by force.";

class Transport : public LinkFixture
{
protected:
    int transactionsSent(uint8_t command) const
    {
        int count = 0;
        for (const vprinter::Packet &packet : printer.received())
            count += packet.kind == vprinter::Packet::Kind::Transaction
                    && packet.command == command;
        return count;
    }
};

TEST_F(Transport, TransactionRetriesUntilTheReplyAnswersTheRequest)
{
    PrinterDriver.OpenPort(0);
    ASSERT_TRUE(D4Link.EnterD4Mode());
    platform.clock.sleeps.clear();
    printer.faults().wrongCommandByte = 2;

    EXPECT_TRUE(D4Link.D4Init());
    EXPECT_EQ(transactionsSent(0x00), 3);
    // 10 ms before each of the three reads, 1000 ms after each of the two wrong replies.
    EXPECT_THAT(platform.clock.sleeps, ElementsAre(10, 1000, 10, 1000, 10));
}

TEST_F(Transport, ThreeFailedTriesReturnFalse)
{
    PrinterDriver.OpenPort(0);
    printer.faults().silent = true;
    EXPECT_FALSE(D4Link.EnterD4Mode());
    EXPECT_EQ(printer.received().size(), 3u);
    EXPECT_THAT(platform.clock.sleeps, ElementsAre(10, 1000, 10, 1000, 10, 1000));
    EXPECT_THAT(platform.dialogs.shown, IsEmpty());
}

TEST_F(Transport, ShortWriteFailsAtOnceWithoutAnotherTry)
{
    PrinterDriver.OpenPort(0);
    printer.faults().shortWrites = 1;
    EXPECT_FALSE(D4Link.EnterD4Mode());
    EXPECT_TRUE(platform.clock.sleeps.empty());
    EXPECT_THAT(platform.dialogs.shown, IsEmpty());
}

TEST_F(Transport, ImpossibleOrOversizedReplyLengthsFailTheTryButKeepTheFraming)
{
    startControlLink();
    // Length 3 cannot be a packet; 2000 does not fit the reply buffer and is read out.
    for (const int length : { 3, 2000 }) {
        platform.clock.sleeps.clear();
        printer.faults().replyLengthField = length;
        EXPECT_TRUE(D4Link.OpenChannel(DataSocket)) << length;
        EXPECT_THAT(platform.clock.sleeps, ElementsAre(10, 1000, 10)) << length;
        EXPECT_EQ(D4Link.ReceiveLength, 16) << length;
    }
}

TEST_F(Transport, ReadPacketNeverStoresBeyondTheCallersBuffer)
{
    startControlLink();
    printer.faults().replyLengthField = 40;
    const uint8_t request[] = { 0x00, 0x00, 0x00, 0x08, 0x01, 0x00, 0x00, 0x10 };
    ASSERT_TRUE(PrinterDriver.WritePacket(request, sizeof request));
    uint8_t buffer[20];
    std::fill(std::begin(buffer), std::end(buffer), 0xAA);
    int32_t length = -1;
    EXPECT_FALSE(PrinterDriver.ReadPacket(buffer, 16, length));
    EXPECT_EQ(length, 0);
    EXPECT_EQ(buffer[16], 0xAA);
    EXPECT_EQ(printer.pendingOutput(), 0u); // the body was read out and dropped
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

TEST_F(Transport, SixtyFourBytesGoAsOneSeventyBytePacket)
{
    startLink();
    printer.clearReceived();
    std::vector<uint8_t> payload(64);
    for (size_t i = 0; i < payload.size(); ++i)
        payload[i] = uint8_t(i);
    D4Link.SendCommandData(payload.data(), payload.size());
    const vprinter::Packet &last = printer.received().back();
    EXPECT_EQ(last.raw.size(), 70u);
    EXPECT_EQ(last.socket, DataSocket);
    EXPECT_EQ(last.payload, payload);
}

TEST_F(Transport, SixtyFiveBytesEndTheProgram)
{
    startLink();
    printer.clearReceived();
    std::vector<uint8_t> payload(65);
    EXPECT_THROW(D4Link.SendPrintData(payload.data(), payload.size()), ProcessExit);
    EXPECT_THAT(platform.dialogs.texts(), ElementsAre("Program miss!!!", ClosedByForce));
    EXPECT_EQ(platform.dialogs.shown[0].kind, platform::MessageKind::Error);
    EXPECT_THAT(platform.process.exits, ElementsAre(0));
    EXPECT_TRUE(printer.received().empty()); // nothing went out, no channel was closed
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

// Without credit the packet still goes out; the counter stays at 0 and the next packet asks
// again instead of sending on a wrapped count of 65535.
TEST_F(Transport, HostCreditNeverWrapsBelowZero)
{
    startLink();
    printer.faults().zeroCredit = true;
    const uint8_t data[] = { 7 };
    D4Link.SendPrintData(data, sizeof data);
    EXPECT_EQ(D4Link.HostCredit, 0);
    D4Link.SendPrintData(data, sizeof data);
    EXPECT_EQ(D4Link.HostCredit, 0);
    EXPECT_EQ(transactionsSent(0x04) - 1, 2); // one CreditRequest on socket 2 during the start
    EXPECT_EQ(printer.creditViolations(), 2);
}

TEST_F(Transport, CreditReplyTooShortTakesTheGrantAsGiven)
{
    startLink();
    printer.faults().shortCreditReply = true;
    ASSERT_TRUE(D4Link.GrantCredit(DataSocket, 200));
    EXPECT_EQ(D4Link.PrinterCredit, 200);
}

} // namespace
