// Test main of the journeys: the program's own application object (every event handler runs
// inside its error guard, as in the program), widgets offscreen, the regional formats pinned.

#include "BaseUnits/XEP_Application.h"
#include "support/PinnedEnvironment.h"

int main(int argc, char** argv) {
    UseOffscreenWidgetsByDefault();
    TApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new TPinnedEnvironment);
    return RUN_ALL_TESTS();
}
