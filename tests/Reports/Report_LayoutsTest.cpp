// The four layouts over the chart data set: their headings, groups and totals as laid out on
// the page, the print hooks, and the PDF they write.

#include "ReportFixture.h"

#include "Reports/BaseReportXEP_BaseUnit.h"
#include "Reports/Report_Layouts.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>

namespace {
const double Mon = DateToDayNumber(QDate(2026, 11, 30));

// The texts of the laid-out report, band by band: "kind:text|text|…" per band in print order,
// page header and footer left out.
QStringList BandTexts(const std::vector<TReportPage>& pages) {
    QStringList bands;
    for (const TReportPage& page : pages) {
        QStringList current;
        const TReportPrintedItem* last = nullptr;
        auto flush = [&] {
            if (!current.isEmpty()) bands << current.join(QLatin1Char('|'));
            current.clear();
        };
        for (const TReportPrintedItem& item : page.Items) {
            if (item.Band == TReportBandKind::PageHeader ||
                item.Band == TReportBandKind::PageFooter || item.Kind == TReportItemKind::Line)
                continue;
            if (!last || last->Band != item.Band || last->GroupLevel != item.GroupLevel ||
                last->Rect.top() != item.Rect.top()) {
                flush();
                const char* kinds[] = {"PH", "GH", "D", "GF", "S", "PF"};
                current << QLatin1String(kinds[int(item.Band)]) + QString::number(item.GroupLevel);
            }
            current << item.Text;
            last = &item;
        }
        flush();
    }
    return bands;
}

QStringList HeaderTexts(const TReportPage& page) {
    QStringList texts;
    for (const TReportPrintedItem& item : page.Items)
        if (item.Band == TReportBandKind::PageHeader && !item.Text.isEmpty()) texts << item.Text;
    return texts;
}
} // namespace

class ReportLayoutTest : public ReportTest {
protected:
    std::unique_ptr<TBaseReportXEP_BaseForm> Layout(int number) {
        return CreateReportLayout(number, *dm, details);
    }
    // A working day of 7.5 hours, read as the program reads it: at start.
    void UseSevenAndAHalfHourDays() {
        TRecordSet& d = dm->adsDefaults;
        d.Edit();
        F(d, "DayDuration").SetAsFloat(7.5);
        d.Post();
        dm->SaveData();
        StartPortable();
        CreateReportDetails(details);
    }
};

TEST_F(ReportLayoutTest, DurationsAndValuesPrintInWorkingDays) {
    UseSevenAndAHalfHourDays();
    const auto layout = Layout(rnTaskDuration);
    auto dhm = [&](double hours) {
        QString text = QString::number(hours / 24, 'g', 15);
        layout->DHMPrint(text);
        return text;
    };
    EXPECT_EQ(dhm(7.5), QStringLiteral("1 Days 0 Hours 0 Minutes "));
    EXPECT_EQ(dhm(9), QStringLiteral("1 Days 1 Hours 30 Minutes "));
    EXPECT_EQ(dhm(0), QStringLiteral("0 Days 0 Hours 0 Minutes "));
    auto value = [&](double x) {
        QString text = QString::number(x, 'g', 15);
        layout->TaskValuePrint(text);
        return text;
    };
    // A value item's text is day fraction × daily rate; 7:30 at a rate of 400 is one day.
    EXPECT_EQ(value(7.5 / 24 * 400), QStringLiteral("400.00"));
    EXPECT_EQ(value(12.5 * 7.5 / 24), QStringLiteral("12.50"));
    EXPECT_EQ(value(1200.5 * 7.5 / 24), QStringLiteral("1,200.50"));
    QString notANumber = QStringLiteral("n/a");
    layout->TaskValuePrint(notANumber);
    EXPECT_EQ(notANumber, QStringLiteral("n/a"));
}

