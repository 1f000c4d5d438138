#include "Form_Main_Unit.h"

#include "BaseUnits/Current_Task_Obj_Unit.h"
#include "BaseUnits/XEP_Application.h"
#include "BaseUnits/XEP_DialogService.h"
#include "BaseUnits/XEP_IdleTime.h"
#include "BaseUnits/XEP_ResourceStr.h"
#include "BaseUnits/XEP_Utils_Unit.h"
#include "Button_Images_Unit.h"
#include "Form_Actions.h"
#include "Form_Entries_Unit.h"
#include "Form_Splash_Unit.h"
#include "Form_Submit_Unit.h"
#include "Frame_TimeTracker_Unit.h"
#include "data_Tasks_Unit.h"

#include "Components/Core/SysDateTime.h"
#include "Components/Core/SysExceptions.h"
#include "Components/Core/TClock.h"
#include "Components/DataControls/TDBCheckBox.h"
#include "Components/DataControls/TDBCtrlGrid.h"
#include "Components/DataControls/TDBEdit.h"
#include "Components/DataControls/TDataControls.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>
#include <cmath>
#include <cstdio>

namespace {
constexpr int DesignWidth = 698;
constexpr int DesignHeight = 177;
constexpr int AutoSaveInterval = 600000;
constexpr int AutoSaveRetryInterval = 30000; // when the user was in the middle of something
constexpr qint64 SplashAfter = 200;          // milliseconds of start before the splash shows
} // namespace

TForm_Main_Form::TForm_Main_Form(TdmTasks_Form& dm, QWidget* parent)
    : TBaseFormXEP_BaseForm(parent), FDm(dm) {
    setObjectName(QStringLiteral("Form_Main_Form"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    resize(DesignWidth, DesignHeight);
    FQuitWatch = new TQuitWatch(this);
    Frame_TimeTracker_Form1 = new TFrame_TimeTracker_Form(dm, this);
    TFrame_TimeTracker_Form* f = Frame_TimeTracker_Form1;

    auto action = [this](const char* name, const char* caption, const char* hint, int image) {
        return NewAction(this, name, caption, hint, image);
    };
    aPauseRestart =
        NewAction(this, "aPauseRestart", "&Pause", "Pause", 38, QKeySequence(Qt::CTRL | Qt::Key_P));
    aReview = action("aReview", "&Review", "Review", 43);
    aExit = action("aExit", "Exit", "Exit", 51);
    aEntries = NewAction(this, "aEntries", "&Entries...", "Entries of a day", 29,
                         QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_E));
    OnTriggered(aEntries, [this] { aEntriesExecute(); });
    OnTriggered(aPauseRestart, [this] { aPauseRestartExecute(); });
    OnTriggered(aReview, [this] { ShowSubmitForm(); });
    connect(aExit, &QAction::triggered, this, [this] { ExitNow(); });

    ToolBar1 = new QToolBar(this);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setIconSize(QSize(16, 16));
    ToolBar1->addActions({aPauseRestart, aReview, aEntries});
    ToolBar1->addSeparator();
    ToolBar1->addActions({f->EditCopy1, f->EditCut1, f->EditPaste1});
    ToolBar1->addSeparator();
    ToolBar1->addActions({f->DataSetFirst1, f->DataSetPrior1, f->DataSetNext1, f->DataSetLast1,
                          f->DataSetInsert1, f->DataSetDelete1});
    ToolBar1->addSeparator();
    ToolBar1->addActions({f->aHelp, f->aOnlineHelp});
    ToolBar1->addSeparator();
    ToolBar1->addAction(aExit);
    ToolBar1->addSeparator();
    lblCurrentTask = new QLabel(QStringLiteral("No Current Task"), ToolBar1);
    lblCurrentTask->setObjectName(QStringLiteral("lblCurrentTask"));
    lblCurrentTask->setAlignment(Qt::AlignVCenter | Qt::AlignLeft);
    ToolBar1->addWidget(lblCurrentTask);

    // The pop-up menu gains Review and Pause at its top.
    QMenu* menu = f->PMTimeTracker;
    QAction* first = menu->actions().value(0);
    menu->insertActions(first, {aReview, aPauseRestart, aEntries});
    menu->insertSeparator(first);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(ToolBar1);
    layout->addWidget(f, 1);

    AutoSaveTimer = new QTimer(this);
    AutoSaveTimer->setObjectName(QStringLiteral("AutoSaveTimer"));
    AutoSaveTimer->setInterval(AutoSaveInterval);
    connect(AutoSaveTimer, &QTimer::timeout, this,
            [this] { TDataControls::Guard([this] { AutoSaveTimerTimer(); }); });
    AutoSaveTimer->start();
    // A save that wrote the history in the background says when it failed (nothing was lost:
    // the tables stay marked and the next save tries again).
    connect(&FDm, &TdmTasks_Form::BackgroundSaveDone, this, [](const QString& error) {
        if (!error.isEmpty()) TDialogService::Instance().ShowError(error);
    });

    // Active rows stand out in the highlight colour.
    f->dbcgTasks->OnPaintPanel = [this](TDBCtrlGrid&, int, QPainter& painter, const QRect& rect) {
        const bool active = FDm.adsTasks.FieldByName(QStringLiteral("Active")).AsBoolean();
        painter.fillRect(rect.adjusted(2, 2, -2, -2),
                         palette().color(active ? QPalette::Highlight : QPalette::Button));
    };
    f->OnLastUsedTimer = [this] { Frame_TimeTracker_Form1tLastUsedTimerTimer(); };
    // Ticking an Active box here changes what is timed at that moment, and shows it at once,
    // here and in the tray.
    connect(f, &TFrame_TimeTracker_Form::ActiveTaskChanged, this,
            [this] { TrackThisTaskChanged(); });
    FIdleTime = CreateDesktopIdleTimeSource();
    CreateTrayIcon();
    FormCreate();
}

void TForm_Main_Form::CreateTrayIcon() {
    TrayMenu = new QMenu(this);
    TrayMenu->setObjectName(QStringLiteral("TrayMenu"));
    aTrayCurrentTask = TrayMenu->addAction(QStringLiteral("No Current Task"));
    aTrayCurrentTask->setObjectName(QStringLiteral("aTrayCurrentTask"));
    aTrayCurrentTask->setEnabled(false);
    TrayMenu->addSeparator();
    TrayMenu->addActions({aPauseRestart, aReview});
    aTrayTimeTracker = NewAction(this, "aTrayTimeTracker", "Time Tracker", "Time Tracker", 27);
    OnTriggered(aTrayTimeTracker, [this] {
        if (FSubmitForm && FSubmitForm->isVisible())
            FSubmitForm->ShowTimeTracker();
        else
            ShowTracker();
    });
    TrayMenu->addAction(aTrayTimeTracker);
    TrayMenu->addSeparator();
    QAction* exit = TrayMenu->addAction(ButtonImage(51), QStringLiteral("Exit"));
    exit->setObjectName(QStringLiteral("aTrayExit"));
    connect(exit, &QAction::triggered, this, [this] {
        // As File > Exit: the review window's close writes the cell being edited first.
        if (FSubmitForm && FSubmitForm->isVisible())
            FSubmitForm->aExitMenu->trigger();
        else
            ExitNow();
    });
    TrayIcon = new QSystemTrayIcon(this);
    TrayIcon->setObjectName(QStringLiteral("TrayIcon"));
    TrayIcon->setContextMenu(TrayMenu);
    connect(TrayIcon, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger) aReview->trigger();
            });
    UpdateTray();
    if (QSystemTrayIcon::isSystemTrayAvailable()) TrayIcon->show();
}

