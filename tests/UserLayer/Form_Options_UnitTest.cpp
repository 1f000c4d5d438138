// The options dialog: its controls and their fields, the week start list, OK keeping and
// Cancel undoing, and the working day it refuses.

#include "DataModuleFixture.h"

#include "UserLayer/Form_Options_Unit.h"
#include "support/TScriptedDialogService.h"

#include "Components/DataControls/TDBCheckBox.h"
#include "Components/DataControls/TDBEdit.h"
#include "Components/DataControls/TDBLookupComboBox.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

namespace {
class OptionsFormTest : public DataModuleTest {
protected:
    void SetUp() override {
        DataModuleTest::SetUp();
        StartSetUp();
    }

    TField& Option(const char* name) { return F(dm->adsDefaults, name); }

    void SetOption(const char* name, const QVariant& value) {
        dm->adsDefaults.Edit();
        Option(name).SetValue(value);
        dm->adsDefaults.Post();
    }

    // Shown and active, as the user meets it.
    static void Show(TForm_Options_Form& form) {
        form.show();
        form.activateWindow();
        for (int i = 0; i < 50 && !form.isActiveWindow(); ++i)
            QApplication::processEvents();
    }

    static void SendKey(QWidget* widget, int key, const QString& text = {}) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
        QApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
        QApplication::sendEvent(widget, &release);
    }

    // Replaces the edit's text as the user would: focus, select all, type.
    static void Type(TDBEdit* edit, const QString& text) {
        edit->setFocus(Qt::TabFocusReason);
        edit->selectAll();
        SendKey(edit, Qt::Key_Delete);
        for (const QChar c : text)
            SendKey(edit, c.toUpper().unicode(), QString(c));
    }

    TScopedDialogService dialogs;
};
} // namespace

TEST_F(OptionsFormTest, EveryOptionHasItsControlOnItsTab) {
    TForm_Options_Form form(*dm);
    EXPECT_EQ(form.PageControl1->tabText(0), QStringLiteral("General"));
    EXPECT_EQ(form.PageControl1->tabText(1), QStringLiteral("Submit"));
    QStringList days;
    for (int i = 0; i < form.cbWeekStartDay->count(); ++i)
        days << form.cbWeekStartDay->itemText(i);
    EXPECT_EQ(days.join(QLatin1Char(',')),
              QStringLiteral("Sunday,Monday,Tuesday,Wednesday,Thursday,Friday,Saturday"));

    // Each control: its tab, its group ("" for none), its caption and the option it edits.
    const struct {
        QWidget* Tab;
        const char* Group;
        const char* Caption;
        const char* Field;
    } controls[] = {
        {form.tsGeneral, "", "Day Duration (Hours)", "DayDuration"},
        {form.tsGeneral, "", "Lunch Start Time", "StartTime"},
        {form.tsGeneral, "", "Lunch End Time", "EndTime"},
        {form.tsGeneral, "Function Options", "Allow Automatic Task Creation",
         "NewTaskInsertAllowed"},
        {form.tsGeneral, "Display Options", "Display Clients", "DisplayClients"},
        {form.tsGeneral, "Display Options", "Display Projects", "DisplayProjects"},
        {form.tsGeneral, "Display Options", "Display Task Duration", "DisplaySummaryDuration"},
        {form.tsGeneral, "Display Options", "Display Priority", "DisplayPriority"},
        {form.tsSubmit, "", "Minimum Task Duration", "MinimumTaskDuration"},
        {form.tsSubmit, "", "Timesheet User", "TimesheetUserID"},
        {form.tsSubmit, "", "Idle After (minutes)", "IdleAfterMinutes"},
        {form.tsSubmit, "Function Options", "Remove Unused Tasks", "RemoveUnusedTasks"},
        {form.tsSubmit, "Display Options", "Display Monday", "DisplayMon"},
        {form.tsSubmit, "Display Options", "Display Tuesday", "DisplayTue"},
        {form.tsSubmit, "Display Options", "Display Wednesday", "DisplayWed"},
        {form.tsSubmit, "Display Options", "Display Thursday", "DisplayThu"},
        {form.tsSubmit, "Display Options", "Display Friday", "DisplayFri"},
        {form.tsSubmit, "Display Options", "Display Saturday", "DisplaySat"},
        {form.tsSubmit, "Display Options", "Display Sunday", "DisplaySun"},
    };
    QStringList bound;
    for (const auto& c : controls) {
        QWidget* control = nullptr;
        QString field;
        for (auto* box : c.Tab->findChildren<TDBCheckBox*>())
            if (box->text() == QLatin1String(c.Caption)) control = box, field = box->DataField();
        for (auto* label : c.Tab->findChildren<QLabel*>())
            if (label->text() == QLatin1String(c.Caption)) {
                control = label->buddy();
                if (auto* edit = qobject_cast<TDBEdit*>(control)) field = edit->DataField();
                if (auto* list = qobject_cast<TDBLookupComboBox*>(control))
                    field = list->DataField();
            }
        ASSERT_TRUE(control) << c.Caption;
        EXPECT_EQ(field, QLatin1String(c.Field)) << c.Caption;
        auto* group = qobject_cast<QGroupBox*>(control->parentWidget());
        EXPECT_EQ(group ? group->title() : QString(), QLatin1String(c.Group)) << c.Caption;
        bound << field;
    }
    // Every option but the flags no window edits, and the week start kept by the list.
    QStringList options;
    for (int i = 0; i < dm->adsDefaults.FieldCount(); ++i)
        options << dm->adsDefaults.Fields(i).FieldName();
    for (const char* notShown :
         {"OneTaskActive", "GenerateJobId", "WeekStartDate", "StartDayOfWeek"})
        options.removeAll(QLatin1String(notShown));
    bound.sort();
    options.sort();
    EXPECT_EQ(bound, options);
}

