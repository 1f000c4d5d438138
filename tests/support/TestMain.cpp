// Test main for every test executable: widgets run offscreen, the regional formats are pinned
// to day/month/year with "/" and English names, and each test starts on the system clock.

#include "Components/Core/TClock.h"
#include "Components/Core/TFormatSettings.h"

#include <QApplication>
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
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new PinnedEnvironment);
    return RUN_ALL_TESTS();
}
