// The reports window: its criteria record, the pickers each report enables, the week each
// showing starts from, and what Preview and Print do around the layouts.

#include "DataModuleFixture.h"

#include "BaseUnits/Frame_Date_Unit.h"
#include "Reports/BaseReportXEP_BaseUnit.h"
#include "Reports/Reporting_Chart_Unit.h"
#include "UserLayer/Form_Reporting_Unit.h"
#include "support/TScriptedDialogService.h"

#include "Components/DataControls/TDBCheckBox.h"
#include "Components/DataControls/TDBLookupComboBox.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPrinterInfo>
#include <QPushButton>
#include <QTimer>

namespace {
class ReportingFormTest : public DataModuleTest {
protected:
    void SetUp() override {
        DataModuleTest::SetUp();
        StartSetUp();
    }

    void SetStartDayOfWeek(int day) {
        dm->adsDefaults.Edit();
        F(dm->adsDefaults, "StartDayOfWeek").SetAsInteger(day);
        dm->adsDefaults.Post();
    }

    static void Choose(TForm_Reporting_Form& form, int report) {
        form.adsReportDetails.Edit();
        F(form.adsReportDetails, "ReportNumber").SetAsInteger(report);
        form.adsReportDetails.Post();
    }

    // The enabled state of the six criteria controls, pickers and boxes by turn.
    static QString Enabled(TForm_Reporting_Form& form) {
        QString state;
        for (QWidget* w :
             {static_cast<QWidget*>(form.dblucbProject), static_cast<QWidget*>(form.cbxAllProjects),
              static_cast<QWidget*>(form.dblucbClient), static_cast<QWidget*>(form.cbxAllClients),
              static_cast<QWidget*>(form.dblucbUser), static_cast<QWidget*>(form.cbxAllUsers)})
            state += w->isEnabled() ? QLatin1Char('1') : QLatin1Char('0');
        return state;
    }
};
} // namespace

TEST_F(ReportingFormTest, CreatedWithReportOneAndNothingTicked) {
    TForm_Reporting_Form form(*dm);
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Reports"));
    TRecordSet& d = form.adsReportDetails;
    EXPECT_EQ(d.RecordCount(), 1);
    EXPECT_EQ(F(d, "ReportNumber").AsInteger(), 1);
    for (const char* key : {"ProjectNumber", "ClientId", "UserId"})
        EXPECT_EQ(F(d, key).AsInteger(), 0) << key;
    for (const char* all : {"AllProjects", "AllClients", "AllUsers"})
        EXPECT_FALSE(F(d, all).AsBoolean()) << all;
    EXPECT_GE(form.width(), TForm_Reporting_Form::ClientWidth);
    EXPECT_GE(form.height(), TForm_Reporting_Form::ClientHeight);
    EXPECT_EQ(form.minimumSize(), form.maximumSize()) << "a fixed dialog border";
    for (int number = 1; number <= 4; ++number)
        EXPECT_TRUE(form.Layout(number)) << number;
    EXPECT_FALSE(form.Layout(5));
}

TEST_F(ReportingFormTest, EachReportEnablesItsOwnPicker) {
    TForm_Reporting_Form form(*dm);
    form.show();
    EXPECT_EQ(Enabled(form), QStringLiteral("000000"));
    Choose(form, 2);
    EXPECT_EQ(Enabled(form), QStringLiteral("110000"));
    form.cbxAllProjects->click();
    EXPECT_TRUE(F(form.adsReportDetails, "AllProjects").AsBoolean());
    EXPECT_EQ(Enabled(form), QStringLiteral("010000"));
    Choose(form, 3);
    EXPECT_EQ(Enabled(form), QStringLiteral("001100"));
    Choose(form, 4);
    EXPECT_EQ(Enabled(form), QStringLiteral("000011"));
    form.cbxAllUsers->click();
    EXPECT_EQ(Enabled(form), QStringLiteral("000001"));
    // A number without a layout leaves every control as it was.
    Choose(form, 9);
    EXPECT_EQ(Enabled(form), QStringLiteral("000001"));
    Choose(form, 2);
    EXPECT_EQ(Enabled(form), QStringLiteral("010000")) << "the project box stayed ticked";
}

TEST_F(ReportingFormTest, EachShowingStartsFromLastWeekAndKeepsTheChoices) {
    SetStartDayOfWeek(2); // Monday
    TForm_Reporting_Form form(*dm);
    form.show();
    const double lastMonday = DateToDayNumber(QDate(2026, 11, 30));
    EXPECT_EQ(form.Frame_Date_Form1->StartDate(), lastMonday);
    EXPECT_EQ(form.Frame_Date_Form1->EndDate(), lastMonday + 6);
    Choose(form, 4);
    form.adsReportDetails.Edit();
    F(form.adsReportDetails, "UserId").SetAsInteger(-2);
    form.adsReportDetails.Post();
    form.Frame_Date_Form1->SetStartDate(lastMonday - 300);
    form.btnCancel->click();
    EXPECT_FALSE(form.isVisible());

    // The option read at creation holds until the next start.
    SetStartDayOfWeek(1);
    form.show();
    EXPECT_EQ(form.Frame_Date_Form1->StartDate(), lastMonday);
    EXPECT_EQ(F(form.adsReportDetails, "ReportNumber").AsInteger(), 4);
    EXPECT_EQ(F(form.adsReportDetails, "UserId").AsInteger(), -2);
    EXPECT_EQ(Enabled(form), QStringLiteral("000011"));
    form.close();
}

