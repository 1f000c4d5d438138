// The report command: its arguments, and the run over a store that only reads it, even while
// the program holds the data folder.

#include "ReportFixture.h"

#include "BaseUnits/XEP_CommandLine.h"
#include "Reports/Report_Csv.h"
#include "Reports/Reporting_Command_Unit.h"

#include <QDirIterator>
#include <QFileInfo>
#include <QTextStream>

namespace {
QString ParseError(const QStringList& arguments) {
    TReportRequest request;
    QString error;
    if (ParseReportRequest(ParseCommandLine(arguments), request, error)) return QString();
    return error;
}

QStringList Args(const char* text) {
    return QString::fromLatin1(text).split(QLatin1Char(' '));
}

// Every file under a directory with its size and modification time.
QStringList Snapshot(const QString& dir) {
    QStringList files;
    QDirIterator it(dir, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        files << QStringLiteral("%1 %2 %3")
                     .arg(info.filePath())
                     .arg(info.size())
                     .arg(info.lastModified().toMSecsSinceEpoch());
    }
    files.sort();
    return files;
}
} // namespace

TEST(ReportCommandTest, ArgumentsAreCheckedWithAMessageNamingTheFault) {
    TReportRequest request;
    QString error;
    ASSERT_TRUE(ParseReportRequest(
        ParseCommandLine(
            Args("report 2 --from 2026-02-01 --to=2026-02-28 --project -3 --out r.PDF")),
        request, error))
        << error.toStdString();
    EXPECT_EQ(request.ReportNumber, 2);
    EXPECT_EQ(request.StartDate, DateToDayNumber(QDate(2026, 2, 1)));
    EXPECT_EQ(request.EndDate, DateToDayNumber(QDate(2026, 2, 28)));
    EXPECT_EQ(request.Restriction, QStringLiteral("project"));
    EXPECT_EQ(request.RestrictionKey, -3);
    EXPECT_TRUE(request.Pdf);
    EXPECT_TRUE(
        ParseError(Args("report 1 --from 2026-01-01 --to 2026-01-01 --out a.csv")).isEmpty());

    const struct {
        const char* Arguments;
        const char* Message;
    } faults[] = {
        {"report 5 --from 2026-01-01 --to 2026-01-31 --out a.pdf", "unknown report '5'"},
        {"report x --from 2026-01-01 --to 2026-01-31 --out a.pdf", "unknown report 'x'"},
        {"report --from 2026-01-01 --to 2026-01-31 --out a.pdf", "report needs one report number"},
        {"report 1 --from 2026-01-01 --out a.pdf", "report needs --to"},
        {"report 1 --from 2026-02-30 --to 2026-03-31 --out a.pdf",
         "--from: '2026-02-30' is not a date of the form YYYY-MM-DD"},
        {"report 1 --from 2026-01-01 --to 31/01/2026 --out a.pdf",
         "--to: '31/01/2026' is not a date"},
        {"report 1 --from 2026-02-01 --to 2026-01-31 --out a.pdf",
         "the date of --from (2026-02-01) is after the date of --to (2026-01-31)"},
        {"report 3 --from 2026-01-01 --to 2026-01-31 --client 1 --user 2 --out a.pdf",
         "give only one of --project, --client and --user"},
        {"report 1 --from 2026-01-01 --to 2026-01-31 --project 1 --out a.pdf",
         "--project applies to report 2 only"},
        {"report 4 --from 2026-01-01 --to 2026-01-31 --user me --out a.pdf",
         "--user: 'me' is not a number"},
        {"report 1 --from 2026-01-01 --to 2026-01-31 --out a.txt", "must end in .pdf or .csv"},
    };
    for (const auto& f : faults)
        EXPECT_TRUE(ParseError(Args(f.Arguments)).contains(QLatin1String(f.Message)))
            << f.Arguments << " gave: " << ParseError(Args(f.Arguments)).toStdString();
}

class ReportRunTest : public ReportTest {
protected:
    TDataModuleOptions Options() {
        TDataModuleOptions options;
        options.ExeName = PortableExe();
        return options;
    }
    int Run(const char* arguments, QString& errors) {
        TReportRequest request;
        QString error;
        const QString line = QString::fromLatin1(arguments).arg(Root());
        if (!ParseReportRequest(ParseCommandLine(line.split(QLatin1Char(' '))), request, error))
            return 2;
        QTextStream err(&errors);
        return RunReportRequest(request, Options(), err);
    }
};

