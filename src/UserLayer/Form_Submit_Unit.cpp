#include "Form_Submit_Unit.h"

#include "BaseUnits/XEP_Application.h"
#include "BaseUnits/XEP_DialogService.h"
#include "Button_Images_Unit.h"
#include "Form_Actions.h"
#include "Form_Clients_Unit.h"
#include "Form_Entries_Unit.h"
#include "Form_Find_TaskData_Unit.h"
#include "Form_HistoryWait_Unit.h"
#include "Form_InvoiceWorkflow_Unit.h"
#include "Form_Options_Unit.h"
#include "Form_Project_Unit.h"
#include "Form_Reporting_Unit.h"
#include "Form_Setup_Unit.h"
#include "Form_Submit_TimeFile.h"
#include "Form_Submit_Week.h"
#include "Form_Task_Unit.h"
#include "Form_User_Unit.h"
#include "Frame_TimeTracker_Unit.h"
#include "data_Tasks_Unit.h"

#include "Components/Core/SysDateTime.h"
#include "Components/Core/SysExceptions.h"
#include "Components/Core/TClock.h"
#include "Components/DataControls/TDBCheckBox.h"
#include "Components/DataControls/TDBCtrlGrid.h"
#include "Components/DataControls/TDBText.h"
#include "Components/DataControls/TDataControls.h"
#include "Components/DataControls/TDataSource.h"
#include "Components/DataControls/TDateEdit.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
// Shows a dialog made for this one showing; true when it was left with OK.
template <class TDialog> bool ShowDialog(TdmTasks_Form& dm, QWidget* owner) {
    TDialog dialog(dm, owner);
    return dialog.exec() == QDialog::Accepted;
}

constexpr int DesignWidth = 944;
constexpr int DesignHeight = 388;
constexpr int GridRows = 9;

} // namespace

TForm_Submit_Form::TForm_Submit_Form(TdmTasks_Form& dm, QWidget* parent)
    : TBaseFormXEP_BaseForm(parent), FDm(dm) {
    setObjectName(QStringLiteral("Form_Submit_Form"));
    // Closing this window never ends the program by itself: the main window, which it hands
    // back to, saves and ends it.
    setAttribute(Qt::WA_QuitOnClose, false);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    resize(DesignWidth, DesignHeight);
    dsDefaults = new TDataSource(&dm.adsDefaults, this);
    FQuitWatch = new TQuitWatch(this);

    Frame_TimeTracker_Form1 = new TFrame_TimeTracker_Form(dm, this);
    CreateActions();
    CreateMenus();

    auto* weekPanel = new QWidget(this);
    weekPanel->setObjectName(QStringLiteral("pnlWeek"));
    auto* weekRow = new QHBoxLayout(weekPanel);
    weekRow->setContentsMargins(8, 4, 8, 4);
    weekRow->addWidget(new QLabel(QStringLiteral("Week Start Date :"), weekPanel));
    // A date in the short date format or as 2026-12-18, or picked from its calendar; taken as
    // the box is left (or Enter), any other text refused.
    meSubmitDate = new TDateEdit(weekPanel);
    meSubmitDate->setObjectName(QStringLiteral("meSubmitDate"));
    meSubmitDate->SetCaption(QStringLiteral("Week Start Date"));
    meSubmitDate->SetCommitsOnLeaving(false);
    meSubmitDate->setFixedWidth(112);
    meSubmitDate->installEventFilter(this);
    auto takeWeek = [this] { TDataControls::Guard([this] { meSubmitDateExit(); }); };
    connect(meSubmitDate, &QLineEdit::returnPressed, this, takeWeek);
    connect(meSubmitDate, &TDateEdit::dayPicked, this, takeWeek);
    weekRow->addWidget(meSubmitDate);
    SpinButton1 = new QWidget(weekPanel);
    SpinButton1->setObjectName(QStringLiteral("SpinButton1"));
    auto* spinColumn = new QVBoxLayout(SpinButton1);
    spinColumn->setContentsMargins(0, 0, 0, 0);
    spinColumn->setSpacing(0);
    SpinUp = new QToolButton(SpinButton1);
    SpinUp->setArrowType(Qt::UpArrow);
    SpinUp->setFixedSize(16, 11);
    SpinDown = new QToolButton(SpinButton1);
    SpinDown->setArrowType(Qt::DownArrow);
    SpinDown->setFixedSize(16, 11);
    spinColumn->addWidget(SpinUp);
    spinColumn->addWidget(SpinDown);
    weekRow->addWidget(SpinButton1);
    weekRow->addSpacing(24);
    weekRow->addWidget(new QLabel(QStringLiteral("Last Submitted :"), weekPanel));
    dbtxtLastSubmitted = new TDBText(weekPanel);
    dbtxtLastSubmitted->setObjectName(QStringLiteral("dbtxtLastSubmitted"));
    dbtxtLastSubmitted->SetDataSource(dsDefaults);
    dbtxtLastSubmitted->SetDataField(QStringLiteral("WeekStartDate"));
    weekRow->addWidget(dbtxtLastSubmitted);
    dsHistory = new TDataSource(&dm.adsReporting, this);
    connect(dsHistory, &TDataSource::RowsChanged, this, [this] { ShowLastSubmitted(); });
    ShowLastSubmitted();
    weekRow->addSpacing(24);
    lblWaiting = new QLabel(weekPanel);
    lblWaiting->setObjectName(QStringLiteral("lblWaiting"));
    lblWaiting->setToolTip(
        QStringLiteral("Time of today shows in today's week; submit this week to move on to it"));
    weekRow->addWidget(lblWaiting);
    weekRow->addStretch();
    connect(SpinUp, &QToolButton::clicked, this, [this] { SpinButton1UpClick(); });
    connect(SpinDown, &QToolButton::clicked, this, [this] { SpinButton1DownClick(); });

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);
    lblTracking = new QLabel(QStringLiteral("No Current Task"), StatusBar1);
    lblTracking->setObjectName(QStringLiteral("lblTracking"));
    lblTracking->setToolTip(QStringLiteral("The task being timed and its time today"));
    StatusBar1->addPermanentWidget(lblTracking);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setMenuBar(MainMenu1);
    layout->addWidget(ToolBar1);
    layout->addWidget(weekPanel);
    layout->addWidget(Frame_TimeTracker_Form1, 1);
    layout->addWidget(StatusBar1);

    FormCreate();
}

