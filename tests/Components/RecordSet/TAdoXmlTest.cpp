// The ADO persisted-recordset XML: writing, reading back, tolerant reading, bad files, dump.

#include "Components/Core/SysExceptions.h"
#include "Components/RecordSet/TRecordSetDump.h"
#include "RecordSetFixtures.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <limits>

namespace {
std::unique_ptr<TRecordSet> MakeAllTypes() {
    auto rs = std::make_unique<TRecordSet>();
    rs->AddField(S("Code"), TFieldType::String, 10);
    rs->AddField(S("Count"), TFieldType::Integer);
    rs->AddField(S("Small"), TFieldType::SmallInt);
    rs->AddField(S("Id"), TFieldType::AutoInc);
    rs->AddField(S("Flag"), TFieldType::Boolean);
    rs->AddField(S("When"), TFieldType::DateTime);
    rs->AddField(S("Duration"), TFieldType::Time);
    rs->AddField(S("Ratio"), TFieldType::Float);
    rs->AddField(S("Rate"), TFieldType::Currency);
    rs->AddField(S("Notes"), TFieldType::Memo);
    rs->AddField(S("Picture"), TFieldType::Blob);
    rs->AddCalculatedField(S("Calc"), TFieldType::Integer);
    rs->CreateDataSet();
    return rs;
}

const QString Memo =
    S("He said \"it's <b>&</b>\"\r\nnext\tline \xc3\xa9\xc3\xa8 \xe2\x82\xac \xf0\x9f\x98\x80");

void FillAllTypes(TRecordSet& rs) {
    rs.Append();
    rs.FieldByName(S("Code")).SetAsString(S("O'Neil&<>"));
    rs.FieldByName(S("Count")).SetAsInteger(-2147483647 - 1);
    rs.FieldByName(S("Small")).SetAsInteger(32767);
    rs.FieldByName(S("Id")).SetAsInteger(-101);
    rs.FieldByName(S("Flag")).SetAsBoolean(true);
    rs.FieldByName(S("When")).SetAsDateTime(DateToDayNumber(QDate(2008, 3, 3)) +
                                            EncodeTime(14, 30, 15));
    rs.FieldByName(S("Duration")).SetAsDateTime(EncodeTime(25 - 24, 59, 1));
    rs.FieldByName(S("Ratio")).SetAsFloat(0.1 + 0.2);
    rs.FieldByName(S("Rate")).SetAsCurrencyUnits(-123456789012345LL);
    rs.FieldByName(S("Notes")).SetAsString(Memo);
    rs.FieldByName(S("Picture")).SetAsBytes(QByteArray("\x00\x10\xff\x7f", 4));
    rs.Post();
    rs.Append(); // every field null except a blank string
    rs.FieldByName(S("Code")).SetAsString(S(""));
    rs.Post();
    rs.Append();
    rs.FieldByName(S("When")).SetAsDateTime(-700.25); // before 1899
    rs.FieldByName(S("Ratio")).SetAsFloat(1e-300);
    rs.FieldByName(S("Flag")).SetAsBoolean(false);
    rs.Post();
}

QString LoadError(TRecordSet& rs, const QByteArray& data) {
    try {
        rs.LoadFromBytes(data, S("bad.xml"));
    } catch (const EDatabaseError& e) {
        return e.Message();
    }
    return S("loaded");
}

const char* Header =
    "<xml xmlns:s='uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882'\n"
    "\txmlns:dt='uuid:C2F41010-65B3-11d1-A29F-00AA00C14882'\n"
    "\txmlns:rs='urn:schemas-microsoft-com:rowset'\n"
    "\txmlns:z='#RowsetSchema'>\n"
    "<s:Schema id='RowsetSchema'>\n"
    "\t<s:ElementType name='row' content='eltOnly' rs:updatable='true'>\n"
    "\t\t<s:AttributeType name='JobId' rs:number='1' rs:nullable='true' rs:maydefer='true' "
    "rs:writeunknown='true'>\n"
    "\t\t\t<s:datatype dt:type='int' dt:maxLength='4' rs:precision='10' rs:fixedlength='true'/>\n"
    "\t\t</s:AttributeType>\n"
    "\t\t<s:AttributeType name='TaskCode' rs:number='2' rs:nullable='true' rs:maydefer='true' "
    "rs:writeunknown='true'>\n"
    "\t\t\t<s:datatype dt:type='string' rs:dbtype='str' dt:maxLength='10'/>\n"
    "\t\t</s:AttributeType>\n"
    "\t\t<s:extends type='rs:rowbase'/>\n"
    "\t</s:ElementType>\n"
    "</s:Schema>\n";

QByteArray WithRows(const char* rows) {
    return QByteArray(Header) + "<rs:data>\n" + rows + "</rs:data>\n</xml>\n";
}
} // namespace

