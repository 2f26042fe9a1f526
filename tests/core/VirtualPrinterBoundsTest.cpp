// What a host can make the virtual printer keep: the factory record keeps a tail like the
// packet record, replies waiting for credit that never comes are capped, and a transaction
// that is itself a reply gets no answer that could pass for a request.
#include "CommandFixture.h"
#include "support/HandStream.h"

#include "commands/Zadivavoza.h"
#include "link/Roro4dodu.h"
#include "vprinter/VirtualPrinter.h"

#include <gmock/gmock.h>

using namespace testsupport;

namespace {

const Bytes Entry = [] {
    const std::string text = "@PCQ 1284.4\n@PCQ\n@PCQ\n";
    Bytes bytes{ 0x00, 0x00, 0x00, 0x1B, 0x01 };
    bytes.insert(bytes.end(), text.begin(), text.end());
    return bytes;
}();
const Bytes OpenControl{ 0x00, 0x00, 0x00, 0x11, 0x01, 0x00, 0x01, 0x02, 0x02,
                         0x01, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00 };
const Bytes StatusRequest{ 0x02, 0x02, 0x00, 0x0B, 0x00, 0x00, 's', 't', 0x01, 0x00, 0x01 };
const Bytes CreditControl100{ 0x00, 0x00, 0x00, 0x0B, 0x01, 0x00, 0x03, 0x02, 0x02, 0x00, 0x64 };

// A printer written to byte by byte as a host on a wire would, without the link's code.
class BareHost : public ::testing::Test
{
protected:
    void write(const Bytes &bytes) { printer.hostWrite(bytes.data(), bytes.size()); }
    Bytes read()
    {
        Bytes bytes(printer.pendingOutput());
        printer.hostRead(bytes.data(), bytes.size());
        return bytes;
    }

    TestPlatform platform;
    vprinter::VirtualPrinter printer;
};

TEST_F(BareHost, RepliesWaitingForCreditThatNeverComesAreCapped)
{
    write(Entry + OpenControl);
    EXPECT_EQ(read().size(), 8u + 16u); // the entry's and OpenChannel's replies
    for (int i = 0; i < 100; ++i)
        write(StatusRequest);
    EXPECT_EQ(printer.heldReplies(2), 64u);
    EXPECT_EQ(printer.droppedReplies(), 36u);
    EXPECT_TRUE(read().empty());

    // Credit for 100: the Credit reply, then the 64 replies kept, 36 bytes each.
    write(CreditControl100);
    const Bytes out = read();
    ASSERT_EQ(out.size(), 12u + 64u * 36u);
    EXPECT_EQ(hex({ out.begin(), out.begin() + 12 }), "00 00 00 0C 01 00 83 00 02 02 00 64");
    EXPECT_EQ(hex({ out.begin() + 12, out.begin() + 18 }), "02 02 00 24 00 00");
    EXPECT_EQ(printer.heldReplies(2), 0u);
}

TEST_F(BareHost, RecordOfLargePacketsKeepsFewerOfThem)
{
    write(Entry + OpenControl);
    // 100 packets of the largest length, 65535 bytes each: the record keeps about 1 MiB of
    // them (raw and payload), never more than twice that, where 256 would be 32 MiB.
    const Bytes largest = Bytes{ 0x40, 0x40, 0xFF, 0xFF, 0x00, 0x00 } + Bytes(0xFFFF - 6, 0x00);
    for (int i = 0; i < 100; ++i)
        write(largest);
    EXPECT_EQ(printer.packetsReceived(), 102u);
    EXPECT_GE(printer.received().size(), 8u);
    EXPECT_LE(printer.received().size(), 17u);
    EXPECT_EQ(printer.received().back().raw.size(), 0xFFFFu);
}

TEST_F(BareHost, TransactionWithTheAnswerBitSetGetsNoReply)
{
    write(Entry);
    read();
    write(Bytes{ 0x00, 0x00, 0x00, 0x07, 0x01, 0x00, 0x88 });
    write(Bytes{ 0x00, 0x00, 0x00, 0x07, 0x01, 0x00, 0xFF });
    EXPECT_TRUE(read().empty());
    // A command this printer does not know is still answered, with the answer bit.
    write(Bytes{ 0x00, 0x00, 0x00, 0x07, 0x01, 0x00, 0x07 });
    EXPECT_EQ(hex(read()), "00 00 00 08 01 00 87 00");
}

class FactoryRecord : public CommandFixture
{ };

TEST_F(FactoryRecord, KeepsATailUnlessAllIsAskedForAndCountsEveryInvalidFrame)
{
    printer.keepFullRecord(false);
    for (int i = 0; i < 3000; ++i)
        Factory.FactoryCommand50();
    EXPECT_LE(printer.factory().records().size(), 512u);
    EXPECT_GE(printer.factory().records().size(), 256u);

    const uint8_t wrongTriple[] = { 0x1B, 0x7C, 0x00, 0x05, 0x00, 0x07, 0x05, 0x50, 0xAF, 0x29 };
    for (int i = 0; i < 600; ++i)
        D4Link.SendCommandData(wrongTriple, sizeof wrongTriple);
    EXPECT_EQ(printer.factory().invalidFrames(), 600);
    EXPECT_LE(printer.factory().records().size(), 512u);

    printer.keepFullRecord(true);
    printer.factory().clearRecords();
    for (int i = 0; i < 1000; ++i)
        Factory.FactoryCommand50();
    EXPECT_EQ(printer.factory().records().size(), 1000u);
}

} // namespace
