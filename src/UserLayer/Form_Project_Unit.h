#pragma once
// The projects dialog.

#include "BaseUnits/BaseFormXEP_MaintainDialogUnit.h"

class TdmTasks_Form;

class TForm_Projects_Form : public TBaseFormXEP_MaintainDialogForm {
    Q_OBJECT
public:
    explicit TForm_Projects_Form(TdmTasks_Form& dm, QWidget* parent = nullptr);
};
