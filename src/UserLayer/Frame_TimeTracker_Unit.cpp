#include "Frame_TimeTracker_Unit.h"

#include "BaseUnits/Current_Task_Obj_Unit.h"
#include "BaseUnits/XEP_DialogService.h"
#include "BaseUnits/XEP_Help.h"
#include "BaseUnits/XEP_Utils_Unit.h"
#include "Button_Images_Unit.h"
#include "Form_About_Unit.h"
#include "Form_Actions.h"
#include "data_Tasks_Unit.h"

#include "Components/Core/SysDateTime.h"
#include "Components/Core/SysExceptions.h"
#include "Components/Core/TClock.h"
#include "Components/DataControls/TDBCheckBox.h"
#include "Components/DataControls/TDBCtrlGrid.h"
#include "Components/DataControls/TDBEdit.h"
#include "Components/DataControls/TDBLookupComboBox.h"
#include "Components/DataControls/TDBText.h"
#include "Components/DataControls/TDataControls.h"
#include "Components/DataControls/TDataSource.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QMenu>
#include <QMouseEvent>
#include <QTimer>
#include <QUrl>
#include <algorithm>

namespace {
constexpr int HeaderHeight = 21;
constexpr int GridTop = HeaderHeight + 1;
constexpr int TotalsHeight = 26;
constexpr int DesignRows = 9;
constexpr int DesignHeight =
    GridTop + DesignRows * TFrame_TimeTracker_Form::RowHeight + TotalsHeight;
constexpr int ControlTop = 2;
constexpr int ControlHeight = 21;

// Design columns: tag, left edge and width.
struct TColumnDesign {
    int Tag, Left, Width;
};
constexpr TColumnDesign Priority{1, 0, 22}, Duration{2, 23, 75}, Client{3, 99, 90},
    Project{4, 190, 90}, TaskCode{5, 281, 90}, Description{6, 372, 234}, Active{14, 930, 21},
    Completed{15, 952, 21};
constexpr int MondayLeft = 608, DayWidth = 45;
constexpr int DayLeft(int index) {
    return MondayLeft + index * (DayWidth + 1);
}
constexpr int OverlayWidth = 69;
constexpr int DescriptionMinWidth = 100;

const char* const SortKeys[16] = {
    "TaskCode",        "Priority",    "Days",        "ClientID",    "ProjectNumber", "TaskCode",
    "TaskDescription", "MonDuration", "TueDuration", "WedDuration", "ThuDuration",   "FriDuration",
    "SatDuration",     "SunDuration", "Active",      "Completed"};

QString L(const char* text) {
    return QLatin1String(text);
}

template <class T> T* Named(T* widget, const char* name) {
    widget->setObjectName(QLatin1String(name));
    return widget;
}
} // namespace

THeaderPanel::THeaderPanel(const QString& caption, QWidget* parent) : QLabel(caption, parent) {
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setAlignment(Qt::AlignCenter);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Button);
}

void THeaderPanel::mouseReleaseEvent(QMouseEvent* event) {
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        Q_EMIT clicked();
}

TFrame_TimeTracker_Form::TFrame_TimeTracker_Form(TdmTasks_Form& dm, QWidget* AOwner)
    : TBaseFrameXEP_BaseForm(AOwner), FDm(dm) {
    setObjectName(QStringLiteral("Frame_TimeTracker_Form1"));
    resize(DesignWidth, DesignHeight);
    QFont designFont = font(); // the columns are laid out for an 8-point face
    designFont.setPointSize(8);
    setFont(designFont);
    dsTasks = new TDataSource(&dm.adsTasks, this);
    dsTaskCodes = new TDataSource(&dm.adsTaskCodes, this);
    dsProjects = new TDataSource(&dm.adsProjects, this);
    dsClients = new TDataSource(&dm.adsClients, this);
    CreateHeader();
    CreateRowControls();
    CreateTotals();
    CreateActions();
    TimeTrackerTimer = Named(new QTimer(this), "TimeTrackerTimer");
    TimeTrackerTimer->setInterval(60000);
    tLastUsedTimer = Named(new QTimer(this), "tLastUsedTimer");
    tLastUsedTimer->setInterval(1000);
    OnLastUsedTimer = [this] { tLastUsedTimerTimer(); };
    connect(tLastUsedTimer, &QTimer::timeout, this,
            [this] { TDataControls::Guard(OnLastUsedTimer); });
    connect(TimeTrackerTimer, &QTimer::timeout, this,
            [this] { TDataControls::Guard([this] { TimeTrackerTimerTimer(); }); });
    FFrames.push_back(this);
    connect(dsTasks, &TDataSource::DataChange, this, [this] { DisplayTotal(); });
    connect(dsTasks, &TDataSource::StateChange, this, [this] { UpdateActions(); });
    connect(dsTasks, &TDataSource::CursorMoved, this, [this] { UpdateActions(); });
    Initialise();
}

TFrame_TimeTracker_Form::~TFrame_TimeTracker_Form() {
    FFrames.erase(std::remove(FFrames.begin(), FFrames.end(), this), FFrames.end());
}

std::vector<TFrame_TimeTracker_Form*> TFrame_TimeTracker_Form::FFrames;

bool TFrame_TimeTracker_Form::TasksInUse() const {
    if (FDm.adsTasks.State() == TDataSetState::Insert) return true;
    for (const TFrame_TimeTracker_Form* frame : FFrames)
        if (&frame->FDm == &FDm && frame->FLastUsedCounter <= 3) return true;
    return false;
}

