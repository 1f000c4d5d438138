#include "Form_Options_Unit.h"

#include "BaseUnits/XEP_DialogService.h"
#include "BaseUnits/XEP_Utils_Unit.h"
#include "data_Tasks_Unit.h"

#include "Components/Core/SysDateTime.h"
#include "Components/DataControls/TDBCheckBox.h"
#include "Components/DataControls/TDBEdit.h"
#include "Components/DataControls/TDBGrid.h"
#include "Components/DataControls/TDBLookupComboBox.h"
#include "Components/DataControls/TDataControls.h"
#include "Components/DataControls/TDataSource.h"

#include <QAction>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {
QString sDayDurationRange() {
    return QStringLiteral("Day Duration must be more than 0 and at most 24 hours.");
}

QLabel* MakeLabel(QWidget* parent, const char* name, const char* caption, QWidget* buddy) {
    auto* label = new QLabel(QLatin1String(caption), parent);
    label->setObjectName(QLatin1String(name));
    label->setBuddy(buddy);
    return label;
}

QGroupBox* MakeGroup(QWidget* parent, const char* name, const char* caption) {
    auto* group = new QGroupBox(QLatin1String(caption), parent);
    group->setObjectName(QLatin1String(name));
    return group;
}

// A caption above its control, both at the left of their column.
void AddCaptioned(QGridLayout* grid, int row, int column, QLabel* label, QWidget* control) {
    grid->addWidget(label, row, column, Qt::AlignLeft | Qt::AlignBottom);
    grid->addWidget(control, row + 1, column, Qt::AlignLeft | Qt::AlignTop);
}
} // namespace