void TForm_Submit_Form::CreateActions() {
    auto action = [this](const char* name, const char* caption, const char* hint, int image) {
        return NewAction(this, name, caption, hint, image);
    };
    auto guarded = [](QAction* a, std::function<void()> fn) { OnTriggered(a, std::move(fn)); };
    Submit = action("Submit", "&Submit", "Submit", 0);
    Report = action("Report", "&Report", "Report", 1);
    Options = action("Options", "&Options", "Options", 44);
    Step = action("Step", "Step", "Step Function", 2);
    aAuthorise = action("aAuthorise", "A&uthorise", "Authorise", 3);
    aHistory = action("aHistory", "&History", "History", 4);
    Tasks = action("Tasks", "Tasks", "Tasks", 42);
    Projects = action("Projects", "Projects", "Projects", 39);
    Clients = action("Clients", "Clients", "Clients", 32);
    Users = action("Users", "Users", "Users", 31);
    Invoice = action("Invoice", "Invoice", "Invoice", 5);
    Invoice->setEnabled(false);
    aExport = action("aExport", "Export", "Export ", 6);
    aImport = action("aImport", "Import", "Import", 7);
    aExitMenu = action("Exit1", "&Exit", "Exit", -1);
    aTrackThisTask = NewAction(this, "aTrackThisTask", "Track This Task", "Track This Task", 30,
                               QKeySequence(Qt::CTRL | Qt::Key_T));
    aTimeTracker = action("aTimeTracker", "Time Tracker", "Time Tracker", 27);
    aEntries = NewAction(this, "aEntries", "&Entries...", "Entries of a day", 29,
                         QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_E));
    guarded(aEntries, [this] { aEntriesExecute(); });
    guarded(aTrackThisTask, [this] { TrackThisTaskExecute(); });
    guarded(aTimeTracker, [this] { ShowTimeTracker(); });
    aAboutMenu = action("About1", "About Tivrel", "About", -1);
    guarded(Submit, [this] { SubmitExecute(); });
    guarded(Step, [this] { StepExecute(); });
    guarded(Options, [this] { OptionsExecute(); });
    connect(aExitMenu, &QAction::triggered, this, [this] { done(ModalResultExit); });
    connect(aAboutMenu, &QAction::triggered, Frame_TimeTracker_Form1->aAbout, &QAction::trigger);
    // Each master-data dialog is made for one showing and released afterwards. What it
    // changed is written as soon as it closes (a Cancel has put the table back, which then
    // writes nothing new).
    auto thenSave = [this](std::function<void()> show) {
        return [this, show = std::move(show)] {
            show();
            SaveConfirmed();
        };
    };
    guarded(Tasks, thenSave([this] { ShowDialog<TForm_Tasks_Form>(FDm, this); }));
    guarded(Projects, thenSave([this] { ShowDialog<TForm_Projects_Form>(FDm, this); }));
    guarded(Clients, thenSave([this] { ShowDialog<TForm_Clients_Form>(FDm, this); }));
    guarded(Users, thenSave([this] { ShowDialog<TForm_User_Form>(FDm, this); }));
    guarded(aExport, [this] { aExportExecute(); });
    guarded(aImport, [this] { aImportExecute(); });
    guarded(aHistory, thenSave([this] { aHistoryExecute(FDm, this); }));
    guarded(Invoice, [this] { InvoiceExecute(FDm, this); }); // never enabled
    guarded(Report, [this] { ReportExecute(); });

    TFrame_TimeTracker_Form* f = Frame_TimeTracker_Form1;
    ToolBar1 = new QToolBar(this);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setIconSize(QSize(16, 16));
    ToolBar1->setFixedHeight(26);
    ToolBar1->addActions({Submit, Report, Options, Step, aAuthorise, aHistory});
    ToolBar1->addSeparator();
    ToolBar1->addActions({Tasks, Projects, Clients, Users, Invoice});
    ToolBar1->addSeparator();
    ToolBar1->addActions({f->EditCopy1, f->EditCut1, f->EditPaste1});
    ToolBar1->addSeparator();
    ToolBar1->addActions({f->DataSetFirst1, f->DataSetPrior1, f->DataSetNext1, f->DataSetLast1,
                          f->DataSetInsert1, f->DataSetDelete1});
    ToolBar1->addSeparator();
    ToolBar1->addAction(f->aHelp);
    ToolBar1->addSeparator();
    ToolBar1->addActions({aTrackThisTask, aEntries, aTimeTracker});
    // Track This Task in the grid's pop-up menu too.
    f->PMTimeTracker->insertAction(f->PMTimeTracker->actions().value(0), aTrackThisTask);
    f->PMTimeTracker->insertSeparator(f->PMTimeTracker->actions().value(1));
}

