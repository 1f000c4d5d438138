#pragma once
// The review window: the whole week of tasks in the task grid frame, the week being reviewed,
// and the actions that submit, round, report on and maintain it. Shown modally through
// DisplaySubmitForm; it lives for the whole run.

#include "BaseUnits/BaseFormXEP_BaseUnit.h"

#include "Components/DataControls/TDateEdit.h"

#include <QPointer>
#include <functional>

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QStatusBar;
class QToolBar;
class QToolButton;
class TDataSource;
class TDBText;
class TForm_Reporting_Form;
class TFrame_TimeTracker_Form;
class TQuitWatch;
class TdmTasks_Form;

class TForm_Submit_Form : public TBaseFormXEP_BaseForm {
    Q_OBJECT
public:
    static constexpr int ModalResultExit = 8;
    // Closed to hand over to the compact tracker (the main window), not to end the program.
    static constexpr int ModalResultTracker = 9;

    explicit TForm_Submit_Form(TdmTasks_Form& dm, QWidget* parent = nullptr);

    TFrame_TimeTracker_Form* Frame_TimeTracker_Form1;
    QToolBar* ToolBar1;
    QMenuBar* MainMenu1;
    TDateEdit* meSubmitDate;
    QWidget* SpinButton1;
    QToolButton *SpinUp, *SpinDown;
    TDBText* dbtxtLastSubmitted;
    TDataSource* dsDefaults;
    TDataSource* dsHistory; // "Last Submitted" shows once the history holds a row
    QStatusBar* StatusBar1;
    QLabel* lblTracking; // what is timed, at the right of the status bar
    QLabel* lblWaiting;  // today's time, when the week shown is another
    QAction *aTrackThisTask, *aTimeTracker, *aEntries;
    QAction *Submit, *Report, *Options, *Step, *aAuthorise, *aHistory, *Tasks, *Projects, *Clients,
        *Users, *Invoice, *aExport, *aImport, *aExitMenu, *aAboutMenu;

    double SubmitDate() const { return FSubmitDate; }
    void SetSubmitDate(double value);

    // The reports window the Report action shows; made once at start and owned by the caller.
    // The reports window, made by the program when it is first asked for (it is kept for the
    // run: its choices last until the program ends).
    void SetReportingForm(std::function<TForm_Reporting_Form&()> form) {
        FReportingForm = std::move(form);
    }

    // The tracker's own actions (Pause/Start) offered here too: tool bar, Timesheets menu and
    // the grid's pop-up menu.
    void AddTrackerAction(QAction* action);
    // Shows what is timed ("GEN 01:23:45"), or "Paused" in red.
    void ShowTracking(const QString& text, bool paused);
    // Says how much of today's time waits for today's week while another week is shown
    // ("1:40 tracked today waits for the week of 16/11/2026"); nothing otherwise.
    void ShowWaitingTime();
    // The entries of a day: today when the week shown holds it, else the week's first day.
    void aEntriesExecute();
    // Closes the window to hand over to the compact tracker.
    void ShowTimeTracker();
    void TrackThisTaskExecute();

    // Whether time is being tracked (the tracker answers); Escape or the close box then ask
    // before they end the program.
    std::function<bool()> IsTracking;
    // Escape and the close box: "Stop tracking and exit Tivrel?" while time is being tracked
    // (No keeps the window open, nothing lost); otherwise they end the program at once, as
    // File > Exit always does.
    void reject() override;

    // Hands the text typed into the cell being edited to its record; false (the store's
    // message shown, the text kept for correction) when the field refuses it.
    bool PostPendingEdit();
    // Writes the tables changed by what the user has just confirmed, showing the busy cursor.
    void SaveConfirmed();

    // Handlers.
    void SubmitExecute();
    void ReportExecute();
    void aExportExecute();
    void aImportExecute();
    void StepExecute();
    void OptionsExecute();
    void ReapplyOptions();
    void SpinButton1UpClick();
    void SpinButton1DownClick();
    void meSubmitDateExit();

protected:
    void ResizeRequired() override;
    void resizeEvent(QResizeEvent* event) override;
    void done(int result) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void FormCreate();
    void CreateActions();
    void CreateMenus();
    void ShowSubmitDate();
    void ShowLastSubmitted();
    bool OptionOf(const char* name) const;
    int StartDayOfWeek() const;
    void ShowHintOf(QObject* watched, QEvent* event);
    void ShowHint(const QString& statusTip);

    TdmTasks_Form& FDm;
    double FSubmitDate = 0;
    int FSubmitStartDay = 1; // the first weekday FSubmitDate lines up with
    std::function<TForm_Reporting_Form&()> FReportingForm;
    QMenu* FTimesheetsMenu = nullptr;
    QPointer<QWidget> FHintWidget; // the control the mouse is over
    TQuitWatch* FQuitWatch = nullptr;
    bool FWeekExitPending = false; // the week start box was left; its date is taken next
};

// Shows the review window modally with the grid sorted by the header sPanelName; returns the
// modal result (8 after Exit, 2 when closed from the title bar) and the header it was left
// sorted by in sNewPanelName.
int DisplaySubmitForm(TForm_Submit_Form& form, const QString& sPanelName, QString& sNewPanelName);

// The first-run setup hub with its steps opening the options and master-data dialogs; true
// when it was left with OK.
bool RunSetupHub(TdmTasks_Form& dm, QWidget* owner);
