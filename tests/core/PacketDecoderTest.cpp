// The packet decoder shared by the protocol trace and the virtual printer's record: the link
// start, control commands and replies, factory frames and raster commands as people read them,
// and no read outside a packet whatever its bytes.
#include "link/PacketDecoder.h"

#include <gmock/gmock.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

std::vector<uint8_t> bytes(const std::string &hex)
{
    std::vector<uint8_t> out;
    std::istringstream in(hex);
    unsigned value = 0;
    while (in >> std::hex >> value)
        out.push_back(uint8_t(value));
    return out;
}

std::vector<uint8_t> packet(uint8_t socket, const std::string &payload)
{
    const size_t total = payload.size() + 6;
    std::vector<uint8_t> out{ socket, socket, uint8_t(total >> 8), uint8_t(total), 0, 0 };
    out.insert(out.end(), payload.begin(), payload.end());
    return out;
}

std::string sent(const std::vector<uint8_t> &p)
{
    return wire::describeSent(p.data(), p.size());
}

std::string received(const std::vector<uint8_t> &p)
{
    return wire::describeReceived(p.data(), p.size());
}

TEST(PacketDecoder, LinkStartAsTheHostSendsIt)
{
    const std::pair<const char *, const char *> steps[] = {
        { "00 00 00 1B 01 40 50 43 51 20 31 32 38 34 2E 34 0A 40 50 43 51 0A 40 50 43 51 0A",
          "entry into packet mode" },
        { "00 00 00 08 01 00 00 10", "Init" },
        { "00 00 00 11 01 00 01 02 02 01 00 01 00 00 00 00 00", "OpenChannel(2)" },
        { "00 00 00 0B 01 00 03 02 02 00 01", "Credit(2, 1)" },
        { "00 00 00 0D 01 00 04 02 02 FF FF 00 01", "CreditRequest(2, 1)" },
        { "02 02 00 0B 00 00 73 74 01 00 01", "control: status request \"st\"" },
        { "00 00 00 11 01 00 01 40 40 01 00 01 00 00 00 00 00", "OpenChannel(64)" },
        { "00 00 00 0D 01 00 04 40 40 FF FF 00 C8", "CreditRequest(64, 200)" },
        { "00 00 00 0B 01 00 03 40 40 00 C8", "Credit(64, 200)" },
        { "00 00 00 0A 01 00 02 40 40 00", "CloseChannel(64)" },
        { "00 00 00 07 01 00 08", "Exit" },
    };
    for (const auto &[hex, name] : steps)
        EXPECT_EQ(sent(bytes(hex)), name) << hex;
    EXPECT_EQ(wire::hexBytes(bytes("1b 7c 00")), "1B 7C 00");
}

TEST(PacketDecoder, ControlCommandsNameTheirCells)
{
    EXPECT_EQ(sent(bytes("02 02 00 10 00 00 7C 7C 06 00 07 05 41 BE A0 2E")),
              "control: EEPROM read of cell 2E");
    EXPECT_EQ(sent(bytes("02 02 00 11 00 00 7C 7C 07 00 07 05 42 BD 21 2E F6")),
              "control: EEPROM write of cell 2E = F6");
    EXPECT_EQ(sent(bytes("02 02 00 0B 00 00 70 65 01 00 01")), "control: paper eject \"pe\"");
    EXPECT_EQ(sent(bytes("02 02 00 0B 00 00 72 73 01 00 01")), "control: printer reset \"rs\"");
    // A read whose code triple is not the read's is no EEPROM read.
    EXPECT_EQ(sent(bytes("02 02 00 10 00 00 7C 7C 06 00 07 05 41 BE A1 2E")),
              "control: control command \"||\"");
}