void TForm_Submit_Form::CreateMenus() {
    TFrame_TimeTracker_Form* f = Frame_TimeTracker_Form1;
    MainMenu1 = new QMenuBar(this);
    MainMenu1->setObjectName(QStringLiteral("MainMenu1"));
    QMenu* file = MainMenu1->addMenu(QStringLiteral("&File"));
    QMenu* talvex = file->addMenu(QStringLiteral("Talvex"));
    talvex->addActions({aImport, aExport});
    file->addSeparator();
    file->addAction(aExitMenu);
    MainMenu1->addMenu(QStringLiteral("&Edit"))
        ->addActions({f->EditCopy1, f->EditPaste1, f->EditCut1});
    QMenu* grid = MainMenu1->addMenu(QStringLiteral("&Grid"));
    grid->addActions({f->DataSetFirst1, f->DataSetPrior1, f->DataSetNext1, f->DataSetLast1});
    grid->addSeparator();
    grid->addActions({f->DataSetInsert1, f->DataSetDelete1});
    MainMenu1->addMenu(QStringLiteral("&Maintain"))
        ->addActions({Clients, Projects, Tasks, Users, Invoice});
    FTimesheetsMenu = MainMenu1->addMenu(QStringLiteral("&Timesheets"));
    FTimesheetsMenu->addActions({Submit, Report, Options, Step, aAuthorise, aHistory});
    FTimesheetsMenu->addSeparator();
    FTimesheetsMenu->addActions({aTrackThisTask, aEntries, aTimeTracker});
    MainMenu1->addMenu(QStringLiteral("&Help"))->addActions({f->aOnlineHelp, f->aHelp, aAboutMenu});
}