// ---- Construction ----

THeaderPanel* TFrame_TimeTracker_Form::Header(const char* name, const QString& caption,
                                              const QString& hint, int tag, int x, int width,
                                              bool anchorLeft, bool anchorRight) {
    auto* panel = Named(new THeaderPanel(caption, this), name);
    panel->setToolTip(hint);
    panel->setGeometry(x, 0, width, HeaderHeight);
    Register(panel, tag, anchorLeft, anchorRight);
    FPanels.push_back(panel);
    if (tag != Duration.Tag)
        connect(panel, &THeaderPanel::clicked, this,
                [this, panel] { TDataControls::Guard([&] { OrderPanelClick(panel); }); });
    return panel;
}

void TFrame_TimeTracker_Form::Register(QWidget* control, int tag, bool anchorLeft,
                                       bool anchorRight) {
    control->setProperty("tag", tag);
    FColumns.push_back({control, tag, anchorLeft, anchorRight, control->geometry()});
}

void TFrame_TimeTracker_Form::CreateHeader() {
    pPriority = Header("pPriority", L("P"), L("Priority"), Priority.Tag, Priority.Left,
                       Priority.Width, true);
    pDuration = Header("pDuration", L("Task Duration"), QString(), Duration.Tag, Duration.Left,
                       Duration.Width, true);
    pClient =
        Header("pClient", L("Client"), QString(), Client.Tag, Client.Left, Client.Width, true);
    pProjectName = Header("pProjectName", L("Project"), QString(), Project.Tag, Project.Left,
                          Project.Width, true);
    pTaskCode = Header("pTaskCode", L("Task Code"), QString(), TaskCode.Tag, TaskCode.Left,
                       TaskCode.Width, true);
    pDescription = Header("pDescription", L("Description"), QString(), Description.Tag,
                          Description.Left, Description.Width, true, true);
    pDescription->setFocusPolicy(
        Qt::ClickFocus); // the review window parks the focus here on closing
    const char* names[7] = {"pMonday", "pTuesday",  "pWednesday", "pThursday",
                            "pFriday", "pSaturday", "pSunday"};
    const char* captions[7] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
    THeaderPanel** days[7] = {&pMonday, &pTuesday,  &pWednesday, &pThursday,
                              &pFriday, &pSaturday, &pSunday};
    for (int i = 0; i < 7; ++i)
        *days[i] = Header(names[i], L(captions[i]), QString(), 7 + i, DayLeft(i), DayWidth, false);
    pActive = Header("pActive", L("A"), L("Active"), Active.Tag, Active.Left, Active.Width, false);
    pCompleted = Header("pCompleted", L("C"), L("Complete"), Completed.Tag, Completed.Left,
                        Completed.Width, false);
}