TEST(AdoXml, EveryTypeRoundTripsWithItsValue) {
    auto rs = MakeAllTypes();
    FillAllTypes(*rs);
    const QByteArray data = rs->SaveToBytes();

    auto back = MakeAllTypes();
    back->LoadFromBytes(data);
    ASSERT_EQ(back->RecordCount(), 3);
    back->First();
    EXPECT_EQ(back->FieldByName(S("Code")).AsString(), S("O'Neil&<>"));
    EXPECT_EQ(back->FieldByName(S("Count")).AsInteger(), -2147483647 - 1);
    EXPECT_EQ(back->FieldByName(S("Small")).AsInteger(), 32767);
    EXPECT_EQ(back->FieldByName(S("Id")).AsInteger(), -101);
    EXPECT_TRUE(back->FieldByName(S("Flag")).AsBoolean());
    EXPECT_NEAR(back->FieldByName(S("When")).AsDateTime(),
                DateToDayNumber(QDate(2008, 3, 3)) + EncodeTime(14, 30, 15), 1e-9);
    EXPECT_NEAR(back->FieldByName(S("Duration")).AsDateTime(), EncodeTime(1, 59, 1), 1e-9);
    EXPECT_EQ(back->FieldByName(S("Ratio")).AsFloat(), 0.1 + 0.2);
    EXPECT_EQ(back->FieldByName(S("Rate")).AsCurrencyUnits(), -123456789012345LL);
    EXPECT_EQ(back->FieldByName(S("Notes")).AsString(), Memo);
    EXPECT_EQ(back->FieldByName(S("Picture")).AsBytes(), QByteArray("\x00\x10\xff\x7f", 4));
    back->Next();
    EXPECT_FALSE(back->FieldByName(S("Code")).IsNull());
    EXPECT_TRUE(back->FieldByName(S("Count")).IsNull());
    EXPECT_TRUE(back->FieldByName(S("Notes")).IsNull());
    EXPECT_TRUE(back->FieldByName(S("Picture")).IsNull());
    back->Next();
    EXPECT_NEAR(back->FieldByName(S("When")).AsDateTime(), -700.25, 1e-9);
    EXPECT_EQ(back->FieldByName(S("Ratio")).AsFloat(), 1e-300);
    EXPECT_FALSE(back->FieldByName(S("Flag")).AsBoolean());
    EXPECT_EQ(back->SaveToBytes(), data); // writing is deterministic

    // Without field definitions the file's schema gives the fields and their types.
    TRecordSet bare;
    bare.LoadFromBytes(data);
    ASSERT_EQ(bare.FieldCount(), 11);
    EXPECT_EQ(bare.Fields(0).Size(), 10);
    EXPECT_EQ(bare.Fields(2).DataType(), TFieldType::SmallInt);
    EXPECT_EQ(bare.Fields(3).DataType(), TFieldType::AutoInc);
    EXPECT_EQ(bare.Fields(8).DataType(), TFieldType::Currency);
    EXPECT_EQ(bare.Fields(9).DataType(), TFieldType::Memo);
    EXPECT_EQ(bare.Fields(10).DataType(), TFieldType::Blob);
    EXPECT_EQ(bare.FieldByName(S("Notes")).AsString(), Memo);
}

TEST(AdoXml, TheWrittenDocumentHasTheAdoLayout) {
    auto rs = MakeTasks();
    AddTask(*rs, S("GEN"), 0);
    const QString text = QString::fromUtf8(rs->SaveToBytes());
    EXPECT_TRUE(text.startsWith(S("<xml xmlns:s='uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882'\r\n")));
    EXPECT_TRUE(
        text.contains(S("<s:AttributeType name='Code' rs:number='1' rs:nullable='true' "
                        "rs:maydefer='true' rs:writeunknown='true'>\r\n"
                        "\t\t\t<s:datatype dt:type='string' rs:dbtype='str' dt:maxLength='10'/>")));
    EXPECT_TRUE(text.contains(S("dt:type='i8' rs:dbtype='currency'")));
    EXPECT_TRUE(text.contains(S("\t<z:row Code='GEN' Project='0' Done='False'/>\r\n")));
    const QStringList lines = text.split(S("\r\n"));
    EXPECT_EQ(lines.at(lines.size() - 2), S("</xml>"));
    EXPECT_EQ(lines.last(), S(""));

    auto memo = MakeAllTypes();
    memo->Append();
    memo->FieldByName(S("Notes")).SetAsString(S("a\r\nb\tc'"));
    memo->Post();
    EXPECT_TRUE(
        QString::fromUtf8(memo->SaveToBytes()).contains(S("Notes='a&#x0D;&#x0A;b&#x09;c&apos;'")));
}

