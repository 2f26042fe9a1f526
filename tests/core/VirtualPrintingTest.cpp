// The virtual printer printing what comes over the link: print data as one stream across
// packets, factory frames in between carried out and not printed, Bi-D values set by the
// host taking effect on the next return pass, no work while in error, sheets ejected at the
// end of a job, and a packet record that does not grow without bound.
#include "CommandFixture.h"
#include "support/HandStream.h"

#include "commands/EepromMap.h"
#include "commands/Zadivavoza.h"
#include "link/Roro4dodu.h"
#include "support/PacketQuery.h"

#include <gmock/gmock.h>

using namespace testsupport;
using namespace testsupport::cmd;
using ::testing::ElementsAre;
using vprinter::Ink;

namespace {

class VirtualPrinting : public CommandFixture
{
protected:
    // One packet, as the pattern code sends every command.
    void send(const Bytes &bytes) { D4Link.SendPrintData(bytes.data(), bytes.size()); }
    void sendEach(std::initializer_list<Bytes> packets)
    {
        for (const Bytes &p : packets)
            send(p);
    }
    const vprinter::RasterStats &stats() { return printer.raster().stats(); }
};

TEST_F(VirtualPrinting, PrintDataIsOneStreamAcrossPackets)
{
    sendEach({ init(), Bytes{ 0x1B, 0x28 }, Bytes{ 0x47, 0x01, 0x00, 0x01 },
               Bytes{ 0x1B, 0x2E, 0x01 }, Bytes{ 0x1E, 0x0A, 0x01, 0x08, 0x00 }, Bytes{ 0x00 },
               Bytes{ 0x80 }, Bytes{ 0x0C } });
    ASSERT_EQ(printer.pages().size(), 1u);
    EXPECT_THAT(printer.pages()[0].inkedCells(Ink::Black, 42), ElementsAre(192));
    EXPECT_EQ(stats().unknownCommands + stats().malformedCommands, 0);
}

TEST_F(VirtualPrinting, BidValueSetBetweenPassesMovesTheNextReturnPass)
{
    printer.bidErrors().multiShot1 = 5;
    const Bytes line = multiLevel(0, 1, 1) + literal({ 0x03 });
    const Bytes blank = multiLevel(0, 1, 1) + literal({ 0x00 });
    for (const int value : { 5, 1 }) {
        Factory.FactorySetBid(2, value); // kind 2 is Multi shot 1, cell 51
        sendEach({ init(), graphics(), unit(10), direction(0), dotSize(18), colourMode(1),
                   resolution(480, 4, 1), blank, homeReturn() });
        Factory.FactoryReadEeprom(eeprom::BidMultiShot1); // a reply in the middle of the data
        sendEach({ line, homeReturn(), init(), advance(3) });
    }
    send(text("\f"));
    ASSERT_EQ(printer.pages().size(), 1u);
    // Dot 3 at 480 dpi is cell 201; with the value 1 the return pass lands (5 - 1) x 2 on.
    EXPECT_THAT(printer.pages()[0].inkedCells(Ink::Black, 42), ElementsAre(201));
    EXPECT_THAT(printer.pages()[0].inkedCells(Ink::Black, 45), ElementsAre(209));
    EXPECT_EQ(stats().unknownCommands + stats().malformedCommands, 0);
    EXPECT_EQ(stats().returnPasses, 2);
}

TEST_F(VirtualPrinting, APrinterInErrorNeitherPrintsNorCleansNorMoves)
{
    printer.state().errorChar = '4'; // paper jam
    send(text("A\f"));
    Factory.FactoryCleaning(1);
    Factory.FactoryCommandC4(5, 0, 2, 0);
    EXPECT_TRUE(printer.pages().empty());
    EXPECT_EQ(stats().refusedBytes, 2u);
    EXPECT_FALSE(printer.cleaning());
    EXPECT_FALSE(printer.busy());

    printer.state().errorChar = 0;
    send(text("A\f"));
    EXPECT_EQ(printer.pages().size(), 1u);
}

TEST_F(VirtualPrinting, EndOfTheJobEjectsASheetHoldingInk)
{
    send(text("A"));
    D4Link.CloseChannel(DataSocket, 0);
    EXPECT_EQ(printer.pages().size(), 1u);

    D4Link.OpenChannel(DataSocket);
    send(text("B"));
    D4Link.ResetPrinter();
    EXPECT_EQ(printer.pages().size(), 2u);
}

TEST_F(VirtualPrinting, RecordKeepsATailUnlessAllIsAskedFor)
{
    printer.keepFullRecord(false);
    const uint64_t before = printer.packetsReceived();
    for (int i = 0; i < 3000; ++i)
        send(Bytes{ uint8_t(i % 2) });
    EXPECT_GE(printer.packetsReceived() - before, 3000u);
    EXPECT_LE(printer.received().size(), 512u);
    EXPECT_GE(printer.received().size(), 256u);
    EXPECT_EQ(hex(printer.received().back().payload), "01");

    printer.keepFullRecord(true);
    printer.clearReceived();
    for (int i = 0; i < 1000; ++i)
        send(Bytes{ 0x00 });
    EXPECT_EQ(PacketQuery(printer).printData().size(), 1000u);
}

} // namespace
