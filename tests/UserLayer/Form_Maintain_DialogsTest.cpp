// The maintenance dialogs: the snapshot kept or put back, the close question and the layout
// kept between runs.

#include "DataModuleFixture.h"

#include "UserLayer/Form_Clients_Unit.h"
#include "UserLayer/Form_Project_Unit.h"
#include "UserLayer/Form_Task_Unit.h"
#include "UserLayer/Form_User_Unit.h"
#include "support/TScriptedDialogService.h"

#include "Components/DataControls/TDBGrid.h"
#include "Components/DataControls/TDateEdit.h"

#include <QAbstractItemDelegate>

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyleOptionViewItem>
#include <QTest>

namespace {
class MaintainDialogTest : public DataModuleTest {
protected:
    void SetUp() override {
        DataModuleTest::SetUp();
        StartSetUp();
        // Four task codes to work on.
        for (const char* code : {"AAA", "BBB", "CCC"}) {
            dm->adsTaskCodes.Append();
            F(dm->adsTaskCodes, "TaskCode").SetAsString(QLatin1String(code));
            dm->adsTaskCodes.Post();
        }
    }

    QStringList Codes() {
        QStringList codes;
        const auto clone = dm->adsTaskCodes.Clone();
        clone->SetSort(QStringLiteral("TaskCode"));
        for (clone->First(); !clone->Eof(); clone->Next()) {
            codes << F(*clone, "TaskCode").AsString() + QLatin1Char('=') +
                         F(*clone, "TaskDescription").AsString();
        }
        return codes;
    }

    // Inserts two rows, changes a third and deletes a fourth (AAA, unused by any task).
    void EditCodes(TForm_Tasks_Form& dialog) {
        TRecordSet& codes = dm->adsTaskCodes;
        for (const char* code : {"NEW1", "NEW2"}) {
            dialog.aInsertExecute();
            F(codes, "TaskCode").SetAsString(QLatin1String(code));
            codes.Post();
        }
        codes.Locate(QStringLiteral("TaskCode"), QStringLiteral("BBB"));
        codes.Edit();
        F(codes, "TaskDescription").SetAsString(QStringLiteral("changed"));
        codes.Post();
        codes.Locate(QStringLiteral("TaskCode"), QStringLiteral("AAA"));
        dialog.aDeleteExecute();
    }

    void CloseByTitleBar(QWidget& dialog) {
        QCloseEvent event;
        QCoreApplication::sendEvent(&dialog, &event);
    }

    TScopedDialogService dialogs;
};
} // namespace

TEST_F(MaintainDialogTest, CancelPutsTheTableBackExactly) {
    const QStringList before = Codes();
    const QByteArray bytes = dm->adsTaskCodes.SaveToBytes();
    TForm_Tasks_Form dialog(*dm);
    dialog.show();
    EditCodes(dialog);
    EXPECT_NE(Codes(), before);
    dialog.btnCancel->click();
    EXPECT_EQ(Codes(), before);
    EXPECT_EQ(dm->adsTaskCodes.SaveToBytes(), bytes);
    EXPECT_EQ(dialog.mrCloseType, 2);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
}

TEST_F(MaintainDialogTest, OkKeepsTheEditsAndAReopenedDialogShowsThem) {
    {
        TForm_Tasks_Form dialog(*dm);
        dialog.show();
        EditCodes(dialog);
        dialog.btnOk->click();
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
    }
    const QStringList kept = Codes();
    EXPECT_TRUE(kept.contains(QStringLiteral("NEW2=NEW2")));
    EXPECT_FALSE(kept.join(QLatin1Char(',')).contains(QStringLiteral("AAA")));
    TForm_Tasks_Form again(*dm);
    again.show();
    again.btnCancel->click();
    EXPECT_EQ(Codes(), kept);
}

TEST_F(MaintainDialogTest, TheCloseQuestionHasThreeAnswers) {
    const QStringList before = Codes();
    TForm_Tasks_Form dialog(*dm);
    dialog.show();
    EditCodes(dialog);
    const QStringList edited = Codes();
    dialogs->YesNoCancelAnswers = {TDialogAnswer::Cancel};
    CloseByTitleBar(dialog);
    EXPECT_EQ(dialogs->Questions,
              QStringList{QStringLiteral("Do you wish to apply any changes ?")});
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(Codes(), edited);
    dialogs->YesNoCancelAnswers = {TDialogAnswer::No};
    CloseByTitleBar(dialog);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(Codes(), before);

    TForm_Tasks_Form second(*dm);
    second.show();
    EditCodes(second);
    dialogs->YesNoCancelAnswers = {TDialogAnswer::Yes};
    CloseByTitleBar(second);
    EXPECT_FALSE(second.isVisible());
    EXPECT_EQ(Codes(), edited);
}

