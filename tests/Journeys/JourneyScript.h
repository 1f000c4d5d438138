#pragma once
// A journey's script: the user's steps, each run once what it waits for is on screen. The
// steps run from timers inside the program's own event loops, so a step whose key or click
// opens a modal window (a message box, a dialog) is followed by the next step inside that
// window's loop, as a user answers the box. A step that waits too long, or an action that
// cannot be done (the menu did not open, the button is not there), ends the journey with a
// description of what was on screen; the program is then brought to an end so the test can
// go on.

#include "JourneyUser.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <functional>
#include <memory>
#include <vector>

namespace Journey {

// Waits a little real time: for things that must not happen.
inline std::function<bool()> After(int ms) {
    auto clock = std::make_shared<QElapsedTimer>();
    return [clock, ms] {
        if (!clock->isValid()) clock->start();
        return clock->elapsed() >= ms;
    };
}

class TScript : public QObject {
public:
    // Generous: the machine running the tests may be busy.
    static constexpr int StepTimeoutMs = 15000;

    using TCondition = std::function<bool()>;
    using TAction = std::function<bool()>; // false: the action could not be done

    // A step that waits until ready holds, then acts.
    TScript& Then(const QString& what, TCondition ready, TAction act = {}) {
        FSteps.push_back({what, std::move(ready), std::move(act)});
        return *this;
    }
    // A step that acts at once.
    TScript& Do(const QString& what, TAction act) { return Then(what, {}, std::move(act)); }

    void Start() {
        FNext = 0;
        FFailure.clear();
        FRunning = true;
        FDeadline.setRemainingTime(StepTimeoutMs);
        Schedule(0);
    }
    // Called once the program has ended.
    void Stop() {
        FRunning = false;
        FUnstick.stop();
        if (FFailure.isEmpty() && FNext < FSteps.size())
            FFailure =
                QStringLiteral("the program ended before this step: ") + FSteps.at(FNext).What;
    }
    // Empty when every step ran.
    const QString& Failure() const { return FFailure; }

private:
    struct TStep {
        QString What;
        TCondition Ready;
        TAction Act;
    };

    void Schedule(int ms) {
        QTimer::singleShot(ms, this, [this] { Poll(); });
    }

    void Poll() {
        if (!FRunning || !FFailure.isEmpty()) return;
        ActivateWindowInFront();
        if (FNext >= FSteps.size()) {
            // Every step ran; the last one ends the program.
            if (FDeadline.hasExpired())
                Fail(QStringLiteral("the program did not end after the last step"));
            else
                Schedule(20);
            return;
        }
        const TStep& step = FSteps.at(FNext);
        if (step.Ready && !step.Ready()) {
            if (FDeadline.hasExpired())
                Fail(QStringLiteral("waited in vain for: ") + step.What);
            else
                Schedule(20);
            return;
        }
        ++FNext;
        FDeadline.setRemainingTime(StepTimeoutMs);
        Schedule(0); // the next step runs even while this one's action waits in a modal window
        if (step.Act && !step.Act()) Fail(QStringLiteral("could not: ") + step.What);
    }

    void Fail(const QString& what) {
        FFailure = what + QStringLiteral(" (") + OnScreen() + QLatin1Char(')');
        // Ends the program as a user who gives up would: menus closed, boxes and dialogs
        // dismissed, every event loop left, until the program has returned.
        connect(&FUnstick, &QTimer::timeout, this, [] {
            if (QWidget* popup = QApplication::activePopupWidget()) popup->close();
            QWidget* modal = QApplication::activeModalWidget();
            if (auto* dialog = qobject_cast<QDialog*>(modal); dialog && dialog != Review())
                dialog->reject();
            QCoreApplication::exit(1);
        });
        FUnstick.start(100);
    }

    std::vector<TStep> FSteps;
    size_t FNext = 0;
    bool FRunning = false;
    QDeadlineTimer FDeadline;
    QString FFailure;
    QTimer FUnstick;
};

} // namespace Journey
