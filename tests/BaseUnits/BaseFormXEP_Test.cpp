#include "BaseUnits/BaseFormXEP_BaseUnit.h"
#include "BaseUnits/BaseFormXEP_BottomHelpDialogUnit.h"
#include "BaseUnits/BaseFrameXEP_BaseUnit.h"
#include "BaseUnits/XEP_FormPlacement.h"

#include <QCoreApplication>
#include <QDir>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

namespace {
class TTestForm : public TBaseFormXEP_BaseForm {
public:
    explicit TTestForm(const QString& name) {
        setObjectName(name);
        resize(400, 300);
    }
    int ResizeCalls = 0;
    void Tick() { tResizeTimerTimer(); }

protected:
    void ResizeRequired() override { ++ResizeCalls; }
};

class TRecordingFrame : public TBaseFrameXEP_BaseForm {
public:
    TRecordingFrame(QWidget* owner, QStringList& log, QString name)
        : TBaseFrameXEP_BaseForm(owner), FLog(log) {
        setObjectName(std::move(name));
    }
    void FrameClose() override { FLog << objectName(); }

private:
    QStringList& FLog;
};

class FormPlacementTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(FTemp.isValid()); }
    void TearDown() override { ClearFormPlacementConfig(); }

    QString Path(const QString& name) const { return FTemp.path() + QLatin1Char('/') + name; }
    void Portable() {
        SetFormPlacementConfig({TInstallType::itPortable,
                                Path(QStringLiteral("Settings/")),
                                QStringLiteral("Tivrel"),
                                {}});
    }
    void Standard() {
        const QString registry = Path(QStringLiteral("registry.ini"));
        SetFormPlacementConfig({TInstallType::itStandard, Path(QStringLiteral("Settings/")),
                                QStringLiteral("Tivrel"), [registry](const QString&) {
                                    return std::make_unique<QSettings>(registry,
                                                                       QSettings::IniFormat);
                                }});
    }
    QTemporaryDir FTemp;
};
} // namespace

TEST(WindowState, MapsToAndFromTheStoredNumbers) {
    EXPECT_EQ(TBaseFormXEP_BaseForm::WindowStateToInteger(Qt::WindowNoState), 1);
    EXPECT_EQ(TBaseFormXEP_BaseForm::WindowStateToInteger(Qt::WindowMaximized), 2);
    EXPECT_EQ(TBaseFormXEP_BaseForm::WindowStateToInteger(Qt::WindowMinimized), 3);
    EXPECT_EQ(TBaseFormXEP_BaseForm::IntegerToWindowState(1), Qt::WindowNoState);
    EXPECT_EQ(TBaseFormXEP_BaseForm::IntegerToWindowState(2), Qt::WindowMaximized);
    EXPECT_EQ(TBaseFormXEP_BaseForm::IntegerToWindowState(3), Qt::WindowMinimized);
    EXPECT_EQ(TBaseFormXEP_BaseForm::IntegerToWindowState(7), Qt::WindowMinimized);
}

TEST_F(FormPlacementTest, APortableInstallKeepsPlacementInTheTitleIniFile) {
    Portable();
    QSize outer;
    {
        TTestForm form(QStringLiteral("Form_Main_Form"));
        form.show();
        form.move(40, 50);
        form.resize(420, 310);
        outer = form.frameGeometry().size();
        form.FormClose();
    }
    QSettings ini(Path(QStringLiteral("Settings/Tivrel.ini")), QSettings::IniFormat);
    EXPECT_EQ(ini.value(QStringLiteral("Locations/Form_Main_Form_WindowState")).toInt(), 1);
    EXPECT_EQ(ini.value(QStringLiteral("Locations/Form_Main_Form_Left")).toInt(), 40);
    EXPECT_EQ(ini.value(QStringLiteral("Locations/Form_Main_Form_Width")).toInt(), outer.width());
    {
        TTestForm again(QStringLiteral("Form_Main_Form"));
        again.show();
        QCoreApplication::processEvents();
        EXPECT_EQ(again.frameGeometry().topLeft(), QPoint(40, 50));
        EXPECT_EQ(again.size(), QSize(420, 310)) << "the outer size does not grow run by run";
        again.setWindowState(Qt::WindowMaximized);
        again.FormClose();
    }
    EXPECT_EQ(QSettings(Path(QStringLiteral("Settings/Tivrel.ini")), QSettings::IniFormat)
                  .value(QStringLiteral("Locations/Form_Main_Form_WindowState"))
                  .toInt(),
              2);
    TTestForm maximised(QStringLiteral("Form_Main_Form"));
    maximised.FormCreate();
    EXPECT_EQ(maximised.windowState(), Qt::WindowMaximized);

    // A section without this window's keys: top left, design size, normal.
    TTestForm other(QStringLiteral("Form_Other_Form"));
    other.move(200, 200);
    other.FormCreate();
    EXPECT_EQ(other.pos(), QPoint(0, 0));
    EXPECT_EQ(other.size(), QSize(400, 300));
    EXPECT_EQ(other.windowState(), Qt::WindowNoState);
}