TEST_F(MaintainDialogTest, AFilteredTableIsSnapshottedWhole) {
    dm->adsTaskCodes.SetFilter(QStringLiteral("TaskCode = 'GEN'"));
    dm->adsTaskCodes.SetFiltered(true);
    TForm_Tasks_Form dialog(*dm);
    dialog.show();
    dm->adsTaskCodes.SetFiltered(false);
    EditCodes(dialog);
    dm->adsTaskCodes.SetFiltered(true);
    dialog.btnCancel->click();
    dm->adsTaskCodes.SetFiltered(false);
    EXPECT_EQ(dm->adsTaskCodes.RecordCount(), 5);
    EXPECT_TRUE(dm->adsTaskCodes.Locate(QStringLiteral("TaskCode"), QStringLiteral("AAA")));
}

TEST_F(MaintainDialogTest, OkRefusedByARuleKeepsTheDialogOpen) {
    TForm_Tasks_Form dialog(*dm);
    dialog.show();
    dialog.aInsertExecute();
    F(dm->adsTaskCodes, "TaskDescription").SetAsString(QStringLiteral("no code"));
    dialog.btnOk->click();
    EXPECT_EQ(dialogs->Errors, QStringList{QStringLiteral("Key Field(s) Blank: Task Code")});
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.mrCloseType, 0);
    dialog.btnCancel->click();
}

namespace {
// Each master-data dialog with its table, a field its rule does not require and the message
// that rule gives for a row holding only that field.
struct TMasterDialog {
    const char* Name;
    std::function<std::unique_ptr<TBaseFormXEP_MaintainDialogForm>(TdmTasks_Form&)> Make;
    TRecordSet TdmTasks_Form::*Table;
    const char* OptionalField;
    const char* Message;
};

template <class TForm> std::unique_ptr<TBaseFormXEP_MaintainDialogForm> Make(TdmTasks_Form& dm) {
    return std::make_unique<TForm>(dm);
}

const TMasterDialog MasterDialogs[] = {
    {"users", Make<TForm_User_Form>, &TdmTasks_Form::adsUsers, "Title",
     "Key Field Blank(s): First Name, Last Name, Sign On, Password"},
    {"clients", Make<TForm_Clients_Form>, &TdmTasks_Form::adsClients, "ContactFirstName",
     "Client Name Blank"},
    {"projects", Make<TForm_Projects_Form>, &TdmTasks_Form::adsProjects, "TotalCost",
     "Key Field Blank(s): Project Name"},
    {"tasks", Make<TForm_Tasks_Form>, &TdmTasks_Form::adsTaskCodes, "TaskDescription",
     "Key Field(s) Blank: Task Code"},
};
} // namespace

TEST_F(MaintainDialogTest, ABlankNewRowIsDroppedByOkDeleteAndAnotherInsert) {
    for (const TMasterDialog& master : MasterDialogs) {
        SCOPED_TRACE(master.Name);
        TRecordSet& table = (*dm).*master.Table;
        const QByteArray before = table.SaveToBytes();
        const int rows = table.RecordCount();
        {
            auto dialog = master.Make(*dm);
            dialog->show();
            dialog->aInsertExecute();
            ASSERT_EQ(table.State(), TDataSetState::Insert);
            ASSERT_TRUE(table.Modified()) << "numbered and given defaults by its insert rules";
            dialog->aInsertExecute(); // a second Insert on the blank row
            EXPECT_EQ(dialog->dbgMaintain->model()->rowCount(), rows + 1);
            dialog->aDeleteExecute();
            EXPECT_EQ(table.State(), TDataSetState::Browse);
            EXPECT_EQ(table.RecordCount(), rows);
            dialog->aInsertExecute();
            dialog->btnOk->click();
            EXPECT_FALSE(dialog->isVisible());
            EXPECT_EQ(dialog->result(), QDialog::Accepted);
        }
        EXPECT_TRUE(dialogs->Errors.isEmpty()) << dialogs->Errors.join(u'|').toStdString();
        EXPECT_EQ(table.RecordCount(), rows);
        EXPECT_EQ(table.SaveToBytes(), before);
    }
}

