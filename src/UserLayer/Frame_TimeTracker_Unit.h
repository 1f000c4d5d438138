#pragma once
// The task grid frame: the week's tasks as rows with a duration column per weekday, a header
// row whose captions sort the grid, and a totals line. The main window shows it with a Today
// column, the review window with the whole week; each decides which optional columns show
// through the visibility setters, and the frame moves the remaining columns together.
//
// Every control that belongs to a column carries the column's number (its tag, 1 … 15); the
// left columns (1 … 6) are anchored to the left, the weekday, Active and Completed columns
// (7 … 15) to the right, and the description (6) to both sides, so it absorbs width.

#include "BaseUnits/BaseFrameXEP_BaseUnit.h"

#include <QLabel>
#include <functional>
#include <memory>
#include <vector>

class QAction;
class QMenu;
class QTimer;
class TDataSource;
class TDBCtrlGrid;
class TDBCheckBox;
class TDBEdit;
class TDBImage;
class TDBLookupComboBox;
class TdmTasks_Form;
class TCurrentTask;

// A column caption that can be clicked.
class THeaderPanel : public QLabel {
    Q_OBJECT
public:
    THeaderPanel(const QString& caption, QWidget* parent);
Q_SIGNALS:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

class TFrame_TimeTracker_Form : public TBaseFrameXEP_BaseForm {
    Q_OBJECT
Q_SIGNALS:
    // A row was made the timed one, or stopped being it, from this grid.
    void ActiveTaskChanged();

public:
    static constexpr int DesignWidth = 992;
    static constexpr int RowHeight = 25;

    explicit TFrame_TimeTracker_Form(TdmTasks_Form& dm, QWidget* AOwner = nullptr);
    ~TFrame_TimeTracker_Form() override;

    // ---- Components ----
    THeaderPanel *pPriority, *pDuration, *pClient, *pProjectName, *pTaskCode, *pDescription,
        *pMonday, *pTuesday, *pWednesday, *pThursday, *pFriday, *pSaturday, *pSunday, *pActive,
        *pCompleted;
    TDBCtrlGrid* dbcgTasks; // the row grid
    QWidget* RowPanel;      // the live panel of the current row
    TDBImage* dbIPriority;
    TDBEdit *dbeDays, *dbePartDay, *dbeClient, *dbeProject, *dbeTaskCode, *dbeTaskDescription;
    TDBLookupComboBox *dbluClients, *dbluProject, *dblcTaskCode;
    TDBEdit *dbeMon, *dbeTue, *dbeWed, *dbeThu, *dbeFri, *dbeSat, *dbeSun;
    TDBCheckBox *dbcbxActive, *dbcbxComplete;
    QWidget* TotalsPanel;
    QLabel *lblTotalMessage, *lblDailyDuration, *lblMonDuration, *lblTueDuration, *lblWedDuration,
        *lblThuDuration, *lblFriDuration, *lblSatDuration, *lblSunDuration, *lblPaused;
    TDataSource *dsTasks, *dsTaskCodes, *dsProjects, *dsClients;
    QTimer *TimeTrackerTimer, *tLastUsedTimer;
    QAction *DataSetInsert1, *DataSetDelete1, *DataSetFirst1, *DataSetPrior1, *DataSetNext1,
        *DataSetLast1, *EditCut1, *EditCopy1, *EditPaste1, *aHelp, *aOnlineHelp, *aAbout;
    QMenu* PMTimeTracker;

    // ---- Properties ----
    const QString& sPanelName() const { return FsPanelName; }
    void SetsPanelName(const QString& Value);
    bool bClientsVisible() const { return FbClientsVisible; }
    bool ProjectsVisible() const { return FProjectsVisible; }
    bool MonVisible() const { return FMonVisible; }
    bool TueVisible() const { return FTueVisible; }
    bool WedVisible() const { return FWedVisible; }
    bool ThuVisible() const { return FThuVisible; }
    bool FriVisible() const { return FFriVisible; }
    bool SatVisible() const { return FSatVisible; }
    bool SunVisible() const { return FSunVisible; }
    bool SummaryDurationVisible() const { return FSummaryDurationVisible; }
    bool PriorityVisible() const { return FPriorityVisible; }
    bool CreationPhase() const { return FCreationPhase; }
    void SetCreationPhase(bool Value) { FCreationPhase = Value; }
    const QString& HelpString() const { return FHelpString; }
    void SetHelpString(const QString& Value) { FHelpString = Value; }
    int LastUsedCounter() const { return FLastUsedCounter; }
    // Whether the user is at work on the tasks in any task grid of the program: typing or
    // choosing from a list in the last few seconds, or entering a new task not yet posted.
    // The minute tick waits while this holds, so it never changes rows under the user.
    bool TasksInUse() const;

