#include "Form_Clients_Unit.h"

#include "Form_Maintain_Dialogs.h"
#include "data_Tasks_Unit.h"

#include "Components/DataControls/TDBGrid.h"
#include "Components/DataControls/TDataSource.h"

TForm_Clients_Form::TForm_Clients_Form(TdmTasks_Form& dm, QWidget* parent)
    : TBaseFormXEP_MaintainDialogForm(parent) {
    setObjectName(QStringLiteral("Form_Clients_Form"));
    setWindowTitle(QStringLiteral("Client Maintenance"));
    dsMaintain->SetDataSet(&dm.adsClients);
    dbgMaintain->SetColumns(MaintainColumns({
        {"ClientId", "Client Id", 0, true, true},
        {"ClientName", "Client Name", 204},
        {"ContactFirstName", "Contact First Name", 105},
        {"ContactLastName", "Contact Last Name", 116},
        {"BillingTypeNumber", nullptr, 0, true},
        {"ClientTypeNumber", nullptr, 0, true},
        {"Notes", "Notes", 0, false, false, 0, TDBGridEditor::Memo},
        {"BillingTypeDesc", "Billing Type", 88, false, false, 3},
        {"ClientTypeDesc", "Client Type", 97, false, false, 2},
        {"TaxRegistration", "Tax Registration Code"},
    }));
    FHelpString = QStringLiteral("Clients");
    FormCreate();
}