TEST_F(MaintainDialogTest, OkWithAHalfFilledRowNamesTheFieldsItLacksAndStaysOnIt) {
    for (const TMasterDialog& master : MasterDialogs) {
        SCOPED_TRACE(master.Name);
        dialogs->Errors.clear();
        TRecordSet& table = (*dm).*master.Table;
        auto dialog = master.Make(*dm);
        dialog->show();
        dialog->aInsertExecute();
        TField& optional = table.FieldByName(QLatin1String(master.OptionalField));
        if (optional.DataType() == TFieldType::Currency)
            optional.SetAsCurrency(12);
        else
            optional.SetAsString(QStringLiteral("Dr"));
        dialog->btnOk->click();
        EXPECT_EQ(dialogs->Errors, QStringList{QLatin1String(master.Message)});
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_EQ(table.State(), TDataSetState::Insert) << "the row stays for correction";
        dialog->btnCancel->click();
    }
}

TEST_F(MaintainDialogTest, CancellingTheUsersDialogRemovesAManagerItCreated) {
    const int managers = dm->adsManagers.RecordCount();
    TForm_User_Form dialog(*dm);
    dialog.show();
    dialog.aInsertExecute();
    for (const auto& [field, value] : {std::pair{"FirstName", "Mia"}, std::pair{"LastName", "Boss"},
                                       std::pair{"SignOn", "mia"}, std::pair{"Password", "pw"}})
        F(dm->adsUsers, field).SetAsString(QLatin1String(value));
    F(dm->adsUsers, "UserTypeNumber").SetAsInteger(1);
    dm->adsUsers.Post();
    EXPECT_EQ(dm->adsManagers.RecordCount(), managers + 1);
    EXPECT_NE(F(dm->adsUsers, "Password").DisplayText(), QStringLiteral("pw")) << "shown masked";
    dialog.btnCancel->click();
    EXPECT_EQ(dm->adsManagers.RecordCount(), managers);
    EXPECT_EQ(dm->adsUsers.RecordCount(), 1);
}

namespace {
// Escape leaves the users dialog as Cancel does: a new user goes, and with it the manager row
// that making the user a manager added, also when a cell editor was open.
class UsersEscapeTest : public MaintainDialogTest {
protected:
    // Shows the dialog as the active window and adds a user of the manager type through it.
    void OpenAndAddAManager(TForm_User_Form& dialog) {
        managers = dm->adsManagers.RecordCount();
        users = dm->adsUsers.RecordCount();
        usersBefore = dm->adsUsers.SaveToBytes();
        managersBefore = dm->adsManagers.SaveToBytes();
        dialog.show();
        dialog.activateWindow();
        for (int i = 0; i < 50 && !dialog.isActiveWindow(); ++i)
            QCoreApplication::processEvents();
        ASSERT_TRUE(dialog.isActiveWindow());
        dialog.aInsertExecute();
        for (const auto& [field, value] :
             {std::pair{"FirstName", "Mia"}, std::pair{"LastName", "Boss"},
              std::pair{"SignOn", "mia"}, std::pair{"Password", "pw"}})
            F(dm->adsUsers, field).SetAsString(QLatin1String(value));
        F(dm->adsUsers, "UserTypeNumber").SetAsInteger(1);
        dm->adsUsers.Post();
        ASSERT_EQ(dm->adsManagers.RecordCount(), managers + 1);
        ASSERT_EQ(dm->adsUsers.RecordCount(), users + 1);
    }
    // Clicks the new user's first name, which opens the cell's editor.
    static void ClickFirstName(TForm_User_Form& dialog) {
        TDBGrid* grid = dialog.dbgMaintain;
        ASSERT_EQ(grid->model()->headerData(3, Qt::Horizontal).toString(),
                  QStringLiteral("First Name"));
        const QModelIndex cell = grid->model()->index(grid->model()->rowCount() - 1, 3);
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(cell).center());
        QCoreApplication::processEvents();
        ASSERT_TRUE(qobject_cast<QLineEdit*>(QApplication::focusWidget()))
            << "the cell's editor is open";
    }
    // Escape, pressed where the focus is.
    static void Escape(QWidget& dialog) {
        QWidget* focus = QApplication::focusWidget();
        QTest::keyClick(focus ? focus : &dialog, Qt::Key_Escape);
        QCoreApplication::processEvents();
    }
    void ExpectBothTablesBack(const TForm_User_Form& dialog) {
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_EQ(dialog.result(), QDialog::Rejected);
        EXPECT_EQ(dm->adsUsers.SaveToBytes(), usersBefore);
        EXPECT_EQ(dm->adsManagers.SaveToBytes(), managersBefore);
        EXPECT_EQ(dm->adsManagers.RecordCount(), managers);
    }

