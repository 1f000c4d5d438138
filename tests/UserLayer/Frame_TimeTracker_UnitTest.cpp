// The task grid frame: column layout, sorting, totals line and the task-code exit rule.

#include "DataModuleFixture.h"

#include "UserLayer/Frame_TimeTracker_Unit.h"
#include "support/TScriptedDialogService.h"

#include "Components/DataControls/TDBEdit.h"
#include "Components/DataControls/TDBLookupComboBox.h"

#include <QAbstractItemView>

#include <QAction>
#include <QApplication>
#include <QTest>
#include <QTimer>

namespace {
class FrameTest : public DataModuleTest {
protected:
    void SetUp() override {
        DataModuleTest::SetUp();
        StartSetUp();
        window = std::make_unique<QWidget>();
        window->setObjectName(QStringLiteral("Form_Submit_Form"));
        window->resize(TFrame_TimeTracker_Form::DesignWidth, 300);
        frame = new TFrame_TimeTracker_Form(*dm, window.get());
        frame->resize(TFrame_TimeTracker_Form::DesignWidth, 300);
    }
    void TearDown() override {
        window.reset();
        DataModuleTest::TearDown();
    }

    int X(const QWidget* w) const { return frame->DesignGeometry(w).x(); }
    int Width(const QWidget* w) const { return frame->DesignGeometry(w).width(); }
    QColor CaptionColour(const QWidget* w) const {
        return w->palette().color(QPalette::WindowText);
    }

    std::unique_ptr<QWidget> window;
    TFrame_TimeTracker_Form* frame = nullptr;
    TScopedDialogService dialogs;
};
} // namespace

TEST_F(FrameTest, HidingALeftColumnPullsTheLaterOnesLeftAndWidensTheDescription) {
    const int project = X(frame->pProjectName), code = X(frame->dbeTaskCode),
              desc = X(frame->pDescription);
    const int descWidth = Width(frame->pDescription), editWidth = Width(frame->dbeTaskDescription);
    const int mon = X(frame->pMonday), priority = X(frame->pPriority);
    frame->SetbClientsVisible(false);
    EXPECT_TRUE(frame->pClient->isHidden());
    EXPECT_TRUE(frame->dbeClient->isHidden());
    EXPECT_EQ(X(frame->pProjectName), project - 91);
    EXPECT_EQ(X(frame->dbeTaskCode), code - 91);
    EXPECT_EQ(X(frame->pDescription), desc - 91);
    EXPECT_EQ(Width(frame->pDescription), descWidth + 91);
    EXPECT_EQ(Width(frame->dbeTaskDescription), editWidth + 91);
    EXPECT_EQ(X(frame->pMonday), mon);
    EXPECT_EQ(X(frame->pPriority), priority);
    frame->SetbClientsVisible(true);
    EXPECT_EQ(X(frame->pProjectName), project);
    EXPECT_EQ(Width(frame->pDescription), descWidth);
}

TEST_F(FrameTest, HidingAWeekdayPullsTheEarlierDaysRight) {
    const int mon = X(frame->pMonday), tue = X(frame->dbeTue), total = X(frame->lblDailyDuration);
    const int thu = X(frame->pThursday), active = X(frame->pActive), desc = X(frame->pDescription);
    const int descWidth = Width(frame->pDescription);
    frame->SetWedVisible(false);
    EXPECT_EQ(X(frame->pMonday), mon + 46);
    EXPECT_EQ(X(frame->dbeTue), tue + 46);
    EXPECT_EQ(X(frame->lblDailyDuration), total + 46);
    EXPECT_EQ(X(frame->pThursday), thu);
    EXPECT_EQ(X(frame->pActive), active);
    EXPECT_EQ(X(frame->pDescription), desc);
    EXPECT_EQ(Width(frame->pDescription), descWidth + 46);
    EXPECT_TRUE(frame->lblWedDuration->isHidden());
}