void TForm_Main_Form::UpdateTray() {
    const QString tracked = TrackedTaskText();
    aTrayCurrentTask->setText(tracked);
    TrayIcon->setToolTip(FPaused ? tracked + QStringLiteral(" (Paused)") : tracked);
    TrayIcon->setIcon(ButtonImage(FPaused ? 37 : 38));
}

QString TForm_Main_Form::TrackedTaskText() const {
    const TCurrentTask& task = Frame_TimeTracker_Form1->CurrentTask();
    if (task.TaskCode().isEmpty()) return QStringLiteral("No Current Task");
    return task.TaskCode() + QLatin1Char(' ') +
           FormatDayNumber(QStringLiteral("hh:mm:ss"), task.Duration());
}

void TForm_Main_Form::SetSubmitForm(TForm_Submit_Form* form) {
    FSubmitForm = form;
    if (!form) return;
    // Ticking an Active box or Track This Task in the review window changes what is timed.
    connect(form->Frame_TimeTracker_Form1, &TFrame_TimeTracker_Form::ActiveTaskChanged, this,
            [this] { TrackThisTaskChanged(); });
    form->IsTracking = [this] { return Tracking(); };
    form->AddTrackerAction(aPauseRestart);
}

void TForm_Main_Form::TrackThisTaskChanged() {
    // The switch happens at the moment of the click.
    TDataControls::Guard([this] {
        FollowActiveTasks(TClock::NowUtcMSecs());
        Frame_TimeTracker_Form1->ShowTrackedTask();
    });
    UpdateDisplay();
}