TEST(AdoXml, AHandWrittenFileWithInsertUpdateAndDeleteBlocksLoads) {
    const QByteArray data =
        WithRows("\t<z:row JobId='1' TaskCode='GEN'/>\n"
                 "\t<rs:insert>\n"
                 "\t\t<z:row JobId='2' TaskCode='NEW'/>\n"
                 "\t</rs:insert>\n"
                 "\t<rs:update>\n"
                 "\t\t<rs:original>\n"
                 "\t\t\t<z:row JobId='3' TaskCode='OLD'/>\n"
                 "\t\t</rs:original>\n"
                 "\t\t<z:row JobId='3' TaskCode=\"CHANGED\" Unknown='x'></z:row>\n"
                 "\t</rs:update>\n"
                 "\t<rs:delete>\n"
                 "\t\t<z:row JobId='4' TaskCode='GONE'/>\n"
                 "\t</rs:delete>\n"
                 "\t<!-- a comment -->\n");
    TRecordSet rs;
    rs.LoadFromBytes(data);
    EXPECT_EQ(Column(rs, "JobId"), QStringList({S("1"), S("2"), S("3")}));
    EXPECT_EQ(Column(rs, "TaskCode"), QStringList({S("GEN"), S("NEW"), S("CHANGED")}));

    // A second data block adds its rows to the first.
    QByteArray twice = data;
    twice.replace("</xml>", "<rs:data><z:row JobId='9'/></rs:data></xml>");
    rs.LoadFromBytes(twice);
    EXPECT_EQ(Column(rs, "JobId"), QStringList({S("1"), S("2"), S("3"), S("9")}));
}

namespace {
// JobId integer, TaskCode string(10), Rate currency, Notes memo.
QByteArray WithRateRows(const char* rows) {
    return "<xml xmlns:s='uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882'"
           " xmlns:dt='uuid:C2F41010-65B3-11d1-A29F-00AA00C14882'"
           " xmlns:rs='urn:schemas-microsoft-com:rowset' xmlns:z='#RowsetSchema'>\n"
           "<s:Schema id='RowsetSchema'><s:ElementType name='row' content='eltOnly'>\n"
           "<s:AttributeType name='JobId'><s:datatype dt:type='int'/></s:AttributeType>\n"
           "<s:AttributeType name='TaskCode'><s:datatype dt:type='string' rs:dbtype='str' "
           "dt:maxLength='10'/></s:AttributeType>\n"
           "<s:AttributeType name='Rate'><s:datatype dt:type='i8' "
           "rs:dbtype='currency'/></s:AttributeType>\n"
           "<s:AttributeType name='Notes'><s:datatype dt:type='string' "
           "rs:long='true'/></s:AttributeType>\n"
           "</s:ElementType></s:Schema>\n<rs:data>\n" +
           QByteArray(rows) + "</rs:data>\n</xml>\n";
}
} // namespace

