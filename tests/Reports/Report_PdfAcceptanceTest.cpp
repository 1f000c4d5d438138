// The four reports as PDFs over a generated history of two months with several projects,
// clients and users: the totals their text carries equal sums taken independently from the
// history file, and each report's CSV holds the same rows and totals as its PDF, with decimal
// hours. With TIVREL_SCREENSHOT_DIR set the PDFs are kept there for viewing.

#include "ReportFixture.h"

#include "Reports/BaseReportXEP_BaseUnit.h"
#include "Reports/Report_Csv.h"
#include "Reports/Report_Layouts.h"

#include <QFile>
#include <QLocale>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QXmlStreamReader>
#include <map>

namespace {
const double From = DateToDayNumber(QDate(2026, 10, 1));
const double To = DateToDayNumber(QDate(2026, 11, 30));

struct TTotals {
    double Days = 0;  // time of day summed
    double Value = 0; // duration × daily rate summed
};

// Sums over the rows of a store file as written, without the record-set component.
std::vector<QXmlStreamAttributes> RowsOf(const QString& fileName) {
    std::vector<QXmlStreamAttributes> rows;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) return rows;
    QXmlStreamReader xml(&file);
    while (!xml.atEnd())
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.qualifiedName() == u"z:row")
            rows.push_back(xml.attributes());
    return rows;
}

QString PdfText(const QString& file) {
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), file, QStringLiteral("-")});
    text.waitForFinished(30000);
    return QString::fromUtf8(text.readAllStandardOutput());
}

// The words of the text lines that start with a caption, blanks collapsed.
QStringList LinesStartingWith(const QString& text, const QString& caption) {
    QStringList found;
    for (const QString& line : text.split(QLatin1Char('\n')))
        if (line.simplified().startsWith(caption)) found << line.simplified();
    return found;
}
} // namespace

class ReportPdfTest : public ReportTest {
protected:
    void SetUp() override {
        ReportTest::SetUp();
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            GTEST_SKIP() << "pdftotext is not installed";
        MakeHistory();
        dm->SaveData();
        for (const auto& row :
             RowsOf(dm->DirsObj()->DataDir() + QStringLiteral("TaskCodesfile.xml")))
            FRates[row.value(QLatin1String("TaskCode")).toString()] =
                row.value(QLatin1String("DailyRate")).toDouble();
    }

    void MakeHistory() {
        const char* projects[] = {"Harbour", "Relocation", "Website", "Audit 2026"};
        for (int i = 0; i < 4; ++i)
            AddProject(i + 1, projects[i]);
        const char* clients[] = {"Acme Ltd", "Brightwater", "City Council"};
        for (int i = 0; i < 3; ++i)
            AddClient(i + 1, clients[i]);
        for (const char* last : {"Okafor", "Lindqvist"}) {
            TRecordSet& u = dm->adsUsers;
            u.Append();
            F(u, "FirstName").SetAsString(QStringLiteral("Sam"));
            F(u, "LastName").SetAsString(QLatin1String(last));
            F(u, "SignOn").SetAsString(QString::fromLatin1(last).toLower());
            F(u, "Password").SetAsString(QStringLiteral("pw"));
            u.Post();
        }
        const double rates[] = {420, 630, 0, 840};
        const char* codes[] = {"DESIGN", "BUILD", "MEET", "REVIEW", "TRAVEL", "DOCS"};
        for (int i = 0; i < 6; ++i)
            AddTaskCode(codes[i], codes[i], rates[i % 4], i % 4 + 1);
        std::vector<int> users;
        TRecordSet& u = dm->adsUsers;
        for (u.First(); !u.Eof(); u.Next())
            users.push_back(F(u, "UserID").AsInteger());
        QRandomGenerator random(20261209);
        // Two months and a few days either side, which the range leaves out.
        for (double day = From - 3; day <= To + 3; ++day) {
            if (DayOfWeekNumber(day) == 1 || DayOfWeekNumber(day) == 7) continue;
            for (int user : users)
                for (int n = random.bounded(2, 5); n > 0; --n) {
                    const int code = random.bounded(6);
                    AddHistory(codes[code], code % 4 + 1, random.bounded(4), user, day,
                               15 * random.bounded(1, 33), random.bounded(5) == 0);
                }
        }
    }