TEST(PacketDecoder, RepliesAsThePrinterSendsThem)
{
    EXPECT_EQ(received(bytes("00 00 00 08 01 00 D0 00")), "reply to entry into packet mode");
    EXPECT_EQ(received(bytes("00 00 00 09 01 00 80 00 10")), "reply to Init");
    EXPECT_EQ(received(bytes("00 00 00 10 01 00 81 00 02 02 00 40 00 40 00 00")),
              "reply to OpenChannel(2)");
    EXPECT_EQ(received(bytes("00 00 00 0C 01 00 83 00 40 40 00 C8")),
              "reply to Credit(64): printer credit 200");
    EXPECT_EQ(received(bytes("00 00 00 0C 01 00 84 00 40 40 00 00")),
              "reply to CreditRequest(64): host credit 0");
    EXPECT_EQ(received(bytes("00 00 00 0A 01 00 84 00 40 40")),
              "reply to CreditRequest(64): no credit count");
    EXPECT_EQ(received(bytes("00 00 00 08 01 00 82 01")), "reply to CloseChannel, result 01");

    EXPECT_EQ(received(packet(2, "@BDC PS\r\nEE:2EF6;\r\n")),
              "EEPROM read reply: cell 2E holds F6 \"@BDC PS\\r\\nEE:2EF6;\\r\\n\"");
    EXPECT_EQ(received(packet(2, "@BDC: OK;\r\n")), "answer O (done) \"@BDC: OK;\\r\\n\"");
    EXPECT_EQ(received(packet(2, "@BDC: BUSY;\r\n")), "answer B (busy) \"@BDC: BUSY;\\r\\n\"");
    EXPECT_EQ(received(packet(64, "@BDC PS\r\nEE:4D4B;\n")),
              "FactoryReadEeprom reply: cell 4D holds 4B \"@BDC PS\\r\\nEE:4D4B;\\n\"");
    EXPECT_EQ(received(packet(3, "x")).rfind("packet on socket 3", 0), 0u);
}

TEST(PacketDecoder, StatusRepliesByTheirFields)
{
    auto status = [](const std::string &text) {
        const std::string line = received(packet(2, text));
        return line.substr(0, line.find(" \""));
    };
    EXPECT_EQ(status("ST:04;IQ:3A4B5C6D;"), "status: ready, ink 58 75 92 109");
    // An error character makes the state digit 0; both are named.
    EXPECT_EQ(status("@BDC ST2\r\nST:00;ER:04;IQ:46505050;\r\n"),
              "status: error, error paper jam, ink 70 80 80 80");
    EXPECT_EQ(status("ST:07;IQ:NN000000;WR:10,12;"),
              "status: cleaning, ink 255 0 0 0, low ink: black, magenta");
    EXPECT_EQ(status("ST:05;IQ:0000"), "status: state digit 5 unknown, no ink levels");
    EXPECT_EQ(status("ST:02;ER:0B;IQ:00000000;"),
              "status: busy, error maintenance request, ink 0 0 0 0");
}

TEST(PacketDecoder, FactoryFramesAndTheRemoteModeSequence)
{
    const std::pair<const char *, const char *> frames[] = {
        { "1B 7C 00 09 00 07 05 00 FF 00 02 01 FF FF", "FactorySetBid(2, -1)" },
        { "1B 7C 00 09 00 07 05 00 FF 00 03 01 38 00", "FactorySetBid(3, 56)" },
        { "1B 7C 00 06 00 07 05 84 7B 42 0A", "FactoryCleaning(10: initial ink charge)" },
        { "1B 7C 00 06 00 07 05 84 7B 42 01", "FactoryCleaning(1: head cleaning)" },
        { "1B 7C 00 07 00 07 05 42 BD 21 2E F6", "FactoryWriteEeprom(46, 246)" },
        { "1B 7C 00 06 00 07 05 41 BE A0 4D", "FactoryReadEeprom(77)" },
        { "1B 7C 00 05 00 07 05 81 7E C0", "FactoryCommand81()" },
        { "1B 7C 00 06 00 07 05 CA 35 65 96", "FactoryCommandCA(150)" },
        { "1B 28 52 08 00 00 52 45 4D 4F 54 45 31", "remote mode: enter \"REMOTE1\"" },
        { "53 4E 03 00 00 00 03", "remote command \"SN\" 00 00 03" },
        { "1B 00 00 00", "remote mode: leave" },
        // A wrong rotated check byte, and a cleaning mode the printer does not know.
        { "1B 7C 00 06 00 07 05 84 7B 43 01",
          "invalid factory frame: 1B 7C 00 06 00 07 05 84 7B 43 01" },
        { "1B 7C 00 06 00 07 05 84 7B 42 02",
          "invalid factory frame: 1B 7C 00 06 00 07 05 84 7B 42 02" },
    };
    for (const auto &[hex, name] : frames) {
        const auto payload = bytes(hex);
        const auto described = wire::describeFactoryData(payload.data(), payload.size());
        ASSERT_TRUE(described) << hex;
        EXPECT_EQ(*described, name);
    }
    const auto raster = bytes("1B 40");
    EXPECT_FALSE(wire::describeFactoryData(raster.data(), raster.size()));
}

