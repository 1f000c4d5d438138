#pragma once
// The task codes dialog.

#include "BaseUnits/BaseFormXEP_MaintainDialogUnit.h"

class TdmTasks_Form;

class TForm_Tasks_Form : public TBaseFormXEP_MaintainDialogForm {
    Q_OBJECT
public:
    explicit TForm_Tasks_Form(TdmTasks_Form& dm, QWidget* parent = nullptr);
};
