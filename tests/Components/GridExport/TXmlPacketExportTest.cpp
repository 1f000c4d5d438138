#include "Components/GridExport/DAXJvDBGridXMLExport.h"
#include "GridExportFixtures.h"

#include <QBuffer>
#include <QDir>
#include <gtest/gtest.h>

using namespace GridExportTest;

namespace {
QByteArray Packet(const TExportSource& source) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    TDAXJvDBGridXMLExport().ExportToDevice(source, buffer);
    return buffer.data();
}
} // namespace

TEST(TXmlPacketExportTest, AwkwardValuesGiveTheExpectedPacketByteForByte) {
    auto rs = MakeAwkwardTable();
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("out.xml"));
    TDAXJvDBGridXMLExport().ExportGrid(FromRecordSet(*rs, GridColumns()), name);
    EXPECT_EQ(ReadAll(name), ReadAll(DataFile("packet_awkward.xml")));
}

TEST(TXmlPacketExportTest, EmptyTableGivesMetadataAndAnEmptyRowData) {
    auto rs = MakeTable();
    EXPECT_EQ(Packet(FromRecordSet(*rs, GridColumns())), ReadAll(DataFile("packet_empty.xml")));
}

TEST(TXmlPacketExportTest, NoColumnsGiveShortEmptyElements) {
    TExportSource source;
    source.Rows.push_back({});
    EXPECT_EQ(Packet(source), QByteArray("<?xml version=\"1.0\" encoding=\"iso-8859-1\"?>\r\n"
                                         "<DATAPACKET Version=\"1.0\">\r\n"
                                         "  <METADATA>\r\n"
                                         "    <FIELDS/>\r\n"
                                         "  </METADATA>\r\n"
                                         "  <ROWDATA>\r\n"
                                         "    <ROW/>\r\n"
                                         "  </ROWDATA>\r\n"
                                         "</DATAPACKET>\r\n"));
}

TEST(TXmlPacketExportTest, AttributeNamesReplaceWhatCannotStandInAName) {
    EXPECT_EQ(TDAXJvDBGridXMLExport::AttributeName(QStringLiteral("Task Code")),
              QStringLiteral("Task_Code"));
    EXPECT_EQ(TDAXJvDBGridXMLExport::AttributeName(QStringLiteral("Rate (%)/h")),
              QStringLiteral("Rate_____h"));
    EXPECT_EQ(TDAXJvDBGridXMLExport::AttributeName(QStringLiteral("1st")), QStringLiteral("_1st"));
    EXPECT_EQ(TDAXJvDBGridXMLExport::AttributeName(QStringLiteral("Größe")),
              QStringLiteral("Größe"));
    EXPECT_EQ(TDAXJvDBGridXMLExport::AttributeName(QStringLiteral("a:b€")), QStringLiteral("a_b_"));
    EXPECT_EQ(TDAXJvDBGridXMLExport::AttributeName(QString()), QStringLiteral("_"));

    // Two titles giving one name would make a row carry an attribute twice.
    TExportField a, b, c;
    a.Title = QStringLiteral("Task Code");
    b.Title = QStringLiteral("Task_Code");
    c.Title = QStringLiteral("Task-Code");
    const std::vector<QString> names = TDAXJvDBGridXMLExport::AttributeNames({a, b, c});
    EXPECT_EQ(names,
              (std::vector<QString>{QStringLiteral("Task_Code"), QStringLiteral("Task_Code_2"),
                                    QStringLiteral("Task-Code")}));
}

TEST(TXmlPacketExportTest, DateTimeTextsDependOnTheParts) {
    TExportField field;
    field.Kind = TExportKind::DateTime;
    auto text = [&](double day) { return TDAXJvDBGridXMLExport::ValueText(field, day); };
    EXPECT_EQ(text(DateToDayNumber(QDate(2024, 2, 29))), QStringLiteral("29/02/2024"));
    EXPECT_EQ(text(EncodeTime(7, 5, 3)), QStringLiteral("07:05:03"));
    EXPECT_EQ(text(EncodeDayNumber(QDate(2024, 2, 29), QTime(23, 59, 59))),
              QStringLiteral("29/02/2024 23:59:59"));
    EXPECT_EQ(text(0.0), QStringLiteral("30/12/1899"));
    EXPECT_EQ(TDAXJvDBGridXMLExport::ValueText(field, QVariant()), QString());

    // Floats follow the regional decimal separator.
    TFormatSettings settings = TFormatSettings::Fixed();
    settings.DecimalSeparator = QLatin1Char(',');
    TFormatSettings::SetCurrent(settings);
    field.Kind = TExportKind::Float;
    EXPECT_EQ(TDAXJvDBGridXMLExport::ValueText(field, 0.1 + 0.2), QStringLiteral("0,3"));
    EXPECT_EQ(TDAXJvDBGridXMLExport::ValueText(field, 1e20), QStringLiteral("1e+20"));
}

TEST(TXmlPacketExportTest, AControlCharacterStopsTheExportAndLeavesTheOldFile) {
    auto rs = MakeAwkwardTable();
    rs->Last();
    rs->Edit();
    rs->FieldByName(QStringLiteral("Notes")).SetAsString(QStringLiteral("bell \x07"));
    rs->Post();
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("out.xml"));
    {
        QFile old(name);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old contents");
    }
    try {
        TDAXJvDBGridXMLExport().ExportGrid(FromRecordSet(*rs, GridColumns()), name);
        FAIL() << "no error";
    } catch (const EExportError& e) {
        EXPECT_TRUE(e.Message().contains(name)) << e.what();
        EXPECT_TRUE(e.Message().contains(QStringLiteral("\"Notes\" in row 3"))) << e.what();
    }
    EXPECT_EQ(ReadAll(name), QByteArray("old contents"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("out.xml")});
}
