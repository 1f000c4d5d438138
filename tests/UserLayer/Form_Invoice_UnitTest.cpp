// Invoicing: the review window's inert Invoice and Authorise commands, the invoicing window
// with its four buttons and the invoice run dialog with its client list, none of which
// changes the store.

#include "DataModuleFixture.h"

#include "UserLayer/Form_InvoiceRun_Unit.h"
#include "UserLayer/Form_InvoiceWorkflow_Unit.h"
#include "UserLayer/Form_Submit_Unit.h"
#include "support/TScriptedDialogService.h"

#include "Components/DataControls/TDBGrid.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QStyleOptionViewItem>
#include <QTimer>

namespace {
class InvoiceTest : public DataModuleTest {
protected:
    void SetUp() override {
        DataModuleTest::SetUp();
        StartSetUp();
        for (const char* name : {"Acme Ltd", "Borealis", "Cirrus"}) {
            dm->adsClients.Append();
            F(dm->adsClients, "ClientName").SetAsString(QLatin1String(name));
            dm->adsClients.Post();
        }
    }

    // Every table of the store as it would be written.
    QByteArray Store() {
        QByteArray bytes;
        for (TRecordSet* t :
             {&dm->adsTasks, &dm->adsTaskCodes, &dm->adsProjects, &dm->adsClients, &dm->adsUsers,
              &dm->adsManagers, &dm->adsReporting, &dm->adsDefaults, &dm->adsMaxNumbers})
            bytes += t->SaveToBytes() + QByteArray::number(t->Tag);
        return bytes;
    }

    // The modal window shown at the next turn of the event loop is handed to act (which must
    // close it); className receives its class name, or stays empty when none showed.
    static void NextModal(const std::function<void(QWidget*)>& act, QString& className) {
        className.clear();
        QTimer::singleShot(0, [&className, act] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal) return;
            className = QLatin1String(modal->metaObject()->className());
            act(modal);
        });
    }

    // The client names of the run dialog's list, in order.
    static std::string ClientList(TRecordSet& list) {
        QStringList rows;
        const int recNo = list.RecNo();
        for (int r = 1; r <= list.RecordCount(); ++r) {
            list.WithRecord(
                r, [&] { rows << list.FieldByName(QStringLiteral("ClientName")).AsString(); });
        }
        if (recNo > 0) list.SetRecNo(recNo);
        return rows.join(QLatin1Char('|')).toStdString();
    }

    static void AddClient(TForm_InvoiceRun_Form& run, int clientId) {
        run.In1Click();
        run.adsInvoiceClients.FieldByName(QStringLiteral("ClientID")).SetAsInteger(clientId);
        run.adsInvoiceClients.Post();
    }

    int ClientId(const char* name) {
        dm->adsClients.Locate(QStringLiteral("ClientName"), QLatin1String(name));
        return F(dm->adsClients, "ClientId").AsInteger();
    }

    TScopedDialogService dialogs;
};
} // namespace

TEST_F(InvoiceTest, TheReviewWindowsInvoiceCannotBeChosenAndAuthoriseDoesNothing) {
    TForm_Submit_Form review(*dm);
    const QByteArray before = Store();
    EXPECT_FALSE(review.Invoice->isEnabled());
    QString opened;
    NextModal([](QWidget* w) { static_cast<QDialog*>(w)->reject(); }, opened);
    review.Invoice->trigger();
    review.aAuthorise->trigger();
    QApplication::processEvents();
    EXPECT_TRUE(opened.isEmpty()) << opened.toStdString();
    EXPECT_EQ(Store(), before);

    // Were it enabled, it would open the invoicing window.
    review.Invoice->setEnabled(true);
    NextModal([](QWidget* w) { static_cast<QDialog*>(w)->reject(); }, opened);
    review.Invoice->trigger();
    EXPECT_EQ(opened, QStringLiteral("TForm_InvoiceWorkflow_Form"));
}

TEST_F(InvoiceTest, TheInvoicingWindowStacksFourButtonsAndOnlyCreateInvoiceRunOpensAnything) {
    TForm_InvoiceWorkflow_Form form(*dm);
    form.show();
    QApplication::processEvents();
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Invoicing"));
    EXPECT_EQ(form.size(), QSize(303, 261));
    EXPECT_FALSE(form.btnOk->isVisible());
    EXPECT_EQ(form.btnCancel->text(), QStringLiteral("&Close"));
    EXPECT_TRUE(form.btnHelp->isVisible());
    const QList<QPushButton*> buttons{form.btnViewInovices, form.btnCreateInvoiceRun,
                                      form.btnInvoiceSettings, form.btnMaintainTaxes};
    QStringList captions;
    for (int i = 0; i < buttons.size(); ++i) {
        QPushButton* b = buttons.at(i);
        captions << b->text();
        EXPECT_EQ(b->size(), QSize(200, 25));
        EXPECT_EQ(b->x(), buttons.first()->x()) << "one left edge";
        if (i > 0) {
            EXPECT_GE(b->y(), buttons.at(i - 1)->y() + 25) << "stacked, not overlapping";
        }
    }
    EXPECT_EQ(captions.join(QLatin1Char('|')),
              QStringLiteral("View Invoices|Create Invoice Run|Invoice Settings|Maintain Taxes"));

    const QByteArray before = Store();
    QString opened;
    for (QPushButton* b : {form.btnViewInovices, form.btnInvoiceSettings, form.btnMaintainTaxes}) {
        NextModal([](QWidget* w) { static_cast<QDialog*>(w)->reject(); }, opened);
        b->click();
        QApplication::processEvents();
        EXPECT_TRUE(opened.isEmpty()) << b->objectName().toStdString();
    }
    int runResult = -1;
    NextModal(
        [&runResult](QWidget* w) {
            auto* run = static_cast<TForm_InvoiceRun_Form*>(w);
            QObject::connect(run, &QDialog::finished, [&runResult](int r) { runResult = r; });
            run->btnOk->click();
        },
        opened);
    form.btnCreateInvoiceRun->click();
    EXPECT_EQ(opened, QStringLiteral("TForm_InvoiceRun_Form"));
    EXPECT_EQ(runResult, QDialog::Accepted) << "Run closes with OK";
    EXPECT_TRUE(form.isVisible());
    form.btnCancel->click();
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(Store(), before);
}

