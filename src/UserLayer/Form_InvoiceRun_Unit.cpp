#include "Form_InvoiceRun_Unit.h"

#include "data_Tasks_Unit.h"

#include "Components/Core/SysDateTime.h"
#include "Components/Core/TClock.h"
#include "Components/Core/TFormatSettings.h"
#include "Components/DataControls/TDBGrid.h"
#include "Components/DataControls/TDataControls.h"
#include "Components/DataControls/TDataSource.h"

#include <QAction>
#include <QCheckBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

TForm_InvoiceRun_Form::TForm_InvoiceRun_Form(TdmTasks_Form& dm, QWidget* parent)
    : TBaseFormXEP_BottomHelpDialogForm(parent),
      lblInvoiceDate(new QLabel(QStringLiteral("Invoice Date"), ClientArea())),
      lblComment(new QLabel(QStringLiteral("Comment"), ClientArea())),
      dtpInvoiceDate(new QDateEdit(ClientArea())), edtComment(new QLineEdit(ClientArea())),
      cbxAllClients(new QCheckBox(QStringLiteral("All Clients"), ClientArea())),
      dbgClients(new TDBGrid(ClientArea())), dsInvoiceClients(new TDataSource(this)),
      PopupMenu1(new QMenu(this)) {
    setObjectName(QStringLiteral("Form_InvoiceRun_Form"));
    setWindowTitle(QStringLiteral("Invoice Run"));
    resize(419, 235);
    btnOk->setText(QStringLiteral("Run"));

    lblInvoiceDate->setObjectName(QStringLiteral("lblInvoiceDate"));
    lblComment->setObjectName(QStringLiteral("lblComment"));
    dtpInvoiceDate->setObjectName(QStringLiteral("dtpInvoiceDate"));
    dtpInvoiceDate->setDisplayFormat(TFormatSettings::Current().ShortDateFormat);
    dtpInvoiceDate->setCalendarPopup(true);
    lblInvoiceDate->setBuddy(dtpInvoiceDate);
    edtComment->setObjectName(QStringLiteral("edtComment"));
    lblComment->setBuddy(edtComment);
    cbxAllClients->setObjectName(QStringLiteral("cbxAllClients"));
    connect(cbxAllClients, &QCheckBox::toggled, this, [this] { cbxAllClientsChange(); });

    adsInvoiceClients.Name = QStringLiteral("adsInvoiceClients");
    adsInvoiceClients.AddField(QStringLiteral("ClientID"), TFieldType::Integer);
    adsInvoiceClients.AddLookupField(QStringLiteral("ClientName"), TFieldType::String, 50,
                                     &dm.adsClients, QStringLiteral("ClientID"),
                                     QStringLiteral("ClientId"), QStringLiteral("ClientName"));
    dsInvoiceClients->SetDataSet(&adsInvoiceClients);
    dbgClients->setObjectName(QStringLiteral("dbgClients"));
    dbgClients->SetDataSource(dsInvoiceClients);
    // A new row appears where it is inserted, not at the end.
    dbgClients->Model()->SetNewRowAtEnd(false);
    TDBGridColumn clientName;
    clientName.FieldName = QStringLiteral("ClientName");
    clientName.Title = QStringLiteral("Client Name");
    clientName.Width = 180;
    dbgClients->SetColumns({clientName});

    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    In1 = PopupMenu1->addAction(QStringLiteral("Insert"));
    In1->setObjectName(QStringLiteral("In1"));
    Delete1 = PopupMenu1->addAction(QStringLiteral("Delete"));
    Delete1->setObjectName(QStringLiteral("Delete1"));
    connect(In1, &QAction::triggered, this,
            [this] { TDataControls::Guard([this] { In1Click(); }); });
    connect(Delete1, &QAction::triggered, this,
            [this] { TDataControls::Guard([this] { Delete1Click(); }); });
    dbgClients->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(dbgClients, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        PopupMenu1->popup(dbgClients->viewport()->mapToGlobal(at));
    });

    // The date and the comment on the left, the clients on the right.
    auto* layout = new QGridLayout(ClientArea());
    layout->setContentsMargins(8, 8, 8, 4);
    layout->setHorizontalSpacing(12);
    layout->setVerticalSpacing(3);
    layout->addWidget(lblInvoiceDate, 0, 0);
    layout->addWidget(dtpInvoiceDate, 1, 0);
    layout->addItem(new QSpacerItem(0, 8), 2, 0);
    layout->addWidget(lblComment, 3, 0);
    layout->addWidget(edtComment, 4, 0);
    layout->setRowStretch(5, 1);
    layout->addWidget(cbxAllClients, 0, 1);
    layout->addWidget(dbgClients, 1, 1, 5, 1);
    layout->setColumnStretch(0, 1);
    layout->setColumnStretch(1, 1);
    setTabOrder(dtpInvoiceDate, edtComment);
    setTabOrder(edtComment, cbxAllClients);
    setTabOrder(cbxAllClients, dbgClients);
    FormCreate();
}

void TForm_InvoiceRun_Form::FormCreate() {
    TBaseFormXEP_BottomHelpDialogForm::FormCreate();
    dtpInvoiceDate->setDate(DayNumberToDate(TClock::Now()));
    cbxAllClients->setChecked(false);
    cbxAllClientsChange();
    if (!adsInvoiceClients.Active()) adsInvoiceClients.CreateDataSet();
    adsInvoiceClients.Edit();
}

void TForm_InvoiceRun_Form::In1Click() {
    adsInvoiceClients.Insert();
}

void TForm_InvoiceRun_Form::Delete1Click() {
    if (adsInvoiceClients.State() == TDataSetState::Insert) {
        adsInvoiceClients.Cancel(); // the new row not yet in the list
        return;
    }
    if (!adsInvoiceClients.IsEmpty()) adsInvoiceClients.Delete();
}

void TForm_InvoiceRun_Form::cbxAllClientsChange() {
    dbgClients->setEnabled(!cbxAllClients->isChecked());
}