// The User Activity report's picker starts on the timesheet user of the options, not on the
// user row the users dialog last left current, and follows a new timesheet user.
TEST_F(ReportingFormTest, TheUserPickerStartsOnTheTimesheetUserWhateverUserRowIsCurrent) {
    TRecordSet& users = dm->adsUsers;
    const int ann = AddAnn(*dm);
    ASSERT_NE(ann, 0);
    auto timesheetUser = [this](int user) { SetTimesheetUser(*dm, user); };
    timesheetUser(ann);
    users.First(); // the guest, as a users dialog left it

    TForm_Reporting_Form form(*dm);
    form.show();
    Choose(form, 4);
    EXPECT_EQ(Enabled(form), QStringLiteral("000011"));
    EXPECT_EQ(F(form.adsReportDetails, "UserId").AsInteger(), ann);
    EXPECT_EQ(form.dblucbUser->DisplayText(), QStringLiteral(" Ann Lee"));
    form.btnCancel->click();

    timesheetUser(0);
    users.Last(); // Ann
    form.show();
    EXPECT_EQ(F(form.adsReportDetails, "UserId").AsInteger(), 0);
    EXPECT_EQ(form.dblucbUser->DisplayText(), QStringLiteral(" Guest 1"));
    EXPECT_EQ(F(users, "UserID").AsInteger(), ann) << "the users table stays on its row";
    form.close();
}

TEST_F(ReportingFormTest, EnterAndEscapeBothCancel) {
    TForm_Reporting_Form form(*dm);
    form.show();
    EXPECT_TRUE(form.btnCancel->isDefault());
    EXPECT_FALSE(form.btnPreview->isDefault());
    EXPECT_FALSE(form.btnPrint->isDefault());
    EXPECT_EQ(form.btnCancel->text(), QStringLiteral("&Cancel"));
    form.reject(); // Escape
    EXPECT_FALSE(form.isVisible());
}

TEST_F(ReportingFormTest, AReportWithoutALayoutGathersAndShowsNothing) {
    TScopedDialogService dialogs;
    TForm_Reporting_Form form(*dm);
    form.show();
    Choose(form, 9);
    form.btnPreviewClick();
    form.btnPrintClick();
    EXPECT_TRUE(dm->adsReporting.Filtered());
    EXPECT_TRUE(dm->adsReporting.Filter().startsWith(QLatin1String(" DateTimeSubmitted >= ")));
    EXPECT_TRUE(dialogs->Questions.isEmpty());
    form.close();
}

TEST_F(ReportingFormTest, PrintingWithoutAPrinterOffersAPdf) {
    if (!QPrinterInfo::availablePrinters().isEmpty()) GTEST_SKIP() << "a printer is installed";
    TScopedDialogService dialogs;
    const QString pdf = Root() + QStringLiteral("week.pdf");
    dialogs->ConfirmAnswers = {false, true};
    dialogs->FileNames = {pdf};
    TForm_Reporting_Form form(*dm);
    form.show();
    form.btnPrintClick(); // declined
    EXPECT_FALSE(QFile::exists(pdf));
    form.btnPrintClick();
    ASSERT_EQ(dialogs->Questions.size(), 2);
    EXPECT_TRUE(dialogs->Questions.at(0).startsWith(QLatin1String("No printer is installed.")));
    QFile file(pdf);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.read(4) == "%PDF");
    form.close();
}

TEST_F(ReportingFormTest, Screenshot) {
    const QString dir = qEnvironmentVariable("TIVREL_SCREENSHOT_DIR");
    if (dir.isEmpty()) GTEST_SKIP() << "TIVREL_SCREENSHOT_DIR is not set";
    TForm_Reporting_Form form(*dm);
    form.show();
    Choose(form, 2);
    QApplication::processEvents();
    EXPECT_TRUE(form.grab().save(QDir(dir).filePath(QStringLiteral("Form_Reporting_Form.png"))));
    // The preview of the chosen report, grabbed once it is up and then closed.
    bool grabbed = false;
    QTimer::singleShot(1500, [&] {
        if (QWidget* preview = QApplication::activeModalWidget()) {
            preview->resize(1000, 760);
            QApplication::processEvents();
            grabbed =
                preview->grab().save(QDir(dir).filePath(QStringLiteral("Report_Preview.png")));
            preview->close();
        }
    });
    form.btnPreviewClick();
    EXPECT_TRUE(grabbed);
    form.close();
}
