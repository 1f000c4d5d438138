// The review window: layout from the options, the week box, Step and the submission.

#include "DataModuleFixture.h"

#include "UserLayer/Form_Submit_TimeFile.h"
#include "UserLayer/Form_Submit_Unit.h"
#include "UserLayer/Frame_TimeTracker_Unit.h"
#include "support/TScriptedDialogService.h"

#include "Components/DataControls/TDBCtrlGrid.h"
#include "Components/DataControls/TDBEdit.h"
#include "Components/DataControls/TDataControls.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenuBar>
#include <QTimer>

namespace {
double Day(int y, int m, int d) {
    return DateToDayNumber(QDate(y, m, d));
}

class SubmitFormTest : public DataModuleTest {
protected:
    void SetUp() override {
        DataModuleTest::SetUp();
        StartSetUp();
    }
    void SetOption(const char* name, const QVariant& value) {
        dm->adsDefaults.Edit();
        dm->adsDefaults.FieldByName(QLatin1String(name)).SetValue(value);
        dm->adsDefaults.Post();
    }
    void SaveShot(QWidget& window, const QString& name) {
        const QString dir = qEnvironmentVariable("TIVREL_SCREENSHOT_DIR");
        if (!dir.isEmpty()) window.grab().save(QDir(dir).filePath(name + QStringLiteral(".png")));
    }
    void AddTask(const QString& code, const QString& description, double mon, double tue) {
        dm->adsTaskCodes.Append();
        F(dm->adsTaskCodes, "TaskCode").SetAsString(code);
        F(dm->adsTaskCodes, "TaskDescription").SetAsString(description);
        dm->adsTaskCodes.Post();
        dm->adsTasks.Append();
        F(dm->adsTasks, "TaskCode").SetAsString(code);
        F(dm->adsTasks, "MonDuration").SetAsFloat(mon);
        F(dm->adsTasks, "TueDuration").SetAsFloat(tue);
        dm->adsTasks.Post();
    }
    TScopedDialogService dialogs;
};
} // namespace

TEST_F(SubmitFormTest, LaysOutTheWeekFromTheOptions) {
    TForm_Submit_Form form(*dm);
    TFrame_TimeTracker_Form* f = form.Frame_TimeTracker_Form1;
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Tivrel"));
    EXPECT_EQ(f->HelpString(), QStringLiteral("Review"));
    EXPECT_TRUE(f->pActive->isHidden());
    EXPECT_FALSE(f->pCompleted->isHidden());
    EXPECT_TRUE(f->pSaturday->isHidden()) << "Saturday and Sunday are off by default";
    EXPECT_TRUE(f->pClient->isHidden()) << "clients are off by default";
    EXPECT_FALSE(f->pProjectName->isHidden());
    EXPECT_EQ(form.Submit->text(), QStringLiteral("&Submit"));
    EXPECT_EQ(form.Step->toolTip(), QStringLiteral("Step Function"));
    EXPECT_EQ(form.aExport->toolTip(), QStringLiteral("Export "));
    EXPECT_FALSE(form.Invoice->isEnabled());
    QStringList menus;
    for (QAction* a : form.MainMenu1->actions())
        menus << a->text();
    EXPECT_EQ(menus, (QStringList{QStringLiteral("&File"), QStringLiteral("&Edit"),
                                  QStringLiteral("&Grid"), QStringLiteral("&Maintain"),
                                  QStringLiteral("&Timesheets"), QStringLiteral("&Help")}));
}

TEST_F(SubmitFormTest, TheWeekBoxAndSpinButtonMoveTheReviewWeek) {
    // Seeded on Wednesday 9 December 2026: the week of today began on Sunday 6 December.
    TForm_Submit_Form form(*dm);
    EXPECT_DOUBLE_EQ(form.SubmitDate(), Day(2026, 12, 6));
    EXPECT_EQ(form.meSubmitDate->text(), QStringLiteral("06/12/2026"));
    form.SpinButton1UpClick();
    EXPECT_EQ(form.meSubmitDate->text(), QStringLiteral("13/12/2026"));
    form.SpinButton1DownClick();
    EXPECT_DOUBLE_EQ(form.SubmitDate(), Day(2026, 12, 6));
    // A Tuesday typed stands for its week.
    form.meSubmitDate->setText(QStringLiteral("01/12/2026"));
    form.meSubmitDateExit();
    EXPECT_EQ(form.SubmitDate(), Day(2026, 11, 29));
    EXPECT_EQ(form.meSubmitDate->text(), QStringLiteral("29/11/2026"));
    form.meSubmitDate->setText(QStringLiteral("41/12/2026"));
    EXPECT_THROW(form.meSubmitDateExit(), EConvertError);
    EXPECT_EQ(form.SubmitDate(), Day(2026, 11, 29));
}

TEST_F(SubmitFormTest, ANewFirstDayOfTheWeekMovesTheReviewWeekAndTheRecordedOne) {
    TForm_Submit_Form form(*dm);
    ASSERT_EQ(form.SubmitDate(), Day(2026, 12, 6)); // Sunday
    SetOption("StartDayOfWeek", 2);
    EXPECT_EQ(F(dm->adsDefaults, "WeekStartDate").AsDateTime(), Day(2026, 11, 30))
        << "back to the Monday on or before it";
    form.ReapplyOptions();
    EXPECT_EQ(form.SubmitDate(), Day(2026, 12, 7)) << "the Monday week that holds today";
    EXPECT_EQ(form.meSubmitDate->text(), QStringLiteral("07/12/2026"));
}

