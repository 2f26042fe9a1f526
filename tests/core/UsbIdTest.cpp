// USB ID: the date stamp from the clock, the cells written over the data channel, reading
// back, and the years before and after the letters run out.
#include "CommandFixture.h"

#include "commands/EepromMap.h"
#include "commands/Zedivozi.h"

#include <gmock/gmock.h>

#include <string>

using namespace testsupport;
using ::testing::ElementsAre;

namespace {

platform::LocalTime at(int year, int month, int day, int hour, int minute, int second)
{
    return { year, month, day, hour, minute, second };
}

TEST(UsbIdStamp, BoundariesOfEachField)
{
    EXPECT_EQ(VORizOroRu::Stamp(at(1999, 10, 10, 23, 29, 30)), "9AANT010");
    EXPECT_EQ(VORizOroRu::Stamp(at(2008, 11, 9, 10, 30, 29)), "8B9A0T20");
}

TEST(UsbIdStamp, YearsAfter2034GoOnInLowerCase)
{
    EXPECT_EQ(VORizOroRu::Stamp(at(2034, 1, 1, 0, 0, 0))[0], 'Z');
    EXPECT_EQ(VORizOroRu::Stamp(at(2035, 1, 1, 0, 0, 0))[0], 'a');
    EXPECT_EQ(VORizOroRu::Stamp(at(2047, 1, 1, 0, 0, 0))[0], 'm');
    EXPECT_EQ(VORizOroRu::Stamp(at(2060, 1, 1, 0, 0, 0))[0], 'z');
    EXPECT_TRUE(VORizOroRu::StampYearSupported(1999));
    EXPECT_TRUE(VORizOroRu::StampYearSupported(2060));
    EXPECT_FALSE(VORizOroRu::StampYearSupported(2061));
    EXPECT_FALSE(VORizOroRu::StampYearSupported(1998));
}

// Any other year is the low byte of the years since 1900, unchanged, and the other seven
// characters are coded as usual.
TEST(UsbIdStamp, YearsOutsideTheCodingAreTheLowByteOfTheYearsSince1900)
{
    EXPECT_EQ(VORizOroRu::Stamp(at(1998, 12, 31, 0, 0, 0)), "bCV00000"); // 98 is "b"
    EXPECT_EQ(VORizOroRu::Stamp(at(1970, 1, 1, 0, 0, 0)), "F1100000"); // 70 is "F"
    const struct
    {
        int year;
        uint8_t stored; // the years since 1900, low byte
    } others[] = { { 1900, 0x00 }, { 1899, 0xFF }, { 2061, 0xA1 }, { 2100, 0xC8 } };
    for (const auto &o : others) {
        const std::string stamp = VORizOroRu::Stamp(at(o.year, 7, 4, 23, 59, 31));
        ASSERT_EQ(stamp.size(), 8u) << o.year;
        EXPECT_EQ(uint8_t(stamp[0]), o.stored) << o.year;
        EXPECT_EQ(stamp.substr(1), "74NT130") << o.year;
    }
}

class UsbId : public CommandFixture
{
protected:
    UsbId() { UsbID.ShowUsbIdLabel = nullptr; }
    ~UsbId() override { UsbID.ShowUsbIdLabel = nullptr; }

