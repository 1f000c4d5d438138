// The HTML, CSV and RTF writers, read back as their readers would.
#include "Components/GridExport/TCsvGridExport.h"
#include "Components/GridExport/THtmlGridExport.h"
#include "Components/GridExport/TRtfGridExport.h"
#include "GridExportFixtures.h"

#include <QBuffer>
#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace GridExportTest;

namespace {
QByteArray Export(TGridExporter& exporter, const TExportSource& source) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    exporter.ExportToDevice(source, buffer);
    return buffer.data();
}

// A reader of RFC 4180 text: fields separated by commas, records by CR LF (a lone LF too),
// quoted fields may hold anything, a doubled quote inside them stands for one.
std::vector<QStringList> ParseCsv(const QString& text) {
    std::vector<QStringList> records;
    QStringList record;
    QString field;
    bool quoted = false, wasQuoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == QLatin1Char('"')) {
                if (i + 1 < text.size() && text[i + 1] == QLatin1Char('"')) {
                    field += c;
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                field += c;
            }
        } else if (c == QLatin1Char('"')) {
            EXPECT_TRUE(field.isEmpty() && !wasQuoted) << "quote inside an unquoted field";
            quoted = wasQuoted = true;
        } else if (c == QLatin1Char(',')) {
            record << field;
            field.clear();
            wasQuoted = false;
        } else if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            if (c == QLatin1Char('\r')) {
                EXPECT_TRUE(i + 1 < text.size() && text[i + 1] == QLatin1Char('\n'));
                ++i;
            }
            record << field;
            records.push_back(record);
            record.clear();
            field.clear();
            wasQuoted = false;
        } else {
            field += c;
        }
    }
    EXPECT_FALSE(quoted) << "unterminated quote";
    if (!field.isEmpty() || !record.isEmpty()) records.push_back(record << field);
    return records;
}

// The text of an HTML fragment as a browser shows it (for the few entities we write).
QString HtmlText(QString html) {
    html.replace(QStringLiteral("<br>"), QStringLiteral("\n"));
    html.replace(QStringLiteral("&lt;"), QStringLiteral("<"));
    html.replace(QStringLiteral("&gt;"), QStringLiteral(">"));
    html.replace(QStringLiteral("&quot;"), QStringLiteral("\""));
    html.replace(QStringLiteral("&#39;"), QStringLiteral("'"));
    html.replace(QStringLiteral("&amp;"), QStringLiteral("&"));
    return html;
}

std::vector<QStringList> HtmlCells(const QString& html, const QString& tag) {
    std::vector<QStringList> rows;
    static const QRegularExpression rowPattern(QStringLiteral("<tr>(.*?)</tr>"));
    const QRegularExpression cellPattern(QStringLiteral("<%1[^>]*>(.*?)</%1>").arg(tag));
    for (const auto& row : rowPattern.globalMatch(html)) {
        QStringList cells;
        for (const auto& cell : cellPattern.globalMatch(row.captured(1)))
            cells << HtmlText(cell.captured(1));
        if (!cells.isEmpty()) rows.push_back(cells);
    }
    return rows;
}

const QStringList Titles = {
    QStringLiteral("Task Code"), QStringLiteral("Notes"), QStringLiteral("Amount"),
    QStringLiteral("Qty"),       QStringLiteral("Rate"),  QStringLiteral("Done"),
    QStringLiteral("Started"),   QStringLiteral("Spent"), QStringLiteral("Picture")};
} // namespace

TEST(TTextExportTest, CsvReadsBackToTheTitlesAndDisplayTexts) {
    auto rs = MakeAwkwardTable();
    TCsvGridExport csv;
    const QByteArray bytes = Export(csv, FromRecordSet(*rs, GridColumns()));
    ASSERT_TRUE(bytes.startsWith("\xEF\xBB\xBF"));
    const std::vector<QStringList> records = ParseCsv(QString::fromUtf8(bytes.mid(3)));
    ASSERT_EQ(records.size(), 4u);
    EXPECT_EQ(records[0], Titles);
    EXPECT_EQ(records[1],
              (QStringList{QStringLiteral("GEN"), QStringLiteral("Say \"hi\", then <leave> & go"),
                           QStringLiteral("12.50"), QStringLiteral("3"), QStringLiteral("2.5"),
                           QStringLiteral("True"), QStringLiteral("05/03/2024 09:30:15"),
                           QStringLiteral("01:45:00"), QString()}));
    EXPECT_EQ(records[2][0], QStringLiteral("Ünïcødé €"));
    EXPECT_EQ(records[2][1], QStringLiteral("line one\r\nline two"));
    EXPECT_EQ(records[2][2], QStringLiteral("-1234.50"));
    EXPECT_EQ(records[2][3], QStringLiteral("-42"));
    EXPECT_EQ(records[3], (QStringList{QStringLiteral("it's"), {}, {}, {}, {}, {}, {}, {}, {}}));
}

TEST(TTextExportTest, CsvQuotesOnlyWhatNeedsIt) {
    const QChar comma = QLatin1Char(',');
    EXPECT_EQ(TCsvGridExport::Quoted(QStringLiteral("plain"), comma), QStringLiteral("plain"));
    EXPECT_EQ(TCsvGridExport::Quoted(QStringLiteral("a,b"), comma), QStringLiteral("\"a,b\""));
    EXPECT_EQ(TCsvGridExport::Quoted(QStringLiteral("5\" disk"), comma),
              QStringLiteral("\"5\"\" disk\""));
    EXPECT_EQ(TCsvGridExport::Quoted(QStringLiteral(" lead"), comma), QStringLiteral("\" lead\""));
    EXPECT_EQ(TCsvGridExport::Quoted(QStringLiteral("a;b"), QLatin1Char(';')),
              QStringLiteral("\"a;b\""));
}

