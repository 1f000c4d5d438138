#pragma once
// The reports window: the report to produce, its date range and, for three of the reports, a
// project, a client or a user (or all of them). Preview and Print gather the history into the
// chart data set and hand it to the chosen layout. Created once at start; each showing resets
// the range to last week and keeps the other choices.

#include "BaseUnits/BaseFormXEP_BaseUnit.h"

#include "Components/RecordSet/TRecordSet.h"

#include <array>
#include <memory>

class QLabel;
class QPushButton;
class TBaseReportXEP_BaseForm;
class TDataSource;
class TDBCheckBox;
class TDBLookupComboBox;
class TFrame_Date_Form;
class TdmTasks_Form;

class TForm_Reporting_Form : public TBaseFormXEP_BaseForm {
    Q_OBJECT
public:
    static constexpr int ClientWidth = 499;
    static constexpr int ClientHeight = 190;

    explicit TForm_Reporting_Form(TdmTasks_Form& dm, QWidget* parent = nullptr);
    ~TForm_Reporting_Form() override;

    TRecordSet adsReportDetails;
    TDataSource *dsReportDetails, *dsReports, *dsProjects, *dsClients, *dsUsers;
    TDBLookupComboBox *cbReport, *dblucbProject, *dblucbClient, *dblucbUser;
    TDBCheckBox *cbxAllProjects, *cbxAllClients, *cbxAllUsers;
    TFrame_Date_Form* Frame_Date_Form1;
    QPushButton *btnPreview, *btnPrint, *btnCancel;

    // The layout of a report number (1 to 4), nullptr for others.
    TBaseReportXEP_BaseForm* Layout(int reportNumber) const;

    void FormShow();
    void EnableFields();
    void cbxAllProjectsClick();
    void cbxAllClientsClick();
    void cbxAllUsersClick();
    void PopulateChartandReport();
    void btnPreviewClick();
    void btnPrintClick();
    void btnCancelClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormCreate();
    void BuildControls();
    int ReportNumber() const;

    TdmTasks_Form& FDm;
    int FDefaultUserId = 0; // the timesheet user the picker was last set to
    std::array<std::unique_ptr<TBaseReportXEP_BaseForm>, 4> FLayouts;
};
