#pragma once
// The users dialog. Changing a user's type adds or removes rows of the managers table, so the
// dialog records the changes to that table too and undoes both when it is left by Cancel.

#include "BaseUnits/BaseFormXEP_MaintainDialogUnit.h"

class TdmTasks_Form;

class TForm_User_Form : public TBaseFormXEP_MaintainDialogForm {
    Q_OBJECT
public:
    explicit TForm_User_Form(TdmTasks_Form& dm, QWidget* parent = nullptr);
    ~TForm_User_Form() override;

    void FormShow() override;
    bool FormCloseQuery() override;
    void btnCancelClick() override;

protected:
    void done(int result) override;

private:
    TdmTasks_Form& FDm;
};
