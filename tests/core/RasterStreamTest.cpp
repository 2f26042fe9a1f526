// The raster stream's commands byte for byte, the run counter and its forced exit, and the
// readiness check before printing.
#include "CommandFixture.h"

#include "link/Roro4dodu.h"
#include "patterns/Ziroreved.h"
#include "support/PacketQuery.h"

#include <gmock/gmock.h>

#include <string>
#include <vector>

using namespace testsupport;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

class RasterStream : public CommandFixture
{
protected:
    std::vector<std::string> sent() const { return PacketQuery(printer).dataHex(); }
    // The pauses of the readiness check, without the link's 10 ms before each read.
    std::vector<uint32_t> pauses() const
    {
        std::vector<uint32_t> result;
        for (const uint32_t ms : platform.clock.sleeps)
            if (ms != 10)
                result.push_back(ms);
        return result;
    }
};

TEST_F(RasterStream, RunsCarryTheirCounterByte)
{
    Raster.SendRun(1, 0xFF);
    Raster.SendRun(2, 0x00);
    Raster.SendRun(120, 0xFF);
    Raster.SendRun(122, 0x00);
    Raster.SendRun(129, 0x03);
    EXPECT_THAT(sent(), ElementsAre("00 FF", "FF 00", "89 FF", "87 00", "80 03"));
}

TEST_F(RasterStream, ARunTooLongForOneCounterEndsTheProgram)
{
    EXPECT_THROW(Raster.SendRun(130, 0xFF), ProcessExit);
    EXPECT_THAT(platform.dialogs.texts(),
                ElementsAre("RepeatSend() error", "This program is closed by force."));
    EXPECT_EQ(platform.dialogs.shown[0].kind, platform::MessageKind::Error);
    EXPECT_THAT(platform.process.exits, ElementsAre(0));
    EXPECT_THAT(sent(), IsEmpty());
}

TEST_F(RasterStream, ARunOfNothingIsRefusedLikeAnOverlongOne)
{
    EXPECT_THROW(Raster.SendRun(0, 0x00), ProcessExit);
    EXPECT_THAT(sent(), IsEmpty());
}

TEST_F(RasterStream, NewLinesSendOnePacketPerPair)
{
    Raster.NewLines(0);
    Raster.NewLines(-1);
    EXPECT_THAT(sent(), IsEmpty());
    Raster.NewLines(3);
    EXPECT_THAT(sent(), ElementsAre("0D 0A", "0D 0A", "0D 0A"));
}

TEST_F(RasterStream, StartRasterOpensWithSixCommands)
{
    Raster.StartRaster(10, 1, 0, 1);
    EXPECT_THAT(sent(),
                ElementsAre("1B 40", "1B 28 47 01 00 01", "1B 28 55 01 00 0A", "1B 55 01",
                            "1B 28 65 02 00 00 00", "1B 28 4B 02 00 00 01"));
}

TEST_F(RasterStream, ColourTableAndBlackForAnyOtherIndex)
{
    for (uint8_t index = 0; index <= 7; ++index)
        Raster.SelectColour(index);
    Raster.SelectColour(0xFF);
    EXPECT_THAT(sent(),
                ElementsAre("1B 28 72 02 00 00 00", "1B 28 72 02 00 00 01", "1B 28 72 02 00 01 01",
                            "1B 28 72 02 00 00 02", "1B 28 72 02 00 01 02", "1B 28 72 02 00 00 04",
                            "1B 28 72 02 00 00 00", "1B 28 72 02 00 00 00",
                            "1B 28 72 02 00 00 00"));
}

TEST_F(RasterStream, EveryOtherCommandAsItsTemplate)
{
    Raster.HomeReturn();
    Raster.BeginRaster(30, 10, 48, 0xC0, 0x03);
    Raster.AdvancePaper(141);
    Raster.SetRasterResolution(0xE0, 0x01, 4, 1);
    Raster.BeginMultiLevelRaster(0, 1, 2, 0xD0, 0x02, 48, 0);
    Raster.SetPaperSize(0xA0, 0x0B, 0x00, 0x00, 0x70, 0x10, 0x00, 0x00);
    Raster.SetPageFormat(0x2A, 0x00, 0x00, 0x00, 0x1E, 0x1F, 0x00, 0x00);
    Raster.SetDotSize(19);
    Raster.SetDirection(0);
    Raster.FormFeed();
    EXPECT_THAT(sent(),
                ElementsAre("1B 3C 0D", "1B 2E 01 1E 0A 30 C0 03", "1B 28 76 02 00 8D 00 0D",
                            "1B 28 44 04 00 E0 01 04 01", "1B 69 00 01 02 D0 02 30 00",
                            "1B 28 53 08 00 A0 0B 00 00 70 10 00 00",
                            "1B 28 63 08 00 2A 00 00 00 1E 1F 00 00", "1B 28 65 02 00 00 13",
                            "1B 55 00", "0C"));
}

// ---- the readiness check ----

TEST_F(RasterStream, BusyThenReadyWaitsOnceAndInitialisesOnce)
{
    printer.busyFor(1000);
    EXPECT_TRUE(Raster.WaitReadyToPrint());
    EXPECT_THAT(sent(), ElementsAre("1B 40"));
    EXPECT_THAT(PacketQuery(printer).controlCommands(), ElementsAre("st", "st"));
    EXPECT_THAT(pauses(), ElementsAre(2000));
}

TEST_F(RasterStream, PaperMisloadIsEjectedAndWaitedOut)
{
    printer.state().errorChar = '6';
    EXPECT_TRUE(Raster.WaitReadyToPrint());
    EXPECT_THAT(PacketQuery(printer).controlCommands(), ElementsAre("st", "pe", "st"));
    EXPECT_THAT(pauses(), ElementsAre(2000));
    EXPECT_THAT(sent(), ElementsAre("1B 40"));
}

TEST_F(RasterStream, AnyOtherErrorAnswersFalseAtOnce)
{
    for (const char error : { '0', '1', '4', '5', 'B' }) {
        printer.clearReceived();
        platform.clock.sleeps.clear();
        printer.state().errorChar = error;
        EXPECT_FALSE(Raster.WaitReadyToPrint()) << error;
        EXPECT_THAT(PacketQuery(printer).controlCommands(), ElementsAre("st")) << error;
        EXPECT_THAT(pauses(), IsEmpty()) << error;
    }
}

TEST_F(RasterStream, ASwitchedOffPrinterIsAnErrorNotAnEndlessWait)
{
    printer.faults().silent = true;
    EXPECT_FALSE(Raster.WaitReadyToPrint());
    EXPECT_EQ(ErrorStatus, esCommunication);
}

} // namespace
