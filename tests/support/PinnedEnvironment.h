#pragma once
// Every test starts on the same regional formats (day/month/year with "/", English names)
// and on the system clock, whatever the test before it set.

#include "Components/Core/TClock.h"
#include "Components/Core/TFormatSettings.h"

#include <gtest/gtest.h>

class TPinnedEnvironment : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override {
        TFormatSettings::SetCurrent(TFormatSettings::Fixed());
        TClock::Reset();
    }
};

// Widgets offscreen unless the caller chose a platform (a screenshot run under Xvfb).
inline void UseOffscreenWidgetsByDefault() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
}
