// The whole program run offscreen: first start, the review window, closing, and a restart.

#include "DataModuleFixture.h"

#include "BaseUnits/XEP_Errors.h"
#include "UserLayer/Form_Main_Unit.h"
#include "UserLayer/Form_Submit_Unit.h"
#include "UserLayer/Frame_TimeTracker_Unit.h"
#include "support/TScriptedDialogService.h"

#include "Components/DataControls/TDBEdit.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QTimer>

namespace {
// Types text into a widget key by key, as the user does.
void Type(QWidget* widget, const QString& text) {
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, c.unicode(), Qt::NoModifier, QString(c));
        QCoreApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, c.unicode(), Qt::NoModifier, QString(c));
        QCoreApplication::sendEvent(widget, &release);
    }
}

class ProgramScenarioTest : public DataModuleTest {
protected:
    void SetUp() override {
        DataModuleTest::SetUp();
        TForm_Main_Form::SplashOnCreate = false;
    }

    // Runs the program's windows until the main window has closed; atReview runs while the
    // review window is up and ends it.
    void RunProgram(const std::function<bool()>& setup,
                    const std::function<void(TForm_Submit_Form&)>& atReview) {
        TForm_Main_Form mainForm(*dm);
        TForm_Submit_Form submitForm(*dm);
        mainForm.SetSubmitForm(&submitForm);
        mainForm.RunSetup = setup;
        // The review window is driven once it is up and active (after the save that follows
        // the setup, which takes a moment).
        QTimer poll;
        poll.setInterval(10);
        QObject::connect(&poll, &QTimer::timeout, &submitForm, [&] {
            if (!submitForm.isVisible() || !submitForm.isActiveWindow()) return;
            poll.stop();
            atReview(submitForm);
        });
        poll.start();
        mainForm.show();
        for (int i = 0; i < 200 && (mainForm.isVisible() || submitForm.isVisible()); ++i)
            QApplication::processEvents(QEventLoop::AllEvents, 20);
        EXPECT_FALSE(mainForm.isVisible());
    }

    QStringList Files() const {
        return QDir(PortableDataDir()).entryList({QStringLiteral("*.xml")}, QDir::Files);
    }

    TScopedDialogService dialogs;
};
} // namespace

TEST_F(ProgramScenarioTest, ACancelledFirstRunWritesNothing) {
    StartPortable();
    bool reviewShown = false;
    RunProgram([] { return false; },
               [&](TForm_Submit_Form& form) {
                   reviewShown = true;
                   form.aExitMenu->trigger();
               });
    EXPECT_FALSE(reviewShown);
    EXPECT_TRUE(Files().isEmpty());
}

TEST_F(ProgramScenarioTest, AWeekTypedInTheReviewWindowIsThereAfterARestart) {
    StartPortable();
    RunProgram([] { return true; },
               [&](TForm_Submit_Form& form) {
                   TFrame_TimeTracker_Form* frame = form.Frame_TimeTracker_Form1;
                   EXPECT_FALSE(dm->adsTasks.Filtered()) << "the review window shows every task";
                   dm->adsTasks.First();
                   // Typing into the Monday cell of the current row, through its mask.
                   frame->dbeMon->setFocus();
                   frame->dbeMon->selectAll();
                   Type(frame->dbeMon, QStringLiteral("1030"));
                   frame->dsTasks->UpdateRecord();
                   form.aExitMenu->trigger();
               });
    EXPECT_FALSE(Files().isEmpty());
    TdmTasks_Form& again = StartPortable();
    EXPECT_FALSE(again.SetupRequired());
    again.adsTasks.First();
    EXPECT_EQ(F(again.adsTasks, "MonDuration").Text(), QStringLiteral("10:30"));
    EXPECT_NEAR(again.TotalDuration(2), 10.5 * Hour, 1e-9);
}

TEST_F(ProgramScenarioTest, ARefusedDurationKeepsTheCellsValue) {
    StartSetUp();
    TForm_Submit_Form form(*dm);
    form.show();
    dm->adsTasks.First();
    TFrame_TimeTracker_Form* frame = form.Frame_TimeTracker_Form1;
    form.activateWindow();
    frame->dbeMon->setFocus();
    frame->dbeMon->selectAll();
    Type(frame->dbeMon, QStringLiteral("2500"));
    EXPECT_FALSE(frame->dsTasks->UpdateRecord());
    EXPECT_TRUE(frame->dbeMon->displayText().startsWith(QStringLiteral("25")))
        << "the typed text stays";
    EXPECT_EQ(F(dm->adsTasks, "MonDuration").AsFloat(), 0);
    form.hide();
}

TEST_F(ProgramScenarioTest, ARefusedCellKeepsTheReviewWindowOpen) {
    StartSetUp();
    TForm_Submit_Form form(*dm);
    bool stayedOpen = false;
    QTimer::singleShot(50, &form, [&] {
        TFrame_TimeTracker_Form* frame = form.Frame_TimeTracker_Form1;
        dm->adsTasks.First();
        frame->dbeMon->setFocus();
        frame->dbeMon->selectAll();
        Type(frame->dbeMon, QStringLiteral("2500"));
        form.aExitMenu->trigger(); // the cell refuses 25:00, so the window stays
        stayedOpen = form.isVisible();
        frame->dbeMon->selectAll();
        Type(frame->dbeMon, QStringLiteral("0130"));
        form.aExitMenu->trigger();
    });
    form.exec();
    EXPECT_TRUE(stayedOpen);
    EXPECT_FALSE(form.isVisible());
    dm->adsTasks.First();
    EXPECT_EQ(F(dm->adsTasks, "MonDuration").Text(), QStringLiteral("01:30"));
}