TEST(AdoXml, APendingUpdateIsItsOriginalRowWithTheChangedColumnsLaidOver) {
    const QByteArray data = WithRateRows(
        "<z:row JobId='1' TaskCode='GEN' Rate='10' Notes='first'/>\n"
        // Only the description changed: key and the other columns come from the original.
        "<rs:update><rs:original><z:row JobId='2' TaskCode='ADMIN' Rate='20' Notes='old'/>"
        "</rs:original><z:row Notes='new&#x0A;line'/></rs:update>\n"
        // Two columns changed, one of them the key.
        "<rs:update>\n\t<rs:original>\n\t\t<z:row JobId='3' TaskCode='X' Rate='30'/>\n"
        "\t</rs:original>\n\t<z:row JobId='33' Rate='84.875'/>\n</rs:update>\n"
        // The changed row first: the original fills in only what it does not hold.
        "<rs:update><z:row TaskCode='AFTER'/><rs:original><z:row JobId='4' TaskCode='BEFORE' "
        "Rate='40'/></rs:original></rs:update>\n"
        "<rs:insert><z:row JobId='5' TaskCode='NEW'/></rs:insert>\n"
        // No original: the changed columns are all there is.
        "<rs:update><z:row JobId='6' TaskCode='ALONE'/></rs:update>\n"
        // An original without a change is the row as it was.
        "<rs:update><rs:original><z:row JobId='7' TaskCode='SAME'/></rs:original></rs:update>\n"
        "<rs:delete><z:row JobId='8' TaskCode='GONE'/></rs:delete>\n");
    for (const bool typed : {false, true}) {
        SCOPED_TRACE(typed ? "into defined fields" : "fields from the file");
        TRecordSet rs;
        if (typed) {
            rs.AddField(S("taskcode"), TFieldType::String, 10);
            rs.AddField(S("JOBID"), TFieldType::Integer);
            rs.AddField(S("Notes"), TFieldType::Memo);
            rs.AddField(S("Rate"), TFieldType::Currency);
        }
        rs.LoadFromBytes(data);
        EXPECT_EQ(Column(rs, "JobId"),
                  QStringList({S("1"), S("2"), S("33"), S("4"), S("5"), S("6"), S("7")}));
        EXPECT_EQ(Column(rs, "TaskCode"), QStringList({S("GEN"), S("ADMIN"), S("X"), S("AFTER"),
                                                       S("NEW"), S("ALONE"), S("SAME")}));
        EXPECT_EQ(Column(rs, "Rate"),
                  QStringList({S("10"), S("20"), S("84.875"), S("40"), S(""), S(""), S("")}));
        EXPECT_EQ(Column(rs, "Notes"),
                  QStringList({S("first"), S("new\nline"), S(""), S(""), S(""), S(""), S("")}));
        EXPECT_FALSE(rs.HasPendingChanges());

        // What was read is written back as plain rows and reads back the same.
        TRecordSet again;
        again.LoadFromBytes(rs.SaveToBytes());
        EXPECT_EQ(Column(again, "TaskCode"), Column(rs, "TaskCode"));
        EXPECT_EQ(Column(again, "Notes"), Column(rs, "Notes"));
    }

    // The reader stays strict inside an update.
    TRecordSet rs;
    const struct {
        const char* rows;
        const char* expected;
    } bad[] = {
        {"<rs:update><rs:original><z:row JobId='x'/></rs:original><z:row TaskCode='A'/>"
         "</rs:update>",
         "'x' is not a valid integer value for field 'JobId'"},
        {"<rs:update><rs:original><z:row JobId='1'/></rs:original><z:row JobId='1' "
         "JobId='2'/></rs:update>",
         "duplicate attribute 'JobId'"},
        {"<rs:update><rs:original><z:row JobId='1'/></rs:update>",
         "end tag 'rs:update' does not match 'rs:original'"},
        {"<rs:update><z:row TaskCode='ABCDEFGHIJK'/></rs:update>", "11 characters long"},
    };
    for (const auto& c : bad) {
        const QString message = LoadError(rs, WithRateRows(c.rows));
        EXPECT_TRUE(message.contains(S(c.expected)))
            << c.expected << " -> " << message.toStdString();
    }
}

TEST(AdoXml, ACurrencyOutsideTheFixedPointRangeIsRefusedNamingTheFileAndTheValue) {
    QTemporaryDir dir;
    const QString name = dir.filePath(S("TaskCodesfile.xml"));
    QFile file(name);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(WithRateRows("<z:row JobId='1' Rate='2000000000000000'/>\n"));
    file.close();
    TRecordSet rs;
    rs.Name = S("adsTaskCodes");
    try {
        rs.LoadFromFile(name);
        FAIL() << "loaded as " << rs.FieldByName(S("Rate")).AsString().toStdString();
    } catch (const EDatabaseError& e) {
        const QString message = e.Message();
        EXPECT_TRUE(message.contains(QDir::toNativeSeparators(name))) << message.toStdString();
        EXPECT_TRUE(message.contains(S("2000000000000000 is out of the range")))
            << message.toStdString();
        EXPECT_TRUE(message.contains(S("field 'Rate'"))) << message.toStdString();
    }
    EXPECT_FALSE(rs.Active());

    // The largest value there is still loads, and so does the smallest.
    TRecordSet edges;
    edges.LoadFromBytes(WithRateRows("<z:row Rate='922337203685477.5807'/>"
                                     "<z:row Rate='-922337203685477.5808'/>"));
    edges.First();
    EXPECT_EQ(edges.FieldByName(S("Rate")).AsCurrencyUnits(), std::numeric_limits<qint64>::max());
    edges.Next();
    EXPECT_EQ(edges.FieldByName(S("Rate")).AsCurrencyUnits(), std::numeric_limits<qint64>::min());
    EXPECT_TRUE(LoadError(edges, WithRateRows("<z:row Rate='922337203685477.5808'/>"))
                    .contains(S("out of the range")));
    EXPECT_TRUE(
        LoadError(edges, WithRateRows("<z:row Rate='1e300'/>")).contains(S("out of the range")));
}