TForm_Main_Form::~TForm_Main_Form() = default;

bool TForm_Main_Form::SplashOnCreate = true;

void TForm_Main_Form::DisplaySplash() {
    // Shown while there is something to wait for: the windows being made on a start that is
    // slow. It goes when the review window is on screen, or after five seconds at the latest.
    auto* splash = new TForm_Splash_Form(this);
    splash->show();
    splash->repaint();
    FSplash = splash;
}

void TForm_Main_Form::LayOutTodayColumn() {
    // The frame as this window lays it out: the Mon column becomes Today, 50 wide, before the
    // Active column; the other weekdays and Completed are not shown.
    TFrame_TimeTracker_Form* f = Frame_TimeTracker_Form1;
    f->SetDesignWidth(DesignWidth);
    const int todayLeft = 597, activeLeft = 648;
    f->SetDesignGeometry(f->pMonday, QRect(todayLeft, 0, 50, f->pMonday->height()));
    f->SetDesignGeometry(f->dbeMon, QRect(todayLeft, f->dbeMon->y(), 50, f->dbeMon->height()));
    f->SetDesignGeometry(f->lblMonDuration,
                         QRect(todayLeft, f->lblMonDuration->y(), 50, f->lblMonDuration->height()));
    f->SetDesignGeometry(f->lblDailyDuration, QRect(todayLeft - 101, f->lblDailyDuration->y(), 98,
                                                    f->lblDailyDuration->height()));
    f->SetDesignGeometry(f->pActive, QRect(activeLeft, 0, 21, f->pActive->height()));
    f->SetDesignGeometry(f->dbcbxActive,
                         QRect(activeLeft + 3, f->dbcbxActive->y(), 18, f->dbcbxActive->height()));
    const QRect description = f->DesignGeometry(f->pDescription);
    f->SetDesignGeometry(f->pDescription, QRect(description.x(), 0, 223, description.height()));
    const QRect edit = f->DesignGeometry(f->dbeTaskDescription);
    f->SetDesignGeometry(f->dbeTaskDescription, QRect(edit.x(), edit.y(), 223, edit.height()));
    f->pMonday->setText(QStringLiteral("Today"));
    for (QWidget* hidden : std::initializer_list<QWidget*>{
             f->pTuesday,       f->pWednesday,     f->pThursday,      f->pFriday,
             f->pSaturday,      f->pSunday,        f->dbeTue,         f->dbeWed,
             f->dbeThu,         f->dbeFri,         f->dbeSat,         f->dbeSun,
             f->lblTueDuration, f->lblWedDuration, f->lblThuDuration, f->lblFriDuration,
             f->lblSatDuration, f->lblSunDuration, f->pCompleted,     f->dbcbxComplete})
        hidden->hide();
    // The Active and Priority headers explain themselves in their hints.
    f->pActive->setToolTipDuration(-1);
    f->pPriority->setToolTipDuration(-1);
}

void TForm_Main_Form::FormCreate() {
    TBaseFormXEP_BaseForm::FormCreate(); // 1.
    TFrame_TimeTracker_Form* f = Frame_TimeTracker_Form1;
    f->SetCreationPhase(true); // 2.
    f->SetHelpString(QStringLiteral("Time_Tracker"));
    LayOutTodayColumn();
    aReview->setVisible(true); // 3.
    f->aHelp->setVisible(true);
    f->TimeTrackerTimer->setInterval(60000);
    f->TimeTrackerTimer->start();
    f->lblTotalMessage->setVisible(true);
    FDm.adsTasks.SetFilter(QStringLiteral("Completed = False")); // 4.
    FDm.adsTasks.SetFiltered(true);
    FlastDate = TClock::Today(); // 5.
    SetMonDataField();
    f->SetCreationPhase(false); // 6.
    auto option = [this](const char* name) {
        return FDm.adsDefaults.FieldByName(QLatin1String(name)).AsBoolean();
    };
    f->SetbClientsVisible(false); // 7.
    f->SetProjectsVisible(option("DisplayProjects"));
    f->SetSummaryDurationVisible(option("DisplaySummaryDuration"));
    f->SetPriorityVisible(option("DisplayPriority"));
    FbSetLunch = false; // 8.
    UpdateDisplay();    // 9.
    // 11. The splash is for a start the user waits for: a cold disk, a slow machine. A start
    // that has its windows up in the blink of an eye shows none.
    if (SplashOnCreate && MillisecondsSinceProgramStart() >= SplashAfter) DisplaySplash();
}

void TForm_Main_Form::showEvent(QShowEvent* event) {
    TBaseFormXEP_BaseForm::showEvent(event);
    if (FFirstShown) return;
    FFirstShown = true;
    // The hand-over runs once the window is on screen.
    QTimer::singleShot(0, this, [this] { TDataControls::Guard([this] { FormShow(); }); });
}