    // Sums of the history file's rows in the range, by a key of the row ("" for all).
    std::map<QString, TTotals> Sums(const char* keyAttribute) const {
        std::map<QString, TTotals> sums;
        const auto rows = RowsOf(dm->DirsObj()->DataDir() + QStringLiteral("Reportingfile.xml"));
        for (const auto& row : rows) {
            const double day = DateToDayNumber(QDate::fromString(
                row.value(QLatin1String("DateTimeSubmitted")).left(10), Qt::ISODate));
            if (day < From || day > To) continue;
            const QTime time =
                QTime::fromString(row.value(QLatin1String("Duration")).mid(11), Qt::ISODate);
            const double duration = time.msecsSinceStartOfDay() / 86400000.0;
            TTotals& sum =
                sums[keyAttribute ? row.value(QLatin1String(keyAttribute)).toString() : QString()];
            sum.Days += duration;
            sum.Value += duration * FRates.at(row.value(QLatin1String("TaskCode")).toString());
        }
        return sums;
    }

    static QString Dhm(double days) { return DaysHoursMinutesText(days, 7).simplified(); }
    static QString Money(double value) {
        return QLocale(QLocale::English).toString(value / (7.0 / 24), 'f', 2);
    }

    QString WritePdf(int number) {
        Choose(number);
        Populate(From, To);
        const QString dir = qEnvironmentVariable("TIVREL_SCREENSHOT_DIR", Root());
        const QString file = dir + QStringLiteral("/report-%1.pdf").arg(number);
        QString error;
        EXPECT_TRUE(CreateReportLayout(number, *dm, details)->ExportToPdf(file, &error))
            << error.toStdString();
        return PdfText(file);
    }

    std::map<QString, double> FRates;
};

TEST_F(ReportPdfTest, ReportTotalsEqualTheHistoryFilesSums) {
    const TTotals all = Sums(nullptr).at(QString());
    ASSERT_GT(all.Days, 10);
    const QString expected =
        QStringLiteral("Report Total %1 %2").arg(Dhm(all.Days), Money(all.Value));
    for (int number : {rnTaskDuration, rnClientActivity, rnUserActivity}) {
        SCOPED_TRACE(number);
        const QString text = WritePdf(number);
        EXPECT_EQ(LinesStartingWith(text, QStringLiteral("Report Total")), QStringList{expected})
            << text.toStdString();
        EXPECT_GT(text.count(QStringLiteral("Tivrel Reports")), 1) << "several pages";
    }
}

TEST_F(ReportPdfTest, ProjectTotalsEqualTheHistoryFilesSumsPerProject) {
    const QString text = WritePdf(rnProjectSummary);
    const auto sums = Sums("ProjectNumber");
    const std::map<QString, QString> names = {{QStringLiteral("1"), QStringLiteral("Harbour")},
                                              {QStringLiteral("2"), QStringLiteral("Relocation")},
                                              {QStringLiteral("3"), QStringLiteral("Website")},
                                              {QStringLiteral("4"), QStringLiteral("Audit 2026")}};
    ASSERT_EQ(sums.size(), 4u);
    for (const auto& [project, sum] : sums) {
        const QString name = names.at(project);
        EXPECT_EQ(LinesStartingWith(text, name + QStringLiteral(" Total")),
                  QStringList{name + QStringLiteral(" Total ") + Dhm(sum.Days)})
            << text.toStdString();
    }
    EXPECT_TRUE(LinesStartingWith(text, QStringLiteral("Report Total")).isEmpty());
}

TEST_F(ReportPdfTest, UserTotalsEqualTheHistoryFilesSumsPerUser) {
    const QString text = WritePdf(rnUserActivity);
    const auto sums = Sums("UserId");
    ASSERT_EQ(sums.size(), 3u); // the guest and two more
    QStringList expected;
    TRecordSet& u = dm->adsUsers;
    for (u.First(); !u.Eof(); u.Next()) {
        const QString id = QString::number(F(u, "UserID").AsInteger());
        if (!sums.count(id)) continue;
        const QString name = F(u, "UserName").AsString().simplified();
        EXPECT_EQ(LinesStartingWith(text, name + QStringLiteral(" Total")),
                  QStringList{QStringLiteral("%1 Total %2 %3")
                                  .arg(name, Dhm(sums.at(id).Days), Money(sums.at(id).Value))})
            << text.toStdString();
    }
}

namespace {
// The lines of a CSV file written as RFC 4180 asks (quoted values may hold commas and quotes).
QList<QStringList> CsvRows(const QString& fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) return {};
    QString text = QString::fromUtf8(file.readAll());
    if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);
    QList<QStringList> rows;
    QStringList row;
    QString value;
    bool quoted = false;
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == QLatin1Char('"') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('"'))
                value += text.at(++i);
            else if (c == QLatin1Char('"'))
                quoted = false;
            else
                value += c;
        } else if (c == QLatin1Char('"')) {
            quoted = true;
        } else if (c == QLatin1Char(',')) {
            row << value;
            value.clear();
        } else if (c == QLatin1Char('\r')) {
            continue;
        } else if (c == QLatin1Char('\n')) {
            row << value;
            rows << row;
            row.clear();
            value.clear();
        } else {
            value += c;
        }
    }
    return rows;
}

