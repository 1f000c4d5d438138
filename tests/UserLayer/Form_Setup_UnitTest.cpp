// The setup hub: its texts, the red label that follows the last step taken, and the steps
// opening their dialogs.

#include "DataModuleFixture.h"

#include "UserLayer/Button_Images_Unit.h"
#include "UserLayer/Form_Options_Unit.h"
#include "UserLayer/Form_Setup_Unit.h"
#include "support/TScriptedDialogService.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

namespace {
class SetupFormTest : public DataModuleTest {
protected:
    void SetUp() override {
        DataModuleTest::SetUp();
        StartSetUp();
    }

    // The step labels shown in red, by their text.
    static QStringList RedSteps(const TForm_Setup_Form& form) {
        QStringList red;
        for (QLabel* label :
             {form.lblOptions, form.lblUsers, form.lblClients, form.lblProjects, form.lblTasks}) {
            const QColor colour = label->palette().color(QPalette::WindowText);
            if (colour == QColor(Qt::red))
                red << label->text();
            else
                EXPECT_EQ(colour, form.palette().color(QPalette::WindowText))
                    << qPrintable(label->text());
        }
        return red;
    }

    static bool SamePicture(const QIcon& a, const QIcon& b) {
        return a.pixmap(16, 16).toImage() == b.pixmap(16, 16).toImage();
    }

    TScopedDialogService dialogs;
};
} // namespace

TEST_F(SetupFormTest, PresentsTheFiveStepsWithTheirPictures) {
    TForm_Setup_Form form(*dm);
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Tivrel Setup"));
    EXPECT_EQ(form.lblWelcome->text(), QStringLiteral("Welcome to Tivrel"));
    const struct {
        QLabel* Label;
        QPushButton* Button;
        const char* Step;
        const char* Caption;
        int Image;
    } steps[] = {{form.lblOptions, form.btnOptions, "Step 1 >>", "Options", 44},
                 {form.lblUsers, form.btnUsers, "Step 2 >>", "Users", 31},
                 {form.lblClients, form.btnClients, "Step 3 >>", "Clients", 32},
                 {form.lblProjects, form.btnProjects, "Step 4 >>", "Projects", 39},
                 {form.lblTasks, form.btnTasks, "Step 5 >>", "Tasks", 42}};
    for (const auto& step : steps) {
        EXPECT_EQ(step.Label->text(), QLatin1String(step.Step));
        EXPECT_EQ(step.Button->text(), QLatin1String(step.Caption));
        EXPECT_TRUE(SamePicture(step.Button->icon(), ButtonImage(step.Image))) << step.Caption;
    }
    EXPECT_EQ(RedSteps(form), QStringList{QStringLiteral("Step 1 >>")});
}

TEST_F(SetupFormTest, TheRedLabelFollowsTheLastStepTaken) {
    TForm_Setup_Form form(*dm);
    QStringList opened;
    form.OptionsOpener = [&] {
        opened << QStringLiteral("Options");
        return false;
    };
    form.UsersOpener = [&] {
        opened << QStringLiteral("Users");
        return false;
    };
    form.ClientsOpener = [&] {
        opened << QStringLiteral("Clients");
        return false;
    };
    form.ProjectsOpener = [&] {
        opened << QStringLiteral("Projects");
        return false;
    };
    form.TasksOpener = [&] {
        opened << QStringLiteral("Tasks");
        return false;
    };

    form.btnOptions->click();
    EXPECT_EQ(RedSteps(form), QStringList{QStringLiteral("Step 2 >>")});
    form.btnUsers->click();
    EXPECT_EQ(RedSteps(form), QStringList{QStringLiteral("Step 4 >>")});
    form.btnClients->click();
    EXPECT_EQ(RedSteps(form), QStringList{QStringLiteral("Step 4 >>")});
    form.btnProjects->click();
    EXPECT_EQ(RedSteps(form), QStringList{QStringLiteral("Step 5 >>")});
    form.btnTasks->click();
    EXPECT_EQ(RedSteps(form), QStringList());
    EXPECT_EQ(form.focusWidget(), form.btnOk);
    // Any order, any number of times: only the last step counts.
    form.btnClients->click();
    EXPECT_EQ(RedSteps(form), QStringList{QStringLiteral("Step 4 >>")});
    form.btnOptions->click();
    EXPECT_EQ(RedSteps(form), QStringList{QStringLiteral("Step 2 >>")});
    EXPECT_EQ(opened, (QStringList{QStringLiteral("Options"), QStringLiteral("Users"),
                                   QStringLiteral("Clients"), QStringLiteral("Projects"),
                                   QStringLiteral("Tasks"), QStringLiteral("Clients"),
                                   QStringLiteral("Options")}));
}

