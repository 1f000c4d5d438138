#include "Form_InvoiceWorkflow_Unit.h"

#include "Form_InvoiceRun_Unit.h"

#include "Components/DataControls/TDataControls.h"

#include <QPushButton>
#include <QVBoxLayout>

namespace {
constexpr int ButtonWidth = 200;
constexpr int ButtonHeight = 25;
} // namespace

TForm_InvoiceWorkflow_Form::TForm_InvoiceWorkflow_Form(TdmTasks_Form& dm, QWidget* parent)
    : TBaseFormXEP_BottomHelpDialogForm(parent), FDm(dm) {
    setObjectName(QStringLiteral("Form_InvoiceWorkflow_Form"));
    setWindowTitle(QStringLiteral("Invoicing"));
    resize(303, 261);
    btnOk->hide();
    btnCancel->setText(QStringLiteral("&Close"));

    // Stacked at one left edge, top to bottom.
    auto* layout = new QVBoxLayout(ClientArea());
    layout->setContentsMargins(16, 16, 16, 8);
    layout->setSpacing(8);
    auto button = [this, layout](const char* name, const char* caption) {
        auto* b = new QPushButton(QLatin1String(caption), ClientArea());
        b->setObjectName(QLatin1String(name));
        b->setFixedSize(ButtonWidth, ButtonHeight);
        b->setAutoDefault(false);
        layout->addWidget(b, 0, Qt::AlignLeft);
        return b;
    };
    btnViewInovices = button("btnViewInovices", "View Invoices");
    btnCreateInvoiceRun = button("btnCreateInvoiceRun", "Create Invoice Run");
    btnInvoiceSettings = button("btnInvoiceSettings", "Invoice Settings");
    btnMaintainTaxes = button("btnMaintainTaxes", "Maintain Taxes");
    layout->addStretch();
    connect(btnCreateInvoiceRun, &QPushButton::clicked, this,
            [this] { TDataControls::Guard([this] { btnCreateInvoiceRunClick(); }); });
    FormCreate();
}

void TForm_InvoiceWorkflow_Form::btnCreateInvoiceRunClick() {
    TForm_InvoiceRun_Form form(FDm, this);
    form.exec();
}

void InvoiceExecute(TdmTasks_Form& dm, QWidget* owner) {
    TForm_InvoiceWorkflow_Form form(dm, owner);
    form.exec();
}
