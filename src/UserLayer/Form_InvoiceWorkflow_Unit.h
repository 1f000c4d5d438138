#pragma once
// The invoicing window: the entry to invoicing. Of its four buttons only "Create Invoice Run"
// does anything (it opens the invoice run dialog); the others are placeholders.

#include "BaseUnits/BaseFormXEP_BottomHelpDialogUnit.h"

class TdmTasks_Form;

class TForm_InvoiceWorkflow_Form : public TBaseFormXEP_BottomHelpDialogForm {
    Q_OBJECT
public:
    explicit TForm_InvoiceWorkflow_Form(TdmTasks_Form& dm, QWidget* parent = nullptr);

    QPushButton *btnViewInovices, *btnCreateInvoiceRun, *btnInvoiceSettings, *btnMaintainTaxes;

    void btnCreateInvoiceRunClick();

private:
    TdmTasks_Form& FDm;
};

// The review window's Invoice action: the invoicing window, shown modally and released.
void InvoiceExecute(TdmTasks_Form& dm, QWidget* owner);