TEST(AdoXml, ARowWithAHundredThousandAttributesLoadsAndDuplicatesAreStillRefused) {
    constexpr int count = 100000;
    QByteArray row = "<z:row JobId='7'";
    for (int i = 0; i < count; ++i)
        row += " a" + QByteArray::number(i) + "='" + QByteArray::number(i) + "'";
    TRecordSet rs;
    rs.LoadFromBytes(WithRows((row + " TaskCode='LAST'/>").constData()));
    ASSERT_EQ(rs.RecordCount(), 1);
    EXPECT_EQ(rs.FieldByName(S("JobId")).AsInteger(), 7);
    EXPECT_EQ(rs.FieldByName(S("TaskCode")).AsString(), S("LAST"));

    // A name repeated early, late, or right after the switch to the set of names.
    for (const QByteArray& twice : {QByteArray(" a0='x'"), QByteArray(" a99999='x'"),
                                    QByteArray(" a31='x'"), QByteArray(" JobId='8'")}) {
        const QString message = LoadError(rs, WithRows((row + twice + "/>").constData()));
        const QByteArray name = twice.mid(1, twice.indexOf('=') - 1);
        EXPECT_TRUE(message.contains(S("duplicate attribute '") + QString::fromLatin1(name)))
            << message.toStdString();
    }
    QByteArray small = "<z:row";
    for (int i = 0; i < 31; ++i)
        small += " a" + QByteArray::number(i) + "='1'";
    EXPECT_TRUE(LoadError(rs, WithRows((small + " a30='2'/>").constData()))
                    .contains(S("duplicate attribute 'a30'")));
    EXPECT_TRUE(LoadError(rs, WithRows((small + " a31='1' a0='2'/>").constData()))
                    .contains(S("duplicate attribute 'a0'")));
    EXPECT_EQ(rs.FieldByName(S("TaskCode")).AsString(), S("LAST"));
}

// Room for the rows is reserved from the first mebibyte: a file whose first rows are long and
// whose later rows are short holds many more rows than that sample promises, and every one
// of them is read.
TEST(AdoXml, AFileWithFarMoreRowsThanItsFirstMebibyteSuggestsReadsThemAll) {
    QByteArray rows;
    const QByteArray longCode =
        "<z:row JobId='0' TaskCode='LONG' " + QByteArray(64 * 1024, ' ') + "/>\n";
    for (int i = 0; i < 20; ++i) // 1.3 MiB of twenty rows
        rows += longCode;
    constexpr int ShortRows = 200000;
    for (int i = 1; i <= ShortRows; ++i)
        rows += "<z:row JobId='" + QByteArray::number(i) + "' TaskCode='S'/>\n";
    TRecordSet rs;
    rs.LoadFromBytes(WithRows(rows.constData()));
    ASSERT_EQ(rs.RecordCount(), 20 + ShortRows);
    rs.Last();
    EXPECT_EQ(rs.FieldByName(S("JobId")).AsInteger(), ShortRows);
    EXPECT_EQ(rs.FieldByName(S("TaskCode")).AsString(), S("S"));
    rs.First();
    EXPECT_EQ(rs.FieldByName(S("TaskCode")).AsString(), S("LONG"));
}

