#pragma once
// The main window: a compact window whose task grid shows a Today column, and the tracker of
// the program: once a second it lets the journal catch up with the wall clock, so that the
// active tasks' entries run whichever window the user works in, pauses for the lunch break
// and asks about time the tracker could not account for (the user away from the keyboard, a
// suspended machine, a clock set forward). When it is first shown it hands control to the
// review window; when that closes, the main window closes, saves and ends the program, unless
// the user asked for the compact tracker, which the main window then is until its Review action
// brings the review window back. A tray icon, where the desktop has a tray, shows and controls
// what is timed.

#include "BaseUnits/BaseFormXEP_BaseUnit.h"

#include <QPointer>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

class QAction;
class QLabel;
class QMenu;
class QSystemTrayIcon;
class QTimer;
class TIdleTimeSource;
class QToolBar;
class TForm_Submit_Form;
class TFrame_TimeTracker_Form;
class TQuitWatch;
class TdmTasks_Form;
struct TJournalTask;

class TForm_Main_Form : public TBaseFormXEP_BaseForm {
    Q_OBJECT
public:
    TForm_Main_Form(TdmTasks_Form& dm, QWidget* parent = nullptr);
    ~TForm_Main_Form() override;

    TFrame_TimeTracker_Form* Frame_TimeTracker_Form1;
    QToolBar* ToolBar1;
    QLabel* lblCurrentTask;
    QAction *aPauseRestart, *aReview, *aExit, *aEntries;
    QTimer* AutoSaveTimer;
    QSystemTrayIcon* TrayIcon; // shown only where the desktop has a tray
    QMenu* TrayMenu;
    QAction *aTrayCurrentTask, *aTrayTimeTracker;

    // The review window it hands over to (created after it).
    void SetSubmitForm(TForm_Submit_Form* form);
    // The first-run setup: true to go on, false (Cancel) to end the program.
    std::function<bool()> RunSetup;
    // Shows the splash window while the windows are made; it goes as soon as the review window
    // is on screen (no fixed wait). Tests create the window without it.
    void DisplaySplash();
    static bool SplashOnCreate;

    bool Paused() const { return FPaused; }
    void SetPaused(bool Value);
    // Pauses or starts tracking as of a moment (UTC milliseconds): the lunch break begins and
    // ends at its own times, however late the tick that notices it.
    void SetPausedAt(bool Value, qint64 moment);
    // Whether time is being counted now: set up, shown, not paused.
    bool TrackingRuns() const;
    // Tracking may run from now on (the first showing does this once the setup is done). A
    // start is written to the journal at once; with writeOnceShown (the program's start) once
    // the review window is on screen, a few milliseconds later, so that the window shows sooner.
    void StartTracking(bool writeOnceShown = false);
    bool Lunchtime() const { return FLunchtime; }
    void SetLunchtime(bool Value);
    bool LunchSet() const { return FbSetLunch; }

    void FormShow();
    // What the window's first showing starts (FormShow: the hand-over to the review window),
    // started from the message loop without putting the window on the screen first, where it
    // would only go again at once: the program begins so.
    void StartWithoutShowing();
    void ShowSubmitForm();
    void SetMonDataField();
    void UpdateDisplay();
    void AutoSaveTimerTimer();
    // The entries of today, to correct them.
    void aEntriesExecute();
    void aPauseRestartExecute();
    void Frame_TimeTracker_Form1tLastUsedTimerTimer();
    // The journal catches up with the clock and follows the active tasks; a gap in the
    // tracking is asked about.
    void TrackTime();
    // The lunch break of today, at the times the options hold now: pauses once a day.
    void CheckLunchBreak();
    // Saves the data; on failure shows why and reopens the review window, until a save works.
    void SaveOnClose();
    // Ends the program from outside (a termination signal) as closing it would: dialogs over
    // the review window are left as Cancel leaves them, the cell being edited is written, every
    // changed table saved, and every event loop ends.
    void EndProgram();
    // Writes the cell being edited and every changed table, closing nothing: the end of the
    // desktop session asks for this first, and may still be cancelled.
    void SaveForSessionEnd();
    bool Ending() const { return FEnding; }

    // The compact tracker: the main window on screen with its Today column while the review
    // window is closed (the review window's Time Tracker action, or minimising it).
    void ShowTracker();
    bool TrackerShown() const { return FTrackerShown; }
    // Time is being tracked: a task is active and the tracker is not paused.
    bool Tracking() const;
    // What is timed, as the review window and the tray show it: "GEN 01:23:45", or "No Current
    // Task".
    QString TrackedTaskText() const;
    // Where the time away from keyboard and mouse is read from (the desktop's count by default).
    void SetIdleTimeSource(std::unique_ptr<TIdleTimeSource> source);
    // Once a second: notices the user going away and, when the user is back, asks what to do
    // with the time tracked meanwhile.
    void CheckIdleTime();

protected:
    void ResizeRequired() override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void done(int result) override;
    void reject() override;
    void closeEvent(QCloseEvent* event) override;

private:
    void FormCreate();
    void HideWhileReviewing();
    void LayOutTodayColumn();
    void ReapplyOptions();
    void PostPendingEdits();
    void CreateTrayIcon();
    void UpdateTray();
    void TrackThisTaskChanged();
    // Whether the running entries changed; written to the journal at once when write is true.
    bool FollowActiveTasks(qint64 now, bool write = true);
    void AskAboutTimeAway(qint64 awayFrom, qint64 backAt, const std::vector<TJournalTask>& gap);
    void AskLater(std::function<void()> ask);
    void AfterJournalChange();
    void FlushJournalNow();
    void StopTrackingForExit();
    void ExitNow();
    void ShowTheCurrentWeek();
    bool AutoSaveMustWait() const;

    TdmTasks_Form& FDm;
    TForm_Submit_Form* FSubmitForm = nullptr;
    TQuitWatch* FQuitWatch = nullptr;
    bool FExitChosen = false; // Exit was chosen: the program ends without a question
    bool FLunchtime = false;
    bool FbSetLunch = false;   // the break of FLunchDate has begun
    double FLunchDate = 0;     // the day whose break was taken
    bool FLunchPaused = false; // the pause in force is the break's, not the user's
    double FlastDate = 0;
    bool FPaused = false;
    bool FTrackingAllowed = false; // set up and handed over: no time before the user chose
    qint64 FPreviousTick = 0;      // UTC milliseconds of the tick before this one
    qint64 FLastFlush = 0;
    bool FFlushFailed = false;
    bool FFirstShown = false;
    QPointer<QWidget> FSplash; // while it is shown
    bool FClosing = false;
    bool FEnding = false;
    bool FTrackerShown = false;
    std::unique_ptr<TIdleTimeSource> FIdleTime;
    qint64 FAwaySince = 0; // UTC milliseconds; 0: the user is at the keyboard
    bool FAsking = false;
};