TEST_F(ReportLayoutTest, EmptyReportsPrintTheirFrameAndZeroTotals) {
    Choose(rnTaskDuration);
    Populate(Mon, Mon + 6);
    for (int number : {rnTaskDuration, rnProjectSummary, rnClientActivity, rnUserActivity}) {
        SCOPED_TRACE(number);
        const auto pages = Layout(number)->qrBaseReport.Layout();
        ASSERT_EQ(pages.size(), 1u);
        const QStringList header = HeaderTexts(pages.front());
        EXPECT_TRUE(header.contains(QStringLiteral("Tivrel Reports")));
        EXPECT_TRUE(header.contains(QStringLiteral("Date Range")));
        EXPECT_TRUE(header.contains(QStringLiteral("30/11/2026")));
        EXPECT_TRUE(header.contains(QStringLiteral("06/12/2026")));
        EXPECT_TRUE(header.contains(QStringLiteral("Page 1")));
        if (number == rnProjectSummary) {
            EXPECT_TRUE(BandTexts(pages).isEmpty());
        } else {
            EXPECT_EQ(BandTexts(pages), QStringList{QStringLiteral(
                                            "S-1|Report Total|0 Days 0 Hours 0 Minutes |0.00")});
        }
    }
}

TEST_F(ReportLayoutTest, HeadingsAndTitlesOfEachLayout) {
    const struct {
        int Number;
        const char *Title, *Heading, *FirstColumn;
    } layouts[] = {
        {1, "Task Duration For Period Selected", "Task Duration By Period", "Project Name"},
        {2, "Project Summary", "Project Summary", "Project Name"},
        {3, "Client Activity", "Client Activity", "Client Name"},
        {4, "User Report", "User Report", "Name"}};
    for (const auto& l : layouts) {
        SCOPED_TRACE(l.Number);
        const auto layout = Layout(l.Number);
        EXPECT_EQ(layout->qrBaseReport.Title, QLatin1String(l.Title));
        const QStringList header = HeaderTexts(layout->qrBaseReport.Layout().front());
        EXPECT_TRUE(header.contains(QLatin1String(l.Heading)));
        EXPECT_TRUE(header.contains(QLatin1String(l.FirstColumn)));
        EXPECT_TRUE(header.contains(QLatin1String(l.Number == 2 ? "Completed" : "Value")));
    }
    EXPECT_FALSE(Layout(5));
}

TEST_F(ReportLayoutTest, ProjectGroupsCarryTheirOwnTotals) {
    UseSevenAndAHalfHourDays();
    AddProject(5, "Bridge");
    AddTaskCode("DES", "Design", 400, 5);
    AddHistory("DES", 5, 0, 0, Mon, 450);    // 7:30, one working day
    AddHistory("DES", 0, 0, 0, Mon + 1, 90); // the same code under another project
    AddHistory("GEN", 0, 0, 0, Mon + 2, 540, true);
    Choose(rnTaskDuration);
    Populate(Mon, Mon + 6);
    EXPECT_EQ(BandTexts(Layout(rnTaskDuration)->qrBaseReport.Layout()),
              (QStringList{
                  QStringLiteral("GH0|None"),
                  QStringLiteral("D-1|DES|Design|0 Days 1 Hours 30 Minutes |80.00"),
                  QStringLiteral("D-1|GEN|General|1 Days 1 Hours 30 Minutes |0.00"),
                  QStringLiteral("GF0|None|Total|1 Days 3 Hours 0 Minutes |80.00"),
                  QStringLiteral("GH0|Bridge"),
                  QStringLiteral("D-1|DES|Design|1 Days 0 Hours 0 Minutes |400.00"),
                  QStringLiteral("GF0|Bridge|Total|1 Days 0 Hours 0 Minutes |400.00"),
                  QStringLiteral("S-1|Report Total|2 Days 3 Hours 0 Minutes |480.00"),
              }));

    Choose(rnProjectSummary);
    Populate(Mon, Mon + 6);
    EXPECT_EQ(BandTexts(Layout(rnProjectSummary)->qrBaseReport.Layout()),
              (QStringList{
                  QStringLiteral("GH0|None"),
                  QStringLiteral("D-1|DES|Design|0 Days 1 Hours 30 Minutes |False"),
                  QStringLiteral("D-1|GEN|General|1 Days 1 Hours 30 Minutes |True"),
                  QStringLiteral("GF0|None|Total|1 Days 3 Hours 0 Minutes "),
                  QStringLiteral("GH0|Bridge"),
                  QStringLiteral("D-1|DES|Design|1 Days 0 Hours 0 Minutes |False"),
                  QStringLiteral("GF0|Bridge|Total|1 Days 0 Hours 0 Minutes "),
              }));
}