TEST_F(OptionsFormTest, MondayIsStoredAsTwoAndSurvivesARestart) {
    SetOption("StartDayOfWeek", 4);
    {
        TForm_Options_Form form(*dm);
        Show(form);
        EXPECT_EQ(form.cbWeekStartDay->currentText(), QStringLiteral("Wednesday"));
        form.cbWeekStartDay->setCurrentIndex(
            form.cbWeekStartDay->findText(QStringLiteral("Monday")));
        form.btnOk->click();
        EXPECT_EQ(form.result(), QDialog::Accepted);
        EXPECT_FALSE(form.isVisible());
    }
    EXPECT_EQ(Option("StartDayOfWeek").AsInteger(), 2);
    EXPECT_FALSE(dm->adsDefaults.HasPendingChanges());
    dm->SaveData();
    StartPortable();
    EXPECT_EQ(Option("StartDayOfWeek").AsInteger(), 2);
    TForm_Options_Form form(*dm);
    Show(form);
    EXPECT_EQ(form.cbWeekStartDay->currentText(), QStringLiteral("Monday"));
}

TEST_F(OptionsFormTest, WeekStartTextsThatAreNoDayName) {
    TForm_Options_Form form(*dm);
    Show(form);
    EXPECT_EQ(form.cbWeekStartDay->currentText(), QStringLiteral("Sunday")) << "seeded as 1";
    // Typed over the list's text, then Enter for OK.
    QLineEdit* text = form.cbWeekStartDay->lineEdit();
    text->setFocus(Qt::TabFocusReason);
    text->selectAll();
    for (const QChar c : QStringLiteral("Funday"))
        SendKey(text, c.toUpper().unicode(), QString(c));
    SendKey(text, Qt::Key_Return);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_EQ(Option("StartDayOfWeek").AsInteger(), 7);
    EXPECT_EQ(form.cbWeekStartDay->count(), 7) << "nothing added to the list";
}