void TForm_Main_Form::StartWithoutShowing() {
    if (FFirstShown) return;
    FFirstShown = true;
    QTimer::singleShot(0, this, [this] { TDataControls::Guard([this] { FormShow(); }); });
}

void TForm_Main_Form::FormShow() {
    HideWhileReviewing();
    if (FDm.SetupRequired()) {
        if (FSplash) FSplash->close(); // the setup hub is what the user waits for now
        const bool accepted = RunSetup ? RunSetup() : true;
        if (!accepted) {
            close(); // ends the program; nothing is saved while setup is still required
            return;
        }
        FDm.SetSetupRequired(false);
        // The confirmed setup is on disk before the review window opens.
        TDataControls::Guard([this] {
            const TBusyCursor busy;
            FDm.SaveData();
        });
    }
    StartTracking(true);
    ShowSubmitForm();
    if (!FClosing && FDm.adsTasks.State() == TDataSetState::Browse && !FDm.adsTasks.IsEmpty())
        FDm.adsTasks.Edit();
}

void TForm_Main_Form::ReapplyOptions() {
    TFrame_TimeTracker_Form* f = Frame_TimeTracker_Form1;
    auto option = [this](const char* name) {
        return FDm.adsDefaults.FieldByName(QLatin1String(name)).AsBoolean();
    };
    if (option("DisplayClients") != f->bClientsVisible())
        f->SetbClientsVisible(option("DisplayClients"));
    if (option("DisplayProjects") != f->ProjectsVisible())
        f->SetProjectsVisible(option("DisplayProjects"));
    if (option("DisplaySummaryDuration") != f->SummaryDurationVisible())
        f->SetSummaryDurationVisible(option("DisplaySummaryDuration"));
    if (option("DisplayPriority") != f->PriorityVisible())
        f->SetPriorityVisible(option("DisplayPriority"));
}

void TForm_Main_Form::ShowSubmitForm() {
    TFrame_TimeTracker_Form* f = Frame_TimeTracker_Form1;
    // 1. The minute tick goes on while the review window is open: the user works there.
    FTrackerShown = false;
    HideWhileReviewing();
    FDm.adsTasks.SetFilter(QString()); // 2.
    FDm.adsTasks.SetFiltered(false);
    f->pDescription->setFocus(Qt::OtherFocusReason); // 3.
    int result = QDialog::Rejected;
    UpdateDisplay(); // what is timed shows in the review window from the start
    if (FSubmitForm) {
        QString sNewPanelName; // 4.
        // The splash goes once the review window is on screen.
        if (FSplash) QTimer::singleShot(0, FSplash, &QWidget::close);
        result = DisplaySubmitForm(*FSubmitForm, f->sPanelName(), sNewPanelName);
        f->SetsPanelName(sNewPanelName); // 5.
    }
    ReapplyOptions();  // 6.
    f->DisplayTotal(); // 8.
    if (result == TForm_Submit_Form::ModalResultTracker && !FClosing && !FEnding) {
        ShowTracker();
        return;
    }
    ExitNow(); // 9. the review window asked already where it had to
}

void TForm_Main_Form::ShowTheCurrentWeek() {
    TDataControls::Guard([this] { FDm.ShowWeek(FDm.WeekOf(TClock::Today())); });
}

void TForm_Main_Form::HideWhileReviewing() {
    // Behind the review window the compact tracker would look usable and take no click; it
    // is off the screen until the user asks for it (Time Tracker, or minimising the review
    // window). Its timers go on: the tracking does not stop.
    hide();
}

bool TForm_Main_Form::Tracking() const {
    return TrackingRuns() && !FDm.Journal().RunningTasks().empty();
}

void TForm_Main_Form::ShowTracker() {
    // The compact window shows the tasks not yet completed, today's column of each, from the
    // week that holds today.
    ShowTheCurrentWeek();
    FDm.adsTasks.SetFilter(QStringLiteral("Completed = False"));
    FDm.adsTasks.SetFiltered(true);
    SetMonDataField();
    if (FDm.adsTasks.State() == TDataSetState::Browse && !FDm.adsTasks.IsEmpty())
        FDm.adsTasks.Edit();
    FTrackerShown = true;
    showNormal();
    raise();
    activateWindow();
    UpdateDisplay();
}

void TForm_Main_Form::closeEvent(QCloseEvent* event) {
    // Off the screen behind the review window, a close still ends the program as the close
    // box does: a dialog that is not shown would take the close without ending.
    if (!isVisible() && !FClosing) {
        done(QDialog::Rejected);
        event->accept();
        return;
    }
    TBaseFormXEP_BaseForm::closeEvent(event);
}