TEST_F(ReportLayoutTest, ClientGroupsEncloseTheirProjects) {
    AddProject(5, "Bridge");
    AddClient(7, "Acme");
    AddTaskCode("DES", "Design", 700, 5);
    AddHistory("DES", 5, 7, 0, Mon, 420);
    AddHistory("GEN", 0, 7, 0, Mon, 60);
    AddHistory("GEN", 0, 0, 0, Mon, 30);
    Choose(rnClientActivity);
    Populate(Mon, Mon + 6);
    EXPECT_EQ(BandTexts(Layout(rnClientActivity)->qrBaseReport.Layout()),
              (QStringList{
                  QStringLiteral("GH0|Internal"),
                  QStringLiteral("GH1|None"),
                  QStringLiteral("D-1|GEN|General|0 Days 0 Hours 30 Minutes |0.00"),
                  QStringLiteral("GF1|None|Total|0 Days 0 Hours 30 Minutes |0.00"),
                  QStringLiteral("GF0|Internal|Total|0 Days 0 Hours 30 Minutes |0.00"),
                  QStringLiteral("GH0|Acme"),
                  QStringLiteral("GH1|None"),
                  QStringLiteral("D-1|GEN|General|0 Days 1 Hours 0 Minutes |0.00"),
                  QStringLiteral("GF1|None|Total|0 Days 1 Hours 0 Minutes |0.00"),
                  QStringLiteral("GH1|Bridge"),
                  QStringLiteral("D-1|DES|Design|1 Days 0 Hours 0 Minutes |700.00"),
                  QStringLiteral("GF1|Bridge|Total|1 Days 0 Hours 0 Minutes |700.00"),
                  QStringLiteral("GF0|Acme|Total|1 Days 1 Hours 0 Minutes |700.00"),
                  QStringLiteral("S-1|Report Total|1 Days 1 Hours 30 Minutes |700.00"),
              }));
}

TEST_F(ReportLayoutTest, APdfOfEveryLayoutCarriesItsTotals) {
    AddTaskCode("DES", "Design", 700);
    AddHistory("DES", 0, 0, 0, Mon, 420);
    Choose(rnUserActivity);
    Populate(Mon, Mon + 6);
    for (int number : {rnTaskDuration, rnProjectSummary, rnClientActivity, rnUserActivity}) {
        SCOPED_TRACE(number);
        const QString file = Root() + QStringLiteral("report%1.pdf").arg(number);
        QString error;
        ASSERT_TRUE(Layout(number)->ExportToPdf(file, &error)) << error.toStdString();
        QFile pdf(file);
        ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
        EXPECT_TRUE(pdf.read(5).startsWith("%PDF"));
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty()) continue;
        QProcess text;
        text.start(QStringLiteral("pdftotext"),
                   {QStringLiteral("-layout"), file, QStringLiteral("-")});
        ASSERT_TRUE(text.waitForFinished(30000));
        const QString output = QString::fromUtf8(text.readAllStandardOutput());
        EXPECT_TRUE(output.contains(QStringLiteral("1 Days 0 Hours 0 Minutes")))
            << output.toStdString();
        if (number != rnProjectSummary) {
            EXPECT_TRUE(output.contains(QStringLiteral("700.00"))) << output.toStdString();
        }
    }
}