TEST_F(OptionsFormTest, OkKeepsTheTicksAndCancelPutsThemBack) {
    ASSERT_FALSE(Option("DisplaySat").AsBoolean());
    {
        TForm_Options_Form form(*dm);
        Show(form);
        form.dbcbxDisplaySat->click();
        EXPECT_TRUE(Option("DisplaySat").AsBoolean()) << "the tick reaches the row at once";
        form.btnCancel->click();
        EXPECT_EQ(form.result(), QDialog::Rejected);
    }
    EXPECT_FALSE(Option("DisplaySat").AsBoolean());
    {
        TForm_Options_Form form(*dm);
        Show(form);
        form.dbcbxDisplaySat->click();
        Type(form.dbeMinimumTaskDuration, QStringLiteral("30"));
        form.btnOk->click();
    }
    EXPECT_TRUE(Option("DisplaySat").AsBoolean());
    EXPECT_EQ(Option("MinimumTaskDuration").AsInteger(), 30);
}

TEST_F(OptionsFormTest, ADayDurationOutOfRangeIsRefusedAndTheDialogStaysOpen) {
    TForm_Options_Form form(*dm);
    Show(form);
    for (const char* refused : {"0", "-1", "24.5"}) {
        Type(form.dbeDayDuration, QLatin1String(refused));
        form.PageControl1->setCurrentWidget(form.tsSubmit);
        form.btnOk->click();
        EXPECT_TRUE(form.isVisible()) << refused;
        EXPECT_EQ(dialogs->Errors, QStringList{QStringLiteral(
                                       "Day Duration must be more than 0 and at most 24 hours.")})
            << refused;
        EXPECT_EQ(form.PageControl1->currentWidget(), form.tsGeneral) << "back to the field";
        dialogs->Errors.clear();
    }
    // Answering Yes on closing is refused the same way, and Cancel still returns to 7 hours.
    dialogs->YesNoCancelAnswers = {TDialogAnswer::Yes};
    form.close();
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(dialogs->Errors.size(), 1);
    form.btnCancel->click();
    EXPECT_DOUBLE_EQ(Option("DayDuration").AsFloat(), 7.0);

    TForm_Options_Form again(*dm);
    Show(again);
    Type(again.dbeDayDuration, QStringLiteral("24"));
    again.btnOk->click();
    EXPECT_FALSE(again.isVisible());
    EXPECT_DOUBLE_EQ(Option("DayDuration").AsFloat(), 24.0);
}

TEST_F(OptionsFormTest, AnsweringYesOnClosingKeepsTheWeekStartDayToo) {
    {
        TForm_Options_Form form(*dm);
        Show(form);
        form.dbcbxDisplayClients->click();
        form.cbWeekStartDay->setCurrentIndex(1);
        dialogs->YesNoCancelAnswers = {TDialogAnswer::Yes};
        form.close();
        EXPECT_FALSE(form.isVisible());
    }
    EXPECT_TRUE(Option("DisplayClients").AsBoolean());
    EXPECT_EQ(Option("StartDayOfWeek").AsInteger(), 2);
}

TEST_F(OptionsFormTest, TheGridsRowActionsAreOff) {
    // The Insert key would otherwise add a second options row, Ctrl+Delete remove the only one.
    TForm_Options_Form form(*dm);
    Show(form);
    form.aInsert->trigger();
    EXPECT_EQ(dm->adsDefaults.RecordCount(), 1);
    EXPECT_EQ(dm->adsDefaults.State(), TDataSetState::Browse);
    form.aDelete->trigger();
    EXPECT_EQ(dm->adsDefaults.RecordCount(), 1);
}

TEST_F(OptionsFormTest, Screenshot) {
    const QString dir = qEnvironmentVariable("TIVREL_SCREENSHOT_DIR");
    if (dir.isEmpty()) GTEST_SKIP() << "TIVREL_SCREENSHOT_DIR is not set";
    SetOption("StartTime", 12 * Hour);
    SetOption("EndTime", 13 * Hour);
    TForm_Options_Form form(*dm);
    Show(form);
    QApplication::processEvents();
    EXPECT_TRUE(
        form.grab().save(QDir(dir).filePath(QStringLiteral("Form_Options_Form_General.png"))));
    form.PageControl1->setCurrentWidget(form.tsSubmit);
    QApplication::processEvents();
    EXPECT_TRUE(
        form.grab().save(QDir(dir).filePath(QStringLiteral("Form_Options_Form_Submit.png"))));
    form.btnCancel->click();
}
