#include "Form_Main_Unit.h"

#include "BaseUnits/Current_Task_Obj_Unit.h"
#include "BaseUnits/XEP_Application.h"
#include "BaseUnits/XEP_DialogService.h"
#include "BaseUnits/XEP_IdleTime.h"
#include "BaseUnits/XEP_ResourceStr.h"
#include "BaseUnits/XEP_Utils_Unit.h"
#include "Button_Images_Unit.h"
#include "Form_Actions.h"
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
} // namespace

TForm_Main_Form::TForm_Main_Form(TdmTasks_Form& dm, QWidget* parent)
    : TBaseFormXEP_BaseForm(parent), FDm(dm) {
    setObjectName(QStringLiteral("Form_Main_Form"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    resize(DesignWidth, DesignHeight);
    Frame_TimeTracker_Form1 = new TFrame_TimeTracker_Form(dm, this);
    TFrame_TimeTracker_Form* f = Frame_TimeTracker_Form1;

    auto action = [this](const char* name, const char* caption, const char* hint, int image) {
        return NewAction(this, name, caption, hint, image);
    };
    aPauseRestart =
        NewAction(this, "aPauseRestart", "&Pause", "Pause", 38, QKeySequence(Qt::CTRL | Qt::Key_P));
    aReview = action("aReview", "&Review", "Review", 43);
    aExit = action("aExit", "Exit", "Exit", 51);
    OnTriggered(aPauseRestart, [this] { aPauseRestartExecute(); });
    OnTriggered(aReview, [this] { ShowSubmitForm(); });
    connect(aExit, &QAction::triggered, this, [this] { close(); });

    ToolBar1 = new QToolBar(this);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setIconSize(QSize(16, 16));
    ToolBar1->addActions({aPauseRestart, aReview});
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
    menu->insertActions(first, {aReview, aPauseRestart});
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

    // Active rows stand out in the highlight colour.
    f->dbcgTasks->OnPaintPanel = [this](TDBCtrlGrid&, int, QPainter& painter, const QRect& rect) {
        const bool active = FDm.adsTasks.FieldByName(QStringLiteral("Active")).AsBoolean();
        painter.fillRect(rect.adjusted(2, 2, -2, -2),
                         palette().color(active ? QPalette::Highlight : QPalette::Button));
    };
    f->OnLastUsedTimer = [this] { Frame_TimeTracker_Form1tLastUsedTimerTimer(); };
    // A click on an A box shows the task now timed at once, here and in the tray.
    connect(f, &TFrame_TimeTracker_Form::ActiveTaskChanged, this, [this] { UpdateDisplay(); });
    f->OnMinutesAdded = [this](int minutes, const QString& code, int weekday) {
        FTicks.push_back({TClock::Now(), minutes, code, weekday});
        while (FTicks.size() > 24 * 60)
            FTicks.pop_front();
        UpdateDisplay();
    };
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
            close();
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
    TDataControls::Guard([this] { Frame_TimeTracker_Form1->SetCurrentTaskValue(true); });
    UpdateDisplay();
}

TForm_Main_Form::~TForm_Main_Form() = default;

bool TForm_Main_Form::SplashOnCreate = true;

void TForm_Main_Form::DisplaySplash() {
    auto* splash = new TForm_Splash_Form(this); // hides itself after five seconds
    splash->show();
    splash->repaint();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    WaitForXSecs(1);
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
    FbSetLunch = false;                  // 8.
    UpdateDisplay();                     // 9.
    if (SplashOnCreate) DisplaySplash(); // 11.
}

void TForm_Main_Form::showEvent(QShowEvent* event) {
    TBaseFormXEP_BaseForm::showEvent(event);
    if (FFirstShown) return;
    FFirstShown = true;
    // The hand-over runs once the window is on screen.
    QTimer::singleShot(0, this, [this] { TDataControls::Guard([this] { FormShow(); }); });
}

void TForm_Main_Form::FormShow() {
    HideWhileReviewing();
    if (FDm.SetupRequired()) {
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
        result = DisplaySubmitForm(*FSubmitForm, f->sPanelName(), sNewPanelName);
        f->SetsPanelName(sNewPanelName); // 5.
    }
    ReapplyOptions();  // 6.
    f->DisplayTotal(); // 8.
    if (result == TForm_Submit_Form::ModalResultTracker && !FClosing && !FEnding) {
        ShowTracker();
        return;
    }
    close(); // 9.
}

void TForm_Main_Form::HideWhileReviewing() {
    // Behind the review window the compact tracker would look usable and take no click; it
    // is off the screen until the user asks for it (Time Tracker, or minimising the review
    // window). Its timers go on: the tracking does not stop.
    hide();
}

bool TForm_Main_Form::Tracking() const {
    return !FPaused && !Frame_TimeTracker_Form1->CurrentTask().TaskCode().isEmpty();
}

void TForm_Main_Form::ShowTracker() {
    // The compact window shows the tasks not yet completed, today's column of each.
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

void TForm_Main_Form::done(int result) {
    if (FClosing) return;
    FClosing = true;
    SaveOnClose();
    TBaseFormXEP_BaseForm::done(result);
    // The main window closed ends the program, whether or not it was on the screen.
    QCoreApplication::quit();
}

void TForm_Main_Form::SaveOnClose() {
    for (;;) {
        try {
            FDm.SaveData();
            return;
        } catch (const Exception& e) {
            if (FEnding) {
                // Nobody is there to answer a message box; the reason goes where a service
                // manager or a terminal shows it.
                std::fprintf(stderr, "Tivrel: %s\n", qPrintable(e.Message()));
                return;
            }
            // The week's time is not to be lost: say why, and give the user the review window
            // again; closing it tries the save once more.
            TDialogService::Instance().ShowError(e.Message());
        }
        if (!FSubmitForm) return;
        QString sNewPanelName;
        DisplaySubmitForm(*FSubmitForm, Frame_TimeTracker_Form1->sPanelName(), sNewPanelName);
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
    SaveOnClose();
    QCoreApplication::exit(0); // every running event loop returns
}

void TForm_Main_Form::SaveForSessionEnd() {
    PostPendingEdits();
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
    FDm.SaveData();
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
    if (FSubmitForm) FSubmitForm->ShowTracking(TrackedTaskText(), FPaused);
    UpdateTray();
}

void TForm_Main_Form::SetPaused(bool Value) {
    FPaused = Value;
    TFrame_TimeTracker_Form* f = Frame_TimeTracker_Form1;
    if (!FPaused) {
        f->TimeTrackerTimer->start(); // a full minute from now
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
    UpdateDisplay();
}

void TForm_Main_Form::SetLunchtime(bool Value) {
    FLunchtime = Value;
    if (Value) FbSetLunch = true;
    if (FLunchtime && !FPaused)
        SetPaused(true);
    else if (!FLunchtime && FPaused)
        SetPaused(false);
}

void TForm_Main_Form::Frame_TimeTracker_Form1tLastUsedTimerTimer() {
    Frame_TimeTracker_Form1->tLastUsedTimerTimer(); // 1.
    const double start = FDm.adsDefaults.FieldByName(QStringLiteral("StartTime")).AsDateTime();
    const double end = FDm.adsDefaults.FieldByName(QStringLiteral("EndTime")).AsDateTime();
    if (start > 0 && end > 0) { // 2. times of day only; both ends belong to the break
        const double now = TClock::Now();
        const double startTime = start - std::trunc(start), endTime = end - std::trunc(end);
        const double nowTime = now - std::trunc(now);
        const bool outside = startTime > nowTime || endTime < nowTime;
        if (outside) {
            if (FLunchtime) SetLunchtime(false);
        } else if (!FLunchtime && !FbSetLunch) {
            SetLunchtime(true);
        }
    }
    if (TClock::Today() != FlastDate) { // 3.
        FlastDate = TClock::Today();
        SetMonDataField();
    }
    UpdateDisplay(); // 4.
    CheckIdleTime();
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
    const double idle = double(FIdleTime->IdleMilliseconds()) / MSecsPerDay;
    const double now = TClock::Now();
    if (FAwaySince == 0) {
        // Away once the idle time reaches the option, from the last input on; only while
        // time is being tracked.
        if (!FPaused && idle >= minutes / MinutesPerDay) FAwaySince = now - idle;
        return;
    }
    if (idle >= minutes / MinutesPerDay) return; // still away
    const double awayFrom = FAwaySince;
    FAwaySince = 0;
    AskAboutTimeAway(awayFrom, now - idle);
}

bool TForm_Main_Form::TickedWhileAway(const TTickRecord& tick, double awayFrom) {
    // A tick adds the minute that ends at its moment: the one at the moment the user left
    // (within a second) still belongs to the time at the keyboard.
    return tick.Moment - awayFrom > 1000.0 / MSecsPerDay;
}

void TForm_Main_Form::AskAboutTimeAway(double awayFrom, double backAt) {
    int tracked = 0;
    QString task;
    for (const TTickRecord& tick : FTicks) {
        if (!TickedWhileAway(tick, awayFrom)) continue;
        tracked += tick.Minutes;
        task = tick.TaskCode;
    }
    if (tracked == 0) return; // nothing was timed meanwhile: nothing to ask
    const int away = int(std::lround((backAt - awayFrom) * MinutesPerDay));
    const QString question =
        QStringLiteral("You were away from %1 to %2 (%3). Keep this time for %4?")
            .arg(FormatDayNumber(QStringLiteral("hh:mm"), awayFrom),
                 FormatDayNumber(QStringLiteral("hh:mm"), backAt),
                 away == 1 ? QStringLiteral("1 minute") : QStringLiteral("%1 minutes").arg(away),
                 task);
    FAsking = true;
    const int answer = TDialogService::Instance().Choose(
        question, {QStringLiteral("&Keep"), QStringLiteral("&Discard"), QStringLiteral("&Pause")});
    FAsking = false;
    if (answer == 1 || answer == 2) DiscardMinutesSince(awayFrom);
    if (answer == 2 && !FPaused) SetPaused(true);
}

void TForm_Main_Form::DiscardMinutesSince(double moment) {
    // Each minute the tick added since then comes off its task's day column and the day's
    // total, as the tick put it on.
    static const char* const Columns[8] = {nullptr,       "SunDuration", "MonDuration",
                                           "TueDuration", "WedDuration", "ThuDuration",
                                           "FriDuration", "SatDuration"};
    TRecordSet& tasks = FDm.adsTasks;
    TDataControls::Guard([&] {
        tasks.CheckBrowseMode();
        const TBookmark current = tasks.GetBookmark();
        TControlsSuspended suspended(tasks);
        FDm.SetTimerActive(true); // the totals are kept here, as the tick keeps them
        try {
            for (auto tick = FTicks.begin(); tick != FTicks.end();) {
                if (!TickedWhileAway(*tick, moment)) {
                    ++tick;
                    continue;
                }
                if (tasks.Locate(QStringLiteral("TaskCode"), tick->TaskCode)) {
                    TField& column = tasks.FieldByName(QLatin1String(Columns[tick->Weekday]));
                    const double taken =
                        std::min(tick->Minutes / MinutesPerDay, DayFraction(column.AsFloat()));
                    tasks.Edit();
                    column.SetAsFloat(column.AsFloat() - taken);
                    tasks.Post();
                    FDm.TotalDurationArray()[size_t(tick->Weekday)] -= taken;
                }
                tick = FTicks.erase(tick);
            }
        } catch (...) {
            FDm.SetTimerActive(false);
            throw;
        }
        FDm.SetTimerActive(false);
        if (tasks.BookmarkValid(current)) tasks.GotoBookmark(current);
        if (!tasks.IsEmpty()) tasks.Edit();
    });
    TDataControls::Guard([this] { Frame_TimeTracker_Form1->SetCurrentTaskValue(true); });
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