TEST(TTextExportTest, CsvOfAnEmptyTableHoldsTheTitlesOnly) {
    auto rs = MakeTable();
    TCsvGridExport csv;
    EXPECT_EQ(Export(csv, FromRecordSet(*rs, GridColumns())),
              QByteArray("\xEF\xBB\xBF") + Titles.join(QLatin1Char(',')).toUtf8() + "\r\n");
}

TEST(TTextExportTest, HtmlHoldsOneTableWithEscapedValues) {
    auto rs = MakeAwkwardTable();
    THtmlGridExport htmlExport;
    const QString html = QString::fromUtf8(Export(htmlExport, FromRecordSet(*rs, GridColumns())));
    EXPECT_TRUE(html.contains(QStringLiteral("<meta charset=\"utf-8\">")));
    EXPECT_EQ(html.count(QStringLiteral("<table")), 1);
    EXPECT_FALSE(html.contains(QStringLiteral("hunter2"))); // the hidden column
    EXPECT_TRUE(html.contains(QStringLiteral("Say &quot;hi&quot;, then &lt;leave&gt; &amp; go")));

    const std::vector<QStringList> header = HtmlCells(html, QStringLiteral("th"));
    ASSERT_EQ(header.size(), 1u);
    EXPECT_EQ(header[0], Titles);
    const std::vector<QStringList> rows = HtmlCells(html, QStringLiteral("td"));
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0][1], QStringLiteral("Say \"hi\", then <leave> & go"));
    EXPECT_EQ(rows[1][0], QStringLiteral("Ünïcødé €"));
    EXPECT_EQ(rows[1][1], QStringLiteral("line one\nline two"));
    EXPECT_EQ(rows[1][2], QStringLiteral("-1234.50"));
    EXPECT_EQ(rows[1][6], QStringLiteral("31/12/2023"));
    EXPECT_EQ(rows[2][0], QStringLiteral("it's"));
}

TEST(TTextExportTest, HtmlOfAnEmptyTableHoldsTheHeaderRowOnly) {
    auto rs = MakeTable();
    THtmlGridExport htmlExport;
    const QString html = QString::fromUtf8(Export(htmlExport, FromRecordSet(*rs, GridColumns())));
    EXPECT_EQ(HtmlCells(html, QStringLiteral("th")).size(), 1u);
    EXPECT_TRUE(HtmlCells(html, QStringLiteral("td")).empty());
    EXPECT_TRUE(html.trimmed().endsWith(QStringLiteral("</html>")));
}

TEST(TTextExportTest, RtfEscapesEveryCharacterItCannotHoldAsIs) {
    EXPECT_EQ(TRtfGridExport::Escaped(QStringLiteral("a\\b{c}")), QByteArray("a\\\\b\\{c\\}"));
    EXPECT_EQ(TRtfGridExport::Escaped(QStringLiteral("Ü€")), QByteArray("\\u220?\\u8364?"));
    // Above 32767 the number is negative; a surrogate pair gives two escapes.
    EXPECT_EQ(TRtfGridExport::Escaped(QStringLiteral("\uFF01")), QByteArray("\\u-255?"));
    EXPECT_EQ(TRtfGridExport::Escaped(QString::fromUcs4(U"\U0001F600", 1)),
              QByteArray("\\u-10179?\\u-8704?"));
    EXPECT_EQ(TRtfGridExport::Escaped(QStringLiteral("one\r\ntwo\nthree\tx")),
              QByteArray("one\\line two\\line three\\tab x"));
}

TEST(TTextExportTest, RtfHoldsTheTableInBalancedGroups) {
    auto rs = MakeAwkwardTable();
    TRtfGridExport rtfExport;
    const QByteArray rtf = Export(rtfExport, FromRecordSet(*rs, GridColumns()));
    ASSERT_TRUE(rtf.startsWith("{\\rtf1"));
    // Every byte is ASCII and the groups balance.
    int depth = 0;
    for (qsizetype i = 0; i < rtf.size(); ++i) {
        ASSERT_LT(uchar(rtf[i]), 0x80);
        if (rtf[i] == '\\') {
            ++i;
            continue;
        }
        if (rtf[i] == '{') ++depth;
        if (rtf[i] == '}') {
            ASSERT_GT(depth, 0);
            --depth;
        }
    }
    EXPECT_EQ(depth, 0);
    EXPECT_EQ(rtf.count("\\row"), 4); // header + 3 rows
    EXPECT_EQ(rtf.count("\\cell\r\n"), 4 * 9);
    EXPECT_EQ(rtf.count("\\trhdr"), 1);
    EXPECT_TRUE(rtf.contains("\\b Task Code\\b0"));
    EXPECT_TRUE(rtf.contains("Say \"hi\", then <leave> & go"));
    EXPECT_TRUE(rtf.contains("\\u220?n\\u239?c\\u248?d\\u233? \\u8364?"));
    EXPECT_TRUE(rtf.contains("\\qr -1234.50\\cell"));
    EXPECT_FALSE(rtf.contains("hunter2"));

    auto empty = MakeTable();
    const QByteArray emptyRtf = Export(rtfExport, FromRecordSet(*empty, GridColumns()));
    EXPECT_EQ(emptyRtf.count("\\row"), 1);
    EXPECT_TRUE(emptyRtf.trimmed().endsWith("}"));
}