void TForm_Main_Form::ExitNow() {
    FExitChosen = true;
    close();
    FExitChosen = false; // still open when the close was refused (a value to correct)
}

void TForm_Main_Form::reject() {
    // Escape or the close box ask first while a task is tracked, as in the review window; Exit
    // and the desktop session ending do not.
    if (isVisible() && !FExitChosen && !FQuitWatch->Quitting() && Tracking() &&
        !TDialogService::Instance().Confirm(QStringLiteral("Stop tracking and exit Tivrel?")))
        return;
    TBaseFormXEP_BaseForm::reject();
}

void TForm_Main_Form::done(int result) {
    if (FClosing) return;
    FClosing = true;
    StopTrackingForExit();
    SaveOnClose();
    TBaseFormXEP_BaseForm::done(result);
    // The main window closed ends the program, whether or not it was on the screen.
    QCoreApplication::quit();
}

void TForm_Main_Form::StopTrackingForExit() {
    // The entries end at the moment the program does, to the second.
    FTrackingAllowed = false;
    TDataControls::Guard([this] {
        const qint64 now = TClock::NowUtcMSecs();
        FDm.Journal().Advance(now);
        FDm.Journal().StopAll(now);
    });
}

void TForm_Main_Form::SaveOnClose() {
    for (;;) {
        try {
            FDm.SaveData();
            return;
        } catch (const Exception& e) {
            if (FEnding) {
                // Nobody is there to answer a message box: what could not be written is kept
                // where the next start finds it and tells the user; the reason also goes
                // where a service manager or a terminal shows it.
                const QString keptIn = FDm.KeepUnsavedChanges(e.Message());
                std::fprintf(stderr, "Tivrel: %s\n", qPrintable(e.Message()));
                if (!keptIn.isEmpty())
                    std::fprintf(stderr, "Tivrel: the changes were kept in %s\n",
                                 qPrintable(QDir::toNativeSeparators(keptIn)));
                return;
            }
            // The week's time is not to be lost: say why, and give the user the review window
            // again; closing it tries the save once more. The tracking goes on meanwhile, from
            // the moment it was stopped.
            TDialogService::Instance().ShowError(e.Message());
        }
        if (!FSubmitForm) return;
        FTrackingAllowed = true;
        TDataControls::Guard([this] {
            const std::vector<TJournalTask> active = FDm.ActiveTasks();
            if (TrackingRuns()) FDm.Journal().Track(active, FDm.Journal().LastSeen());
        });
        QString sNewPanelName;
        DisplaySubmitForm(*FSubmitForm, Frame_TimeTracker_Form1->sPanelName(), sNewPanelName);
        StopTrackingForExit();
    }
}

void TForm_Main_Form::PostPendingEdits() {
    // The text typed into a cell goes to its record first; a value its field refuses stays
    // out of the save (the message has been shown) and everything else is saved.
    if (FSubmitForm) TDataControls::Guard([this] { FSubmitForm->PostPendingEdit(); });
    TDataControls::Guard([this] { Frame_TimeTracker_Form1->dsTasks->UpdateRecord(); });
}

void TForm_Main_Form::EndProgram() {
    if (FEnding) return;
    FEnding = true;
    // Dialogs over the review window, topmost first: a maintenance dialog's Cancel puts its
    // table back as it was before the dialog opened, a question is left unanswered.
    for (int guard = 0; guard < 32; ++guard) {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal == FSubmitForm || modal == this) break;
        auto* dialog = qobject_cast<QDialog*>(modal);
        if (dialog) TDataControls::Guard([dialog] { dialog->reject(); });
        if (modal->isVisible()) {
            if (dialog)
                dialog->done(QDialog::Rejected);
            else
                modal->hide();
        }
    }
    PostPendingEdits();
    StopTrackingForExit();
    SaveOnClose();
    QCoreApplication::exit(0); // every running event loop returns
}

void TForm_Main_Form::SaveForSessionEnd() {
    PostPendingEdits();
    TDataControls::Guard([this] { FDm.Journal().Advance(TClock::NowUtcMSecs()); });
    const bool ending = FEnding;
    FEnding = true; // no window is reopened now; a failure is reported on the error output
    SaveOnClose();
    FEnding = ending;
}

bool TForm_Main_Form::AutoSaveMustWait() const {
    // A dialog over the review window holds changes the user has not confirmed yet (closing
    // it saves), and a new task being entered would be posted half typed.
    if (FDm.adsTasks.State() == TDataSetState::Insert) return true;
    const QWidget* modal = QApplication::activeModalWidget();
    return modal && modal != FSubmitForm && modal != this;
}

