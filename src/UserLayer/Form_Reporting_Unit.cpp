#include "Form_Reporting_Unit.h"

#include "Form_HistoryWait_Unit.h"

#include "data_Tasks_Unit.h"

#include "BaseUnits/Frame_Date_Unit.h"
#include "BaseUnits/XEP_Const.h"
#include "Reports/BaseReportXEP_BaseUnit.h"
#include "Reports/Report_Layouts.h"
#include "Reports/Reporting_Chart_Unit.h"

#include "Components/DataControls/TDBCheckBox.h"
#include "Components/DataControls/TDBLookupComboBox.h"
#include "Components/DataControls/TDataControls.h"
#include "Components/DataControls/TDataSource.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
TDBLookupComboBox* NewLookup(QWidget* owner, const char* name, TDataSource* details,
                             const char* field, TDataSource* list, const char* key,
                             const char* shown, int width) {
    auto* box = new TDBLookupComboBox(owner);
    box->setObjectName(QLatin1String(name));
    box->SetDataSource(details);
    box->SetDataField(QLatin1String(field));
    box->SetListSource(list);
    box->SetKeyField(QLatin1String(key));
    box->SetListField(QLatin1String(shown));
    box->setFixedWidth(width);
    return box;
}

TDBCheckBox* NewAllBox(QWidget* owner, const char* name, TDataSource* details, const char* field) {
    auto* box = new TDBCheckBox(owner);
    box->setObjectName(QLatin1String(name));
    box->SetDataSource(details);
    box->SetDataField(QLatin1String(field));
    return box;
}

// A caption over a picker, "All" over its check box.
QWidget* CriterionGroup(QWidget* owner, const QString& caption, TDBLookupComboBox* picker,
                        TDBCheckBox* all) {
    auto* group = new QWidget(owner);
    auto* layout = new QGridLayout(group);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setHorizontalSpacing(6);
    layout->setVerticalSpacing(2);
    auto* label = new QLabel(caption, group);
    label->setBuddy(picker);
    layout->addWidget(label, 0, 0);
    layout->addWidget(new QLabel(QStringLiteral("All"), group), 0, 1);
    layout->addWidget(picker, 1, 0);
    layout->addWidget(all, 1, 1);
    layout->setColumnStretch(2, 1);
    picker->setParent(group);
    all->setParent(group);
    return group;
}

QPushButton* NewButton(QWidget* owner, const char* name, const char* caption) {
    auto* button = new QPushButton(QLatin1String(caption), owner);
    button->setObjectName(QLatin1String(name));
    button->setFixedSize(75, 25);
    button->setAutoDefault(false);
    return button;
}
} // namespace

TForm_Reporting_Form::TForm_Reporting_Form(TdmTasks_Form& dm, QWidget* parent)
    : TBaseFormXEP_BaseForm(parent), FDm(dm) {
    setObjectName(QStringLiteral("Form_Reporting_Form"));
    setWindowTitle(QStringLiteral("Reports"));
    DefineReportDetails(adsReportDetails);
    BuildControls();
    FormCreate();
    for (int number = rnTaskDuration; number <= rnUserActivity; ++number)
        FLayouts[size_t(number - 1)] = CreateReportLayout(number, FDm, adsReportDetails);
}

TForm_Reporting_Form::~TForm_Reporting_Form() {
    // The controls let go of the criteria record before it goes.
    dsReportDetails->SetDataSet(nullptr);
}