void TFrame_TimeTracker_Form::CreateRowControls() {
    dbcgTasks = Named(new TDBCtrlGrid(this), "dbcgTasks");
    dbcgTasks->setGeometry(0, GridTop, DesignWidth, DesignRows * RowHeight);
    dbcgTasks->SetPanelHeight(RowHeight);
    dbcgTasks->SetAutoRowCount(true);
    dbcgTasks->SetDataSource(dsTasks);
    RowPanel = dbcgTasks->Panel();
    RowPanel->setObjectName(QStringLiteral("RowPanel"));

    auto edit = [this](const char* name, const char* field, int tag, int x, int width,
                       bool anchorLeft, bool anchorRight = false) {
        auto* e = Named(new TDBEdit(RowPanel), name);
        e->SetDataSource(dsTasks);
        e->SetDataField(QLatin1String(field));
        e->setGeometry(x, ControlTop, width, ControlHeight);
        Register(e, tag, anchorLeft, anchorRight);
        return e;
    };
    auto lookup = [this](const char* name, const char* field, int tag, int x, int width) {
        auto* box = Named(new TDBLookupComboBox(RowPanel), name);
        box->SetDataSource(dsTasks);
        box->SetDataField(QLatin1String(field));
        box->setGeometry(x, ControlTop, width, ControlHeight);
        Register(box, tag, true);
        return box;
    };
    // An edit laid over the text area of a lookup box, leaving its drop-down button free.
    auto overlay = [&](const char* name, const char* field, int tag, int x, bool readOnly) {
        TDBEdit* e = edit(name, field, tag, x + 2, OverlayWidth, true);
        e->setGeometry(x + 2, ControlTop + 2, OverlayWidth, ControlHeight - 4);
        e->setFrame(false);
        e->SetReadOnly(readOnly);
        if (readOnly) e->setFocusPolicy(Qt::NoFocus);
        FColumns.back().Design = e->geometry();
        return e;
    };

    dbIPriority = Named(new TDBImage(RowPanel), "dbIPriority");
    dbIPriority->SetDataSource(dsTasks);
    dbIPriority->SetDataField(QStringLiteral("PriorityImage"));
    dbIPriority->setGeometry(Priority.Left, ControlTop, Priority.Width, ControlHeight);
    Register(dbIPriority, Priority.Tag, true);

    dbeDays = edit("dbeDays", "Days", Duration.Tag, Duration.Left, 22, true);
    dbeDays->SetReadOnly(true);
    dbeDays->setToolTip(L("Days"));
    dbePartDay = edit("dbePartDay", "PartDay", Duration.Tag, Duration.Left + 23, 52, true);
    dbePartDay->SetReadOnly(true);
    dbePartDay->setToolTip(L("Hours : Minutes"));

    dbluClients = lookup("dbluClients", "ClientName", Client.Tag, Client.Left, Client.Width);
    dbeClient = overlay("dbeClient", "ClientName", Client.Tag, Client.Left, true);
    dbluProject = lookup("dbluProject", "ProjectName", Project.Tag, Project.Left, Project.Width);
    dbeProject = overlay("dbeProject", "ProjectName", Project.Tag, Project.Left, true);
    dblcTaskCode =
        lookup("dblcTaskCode", "TaskCodeLookup", TaskCode.Tag, TaskCode.Left, TaskCode.Width);
    dblcTaskCode->setFocusPolicy(Qt::ClickFocus); // not a tab stop
    dbeTaskCode = overlay("dbeTaskCode", "TaskCode", TaskCode.Tag, TaskCode.Left, false);
    dbeTaskCode->setToolTip(L("Task Code"));
    dbeTaskCode->setFocusPolicy(Qt::StrongFocus);

    dbeTaskDescription = edit("dbeTaskDescription", "TaskDescription", Description.Tag,
                              Description.Left, Description.Width, true, true);
    dbeTaskDescription->setToolTip(L("Task Description"));
    dbeTaskDescription->SetAutoSelect(false);

    const char* dayEdits[7] = {"dbeMon", "dbeTue", "dbeWed", "dbeThu",
                               "dbeFri", "dbeSat", "dbeSun"};
    const char* dayFields[7] = {"MonDuration", "TueDuration", "WedDuration", "ThuDuration",
                                "FriDuration", "SatDuration", "SunDuration"};
    TDBEdit** days[7] = {&dbeMon, &dbeTue, &dbeWed, &dbeThu, &dbeFri, &dbeSat, &dbeSun};
    for (int i = 0; i < 7; ++i) {
        TDBEdit* e = edit(dayEdits[i], dayFields[i], 7 + i, DayLeft(i), DayWidth, false);
        e->setToolTip(L("Hours : Minutes"));
        e->setAlignment(Qt::AlignCenter);
        e->SetCellMode(true); // typed into as a spreadsheet cell
        connect(e, &TDBEdit::entered, this, [this, e] { dbeDayEnter(e); });
        connect(e, &QLineEdit::textEdited, this, [this] { ResetLastUsed(); });
        *days[i] = e;
    }

    dbcbxActive = Named(new TDBCheckBox(RowPanel), "dbcbxActive");
    dbcbxActive->SetDataSource(dsTasks);
    dbcbxActive->SetDataField(QStringLiteral("Active"));
    dbcbxActive->setToolTip(L("Active"));
    dbcbxActive->setGeometry(Active.Left + 3, ControlTop, Active.Width - 3, ControlHeight);
    Register(dbcbxActive, Active.Tag, false);
    dbcbxComplete = Named(new TDBCheckBox(RowPanel), "dbcbxComplete");
    dbcbxComplete->SetDataSource(dsTasks);
    dbcbxComplete->SetDataField(QStringLiteral("Completed"));
    dbcbxComplete->setToolTip(L("Complete"));
    dbcbxComplete->setGeometry(Completed.Left + 3, ControlTop, Completed.Width - 3, ControlHeight);
    Register(dbcbxComplete, Completed.Tag, false);

    connect(dbcbxActive, &QCheckBox::clicked, this,
            [this] { TDataControls::Guard([this] { dbcbxActiveRelease(); }); });
    connect(dbcbxComplete, &QCheckBox::clicked, this,
            [this] { TDataControls::Guard([this] { dbcbxCompleteClick(); }); });
    for (TDBEdit* e : {dbeTaskCode, dbeTaskDescription}) {
        connect(e, &TDBEdit::exited, this,
                [this] { TDataControls::Guard([this] { dbeTaskCodeExit(); }); });
        connect(e, &QLineEdit::textEdited, this, [this] { ResetLastUsed(); });
    }
    // Opening a lookup list counts as using the grid, as typing does.
    for (TDBLookupComboBox* box : {dbluClients, dbluProject, dblcTaskCode})
        connect(box, &TDBLookupComboBox::popupShown, this, [this] { ResetLastUsed(); });
    connect(dblcTaskCode, &TDBLookupComboBox::exited, this,
            [this] { TDataControls::Guard([this] { dbeTaskCodeExit(); }); });
    // Runs after the box has tried to give the row the code chosen.
    connect(dblcTaskCode, &QComboBox::activated, this, [this](int index) {
        TDataControls::Guard([this, index] { dblcTaskCodePicked(index); });
    });
    // Queued: while the refusal is raised the field still reads the refused value.
    connect(
        &FDm, &TdmTasks_Form::TaskCodeRefused, this,
        [this] { TDataControls::Guard([this] { TaskCodeRefused(); }); }, Qt::QueuedConnection);
    dbeTaskCode->installEventFilter(this);
    dbcgTasks->installEventFilter(this);
}