TEST_F(FrameTest, ASetterWithTheSameValueChangesNothingAndColumnsSitOnePixelApart) {
    const QRect before = frame->DesignGeometry(frame->pDescription);
    frame->SetProjectsVisible(true);
    frame->SetSunVisible(true);
    EXPECT_EQ(frame->DesignGeometry(frame->pDescription), before);
    EXPECT_EQ(X(frame->pDuration), X(frame->pPriority) + 22 + 1);
    EXPECT_EQ(X(frame->pTuesday), X(frame->pMonday) + 45 + 1);
    EXPECT_EQ(X(frame->pMonday), X(frame->pDescription) + Width(frame->pDescription) + 2);
    // Shown again while the window lays out its first layout, nothing moves back.
    frame->SetCreationPhase(true);
    frame->SetMonVisible(false);
    frame->SetMonVisible(true);
    frame->SetCreationPhase(false);
    EXPECT_EQ(Width(frame->pDescription), before.width() + 46);
}

TEST_F(FrameTest, TheDescriptionStretchesWithTheFrame) {
    window->show();
    const int descWidth = frame->pDescription->width(), active = frame->pActive->x();
    frame->resize(TFrame_TimeTracker_Form::DesignWidth + 100, 300);
    EXPECT_EQ(frame->pDescription->width(), descWidth + 100);
    EXPECT_EQ(frame->pActive->x(), active + 100);
    EXPECT_EQ(frame->dbeSun->x(), frame->pSunday->x());
}

TEST_F(FrameTest, HeadersSortAndTurnRed) {
    EXPECT_EQ(dm->adsTasks.Sort(), QStringLiteral("TaskCode ASC"));
    EXPECT_EQ(frame->sPanelName(), QStringLiteral("pTaskCode"));
    Q_EMIT frame->pProjectName->clicked();
    EXPECT_EQ(dm->adsTasks.Sort(), QStringLiteral("ProjectNumber ASC"));
    EXPECT_EQ(CaptionColour(frame->pProjectName), QColor(Qt::red));
    EXPECT_NE(CaptionColour(frame->pTaskCode), QColor(Qt::red));
    Q_EMIT frame->pProjectName->clicked();
    EXPECT_EQ(dm->adsTasks.Sort(), QStringLiteral("ProjectNumber DESC"));
    Q_EMIT frame->pProjectName->clicked();
    EXPECT_EQ(dm->adsTasks.Sort(), QStringLiteral("ProjectNumber ASC"));
    Q_EMIT frame->pClient->clicked();
    EXPECT_EQ(dm->adsTasks.Sort(), QStringLiteral("ClientID ASC"));
    Q_EMIT frame->pMonday->clicked();
    Q_EMIT frame->pTuesday->clicked();
    EXPECT_EQ(dm->adsTasks.Sort(), QStringLiteral("TueDuration ASC"));
    Q_EMIT frame->pDuration->clicked();
    EXPECT_EQ(dm->adsTasks.Sort(), QStringLiteral("TueDuration ASC"))
        << "Task Duration does not sort";
}

TEST_F(FrameTest, TheTotalsLineCountsWholeWorkingDays) {
    dm->adsDefaults.Edit();
    F(dm->adsDefaults, "DayDuration").SetAsFloat(7.5);
    dm->adsDefaults.Post();
    dm->SaveData();
    delete frame; // a frame never outlives the data module it shows
    frame = nullptr;
    TdmTasks_Form& d = StartPortable();
    TFrame_TimeTracker_Form other(d, window.get());
    // Two tasks: the totals are the sums of what their cells show, counted afresh.
    auto set = [&d](const char* column, double value) {
        d.adsTasks.Edit();
        F(d.adsTasks, column).SetAsFloat(value);
        d.adsTasks.Post();
    };
    d.adsTasks.First();
    set("MonDuration", 5 * Hour);
    set("SunDuration", 13 * Hour);
    d.adsTasks.Append();
    F(d.adsTasks, "TaskCode").SetAsString(QStringLiteral("ADMIN"));
    d.adsTasks.Post();
    set("TueDuration", 4.5 * Hour);
    set("SunDuration", 12 * Hour);
    other.DisplayTotal();
    EXPECT_EQ(other.lblTotalMessage->text(),
              QStringLiteral("Total Duration is 4 Days 4 Hours 30 Minutes "));
    EXPECT_EQ(other.lblMonDuration->text(), QStringLiteral("05:00"));
    EXPECT_EQ(other.lblTueDuration->text(), QStringLiteral("04:30"));
    EXPECT_EQ(other.lblSunDuration->text(), QStringLiteral("25:00")) << "a day's total never wraps";
    d.adsTasks.Delete();
    other.DisplayTotal();
    EXPECT_EQ(other.lblTotalMessage->text(),
              QStringLiteral("Total Duration is 2 Days 3 Hours 0 Minutes "));
}

