#include "Form_User_Unit.h"

#include "Form_Maintain_Dialogs.h"
#include "data_Tasks_Unit.h"

#include "Components/DataControls/TDBGrid.h"
#include "Components/DataControls/TDataSource.h"

TForm_User_Form::TForm_User_Form(TdmTasks_Form& dm, QWidget* parent)
    : TBaseFormXEP_MaintainDialogForm(parent), FDm(dm) {
    setObjectName(QStringLiteral("Form_User_Form"));
    setWindowTitle(QStringLiteral("User Maintenance"));
    dsMaintain->SetDataSet(&dm.adsUsers);
    dbgMaintain->SetColumns(MaintainColumns({
        {"UserID", nullptr, 0, true},
        {"UserNumber", "User Number"},
        {"Title", "Title"},
        {"FirstName", "First Name"},
        {"MiddleName", "Middle Name"},
        {"LastName", "Last Name"},
        {"UserName", "User Name"},
        {"SignOn", "Sign On"},
        {"Password", "Password"},
        {"Notes", nullptr, 0, true},
        {"DepartmentName", "Department Name"},
        {"OfficeLocation", "Office Location"},
        {"UserTypeNumber", nullptr, 0, true},
        {"UserTypeDesc", "User Type", 0, false, false, 2},
        {"DailyRate", "Daily Rate"},
        {"ManagerID", nullptr, 0, true},
        {"ManagerName", "Manager Name", 0, false, false, 4},
        {"UserAuthNumber", nullptr, 0, true},
        {"UserAuthDesc", "User Authority", 0, false, false, 4},
    }));
    // Passwords are shown masked here; the stored value stays as it is.
    dm.adsUsers.FieldByName(QStringLiteral("Password")).OnGetText = [](TField& field, QString& text,
                                                                       bool display) {
        text = display ? QString(field.AsString().size(), QChar(0x25CF)) : field.AsString();
    };
    FHelpString = QStringLiteral("Users");
    FormCreate();
}

TForm_User_Form::~TForm_User_Form() {
    FDm.adsUsers.FieldByName(QStringLiteral("Password")).OnGetText = nullptr;
}

void TForm_User_Form::FormShow() {
    TBaseFormXEP_MaintainDialogForm::FormShow();
    BackupRecordset(FDm.adsManagers);
}

bool TForm_User_Form::FormCloseQuery() {
    const bool canClose = TBaseFormXEP_MaintainDialogForm::FormCloseQuery();
    if (mrCloseType == 2) RestoreRecordset(FDm.adsManagers);
    return canClose;
}

void TForm_User_Form::done(int result) {
    KeepRecordset(FDm.adsManagers); // what was not undone is kept
    TBaseFormXEP_MaintainDialogForm::done(result);
}

void TForm_User_Form::btnCancelClick() {
    RestoreRecordset(FDm.adsManagers);
    TBaseFormXEP_MaintainDialogForm::btnCancelClick();
}
