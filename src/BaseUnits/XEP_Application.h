#pragma once
// The application object and the one error guard: no exception ever reaches the toolkit.
// An EAbort is swallowed silently; any other exception shows its message in an error box.

#include <QApplication>
#include <functional>

// Called first of all by the program, before the application object: notes the moment the
// program started, and starts reading the desktop's font configuration on another thread. The
// first window with text needs it and would otherwise wait for it, while making the
// connection to the display (which the application object does meanwhile) is mostly waiting.
void PrepareProgramStart();
// While it lives, the toolkit's font database is filled and the application font's fallback
// fonts looked up on another thread (the first window with text needs both), so that the
// work the program does meanwhile (reading its tables) runs beside it. Made once the
// application object exists; its end waits for that thread.
class TFontWarmUp {
public:
    TFontWarmUp();
    ~TFontWarmUp();
    TFontWarmUp(const TFontWarmUp&) = delete;
    TFontWarmUp& operator=(const TFontWarmUp&) = delete;

private:
    class QThread* FThread = nullptr;
};

// Milliseconds since PrepareProgramStart (or since this was first asked).
qint64 MillisecondsSinceProgramStart();

// Runs action once the window has been painted for the first time (after that painting), or
// latestMs milliseconds from now should it not be painted by then: work that can wait for the
// window to be on the screen. The action runs inside the guard, and not at all should the
// window be destroyed first.
void AfterFirstPaint(QWidget& window, int latestMs, std::function<void()> action);

// Runs atLoss when a call to the display's library finds the connection to the display broken,
// before that library ends the program: the last moment at which everything the program
// holds is still whole (its ending destroys what was made late first).
void SaveBeforeTheDisplayLossEnds(void (*atLoss)());

// From now on a call to the display's library that finds the connection to the display broken
// does not end the program there. For the save on the way out that a lost display starts (the
// toolkit ends the program then): the save makes such calls, and would otherwise be cut short
// by a second ending in its middle.
void KeepRunningWhenTheDisplayIsLost();

// Runs action inside the guard; false when it raised.
bool RunGuarded(const std::function<void()>& action);

// Shows the busy cursor while it lives (a save of a large history takes a moment).
class TBusyCursor {
public:
    TBusyCursor();
    ~TBusyCursor();
    TBusyCursor(const TBusyCursor&) = delete;
    TBusyCursor& operator=(const TBusyCursor&) = delete;
};

// Tells whether the application is being asked to quit (the desktop session ending): its windows
// are then asked to close while the quit is delivered, and nobody is there to answer a question.
class TQuitWatch : public QObject {
public:
    explicit TQuitWatch(QObject* parent);
    bool Quitting() const { return FQuitting; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool FQuitting = false;
};

class TApplication : public QApplication {
public:
    TApplication(int& argc, char** argv);
    // Every event handler, slot and timer runs inside the guard.
    bool notify(QObject* receiver, QEvent* event) override;
};

// Turns the signals that end a program from outside (SIGTERM, SIGINT, SIGHUP) into a Qt signal
// on the user-interface thread, so the program can save and close as if the user had closed
// it. One instance at a time; the previous handling comes back when it is destroyed.
class TTerminationSignals : public QObject {
    Q_OBJECT
public:
    explicit TTerminationSignals(QObject* parent = nullptr);
    ~TTerminationSignals() override;

Q_SIGNALS:
    void Received(int signalNumber);

private:
    void ReadPending();
    class QSocketNotifier* FNotifier = nullptr;
};
