// The control-channel commands: status parsing with its fatal cases, EEPROM byte read and
// write, "pe" and "rs", against the virtual printer.
#include "support/LinkFixture.h"
#include "support/PacketQuery.h"
#include "support/ProgramTexts.h"

#include "link/Roro4dodu.h"
#include "link/Vuviredorizaduzu.h"

#include <gmock/gmock.h>

using namespace testsupport;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

class ControlCommands : public LinkFixture
{
protected:
    void SetUp() override { startControlLink(); }

    // Parses one status reply with the given text.
    void statusFrom(const std::string &text)
    {
        printer.faults().statusText = text;
        D4Link.GetPrinterStatus();
    }

    // The status reply must end the program after `message`.
    void expectFatalStatus(const std::string &text, const std::string &message)
    {
        platform.dialogs.shown.clear();
        platform.process.exits.clear();
        EXPECT_THROW(statusFrom(text), ProcessExit) << text;
        EXPECT_THAT(platform.dialogs.texts(), ElementsAre(message, ClosedByForce)) << text;
        ASSERT_FALSE(platform.dialogs.shown.empty());
        EXPECT_EQ(platform.dialogs.shown[0].kind, platform::MessageKind::Error);
        EXPECT_THAT(platform.process.exits, ElementsAre(0));
    }
};

TEST_F(ControlCommands, ReadyReplyWithoutErrorOrWarnings)
{
    statusFrom("ST:04;IQ:3A4B5C6D;");
    EXPECT_EQ(PrinterStatus, psReady);
    EXPECT_EQ(ErrorStatus, esNone);
    EXPECT_THAT(InkLevels, ElementsAre(0x3A, 0x4B, 0x5C, 0x6D));
    EXPECT_THAT(WarningFlags, ElementsAre(0, 0, 0, 0));
    EXPECT_FALSE(D4Link.LastExchangeFailed());
}

TEST_F(ControlCommands, EveryStateDigitAndErrorCharacter)
{
    const std::pair<char, uint16_t> states[]
            = { { '0', psError },      { '1', psNozzleCheck }, { '2', psBusy },
                { '3', psPrinting },   { '4', psReady },       { '7', psCleaning },
                { '8', psBeforeFill }, { '9', psMotorOff } };
    for (const auto &[digit, code] : states) {
        statusFrom(std::string("ST:0") + digit + ";IQ:00000000;");
        EXPECT_EQ(PrinterStatus, code) << digit;
    }
    const std::pair<char, uint16_t> errors[]
            = { { '0', esFatal },  { '1', esCommunication }, { '4', esPaperJam },
                { '5', esInkOut }, { '6', esPaperMisload },  { 'B', esMaintenance } };
    for (const auto &[character, code] : errors) {
        statusFrom(std::string("ST:00;ER:0") + character + ";IQ:00000000;");
        EXPECT_EQ(ErrorStatus, code) << character;
    }
}

TEST_F(ControlCommands, InkDigitsIncludingN)
{
    statusFrom("ST:04;IQ:NN0AF0N1;");
    EXPECT_THAT(InkLevels, ElementsAre(0xFF, 0x0A, 0xF0, 0xF1));
}

TEST_F(ControlCommands, WarningCodesSetTheirFlagsAndStopAtTheSemicolon)
{
    statusFrom("ST:04;IQ:00000000;WR:12;");
    EXPECT_THAT(WarningFlags, ElementsAre(0, 0, 1, 0));
    // Four codes set four flags; a fifth code is not looked at, even an invalid one.
    statusFrom("ST:04;IQ:00000000;WR:13,10,12,11,19;");
    EXPECT_THAT(WarningFlags, ElementsAre(1, 1, 1, 1));
    // Each reading starts afresh.
    statusFrom("ST:04;IQ:00000000;");
    EXPECT_THAT(WarningFlags, ElementsAre(0, 0, 0, 0));
}

TEST_F(ControlCommands, VirtualPrinterStatusReplyParses)
{
    printer.state().errorChar = '4';
    printer.state().inkLevels = { 0x10, 0x20, 0x30, 0x00 };
    printer.state().warnings = { 0, 3 };
    D4Link.GetPrinterStatus();
    EXPECT_EQ(PrinterStatus, psError);
    EXPECT_EQ(ErrorStatus, esPaperJam);
    EXPECT_THAT(InkLevels, ElementsAre(0x10, 0x20, 0x30, 0x00));
    EXPECT_THAT(WarningFlags, ElementsAre(1, 0, 0, 1));
}

TEST_F(ControlCommands, MalformedStatusRepliesAreFatal)
{
    expectFatalStatus("IQ:00000000;", "Printer status acquisition failure 1");
    expectFatalStatus("ST:05;IQ:00000000;", "Printer status acquisition failure 2");
    expectFatalStatus("ST:06;IQ:00000000;", "Printer status acquisition failure 2");
    expectFatalStatus("ST:04;", "Ink quantity acquisition failure.");
    expectFatalStatus("ST:00;ER:02;IQ:00000000;", "Error status acquisition failure");
    expectFatalStatus("ST:04;IQ:00000000;WR:14;", "Warning code acquisition failure");
    expectFatalStatus("ST:04;IQ:00000000;WR:10,1X;", "Warning code acquisition failure");
}