    // ---- Visibility setters ----
    void SetPriorityVisible(bool Value);
    void SetSummaryDurationVisible(bool Value);
    void SetbClientsVisible(bool Value);
    void SetProjectsVisible(bool Value);
    void SetMonVisible(bool Value);
    void SetTueVisible(bool Value);
    void SetWedVisible(bool Value);
    void SetThuVisible(bool Value);
    void SetFriVisible(bool Value);
    void SetSatVisible(bool Value);
    void SetSunVisible(bool Value);

    // ---- Operations ----
    void Initialise() override;
    void AdjustPositions(THeaderPanel* pPanel);
    void SetConstraints();
    void OrderPanelClick(THeaderPanel* Sender);
    void HighlightPanel(THeaderPanel* Panel);
    void DisplayTotal();
    void FrameResize();
    void ResetLastUsed();
    // The designed (unstretched) rectangle of a column control; the frame lays the controls
    // out from these and its current width.
    QRect DesignGeometry(const QWidget* control) const;
    int VisibleRowCount() const { return FRowCount; }
    // The height between the header row and the totals line, where the rows go, and what of
    // it whole rows leave over (a window wraps whole rows by giving that up).
    int GridSpace() const;
    int LeftOverHeight() const { return GridSpace() - VisibleRowCount() * RowHeight; }
    // Gives the window holding the frame up the height whole rows leave over. The height is
    // measured rather than a fixed allowance for menus, tool and status bars, whose heights
    // vary with the style.
    void WrapWindowToRows(QWidget* window) const;

    // ---- Handlers ----
    void dbeTaskCodeExit();
    // A code typed into dbeTaskCode was refused by the task-code check (run once the refusal
    // has been raised): the cell shows the row's code again, and a new row that never had a
    // code is dropped.
    void TaskCodeRefused();
    // A code was chosen from dblcTaskCode's list (index of the item); when the row did not
    // take it, the focus goes back to the code edit.
    void dblcTaskCodePicked(int index);
    void dbcbxActiveRelease();
    void dbcbxCompleteClick();
    void dbeDayEnter(TDBEdit* edit);
    void aHelpExecute();
    void aOnlineHelpExecute();
    void aAboutExecute();
    void tLastUsedTimerTimer();
    void TimeTrackerTimerTimer();
    // Shows the tracked time in the day cells as soon as a minute has passed (unless the user
    // is at work in a grid).
    void RefreshTrackedCells();
    void SetCurrentTaskValue(bool bAllRows);
    // The task shown as timed: the last active row in the grid's order (with two active tasks
    // both are tracked; the later one is shown).
    void ShowTrackedTask();
    TCurrentTask& CurrentTask() const { return *FCurrentTask; }
    // The one-second timer's handler; a window may put its own in place (which calls the
    // frame's first).
    std::function<void()> OnLastUsedTimer;
    // The column of today's weekday ("WedDuration" on a Wednesday).
    static QString TodayColumn();
    // The window's own layout of the frame: the width the design positions refer to, and the
    // designed rectangle of a control.
    void SetDesignWidth(int width);
    void SetDesignGeometry(QWidget* control, const QRect& rect);

    static QString OnlineHelpAddress();

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct TColumnControl {
        QWidget* Control;
        int Tag;
        bool AnchorLeft;
        bool AnchorRight;
        QRect Design;
    };

    void CreateHeader();
    void CreateRowControls();
    void CreateTotals();
    void CreateActions();
    THeaderPanel* Header(const char* name, const QString& caption, const QString& hint, int tag,
                         int x, int width, bool anchorLeft, bool anchorRight = false);
    void Register(QWidget* control, int tag, bool anchorLeft, bool anchorRight = false);
    void SetColumnVisible(bool& flag, bool Value, THeaderPanel* panel,
                          std::initializer_list<QWidget*> controls);
    void ApplyLayout();
    void UpdateActions();
    QWidget* HoldingWindow() const;
    // Leaving dbeTaskCode for the drop-down button of its lookup box: text that the row
    // would refuse is dropped, as the user is about to choose from the list.
    void TaskCodeEditLeftForList();
    void DropNewTaskWithoutCode();
    // A control of the current row refused to be left and is taking the focus back.
    bool RowControlHoldsFocus() const;
    bool OnMainWindow() const;
    void ShowActiveRow(bool last);
    void ShowCurrentTask(int jobId, const QString& code);

    TdmTasks_Form& FDm;
    std::vector<TColumnControl> FColumns;
    std::vector<THeaderPanel*> FPanels;
    QString FsPanelName;
    bool FbClientsVisible = true;
    bool FCreationPhase = false;
    bool FProjectsVisible = true;
    bool FMonVisible = true, FThuVisible = true, FSatVisible = true, FSunVisible = true,
         FFriVisible = true, FWedVisible = true, FTueVisible = true;
    bool FSummaryDurationVisible = true;
    bool FPriorityVisible = true;
    QString FHelpString;
    int FLastUsedCounter = 120;
    int FRowCount = 1;
    int FDesignWidth = DesignWidth;
    std::unique_ptr<TCurrentTask> FCurrentTask;
    static std::vector<TFrame_TimeTracker_Form*> FFrames; // every frame that exists
};