TEST_F(FrameTest, ANewCodeIsAddedUpperCasedWhenInsertionIsAllowed) {
    dm->adsTasks.Append();
    F(dm->adsTasks, "TaskCode").SetAsString(QStringLiteral("ab12"));
    F(dm->adsTasks, "TaskDescription").SetAsString(QStringLiteral("Audit"));
    frame->dbeTaskCodeExit();
    EXPECT_EQ(dm->adsTaskCodes.State(), TDataSetState::Insert);
    EXPECT_EQ(F(dm->adsTaskCodes, "TaskCode").AsString(), QStringLiteral("AB12"));
    EXPECT_EQ(F(dm->adsTaskCodes, "TaskDescription").AsString(), QStringLiteral("Audit"));
    dm->adsTaskCodes.First(); // its next change of state posts it
    EXPECT_TRUE(dm->adsTaskCodes.Locate(QStringLiteral("TaskCode"), QStringLiteral("AB12")));
    const int codes = dm->adsTaskCodes.RecordCount();
    F(dm->adsTasks, "TaskCode").SetAsString(QStringLiteral("Ab12"));
    frame->dbeTaskCodeExit();
    EXPECT_EQ(dm->adsTaskCodes.RecordCount(), codes)
        << "an existing code in another case adds nothing";
    EXPECT_TRUE(dialogs->Informations.isEmpty());
}

TEST_F(FrameTest, AMissingCodeIsRefusedWhenInsertionIsNotAllowed) {
    // A row that got its code while insertion was allowed keeps it; leaving it says so.
    dm->adsTasks.Append();
    F(dm->adsTasks, "TaskCode").SetAsString(QStringLiteral("NOPE"));
    dm->adsDefaults.Edit();
    F(dm->adsDefaults, "NewTaskInsertAllowed").SetAsBoolean(false);
    dm->adsDefaults.Post();
    frame->dbeTaskCodeExit();
    EXPECT_EQ(dialogs->Informations, QStringList{QStringLiteral("Task does not exist.")});
    EXPECT_EQ(F(dm->adsTasks, "TaskCode").AsString(), QStringLiteral("NOPE"))
        << "the code the row had";
    // Moving between the two task-code controls is not refused.
    window->show();
    frame->dbeTaskCode->setFocus();
    QApplication::processEvents();
    frame->dbeTaskCodeExit();
    EXPECT_EQ(dialogs->Informations.size(), 1);
}

namespace {
// The frame on a shown window with insertion off, ADMIN above GEN, and the errors the
// controls report collected.
class FrameCodeRuleTest : public FrameTest {
protected:
    void SetUp() override {
        FrameTest::SetUp();
        TDataControls::OnError = [this](const Exception& e) { Errors << e.Message(); };
        dm->adsTasks.Append();
        F(dm->adsTasks, "TaskCode").SetAsString(QStringLiteral("ADMIN"));
        dm->adsTasks.Post();
        dm->adsDefaults.Edit();
        F(dm->adsDefaults, "NewTaskInsertAllowed").SetAsBoolean(false);
        dm->adsDefaults.Post();
        ASSERT_TRUE(dm->adsTasks.Locate(QStringLiteral("TaskCode"), QStringLiteral("ADMIN")));
        ASSERT_TRUE(ShowActive(*window));
    }
    void TearDown() override {
        TDataControls::OnError = nullptr;
        FrameTest::TearDown();
    }

