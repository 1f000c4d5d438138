// Test main of the journeys: the program's own application object (every event handler runs
// inside its error guard, as in the program), widgets offscreen, the regional formats pinned.

#include "BaseUnits/XEP_Application.h"

#include "Components/Core/TClock.h"
#include "Components/Core/TFormatSettings.h"

#include <gtest/gtest.h>

namespace {
class PinnedEnvironment : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override {
        TFormatSettings::SetCurrent(TFormatSettings::Fixed());
        TClock::Reset();
    }
};
} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    TApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new PinnedEnvironment);
    return RUN_ALL_TESTS();
}