void TForm_Main_Form::AutoSaveTimerTimer() {
    if (AutoSaveMustWait()) {
        QTimer::singleShot(AutoSaveRetryInterval, this,
                           [this] { TDataControls::Guard([this] { AutoSaveTimerTimer(); }); });
        return;
    }
    // A history that must be written whole is written in the background.
    FDm.SaveData(TdmTasks_Form::TSaveWait::Background);
}

void TForm_Main_Form::aEntriesExecute() {
    TDataControls::Guard([this] { Frame_TimeTracker_Form1->dsTasks->UpdateRecord(); });
    ShowEntriesDialog(FDm, TClock::Today(), this);
    AfterJournalChange();
}

void TForm_Main_Form::SetMonDataField() {
    Frame_TimeTracker_Form1->dbeMon->SetDataField(TFrame_TimeTracker_Form::TodayColumn());
    Frame_TimeTracker_Form1->DisplayTotal();
    // The other rows are painted from the same control: they show the new day at once.
    Frame_TimeTracker_Form1->dbcgTasks->update();
}

void TForm_Main_Form::UpdateDisplay() {
    const TFormatSettings& formats = TFormatSettings::Current();
    const double now = TClock::Now();
    setWindowTitle(sApplicationName() + QStringLiteral(" - ") +
                   FormatDayNumber(formats.LongDateFormat, now) + QStringLiteral(" - ") +
                   FormatDayNumber(formats.ShortTimeFormat, now));
    lblCurrentTask->setText(Frame_TimeTracker_Form1->CurrentTask().CurrentTaskDetail);
    // The review window and the tray show what is timed too.
    if (FSubmitForm) {
        FSubmitForm->ShowTracking(TrackedTaskText(), FPaused);
        FSubmitForm->ShowWaitingTime();
    }
    UpdateTray();
}

void TForm_Main_Form::StartTracking(bool writeOnceShown) {
    // Time counts from the moment the user has chosen, not while the setup was open.
    FTrackingAllowed = true;
    const bool later = writeOnceShown && FSubmitForm;
    bool changed = false;
    TDataControls::Guard([&] { changed = FollowActiveTasks(TClock::NowUtcMSecs(), !later); });
    if (changed && later) AfterFirstPaint(*FSubmitForm, 1000, [this] { FlushJournalNow(); });
    UpdateDisplay();
}

bool TForm_Main_Form::TrackingRuns() const {
    return FTrackingAllowed && !FPaused && !FDm.SetupRequired();
}

bool TForm_Main_Form::FollowActiveTasks(qint64 now, bool write) {
    // Exactly the active tasks have a running entry while tracking runs; none otherwise. A
    // start, stop or switch is on disk at once.
    TTimeJournal& journal = FDm.Journal();
    std::vector<int> before;
    for (const TJournalTask& task : journal.RunningTasks())
        before.push_back(task.JobId);
    if (TrackingRuns())
        journal.Track(FDm.ActiveTasks(), now);
    else
        journal.StopAll(now);
    std::vector<int> after;
    for (const TJournalTask& task : journal.RunningTasks())
        after.push_back(task.JobId);
    if (before != after && write) FlushJournalNow();
    return before != after;
}

void TForm_Main_Form::FlushJournalNow() {
    FLastFlush = TClock::NowUtcMSecs();
    try {
        FDm.FlushJournal();
        FFlushFailed = false;
    } catch (const Exception& e) {
        // Said once, not at every tick, from outside the tick; the next save tries again.
        if (!FFlushFailed)
            AskLater([message = e.Message()] { TDialogService::Instance().ShowError(message); });
        FFlushFailed = true;
    }
}

void TForm_Main_Form::aPauseRestartExecute() {
    // A pause the user chooses is the user's: the end of a lunch break does not lift it, and
    // a start during the break keeps the tracking on through it.
    FLunchPaused = false;
    SetPaused(!FPaused);
}

void TForm_Main_Form::SetPaused(bool Value) {
    SetPausedAt(Value, TClock::NowUtcMSecs());
}

void TForm_Main_Form::SetPausedAt(bool Value, qint64 moment) {
    FPaused = Value;
    TFrame_TimeTracker_Form* f = Frame_TimeTracker_Form1;
    if (!FPaused) {
        f->TimeTrackerTimer->start();
        aPauseRestart->setText(QStringLiteral("Pau&se"));
        aPauseRestart->setToolTip(QStringLiteral("Pause"));
        aPauseRestart->setIcon(ButtonImage(38));
        f->lblPaused->hide();
    } else {
        f->TimeTrackerTimer->stop();
        aPauseRestart->setText(QStringLiteral("&Start"));
        aPauseRestart->setToolTip(QStringLiteral("Start"));
        aPauseRestart->setIcon(ButtonImage(37));
        f->lblPaused->show();
    }
    TDataControls::Guard([this, moment] {
        FDm.Journal().Advance(TClock::NowUtcMSecs());
        FollowActiveTasks(moment);
    });
    AfterJournalChange();
}