    std::string cells(uint8_t first, uint8_t count)
    {
        const auto &image = printer.eeprom();
        return { image.begin() + first, image.begin() + first + count };
    }
    int dataReads() const { return int(query().factoryCalls(0x41).size()); }
};

TEST_F(UsbId, WriteStoresSerialAndStampAndReturnsTheDisplayText)
{
    platform.clock.local = at(2004, 3, 5, 14, 47, 12);
    const auto display = UsbID.WriteUsbId("ABC1234567", 0);
    ASSERT_TRUE(display);
    EXPECT_EQ(*display, "ABC123456 7435EHC20");
    EXPECT_EQ(cells(77, 10), "ABC1234567");
    EXPECT_EQ(cells(87, 8), "435EHC20");
    // Cell by cell in rising order, each a write command on the data channel.
    const auto sent = dataSent();
    ASSERT_EQ(sent.size(), 18u);
    EXPECT_EQ(sent[0], "1B 7C 00 07 00 07 05 42 BD 21 4D 41");
    EXPECT_EQ(sent[17], "1B 7C 00 07 00 07 05 42 BD 21 5E 30");
}

TEST_F(UsbId, OtherDatedExamples)
{
    platform.clock.local = at(2009, 12, 31, 9, 59, 59);
    ASSERT_TRUE(UsbID.WriteUsbId("ZZZZ000001", 0));
    EXPECT_EQ(cells(87, 8), "ACV9TT30");
    platform.clock.local = at(2000, 1, 1, 0, 0, 0);
    const auto display = UsbID.WriteUsbId("Q9W8E7R6T5", 0);
    ASSERT_TRUE(display);
    EXPECT_EQ(cells(87, 8), "01100000");
    EXPECT_EQ(*display, "Q9W8E7R6T 501100000");
}

TEST_F(UsbId, ReadBackGivesTheEighteenCharactersWithoutTheBlank)
{
    platform.clock.local = at(2004, 3, 5, 14, 47, 12);
    ASSERT_TRUE(UsbID.WriteUsbId("ABC1234567", 0));
    std::string text;
    EXPECT_TRUE(UsbID.ReadUsbId(text));
    EXPECT_EQ(text, "ABC1234567435EHC20");
    EXPECT_EQ(dataReads(), 18);
}

TEST_F(UsbId, ReadStopsAtTheFirstCellThatIsNotALetterOrDigit)
{
    platform.clock.local = at(2004, 3, 5, 14, 47, 12);
    ASSERT_TRUE(UsbID.WriteUsbId("ABC1234567", 0));
    for (const int bad :
         { 0xFF, int(' '), int('-'), 0x00, int('@'), int('['), int('`'), int('{') }) {
        printer.clearReceived();
        printer.eeprom()[80] = uint8_t(bad);
        std::string text;
        EXPECT_FALSE(UsbID.ReadUsbId(text)) << int(bad);
        EXPECT_EQ(dataReads(), 4) << int(bad);
        EXPECT_EQ(text.size(), 4u);
    }
    printer.eeprom()[80] = 'x';
    std::string text;
    EXPECT_TRUE(UsbID.ReadUsbId(text));
}

TEST_F(UsbId, AnErasedIdIsNotValid)
{
    std::string text;
    EXPECT_FALSE(UsbID.ReadUsbId(text));
    EXPECT_EQ(dataReads(), 1);
}

TEST_F(UsbId, AReadWithoutReplyIsAFailureNotAnInvalidId)
{
    platform.clock.local = at(2004, 3, 5, 14, 47, 12);
    ASSERT_TRUE(UsbID.WriteUsbId("ABC1234567", 0));
    printer.clearReceived();
    faultAtPacket(FactoryEepromRead, 5, [](vprinter::Faults &f) { f.shortReplies = 1; });
    std::string text;
    EXPECT_FALSE(UsbID.ReadUsbId(text));
    EXPECT_TRUE(UsbID.LastReadFailed());
    EXPECT_EQ(dataReads(), 5);
    EXPECT_EQ(text, "ABC1");

    printer.onTrace = nullptr;
    printer.eeprom()[80] = '-';
    EXPECT_FALSE(UsbID.ReadUsbId(text));
    EXPECT_FALSE(UsbID.LastReadFailed()) << "a cell that is no letter is no failed exchange";
}

TEST_F(UsbId, LowerCaseYearsReadBack)
{
    platform.clock.local = at(2041, 7, 20, 18, 5, 44);
    const auto display = UsbID.WriteUsbId("K7A0031942", 0);
    ASSERT_TRUE(display);
    EXPECT_EQ(cells(87, 8), "g7KI5E10");
    std::string text;
    EXPECT_TRUE(UsbID.ReadUsbId(text));
    EXPECT_EQ(text, "K7A0031942g7KI5E10");
}

// A PC clock that fell back before 1999 still gets the serial written, with the year's low
// byte in the stamp.
TEST_F(UsbId, ClockBefore1999StillWritesTheSerialAndTheStamp)
{
    platform.clock.local = at(1980, 6, 1, 12, 0, 0);
    const auto display = UsbID.WriteUsbId("ABC1234567", 0);
    ASSERT_TRUE(display);
    EXPECT_EQ(*display, "ABC123456 7P61C0000");
    EXPECT_EQ(cells(77, 10), "ABC1234567");
    EXPECT_EQ(cells(87, 8), "P61C0000"); // 80 is "P"
    EXPECT_EQ(dataSent().size(), 18u);

    platform.clock.local = at(1960, 6, 1, 12, 0, 0);
    ASSERT_TRUE(UsbID.WriteUsbId("ABC1234567", 0));
    EXPECT_EQ(cells(87, 8), "<61C0000"); // 60 is "<", which a read-back refuses
    std::string text;
    EXPECT_FALSE(UsbID.ReadUsbId(text));
}

TEST_F(UsbId, SerialOfTheWrongShapeIsRefused)
{
    for (const char *serial : { "ABC123456", "ABC12345678", "ABC 234567", "ABC12345-7" })
        EXPECT_FALSE(UsbID.WriteUsbId(serial, 0)) << serial;
    EXPECT_TRUE(dataSent().empty());
}

TEST_F(UsbId, LabelIsWrittenOnlyWhenShowIsOne)
{
    std::vector<std::string> labels;
    UsbID.ShowUsbIdLabel = [&labels](const std::string &text) { labels.push_back(text); };
    platform.clock.local = at(2004, 3, 5, 14, 47, 12);
    ASSERT_TRUE(UsbID.WriteUsbId("ABC1234567", 0));
    ASSERT_TRUE(UsbID.WriteUsbId("ABC1234567", 2));
    EXPECT_TRUE(labels.empty());
    ASSERT_TRUE(UsbID.WriteUsbId("ABC1234567", 1));
    EXPECT_THAT(labels, ElementsAre("ABC123456 7435EHC20"));
    UsbID.ShowUsbIdLabel = nullptr;
    EXPECT_TRUE(UsbID.WriteUsbId("ABC1234567", 1)); // no window layer: no label, no harm
}

} // namespace
