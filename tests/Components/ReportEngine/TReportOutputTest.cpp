// Painting reports: PDF files, text sizes across resolutions, the preview window and printing.

#include "ReportFixtures.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFontInfo>
#include <QPdfWriter>
#include <QPrintPreviewDialog>
#include <QPrinterInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

using namespace ReportTest;

namespace {

const QString Item = QStringLiteral("Item");

// A report of n rows over two pages or more: title, column heads, detail columns, a group
// footer with a sum, a summary and page numbers.
struct TSampleReport {
    std::unique_ptr<TRecordSet> Rows;
    TReport Report;

    explicit TSampleReport(int n) {
        std::vector<TRow> rows;
        for (int i = 1; i <= n; ++i)
            rows.push_back({i <= n / 2 ? QStringLiteral("North") : QStringLiteral("South"),
                            QStringLiteral("City %1").arg((i - 1) / 7 + 1),
                            QStringLiteral("Article number %1 with a rather long description that "
                                           "does not fit its column")
                                .arg(i),
                            i});
        Rows = MakeTable(rows);
        TReport& r = Report;
        r.SetDataSet(Rows.get());
        r.Title = QStringLiteral("Quarterly sales");
        QFont title(QStringLiteral("Times New Roman"), 16);
        title.setBold(true);
        QFont bold;
        bold.setBold(true);
        r.PageHeader.Height = 18;
        r.PageHeader.RuleBelow = true;
        r.PageHeader.AddLabel(QStringLiteral("Quarterly sales"), {0, 0, 120, 8}, title);
        r.PageHeader.AddDateTime({120, 0, 70, 8}, QFont(), Qt::AlignRight | Qt::AlignVCenter);
        r.PageHeader.AddLabel(QStringLiteral("City"), {0, 12, 30, 5}, bold);
        r.PageHeader.AddLabel(QStringLiteral("Article"), {32, 12, 90, 5}, bold);
        r.PageHeader.AddLabel(QStringLiteral("Quantity"), {150, 12, 40, 5}, bold,
                              Qt::AlignRight | Qt::AlignVCenter);
        TReportGroup& region = r.AddGroup(QStringLiteral("Region"));
        region.Header.Height = 9;
        region.Header.AddField(QStringLiteral("Region"), {0, 2, 100, 6}, title);
        region.Footer.Height = 8;
        region.Footer.RuleAbove = true;
        region.Footer.AddLabel(QStringLiteral("Region total"), {32, 1, 60, 5}, bold);
        region.Footer.AddSum(Quantity, {150, 1, 40, 5}, bold);
        r.Detail.Height = 5;
        r.Detail.AddField(QStringLiteral("City"), {0, 0, 30, 5});
        r.Detail.AddField(Item, {32, 0, 90, 5});
        r.Detail.AddField(QStringLiteral("Quantity"), {150, 0, 40, 5}, QFont(),
                          Qt::AlignRight | Qt::AlignVCenter);
        r.Summary.Height = 12;
        r.Summary.AddLabel(QStringLiteral("Grand total"), {32, 4, 60, 6}, bold);
        r.Summary.AddSum(Quantity, {150, 4, 40, 6}, bold);
        r.PageFooter.Height = 8;
        r.PageFooter.RuleAbove = true;
        r.PageFooter.AddLabel(QStringLiteral("Sales report"), {0, 2, 60, 5});
        r.PageFooter.AddPageNumber({150, 2, 40, 5}).OnPrint = [](QString& text) {
            text = QStringLiteral("Page ") + text;
        };
    }
};

QByteArray ReadFile(const QString& name) {
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

TEST(TReportOutput, ExportToPdfWritesAPdfFileOrNamesTheFileItCouldNotWrite) {
    TSampleReport sample(120);
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("sales.pdf"));
    QString error;
    ASSERT_TRUE(sample.Report.ExportToPdf(name, &error)) << error.toStdString();
    const QByteArray pdf = ReadFile(name);
    EXPECT_TRUE(pdf.startsWith("%PDF")) << pdf.left(20).toStdString();

    if (const QString copy = qEnvironmentVariable("REPORT_SAMPLE_PDF"); !copy.isEmpty()) {
        QFile::remove(copy);
        QFile::copy(name, copy);
    }

    const QString missing = dir.filePath(QStringLiteral("no-such-folder/out.pdf"));
    error.clear();
    EXPECT_FALSE(sample.Report.ExportToPdf(missing, &error));
    EXPECT_TRUE(error.contains(QDir::toNativeSeparators(missing))) << error.toStdString();
    EXPECT_FALSE(QFile::exists(missing));
}

TEST(TReportOutput, PdfHoldsTheTextsOfEveryPage) {
    TSampleReport sample(120);
    const size_t pageCount = sample.Report.Layout().size();
    ASSERT_GE(pageCount, 2u);
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("sales.pdf"));
    ASSERT_TRUE(sample.Report.ExportToPdf(name));
    const QString text = RunTool(QStringLiteral("pdftotext"),
                                 {QStringLiteral("-layout"), name, QStringLiteral("-")});
    if (text.isNull()) GTEST_SKIP() << "pdftotext is not installed";