// The reply text ends with its payload: a field cut off there is not completed from whatever
// an earlier, longer reply left in the buffer.
TEST_F(ControlCommands, FieldsCutOffByThePayloadEnd)
{
    statusFrom("ST:04;IQ:11111111;ER:04;WR:10,11,12,13;-----------------------------");
    expectFatalStatus("ST:0", "Printer status acquisition failure 2");
    expectFatalStatus("ST:04;IQ:1111111", "Ink quantity acquisition failure.");
    expectFatalStatus("ST:04;IQ:11111111;ER:0", "Error status acquisition failure");
    expectFatalStatus("ST:04;IQ:11111111;WR:10,1", "Warning code acquisition failure");
    // Each field exactly as long as it must be.
    statusFrom("ST:04;IQ:11111111");
    EXPECT_THAT(InkLevels, ElementsAre(0x11, 0x11, 0x11, 0x11));
    statusFrom("ST:04;IQ:11111111;ER:04");
    EXPECT_EQ(ErrorStatus, esPaperJam);
    statusFrom("ST:04;IQ:11111111;WR:10,11;");
    EXPECT_THAT(WarningFlags, ElementsAre(1, 1, 0, 0));
    // Text after a NUL is not part of the reply.
    expectFatalStatus(std::string("ST:04;\0IQ:11111111;", 19), "Ink quantity acquisition failure.");
}

// An ink field too short for its eight digits runs into the next field; reading its digits
// must not turn that field's name into digits too, or the printer's error is lost.
TEST_F(ControlCommands, ShortInkFieldDoesNotHideTheFieldsAfterIt)
{
    statusFrom("ST:00;IQ:4646ER:05;");
    EXPECT_EQ(PrinterStatus, psError);
    EXPECT_EQ(ErrorStatus, esInkOut);
    statusFrom("ST:04;IQ:464WR:12;");
    EXPECT_EQ(PrinterStatus, psReady);
    EXPECT_THAT(WarningFlags, ElementsAre(0, 0, 1, 0));
    EXPECT_THAT(platform.dialogs.shown, IsEmpty());
}

TEST_F(ControlCommands, FailedStatusExchangeIsACommunicationError)
{
    statusFrom("ST:04;IQ:11111111;WR:10;");
    ASSERT_EQ(PrinterStatus, psReady);
    printer.faults().silent = true;
    D4Link.GetPrinterStatus();
    EXPECT_EQ(PrinterStatus, psError);
    EXPECT_EQ(ErrorStatus, esCommunication);
    EXPECT_THAT(InkLevels, ElementsAre(0, 0, 0, 0));
    EXPECT_THAT(WarningFlags, ElementsAre(0, 0, 0, 0));
    EXPECT_TRUE(D4Link.LastExchangeFailed());
    EXPECT_THAT(platform.dialogs.shown, IsEmpty());
}

TEST_F(ControlCommands, EepromWriteAndReadBack)
{
    EXPECT_EQ(D4Link.WriteEepromByte(0x33, 0xC5), ReplyDone);
    EXPECT_EQ(printer.eeprom()[0x33], 0xC5);
    EXPECT_EQ(D4Link.ReadEepromByte(0x33), 0xC5);
    uint8_t value = 0;
    EXPECT_TRUE(D4Link.WriteEepromByteNoCheck(0xFF, 0x07));
    EXPECT_TRUE(D4Link.ReadEepromByteChecked(0xFF, value));
    EXPECT_EQ(value, 0x07);
    EXPECT_FALSE(D4Link.LastExchangeFailed());

    const auto wire = PacketQuery(printer).wire();
    EXPECT_EQ(wire.back(), "02 02 00 10 00 00 7C 7C 06 00 07 05 41 BE A0 FF");
    EXPECT_EQ(wire[wire.size() - 4], "02 02 00 11 00 00 7C 7C 07 00 07 05 42 BD 21 FF 07");
}

TEST_F(ControlCommands, EepromWriteWhileBusyIsRefused)
{
    printer.eeprom()[0x10] = 0x01;
    printer.busyFor(5000);
    EXPECT_EQ(D4Link.WriteEepromByte(0x10, 0x02), ReplyBusy);
    EXPECT_EQ(printer.eeprom()[0x10], 0x01);
}

TEST_F(ControlCommands, EepromReadDigitConversion)
{
    const std::pair<std::string, uint8_t> cases[] = {
        { "@BDC PS\r\nEE:003F;", 0x3F },
        { "@BDC PS\r\nEE:00A0;", 0xA0 },
        { "@BDC PS\r\nEE:000a;", 42 },
        { "@BDC PS\r\nEE:00G1;", 0x01 }, // 16 * 16 + 1, in 8 bits
    };
    for (const auto &[text, expected] : cases) {
        printer.faults().eepromReadText = text;
        EXPECT_EQ(D4Link.ReadEepromByte(0), expected) << text;
    }
}