TEST(AdoXml, ASchemaOfTwentyThousandFieldsLoadsAndANameDefinedTwiceIsStillRefused) {
    // Enough for a check that compares every field with every other one to take seconds.
    constexpr int count = 20000;
    QByteArray schema = "<xml><s:Schema><s:ElementType name='row'>";
    QByteArray row = "<z:row";
    for (int i = 0; i < count; ++i) {
        schema += "<s:AttributeType name='f" + QByteArray::number(i) +
                  "'><s:datatype dt:type='int'/></s:AttributeType>";
        row += " f" + QByteArray::number(i) + "='" + QByteArray::number(i) + "'";
    }
    const QByteArray end = "</s:ElementType></s:Schema><rs:data>" + row + "/></rs:data></xml>";
    TRecordSet bare; // takes its fields from the file
    bare.LoadFromBytes(schema + end);
    ASSERT_EQ(bare.FieldCount(), count);
    EXPECT_EQ(bare.FieldByName(S("F19999")).AsInteger(), 19999);
    EXPECT_EQ(bare.FieldByName(S("f15000")).Index(), 15000);
    EXPECT_EQ(bare.FindField(S("f20000")), nullptr);

    TRecordSet typed; // reads two of them
    typed.AddField(S("F0"), TFieldType::Integer);
    typed.AddField(S("f19999"), TFieldType::String, 5);
    typed.LoadFromBytes(schema + end);
    EXPECT_EQ(typed.FieldByName(S("f0")).AsInteger(), 0);
    EXPECT_EQ(typed.FieldByName(S("F19999")).AsString(), S("19999"));

    const QString message =
        LoadError(typed, schema +
                             "<s:AttributeType name='F17000'><s:datatype dt:type='int'/>"
                             "</s:AttributeType>" +
                             end);
    EXPECT_TRUE(message.contains(S("the field 'F17000' is defined twice")))
        << message.toStdString();
    bare.Close();
    EXPECT_THROW(bare.AddField(S("F12345"), TFieldType::Integer), EDatabaseError);
    bare.ClearFields();
    bare.AddField(S("F12345"), TFieldType::Integer);
    EXPECT_EQ(bare.FieldByName(S("f12345")).Column(), 0);
}

TEST(AdoXml, TheReaderAcceptsOtherTypeSpellingsAndMatchesNamesWithoutCase) {
    const QByteArray data =
        "\xEF\xBB\xBF<?xml version='1.0'?><xml><s:Schema><s:ElementType name='row'>"
        "<s:AttributeType name='a'><s:datatype dt:type='i4'/></s:AttributeType>"
        "<s:AttributeType name='b' dt:type='r8'/>"
        "<s:AttributeType name='c'><s:datatype dt:type='dateTime.tz'/></s:AttributeType>"
        "<s:AttributeType name='d'><s:datatype dt:type='ui1'/></s:AttributeType>"
        "<s:AttributeType name='e'><s:datatype dt:type='time'/></s:AttributeType>"
        "<s:AttributeType name='f'><s:datatype dt:type='bin.base64'/></s:AttributeType>"
        "<s:AttributeType name='First_x0020_Name'><s:datatype dt:type='string' "
        "dt:maxLength='5'/></s:AttributeType>"
        "<s:AttributeType name='c8' rs:name='Order Date'><s:datatype "
        "dt:type='date'/></s:AttributeType>"
        "</s:ElementType></s:Schema>"
        "<rs:data><z:row a='7' b='2.5e3' c='2008-03-03T10:00:00+01:00' d='255' e='12:30:00' "
        "f='AAH/' First_x0020_Name='Jo' c8='2008-03-09'/></rs:data></xml>";
    TRecordSet bare;
    bare.LoadFromBytes(data);
    EXPECT_EQ(bare.FieldByName(S("A")).DataType(), TFieldType::Integer);
    EXPECT_EQ(bare.FieldByName(S("b")).AsFloat(), 2500);
    EXPECT_DOUBLE_EQ(bare.FieldByName(S("c")).AsDateTime(),
                     DateToDayNumber(QDate(2008, 3, 3)) + EncodeTime(10, 0));
    EXPECT_EQ(bare.FieldByName(S("d")).AsInteger(), 255);
    EXPECT_EQ(bare.FieldByName(S("e")).DataType(), TFieldType::Time);
    EXPECT_DOUBLE_EQ(bare.FieldByName(S("e")).AsDateTime(), EncodeTime(12, 30));
    EXPECT_EQ(bare.FieldByName(S("f")).AsBytes(), QByteArray("\x00\x01\xff", 3));
    EXPECT_EQ(bare.FieldByName(S("First Name")).AsString(), S("Jo"));
    EXPECT_EQ(bare.FieldByName(S("Order Date")).AsDateTime(), DateToDayNumber(QDate(2008, 3, 9)));

    // Into defined fields: by name without regard to case, values converted, extra ignored.
    TRecordSet typed;
    typed.AddField(S("A"), TFieldType::Float);
    typed.AddField(S("FIRST NAME"), TFieldType::String, 20);
    typed.AddField(S("Missing"), TFieldType::Integer);
    typed.LoadFromBytes(data);
    EXPECT_EQ(typed.FieldByName(S("a")).AsFloat(), 7);
    EXPECT_EQ(typed.FieldByName(S("First Name")).AsString(), S("Jo"));
    EXPECT_TRUE(typed.FieldByName(S("Missing")).IsNull());
}