TEST_F(SubmitFormTest, ReapplyingChangedOptionsOnly) {
    TForm_Submit_Form form(*dm);
    TFrame_TimeTracker_Form* f = form.Frame_TimeTracker_Form1;
    const QRect description = f->DesignGeometry(f->pDescription);
    form.ReapplyOptions();
    EXPECT_EQ(f->DesignGeometry(f->pDescription), description);
    SetOption("DisplayClients", true);
    SetOption("DisplaySat", true);
    form.ReapplyOptions();
    EXPECT_FALSE(f->pClient->isHidden());
    EXPECT_FALSE(f->pSaturday->isHidden());
    EXPECT_EQ(f->DesignGeometry(f->pDescription).width(), description.width() - 91 - 46);
}

TEST_F(SubmitFormTest, StepAndSubmitRefreshTheTotals) {
    AddTask(QStringLiteral("DEV"), QStringLiteral("Development"), 67.0 / 1440, 0);
    TForm_Submit_Form form(*dm);
    form.StepExecute();
    EXPECT_EQ(form.Frame_TimeTracker_Form1->lblMonDuration->text(), QStringLiteral("01:00"));
    TClock::SetFixed(Day(2026, 12, 20));
    dialogs->ConfirmAnswers = {true, true};
    form.SubmitExecute();
    EXPECT_EQ(dm->adsReporting.RecordCount(), 1);
    EXPECT_EQ(form.Frame_TimeTracker_Form1->lblMonDuration->text(), QStringLiteral("00:00"));
    EXPECT_EQ(form.meSubmitDate->text(), QStringLiteral("13/12/2026"))
        << "the recorded week was over 13 days old";
}

TEST_F(SubmitFormTest, ExitEndsTheShowingWithEight) {
    TForm_Submit_Form form(*dm);
    QString newPanel;
    QTimer::singleShot(0, &form, [&form] { form.aExitMenu->trigger(); });
    EXPECT_EQ(DisplaySubmitForm(form, QStringLiteral("pMonday"), newPanel), 8);
    EXPECT_EQ(newPanel, QStringLiteral("pMonday"));
}

TEST_F(SubmitFormTest, Screenshots) {
    AddTask(QStringLiteral("DEV"), QStringLiteral("Development of the reporting module"), 2.5 / 24,
            3.25 / 24);
    AddTask(QStringLiteral("MEET"), QStringLiteral("Weekly planning meeting"), 0.75 / 24, 0);
    SetOption("DisplayClients", true);
    SetOption("DisplaySat", true);
    SetOption("DisplaySun", true);
    TForm_Submit_Form form(*dm);
    form.show();
    SaveShot(form, QStringLiteral("review-all-columns"));
    SetOption("DisplayClients", false);
    SetOption("DisplaySat", false);
    SetOption("DisplaySun", false);
    form.ReapplyOptions();
    SaveShot(form, QStringLiteral("review-fewer-columns"));
    form.hide();
}

TEST_F(SubmitFormTest, ADurationTheCellRefusesStopsSubmitAndStepWithNothingChanged) {
    AddTask(QStringLiteral("BUILD"), QStringLiteral("Build"), Hour, 0);
    SetOption("MinimumTaskDuration", 60);
    TForm_Submit_Form form(*dm);
    ASSERT_TRUE(ShowActive(form));
    TFrame_TimeTracker_Form* f = form.Frame_TimeTracker_Form1;
    dm->adsTasks.First();
    f->dbeMon->setFocus(Qt::TabFocusReason);
    for (const char key : {'2', '5', '0', '0'}) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(QLatin1Char(key)));
        QCoreApplication::sendEvent(f->dbeMon, &press);
    }
    const QByteArray tasksBefore = dm->adsTasks.SaveToBytes();
    // The program shows what a bound control's field refuses in an error box.
    const auto previous = TDataControls::OnError;
    TDataControls::OnError = [&](const Exception& e) { dialogs->ShowError(e.Message()); };
    for (QAction* action : {form.Submit, form.Step}) {
        SCOPED_TRACE(action->objectName().toStdString());
        dialogs->Errors.clear();
        action->trigger();
        ASSERT_EQ(dialogs->Errors.size(), 1);
        EXPECT_TRUE(dialogs->Errors.first().contains(QStringLiteral("25:00")))
            << dialogs->Errors.first().toStdString();
        EXPECT_TRUE(dialogs->Questions.isEmpty()) << "nothing is asked about a refused week";
        EXPECT_EQ(dm->adsReporting.RecordCount(), 0);
        EXPECT_EQ(dm->adsTasks.SaveToBytes(), tasksBefore);
        EXPECT_TRUE(f->dbeMon->displayText().startsWith(QStringLiteral("25")))
            << "the text stays for correction";
    }
    TDataControls::OnError = previous;
    form.hide();
}

TEST_F(SubmitFormTest, AnImportedTimeFileIsInTheFilesAtOnce) {
    // A time file from another installation with a client of its own.
    dm->adsClients.Append();
    F(dm->adsClients, "ClientName").SetAsString(QStringLiteral("Elsewhere Ltd"));
    dm->adsClients.Post();
    const QString timeFile = Root() + QStringLiteral("other.tim");
    ExportTimeFile(*dm, timeFile);
    dm.reset();
    QDir(PortableDataDir()).removeRecursively();
    StartSetUp();

    TForm_Submit_Form form(*dm);
    dialogs->FileNames.push_back(timeFile);
    form.aImport->trigger();
    EXPECT_TRUE(dialogs->Errors.isEmpty()) << dialogs->Errors.join(QLatin1Char(' ')).toStdString();
    dm->WaitForHistorySave(); // the files are put in place on another thread
    TRecordSet onDisk;
    onDisk.LoadFromFile(PortableDataDir() + QStringLiteral("Clientsfile.xml"));
    EXPECT_TRUE(onDisk.Locate(QStringLiteral("ClientName"), QStringLiteral("Elsewhere Ltd")));
}
