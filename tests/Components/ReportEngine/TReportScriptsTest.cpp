// Texts in every script: Chinese, Japanese and Korean field values print in the report's PDF
// through the fallback families although the report's own font has no glyph for them, and
// the PDF's text gives them back.

#include "ReportFixtures.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QPdfWriter>
#include <QProcess>
#include <QRawFont>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace ReportTest;

namespace {

// The first installed family of the report's fallbacks that draws Han, kana and Hangul.
QString InstalledCjkFamily(const TReport& report) {
    for (const QString& family : report.FallbackFamilies) {
        if (!QFontDatabase::hasFamily(family)) continue;
        const QRawFont raw = QRawFont::fromFont(QFont(family), QFontDatabase::SimplifiedChinese);
        if (raw.supportsCharacter(QChar(0x6771)) && raw.supportsCharacter(QChar(0x3042)) &&
            raw.supportsCharacter(QChar(0xD55C)))
            return family;
    }
    return {};
}

const QString Chinese = QStringLiteral("北京客户");    // Beijing client
const QString Japanese = QStringLiteral("やまだ商事"); // kana and kanji
const QString Korean = QStringLiteral("김민준");       // Hangul

} // namespace

TEST(TReportScripts, ChineseJapaneseAndKoreanTextsPrintInThePdf) {
    auto rows = MakeTable({{QStringLiteral("Asia"), Chinese, QStringLiteral("Tea 1"), 1},
                           {QStringLiteral("Asia"), Japanese, QStringLiteral("Tea 2"), 2},
                           {QStringLiteral("Asia"), Korean, QStringLiteral("Tea 3"), 3}});
    TReport report;
    report.SetDataSet(rows.get());
    report.Font = QFont(QStringLiteral("Times New Roman"), 12);
    report.PageHeader.Height = 10;
    report.PageHeader.AddLabel(QStringLiteral("Clients ") + Korean, {0, 0, 150, 8});
    report.Detail.Height = 7;
    report.Detail.AddField(QStringLiteral("City"), {0, 0, 80, 6});
    report.Detail.AddField(QStringLiteral("Item"), {90, 0, 40, 6});

    const QString family = InstalledCjkFamily(report);
    if (family.isEmpty())
        GTEST_SKIP() << "no font for Chinese, Japanese and Korean is installed (Debian package "
                        "fonts-wqy-microhei)";
    // The report's own font lacks these characters: what prints them is the fallback.
    const QRawFont own = QRawFont::fromFont(report.Font);
    ASSERT_FALSE(own.supportsCharacter(QChar(0x4EAC))) << "the report's font has Han glyphs";
    EXPECT_EQ(report.PaintFont(report.Font).families().first(), QFontInfo(report.Font).family());
    EXPECT_TRUE(report.PaintFont(report.Font).families().contains(family));

    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("scripts.pdf"));
    QString error;
    ASSERT_TRUE(report.ExportToPdf(name, &error)) << error.toStdString();
    const QString text = RunTool(QStringLiteral("pdftotext"),
                                 {QStringLiteral("-layout"), name, QStringLiteral("-")});
    if (text.isNull()) GTEST_SKIP() << "pdftotext is not installed";
    for (const QString& words : {Chinese, Japanese, Korean, QStringLiteral("Clients ") + Korean})
        EXPECT_TRUE(text.contains(words)) << words.toStdString() << " in " << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Tea 3")));

    // Latin text keeps the report's font; only the other scripts come from the fallback.
    const QString fonts = RunTool(QStringLiteral("pdffonts"), {name});
    if (fonts.isNull()) return;
    EXPECT_TRUE(fonts.contains(QString(family).remove(QLatin1Char(' ')))) << fonts.toStdString();
    const QString ownFamily = QFontInfo(report.Font).family().remove(QLatin1Char(' '));
    EXPECT_TRUE(fonts.contains(ownFamily)) << fonts.toStdString();
}