void TFrame_TimeTracker_Form::CreateTotals() {
    TotalsPanel = Named(new QWidget(this), "TotalsPanel");
    TotalsPanel->setGeometry(0, DesignHeight - TotalsHeight, DesignWidth, TotalsHeight);
    TotalsPanel->setAutoFillBackground(true);
    TotalsPanel->setBackgroundRole(QPalette::Button);
    auto label = [this](const char* name, const QString& text, int tag, int x, int width,
                        bool anchorLeft, Qt::Alignment align) {
        auto* l = Named(new QLabel(text, TotalsPanel), name);
        l->setGeometry(x, 4, width, 18);
        l->setAlignment(align | Qt::AlignVCenter);
        Register(l, tag, anchorLeft);
        return l;
    };
    lblTotalMessage = label("lblTotalMessage", L("Week Duration is X Days X Hours X Minutes"), 0, 4,
                            340, true, Qt::AlignLeft);
    lblDailyDuration = label("lblDailyDuration", L("Total Duration :"), Description.Tag,
                             MondayLeft - 101, 98, false, Qt::AlignRight);
    const char* names[7] = {"lblMonDuration", "lblTueDuration", "lblWedDuration", "lblThuDuration",
                            "lblFriDuration", "lblSatDuration", "lblSunDuration"};
    QLabel** labels[7] = {&lblMonDuration, &lblTueDuration, &lblWedDuration, &lblThuDuration,
                          &lblFriDuration, &lblSatDuration, &lblSunDuration};
    for (int i = 0; i < 7; ++i)
        *labels[i] =
            label(names[i], L("00:00"), 7 + i, DayLeft(i), DayWidth, false, Qt::AlignHCenter);
    lblPaused = label("lblPaused", L("Paused"), 0, 350, 90, true, Qt::AlignLeft);
    QFont paused(QStringLiteral("Arial Black"));
    paused.setPixelSize(16);
    paused.setBold(true);
    lblPaused->setFont(paused);
    // The label sits on the button-coloured totals panel, whose text colour it paints with.
    QPalette red = lblPaused->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    red.setColor(QPalette::ButtonText, Qt::red);
    lblPaused->setPalette(red);
    lblPaused->hide();
}

void TFrame_TimeTracker_Form::CreateActions() {
    auto action = [this](const char* name, const char* caption, const char* hint, int image,
                         QKeySequence shortcut = {}) {
        return NewAction(this, name, caption, hint, image, shortcut);
    };
    auto guarded = [](QAction* a, std::function<void()> fn) { OnTriggered(a, std::move(fn)); };
    DataSetInsert1 = action("DataSetInsert1", "&Add Task", "Add Task", 40);
    DataSetDelete1 = action("DataSetDelete1", "&Remove Task", "Remove Task", 41);
    DataSetFirst1 = action("DataSetFirst1", "&First", "First", 33);
    DataSetPrior1 = action("DataSetPrior1", "&Prior", "Prior", 36);
    DataSetNext1 = action("DataSetNext1", "&Next", "Next", 35);
    DataSetLast1 = action("DataSetLast1", "&Last", "Last", 34);
    EditCut1 = action("EditCut1", "Cu&t", "Cut", 45, QKeySequence(Qt::CTRL | Qt::Key_X));
    EditCopy1 = action("EditCopy1", "&Copy", "Copy", 47, QKeySequence(Qt::CTRL | Qt::Key_C));
    EditPaste1 = action("EditPaste1", "&Paste", "Paste", 46, QKeySequence(Qt::CTRL | Qt::Key_V));
    aHelp = action("aHelp", "Help", "Help", 25);
    aOnlineHelp = action("aOnlineHelp", "Online Help", "Online Help", 50);
    aAbout = action("aAbout", "About Plenk", "About", -1);
    TRecordSet& tasks = FDm.adsTasks;
    guarded(DataSetInsert1, [&tasks] { tasks.Insert(); });
    guarded(DataSetDelete1, [&tasks] { tasks.Delete(); });
    guarded(DataSetFirst1, [this, &tasks] {
        if (dsTasks->UpdateRecord()) tasks.First();
    });
    guarded(DataSetPrior1, [this, &tasks] {
        if (dsTasks->UpdateRecord()) tasks.Prior();
    });
    guarded(DataSetNext1, [this, &tasks] {
        if (dsTasks->UpdateRecord()) tasks.Next();
    });
    guarded(DataSetLast1, [this, &tasks] {
        if (dsTasks->UpdateRecord()) tasks.Last();
    });
    auto focusedEdit = [] { return qobject_cast<QLineEdit*>(QApplication::focusWidget()); };
    guarded(EditCut1, [focusedEdit] {
        if (QLineEdit* e = focusedEdit()) e->cut();
    });
    guarded(EditCopy1, [focusedEdit] {
        if (QLineEdit* e = focusedEdit()) e->copy();
    });
    guarded(EditPaste1, [focusedEdit] {
        if (QLineEdit* e = focusedEdit()) e->paste();
    });
    guarded(aHelp, [this] { aHelpExecute(); });
    guarded(aOnlineHelp, [this] { aOnlineHelpExecute(); });
    guarded(aAbout, [this] { aAboutExecute(); });
    for (QAction* a : {EditCut1, EditCopy1, EditPaste1}) {
        a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        addAction(a);
    }

    PMTimeTracker = Named(new QMenu(this), "PMTimeTracker");
    PMTimeTracker->addActions({DataSetFirst1, DataSetNext1, DataSetPrior1, DataSetLast1});
    PMTimeTracker->addSeparator();
    PMTimeTracker->addActions({DataSetInsert1, DataSetDelete1});
    PMTimeTracker->addSeparator();
    PMTimeTracker->addActions({aHelp, aOnlineHelp});
    dbcgTasks->SetPopupMenu(PMTimeTracker);
}

// ---- Initialise and layout ----

