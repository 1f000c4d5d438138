#pragma once
// The users dialog. Changing a user's type adds or removes rows of the managers table, so the
// dialog keeps a second snapshot of that table and puts both back when it is left by Cancel.

#include "BaseUnits/BaseFormXEP_MaintainDialogUnit.h"

class TdmTasks_Form;

class TForm_User_Form : public TBaseFormXEP_MaintainDialogForm {
    Q_OBJECT
public:
    explicit TForm_User_Form(TdmTasks_Form& dm, QWidget* parent = nullptr);
    ~TForm_User_Form() override;

    std::optional<QByteArray> BackupManagerStream;

    void FormShow() override;
    bool FormCloseQuery() override;
    void btnCancelClick() override;

private:
    TdmTasks_Form& FDm;
};