bool TForm_Submit_Form::OptionOf(const char* name) const {
    return FDm.adsDefaults.FieldByName(QLatin1String(name)).AsBoolean();
}

void TForm_Submit_Form::FormCreate() {
    TBaseFormXEP_BaseForm::FormCreate(); // 1.
    TFrame_TimeTracker_Form* f = Frame_TimeTracker_Form1;
    f->SetCreationPhase(true); // 2.
    f->SetHelpString(QStringLiteral("Review"));
    setWindowTitle(QStringLiteral("Tivrel")); // 3.
    aAboutMenu->setText(QStringLiteral("About Tivrel"));
    f->dbcgTasks->SetPanelHeight(TFrame_TimeTracker_Form::RowHeight); // 4.
    // This window's frame: no Active column, no minute tick, nine rows.
    f->pActive->hide();
    f->dbcbxActive->hide();
    f->TimeTrackerTimer->stop();
    f->setMinimumHeight(0);
    // 5. The review week: the earliest with time not yet submitted, otherwise the week that
    // contains today or an earlier one never submitted.
    FSubmitStartDay = StartDayOfWeek();
    FSubmitDate = FDm.WeekToOpen();
    ShowSubmitDate();
    // 6. The weekdays.
    f->SetMonVisible(OptionOf("DisplayMon"));
    f->SetTueVisible(OptionOf("DisplayTue"));
    f->SetWedVisible(OptionOf("DisplayWed"));
    f->SetThuVisible(OptionOf("DisplayThu"));
    f->SetFriVisible(OptionOf("DisplayFri"));
    f->SetSatVisible(OptionOf("DisplaySat"));
    f->SetSunVisible(OptionOf("DisplaySun"));
    // 7.
    f->SetCreationPhase(false);
    f->SetPriorityVisible(OptionOf("DisplayPriority"));
    f->SetSummaryDurationVisible(OptionOf("DisplaySummaryDuration"));
    f->SetbClientsVisible(OptionOf("DisplayClients"));
    f->SetProjectsVisible(OptionOf("DisplayProjects"));
}

void TForm_Submit_Form::ShowLastSubmitted() {
    // The week start a new store is seeded with is no submission: the date shows once the
    // history holds a submitted row, and then follows the options row.
    dbtxtLastSubmitted->setVisible(!FDm.adsReporting.IsEmpty());
}

void TForm_Submit_Form::SetSubmitDate(double value) {
    FSubmitDate = value;
    ShowSubmitDate();
    // The day columns show the dates of the week now shown.
    FDm.ShowWeek(FSubmitDate);
    ShowWaitingTime();
}

void TForm_Submit_Form::ShowWaitingTime() {
    const double today = TClock::Today();
    QString text;
    if (today < FSubmitDate || today >= FSubmitDate + 7) {
        const qint64 minutes = FDm.Journal().DateMSecs(today) / 60000;
        if (minutes > 0)
            text = QStringLiteral("%1:%2 tracked today waits for the week of %3")
                       .arg(minutes / 60)
                       .arg(minutes % 60, 2, 10, QLatin1Char('0'))
                       .arg(DateToStr(FDm.WeekOf(today)));
    }
    if (lblWaiting->text() != text) lblWaiting->setText(text);
}

void TForm_Submit_Form::aEntriesExecute() {
    if (!PostPendingEdit()) return;
    const double today = TClock::Today();
    const bool todayShown = today >= FSubmitDate && today < FSubmitDate + 7;
    ShowEntriesDialog(FDm, todayShown ? today : FSubmitDate, this);
    Q_EMIT Frame_TimeTracker_Form1->ActiveTaskChanged(); // today's time may have changed
    ShowWaitingTime();
}

void TForm_Submit_Form::ShowSubmitDate() {
    meSubmitDate->setDate(DayNumberToDate(FSubmitDate));
}

void TForm_Submit_Form::SpinButton1UpClick() {
    if (PostPendingEdit()) SetSubmitDate(FSubmitDate + 7);
}
void TForm_Submit_Form::SpinButton1DownClick() {
    if (PostPendingEdit()) SetSubmitDate(FSubmitDate - 7);
}

int TForm_Submit_Form::StartDayOfWeek() const {
    return FDm.adsDefaults.FieldByName(QStringLiteral("StartDayOfWeek")).AsInteger();
}