TEST_F(SetupFormTest, StepOneOpensTheOptionsDialogAndEnterAfterTasksPressesOk) {
    TForm_Setup_Form form(*dm);
    form.TasksOpener = [] { return false; };
    QString seen;
    QWidget* focus = nullptr;
    // Timers of the same interval fire in the order they were started: the first clicks
    // Options in the hub's loop, the second runs in the options dialog's own loop.
    QTimer::singleShot(0, &form, [&] { form.btnOptions->click(); });
    QTimer::singleShot(0, &form, [&] {
        auto* options = qobject_cast<TForm_Options_Form*>(QApplication::activeModalWidget());
        if (!options) return;
        seen = options->windowTitle();
        options->btnCancel->click();
        QTimer::singleShot(0, &form, [&] {
            form.btnTasks->click();
            focus = form.focusWidget();
            if (!focus) return;
            QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
            QApplication::sendEvent(focus, &enter);
        });
    });
    QTimer::singleShot(5000, &form, [&] { form.reject(); }); // never hang
    EXPECT_EQ(form.exec(), QDialog::Accepted);
    EXPECT_EQ(seen, QStringLiteral("Options"));
    EXPECT_EQ(focus, form.btnOk);
    EXPECT_EQ(RedSteps(form), QStringList());
}

TEST_F(SetupFormTest, Screenshot) {
    const QString dir = qEnvironmentVariable("TIVREL_SCREENSHOT_DIR");
    if (dir.isEmpty()) GTEST_SKIP() << "TIVREL_SCREENSHOT_DIR is not set";
    TForm_Setup_Form form(*dm);
    form.show();
    QApplication::processEvents();
    EXPECT_TRUE(form.grab().save(QDir(dir).filePath(QStringLiteral("Form_Setup_Form.png"))));
    form.btnUsers->click();
    QApplication::processEvents();
    EXPECT_TRUE(
        form.grab().save(QDir(dir).filePath(QStringLiteral("Form_Setup_Form_AfterUsers.png"))));
}

TEST_F(SetupFormTest, CancelAfterAConfirmedStepAsksBeforeThrowingTheSetupAway) {
    TScopedDialogService dialogs;
    TForm_Setup_Form form(*dm);
    bool confirmUsers = false;
    form.UsersOpener = [&] { return confirmUsers; };
    // Nothing confirmed yet: Cancel just closes.
    form.show();
    form.btnUsers->click();
    form.btnCancel->click();
    EXPECT_TRUE(dialogs->Questions.isEmpty());
    EXPECT_EQ(form.result(), QDialog::Rejected);
    EXPECT_FALSE(form.isVisible());

    // A step left with OK: Cancel and Escape ask; No keeps the hub open with the setup.
    form.show();
    confirmUsers = true;
    form.btnUsers->click();
    dialogs->ConfirmAnswers = {false, false, true};
    form.btnCancel->click();
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(&form, &escape);
    EXPECT_TRUE(form.isVisible());
    ASSERT_EQ(dialogs->Questions.size(), 2);
    EXPECT_EQ(dialogs->Questions.at(0), QStringLiteral("Discard the setup and close Tivrel?"));
    // Yes closes it as Cancel.
    form.close();
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.result(), QDialog::Rejected);
    EXPECT_EQ(dialogs->Questions.size(), 3);
}
