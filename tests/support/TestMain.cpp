// Test main for every test executable: widgets run offscreen, the regional formats are pinned
// to day/month/year with "/" and English names, and each test starts on the system clock.

#include "PinnedEnvironment.h"

#include <QApplication>

int main(int argc, char** argv) {
    UseOffscreenWidgetsByDefault();
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new TPinnedEnvironment);
    return RUN_ALL_TESTS();
}