void TFrame_TimeTracker_Form::Initialise() {
    TBaseFrameXEP_BaseForm::Initialise();
    FCurrentTask = std::make_unique<TCurrentTask>();
    FLastUsedCounter = 120;
    FbClientsVisible = FProjectsVisible = FMonVisible = FTueVisible = FWedVisible = FThuVisible =
        FFriVisible = FSatVisible = FSunVisible = FSummaryDurationVisible = FPriorityVisible = true;
    DisplayTotal();
    TDataControls::Guard([this] { OrderPanelClick(pTaskCode); });
    dblcTaskCode->SetDropDownWidth(dblcTaskCode->width() + dbeTaskDescription->width());
    TDataControls::Guard([this] { SetCurrentTaskValue(true); });
    SetConstraints();
    tLastUsedTimer->start();
    UpdateActions();
}

QRect TFrame_TimeTracker_Form::DesignGeometry(const QWidget* control) const {
    for (const TColumnControl& c : FColumns) {
        if (c.Control == control) return c.Design;
    }
    return {};
}

void TFrame_TimeTracker_Form::SetDesignWidth(int width) {
    FDesignWidth = width;
    ApplyLayout();
}

void TFrame_TimeTracker_Form::SetDesignGeometry(QWidget* control, const QRect& rect) {
    for (TColumnControl& c : FColumns) {
        if (c.Control == control) c.Design = rect;
    }
    ApplyLayout();
}

void TFrame_TimeTracker_Form::ApplyLayout() {
    const int delta = width() - FDesignWidth;
    for (const TColumnControl& c : FColumns) {
        QRect r = c.Design;
        if (!c.AnchorLeft) r.translate(delta, 0);
        if (c.AnchorLeft && c.AnchorRight) r.setWidth(std::max(1, r.width() + delta));
        c.Control->setGeometry(r);
    }
}

void TFrame_TimeTracker_Form::AdjustPositions(THeaderPanel* pPanel) {
    const int W = DesignGeometry(pPanel).width() + 1;
    const int tag = pPanel->property("tag").toInt();
    const bool hidden = pPanel->isHidden();
    const bool moveBack = !hidden && !FCreationPhase; // a column shown outside the first layout
    const bool leftColumn = tag <= Description.Tag;
    for (TColumnControl& c : FColumns) {
        if (c.Tag == 0) continue;
        if (leftColumn && c.AnchorLeft && c.Tag > tag) {
            if (hidden)
                c.Design.translate(-W, 0);
            else if (moveBack)
                c.Design.translate(W, 0);
        } else if (!leftColumn && !c.AnchorLeft && c.Tag < tag) {
            if (hidden)
                c.Design.translate(W, 0);
            else if (moveBack)
                c.Design.translate(-W, 0);
        }
    }
    for (QWidget* stretched :
         {static_cast<QWidget*>(pDescription), static_cast<QWidget*>(dbeTaskDescription)}) {
        for (TColumnControl& c : FColumns) {
            if (c.Control != stretched) continue;
            if (hidden)
                c.Design.setWidth(c.Design.width() + W);
            else if (moveBack)
                c.Design.setWidth(c.Design.width() - W);
        }
    }
    ApplyLayout();
    SetConstraints();
    dbcgTasks->update();
}

void TFrame_TimeTracker_Form::SetColumnVisible(bool& flag, bool Value, THeaderPanel* panel,
                                               std::initializer_list<QWidget*> controls) {
    if (flag == Value) return;
    flag = Value;
    for (QWidget* control : controls)
        control->setVisible(Value);
    AdjustPositions(panel);
}

void TFrame_TimeTracker_Form::SetPriorityVisible(bool Value) {
    SetColumnVisible(FPriorityVisible, Value, pPriority, {dbIPriority, pPriority});
}
void TFrame_TimeTracker_Form::SetSummaryDurationVisible(bool Value) {
    SetColumnVisible(FSummaryDurationVisible, Value, pDuration, {dbeDays, dbePartDay, pDuration});
}
void TFrame_TimeTracker_Form::SetbClientsVisible(bool Value) {
    SetColumnVisible(FbClientsVisible, Value, pClient, {dbluClients, pClient, dbeClient});
}
void TFrame_TimeTracker_Form::SetProjectsVisible(bool Value) {
    SetColumnVisible(FProjectsVisible, Value, pProjectName,
                     {dbluProject, pProjectName, dbeProject});
}
void TFrame_TimeTracker_Form::SetMonVisible(bool Value) {
    SetColumnVisible(FMonVisible, Value, pMonday, {dbeMon, pMonday, lblMonDuration});
}
void TFrame_TimeTracker_Form::SetTueVisible(bool Value) {
    SetColumnVisible(FTueVisible, Value, pTuesday, {dbeTue, pTuesday, lblTueDuration});
}
void TFrame_TimeTracker_Form::SetWedVisible(bool Value) {
    SetColumnVisible(FWedVisible, Value, pWednesday, {dbeWed, pWednesday, lblWedDuration});
}
void TFrame_TimeTracker_Form::SetThuVisible(bool Value) {
    SetColumnVisible(FThuVisible, Value, pThursday, {dbeThu, pThursday, lblThuDuration});
}
void TFrame_TimeTracker_Form::SetFriVisible(bool Value) {
    SetColumnVisible(FFriVisible, Value, pFriday, {dbeFri, pFriday, lblFriDuration});
}
void TFrame_TimeTracker_Form::SetSatVisible(bool Value) {
    SetColumnVisible(FSatVisible, Value, pSaturday, {dbeSat, pSaturday, lblSatDuration});
}
void TFrame_TimeTracker_Form::SetSunVisible(bool Value) {
    SetColumnVisible(FSunVisible, Value, pSunday, {dbeSun, pSunday, lblSunDuration});
}

