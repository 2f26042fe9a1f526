// What a trainer can change on the virtual printer besides its status: the power switch, a
// top-margin error for the top-margin adjustment to correct, and the EEPROM image files.
#include "CommandFixture.h"

#include "commands/EepromMap.h"
#include "link/Roro4dodu.h"
#include "patterns/Ziroreved.h"
#include "vprinter/EepromFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <unistd.h>

using namespace testsupport;

namespace {

namespace fs = std::filesystem;

// The first row of the sheet that holds black ink, -1 on a blank sheet.
int firstInkedRow(const vprinter::Page &page)
{
    for (int row = 0; row < vprinter::Page::Height; ++row)
        if (!page.inkedCells(vprinter::Ink::Black, row).empty())
            return row;
    return -1;
}

class TopMarginError : public CommandFixture
{
protected:
    int printedLineRow()
    {
        Raster.PrintTopMarginLine();
        const std::vector<vprinter::Page> pages = printer.takePages();
        EXPECT_EQ(pages.size(), 1u);
        return pages.empty() ? -1 : firstInkedRow(pages.back());
    }
};

// The line lands (error - stored value) rows below the top margin of 42 rows, and writing
// the error as the value puts it back on the margin.
TEST_F(TopMarginError, MovesTheLineUntilTheValueCorrectsIt)
{
    printer.eeprom()[eeprom::TopMargin] = 0xFE; // -2
    EXPECT_EQ(printedLineRow(), 42); // no error by default, whatever is stored

    printer.topMarginError() = 6;
    EXPECT_EQ(printedLineRow(), 50);

    Factory.FactoryWriteEeprom(eeprom::TopMargin, 6);
    EXPECT_EQ(printedLineRow(), 42);

    printer.topMarginError() = -5;
    Factory.FactoryWriteEeprom(eeprom::TopMargin, 0x03);
    EXPECT_EQ(printedLineRow(), 34);
}

class PowerSwitch : public CommandFixture
{ };

// Off, nothing is answered, not even a reply already on its way; on again, the printer
// waits in byte mode for a new link start, with its EEPROM and state as they were.
TEST_F(PowerSwitch, OffAnswersNothingAndOnStartsAfresh)
{
    printer.eeprom()[0x40] = 0x5A;
    printer.state().errorChar = '4';
    printer.faults().lateReplies = 1;
    printer.faults().lateByMs = 60'000;
    D4Link.GetPrinterStatus(); // given up on; the reply is still on its way
    ASSERT_TRUE(printer.nextOutputInMs().has_value());
    printer.switchOff();
    EXPECT_FALSE(printer.switchedOn());
    EXPECT_FALSE(printer.nextOutputInMs().has_value());
    platform.clock.nowMs += 120'000;
    EXPECT_EQ(printer.pendingOutput(), 0u);

    D4Link.GetPrinterStatus();
    EXPECT_TRUE(D4Link.LastExchangeFailed());
    EXPECT_FALSE(printer.inPacketMode());

    printer.switchOn();
    EXPECT_TRUE(printer.switchedOn());
    D4Link.GetPrinterStatus();
    EXPECT_TRUE(D4Link.LastExchangeFailed()); // byte mode: a packet is not a link start

    resetLink();
    startControlLink();
    D4Link.GetPrinterStatus();
    EXPECT_FALSE(D4Link.LastExchangeFailed());
    EXPECT_EQ(ErrorStatus, 0x7002); // the paper jam is still there
    EXPECT_EQ(D4Link.ReadEepromByte(0x40), 0x5A);
}

class EepromFiles : public ::testing::Test
{
protected:
    fs::path path(const char *name) const { return folder / name; }
    void writeBytes(const fs::path &file, size_t count, uint8_t value)
    {
        std::ofstream(file, std::ios::binary) << std::string(count, char(value));
    }

    fs::path folder = fs::temp_directory_path() / ("eeprom-files-" + std::to_string(::getpid()));
    void SetUp() override { fs::create_directories(folder); }
    void TearDown() override { fs::remove_all(folder); }
};

TEST_F(EepromFiles, RoundTripKeepsEveryCell)
{
    vprinter::EepromImage image{};
    for (size_t i = 0; i < image.size(); ++i)
        image[i] = uint8_t(255 - i);
    std::string error;
    ASSERT_TRUE(vprinter::writeEepromFile(path("a.bin").string(), image, error)) << error;
    EXPECT_EQ(fs::file_size(path("a.bin")), 256u);
    EXPECT_FALSE(fs::exists(path("a.bin.partial")));

    vprinter::EepromImage read{};
    ASSERT_TRUE(vprinter::readEepromFile(path("a.bin").string(), read, error)) << error;
    EXPECT_EQ(read[0], 0xFF);
    EXPECT_EQ(read[46], 0xD1);
    EXPECT_EQ(read[255], 0x00);
}

TEST_F(EepromFiles, WhatIsNotAnImageIsRefusedAndChangesNothing)
{
    vprinter::EepromImage image{};
    image.fill(0x11);
    std::string error;
    writeBytes(path("short.bin"), 255, 0x22);
    writeBytes(path("long.bin"), 300, 0x22);
    writeBytes(path("empty.bin"), 0, 0);

    EXPECT_FALSE(vprinter::readEepromFile(path("short.bin").string(), image, error));
    EXPECT_EQ(error, path("short.bin").string() + " holds 255 bytes; an EEPROM image holds 256");
    EXPECT_FALSE(vprinter::readEepromFile(path("long.bin").string(), image, error));
    EXPECT_EQ(error, path("long.bin").string() + " holds 300 bytes; an EEPROM image holds 256");
    EXPECT_FALSE(vprinter::readEepromFile(path("empty.bin").string(), image, error));
    EXPECT_FALSE(vprinter::readEepromFile(path("missing.bin").string(), image, error));
    EXPECT_EQ(error.rfind("cannot read " + path("missing.bin").string() + ": ", 0), 0u) << error;
    EXPECT_FALSE(vprinter::readEepromFile(folder.string(), image, error));
    EXPECT_EQ(error, folder.string() + " is a folder, not an EEPROM image");
    for (const uint8_t cell : image)
        ASSERT_EQ(cell, 0x11);

    // A file that cannot be written leaves nothing behind.
    EXPECT_FALSE(vprinter::writeEepromFile(path("no/such/folder.bin").string(), image, error));
    EXPECT_EQ(error.rfind("cannot write " + path("no/such/folder.bin").string(), 0), 0u) << error;
    EXPECT_FALSE(fs::exists(path("no")));
}

} // namespace