void TForm_Reporting_Form::BuildControls() {
    dsReportDetails = new TDataSource(this);
    dsReportDetails->SetDataSet(&adsReportDetails);
    dsReports = new TDataSource(this);
    dsReports->SetDataSet(&FDm.adsReports);
    dsProjects = new TDataSource(this);
    dsProjects->SetDataSet(&FDm.adsProjects);
    dsClients = new TDataSource(this);
    dsClients->SetDataSet(&FDm.adsClients);
    dsUsers = new TDataSource(this);
    dsUsers->SetDataSet(&FDm.adsUsers);

    cbReport = NewLookup(this, "cbReport", dsReportDetails, "ReportNumber", dsReports,
                         "ReportNumber", "ReportName", 220);
    Frame_Date_Form1 = new TFrame_Date_Form(this);
    Frame_Date_Form1->setObjectName(QStringLiteral("Frame_Date_Form1"));
    dblucbProject = NewLookup(this, "dblucbProject", dsReportDetails, "ProjectNumber", dsProjects,
                              "ProjectNumber", "ProjectName", 160);
    cbxAllProjects = NewAllBox(this, "cbxAllProjects", dsReportDetails, "AllProjects");
    dblucbClient = NewLookup(this, "dblucbClient", dsReportDetails, "ClientId", dsClients,
                             "ClientId", "ClientName", 160);
    cbxAllClients = NewAllBox(this, "cbxAllClients", dsReportDetails, "AllClients");
    dblucbUser = NewLookup(this, "dblucbUser", dsReportDetails, "UserId", dsUsers, "UserID",
                           "UserName", 160);
    cbxAllUsers = NewAllBox(this, "cbxAllUsers", dsReportDetails, "AllUsers");
    btnPreview = NewButton(this, "btnPreview", "Preview");
    btnPrint = NewButton(this, "btnPrint", "Print");
    btnCancel = NewButton(this, "btnCancel", "&Cancel");
    // Enter and Escape both reach Cancel.
    btnCancel->setDefault(true);

    auto* reportRow = new QHBoxLayout;
    auto* reportLabel = new QLabel(QStringLiteral("Report"), this);
    reportLabel->setBuddy(cbReport);
    reportRow->addWidget(reportLabel);
    reportRow->addWidget(cbReport);
    reportRow->addStretch();

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(12);
    grid->setVerticalSpacing(8);
    grid->addWidget(Frame_Date_Form1, 0, 0);
    const struct {
        const char* Caption;
        TDBLookupComboBox* Picker;
        TDBCheckBox* All;
        int Row, Column;
    } groups[] = {{"Project ", dblucbProject, cbxAllProjects, 0, 1},
                  {"Client", dblucbClient, cbxAllClients, 1, 0},
                  {"User", dblucbUser, cbxAllUsers, 1, 1}};
    for (const auto& g : groups) {
        QWidget* group = CriterionGroup(this, QLatin1String(g.Caption), g.Picker, g.All);
        // Captions line up with the date frame's.
        group->layout()->setContentsMargins(Frame_Date_Form1->layout()->contentsMargins());
        grid->addWidget(group, g.Row, g.Column);
    }

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    for (QPushButton* button : {btnPreview, btnPrint, btnCancel})
        buttons->addWidget(button);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addLayout(reportRow);
    layout->addLayout(grid);
    layout->addStretch();
    layout->addLayout(buttons);

    setTabOrder(cbReport, Frame_Date_Form1);
    setTabOrder(Frame_Date_Form1, dblucbProject);
    setTabOrder(dblucbProject, cbxAllProjects);
    setTabOrder(cbxAllProjects, dblucbClient);
    setTabOrder(dblucbClient, cbxAllClients);
    setTabOrder(cbxAllClients, dblucbUser);
    setTabOrder(dblucbUser, cbxAllUsers);
    setTabOrder(cbxAllUsers, btnPreview);
    setTabOrder(btnPreview, btnPrint);
    setTabOrder(btnPrint, btnCancel);

    // A fixed dialog border, at least the designed client area.
    const QSize hint = layout->sizeHint();
    setFixedSize(qMax(ClientWidth, hint.width()), qMax(ClientHeight, hint.height()));

    auto guarded = [](std::function<void()> fn) {
        return [fn = std::move(fn)] { TDataControls::Guard(fn); };
    };
    connect(cbxAllProjects, &QCheckBox::toggled, this, guarded([this] { cbxAllProjectsClick(); }));
    connect(cbxAllClients, &QCheckBox::toggled, this, guarded([this] { cbxAllClientsClick(); }));
    connect(cbxAllUsers, &QCheckBox::toggled, this, guarded([this] { cbxAllUsersClick(); }));
    connect(btnPreview, &QPushButton::clicked, this, guarded([this] { btnPreviewClick(); }));
    connect(btnPrint, &QPushButton::clicked, this, guarded([this] { btnPrintClick(); }));
    connect(btnCancel, &QPushButton::clicked, this, [this] { btnCancelClick(); });
}

