// Time files: the export's layout, and the import's merge.

#include "DataModuleFixture.h"

#include "UserLayer/Form_Submit_TimeFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {
class TimeFileTest : public DataModuleTest {
protected:
    void SetUp() override {
        DataModuleTest::SetUp();
        StartSetUp();
    }
    QString TimeFile() const { return Root() + QStringLiteral("week.tim"); }

    // A second store with its own master data, exported to the time file.
    void ExportRichStore() {
        d().adsClients.Append();
        F(d().adsClients, "ClientName").SetAsString(QStringLiteral("Acme Ltd"));
        F(d().adsClients, "Notes").SetAsString(QStringLiteral("line one\r\nline two"));
        d().adsClients.Post();
        for (const char* name : {"Apollo", "Zeus"}) {
            d().adsProjects.Append();
            F(d().adsProjects, "ProjectName").SetAsString(QLatin1String(name));
            F(d().adsProjects, "DailyRate").SetAsCurrency(350);
            d().adsProjects.Post();
        }
        const int zeus = F(d().adsProjects, "ProjectNumber").AsInteger();
        d().adsTaskCodes.Append();
        F(d().adsTaskCodes, "TaskCode").SetAsString(QStringLiteral("ZEUS1"));
        F(d().adsTaskCodes, "ProjectNumber").SetAsInteger(zeus);
        d().adsTaskCodes.Post();
        ExportTimeFile(d(), TimeFile());
    }
    TdmTasks_Form& d() { return *dm; }
};
} // namespace

TEST_F(TimeFileTest, TheExportHasItsFourMarkersAndCrLfLines) {
    ExportRichStore();
    QFile file(TimeFile());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_TRUE(bytes.endsWith("#4\r\n"));
    const QList<QByteArray> lines = bytes.split('\n');
    int crlf = 0, markers = 0;
    for (const QByteArray& line : lines) {
        if (line.isEmpty()) continue;
        crlf += line.endsWith('\r');
        const QByteArray text = line.endsWith('\r') ? line.chopped(1) : line;
        if (text.startsWith("#")) ++markers;
    }
    EXPECT_EQ(crlf, lines.size() - 1) << "every line ends with CR LF";
    EXPECT_EQ(markers, 4);
    EXPECT_EQ(lines[0], "#1 Timer App\r");
    EXPECT_EQ(lines[1], "_2.1.1.78\r");
    for (int i = 1; i < lines.size(); ++i) {
        if (lines[i] == "#2\r" || lines[i] == "#3\r") {
            EXPECT_EQ(lines[i - 1], "</xml>\r");
        }
    }
    for (const char* table : {"adsClients", "adsProjects", "adsTaskCodes"})
        EXPECT_FALSE(QFileInfo::exists(PortableDataDir() + QLatin1String(table) +
                                       QStringLiteral("_tmp.xml")));
}

TEST_F(TimeFileTest, ImportingIntoAnotherStoreAddsWhatItLacksUnderItsOwnNumbers) {
    ExportRichStore();
    // A fresh installation elsewhere.
    dm.reset();
    QDir(PortableDataDir()).removeRecursively();
    StartSetUp();
    const TTimeFileImport added = ImportTimeFile(d(), TimeFile());
    EXPECT_EQ(added.Summary(), QStringLiteral("added 1 clients, 2 projects, 1 task codes"));
    ASSERT_TRUE(d().adsTaskCodes.Locate(QStringLiteral("TaskCode"), QStringLiteral("ZEUS1")));
    const int localZeus = F(d().adsTaskCodes, "ProjectNumber").AsInteger();
    ASSERT_TRUE(d().adsProjects.Locate(QStringLiteral("ProjectNumber"), localZeus));
    EXPECT_EQ(F(d().adsProjects, "ProjectName").AsString(), QStringLiteral("Zeus"));
    EXPECT_EQ(F(d().adsProjects, "CompletionDate").AsDateTime(), 0);
    ASSERT_TRUE(d().adsClients.Locate(QStringLiteral("ClientName"), QStringLiteral("Acme Ltd")));
    EXPECT_EQ(F(d().adsClients, "Notes").AsString(), QStringLiteral("line one\r\nline two"));
    // The same file again adds nothing.
    EXPECT_EQ(ImportTimeFile(d(), TimeFile()).Summary(),
              QStringLiteral("added 0 clients, 0 projects, 0 task codes"));
}

TEST_F(TimeFileTest, AFileThatIsNoTimeFileAddsNothingNotEvenAnEarlierImport) {
    ExportRichStore();
    ImportTimeFile(d(), TimeFile()); // leaves section files behind
    dm.reset();
    QDir(PortableDataDir()).removeRecursively();
    StartSetUp();
    QFile bad(Root() + QStringLiteral("bad.tim"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("\r\n#1 Timer App\r\n");
    bad.close();
    const int clients = d().adsClients.RecordCount();
    EXPECT_THROW(ImportTimeFile(d(), bad.fileName()), Exception);
    EXPECT_EQ(d().adsClients.RecordCount(), clients);
}