    // Focus in the code edit of the current row, its text replaced by keys.
    void TypeCode(const QString& code) {
        frame->dbeTaskCode->setFocus(Qt::TabFocusReason);
        QApplication::processEvents();
        frame->dbeTaskCode->selectAll();
        QTest::keyClicks(frame->dbeTaskCode, code);
        ASSERT_EQ(frame->dbeTaskCode->text(), code);
    }

    QString RowCode() const { return F(dm->adsTasks, "TaskCode").AsString(); }

    QStringList Errors;
};
} // namespace

TEST_F(FrameCodeRuleTest, ATypedCodeThatIsRefusedGoesBackToTheRowsCode) {
    for (const QString& typed : {QStringLiteral("NOPE"), QStringLiteral("gen")}) {
        TypeCode(typed);
        // As Submit, Step and closing write the cell being typed into.
        EXPECT_FALSE(frame->dsTasks->UpdateRecord()) << qPrintable(typed);
        QApplication::processEvents();
        EXPECT_EQ(RowCode(), QStringLiteral("ADMIN"));
        EXPECT_EQ(frame->dbeTaskCode->text(), QStringLiteral("ADMIN")) << "the cell shows it too";
        EXPECT_FALSE(frame->dbeTaskCode->Modified());
        EXPECT_TRUE(frame->dbeTaskCode->hasFocus());
    }
    EXPECT_EQ(Errors, (QStringList{QStringLiteral("Task does not exist."),
                                   QStringLiteral("Task code already selected")}));
    EXPECT_TRUE(frame->dsTasks->UpdateRecord()) << "nothing is left to refuse";
}

TEST_F(FrameCodeRuleTest, ANewRowWhoseFirstCodeIsRefusedIsDropped) {
    const int rows = dm->adsTasks.RecordCount();
    frame->DataSetInsert1->trigger();
    TypeCode(QStringLiteral("NOPE"));
    EXPECT_FALSE(frame->dsTasks->UpdateRecord());
    QApplication::processEvents();
    EXPECT_NE(dm->adsTasks.State(), TDataSetState::Insert);
    EXPECT_EQ(dm->adsTasks.RecordCount(), rows);
    EXPECT_EQ(frame->dbeTaskCode->text(), RowCode());
    // A new row that has a code goes back to it instead.
    frame->DataSetInsert1->trigger();
    TypeCode(QStringLiteral("ADMIN"));
    EXPECT_FALSE(frame->dsTasks->UpdateRecord()) << "ADMIN is another row's";
    QApplication::processEvents();
    EXPECT_EQ(dm->adsTasks.State(), TDataSetState::Browse);
    dm->adsTaskCodes.Append();
    F(dm->adsTaskCodes, "TaskCode").SetAsString(QStringLiteral("BUILD"));
    dm->adsTaskCodes.Post();
    frame->DataSetInsert1->trigger();
    TypeCode(QStringLiteral("BUILD"));
    EXPECT_TRUE(frame->dsTasks->UpdateRecord());
    TypeCode(QStringLiteral("NOPE"));
    EXPECT_FALSE(frame->dsTasks->UpdateRecord());
    QApplication::processEvents();
    EXPECT_EQ(dm->adsTasks.State(), TDataSetState::Insert);
    EXPECT_EQ(RowCode(), QStringLiteral("BUILD"));
    EXPECT_EQ(frame->dbeTaskCode->text(), QStringLiteral("BUILD"));
}