TEST_F(FormPlacementTest, AStandardInstallKeepsPlacementUnderFormsInTheRegistry) {
    Standard();
    {
        TTestForm form(QStringLiteral("Form_Submit_Form"));
        form.FormCreate();
        EXPECT_EQ(form.size(), QSize(400, 300)) << "no key yet: design placement";
        form.move(10, 20);
        form.FormClose();
        form.move(11, 21);
        form.FormClose(); // the last close counts
    }
    QSettings registry(Path(QStringLiteral("registry.ini")), QSettings::IniFormat);
    EXPECT_EQ(registry.value(QStringLiteral("Forms/Form_Submit_Form/Left")).toInt(), 11);
    EXPECT_EQ(registry.value(QStringLiteral("Forms/Form_Submit_Form/WindowState")).toInt(), 1);
    EXPECT_FALSE(QDir(Path(QStringLiteral("Settings"))).exists())
        << "no .ini in a standard install";
    TTestForm again(QStringLiteral("Form_Submit_Form"));
    again.FormCreate();
    EXPECT_EQ(again.pos(), QPoint(11, 21));
    // A value of the wrong type keeps the window's own.
    registry.setValue(QStringLiteral("Forms/Form_Submit_Form/Width"), QStringLiteral("wide"));
    registry.sync();
    TTestForm third(QStringLiteral("Form_Submit_Form"));
    third.FormCreate();
    EXPECT_EQ(third.width(), 400);
}

TEST_F(FormPlacementTest, ClosingCallsTheFramesLastFirstAndSavesEvenOnCancel) {
    Portable();
    QStringList log;
    TBaseFormXEP_BottomHelpDialogForm dialog;
    dialog.setObjectName(QStringLiteral("Form_Find_TaskData_Form"));
    new TRecordingFrame(dialog.ClientArea(), log, QStringLiteral("first"));
    new TRecordingFrame(dialog.ClientArea(), log, QStringLiteral("second"));
    dialog.show();
    dialog.btnCancel->click();
    EXPECT_EQ(log, (QStringList{QStringLiteral("second"), QStringLiteral("first")}));
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    QSettings ini(Path(QStringLiteral("Settings/Tivrel.ini")), QSettings::IniFormat);
    EXPECT_TRUE(ini.contains(QStringLiteral("Locations/Form_Find_TaskData_Form_Top")));
}

TEST_F(FormPlacementTest, DialogButtonsAndHelpTopic) {
    TBaseFormXEP_BottomHelpDialogForm dialog;
    EXPECT_EQ(dialog.btnOk->text(), QStringLiteral("OK"));
    EXPECT_TRUE(dialog.btnOk->isDefault());
    EXPECT_EQ(dialog.btnCancel->text(), QStringLiteral("&Cancel"));
    EXPECT_EQ(dialog.btnHelp->text(), QStringLiteral("&Help"));
    EXPECT_EQ(dialog.btnHelp->size(), QSize(75, 25));
    EXPECT_EQ(dialog.HelpTopic(), QStringLiteral("Welcome"));
    dialog.SetHelpString(QStringLiteral("Review"));
    EXPECT_EQ(dialog.HelpTopic(), QStringLiteral("Review"));
    dialog.show();
    dialog.btnOk->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST(ResizeTimer, SettlesOnTheFourthTickOfABurst) {
    TTestForm form(QStringLiteral("Form_Test"));
    EXPECT_EQ(form.tResizeTimer->interval(), 100);
    EXPECT_FALSE(form.tResizeTimer->isActive());
    form.EnableResizeTimer();
    EXPECT_TRUE(form.tResizeTimer->isActive());
    for (int tick = 1; tick <= 3; ++tick) {
        form.Tick();
        form.EnableResizeTimer(); // more resize events do not restart the wait
        EXPECT_EQ(form.ResizeCalls, 0) << tick;
    }
    EXPECT_EQ(form.LastResize(), 300);
    form.Tick();
    EXPECT_EQ(form.ResizeCalls, 1);
    EXPECT_FALSE(form.tResizeTimer->isActive());
    form.EnableResizeTimer(); // a new burst waits again
    EXPECT_EQ(form.LastResize(), 0);
    for (int tick = 1; tick <= 4; ++tick)
        form.Tick();
    EXPECT_EQ(form.ResizeCalls, 2);
}