void TForm_Submit_Form::meSubmitDateExit() {
    // A text that is no date raises the conversion error; the week stays as it was. Any day
    // typed stands for the week that holds it.
    const double week =
        WeekStartOf(StrToDateFor(meSubmitDate->text(), meSubmitDate->Caption()), StartDayOfWeek());
    if (week == FSubmitDate) {
        ShowSubmitDate();
        return;
    }
    if (!PostPendingEdit()) return;
    SetSubmitDate(week);
}

bool TForm_Submit_Form::eventFilter(QObject* watched, QEvent* event) {
    // Once the focus has moved: a message shown from inside the focus change would let the
    // keyboard come back to the box and the box be left a second time. Once, also when this
    // filter sees the event twice (on the box and on the application, for the hints).
    if (watched == meSubmitDate && event->type() == QEvent::FocusOut && !FWeekExitPending) {
        FWeekExitPending = true;
        QTimer::singleShot(0, this, [this] {
            FWeekExitPending = false;
            if (!meSubmitDate->hasFocus()) TDataControls::Guard([this] { meSubmitDateExit(); });
        });
    }
    if (event->type() == QEvent::Enter || event->type() == QEvent::Leave)
        ShowHintOf(watched, event);
    return TBaseFormXEP_BaseForm::eventFilter(watched, event);
}

void TForm_Submit_Form::ShowHintOf(QObject* watched, QEvent* event) {
    // The status bar shows the hint of the control under the mouse.
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != this) return;
    if (event->type() == QEvent::Leave) {
        if (FHintWidget == widget) FHintWidget = widget->parentWidget();
    } else {
        FHintWidget = widget;
    }
    ShowHint(QString());
}

void TForm_Submit_Form::ShowHint(const QString& statusTip) {
    // A status tip of its own (a menu item, a tool button) or the hint of the control under
    // the mouse; the nearest hint going outwards when the control has none of its own.
    QString hint = statusTip;
    for (QWidget* w = FHintWidget; hint.isEmpty() && w && w != this; w = w->parentWidget())
        hint = w->statusTip().isEmpty() ? w->toolTip() : w->statusTip();
    if (hint.isEmpty())
        StatusBar1->clearMessage();
    else
        StatusBar1->showMessage(hint);
}

bool TForm_Submit_Form::event(QEvent* event) {
    // The hints of menu items and tool buttons come as status tips.
    if (event->type() == QEvent::StatusTip) {
        ShowHint(static_cast<QStatusTipEvent*>(event)->tip());
        return true;
    }
    return TBaseFormXEP_BaseForm::event(event);
}

void TForm_Submit_Form::showEvent(QShowEvent* event) {
    TBaseFormXEP_BaseForm::showEvent(event);
    TDataControls::Guard([this] { SetSubmitDate(FSubmitDate); });
    qApp->installEventFilter(this); // to see the mouse enter every control
}

void TForm_Submit_Form::hideEvent(QHideEvent* event) {
    qApp->removeEventFilter(this);
    TBaseFormXEP_BaseForm::hideEvent(event);
}

void TForm_Submit_Form::AddTrackerAction(QAction* action) {
    ToolBar1->insertAction(aTrackThisTask, action);
    FTimesheetsMenu->insertAction(aTrackThisTask, action);
    QMenu* popup = Frame_TimeTracker_Form1->PMTimeTracker;
    popup->insertAction(aTrackThisTask, action);
}

void TForm_Submit_Form::ShowTracking(const QString& text, bool paused) {
    const QString shown = paused ? QStringLiteral("Paused") : text;
    if (lblTracking->text() == shown) return;
    lblTracking->setText(shown);
    // The text role the label paints with, not only the window text.
    QPalette colours = StatusBar1->palette();
    if (paused) {
        colours.setColor(QPalette::WindowText, Qt::red);
        colours.setColor(QPalette::ButtonText, Qt::red);
    }
    lblTracking->setPalette(colours);
}

void TForm_Submit_Form::ShowTimeTracker() {
    done(ModalResultTracker);
}

void TForm_Submit_Form::TrackThisTaskExecute() {
    if (!PostPendingEdit()) return;
    TRecordSet& tasks = FDm.adsTasks;
    if (tasks.IsEmpty()) return;
    tasks.Edit();
    // The one-task-active rule switches every other row off.
    tasks.FieldByName(QStringLiteral("Active")).SetAsBoolean(true);
    Frame_TimeTracker_Form1->dbcbxActiveRelease();
}

