#include "Components/GridExport/TXlsxGridExport.h"
#include "GridExportFixtures.h"

#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>

using namespace GridExportTest;

namespace {
// One member of a zip archive, through the unzip program; the test is skipped without it.
QByteArray Unzipped(const QString& archive, const QString& member, bool& ok) {
    QProcess unzip;
    unzip.start(QStringLiteral("unzip"), {QStringLiteral("-p"), archive, member});
    ok = unzip.waitForFinished(30000) && unzip.exitStatus() == QProcess::NormalExit &&
         unzip.exitCode() == 0;
    return unzip.readAllStandardOutput();
}

bool HaveUnzip() {
    return !QStandardPaths::findExecutable(QStringLiteral("unzip")).isEmpty();
}
} // namespace

TEST(TXlsxExportTest, WorkbookHoldsNumbersAsNumbersAndTextAsSharedStrings) {
    auto rs = MakeAwkwardTable();
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("out.xls"));
    TXlsxGridExport().ExportGrid(FromRecordSet(*rs, GridColumns()), name);
    const QByteArray bytes = ReadAll(name);
    ASSERT_TRUE(bytes.startsWith("PK\x03\x04")) << "not a zip archive";
    if (!HaveUnzip()) GTEST_SKIP() << "unzip is not installed";

    bool ok = false;
    const QString sheet =
        QString::fromUtf8(Unzipped(name, QStringLiteral("xl/worksheets/sheet1.xml"), ok));
    ASSERT_TRUE(ok);
    const QString strings =
        QString::fromUtf8(Unzipped(name, QStringLiteral("xl/sharedStrings.xml"), ok));
    ASSERT_TRUE(ok);
    const QString styles = QString::fromUtf8(Unzipped(name, QStringLiteral("xl/styles.xml"), ok));
    ASSERT_TRUE(ok);

    // Line breaks in a cell are single line feeds.
    for (const char* text : {"Task Code", "Say \"hi\", then &lt;leave&gt; &amp; go", "Ünïcødé €",
                             ">line one\nline two<", ">it's<"})
        EXPECT_TRUE(strings.contains(QString::fromUtf8(text))) << text;
    EXPECT_FALSE(strings.contains(QStringLiteral("hunter2")));
    // Row 2 (the first data row): C2 the currency 12.5, D2 the integer 3, F2 TRUE (a Boolean
    // cell with a format showing it so), G2 the date.
    EXPECT_TRUE(sheet.contains(QStringLiteral("<c r=\"C2\" s=\"")));
    EXPECT_TRUE(sheet.contains(QStringLiteral("<v>12.5</v>")));
    EXPECT_TRUE(sheet.contains(QStringLiteral("<c r=\"D2\"><v>3</v></c>")));
    EXPECT_TRUE(sheet.contains(QStringLiteral("<c r=\"F2\" s=\"3\" t=\"b\"><v>1</v></c>")));
    EXPECT_TRUE(sheet.contains(QStringLiteral("<v>-1234.5</v>")));
    EXPECT_TRUE(sheet.contains(QStringLiteral("<v>-42</v>")));
    // 5 March 2024 09:30:15 is serial 45356.396…; 31 December 2023 is 45291.
    EXPECT_TRUE(sheet.contains(QStringLiteral("<v>45356.39600694")));
    EXPECT_TRUE(sheet.contains(QStringLiteral("<v>45291</v>")));
    EXPECT_TRUE(styles.contains(QStringLiteral("formatCode=\"dd/mm/yyyy\"")));
    EXPECT_TRUE(styles.contains(QStringLiteral("formatCode=\"hh:mm:ss\"")));
    EXPECT_TRUE(styles.contains(QStringLiteral("formatCode=\"#,##0.00\"")));
    EXPECT_TRUE(styles.contains(QStringLiteral("<b/>")));
}

TEST(TXlsxExportTest, EmptyTableGivesAWorkbookWithTheTitles) {
    auto rs = MakeTable();
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("empty.xls"));
    TXlsxGridExport().ExportGrid(FromRecordSet(*rs, GridColumns()), name);
    ASSERT_TRUE(ReadAll(name).startsWith("PK\x03\x04"));
    if (!HaveUnzip()) GTEST_SKIP() << "unzip is not installed";
    bool ok = false;
    const QString sheet =
        QString::fromUtf8(Unzipped(name, QStringLiteral("xl/worksheets/sheet1.xml"), ok));
    ASSERT_TRUE(ok);
    EXPECT_TRUE(sheet.contains(QStringLiteral("<c r=\"I1\"")));
    EXPECT_FALSE(sheet.contains(QStringLiteral("r=\"A2\"")));
}

TEST(TXlsxExportTest, DateFormatsAndSerialsFollowTheSpreadsheetsRules) {
    EXPECT_EQ(TXlsxGridExport::SpreadsheetDateFormat(QStringLiteral("dd/MM/yyyy")),
              QStringLiteral("dd/mm/yyyy"));
    EXPECT_EQ(TXlsxGridExport::SpreadsheetDateFormat(QStringLiteral("M/d/yy")),
              QStringLiteral("m/d/yy"));
    EXPECT_EQ(TXlsxGridExport::SpreadsheetDateFormat(QStringLiteral("h:mm:ss AP")),
              QStringLiteral("h:mm:ss AM/PM"));
    EXPECT_EQ(TXlsxGridExport::SpreadsheetDateFormat(QStringLiteral("HH'h'mm")),
              QStringLiteral("hh\"h\"mm"));
    EXPECT_EQ(TXlsxGridExport::SpreadsheetDateFormat(QStringLiteral("dddd, d MMMM yyyy")),
              QStringLiteral("dddd, d mmmm yyyy"));

    double serial = 0;
    EXPECT_TRUE(TXlsxGridExport::SpreadsheetSerial(45291, false, serial));
    EXPECT_EQ(serial, 45291);
    EXPECT_TRUE(TXlsxGridExport::SpreadsheetSerial(2, false, serial)); // 1 January 1900
    EXPECT_EQ(serial, 1);
    EXPECT_TRUE(TXlsxGridExport::SpreadsheetSerial(60, false, serial)); // 28 February 1900
    EXPECT_EQ(serial, 59);
    EXPECT_TRUE(TXlsxGridExport::SpreadsheetSerial(0.25, true, serial));
    EXPECT_EQ(serial, 0.25);
    EXPECT_FALSE(TXlsxGridExport::SpreadsheetSerial(1, false, serial)); // 31 December 1899
    EXPECT_FALSE(TXlsxGridExport::SpreadsheetSerial(-5, false, serial));
}

TEST(TXlsxExportTest, ADateBeforeTheSpreadsheetsFirstDayIsWrittenAsText) {
    auto rs = MakeTable();
    AddRow(*rs, {QStringLiteral("OLD"), QString(), QVariant(), QVariant(), QVariant(), QVariant(),
                 DateToDayNumber(QDate(1850, 7, 4)), QVariant()});
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("old.xls"));
    TXlsxGridExport().ExportGrid(FromRecordSet(*rs, GridColumns()), name);
    if (!HaveUnzip()) GTEST_SKIP() << "unzip is not installed";
    bool ok = false;
    EXPECT_TRUE(QString::fromUtf8(Unzipped(name, QStringLiteral("xl/sharedStrings.xml"), ok))
                    .contains(QStringLiteral("04/07/1850")));
}