// The value's digits are payload bytes 14 and 15: a reply one byte short of them must not hand
// back a byte of an older reply, nor a failed one.
TEST_F(ControlCommands, EepromReadNeedsBothDigitsOfTheValue)
{
    printer.eeprom()[0x20] = 0x5A;
    ASSERT_EQ(D4Link.ReadEepromByte(0x20), 0x5A);

    uint8_t value = 0xEE;
    printer.faults().eepromReadText = "@BDC PS\r\nEE:205"; // 15 bytes
    EXPECT_EQ(D4Link.ReadEepromByte(0x20), 0);
    EXPECT_TRUE(D4Link.LastExchangeFailed());
    EXPECT_FALSE(D4Link.ReadEepromByteChecked(0x20, value));
    EXPECT_EQ(value, 0);
    printer.faults().eepromReadText = "@BDC PS\r\nEE:20A7"; // 16 bytes
    EXPECT_EQ(D4Link.ReadEepromByte(0x20), 0xA7);
    EXPECT_FALSE(D4Link.LastExchangeFailed());

    printer.faults().eepromReadText.reset();
    printer.faults().silent = true;
    EXPECT_EQ(D4Link.ReadEepromByte(0x20), 0);
    EXPECT_TRUE(D4Link.LastExchangeFailed());
    EXPECT_FALSE(D4Link.ReadEepromByteChecked(0x20, value));
    EXPECT_FALSE(D4Link.WriteEepromByteNoCheck(0x20, 1));
    EXPECT_THAT(platform.dialogs.shown, IsEmpty());
}

// The answer is payload byte 6; a reply that ends before it is as wrong as another answer.
TEST_F(ControlCommands, AnswerByteOfWriteReplies)
{
    const struct
    {
        const char *reply;
        uint16_t result; // 0: fatal
    } replies[] = { { "@BDC: O", ReplyDone },
                    { "@BDC: B", ReplyBusy },
                    { "OOOOOO", 0 },
                    { "@BDC: N", 0 },
                    { "", 0 } };
    for (const auto &r : replies) {
        SCOPED_TRACE(r.reply);
        platform.dialogs.shown.clear();
        printer.faults().answerText = r.reply;
        if (r.result == 0) {
            EXPECT_THROW(D4Link.WriteEepromByte(0x10, 0x02), ProcessExit);
            EXPECT_THAT(platform.dialogs.texts(), ElementsAre("error", ClosedByForce));
        } else {
            EXPECT_EQ(D4Link.WriteEepromByte(0x10, 0x02), r.result);
        }
    }
}

// With no reply there is no answer: an older reply's "O" must not report the write as done.
TEST_F(ControlCommands, WriteWithoutAReplyIsNotReportedAsDone)
{
    ASSERT_EQ(D4Link.WriteEepromByte(0x10, 0x02), ReplyDone);
    printer.faults().silent = true;
    // A printer that has gone quiet is not a malformed reply: the caller hears of it and the
    // program stays up, so the technician can switch the printer on again.
    EXPECT_EQ(D4Link.WriteEepromByte(0x10, 0x03), ReplyNoAnswer);
    EXPECT_EQ(D4Link.ResetPrinter(), ReplyNoAnswer);
    EXPECT_EQ(D4Link.PaperEject(), ReplyNoAnswer);
    EXPECT_TRUE(platform.dialogs.texts().empty());
    EXPECT_TRUE(platform.process.exits.empty());
}

TEST_F(ControlCommands, PaperEjectClearsAMisload)
{
    printer.state().errorChar = '6';
    D4Link.GetPrinterStatus();
    ASSERT_EQ(ErrorStatus, esPaperMisload);
    EXPECT_EQ(D4Link.PaperEject(), ReplyDone);
    D4Link.GetPrinterStatus();
    EXPECT_EQ(PrinterStatus, psReady);
    EXPECT_EQ(ErrorStatus, esNone);
    const auto wire = PacketQuery(printer).wire();
    EXPECT_EQ(wire[wire.size() - 4], "02 02 00 0B 00 00 70 65 01 00 01");
}

TEST_F(ControlCommands, ResetMakesThePrinterBusyForAMoment)
{
    EXPECT_EQ(D4Link.ResetPrinter(), ReplyDone);
    EXPECT_EQ(PacketQuery(printer).wire().back(), "02 02 00 0B 00 00 72 73 01 00 01");
    D4Link.GetPrinterStatus();
    EXPECT_EQ(PrinterStatus, psBusy);
    platform.clock.sleep(10000);
    D4Link.GetPrinterStatus();
    EXPECT_EQ(PrinterStatus, psReady);
}

} // namespace