TEST_F(ReportRunTest, ReadsTheStoreWhileTheProgramHoldsItAndWritesOnlyTheReport) {
    AddHistory("GEN", 0, 0, 0, DateToDayNumber(QDate(2026, 11, 2)), 90);
    dm->SaveData(); // the program (the fixture's data module) keeps running
    const QStringList before = Snapshot(PortableDataDir());
    QString errors;
    EXPECT_EQ(Run("report 1 --from 2026-11-01 --to 2026-11-30 --out %1r.csv", errors), 0)
        << errors.toStdString();
    EXPECT_EQ(Run("report 1 --from 2026-11-01 --to 2026-11-30 --out %1r.pdf", errors), 0)
        << errors.toStdString();
    EXPECT_EQ(Snapshot(PortableDataDir()), before);
    EXPECT_TRUE(QFileInfo(Root() + QStringLiteral("r.pdf")).size() > 1000);
    QFile csv(Root() + QStringLiteral("r.csv"));
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(csv.readAll());
    EXPECT_TRUE(text.contains(QStringLiteral("TaskCode"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("0 Days 1 Hours 30 Minutes"))) << text.toStdString();
    EXPECT_TRUE(text.startsWith(QStringLiteral("Line,TaskCode,"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral(",1.50,"))) << "decimal hours";
    EXPECT_TRUE(text.contains(QStringLiteral("\r\nReport Total,"))) << text.toStdString();
    // The program still holds the folder: a second program is refused.
    EXPECT_FALSE(ErrorOf([this] { TdmTasks_Form second(nullptr, Options()); }).isEmpty());
}

// The command reads only the report's dates of the history, through the history file's index;
// the report equals the one made from the whole file (the index taken away), for every report.
TEST_F(ReportRunTest, AReportOverARangeEqualsTheSameReportOverTheWholeHistory) {
    const double first = DateToDayNumber(QDate(2024, 1, 1));
    for (int i = 0; i < 3000; ++i)
        AddHistory(i % 3 ? "GEN" : "ADMIN", 0, 0, 0, first + (i * 7) % 900, 15 + i % 120);
    dm->SaveData();
    dm.reset();
    const QString index = PortableDataDir() + QStringLiteral("Reportingfile.index");
    ASSERT_TRUE(QFile::exists(index));
    auto report = [&](int number) {
        QString errors;
        const QByteArray line = QStringLiteral("report %1 --from 2024-06-01 --to 2025-02-15 --out "
                                               "%2r.csv")
                                    .arg(number)
                                    .arg(QStringLiteral("%1"))
                                    .toLatin1();
        EXPECT_EQ(Run(line.constData(), errors), 0) << errors.toStdString();
        QFile csv(Root() + QStringLiteral("r.csv"));
        return csv.open(QIODevice::ReadOnly) ? csv.readAll() : QByteArray();
    };
    for (const int number : {1, 2, 3, 4}) {
        SCOPED_TRACE(number);
        ASSERT_TRUE(QFile::exists(index)) << "a command that only reads writes no index";
        const QByteArray ranged = report(number);
        const QByteArray backup = [&] {
            QFile file(index);
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        }();
        QFile::remove(index);
        const QByteArray whole = report(number);
        QFile restored(index);
        ASSERT_TRUE(restored.open(QIODevice::WriteOnly));
        restored.write(backup);
        restored.close();
        EXPECT_FALSE(ranged.isEmpty());
        EXPECT_EQ(ranged, whole);
    }
}

TEST_F(ReportRunTest, AnUnreadableHistoryFailsTheCommandAndStaysWhereItIs) {
    dm.reset();
    const QString history = PortableDataDir() + QStringLiteral("Reportingfile.xml");
    QFile file(history);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("<xml>not a store");
    file.close();
    QString errors;
    EXPECT_EQ(Run("report 1 --from 2026-11-01 --to 2026-11-30 --out %1r.pdf", errors), 1);
    EXPECT_TRUE(errors.contains(QStringLiteral("Reportingfile.xml could not be read")))
        << errors.toStdString();
    EXPECT_TRUE(QFile::exists(history));
    EXPECT_FALSE(QFile::exists(Root() + QStringLiteral("r.pdf")));
}

// "tivrel report --help" says which columns and lines each report's CSV holds, in the words
// the CSV itself uses.
TEST(ReportCommandTest, TheHelpNamesEachReportsColumnsAndLines) {
    const QString help = ReportCommandUsage(QStringLiteral("tivrel"));
    for (const QString& column : ReportCsvColumns(true))
        EXPECT_TRUE(help.contains(column)) << column.toStdString();
    for (int report = rnTaskDuration; report <= rnUserActivity; ++report) {
        const TReportCsvShape shape = ReportCsvShape(report);
        const QString line = help.section(QStringLiteral("\n  %1  ").arg(report), -1)
                                 .section(QLatin1Char('\n'), 0, 0);
        EXPECT_TRUE(line.contains(shape.Totals.join(QStringLiteral(", ")))) << line.toStdString();
        EXPECT_EQ(line.contains(QStringLiteral("no Value column")), !shape.Value)
            << line.toStdString();
    }
    EXPECT_TRUE(ParseCommandLine({QStringLiteral("report"), QStringLiteral("--help")}).Action ==
                TCommandLine::TAction::Help);
}