TForm_Options_Form::TForm_Options_Form(TdmTasks_Form& dm, QWidget* parent)
    : TBaseFormXEP_MaintainDialogForm(parent), FDm(dm) {
    setObjectName(QStringLiteral("Form_Options_Form"));
    setWindowTitle(QStringLiteral("Options"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(ClientWidth, ClientHeight);
    dsMaintain->SetDataSet(&dm.adsDefaults);

    // The options are edited in the tabs; the grid and its row actions have no use here (an
    // Insert key would otherwise add a second options row).
    dbgMaintain->hide();
    for (QAction* action : {aEdit, aInsert, aDelete, aExport})
        action->setEnabled(false);

    PageControl1 = new QTabWidget(ClientArea());
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    tsGeneral = new QWidget;
    tsGeneral->setObjectName(QStringLiteral("tsGeneral"));
    tsSubmit = new QWidget;
    tsSubmit->setObjectName(QStringLiteral("tsSubmit"));
    PageControl1->addTab(tsGeneral, QStringLiteral("General"));
    PageControl1->addTab(tsSubmit, QStringLiteral("Submit"));
    ClientArea()->layout()->setContentsMargins(8, 8, 8, 4);
    ClientArea()->layout()->addWidget(PageControl1);
    CreateGeneralTab();
    CreateSubmitTab();

    // OK writes the week start day and checks the working day before the base commits.
    disconnect(btnOk, nullptr, this, nullptr);
    connect(btnOk, &QPushButton::clicked, this,
            [this] { TDataControls::Guard([this] { btnOkClick(); }); });

    SetHelpString(QStringLiteral("Options"));
    FormCreate();
}

TForm_Options_Form::~TForm_Options_Form() = default;

TDBEdit* TForm_Options_Form::BoundEdit(QWidget* parent, const char* name, const char* field) {
    auto* edit = new TDBEdit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->SetDataSource(dsMaintain);
    edit->SetDataField(QLatin1String(field));
    return edit;
}

TDBCheckBox* TForm_Options_Form::BoundCheckBox(QWidget* parent, const char* name,
                                               const char* caption, const char* field) {
    auto* box = new TDBCheckBox(QLatin1String(caption), parent);
    box->setObjectName(QLatin1String(name));
    box->SetDataSource(dsMaintain);
    box->SetDataField(QLatin1String(field));
    return box;
}

void TForm_Options_Form::CreateGeneralTab() {
    cbWeekStartDay = new QComboBox(tsGeneral);
    cbWeekStartDay->setObjectName(QStringLiteral("cbWeekStartDay"));
    cbWeekStartDay->setEditable(true);
    cbWeekStartDay->setInsertPolicy(QComboBox::NoInsert);
    cbWeekStartDay->setFixedWidth(145);
    // Sunday to Saturday: the date values 1 to 7 fall on those days.
    for (int day = 1; day <= 7; ++day)
        cbWeekStartDay->addItem(FormatDayNumber(QStringLiteral("dddd"), day));
    dbeDayDuration = BoundEdit(tsGeneral, "dbeDayDuration", "DayDuration");
    dbeDayDuration->setFixedWidth(80);
    dbeLunchStart = BoundEdit(tsGeneral, "dbeLunchStart", "StartTime");
    dbeLunchStart->setFixedWidth(80);
    dbeLunchEnd = BoundEdit(tsGeneral, "dbeLunchEnd", "EndTime");
    dbeLunchEnd->setFixedWidth(80);
    lblWeekStartDay = MakeLabel(tsGeneral, "lblWeekStartDay", "Week Start Day ", cbWeekStartDay);
    lblDayDuration = MakeLabel(tsGeneral, "lblDayDuration", "Day Duration (Hours)", dbeDayDuration);
    lblLunchStart = MakeLabel(tsGeneral, "lblLunchStart", "Lunch Start Time", dbeLunchStart);
    lblLunchEnd = MakeLabel(tsGeneral, "lblLunchEnd", "Lunch End Time", dbeLunchEnd);

    auto* fields = new QGridLayout;
    fields->setHorizontalSpacing(16);
    fields->setVerticalSpacing(2);
    AddCaptioned(fields, 0, 0, lblWeekStartDay, cbWeekStartDay);
    AddCaptioned(fields, 0, 1, lblDayDuration, dbeDayDuration);
    fields->setRowMinimumHeight(2, 6); // between the two pairs
    AddCaptioned(fields, 3, 0, lblLunchStart, dbeLunchStart);
    AddCaptioned(fields, 3, 1, lblLunchEnd, dbeLunchEnd);
    fields->setColumnStretch(0, 1);
    fields->setColumnStretch(1, 1);

    gbGeneralFunction = MakeGroup(tsGeneral, "gbGeneralFunction", "Function Options");
    dbcbxNewTaskInsertAllowed =
        BoundCheckBox(gbGeneralFunction, "dbcbxNewTaskInsertAllowed",
                      "Allow Automatic Task Creation", "NewTaskInsertAllowed");
    auto* function = new QVBoxLayout(gbGeneralFunction);
    function->addWidget(dbcbxNewTaskInsertAllowed);

    gbGeneralDisplay = MakeGroup(tsGeneral, "gbGeneralDisplay", "Display Options");
    dbcbxDisplayClients =
        BoundCheckBox(gbGeneralDisplay, "dbcbxDisplayClients", "Display Clients", "DisplayClients");
    dbcbxDisplayProjects = BoundCheckBox(gbGeneralDisplay, "dbcbxDisplayProjects",
                                         "Display Projects", "DisplayProjects");
    dbcbxDisplaySummaryDuration = BoundCheckBox(gbGeneralDisplay, "dbcbxDisplaySummaryDuration",
                                                "Display Task Duration", "DisplaySummaryDuration");
    dbcbxDisplayPriority = BoundCheckBox(gbGeneralDisplay, "dbcbxDisplayPriority",
                                         "Display Priority", "DisplayPriority");
    auto* display = new QGridLayout(gbGeneralDisplay);
    display->addWidget(dbcbxDisplayClients, 0, 0);
    display->addWidget(dbcbxDisplayProjects, 1, 0);
    display->addWidget(dbcbxDisplaySummaryDuration, 0, 1);
    display->addWidget(dbcbxDisplayPriority, 1, 1);

    auto* page = new QVBoxLayout(tsGeneral);
    page->setContentsMargins(10, 10, 10, 10);
    page->setSpacing(8);
    page->addLayout(fields);
    page->addWidget(gbGeneralFunction);
    page->addWidget(gbGeneralDisplay);
    page->addStretch();
}

void TForm_Options_Form::CreateSubmitTab() {
    dbeMinimumTaskDuration = BoundEdit(tsSubmit, "dbeMinimumTaskDuration", "MinimumTaskDuration");
    dbeMinimumTaskDuration->setFixedWidth(80);
    lblMinimumTaskDuration = MakeLabel(tsSubmit, "lblMinimumTaskDuration", "Minimum Task Duration",
                                       dbeMinimumTaskDuration);
    dsUsers = new TDataSource(&FDm.adsUsers, this);
    dblcTimesheetUser = new TDBLookupComboBox(tsSubmit);
    dblcTimesheetUser->setObjectName(QStringLiteral("dblcTimesheetUser"));
    dblcTimesheetUser->SetDataSource(dsMaintain);
    dblcTimesheetUser->SetDataField(QStringLiteral("TimesheetUserID"));
    dblcTimesheetUser->SetListSource(dsUsers);
    dblcTimesheetUser->SetKeyField(QStringLiteral("UserID"));
    dblcTimesheetUser->SetListField(QStringLiteral("UserName"));
    dblcTimesheetUser->setFixedWidth(170);
    lblTimesheetUser = MakeLabel(tsSubmit, "lblTimesheetUser", "Timesheet User", dblcTimesheetUser);
    dbeIdleAfterMinutes = BoundEdit(tsSubmit, "dbeIdleAfterMinutes", "IdleAfterMinutes");
    dbeIdleAfterMinutes->setFixedWidth(80);
    lblIdleAfterMinutes =
        MakeLabel(tsSubmit, "lblIdleAfterMinutes", "Idle After (minutes)", dbeIdleAfterMinutes);
    auto* fields = new QGridLayout;
    fields->setHorizontalSpacing(16);
    fields->setVerticalSpacing(2);
    AddCaptioned(fields, 0, 0, lblMinimumTaskDuration, dbeMinimumTaskDuration);
    AddCaptioned(fields, 0, 1, lblTimesheetUser, dblcTimesheetUser);
    fields->setRowMinimumHeight(2, 6);
    AddCaptioned(fields, 3, 0, lblIdleAfterMinutes, dbeIdleAfterMinutes);
    fields->setColumnStretch(0, 1);
    fields->setColumnStretch(1, 1);

    gbSubmitFunction = MakeGroup(tsSubmit, "gbSubmitFunction", "Function Options");
    dbcbxRemoveUnusedTasks = BoundCheckBox(gbSubmitFunction, "dbcbxRemoveUnusedTasks",
                                           "Remove Unused Tasks", "RemoveUnusedTasks");
    auto* function = new QVBoxLayout(gbSubmitFunction);
    function->addWidget(dbcbxRemoveUnusedTasks);

    gbSubmitDisplay = MakeGroup(tsSubmit, "gbSubmitDisplay", "Display Options");
    const struct {
        TDBCheckBox*& Box;
        const char* Name;
        const char* Caption;
        const char* Field;
    } days[] = {
        {dbcbxDisplayMon, "dbcbxDisplayMon", "Display Monday", "DisplayMon"},
        {dbcbxDisplayTue, "dbcbxDisplayTue", "Display Tuesday", "DisplayTue"},
        {dbcbxDisplayWed, "dbcbxDisplayWed", "Display Wednesday", "DisplayWed"},
        {dbcbxDisplayThu, "dbcbxDisplayThu", "Display Thursday", "DisplayThu"},
        {dbcbxDisplayFri, "dbcbxDisplayFri", "Display Friday", "DisplayFri"},
        {dbcbxDisplaySat, "dbcbxDisplaySat", "Display Saturday", "DisplaySat"},
        {dbcbxDisplaySun, "dbcbxDisplaySun", "Display Sunday", "DisplaySun"},
    };
    auto* display = new QGridLayout(gbSubmitDisplay);
    int index = 0;
    for (const auto& day : days) {
        day.Box = BoundCheckBox(gbSubmitDisplay, day.Name, day.Caption, day.Field);
        // Monday to Thursday on the left, Friday to Sunday on the right.
        display->addWidget(day.Box, index % 4, index / 4);
        ++index;
    }

    auto* page = new QVBoxLayout(tsSubmit);
    page->setContentsMargins(10, 10, 10, 10);
    page->setSpacing(8);
    page->addLayout(fields);
    page->addWidget(gbSubmitFunction);
    page->addWidget(gbSubmitDisplay);
    page->addStretch();
}

void TForm_Options_Form::FormShow() {
    TBaseFormXEP_MaintainDialogForm::FormShow();
    const int day = FDm.adsDefaults.FieldByName(QStringLiteral("StartDayOfWeek")).AsInteger();
    const QString name = FormatDayNumber(QStringLiteral("dddd"), day);
    const int index = cbWeekStartDay->findText(name);
    if (index >= 0)
        cbWeekStartDay->setCurrentIndex(index);
    else
        cbWeekStartDay->setEditText(name);
    // An options row from an older file names no timesheet user: the first user is shown, as
    // the submissions book to that user.
    TField& user = FDm.adsDefaults.FieldByName(QStringLiteral("TimesheetUserID"));
    if (user.IsNull()) {
        FDm.adsDefaults.Edit();
        user.SetAsInteger(FDm.TimesheetUserID());
    }
}

bool TForm_Options_Form::UpdateRow() {
    return dsMaintain->UpdateRecord();
}

void TForm_Options_Form::ApplyWeekStartDay() {
    TRecordSet& table = FDm.adsDefaults;
    table.Edit();
    table.FieldByName(QStringLiteral("StartDayOfWeek"))
        .SetAsInteger(DayToDayNumber(cbWeekStartDay->currentText()));
}

bool TForm_Options_Form::CheckDayDuration() {
    const TField& field = FDm.adsDefaults.FieldByName(QStringLiteral("DayDuration"));
    const double hours = field.IsNull() ? 0.0 : field.AsFloat();
    if (hours > 0 && hours <= MaxDayDuration) return true; // a NaN fails both
    TDialogService::Instance().ShowError(sDayDurationRange());
    PageControl1->setCurrentWidget(tsGeneral);
    dbeDayDuration->setFocus(Qt::OtherFocusReason);
    dbeDayDuration->selectAll();
    return false;
}

void TForm_Options_Form::btnOkClick() {
    if (!UpdateRow() || !CheckDayDuration()) return;
    ApplyWeekStartDay();
    TBaseFormXEP_MaintainDialogForm::btnOkClick();
}

bool TForm_Options_Form::FormCloseQuery() {
    if (mrCloseType != 0) return TBaseFormXEP_MaintainDialogForm::FormCloseQuery();
    // Answering Yes keeps the week start day like every other change; No puts the row back.
    if (!UpdateRow()) return false;
    ApplyWeekStartDay();
    if (!TBaseFormXEP_MaintainDialogForm::FormCloseQuery()) return false;
    if (mrCloseType == 1 && !CheckDayDuration()) {
        // The row stays as typed for correction; Cancel still returns to the snapshot.
        mrCloseType = 0;
        return false;
    }
    return true;
}

bool ShowOptionsDialog(TdmTasks_Form& dm, QWidget* parent) {
    TForm_Options_Form dialog(dm, parent);
    return dialog.exec() == QDialog::Accepted;
}
