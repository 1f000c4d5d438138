#pragma once
// The clients dialog.

#include "BaseUnits/BaseFormXEP_MaintainDialogUnit.h"

class TdmTasks_Form;

class TForm_Clients_Form : public TBaseFormXEP_MaintainDialogForm {
    Q_OBJECT
public:
    explicit TForm_Clients_Form(TdmTasks_Form& dm, QWidget* parent = nullptr);
};
