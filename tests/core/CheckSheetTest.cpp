// The A4 check sheet: banners by model, item numbers, head ID and counter fields, the
// readiness check before every item, the whole sheet's packet count and a stop on an error.
#include "CommandFixture.h"
#include "PatternPackets.h"

#include "commands/Dazedarovovuri.h"
#include "patterns/Dude4vidad.h"
#include "support/PacketQuery.h"
#include "vprinter/ServicedPrinter.h"

#include <gmock/gmock.h>

#include <iostream>
#include <string>
#include <vector>

using namespace testsupport;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

namespace {

std::string text(const std::vector<uint8_t> &payload)
{
    return { payload.begin(), payload.end() };
}

std::string withNul(const std::string &s)
{
    return s + std::string(1, '\0');
}

class CheckSheet : public CommandFixture
{
protected:
    CheckSheet() { printer.eeprom() = vprinter::servicedEeprom(); }

    void setCounter(uint16_t value)
    {
        printer.eeprom()[10] = uint8_t(value >> 8);
        printer.eeprom()[11] = uint8_t(value & 0xFF);
    }
    // The payload that follows the first one equal to `label`, in hexadecimal.
    std::string after(const std::string &label) const
    {
        const auto data = query().printData();
        for (size_t i = 0; i + 1 < data.size(); ++i)
            if (text(data[i]) == label)
                return vprinter::hexBytes(data[i + 1]);
        return "";
    }
    // The first two texts of 39 bytes: the banner.
    std::vector<std::string> banner() const
    {
        std::vector<std::string> lines;
        for (const auto &p : query().printData())
            if (p.size() == 39 && lines.size() < 2)
                lines.push_back(text(p));
        return lines;
    }
    // Status requests, item numbers, banner lines and page ejects, in the order they went out.
    std::vector<std::string> outline() const
    {
        std::vector<std::string> events;
        const PacketQuery packets = query();
        for (const vprinter::Packet &p : packets.all()) {
            if (p.kind != vprinter::Packet::Kind::Channel)
                continue;
            const std::string t = text(p.payload);
            if (p.socket == 2 && t.rfind("st", 0) == 0)
                events.push_back("st");
            else if (p.socket == 64 && t.size() == 4 && t[0] >= '1' && t[0] <= '9'
                     && t.substr(1) == withNul(". "))
                events.push_back(t.substr(0, 3));
            else if (p.socket == 64 && t.size() == 39)
                events.push_back("banner");
            else if (p.socket == 64 && t == "\f")
                events.push_back("FF");
            else if (p.socket == 64 && t.find("Bi-d print") != std::string::npos)
                events.push_back(t);
        }
        return events;
    }
};

const char *const Banner770[]
        = { "    ******************** Cantra R70PA ", "CHECK PATTERN PRINT ******************" };

TEST_F(CheckSheet, WholeSheetOfTheFirstModelWithACounterOfZero)
{
    setCounter(0);
    ASSERT_TRUE(A4check.PrintCheckSheet(770));
    EXPECT_THAT(banner(), ElementsAre(withNul(Banner770[0]), withNul(Banner770[1])));
    EXPECT_EQ(after(withNul("HEAD ACTUATOR VOLTAGE ID = ")), "48 33 50 52 32 43"); // H3PR2C
    EXPECT_EQ(after(withNul("Ink Waste Pad Counter Value = ")), "30 00 00 00 00");
    EXPECT_EQ(after("30 00 00 00 00"), "");

    EXPECT_THAT(outline(),
                ElementsAre("st", "banner", "banner", "st", "1. ", "st", "2. ", "st", "3. ", "st",
                            "4. ",
                            // the Bi-D pattern's own: before its title, indented in the
                            // sheet, then before each page and after the last
                            "st", withNul("   Bi-d print"), "st", "st", "st", "st", "st", "5. ",
                            "st", "6. ", "FF", "st"));

    const auto data = query().dataHex();
    EXPECT_EQ(data.back(), "1B 40");
    EXPECT_EQ(int(data.size()), packets::CheckSheet);
    // The printer read all of it and printed it on one sheet, every dot on the paper.
    ASSERT_EQ(printer.pages().size(), 1u);
    const auto &stats = printer.raster().stats();
    EXPECT_EQ(stats.unknownCommands + stats.malformedCommands, 0);
    EXPECT_EQ(stats.clippedDots + stats.rowsBeyondHead + stats.ignoredBytes, 0u);
    std::cout << "[ figures  ] one A4 sheet: " << data.size() << " data packets, "
              << query().all().size() << " packets in all\n";
}

TEST_F(CheckSheet, EspModelBannerAndTheLargestCounter)
{
    setCounter(65535);
    ASSERT_TRUE(A4check.PrintCheckSheet(774));
    EXPECT_THAT(banner(),
                ElementsAre(withNul("    ***************  Cantra R70PA(ESP)"),
                            withNul("  CHECK PATTERN PRINT ****************")));
    EXPECT_EQ(after(withNul("Ink Waste Pad Counter Value = ")), "36 35 35 33 35");
}

TEST_F(CheckSheet, AShortReadingKeepsNoDigitOfAnEarlierLongOne)
{
    setCounter(12345);
    EXPECT_STREQ(Maintenance.ReadProtectionCounter(), "12345");
    setCounter(123);
    printer.clearReceived();
    ASSERT_TRUE(A4check.PrintCheckSheet(776));
    EXPECT_THAT(banner(),
                ElementsAre(withNul("    ***************  Cantra R50PA(ESP)"),
                            withNul("  CHECK PATTERN PRINT ****************")));
    EXPECT_EQ(after(withNul("Ink Waste Pad Counter Value = ")), "31 32 33 00 00");
}

TEST_F(CheckSheet, AnErrorAtAReadinessCheckEndsTheSheetWithoutAPageEject)
{
    atPacket(StatusRequest, [this](int n) {
        if (n == 4)
            printer.state().errorChar = '4'; // the check before item 3
    });
    EXPECT_FALSE(A4check.PrintCheckSheet(772));
    EXPECT_THAT(outline(), ElementsAre("st", "banner", "banner", "st", "1. ", "st", "2. ", "st"));
}

TEST_F(CheckSheet, AModelWithoutABannerPrintsTheRestOfTheSheet)
{
    atPacket(StatusRequest, [this](int n) {
        if (n == 3)
            printer.state().errorChar = '4';
    });
    EXPECT_FALSE(A4check.PrintCheckSheet(771));
    EXPECT_THAT(outline(), ElementsAre("st", "st", "1. ", "st"));
    EXPECT_THAT(banner(), IsEmpty());
}

} // namespace
