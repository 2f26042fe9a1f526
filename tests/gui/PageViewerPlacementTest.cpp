// Where the page viewer opens beside the program's window: never over it while the screen
// has a usable width of room on one side.
#include "vprinter/qt/PageViewer.h"

#include <gtest/gtest.h>

namespace {

const QSize Viewer(520, 720);
constexpr int Narrowest = 360;

TEST(PageViewerPlacement, BesideTheProgramWhereTheWholeViewerFits)
{
    const QRect screen(0, 0, 1920, 1080);
    // Room on the right: 8 pixels on from the program's right edge.
    EXPECT_EQ(vprinter::placeBeside(QRect(100, 50, 815, 400), screen, Viewer, Narrowest),
              QRect(922, 50, 520, 720));
    // No room on the right: on the left.
    EXPECT_EQ(vprinter::placeBeside(QRect(1000, 50, 815, 400), screen, Viewer, Narrowest),
              QRect(472, 50, 520, 720));
    // Low on the screen: moved up to end at its bottom.
    EXPECT_EQ(vprinter::placeBeside(QRect(100, 700, 815, 400), screen, Viewer, Narrowest),
              QRect(922, 359, 520, 720));
}

TEST(PageViewerPlacement, NarrowedOnTheWiderSideRatherThanOverTheProgram)
{
    // A program window of 815 pixels in the middle of a 1600-pixel screen leaves 384 and 385
    // pixels either side: the viewer takes the wider side's room.
    const QRect screen(0, 0, 1600, 1200);
    EXPECT_EQ(vprinter::placeBeside(QRect(392, 396, 815, 403), screen, Viewer, Narrowest),
              QRect(1214, 396, 385, 720));
    EXPECT_EQ(vprinter::placeBeside(QRect(402, 396, 815, 403), screen, Viewer, Narrowest),
              QRect(0, 396, 394, 720));
    // Too little room either side for a readable sheet: over the program, at the left edge.
    EXPECT_EQ(vprinter::placeBeside(QRect(200, 0, 1200, 600), screen, Viewer, Narrowest),
              QRect(0, 0, 520, 720));
}

} // namespace