void TForm_Reporting_Form::FormCreate() {
    TBaseFormXEP_BaseForm::FormCreate();
    CreateReportDetails(adsReportDetails);
    adsReportDetails.FieldByName(QStringLiteral("ReportNumber")).OnChange = [this](TField&) {
        EnableFields();
    };
    Frame_Date_Form1->SetiStartDay(
        FDm.adsDefaults.FieldByName(QStringLiteral("StartDayOfWeek")).AsInteger());
}

TBaseReportXEP_BaseForm* TForm_Reporting_Form::Layout(int reportNumber) const {
    if (reportNumber < rnTaskDuration || reportNumber > rnUserActivity) return nullptr;
    return FLayouts[size_t(reportNumber - 1)].get();
}

int TForm_Reporting_Form::ReportNumber() const {
    return adsReportDetails.FieldByName(QStringLiteral("ReportNumber")).AsInteger();
}

void TForm_Reporting_Form::showEvent(QShowEvent* event) {
    TBaseFormXEP_BaseForm::showEvent(event);
    FormShow();
}

void TForm_Reporting_Form::FormShow() {
    Frame_Date_Form1->SetInitialDateSelection(idsLastWeek);
    // The user picker starts on the timesheet user, and follows a new one until the user
    // picks someone else.
    TField& user = adsReportDetails.FieldByName(QStringLiteral("UserId"));
    if (user.AsInteger() == FDefaultUserId) {
        FDefaultUserId = FDm.TimesheetUserID();
        adsReportDetails.Edit();
        user.SetAsInteger(FDefaultUserId);
        adsReportDetails.CheckBrowseMode();
    }
    EnableFields();
}

void TForm_Reporting_Form::EnableFields() {
    const int report = ReportNumber();
    if (report < rnTaskDuration || report > rnUserActivity) return;
    const struct {
        int Report;
        TDBLookupComboBox* Picker;
        TDBCheckBox* All;
    } criteria[] = {{rnProjectSummary, dblucbProject, cbxAllProjects},
                    {rnClientActivity, dblucbClient, cbxAllClients},
                    {rnUserActivity, dblucbUser, cbxAllUsers}};
    for (const auto& c : criteria) {
        const bool used = c.Report == report;
        c.All->setEnabled(used);
        c.Picker->setEnabled(used && !c.All->isChecked());
    }
}

// A box is only enabled for the report that uses it, so its picker follows it only then.
void TForm_Reporting_Form::cbxAllProjectsClick() {
    dblucbProject->setEnabled(cbxAllProjects->isEnabled() && !cbxAllProjects->isChecked());
}
void TForm_Reporting_Form::cbxAllClientsClick() {
    dblucbClient->setEnabled(cbxAllClients->isEnabled() && !cbxAllClients->isChecked());
}
void TForm_Reporting_Form::cbxAllUsersClick() {
    dblucbUser->setEnabled(cbxAllUsers->isEnabled() && !cbxAllUsers->isChecked());
}

void TForm_Reporting_Form::PopulateChartandReport() {
    // A choice still being edited in a picker counts.
    adsReportDetails.CheckBrowseMode();
    Frame_Date_Form1->FrameExit();
    ::PopulateChartandReport(FDm, adsReportDetails, Frame_Date_Form1->StartDate(),
                             Frame_Date_Form1->EndDate());
}

void TForm_Reporting_Form::btnPreviewClick() {
    if (!AwaitHistory(FDm, this, THistoryNeed::Read)) return;
    PopulateChartandReport();
    if (TBaseReportXEP_BaseForm* layout = Layout(ReportNumber())) layout->Preview(this);
}

void TForm_Reporting_Form::btnPrintClick() {
    if (!AwaitHistory(FDm, this, THistoryNeed::Read)) return;
    PopulateChartandReport();
    if (TBaseReportXEP_BaseForm* layout = Layout(ReportNumber())) layout->Print(this);
}

void TForm_Reporting_Form::btnCancelClick() {
    reject();
}