// The report's lines of that kind, as the PDF's text writes them: the task rows ("DESIGN
// DESIGN 0 Days 3 Hours 15 Minutes 1,260.00") or the totals ("Harbour Total …").
bool IsTotalLine(const QString& line) {
    static const QRegularExpression total(QStringLiteral(
        "^(.+ )?Total [0-9]+ Days [0-9]+ Hours [0-9]+ Minutes( [0-9,]+\\.[0-9]{2})?$"));
    return total.match(line).hasMatch();
}
} // namespace

// Each report's CSV: its task rows, its group totals and its total are the PDF's, in the same
// order; Hours is the minutes shown / 60 to two places, and the report's total hours are the
// history file's minutes / 60.
TEST_F(ReportPdfTest, EachReportsCsvHoldsThePdfsRowsAndTotalsWithDecimalHours) {
    const TTotals all = Sums(nullptr).at(QString());
    const qint64 allMinutes = qRound64(all.Days * 1440);
    const QLocale english(QLocale::English);
    for (int number : {rnTaskDuration, rnProjectSummary, rnClientActivity, rnUserActivity}) {
        SCOPED_TRACE(number);
        const QString pdf = WritePdf(number);
        QStringList pdfTasks, pdfTotals;
        for (const QString& raw : pdf.split(QLatin1Char('\n'))) {
            const QString line = raw.simplified();
            if (IsTotalLine(line))
                pdfTotals << line;
            else if (FRates.count(line.section(QLatin1Char(' '), 0, 0)))
                pdfTasks << line;
        }
        const QString csvFile = Root() + QStringLiteral("/report-%1.csv").arg(number);
        const auto layout = CreateReportLayout(number, *dm, details);
        WriteReportCsv(*layout, *dm, csvFile);
        const QList<QStringList> rows = CsvRows(csvFile);
        ASSERT_GT(rows.size(), 10);
        const TReportCsvShape shape = ReportCsvShape(number);
        const QStringList header = rows.first();
        EXPECT_EQ(header, ReportCsvColumns(shape.Value));
        auto at = [&header](const QStringList& row, const char* column) {
            return row.value(int(header.indexOf(QLatin1String(column))));
        };
        QStringList csvTasks, csvTotals, kinds;
        QString reportTotalHours;
        for (const QStringList& row : rows.mid(1)) {
            ASSERT_EQ(row.size(), header.size());
            const QString kind = at(row, "Line");
            if (!kinds.contains(kind)) kinds << kind;
            // The hours: minutes as shown (whole minutes) / 60, two decimals.
            const double duration = at(row, "Duration").toDouble();
            const qint64 minutes = qRound64(duration * 1440);
            EXPECT_EQ(at(row, "Hours"), QString::number(minutes / 60.0, 'f', 2));
            const QString money =
                shape.Value
                    ? QLatin1Char(' ') + english.toString(at(row, "Value").toDouble(), 'f', 2)
                    : QString();
            const QString time = at(row, "DurationText").simplified();
            if (kind == QLatin1String("Task")) {
                const QString last = shape.Value ? money : QLatin1Char(' ') + at(row, "Completed");
                csvTasks << (at(row, "TaskCode") + QLatin1Char(' ') + at(row, "TaskDescription") +
                             QLatin1Char(' ') + time + last)
                                .simplified();
                continue;
            }
            const QString name = kind == QLatin1String("Project Total")  ? at(row, "ProjectName")
                                 : kind == QLatin1String("Client Total") ? at(row, "ClientName")
                                 : kind == QLatin1String("User Total")   ? at(row, "UserName")
                                                                         : QStringLiteral("Report");
            csvTotals << (name.simplified() + QStringLiteral(" Total ") + time + money);
            if (kind == QLatin1String("Report Total")) reportTotalHours = at(row, "Hours");
        }
        EXPECT_EQ(csvTasks, pdfTasks);
        EXPECT_EQ(csvTotals, pdfTotals);
        EXPECT_EQ(kinds, QStringList{QStringLiteral("Task")} + shape.Totals)
            << "the lines the command's help announces";
        if (number != rnProjectSummary) {
            EXPECT_EQ(reportTotalHours, QString::number(allMinutes / 60.0, 'f', 2));
        }
    }
}
