#pragma once
// The main window: a compact window whose task grid shows a Today column and whose minute
// tick adds the elapsed time to the active tasks. When it is first shown it hands control to
// the review window; when that closes, the main window closes, saves and ends the program.

#include "BaseUnits/BaseFormXEP_BaseUnit.h"

#include <functional>

class QAction;
class QLabel;
class QTimer;
class QToolBar;
class TForm_Submit_Form;
class TFrame_TimeTracker_Form;
class TdmTasks_Form;

class TForm_Main_Form : public TBaseFormXEP_BaseForm {
    Q_OBJECT
public:
    TForm_Main_Form(TdmTasks_Form& dm, QWidget* parent = nullptr);
    ~TForm_Main_Form() override;

    TFrame_TimeTracker_Form* Frame_TimeTracker_Form1;
    QToolBar* ToolBar1;
    QLabel* lblCurrentTask;
    QAction *aPauseRestart, *aReview, *aExit;
    QTimer* AutoSaveTimer;

    // The review window it hands over to (created after it).
    void SetSubmitForm(TForm_Submit_Form* form) { FSubmitForm = form; }
    // The first-run setup: true to go on, false (Cancel) to end the program.
    std::function<bool()> RunSetup;
    // Shows the splash window and waits a second; tests create the window without it.
    void DisplaySplash();
    static bool SplashOnCreate;

    bool Paused() const { return FPaused; }
    void SetPaused(bool Value);
    bool Lunchtime() const { return FLunchtime; }
    void SetLunchtime(bool Value);
    bool LunchSet() const { return FbSetLunch; }

    void FormShow();
    void ShowSubmitForm();
    void SetMonDataField();
    void UpdateDisplay();
    void AutoSaveTimerTimer();
    void aPauseRestartExecute() { SetPaused(!FPaused); }
    void Frame_TimeTracker_Form1tLastUsedTimerTimer();
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

protected:
    void ResizeRequired() override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

private:
    void FormCreate();
    void LayOutTodayColumn();
    void ReapplyOptions();
    void PostPendingEdits();
    bool AutoSaveMustWait() const;

    TdmTasks_Form& FDm;
    TForm_Submit_Form* FSubmitForm = nullptr;
    bool FLunchtime = false;
    bool FbSetLunch = false;
    double FlastDate = 0;
    bool FPaused = false;
    bool FFirstShown = false;
    bool FClosing = false;
    bool FEnding = false;
};