void TForm_Submit_Form::changeEvent(QEvent* event) {
    TBaseFormXEP_BaseForm::changeEvent(event);
    // Minimising the review window hands over to the compact tracker.
    if (event->type() == QEvent::WindowStateChange && isMinimized() && isVisible())
        QTimer::singleShot(0, this, [this] {
            if (!isVisible()) return;
            setWindowState(windowState() & ~Qt::WindowMinimized);
            done(ModalResultTracker);
        });
}

bool TForm_Submit_Form::PostPendingEdit() {
    return Frame_TimeTracker_Form1->dsTasks->UpdateRecord();
}

void TForm_Submit_Form::SaveConfirmed() {
    // New history rows are added to the end of its file at once; a history that must be
    // written whole (a row of it changed) is written in the background while the windows go
    // on working, and a failure is said when it comes (the main window listens).
    const TBusyCursor busy;
    FDm.SaveData(TdmTasks_Form::TSaveWait::Background);
}

void TForm_Submit_Form::SubmitExecute() {
    // The history's rows are needed (the week may have been submitted before), and new ones
    // go into it: it must be read, and no save may be writing it.
    if (!AwaitHistory(FDm, this, THistoryNeed::Change)) return;
    // The week is submitted as the user sees it, the cell being typed into included, and the
    // week box as typed even when the focus has not left it.
    if (!PostPendingEdit()) return;
    meSubmitDateExit();
    const bool submitted =
        SubmitWeek(FDm, TDialogService::Instance(), FSubmitDate, meSubmitDate->text());
    Frame_TimeTracker_Form1->DisplayTotal();
    if (!submitted) return;
    SetSubmitDate(FSubmitDate);
    Q_EMIT Frame_TimeTracker_Form1->ActiveTaskChanged(); // today's time of the timed task changed
    SaveConfirmed(); // the submitted week is history now: on disk at once
}

void TForm_Submit_Form::StepExecute() {
    if (!PostPendingEdit()) return;
    StepWeek(FDm);
    Frame_TimeTracker_Form1->DisplayTotal();
    Q_EMIT Frame_TimeTracker_Form1->ActiveTaskChanged();
}

void TForm_Submit_Form::aExportExecute() {
    const QString fileName = TDialogService::Instance().SaveFileName(
        QStringLiteral("Export Time File"), QStringLiteral("Time Files|*.tim"),
        QStringLiteral("tim"), QStringLiteral("TimeFile"));
    if (!fileName.isEmpty()) ExportTimeFile(FDm, fileName);
}

void TForm_Submit_Form::aImportExecute() {
    const QString fileName = TDialogService::Instance().OpenFileName(
        QStringLiteral("Import Time File"), QStringLiteral("Time Files|*.tim"),
        QStringLiteral("tim"), QString());
    if (fileName.isEmpty()) return;
    ImportTimeFile(FDm, fileName);
    SaveConfirmed();
}

void TForm_Submit_Form::ReportExecute() {
    if (FReportingForm) FReportingForm().exec();
}

void TForm_Submit_Form::OptionsExecute() {
    ShowOptionsDialog(FDm, this);
    ReapplyOptions(); // whatever the dialog answered
    SaveConfirmed();
}