void TForm_Main_Form::SetLunchtime(bool Value) {
    FLunchtime = Value;
    if (Value) FbSetLunch = true;
    if (FLunchtime && !FPaused) {
        FLunchPaused = true;
        SetPaused(true);
    } else if (!FLunchtime && FPaused && FLunchPaused) {
        FLunchPaused = false;
        SetPaused(false);
    }
}

void TForm_Main_Form::CheckLunchBreak() {
    const double start = FDm.adsDefaults.FieldByName(QStringLiteral("StartTime")).AsDateTime();
    const double end = FDm.adsDefaults.FieldByName(QStringLiteral("EndTime")).AsDateTime();
    const double now = TClock::Now();
    const double today = std::trunc(now);
    // Times of day only, as the options hold them now; both ends belong to the break.
    const double breakStart = today + DayFraction(start), breakEnd = today + DayFraction(end);
    const bool breakSet = start > 0 && end > 0 && breakStart <= breakEnd;
    const bool inside = breakSet && now >= breakStart && now <= breakEnd;
    if (inside && !FLunchtime && FLunchDate != today) {
        // Once a day, from the break's own start: what the tracker counted after it, before
        // this tick noticed, is not work.
        FLunchtime = FbSetLunch = true;
        FLunchDate = today;
        if (!FPaused) {
            FLunchPaused = true;
            SetPausedAt(true, UtcOfLocalDayNumber(breakStart));
        }
    } else if (!inside && FLunchtime) {
        FLunchtime = false;
        if (FLunchPaused && FPaused) {
            // From the break's end, unless the program was not running then.
            const qint64 nowUtc = TClock::NowUtcMSecs();
            const bool missedTicks = nowUtc - FPreviousTick > TTimeJournal::LongestStep;
            const qint64 resume = missedTicks || now < breakEnd
                                      ? nowUtc
                                      : std::max(UtcOfLocalDayNumber(breakEnd), FPreviousTick);
            FLunchPaused = false;
            SetPausedAt(false, resume);
        }
        FLunchPaused = false;
    }
}

void TForm_Main_Form::TrackTime() {
    const qint64 now = TClock::NowUtcMSecs();
    TTimeJournal& journal = FDm.Journal();
    const TJournalAdvance advance = journal.Advance(now);
    FollowActiveTasks(now);
    if (!advance.DayFull.empty()) {
        SetPaused(true);
        const QString message =
            QStringLiteral("%1 has reached 24 hours on %2: tracking is paused.")
                .arg(advance.DayFull.front().TaskCode, DateToStr(advance.DayFullDate));
        AskLater([message] { TDialogService::Instance().ShowInformation(message); });
    }
    if (advance.Gap) {
        if (FAwaySince != 0 || FAsking) {
            // The question about the time away covers this span too, or one is on screen: the
            // span is kept for now, and the answer about the time away decides.
            journal.AddSpan(advance.GapTasks, advance.GapFrom, advance.GapTo);
        } else {
            AskLater([this, advance] {
                AskAboutTimeAway(advance.GapFrom, advance.GapTo, advance.GapTasks);
            });
        }
    }
}

void TForm_Main_Form::Frame_TimeTracker_Form1tLastUsedTimerTimer() {
    TFrame_TimeTracker_Form* f = Frame_TimeTracker_Form1;
    f->tLastUsedTimerTimer(); // 1.
    TrackTime();
    CheckLunchBreak();                  // 2.
    if (TClock::Today() != FlastDate) { // 3.
        const bool newWeek = FDm.WeekOf(TClock::Today()) != FDm.WeekOf(FlastDate);
        FlastDate = TClock::Today();
        if (newWeek && FTrackerShown) ShowTheCurrentWeek();
        SetMonDataField();
    }
    f->RefreshTrackedCells();
    f->ShowTrackedTask();
    UpdateDisplay(); // 4.
    CheckIdleTime();
    // The journal on disk follows every 15 seconds while something runs, and at once after a
    // day was typed into a cell (its row posted).
    const qint64 now = TClock::NowUtcMSecs();
    const bool running = !FDm.Journal().RunningTasks().empty();
    if ((running && now - FLastFlush >= 15000) || FDm.TypedSinceFlush()) FlushJournalNow();
    FPreviousTick = now;
}