TEST(PacketDecoder, RasterCommandsByTheOperationThatSendsThem)
{
    const std::pair<const char *, const char *> commands[] = {
        { "1B 40", "raster: InitPrinter" },
        { "1B 28 47 01 00 01", "raster: EnterGraphicsMode" },
        { "1B 28 55 01 00 0A", "raster: SetUnit(10)" },
        { "1B 55 01", "raster: SetDirection(1)" },
        { "1B 28 65 02 00 00 12", "raster: SetDotSize(0, 18)" },
        { "1B 28 72 02 00 01 02", "raster: SelectColour(1, 2)" },
        { "1B 2E 01 1E 0A 30 C0 03", "raster: BeginRaster(1, 30, 10, 48, 192, 3)" },
        { "1B 28 76 02 00 8D 00 0D", "raster: AdvancePaper(141)" },
        { "1B 3C 0D", "raster: HomeReturn" },
        { "89 FF", "raster: SendRun(120 x FF)" },
        { "00 03", "raster: SendRun(1 x 03)" },
        { "0D 0A", "raster: NewLines" },
        { "0C", "raster: FormFeed" },
        { "31 2E 20 00", "raster: text \"1. \\0\"" },
        { "00 01 F2 00", "raster: raster data: 00 01 F2 00" },
    };
    for (const auto &[hex, name] : commands) {
        std::vector<uint8_t> p{ 0x40, 0x40, 0, 0, 0, 0 };
        const auto payload = bytes(hex);
        p.insert(p.end(), payload.begin(), payload.end());
        p[3] = uint8_t(p.size());
        EXPECT_EQ(sent(p), name) << hex;
        EXPECT_TRUE(wire::isRasterPacket(p.data(), p.size())) << hex;
    }
    const auto frame = bytes("40 40 00 10 00 00 1B 7C 00 05 00 07 05 81 7E C0");
    EXPECT_FALSE(wire::isRasterPacket(frame.data(), frame.size()));
}

TEST(PacketDecoder, CodesAndTheirNames)
{
    uint16_t code = 0;
    ASSERT_TRUE(wire::stateFromDigit('7', code));
    EXPECT_EQ(code, 0x7015);
    EXPECT_STREQ(wire::stateName(code), "cleaning");
    EXPECT_FALSE(wire::stateFromDigit('5', code));
    ASSERT_TRUE(wire::errorFromCharacter('B', code));
    EXPECT_EQ(code, 0x7005);
    EXPECT_STREQ(wire::errorName(code), "maintenance request");
    EXPECT_STREQ(wire::errorName(0x7009), "none");
    EXPECT_FALSE(wire::errorFromCharacter('b', code));
    EXPECT_EQ(wire::inkDigit('N'), 15);
    EXPECT_EQ(wire::eepromDigit('a'), 42);
}

// Every cut of real packets, and bytes of every value at every place: the decoder reads only
// what it was given (the sanitizers watch).
TEST(PacketDecoder, NeverReadsPastThePacket)
{
    const std::vector<std::vector<uint8_t>> samples{
        bytes("00 00 00 0C 01 00 83 00 40 40 00 C8"),
        bytes("00 00 00 1B 01 40 50 43 51 20 31 32 38 34 2E 34 0A"),
        packet(2, "@BDC ST2\r\nST:00;ER:04;IQ:46505050;WR:10,11,12,13;\r\n"),
        packet(2, "@BDC PS\r\nEE:2EF6;\r\n"),
        bytes("40 40 00 14 00 00 1B 7C 00 09 00 07 05 00 FF 00 02 01 FF FF"),
        bytes("40 40 00 13 00 00 1B 28 52 08 00 00 52 45 4D 4F 54 45 31"),
        bytes("40 40 00 0E 00 00 1B 28 76 02 00 8D 00 0D"),
        bytes("40 40 00 0E 00 00 1B 2E 01 1E 0A 30 C0 03"),
    };
    for (const auto &sample : samples) {
        for (size_t cut = 0; cut <= sample.size(); ++cut) {
            const std::vector<uint8_t> part(sample.begin(), sample.begin() + long(cut));
            // Copied to the heap at exactly their size, so a read past them is caught.
            const auto *p = part.empty() ? nullptr : part.data();
            EXPECT_FALSE(wire::describeSent(p, part.size()).empty());
            EXPECT_FALSE(wire::describeReceived(p, part.size()).empty());
            wire::isRasterPacket(p, part.size());
            if (part.size() > 6) {
                wire::describeRaster(p + 6, part.size() - 6);
                wire::describeControlRequest(p + 6, part.size() - 6);
            }
        }
        std::vector<uint8_t> noisy = sample;
        for (size_t at = 0; at < noisy.size(); ++at) {
            for (const uint8_t value : { 0x00, 0x0D, 0x1B, 0x28, 0x3A, 0x7C, 0x80, 0xFF }) {
                noisy[at] = value;
                wire::describeSent(noisy.data(), noisy.size());
                wire::describeReceived(noisy.data(), noisy.size());
            }
            noisy[at] = sample[at];
        }
    }
}

} // namespace