QWidget* TFrame_TimeTracker_Form::HoldingWindow() const {
    return parentWidget() ? window() : nullptr;
}

bool TFrame_TimeTracker_Form::OnMainWindow() const {
    const QWidget* holder = HoldingWindow();
    return holder && holder->objectName() == QLatin1String("Form_Main_Form");
}

void TFrame_TimeTracker_Form::SetConstraints() {
    const int minHeight = TotalsHeight + RowHeight + HeaderHeight + 3;
    int minWidth = dbIPriority->width() + dbeDays->width() + dbePartDay->width() +
                   dblcTaskCode->width() + DescriptionMinWidth + pActive->width() + 6;
    for (THeaderPanel* panel : {pClient, pProjectName, pMonday}) {
        if (!panel->isHidden()) minWidth += DesignGeometry(panel).width() + 1;
    }
    if (!OnMainWindow()) {
        for (THeaderPanel* panel : {pTuesday, pWednesday, pThursday, pFriday, pSaturday, pSunday}) {
            if (!panel->isHidden()) minWidth += DesignGeometry(panel).width() + 1;
        }
    }
    setMinimumSize(minWidth, minHeight);
}

void TFrame_TimeTracker_Form::FrameResize() {
    const int available = TotalsPanel->y() - pDescription->y() - pDescription->height();
    FRowCount = std::max(1, available / RowHeight);
}

void TFrame_TimeTracker_Form::WrapWindowToRows(QWidget* window) const {
    const int leftOver = LeftOverHeight();
    if (leftOver > 0) window->resize(window->width(), window->height() - leftOver);
}

int TFrame_TimeTracker_Form::GridSpace() const {
    return std::max(RowHeight, height() - TotalsHeight - GridTop);
}

void TFrame_TimeTracker_Form::resizeEvent(QResizeEvent* event) {
    TBaseFrameXEP_BaseForm::resizeEvent(event);
    TotalsPanel->setGeometry(0, height() - TotalsHeight, width(), TotalsHeight);
    ApplyLayout();
    FrameResize();
    // The grid holds whole rows; what is left over stays empty above the totals line.
    dbcgTasks->setGeometry(0, GridTop, width(), FRowCount * RowHeight);
}

// ---- Sorting ----

void TFrame_TimeTracker_Form::OrderPanelClick(THeaderPanel* Sender) {
    const int tag = Sender->property("tag").toInt();
    const QString key = QLatin1String(tag >= 1 && tag <= 15 ? SortKeys[tag] : SortKeys[0]);
    // A new column starts ascending; the same column again reverses the order.
    QString direction = QStringLiteral(" ASC");
    if (Sender->objectName() == FsPanelName && FDm.adsTasks.Sort().contains(QLatin1String("ASC")))
        direction = QStringLiteral(" DESC");
    FDm.adsTasks.SetSort(key + direction);
    HighlightPanel(Sender);
}

void TFrame_TimeTracker_Form::HighlightPanel(THeaderPanel* Panel) {
    SetsPanelName(Panel->objectName());
}

void TFrame_TimeTracker_Form::SetsPanelName(const QString& Value) {
    FsPanelName = Value;
    for (THeaderPanel* panel : FPanels) {
        // A caption on a button-coloured panel is painted in the button text colour.
        QPalette p = panel->palette();
        const QColor colour =
            panel->objectName() == Value ? QColor(Qt::red) : palette().color(QPalette::ButtonText);
        p.setColor(QPalette::WindowText, colour);
        p.setColor(QPalette::ButtonText, colour);
        panel->setPalette(p);
    }
}

// ---- Totals ----

void TFrame_TimeTracker_Form::DisplayTotal() {
    if (!parentWidget()) return; // only while the frame is placed on a window
    double total = 0;
    for (int day = 1; day <= 7; ++day)
        total += FDm.TotalDuration(day);
    lblTotalMessage->setText(QStringLiteral("Total Duration is ") +
                             DaysHoursMinutesText(total, FDm.DayDuration()));
    // A day's total of all tasks may pass 24 hours; it is shown as the hours it holds.
    auto hoursMinutes = [](double duration) {
        const qint64 minutes = std::llround(duration * MinutesPerDay);
        return QStringLiteral("%1:%2")
            .arg(minutes / 60, 2, 10, QLatin1Char('0'))
            .arg(minutes % 60, 2, 10, QLatin1Char('0'));
    };
    if (OnMainWindow()) {
        lblMonDuration->setText(hoursMinutes(FDm.TotalDuration(DayOfWeekNumber(TClock::Today()))));
        return;
    }
    QLabel* labels[8] = {nullptr,        lblSunDuration, lblMonDuration, lblTueDuration,
                         lblWedDuration, lblThuDuration, lblFriDuration, lblSatDuration};
    for (int day = 1; day <= 7; ++day)
        labels[day]->setText(hoursMinutes(FDm.TotalDuration(day)));
}

// ---- Handlers ----

