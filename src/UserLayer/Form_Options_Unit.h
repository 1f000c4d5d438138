#pragma once
// The options dialog: the one row of the options table edited in bound controls on two tabs,
// "General" and "Submit". Like every maintenance dialog, OK keeps what was changed and Cancel
// puts the row back as it was when the dialog appeared; its grid is not used.
//
// The week start list is not bound: it holds the locale's day names, is set from
// StartDayOfWeek when the dialog is shown and written back on OK.
//
// Opening it: ShowOptionsDialog(dm, parent), or construct TForm_Options_Form and exec().

#include "BaseUnits/BaseFormXEP_MaintainDialogUnit.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QTabWidget;
class TDBCheckBox;
class TDBEdit;
class TDBLookupComboBox;
class TDataSource;
class TdmTasks_Form;

class TForm_Options_Form : public TBaseFormXEP_MaintainDialogForm {
    Q_OBJECT
public:
    static constexpr int ClientWidth = 406;
    static constexpr int ClientHeight = 392; // room for the timesheet user and idle rows
    // A working day is more than 0 and at most this many hours.
    static constexpr double MaxDayDuration = 24.0;

    explicit TForm_Options_Form(TdmTasks_Form& dm, QWidget* parent = nullptr);
    ~TForm_Options_Form() override;

    QTabWidget* PageControl1;
    QWidget *tsGeneral, *tsSubmit;

    // General
    QLabel *lblWeekStartDay, *lblDayDuration, *lblLunchStart, *lblLunchEnd;
    QComboBox* cbWeekStartDay;
    TDBEdit *dbeDayDuration, *dbeLunchStart, *dbeLunchEnd;
    QGroupBox *gbGeneralFunction, *gbGeneralDisplay;
    TDBCheckBox *dbcbxNewTaskInsertAllowed, *dbcbxDisplayClients, *dbcbxDisplayProjects,
        *dbcbxDisplaySummaryDuration, *dbcbxDisplayPriority;

    // Submit
    QLabel* lblMinimumTaskDuration;
    TDBEdit* dbeMinimumTaskDuration;
    TDBLookupComboBox* dblcTimesheetUser; // the user whose time the submissions book
    TDBEdit* dbeIdleAfterMinutes;         // 0: never ask about time away
    QLabel *lblTimesheetUser, *lblIdleAfterMinutes;
    TDataSource* dsUsers;
    QGroupBox *gbSubmitFunction, *gbSubmitDisplay;
    TDBCheckBox *dbcbxRemoveUnusedTasks, *dbcbxDisplayMon, *dbcbxDisplayTue, *dbcbxDisplayWed,
        *dbcbxDisplayThu, *dbcbxDisplayFri, *dbcbxDisplaySat, *dbcbxDisplaySun;

    void FormShow() override;
    // Writes the week start day and commits the row; a working day out of range is refused
    // and the dialog stays open.
    void btnOkClick();
    bool FormCloseQuery() override;

private:
    void CreateGeneralTab();
    void CreateSubmitTab();
    TDBEdit* BoundEdit(QWidget* parent, const char* name, const char* field);
    TDBCheckBox* BoundCheckBox(QWidget* parent, const char* name, const char* caption,
                               const char* field);
    // Writes pending typing into the row; false when a field refused it.
    bool UpdateRow();
    void ApplyWeekStartDay();
    // Shows why the working day is refused and returns to it; true when it is acceptable.
    bool CheckDayDuration();

    TdmTasks_Form& FDm;
};

// Shows the options dialog modally; true when it was left with OK.
bool ShowOptionsDialog(TdmTasks_Form& dm, QWidget* parent = nullptr);
