// Choosing an exporter by the save dialog's type, the extension rule, progress, and the
// failures that must leave no file behind.
#include "Components/GridExport/TExportFileTypes.h"
#include "GridExportFixtures.h"

#include <QBuffer>
#include <QDir>
#include <gtest/gtest.h>

using namespace GridExportTest;

TEST(TExportFileTypesTest, FiveTypesInOrderWithTheirPatterns) {
    EXPECT_EQ(ExportFilterEntries(),
              (QStringList{QStringLiteral("HTML (*.htm;*.html) (*.htm *.html)"),
                           QStringLiteral("CSV (*.csv;*.txt) (*.csv *.txt)"),
                           QStringLiteral("MS Word (*.doc) (*.doc)"),
                           QStringLiteral("MS Excel (*.xls) (*.xls)"),
                           QStringLiteral("XML files (*.xml) (*.xml)")}));
    EXPECT_EQ(ExportDefaultFileName(), QStringLiteral("ExportData.htm"));
    EXPECT_EQ(ExportDialogTitle(), QStringLiteral("Export Data"));
    for (int i = 1; i <= ExportTypeCount; ++i)
        EXPECT_EQ(ExportTypeOfFilter(ExportFilterEntries()[i - 1]), i);
    EXPECT_EQ(ExportTypeOfFilter(QStringLiteral("All files (*)")), 0);
    EXPECT_EQ(CreateExporter(1)->Caption(), QStringLiteral("Exporting to HTML..."));
    EXPECT_EQ(CreateExporter(2)->Caption(), QStringLiteral("Exporting to CSV/Text..."));
    EXPECT_EQ(CreateExporter(3)->Caption(), QStringLiteral("Exporting to MS Word..."));
    EXPECT_EQ(CreateExporter(4)->Caption(), QStringLiteral("Exporting to MS Excel..."));
    EXPECT_EQ(CreateExporter(5)->Caption(), QString());
    EXPECT_EQ(CreateExporter(0), nullptr);
    EXPECT_EQ(CreateExporter(6), nullptr);
}

TEST(TExportFileTypesTest, ChangingTheTypeChangesTheTypedNamesExtension) {
    EXPECT_EQ(ChangeExportExtension(QStringLiteral("report"), 5), QStringLiteral("report.xml"));
    EXPECT_EQ(ChangeExportExtension(QStringLiteral("report.csv"), 5), QStringLiteral("report.xml"));
    EXPECT_EQ(ChangeExportExtension(QStringLiteral("data.csv"), 1), QStringLiteral("data.htm"));
    EXPECT_EQ(ChangeExportExtension(QStringLiteral("my.report.htm"), 4),
              QStringLiteral("my.report.xls"));
    EXPECT_EQ(ChangeExportExtension(QStringLiteral("/home/u/out.v1/sheet"), 3),
              QStringLiteral("/home/u/out.v1/sheet.doc"));
    EXPECT_EQ(ChangeExportExtension(QStringLiteral("/home/u/"), 2), QString());
    EXPECT_EQ(ChangeExportExtension(QString(), 2), QString());
    EXPECT_EQ(ChangeExportExtension(QStringLiteral("report"), 9), QString());
}

TEST(TExportFileTypesTest, TheTypeAloneChoosesTheFormat) {
    auto rs = MakeAwkwardTable();
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("data.csv"));
    ASSERT_TRUE(ExportRecordSet(1, *rs, GridColumns(), name));
    EXPECT_TRUE(ReadAll(name).startsWith("<!DOCTYPE html>"));
    ASSERT_TRUE(ExportRecordSet(5, *rs, GridColumns(), name));
    EXPECT_EQ(ReadAll(name), ReadAll(DataFile("packet_awkward.xml")));
    ASSERT_TRUE(ExportRecordSet(3, *rs, GridColumns(), name));
    EXPECT_TRUE(ReadAll(name).startsWith("{\\rtf1"));
    EXPECT_FALSE(ExportRecordSet(0, *rs, GridColumns(), dir.filePath(QStringLiteral("none"))));
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("none"))));
}

TEST(TExportFileTypesTest, ProgressRunsFromZeroToTheRowCountAndShowsPercent) {
    EXPECT_EQ(ExportProgressText(2, 4), QStringLiteral("Exporting (50% finished)"));
    EXPECT_EQ(ExportProgressText(1, 3), QStringLiteral("Exporting (33% finished)"));
    EXPECT_EQ(ExportProgressText(2, 3), QStringLiteral("Exporting (67% finished)"));
    EXPECT_EQ(ExportProgressText(1, 200), QStringLiteral("Exporting (0% finished)")); // 0.5 → 0
    EXPECT_EQ(ExportProgressText(3, 200), QStringLiteral("Exporting (2% finished)")); // 1.5 → 2
    EXPECT_EQ(ExportProgressText(0, 0), QStringLiteral("Exporting (0% finished)"));

    auto rs = MakeAwkwardTable();
    AddRow(*rs, {QStringLiteral("FOURTH"), {}, {}, {}, {}, {}, {}, {}});
    for (int type = 1; type <= ExportTypeCount; ++type) {
        std::vector<int> positions;
        QStringList texts, captions;
        QTemporaryDir dir;
        ExportRecordSet(type, *rs, GridColumns(), dir.filePath(QStringLiteral("out")),
                        [&](const TExportProgress& p) {
                            EXPECT_EQ(p.Count, 4);
                            positions.push_back(p.Position);
                            texts << p.Text();
                            captions << p.Caption;
                        });
        EXPECT_EQ(positions, (std::vector<int>{0, 1, 2, 3, 4})) << "type " << type;
        EXPECT_EQ(texts[2], QStringLiteral("Exporting (50% finished)"));
        EXPECT_EQ(captions[0], CreateExporter(type)->Caption());
    }
}