    int managers = 0, users = 0;
    QByteArray usersBefore, managersBefore;
};
} // namespace

TEST_F(UsersEscapeTest, EscapeUndoesTheUserAndTheManagerRowItMade) {
    TForm_User_Form dialog(*dm);
    OpenAndAddAManager(dialog);
    Escape(dialog);
    ExpectBothTablesBack(dialog);
}

TEST_F(UsersEscapeTest, EscapeAfterACellWasClickedUndoesThemToo) {
    // A cell clicked open: Escape in its editor leaves the dialog.
    {
        TForm_User_Form dialog(*dm);
        OpenAndAddAManager(dialog);
        ClickFirstName(dialog);
        Escape(dialog);
        ExpectBothTablesBack(dialog);
    }
    // A cell typed into: the first Escape undoes the typing, the next one leaves the dialog.
    {
        TForm_User_Form dialog(*dm);
        OpenAndAddAManager(dialog);
        ClickFirstName(dialog);
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("x"));
        ASSERT_EQ(dm->adsUsers.State(), TDataSetState::Edit);
        Escape(dialog);
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(dm->adsUsers.State(), TDataSetState::Browse);
        EXPECT_EQ(F(dm->adsUsers, "FirstName").AsString(), QStringLiteral("Mia"));
        Escape(dialog);
        ExpectBothTablesBack(dialog);
    }
}

TEST_F(MaintainDialogTest, CaptionsColumnsAndReadOnlyColour) {
    TForm_Clients_Form clients(*dm);
    EXPECT_EQ(clients.windowTitle(), QStringLiteral("Client Maintenance"));
    EXPECT_EQ(clients.HelpString(), QStringLiteral("Clients"));
    EXPECT_FALSE(clients.dbgMaintain->Columns()[0].Visible);
    EXPECT_EQ(clients.dbgMaintain->Columns()[1].Width, 204);
    EXPECT_EQ(clients.dbgMaintain->Columns()[7].DropDownRows, 3) << "billing types list three rows";
    TForm_Projects_Form projects(*dm);
    EXPECT_EQ(projects.size(), QSize(664, 268));
    EXPECT_EQ(projects.dbgMaintain->ReadOnlyColor(), projects.palette().color(QPalette::Button));
    EXPECT_TRUE(projects.dbgMaintain->Columns()[0].ReadOnly);
    TForm_User_Form users(*dm);
    EXPECT_EQ(users.windowTitle(), QStringLiteral("User Maintenance"));
    TForm_Tasks_Form tasks(*dm);
    EXPECT_EQ(tasks.dbgMaintain->Columns()[1].Title, QStringLiteral("Task Description"));
    EXPECT_EQ(tasks.aInsert->shortcut(), QKeySequence(Qt::Key_Insert));
    EXPECT_EQ(tasks.aDelete->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Delete));
    EXPECT_FALSE(tasks.aEdit->isEnabled());
}

TEST_F(MaintainDialogTest, ColumnWidthsAndOrderComeBackAfterARestart) {
    {
        TForm_Tasks_Form dialog(*dm);
        dialog.show();
        dialog.dbgMaintain->setColumnWidth(0, 150);
        QHeaderView* header = dialog.dbgMaintain->horizontalHeader();
        header->moveSection(header->visualIndex(2), 0); // Project Name first
        dialog.btnOk->click();
    }
    EXPECT_TRUE(
        QFileInfo::exists(dm->DirsObj()->SettingsDir() + QStringLiteral("Plenksettings.xml")));
    StartPortable();
    TForm_Tasks_Form dialog(*dm);
    dialog.show();
    EXPECT_EQ(dialog.dbgMaintain->columnWidth(0), 150);
    EXPECT_EQ(dialog.dbgMaintain->horizontalHeader()->visualIndex(2), 0);
    dialog.btnCancel->click();
}