    const QStringList pages = text.split(QLatin1Char('\f'), Qt::SkipEmptyParts);
    ASSERT_EQ(size_t(pages.size()), pageCount);
    for (int p = 0; p < pages.size(); ++p) {
        SCOPED_TRACE(testing::Message() << "page " << p + 1);
        EXPECT_TRUE(pages[p].contains(QStringLiteral("Quarterly sales")));
        EXPECT_TRUE(pages[p].contains(QStringLiteral("Quantity")));
        EXPECT_TRUE(pages[p].contains(QStringLiteral("Page %1").arg(p + 1)));
    }
    EXPECT_TRUE(text.contains(QStringLiteral("City 1")));
    EXPECT_TRUE(text.contains(QStringLiteral("Region total")));
    EXPECT_TRUE(pages.last().contains(QStringLiteral("7260"))); // 1 + … + 120
    // A text too long for its column is cut with an ellipsis, not run into the next column.
    EXPECT_TRUE(text.contains(QStringLiteral("Article number 1 with a")));
    EXPECT_FALSE(text.contains(QStringLiteral("fit its column")));
    EXPECT_TRUE(text.contains(QChar(0x2026)));

    // The document's title, and every text in the report's font family: items that only make
    // the report's font bold keep its family.
    EXPECT_TRUE(
        RunTool(QStringLiteral("pdfinfo"), {name}).contains(QStringLiteral("Quarterly sales")));
    const QString family = QFontInfo(sample.Report.Font).family().remove(QLatin1Char(' '));
    const QStringList fonts =
        RunTool(QStringLiteral("pdffonts"), {name}).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_GT(fonts.size(), 2);
    for (const QString& font : fonts.mid(2))
        EXPECT_TRUE(font.contains(family)) << font.toStdString();
}

TEST(TReportOutput, TextKeepsItsSizeAndPlaceAtAnyResolution) {
    TReport report;
    report.PageHeader.AddLabel(QStringLiteral("Wide"), {50, 20, 100, 10},
                               QFont(QStringLiteral("Times New Roman"), 24));
    QTemporaryDir dir;
    QStringList boxes;
    for (const int dpi : {96, 1200}) {
        const QString name = dir.filePath(QStringLiteral("r%1.pdf").arg(dpi));
        {
            QPdfWriter writer(name);
            writer.setResolution(dpi);
            report.Render(writer);
        }
        const QString html = RunTool(QStringLiteral("pdftotext"),
                                     {QStringLiteral("-bbox"), name, QStringLiteral("-")});
        if (html.isNull()) GTEST_SKIP() << "pdftotext is not installed";
        const auto match =
            QRegularExpression(QStringLiteral("<word ([^>]*)>Wide</word>")).match(html);
        ASSERT_TRUE(match.hasMatch()) << html.toStdString();
        boxes << match.captured(1);
    }
    const auto number = [&](const QString& box, const char* key) {
        return QRegularExpression(QStringLiteral("%1=\"([0-9.]+)\"").arg(QLatin1String(key)))
            .match(box)
            .captured(1)
            .toDouble();
    };
    // The same box in points at both resolutions: 24 pt text 60 mm (170 pt) from the paper's
    // left edge.
    for (const char* key : {"xMin", "yMin", "xMax", "yMax"})
        EXPECT_NEAR(number(boxes[0], key), number(boxes[1], key), 1) << key;
    for (const QString& box : boxes) {
        EXPECT_NEAR(number(box, "xMin"), 60 / 25.4 * 72, 2);
        const double height = number(box, "yMax") - number(box, "yMin");
        EXPECT_NEAR(height, 24 * 1.15, 24 * 0.25) << box.toStdString();
    }
}

TEST(TReportOutput, PreviewShowsTheReportInADialogWithItsTitle) {
    TSampleReport sample(30);
    QString title;
    QTimer::singleShot(0, [&] {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* dialog = qobject_cast<QPrintPreviewDialog*>(widget)) {
                title = dialog->windowTitle();
                dialog->reject();
            }
    });
    sample.Report.Preview();
    EXPECT_EQ(title, QStringLiteral("Quarterly sales"));
}

TEST(TReportOutput, PrintingWithoutAPrinterSaysSo) {
    if (!QPrinterInfo::availablePrinters().isEmpty()) GTEST_SKIP() << "a printer is installed";
    TSampleReport sample(3);
    QString error;
    EXPECT_EQ(sample.Report.Print(&error), TReport::TPrintResult::NoPrinter);
    EXPECT_FALSE(error.isEmpty());
}