TEST_F(InvoiceTest, TheRunDialogStartsTodayWithAnEmptyUsableClientList) {
    TForm_InvoiceRun_Form run(*dm);
    run.show();
    EXPECT_EQ(run.windowTitle(), QStringLiteral("Invoice Run"));
    EXPECT_EQ(run.size(), QSize(419, 235));
    EXPECT_EQ(run.btnOk->text(), QStringLiteral("Run"));
    EXPECT_EQ(run.dtpInvoiceDate->date(), QDate(2026, 12, 9));
    EXPECT_EQ(run.dtpInvoiceDate->displayFormat(), QStringLiteral("dd/MM/yyyy"));
    EXPECT_FALSE(run.cbxAllClients->isChecked());
    EXPECT_TRUE(run.dbgClients->isEnabled());
    EXPECT_TRUE(run.adsInvoiceClients.IsEmpty());
    EXPECT_EQ(run.dbgClients->model()->headerData(0, Qt::Horizontal).toString(),
              QStringLiteral("Client Name"));
    // The client is chosen from a list of the client names.
    AddClient(run, ClientId("Acme Ltd"));
    const QModelIndex cell = run.dbgClients->model()->index(0, 0);
    EXPECT_EQ(cell.data().toString(), QStringLiteral("Acme Ltd"));
    std::unique_ptr<QWidget> editor(run.dbgClients->itemDelegate()->createEditor(
        run.dbgClients->viewport(), QStyleOptionViewItem(), cell));
    auto* box = qobject_cast<QComboBox*>(editor.get());
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->count(), dm->adsClients.RecordCount());
    EXPECT_NE(box->findText(QStringLiteral("Borealis")), -1);
    box->setCurrentIndex(box->findText(QStringLiteral("Borealis")));
    run.dbgClients->itemDelegate()->setModelData(box, run.dbgClients->model(), cell);
    run.adsInvoiceClients.Post();
    EXPECT_EQ(ClientList(run.adsInvoiceClients), "Borealis");
    run.btnCancel->click();
}

TEST_F(InvoiceTest, InsertGoesAtTheCurrentRowAndAllClientsGreysTheListWithoutChangingIt) {
    const QByteArray before = Store();
    TForm_InvoiceRun_Form run(*dm);
    run.show();
    AddClient(run, ClientId("Acme Ltd"));
    AddClient(run, ClientId("Borealis"));
    EXPECT_EQ(ClientList(run.adsInvoiceClients), "Borealis|Acme Ltd")
        << "inserted before the current row";
    run.adsInvoiceClients.Last();
    AddClient(run, ClientId("Cirrus"));
    EXPECT_EQ(ClientList(run.adsInvoiceClients), "Borealis|Cirrus|Acme Ltd");
    run.adsInvoiceClients.Last();
    run.Delete1Click();
    EXPECT_EQ(ClientList(run.adsInvoiceClients), "Borealis|Cirrus");

    run.cbxAllClients->click();
    EXPECT_TRUE(run.cbxAllClients->isChecked());
    EXPECT_FALSE(run.dbgClients->isEnabled());
    EXPECT_EQ(ClientList(run.adsInvoiceClients), "Borealis|Cirrus");
    run.cbxAllClients->click();
    EXPECT_TRUE(run.dbgClients->isEnabled());
    EXPECT_EQ(ClientList(run.adsInvoiceClients), "Borealis|Cirrus");

    // A new row not yet filled in is simply dropped by Delete.
    run.In1Click();
    run.Delete1Click();
    EXPECT_EQ(ClientList(run.adsInvoiceClients), "Borealis|Cirrus");
    EXPECT_EQ(run.adsInvoiceClients.State(), TDataSetState::Browse);

    run.edtComment->setText(QStringLiteral("December"));
    run.btnOk->click();
    EXPECT_EQ(run.result(), QDialog::Accepted);
    EXPECT_EQ(Store(), before) << "Run computes and stores nothing";
}

TEST_F(InvoiceTest, Screenshots) {
    const QString dir = qEnvironmentVariable("TIVREL_SCREENSHOT_DIR");
    if (dir.isEmpty()) GTEST_SKIP() << "TIVREL_SCREENSHOT_DIR is not set";
    auto shoot = [&dir](QWidget& window, const char* name) {
        window.show();
        window.activateWindow();
        for (int i = 0; i < 20; ++i)
            QApplication::processEvents();
        EXPECT_TRUE(window.grab().save(QDir(dir).filePath(QLatin1String(name))));
    };
    TForm_InvoiceWorkflow_Form workflow(*dm);
    shoot(workflow, "Form_InvoiceWorkflow_Form.png");
    workflow.btnCancel->click();
    TForm_InvoiceRun_Form run(*dm);
    AddClient(run, ClientId("Acme Ltd"));
    AddClient(run, ClientId("Borealis"));
    run.edtComment->setText(QStringLiteral("December run"));
    shoot(run, "Form_InvoiceRun_Form.png");
    run.btnCancel->click();
}
