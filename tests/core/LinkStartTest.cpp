// The link start and end on the wire, byte for byte, and the credit on the data channel.
#include "support/LinkFixture.h"
#include "support/PacketQuery.h"

#include "link/Roro4dodu.h"
#include "link/Vuviredorizaduzu.h"

#include <gmock/gmock.h>

using namespace testsupport;
using ::testing::ElementsAre;

namespace {

class LinkStart : public LinkFixture
{ };

TEST_F(LinkStart, SequenceOnTheWireForAReadyPrinter)
{
    startLink();
    const uint8_t data[] = { 0x1B };
    D4Link.SendPrintData(data, sizeof data);

    std::vector<std::string> expected = LinkStartOnTheWire;
    expected.insert(expected.end(),
                    { "00 00 00 0D 01 00 04 40 40 FF FF 00 C8", "00 00 00 0B 01 00 03 40 40 00 C8",
                      "40 40 00 07 00 00 1B" });
    EXPECT_EQ(wire(), expected);
    EXPECT_EQ(PrinterStatus, psReady);
    EXPECT_EQ(ErrorStatus, esNone);
    EXPECT_EQ(D4Link.HostCredit, 199);
    EXPECT_EQ(D4Link.PrinterCredit, 200);
    EXPECT_TRUE(platform.dialogs.shown.empty());
}

TEST_F(LinkStart, CreditIsAskedForOnlyWhenACounterReachesZero)
{
    startLink();
    const uint8_t data[] = { 0x00 };
    for (int i = 0; i < 201; ++i)
        D4Link.SendPrintData(data, sizeof data);

    const PacketQuery sent(printer);
    EXPECT_EQ(sent.onSocket(DataSocket).size(), 201u);
    EXPECT_EQ(sent.transactionCount(0x04, DataSocket), 2); // before packets 1 and 201
    EXPECT_EQ(sent.transactionCount(0x03, DataSocket), 1); // the printer never spent its 200
    EXPECT_EQ(D4Link.HostCredit, 199);
    EXPECT_EQ(printer.creditViolations(), 0);
}

TEST_F(LinkStart, OnlyTheDataChannelResetsTheCreditCounters)
{
    startControlLink();
    D4Link.HostCredit = 5;
    D4Link.PrinterCredit = 7;
    ASSERT_TRUE(D4Link.OpenChannel(ControlSocket));
    EXPECT_EQ(D4Link.HostCredit, 5);
    EXPECT_EQ(D4Link.PrinterCredit, 7);
    ASSERT_TRUE(D4Link.OpenChannel(DataSocket));
    EXPECT_EQ(D4Link.HostCredit, 0);
    EXPECT_EQ(D4Link.PrinterCredit, 0);
}

TEST_F(LinkStart, LinkEndLeavesThePrinterReadyForTheNextHost)
{
    startLink();
    printer.clearReceived();
    EXPECT_TRUE(D4Link.CloseChannel(DataSocket, 0));
    EXPECT_TRUE(D4Link.CloseChannel(ControlSocket, 0));
    D4Link.D4Exit();
    PrinterDriver.ClosePort();

    EXPECT_THAT(wire(),
                ElementsAre("00 00 00 0A 01 00 02 40 40 00", "00 00 00 0A 01 00 02 02 02 00",
                            "00 00 00 07 01 00 08"));
    EXPECT_FALSE(printer.inPacketMode());
    EXPECT_FALSE(PrinterDriver.IsOpen());
    PrinterDriver.ClosePort(); // closing twice is harmless

    printer.clearReceived();
    startLink();
    EXPECT_EQ(PrinterStatus, psReady);
    EXPECT_EQ(wire(), LinkStartOnTheWire) << "a fresh start, as for the first host";
}

} // namespace