// ---- Time away from the keyboard ----

void TForm_Main_Form::SetIdleTimeSource(std::unique_ptr<TIdleTimeSource> source) {
    FIdleTime = std::move(source);
    FAwaySince = 0;
}

void TForm_Main_Form::CheckIdleTime() {
    if (!FIdleTime || FAsking) return;
    const int minutes = FDm.adsDefaults.FieldByName(QStringLiteral("IdleAfterMinutes")).AsInteger();
    if (minutes <= 0) {
        FAwaySince = 0;
        return;
    }
    const qint64 idle = FIdleTime->IdleMilliseconds();
    const qint64 now = TClock::NowUtcMSecs();
    const qint64 threshold = qint64(minutes) * 60000;
    if (FAwaySince == 0) {
        // Away once the idle time reaches the option, from the last input on; only while
        // time is being tracked.
        if (TrackingRuns() && idle >= threshold) FAwaySince = now - idle;
        return;
    }
    if (idle >= threshold) return; // still away
    const qint64 awayFrom = FAwaySince;
    FAwaySince = 0;
    AskLater([this, awayFrom, backAt = now - idle] { AskAboutTimeAway(awayFrom, backAt, {}); });
}

void TForm_Main_Form::AskLater(std::function<void()> ask) {
    // A message box opened inside the one-second timer's handler would stop that timer for as
    // long as it is on screen (a timer does not fire while its own handler runs): the box
    // comes from a moment later instead, and the tracker goes on ticking while it waits.
    FAsking = true;
    QTimer::singleShot(0, this, [this, ask = std::move(ask)] {
        TDataControls::Guard(ask);
        FAsking = false;
    });
}

void TForm_Main_Form::AskAboutTimeAway(qint64 awayFrom, qint64 backAt,
                                       const std::vector<TJournalTask>& gap) {
    // The question names the span; the answer takes exactly that span, whenever it comes.
    // For a gap nothing of the span was counted: Keep adds it. For time away from the
    // keyboard it was counted: Discard and Pause take it away.
    TTimeJournal& journal = FDm.Journal();
    const qint64 tracked =
        gap.empty() ? journal.TrackedWithin(awayFrom, backAt) : backAt - awayFrom;
    if (tracked <= 0 || backAt <= awayFrom) return; // nothing was timed meanwhile
    QString task = gap.empty() ? QString() : gap.back().TaskCode;
    if (task.isEmpty()) {
        for (const TTimeEntry& entry : journal.OpenRows())
            if (!entry.IsTyped() && entry.StartUtc < backAt && entry.EndUtc > awayFrom)
                task = entry.Task.TaskCode;
    }
    const int away = int(std::llround(double(backAt - awayFrom) / 60000.0));
    const QString question =
        QStringLiteral("You were away from %1 to %2 (%3). Keep this time for %4?")
            .arg(FormatDayNumber(QStringLiteral("hh:mm"), LocalDayNumberOfUtc(awayFrom)),
                 FormatDayNumber(QStringLiteral("hh:mm"), LocalDayNumberOfUtc(backAt)),
                 away == 1 ? QStringLiteral("1 minute") : QStringLiteral("%1 minutes").arg(away),
                 task);
    const int answer = TDialogService::Instance().Choose(
        question, {QStringLiteral("&Keep"), QStringLiteral("&Discard"), QStringLiteral("&Pause")});
    TDataControls::Guard([&] {
        if (!gap.empty() && answer != 1 && answer != 2) journal.AddSpan(gap, awayFrom, backAt);
        if (gap.empty() && (answer == 1 || answer == 2)) journal.RemoveSpan(awayFrom, backAt);
    });
    if (answer == 2 && !FPaused) {
        FLunchPaused = false;
        SetPaused(true);
    }
    FlushJournalNow();
    AfterJournalChange();
}

void TForm_Main_Form::AfterJournalChange() {
    TDataControls::Guard([this] {
        FDm.RefreshCells();
        Frame_TimeTracker_Form1->ShowTrackedTask();
    });
    Frame_TimeTracker_Form1->DisplayTotal();
    if (FSubmitForm) FSubmitForm->Frame_TimeTracker_Form1->DisplayTotal();
    UpdateDisplay();
}

void TForm_Main_Form::resizeEvent(QResizeEvent* event) {
    TBaseFormXEP_BaseForm::resizeEvent(event);
    EnableResizeTimer();
}

void TForm_Main_Form::ResizeRequired() {
    TBaseFormXEP_BaseForm::ResizeRequired();
    Frame_TimeTracker_Form1->WrapWindowToRows(this);
}