void TFrame_TimeTracker_Form::dbeTaskCodeExit() {
    TRecordSet& tasks = FDm.adsTasks;
    const QString code = tasks.FieldByName(QStringLiteral("TaskCode")).AsString();
    if (code.isEmpty() || FDm.TaskCodeExists(code)) return;
    TRecordSet& codes = FDm.adsTaskCodes;
    TField& codeField = codes.FieldByName(QStringLiteral("TaskCode"));
    const QString description = tasks.FieldByName(QStringLiteral("TaskDescription")).AsString();
    const bool insertAllowed = FDm.NewTaskInsertAllowed();
    if (!description.isEmpty() && insertAllowed) {
        codes.Insert(); // posted by the task-code table's next change of state
        codeField.SetAsString(code.toUpper());
        codes.FieldByName(QStringLiteral("TaskDescription")).SetAsString(description);
        codes.FieldByName(QStringLiteral("DailyRate")).SetAsCurrency(0);
        codes.FieldByName(QStringLiteral("TotalCost")).SetAsCurrency(0);
        codes.FieldByName(QStringLiteral("CompletionDate")).SetAsDateTime(0);
        codes.FieldByName(QStringLiteral("ProjectNumber"))
            .SetAsInteger(tasks.FieldByName(QStringLiteral("ProjectNumber")).AsInteger());
        return;
    }
    if (insertAllowed) return;
    const QWidget* next = QApplication::focusWidget();
    const QString nextName = next ? next->objectName() : QString();
    if (nextName == QLatin1String("dblcTaskCode") || nextName == QLatin1String("dbeTaskCode"))
        return;
    TDialogService::Instance().ShowInformation(QStringLiteral("Task does not exist."));
    if (dbeTaskCode->hasFocus())
        dbeTaskCode->KeepFocus();
    else
        dbeTaskCode->setFocus();
}

void TFrame_TimeTracker_Form::TaskCodeRefused() {
    // Only the edit whose typed text is being written; the refusal itself is reported by
    // whoever wrote it, and stops the move, post or command that asked for the write.
    if (!dbeTaskCode->Modified()) return;
    dbeTaskCode->Reset();
    DropNewTaskWithoutCode();
}

void TFrame_TimeTracker_Form::dblcTaskCodePicked(int index) {
    const QString picked = dblcTaskCode->itemData(index).toList().value(0).toString();
    if (FDm.adsTasks.FieldByName(QStringLiteral("TaskCode")).AsString() == picked) return;
    DropNewTaskWithoutCode();
    dbeTaskCode->setFocus(Qt::OtherFocusReason);
}

void TFrame_TimeTracker_Form::DropNewTaskWithoutCode() {
    // A row being added that has no code yet has nothing to go back to.
    TRecordSet& tasks = FDm.adsTasks;
    if (tasks.State() == TDataSetState::Insert &&
        tasks.FieldByName(QStringLiteral("TaskCode")).AsString().trimmed().isEmpty())
        tasks.Cancel();
}

bool TFrame_TimeTracker_Form::RowControlHoldsFocus() const {
    for (QWidget* control : RowPanel->findChildren<QWidget*>()) {
        if (const auto* bound = dynamic_cast<const IDBPaintable*>(control);
            bound && bound->HoldsFocus())
            return true;
    }
    return false;
}

void TFrame_TimeTracker_Form::TaskCodeEditLeftForList() {
    if (!dbeTaskCode->Modified() || QApplication::focusWidget() != dblcTaskCode) return;
    TField* field = dbeTaskCode->Field();
    bool refused = false;
    TDataControls::Guard(
        [&] { refused = field && !FDm.TaskCodeRefusal(*field, dbeTaskCode->text()).isEmpty(); });
    if (refused) dbeTaskCode->Reset();
}

void TFrame_TimeTracker_Form::dbcbxActiveRelease() {
    TRecordSet& tasks = FDm.adsTasks;
    if (tasks.State() != TDataSetState::Edit && tasks.State() != TDataSetState::Insert)
        tasks.Edit();
    tasks.Post(); // the Active rule has run on the change
    tasks.Edit();
    SetCurrentTaskValue(false); // the task timed now shows at once
    Q_EMIT ActiveTaskChanged();
}

void TFrame_TimeTracker_Form::dbcbxCompleteClick() {
    TRecordSet& tasks = FDm.adsTasks;
    tasks.Edit();
    tasks.FieldByName(QStringLiteral("Active")).SetAsBoolean(false);
}

void TFrame_TimeTracker_Form::dbeDayEnter(TDBEdit* edit) {
    TField* field = edit->Field();
    if (!field) return;
    FDm.rCurrentField.Value = DayFraction(field->AsFloat());
    FDm.rCurrentField.Active = FDm.adsTasks.FieldByName(QStringLiteral("Active")).AsBoolean();
}

void TFrame_TimeTracker_Form::ResetLastUsed() {
    FLastUsedCounter = 0;
}

bool TFrame_TimeTracker_Form::eventFilter(QObject* watched, QEvent* event) {
    // Before the edit writes its text on leaving.
    if (watched == dbeTaskCode && event->type() == QEvent::FocusOut) TaskCodeEditLeftForList();
    // A click on another row gives the grid the focus before the grid hears of the click: the
    // row's control has written its text then, and when it refused it and is taking the focus
    // back, the click must not move the grid to the other row.
    if (watched == dbcgTasks && event->type() == QEvent::MouseButtonPress && RowControlHoldsFocus())
        return true;
    return TBaseFrameXEP_BaseForm::eventFilter(watched, event);
}

void TFrame_TimeTracker_Form::tLastUsedTimerTimer() {
    // The display clock runs only while time is tracked.
    if (TimeTrackerTimer->isActive()) FCurrentTask->AddASecond();
    if (FLastUsedCounter < 120) ++FLastUsedCounter;
}

QString TFrame_TimeTracker_Form::TodayColumn() {
    static const char* const Columns[8] = {nullptr,       "SunDuration", "MonDuration",
                                           "TueDuration", "WedDuration", "ThuDuration",
                                           "FriDuration", "SatDuration"};
    return QLatin1String(Columns[DayOfWeekNumber(TClock::Now())]);
}

