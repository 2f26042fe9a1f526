// The patterns as the virtual printer prints them: the Bi-D groups against their reference
// lines and their values above them, the top-margin corner, and the A4 check sheet on one
// sheet with nothing the printer could not read. Cells are 1/1440 inch from the sheet's left
// edge (the printable area starts at 192), rows 1/360 inch from its top (text starts at 42).
#include "CommandFixture.h"

#include "patterns/Dude4vidad.h"
#include "patterns/Ziroreved.h"
#include "patterns/Zurova.h"
#include "vprinter/ServicedPrinter.h"

#include <gmock/gmock.h>

#include <algorithm>

using namespace testsupport;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using vprinter::Ink;

namespace {

class PrintedPattern : public CommandFixture
{
protected:
    PrintedPattern()
    {
        // Stored Bi-D values 3, -2, 1; the printer's own errors 5, -4, 3 (the defaults), so
        // group 4, 2 and 4 of the three shot types line up.
        printer.eeprom() = vprinter::servicedEeprom();
    }
    const vprinter::Page &sheet(size_t n = 0) const { return printer.pages().at(n); }
    std::vector<int> cells(int row, int from, int to) const
    {
        std::vector<int> in;
        for (const int x : sheet().inkedCells(Ink::Black, row))
            if (x >= from && x < to)
                in.push_back(x);
        return in;
    }
    // The leftmost ink of a band of rows between two cells.
    int leftmost(int top, int bottom, int from, int to) const
    {
        int left = to;
        for (int y = top; y < bottom; ++y)
            for (const int x : sheet().inkedCells(Ink::Black, y))
                if (x >= from && x < to)
                    left = std::min(left, x);
        return left;
    }
};

TEST_F(PrintedPattern, TheGroupWithThePrintersErrorLiesOnTheReferenceLines)
{
    ASSERT_TRUE(Bid.PrintBidPattern(false));
    Raster.FormFeed();
    ASSERT_EQ(printer.pages().size(), 1u);
    const auto &stats = printer.raster().stats();
    EXPECT_EQ(stats.unknownCommands + stats.malformedCommands, 0);
    EXPECT_EQ(stats.clippedDots, 0u);

    // Multi shot 1, 480 dpi: reference rows from row 222, candidates from row 270.
    // Group 4 (value 5) on its reference lines; group 2 (value 1) 8 cells to the right.
    EXPECT_THAT(cells(222, 7600, 8200), ElementsAre(7689, 7881, 8073));
    EXPECT_THAT(cells(270, 7600, 8200), ElementsAre(7689, 7881, 8073));
    EXPECT_THAT(cells(222, 3600, 4200), ElementsAre(3657, 3849, 4041));
    EXPECT_THAT(cells(270, 3600, 4200), ElementsAre(3665, 3857, 4049));
    // Multi shot 2, 360 dpi, from row 525: group 2 (value -4) on, group 4 (value 0) 8 left.
    EXPECT_THAT(cells(525, 3600, 4200), ElementsAre(3660, 3852, 4044));
    EXPECT_THAT(cells(573, 3600, 4200), ElementsAre(3660, 3852, 4044));
    EXPECT_THAT(cells(525, 7600, 8200), ElementsAre(7692, 7884, 8076));
    EXPECT_THAT(cells(573, 7600, 8200), ElementsAre(7684, 7876, 8068));
    // Variable shot, from row 828: group 4 (value 3) on, group 2 (value -1) 8 right.
    EXPECT_THAT(cells(876, 7600, 8200), ElementsAre(7692, 7884, 8076));
    EXPECT_THAT(cells(876, 3600, 4200), ElementsAre(3668, 3860, 4052));

    // The three repetitions, one row apart each, make every line solid from row 222 to 366.
    for (int y = 222; y <= 365; ++y)
        EXPECT_THAT(cells(y, 7600, 7700), ElementsAre(7689)) << y;
}

TEST_F(PrintedPattern, EachValueStandsAboveItsGroup)
{
    ASSERT_TRUE(Bid.PrintBidPattern(false));
    Raster.FormFeed();
    // Multi shot 1's value row (-1, 1, 3, 5, 7) fills rows 162 to 215, above the groups
    // from row 222; each number starts within 1/10 inch of its group's first line.
    const int lines[] = { 1641, 3657, 5673, 7689, 9705 };
    const int starts[] = { 1632, 3672, 5664, 7680, 9696 };
    for (int k = 0; k < 5; ++k)
        EXPECT_EQ(leftmost(162, 222, lines[k] - 200, lines[k] + 1800), starts[k]) << k;
    EXPECT_THAT(cells(216, 0, vprinter::Page::Width), IsEmpty());
    EXPECT_THAT(cells(221, 0, vprinter::Page::Width), IsEmpty());
}

TEST_F(PrintedPattern, TopMarginCornerAtTheTopOfThePrintableArea)
{
    Raster.PrintTopMarginLine();
    ASSERT_EQ(printer.pages().size(), 1u);
    // 1400 dots at 360 dpi along row 42, a dot under the first one every 1/120 inch.
    const std::vector<int> edge = cells(42, 0, vprinter::Page::Width);
    ASSERT_EQ(edge.size(), 1400u);
    EXPECT_EQ(edge.front(), 192);
    EXPECT_EQ(edge.back(), 5788);
    EXPECT_THAT(cells(41, 0, vprinter::Page::Width), IsEmpty());
    EXPECT_THAT(cells(45, 0, vprinter::Page::Width), ElementsAre(192));
    EXPECT_THAT(cells(183, 0, vprinter::Page::Width), ElementsAre(192));
    // "Top Adjust = -5" three lines below the line (row 42 + 180).
    EXPECT_EQ(leftmost(222, 282, 0, vprinter::Page::Width), 192);
    EXPECT_THAT(cells(221, 0, vprinter::Page::Width), IsEmpty());
}

TEST_F(PrintedPattern, CheckSheetFitsOneSheetAndIsReadToTheLastByte)
{
    ASSERT_TRUE(A4check.PrintCheckSheet(770));
    ASSERT_EQ(printer.pages().size(), 1u);
    EXPECT_TRUE(sheet().holdsInk());
    const auto &stats = printer.raster().stats();
    EXPECT_EQ(stats.unknownCommands, 0);
    EXPECT_EQ(stats.malformedCommands, 0);
    EXPECT_EQ(stats.clippedDots, 0u);
    EXPECT_EQ(stats.rowsBeyondHead, 0u);
    EXPECT_EQ(stats.ignoredBytes, 0u);
}

} // namespace