TEST(AdoXml, EachBadFileLoadsNothingAndSaysWhy) {
    auto rs = MakeTasks();
    rs->SetFilter(S("Project = 1"));
    rs->SetFiltered(true);
    AddTask(*rs, S("KEEP"), 1);
    rs->LoadFromBytes(WithRows("")); // wrong fields for the tasks: nothing matches, nothing lost
    TRecordSet jobs;
    jobs.LoadFromBytes(WithRows("<z:row JobId='5' TaskCode='KEEP'/>"));
    const QByteArray huge = "<z:row TaskCode='" + QByteArray(17 << 20, 'x') + "'/>";
    const struct {
        QByteArray data;
        const char* expected;
    } cases[] = {
        {"", "the file is empty"},
        {"  \r\n", "the file is empty"},
        {"<xml><s:Schema>",
         "line 1, column 16: unexpected end of file: element 's:Schema' is not closed"},
        {WithRows("<z:row JobId='1'>\n</xml>"), "end tag 'xml' does not match 'z:row'"},
        {WithRows("<z:row JobId='1' TaskCode='A' JobId='2'/>"),
         "line 17, column 31: duplicate attribute 'JobId'"},
        {WithRows("<z:row JobId='abc'/>"),
         "line 17, column 15: 'abc' is not a valid integer value for field 'JobId'"},
        {WithRows("<z:row JobId='99999999999'/>"), "out of the range"},
        {WithRows("<z:row TaskCode='ABCDEFGHIJK'/>"),
         "the value of field 'TaskCode' is 11 characters long; the field holds 10"},
        {WithRows("<z:row TaskCode='a&b'/>"), "malformed reference"},
        {WithRows("<z:row TaskCode='a&bogus;'/>"), "unknown entity"},
        {WithRows(huge.constData()), "longer than 16 MiB"},
        {"<root/>", "the root element is 'root', not 'xml'"},
        {"<xml><rs:data/></xml>", "the rows come before the schema"},
        {"<xml></xml>", "the file has no schema"},
        {"<xml><s:Schema><s:AttributeType name='x'><s:datatype "
         "dt:type='vector'/></s:AttributeType></s:Schema></xml>",
         "the field 'x' has the unknown data type 'vector'"},
        {"<xml/><xml/>", "a second root element"},
        {"<!DOCTYPE x [<!ENTITY a 'b'>]><xml/>", "document type declarations are not allowed"},
        {"<xml a='1' a='2'/>", "duplicate attribute 'a'"},
    };
    for (const auto& c : cases) {
        const QString message = LoadError(jobs, c.data);
        EXPECT_TRUE(message.startsWith(S("Cannot load 'bad.xml': "))) << message.toStdString();
        EXPECT_TRUE(message.contains(S(c.expected)))
            << c.expected << " -> " << message.toStdString();
        ASSERT_EQ(jobs.RecordCount(), 1);
        EXPECT_EQ(jobs.FieldByName(S("TaskCode")).AsString(), S("KEEP"));
    }
}

TEST(AdoXml, FilesAreReplacedAtomicallyAndMissingFilesAreNamed) {
    QTemporaryDir dir;
    const QString name = dir.filePath(S("Tasksfile.xml"));
    auto rs = MakeAllTypes();
    FillAllTypes(*rs);
    rs->SaveToFile(name);
    rs->First();
    rs->Delete();
    rs->SaveToFile(name);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList({S("Tasksfile.xml")}));
    auto back = MakeAllTypes();
    back->LoadFromFile(name);
    EXPECT_EQ(back->RecordCount(), 2);

    try {
        back->LoadFromFile(dir.filePath(S("nothing.xml")));
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_TRUE(e.Message().contains(S("nothing.xml': the file does not exist")));
    }
    EXPECT_EQ(back->RecordCount(), 2);
    EXPECT_THROW(rs->SaveToFile(dir.filePath(S("no/such/dir/file.xml"))), EDatabaseError);
}