void TForm_Submit_Form::ReapplyOptions() {
    // A new first day of the week moves the review week to that day, keeping today's time on
    // today.
    const int startDay = StartDayOfWeek();
    if (startDay != FSubmitStartDay) {
        SetSubmitDate(
            ReviewWeekAfterStartDayChange(FSubmitDate, FSubmitStartDay, startDay, TClock::Now()));
        FSubmitStartDay = startDay;
    }
    TFrame_TimeTracker_Form* f = Frame_TimeTracker_Form1;
    const struct {
        const char* Option;
        bool (TFrame_TimeTracker_Form::*Flag)() const;
        void (TFrame_TimeTracker_Form::*Setter)(bool);
    } options[] = {
        {"DisplayClients", &TFrame_TimeTracker_Form::bClientsVisible,
         &TFrame_TimeTracker_Form::SetbClientsVisible},
        {"DisplayProjects", &TFrame_TimeTracker_Form::ProjectsVisible,
         &TFrame_TimeTracker_Form::SetProjectsVisible},
        {"DisplayMon", &TFrame_TimeTracker_Form::MonVisible,
         &TFrame_TimeTracker_Form::SetMonVisible},
        {"DisplayTue", &TFrame_TimeTracker_Form::TueVisible,
         &TFrame_TimeTracker_Form::SetTueVisible},
        {"DisplayWed", &TFrame_TimeTracker_Form::WedVisible,
         &TFrame_TimeTracker_Form::SetWedVisible},
        {"DisplayThu", &TFrame_TimeTracker_Form::ThuVisible,
         &TFrame_TimeTracker_Form::SetThuVisible},
        {"DisplayFri", &TFrame_TimeTracker_Form::FriVisible,
         &TFrame_TimeTracker_Form::SetFriVisible},
        {"DisplaySat", &TFrame_TimeTracker_Form::SatVisible,
         &TFrame_TimeTracker_Form::SetSatVisible},
        {"DisplaySun", &TFrame_TimeTracker_Form::SunVisible,
         &TFrame_TimeTracker_Form::SetSunVisible},
        {"DisplaySummaryDuration", &TFrame_TimeTracker_Form::SummaryDurationVisible,
         &TFrame_TimeTracker_Form::SetSummaryDurationVisible},
        {"DisplayPriority", &TFrame_TimeTracker_Form::PriorityVisible,
         &TFrame_TimeTracker_Form::SetPriorityVisible},
    };
    for (const auto& option : options) {
        const bool wanted = OptionOf(option.Option);
        if (wanted != (f->*option.Flag)()) (f->*option.Setter)(wanted);
    }
}

void TForm_Submit_Form::resizeEvent(QResizeEvent* event) {
    TBaseFormXEP_BaseForm::resizeEvent(event);
    EnableResizeTimer();
}

void TForm_Submit_Form::ResizeRequired() {
    TBaseFormXEP_BaseForm::ResizeRequired();
    Frame_TimeTracker_Form1->WrapWindowToRows(this);
}

void TForm_Submit_Form::reject() {
    // The application being asked to quit (the desktop session ending) is no user to ask.
    if (!FQuitWatch->Quitting() && IsTracking && IsTracking() &&
        !TDialogService::Instance().Confirm(QStringLiteral("Stop tracking and exit Tivrel?")))
        return;
    TBaseFormXEP_BaseForm::reject();
}

void TForm_Submit_Form::done(int result) {
    // Leaving the control being edited hands its text to the record; a refused value keeps
    // the focus there and the window open.
    TFrame_TimeTracker_Form* f = Frame_TimeTracker_Form1;
    // The control being edited writes its text first; a field that refuses it keeps the
    // window open with the text there for correction.
    bool written = false;
    TDataControls::Guard([&] { written = PostPendingEdit(); });
    if (!written) return;
    QWidget* focused = QApplication::focusWidget();
    if (focused && isAncestorOf(focused) && focused != f->pDescription) {
        f->pDescription->setFocus(Qt::OtherFocusReason);
        if (QApplication::focusWidget() != f->pDescription && isActiveWindow()) return;
    }
    TBaseFormXEP_BaseForm::done(result);
}

bool RunSetupHub(TdmTasks_Form& dm, QWidget* owner) {
    TForm_Setup_Form setup(dm, owner);
    setup.UsersOpener = [&dm, &setup] { return ShowDialog<TForm_User_Form>(dm, &setup); };
    setup.ClientsOpener = [&dm, &setup] { return ShowDialog<TForm_Clients_Form>(dm, &setup); };
    setup.ProjectsOpener = [&dm, &setup] { return ShowDialog<TForm_Projects_Form>(dm, &setup); };
    setup.TasksOpener = [&dm, &setup] { return ShowDialog<TForm_Tasks_Form>(dm, &setup); };
    return setup.exec() == QDialog::Accepted;
}

int DisplaySubmitForm(TForm_Submit_Form& form, const QString& sPanelName, QString& sNewPanelName) {
    form.Frame_TimeTracker_Form1->SetsPanelName(sPanelName);
    // Options chosen since the window was made (in the first run's setup) show at once.
    TDataControls::Guard([&form] { form.ReapplyOptions(); });
    const int result = form.exec();
    sNewPanelName = form.Frame_TimeTracker_Form1->sPanelName();
    return result;
}