TEST_F(FrameCodeRuleTest, LeavingForTheListGivesUpOnlyATypedCodeThatWouldBeRefused) {
    TypeCode(QStringLiteral("NOPE"));
    frame->dblcTaskCode->setFocus(Qt::MouseFocusReason);
    QApplication::processEvents();
    EXPECT_EQ(RowCode(), QStringLiteral("ADMIN"));
    EXPECT_EQ(frame->dbeTaskCode->text(), QStringLiteral("ADMIN"));
    EXPECT_TRUE(Errors.isEmpty());
    EXPECT_TRUE(dialogs->Informations.isEmpty());
    EXPECT_TRUE(frame->dblcTaskCode->hasFocus()) << "the list may be opened";
    // A code that exists and is free is taken as it is.
    dm->adsTaskCodes.Append();
    F(dm->adsTaskCodes, "TaskCode").SetAsString(QStringLiteral("BUILD"));
    dm->adsTaskCodes.Post();
    TypeCode(QStringLiteral("build"));
    frame->dblcTaskCode->setFocus(Qt::MouseFocusReason);
    QApplication::processEvents();
    EXPECT_EQ(RowCode(), QStringLiteral("build"));
}

TEST_F(FrameCodeRuleTest, ACodeRefusedFromTheListSendsTheFocusBackToTheCodeEdit) {
    frame->dblcTaskCode->setFocus(Qt::MouseFocusReason);
    QApplication::processEvents();
    frame->dblcTaskCode->RefreshList();
    int gen = -1;
    for (int i = 0; i < frame->dblcTaskCode->count(); ++i)
        if (frame->dblcTaskCode->itemData(i).toList().value(0) == QStringLiteral("GEN")) gen = i;
    ASSERT_GE(gen, 0);
    Q_EMIT frame->dblcTaskCode->activated(gen); // as a click on the item does
    QApplication::processEvents();
    EXPECT_EQ(Errors, QStringList{QStringLiteral("Task code already selected")});
    EXPECT_EQ(RowCode(), QStringLiteral("ADMIN"));
    EXPECT_TRUE(frame->dbeTaskCode->hasFocus());
}

TEST_F(FrameTest, EnteringADayCellRemembersItsValue) {
    dm->adsTasks.First();
    dm->adsTasks.Edit();
    F(dm->adsTasks, "TueDuration").SetAsFloat(1 + 2 * Hour);
    frame->dbeDayEnter(frame->dbeTue);
    EXPECT_NEAR(dm->rCurrentField.Value, 2 * Hour, 1e-12);
    EXPECT_TRUE(dm->rCurrentField.Active);
}

TEST_F(FrameTest, CompletingATaskStopsItsTiming) {
    dm->adsTasks.First();
    ASSERT_TRUE(F(dm->adsTasks, "Active").AsBoolean());
    frame->dbcbxCompleteClick();
    EXPECT_FALSE(F(dm->adsTasks, "Active").AsBoolean());
}

TEST_F(FrameTest, ActionsAndMinimumSize) {
    EXPECT_EQ(frame->DataSetInsert1->text(), QStringLiteral("&Add Task"));
    EXPECT_EQ(frame->EditCut1->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_X));
    EXPECT_EQ(frame->aAbout->text(), QStringLiteral("About Plenk"));
    EXPECT_EQ(frame->TimeTrackerTimer->interval(), 60000);
    EXPECT_EQ(frame->LastUsedCounter(), 120);
    const int minWidth = frame->minimumWidth();
    frame->SetbClientsVisible(false);
    EXPECT_EQ(frame->minimumWidth(), minWidth - 91);
    EXPECT_EQ(frame->minimumHeight(), 26 + 25 + 21 + 3);
}

TEST_F(FrameTest, OpeningALookupListCountsAsUsingTheGrid) {
    EXPECT_EQ(frame->LastUsedCounter(), 120);
    frame->dbluProject->showPopup();
    ASSERT_TRUE(frame->dbluProject->view()->isVisible());
    EXPECT_EQ(frame->LastUsedCounter(), 0);
    frame->dbluProject->hidePopup();
}