TEST(TExportFileTypesTest, EveryFormatWritesAnEmptyTable) {
    auto rs = MakeTable();
    QTemporaryDir dir;
    for (int type = 1; type <= ExportTypeCount; ++type) {
        const QString name = dir.filePath(QStringLiteral("empty") + ExportTypeExtension(type));
        std::vector<int> positions;
        ASSERT_TRUE(ExportRecordSet(type, *rs, GridColumns(), name, [&](const TExportProgress& p) {
            positions.push_back(p.Position);
            EXPECT_TRUE(p.Finished());
        }));
        EXPECT_FALSE(ReadAll(name).isEmpty()) << "type " << type;
        EXPECT_EQ(positions, std::vector<int>{0}) << "type " << type;
    }
}

TEST(TExportFileTypesTest, AFileThatCannotBeWrittenIsNamedInTheError) {
    auto rs = MakeAwkwardTable();
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("no-such-folder/export.htm"));
    for (int type = 1; type <= ExportTypeCount; ++type) {
        try {
            ExportRecordSet(type, *rs, GridColumns(), name);
            ADD_FAILURE() << "no error for type " << type;
        } catch (const EExportError& e) {
            EXPECT_TRUE(e.Message().contains(name)) << e.what();
        }
    }
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());
}

TEST(TExportFileTypesTest, AnUnreadableValueWritesNoFileInAnyFormat) {
    auto rs = MakeAwkwardTable();
    rs->FieldByName(QStringLiteral("Code")).OnGetText = [](TField&, QString&, bool) {
        throw EDatabaseError(QStringLiteral("lookup table closed"));
    };
    QTemporaryDir dir;
    for (int type = 1; type <= ExportTypeCount; ++type) {
        const QString name = dir.filePath(QStringLiteral("out") + ExportTypeExtension(type));
        EXPECT_THROW(ExportRecordSet(type, *rs, GridColumns(), name), EExportError);
        EXPECT_FALSE(QFile::exists(name));
    }
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());
}

TEST(TExportFileTypesTest, ADeviceThatRefusesToWriteStopsEveryFormat) {
    // As a full disk does: the write fails and the exporter says so instead of carrying on.
    auto rs = MakeAwkwardTable();
    const TExportSource source = FromRecordSet(*rs, GridColumns());
    for (int type = 1; type <= ExportTypeCount; ++type) {
        QByteArray bytes;
        QBuffer readOnly(&bytes);
        readOnly.open(QIODevice::ReadOnly);
        EXPECT_THROW(CreateExporter(type)->ExportToDevice(source, readOnly), EExportError)
            << "type " << type;
    }
}

TEST(TExportFileTypesTest, AMaskedTextIsExportedAsShownInEveryTextFormat) {
    auto rs = MakeAwkwardTable();
    rs->FieldByName(QStringLiteral("Code")).OnGetText = [](TField& field, QString& text, bool) {
        text = QString(field.AsString().size(), QLatin1Char('*'));
    };
    QList<TExportColumn> columns = {{QStringLiteral("Code"), QStringLiteral("Password"), 80, true}};
    const TExportSource source = FromRecordSet(*rs, columns);
    // HTML, CSV, Word and the XML data packet are text; the workbook is read back elsewhere.
    for (int type : {1, 2, 3, 5}) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        CreateExporter(type)->ExportToDevice(source, buffer);
        EXPECT_TRUE(bytes.contains("***")) << "type " << type;
        EXPECT_FALSE(bytes.contains("GEN")) << "type " << type << ": " << bytes.toStdString();
    }
}

TEST(TExportFileTypesTest, CsvCellsThatLookLikeFormulasStartWithAnApostrophe) {
    auto rs = MakeTable();
    for (const QString& code :
         {QStringLiteral("=1+2"), QStringLiteral("+cmd"), QStringLiteral("-x"),
          QStringLiteral("@SUM(A1)"), QStringLiteral("\tTab"), QStringLiteral("plain")})
        AddRow(*rs, {code, QString(), qlonglong(-42), -0.5, QVariant(), QVariant(), QVariant(),
                     QVariant()});
    QList<TExportColumn> columns = {{QStringLiteral("Code"), QStringLiteral("=Title"), 80, true},
                                    {QStringLiteral("Qty"), QStringLiteral("Qty"), 40, true},
                                    {QStringLiteral("Rate"), QStringLiteral("Rate"), 40, true}};
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    CreateExporter(2)->ExportToDevice(FromRecordSet(*rs, columns), buffer);
    const QStringList lines = QString::fromUtf8(bytes)
                                  .remove(QChar(0xFEFF))
                                  .split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 7);
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("'=Title,")));
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("'=1+2,")));
    EXPECT_TRUE(lines[2].startsWith(QStringLiteral("'+cmd,")));
    EXPECT_TRUE(lines[3].startsWith(QStringLiteral("'-x,")));
    EXPECT_TRUE(lines[4].startsWith(QStringLiteral("'@SUM(A1),")));
    EXPECT_TRUE(lines[5].startsWith(QStringLiteral("'\tTab,")));
    // Negative numbers stay numbers.
    EXPECT_TRUE(lines[6].startsWith(QStringLiteral("plain,-42,"))) << lines[6].toStdString();
}