namespace {
void ReturnTo(TRecordSet& table, TBookmark bookmark) {
    if (table.BookmarkValid(bookmark)) table.GotoBookmark(bookmark);
    if (!table.IsEmpty()) table.Edit(); // an empty week gets no blank row
}
} // namespace

void TFrame_TimeTracker_Form::SetCurrentTaskValue(bool bAllRows) {
    // Read without moving the task table's cursor: the row being edited stays as it is.
    TRecordSet& tasks = FDm.adsTasks;
    if (!tasks.Active() || tasks.IsEmpty()) {
        ShowCurrentTask(0, QString());
        return;
    }
    if (bAllRows) {
        ShowActiveRow(false);
        return;
    }
    const bool active = tasks.FieldByName(QStringLiteral("Active")).AsBoolean() && !tasks.Eof();
    ShowCurrentTask(active ? tasks.FieldByName(QStringLiteral("JobId")).AsInteger() : 0,
                    active ? tasks.FieldByName(QStringLiteral("TaskCode")).AsString() : QString());
}

void TFrame_TimeTracker_Form::ShowTrackedTask() {
    if (!FDm.adsTasks.Active()) return;
    ShowActiveRow(true);
}

void TFrame_TimeTracker_Form::ShowActiveRow(bool last) {
    // The rows in the order the grid shows them; the first or the last active one.
    TRecordSet& tasks = FDm.adsTasks;
    int job = 0;
    QString code;
    TField& active = tasks.FieldByName(QStringLiteral("Active"));
    for (int recNo = 1; recNo <= tasks.RecordCount() && (last || job == 0); ++recNo)
        tasks.WithRecord(recNo, [&] {
            if (!active.AsBoolean()) return;
            job = tasks.FieldByName(QStringLiteral("JobId")).AsInteger();
            code = tasks.FieldByName(QStringLiteral("TaskCode")).AsString();
        });
    ShowCurrentTask(job, code);
}

void TFrame_TimeTracker_Form::ShowCurrentTask(int jobId, const QString& code) {
    // Today's time of the task to the second, from the journal, whatever week the day columns
    // show.
    FCurrentTask->SetTaskCode(code);
    FCurrentTask->SetDuration(
        code.isEmpty() ? 0 : double(FDm.Journal().DayMSecs(jobId, TClock::Today())) / MSecsPerDay);
}

void TFrame_TimeTracker_Form::RefreshTrackedCells() {
    // Typing in a grid, or a new task being entered, holds the refresh back: no row changes
    // under the user.
    if (TasksInUse()) return;
    // The whole week shown: an entry that ran to midnight ends on a day no longer today.
    FDm.RefreshCells();
}

void TFrame_TimeTracker_Form::TimeTrackerTimerTimer() {
    // The time itself is in the journal, counted by the wall clock; the minute tick shows it,
    // and keeps each task's priority in step with its code's completion date.
    if (TasksInUse()) return;
    TRecordSet& tasks = FDm.adsTasks;
    TRecordSet& codes = FDm.adsTaskCodes;
    FDm.RefreshCells();
    const TBookmark current = tasks.GetBookmark();
    {
        TControlsSuspended suspended(tasks);
        for (tasks.First(); !tasks.Eof(); tasks.Next()) {
            const QString code = tasks.FieldByName(QStringLiteral("TaskCode")).AsString();
            codes.SetFilter(QStringLiteral("TaskCode = ") + QuotedFilterText(code));
            codes.SetFiltered(true);
            const double completion =
                codes.IsEmpty() ? 0
                                : codes.FieldByName(QStringLiteral("CompletionDate")).AsDateTime();
            if (completion > 0) {
                const int priority = GetPriority(completion);
                TField& field = tasks.FieldByName(QStringLiteral("Priority"));
                if (field.AsInteger() != priority) {
                    tasks.Edit();
                    field.SetAsInteger(priority);
                }
            }
            codes.SetFilter(QString());
            codes.SetFiltered(false);
        }
        ReturnTo(tasks, current);
    }
    ShowTrackedTask();
    DisplayTotal();
}

void TFrame_TimeTracker_Form::aHelpExecute() {
    ShowHelpTopic(FHelpString.isEmpty() ? QStringLiteral("Welcome") : FHelpString);
}

QString TFrame_TimeTracker_Form::OnlineHelpAddress() {
    return TForm_About_Form::HomeAddress() + QStringLiteral("/TimesheetsHelpCentre.html");
}

void TFrame_TimeTracker_Form::aOnlineHelpExecute() {
    QDesktopServices::openUrl(QUrl(OnlineHelpAddress()));
}

void TFrame_TimeTracker_Form::aAboutExecute() {
    TForm_About_Form about(HoldingWindow());
    about.exec();
}

void TFrame_TimeTracker_Form::UpdateActions() {
    TRecordSet& tasks = FDm.adsTasks;
    const bool active = tasks.Active();
    const bool empty = !active || tasks.IsEmpty();
    const int recNo = active ? tasks.RecNo() : -1;
    const int count = active ? tasks.RecordCount() : 0;
    DataSetFirst1->setEnabled(!empty && recNo != 1);
    DataSetPrior1->setEnabled(!empty && recNo != 1);
    DataSetNext1->setEnabled(!empty && recNo != count);
    DataSetLast1->setEnabled(!empty && recNo != count);
    DataSetInsert1->setEnabled(active);
    DataSetDelete1->setEnabled(!empty);
}