TEST(AdoXml, DumpPrintsCsvAndFailsWithOneLine) {
    QTemporaryDir dir;
    const QString name = dir.filePath(S("all.xml"));
    auto rs = MakeAllTypes();
    FillAllTypes(*rs);
    rs->SaveToFile(name);
    QString out, err;
    QTextStream outStream(&out), errStream(&err);
    EXPECT_EQ(DumpRecordSetFile(name, outStream, errStream), 0);
    const QStringList expected = {
        S("Code,Count,Small,Id,Flag,When,Duration,Ratio,Rate,Notes,Picture"),
        S("O'Neil&<>,-2147483648,32767,-101,True,2008-03-03T14:30:15,1899-12-30T01:59:01,"
          "0.30000000000000004,-12345678901.2345,\"He said \"\"it's <b>&</b>\"\"\r\nnext\tline "
          "\xc3\xa9\xc3\xa8 \xe2\x82\xac \xf0\x9f\x98\x80\",0010ff7f"),
        S(",,,,,,,,,,"), S(",,,,False,1898-01-29T06:00:00,,1e-300,,,"), S("")};
    EXPECT_EQ(out.toStdString(), expected.join(QLatin1Char('\n')).toStdString());
    EXPECT_TRUE(err.isEmpty());

    QFile broken(dir.filePath(S("broken.xml")));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("<xml>\n<s:Schema>\n<oops\n");
    broken.close();
    out.clear();
    EXPECT_NE(DumpRecordSetFile(broken.fileName(), outStream, errStream), 0);
    EXPECT_TRUE(out.isEmpty());
    EXPECT_EQ(err.count(QLatin1Char('\n')), 1);
    EXPECT_TRUE(err.contains(S("broken.xml"))) << err.toStdString();
    EXPECT_TRUE(err.contains(S("line 4, column 1"))) << err.toStdString();
}

TEST(AdoXml, ControlCharactersAndInvalidUtf8ReadBackAsWritten) {
    auto rs = MakeTasks();
    rs->Append();
    rs->FieldByName(S("Code")).SetAsString(QString::fromUtf16(u"a\u0000b\u0006c"));
    rs->Post();
    auto back = MakeTasks();
    back->LoadFromBytes(rs->SaveToBytes());
    EXPECT_EQ(back->FieldByName(S("Code")).AsString(), QString::fromUtf16(u"a\u0000b\u0006c"));

    // Bytes that are not UTF-8 read as replacement characters and then stay stable.
    TRecordSet bare;
    bare.LoadFromBytes(QByteArray(Header) +
                       "<rs:data><z:row TaskCode='X\xff\xfe'/></rs:data></xml>");
    EXPECT_EQ(bare.FieldByName(S("TaskCode")).AsString(), QString::fromUtf16(u"X\uFFFD\uFFFD"));
    TRecordSet again;
    again.LoadFromBytes(bare.SaveToBytes());
    EXPECT_EQ(again.SaveToBytes(), bare.SaveToBytes());
}

TEST(AdoXml, ATwoFieldTableIsWrittenExactlyAsAdoWritesIt) {
    TRecordSet rs;
    rs.AddField(S("JobId"), TFieldType::Integer);
    rs.AddField(S("TaskCode"), TFieldType::String, 10);
    rs.CreateDataSet();
    rs.Append();
    rs.FieldByName(S("JobId")).SetAsInteger(1);
    rs.FieldByName(S("TaskCode")).SetAsString(S("GEN"));
    rs.Post();
    QByteArray expected =
        QByteArray(Header) + "<rs:data>\n\t<z:row JobId='1' TaskCode='GEN'/>\n</rs:data>\n</xml>\n";
    expected.replace("\n", "\r\n");
    EXPECT_EQ(rs.SaveToBytes().toStdString(), expected.toStdString());
}

// A terminal shows what dump prints: control characters from a file (an escape sequence, a bell,
// a carriage return alone, DEL, a C1 control) come out as visible pictures, line ends stay.
TEST(AdoXml, DumpNeverPrintsControlCharactersRaw) {
    QTemporaryDir dir;
    const QString name = dir.filePath(S("names.xml"));
    auto rs = std::make_unique<TRecordSet>();
    rs->AddField(S("Name"), TFieldType::String, 40);
    rs->CreateDataSet();
    rs->Append();
    rs->FieldByName(S("Name")).SetAsString(QStringLiteral("A\x1b]0;pwned\x07"
                                                          "B\rC\x7f\u0085D\r\nE"));
    rs->Post();
    rs->SaveToFile(name);
    QString out, err;
    QTextStream outStream(&out), errStream(&err);
    EXPECT_EQ(DumpRecordSetFile(name, outStream, errStream), 0);
    EXPECT_EQ(out, QStringLiteral("Name\n\"A\u241b]0;pwned\u2407B\u240dC\u2421\ufffdD\r\nE\"\n"));
}
