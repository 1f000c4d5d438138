#pragma once
// The application object and the one error guard: no exception ever reaches the toolkit.
// An EAbort is swallowed silently; any other exception shows its message in an error box.

#include <QApplication>
#include <functional>

// Runs action inside the guard; false when it raised.
bool RunGuarded(const std::function<void()>& action);

class TApplication : public QApplication {
public:
    TApplication(int& argc, char** argv);
    // Every event handler, slot and timer runs inside the guard.
    bool notify(QObject* receiver, QEvent* event) override;
};