TEST_F(MaintainDialogTest, ExportWritesTheVisibleColumnsInTheirOrder) {
    TForm_Clients_Form dialog(*dm);
    dialog.show();
    QHeaderView* header = dialog.dbgMaintain->horizontalHeader();
    header->moveSection(header->visualIndex(2), 1); // Contact First Name before Client Name
    const QString file = dm->DirsObj()->DataDir() + QStringLiteral("clients.csv");
    dialogs->FileNames = {file};
    dialogs->FileTypes = {2}; // CSV
    dialog.aExportExecute();
    QFile csv(file);
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    const QString firstLine = QString::fromUtf8(csv.readLine()).remove(QChar(0xFEFF)).trimmed();
    EXPECT_TRUE(firstLine.startsWith(QStringLiteral("Contact First Name,Client Name,")))
        << firstLine.toStdString();
    EXPECT_FALSE(firstLine.contains(QStringLiteral("Client Id"))) << "hidden columns take no part";
    EXPECT_TRUE(QString::fromUtf8(csv.readAll()).contains(QStringLiteral("Internal")));
    EXPECT_TRUE(dialogs->Errors.isEmpty());
    dialog.btnCancel->click();
}

TEST_F(MaintainDialogTest, Screenshots) {
    const QString dir = qEnvironmentVariable("TIVREL_SCREENSHOT_DIR");
    if (dir.isEmpty()) GTEST_SKIP() << "TIVREL_SCREENSHOT_DIR not set";
    dm->adsClients.Append();
    F(dm->adsClients, "ClientName").SetAsString(QStringLiteral("Acme Ltd"));
    F(dm->adsClients, "ContactFirstName").SetAsString(QStringLiteral("Ann"));
    dm->adsClients.Post();
    auto shoot = [&dir](TBaseFormXEP_MaintainDialogForm& dialog, const char* name) {
        dialog.show();
        QCoreApplication::processEvents();
        dialog.grab().save(QDir(dir).filePath(QLatin1String(name)));
        dialog.btnCancel->click();
    };
    TForm_User_Form users(*dm);
    shoot(users, "users.png");
    TForm_Clients_Form clients(*dm);
    shoot(clients, "clients.png");
    TForm_Projects_Form projects(*dm);
    shoot(projects, "projects.png");
    TForm_Tasks_Form tasks(*dm);
    shoot(tasks, "tasks.png");
}

TEST_F(MaintainDialogTest, NotesOpenInABoxAndCompletionDatesInAPickerThatCanBeEmptied) {
    TForm_Clients_Form clients(*dm);
    clients.show();
    const QModelIndex notes = clients.dbgMaintain->model()->index(0, 6);
    std::unique_ptr<QWidget> memo(clients.dbgMaintain->itemDelegate()->createEditor(
        clients.dbgMaintain->viewport(), QStyleOptionViewItem(), notes));
    ASSERT_TRUE(qobject_cast<QPlainTextEdit*>(memo.get()));
    EXPECT_EQ(memo->size(), QSize(287, 105));
    clients.btnCancel->click();

    TForm_Projects_Form projects(*dm);
    projects.show();
    const QModelIndex date = projects.dbgMaintain->model()->index(0, 4);
    QAbstractItemDelegate* delegate = projects.dbgMaintain->itemDelegate();
    std::unique_ptr<QWidget> editor(
        delegate->createEditor(projects.dbgMaintain->viewport(), QStyleOptionViewItem(), date));
    auto* box = qobject_cast<TDateEdit*>(editor.get());
    ASSERT_TRUE(box);
    delegate->setEditorData(box, date);
    box->selectAll();
    QTest::keyClicks(box, QStringLiteral("2026-12-24"));
    delegate->setModelData(box, projects.dbgMaintain->model(), date);
    dm->adsProjects.First();
    EXPECT_EQ(F(dm->adsProjects, "CompletionDate").AsDateTime(),
              DateToDayNumber(QDate(2026, 12, 24)));
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Delete);
    delegate->setModelData(box, projects.dbgMaintain->model(), date);
    EXPECT_EQ(F(dm->adsProjects, "CompletionDate").AsDateTime(), 0)
        << "an emptied date box means no date";
    projects.btnCancel->click();
}
