// Reports of clients, projects, tasks and users named in Chinese, Japanese and Korean: the
// PDF prints the names (the report font has no glyph for them; the engine's fallback family
// does) and its text gives them back.

#include "ReportFixture.h"

#include "Reports/BaseReportXEP_BaseUnit.h"
#include "Reports/Report_Layouts.h"

#include <QFontDatabase>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

namespace {
const QString Project = QStringLiteral("上海项目");      // Chinese
const QString Client = QStringLiteral("株式会社やまだ"); // Japanese
const QString Description = QStringLiteral("설계 작업"); // Korean
const QString FirstName = QStringLiteral("민준");
const QString LastName = QStringLiteral("김");

QString PdfText(const QString& file) {
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), file, QStringLiteral("-")});
    text.waitForFinished(30000);
    return QString::fromUtf8(text.readAllStandardOutput());
}

bool HasFontsFor(std::initializer_list<QFontDatabase::WritingSystem> systems) {
    for (QFontDatabase::WritingSystem system : systems)
        if (QFontDatabase::families(system).isEmpty()) return false;
    return true;
}
} // namespace

class ReportCjkTest : public ReportTest {
protected:
    void SetUp() override {
        ReportTest::SetUp();
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            GTEST_SKIP() << "pdftotext is not installed";
        if (!HasFontsFor(
                {QFontDatabase::SimplifiedChinese, QFontDatabase::Japanese, QFontDatabase::Korean}))
            GTEST_SKIP() << "no font for Chinese, Japanese and Korean is installed (Debian "
                            "package fonts-wqy-microhei)";
        TRecordSet& p = dm->adsProjects;
        p.Append();
        F(p, "ProjectNumber").SetAsInteger(1);
        F(p, "ProjectName").SetAsString(Project);
        p.Post();
        TRecordSet& c = dm->adsClients;
        c.Append();
        F(c, "ClientId").SetAsInteger(1);
        F(c, "ClientName").SetAsString(Client);
        c.Post();
        TRecordSet& u = dm->adsUsers;
        u.Append();
        F(u, "FirstName").SetAsString(FirstName);
        F(u, "LastName").SetAsString(LastName);
        F(u, "SignOn").SetAsString(QStringLiteral("kim"));
        F(u, "Password").SetAsString(QStringLiteral("pw"));
        u.Post();
        FUser = F(u, "UserID").AsInteger();
        FUserName = F(u, "UserName").AsString().simplified();
        TRecordSet& t = dm->adsTaskCodes;
        t.Append();
        F(t, "TaskCode").SetAsString(QStringLiteral("DESIGN"));
        F(t, "TaskDescription").SetAsString(Description);
        F(t, "DailyRate").SetAsFloat(700);
        F(t, "ProjectNumber").SetAsInteger(1);
        t.Post();
        AddHistory("DESIGN", 1, 1, FUser, Day(2026, 11, 2), 420);
        AddHistory("DESIGN", 1, 1, FUser, Day(2026, 11, 3), 90);
    }

    QString WritePdf(int number) {
        Choose(number);
        Populate(Day(2026, 11, 1), Day(2026, 11, 30));
        const QString file = Root() + QStringLiteral("/cjk-report-%1.pdf").arg(number);
        QString error;
        EXPECT_TRUE(CreateReportLayout(number, *dm, details)->ExportToPdf(file, &error))
            << error.toStdString();
        return PdfText(file);
    }

    int FUser = 0;
    QString FUserName;
};

TEST_F(ReportCjkTest, TheClientReportPrintsClientProjectAndTaskNamesInTheirScripts) {
    const QString text = WritePdf(rnClientActivity);
    for (const QString& name : {Client, Project, Description})
        EXPECT_TRUE(text.contains(name)) << name.toStdString() << " in " << text.toStdString();
    // The group footers carry the names too, with the totals beside them.
    EXPECT_TRUE(text.contains(
        QRegularExpression(QRegularExpression::escape(Client) + QStringLiteral("\\s+Total"))))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Report Total")));
}

TEST_F(ReportCjkTest, TheUserReportPrintsAKoreanUserName) {
    ASSERT_TRUE(FUserName.contains(FirstName)) << FUserName.toStdString();
    const QString text = WritePdf(rnUserActivity);
    EXPECT_TRUE(text.contains(FUserName))
        << FUserName.toStdString() << " in " << text.toStdString();
    EXPECT_TRUE(text.contains(Project)) << text.toStdString();
}
