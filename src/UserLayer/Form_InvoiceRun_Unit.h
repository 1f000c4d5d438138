#pragma once
// The invoice run dialog: an invoice date, a comment and the clients to invoice (all, or a
// list picked in the grid). Nothing is computed or stored: "Run" closes the dialog, and what
// was entered goes with it.

#include "BaseUnits/BaseFormXEP_BottomHelpDialogUnit.h"

#include "Components/RecordSet/TRecordSet.h"

class QAction;
class QCheckBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QMenu;
class TDataSource;
class TDBGrid;
class TdmTasks_Form;

class TForm_InvoiceRun_Form : public TBaseFormXEP_BottomHelpDialogForm {
    Q_OBJECT
public:
    explicit TForm_InvoiceRun_Form(TdmTasks_Form& dm, QWidget* parent = nullptr);

    QLabel *lblInvoiceDate, *lblComment;
    QDateEdit* dtpInvoiceDate;
    QLineEdit* edtComment;
    QCheckBox* cbxAllClients;
    TDBGrid* dbgClients;
    TRecordSet adsInvoiceClients; // ClientID, ClientName (looked up in the clients table)
    TDataSource* dsInvoiceClients;
    QMenu* PopupMenu1;
    QAction *In1, *Delete1;

    void In1Click();
    void Delete1Click();
    void cbxAllClientsChange();

private:
    void FormCreate();
};
