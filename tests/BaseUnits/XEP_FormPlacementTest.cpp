// A stored window placement brought back onto the screens there are now.

#include "BaseUnits/XEP_FormPlacement.h"

#include <gtest/gtest.h>

namespace {
TWindowPlacement Placed(int left, int top, int width, int height, int state = 1) {
    TWindowPlacement placement;
    placement.Left = left;
    placement.Top = top;
    placement.Width = width;
    placement.Height = height;
    placement.WindowState = state;
    return placement;
}

// A laptop screen with a task bar at the bottom, and a larger monitor to its right.
const QList<QRect> TwoScreens = {QRect(0, 0, 1366, 728), QRect(1366, -200, 1920, 1080)};
} // namespace

TEST(PlacementOnScreens, AWindowOnAScreenStaysWhereItIs) {
    EXPECT_EQ(PlacementOnScreens(Placed(100, 80, 800, 600), TwoScreens), Placed(100, 80, 800, 600));
    EXPECT_EQ(PlacementOnScreens(Placed(2000, 0, 800, 600, 2), TwoScreens),
              Placed(2000, 0, 800, 600, 2))
        << "the second monitor, maximised: kept";
}

TEST(PlacementOnScreens, AWindowOffEveryScreenComesToTheNearest) {
    // Left on a third monitor that is gone, far right: onto the right-hand monitor's edge.
    EXPECT_EQ(PlacementOnScreens(Placed(5000, 100, 800, 600), TwoScreens),
              Placed(1366 + 1920 - 800, 100, 800, 600));
    // Above and left of everything: the laptop's top left corner.
    EXPECT_EQ(PlacementOnScreens(Placed(-3000, -2000, 400, 300), TwoScreens),
              Placed(0, 0, 400, 300));
    // Below the laptop screen, where the task bar is.
    EXPECT_EQ(PlacementOnScreens(Placed(200, 900, 400, 300), TwoScreens),
              Placed(200, 728 - 300, 400, 300));
}

TEST(PlacementOnScreens, AWindowHalfOffAScreenIsMovedWhollyOntoIt) {
    // Mostly on the laptop, its right part over the gap above the monitor's top.
    EXPECT_EQ(PlacementOnScreens(Placed(-150, -40, 800, 600), TwoScreens), Placed(0, 0, 800, 600));
    // Mostly on the monitor: it goes there, not back to the laptop.
    EXPECT_EQ(PlacementOnScreens(Placed(1300, 100, 800, 600), TwoScreens),
              Placed(1366, 100, 800, 600));
}

TEST(PlacementOnScreens, AWindowLargerThanItsScreenShrinksToIt) {
    // Saved on the large monitor at full size, brought back where only the laptop is.
    const QList<QRect> laptop = {QRect(0, 0, 1366, 728)};
    EXPECT_EQ(PlacementOnScreens(Placed(1366, -200, 1920, 1080), laptop), Placed(0, 0, 1366, 728));
    EXPECT_EQ(PlacementOnScreens(Placed(10, 10, 2000, 500), laptop), Placed(0, 10, 1366, 500));
}

TEST(PlacementOnScreens, NoScreensLeavesThePlacementAlone) {
    EXPECT_EQ(PlacementOnScreens(Placed(-5000, 7000, 800, 600), {}), Placed(-5000, 7000, 800, 600));
}
