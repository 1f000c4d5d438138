#pragma once
// The scripted clock run fast for journeys: the tracker's one-second timer fires every few
// milliseconds, and each firing moves the clock on by a step (a minute unless asked
// otherwise) before the tracker looks at it, until as much time as asked has gone by. Time is
// counted from the clock, so it goes by whether or not anything is tracked. The clock is a
// UTC one, so the local time follows the machine's time zone, daylight-saving changes too.

#include "JourneyUser.h"

#include "BaseUnits/XEP_IdleTime.h"
#include "UserLayer/Form_Main_Unit.h"
#include "UserLayer/Frame_TimeTracker_Unit.h"

#include "Components/Core/TClock.h"

#include <QApplication>
#include <QTimer>
#include <memory>

namespace Journey {

inline TForm_Main_Form* MainWindow() {
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->objectName() == QLatin1String("Form_Main_Form"))
            return qobject_cast<TForm_Main_Form*>(window);
    return nullptr;
}

inline TFrame_TimeTracker_Form* TrackerGrid() {
    TForm_Main_Form* main = MainWindow();
    return main ? main->Frame_TimeTracker_Form1 : nullptr;
}

struct TFastTicks {
    int Added = 0; // steps the clock has moved
    int Wanted = 0;
    qint64 StepMs = 60000;
    bool Installed = false;

    void Install() {
        if (Installed) return;
        Installed = true;
        TFrame_TimeTracker_Form* grid = TrackerGrid();
        auto original = grid->OnLastUsedTimer;
        grid->OnLastUsedTimer = [this, original] {
            if (Added < Wanted) {
                TClock::SetFixedUtc(TClock::NowUtcMSecs() + StepMs);
                ++Added;
            }
            original();
        };
        grid->tLastUsedTimer->setInterval(5);
    }
    // Lets n more steps go by quickly.
    void Run(int n) { Wanted = Added + n; }
    // Lets the clock run on to a moment (a local day number), a step at a time.
    void RunTo(double moment) {
        const qint64 target = UtcOfLocalDayNumber(moment);
        const qint64 left = target - TClock::NowUtcMSecs();
        Run(int(std::max<qint64>(0, (left + StepMs - 1) / StepMs)));
    }
    bool Done() const { return Added >= Wanted; }
};

// The user away since a moment of the scripted clock (0: at the keyboard).
class TClockIdleTime : public TIdleTimeSource {
public:
    explicit TClockIdleTime(std::shared_ptr<qint64> leftAt) : FLeftAt(std::move(leftAt)) {}
    qint64 IdleMilliseconds() override {
        return *FLeftAt == 0 ? 0 : TClock::NowUtcMSecs() - *FLeftAt;
    }

private:
    std::shared_ptr<qint64> FLeftAt;
};

} // namespace Journey
