// Time files: the export's layout, and the import's merge.

#include "DataModuleFixture.h"

#include "UserLayer/Form_Submit_TimeFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

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

    // A fresh installation elsewhere, to import into.
    void StartAnotherStore() {
        dm.reset();
        QDir(PortableDataDir()).removeRecursively();
        StartSetUp();
    }

    // Removes a field, its definition and its values, from the projects section of the time file.
    void RemoveProjectField(const char* field) {
        QFile file(TimeFile());
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        QString text = QString::fromUtf8(file.readAll());
        file.close();
        const qsizetype begin = text.indexOf(QStringLiteral("#2\r\n"));
        const qsizetype end = text.indexOf(QStringLiteral("#3\r\n"));
        ASSERT_TRUE(begin > 0 && end > begin);
        QString projects = text.mid(begin, end - begin);
        const QString name = QRegularExpression::escape(QLatin1String(field));
        const QString before = projects;
        projects.remove(QRegularExpression(QStringLiteral("\\t*<s:AttributeType name='") + name +
                                               QStringLiteral("'.*?</s:AttributeType>\\r\\n"),
                                           QRegularExpression::DotMatchesEverythingOption));
        projects.remove(
            QRegularExpression(QStringLiteral(" ") + name + QStringLiteral("='[^']*'")));
        ASSERT_NE(projects, before);
        text.replace(begin, end - begin, projects);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text.toUtf8());
    }

    // The section files an import passes through.
    QStringList SectionFilesLeft() const {
        QStringList left;
        for (const char* table : {"adsClients", "adsProjects", "adsTaskCodes"}) {
            if (QFileInfo::exists(PortableDataDir() + QLatin1String(table) +
                                  QStringLiteral("_tmp.xml")))
                left << QLatin1String(table);
        }
        return left;
    }

    // What the store holds: clients, projects and task codes.
    std::string Held() {
        QStringList held;
        for (auto [table, key] :
             {std::pair{&d().adsClients, "ClientName"}, std::pair{&d().adsProjects, "ProjectName"},
              std::pair{&d().adsTaskCodes, "TaskCode"}}) {
            QStringList names;
            const auto clone = table->Clone();
            for (clone->First(); !clone->Eof(); clone->Next())
                names << F(*clone, key).AsString();
            held << names.join(QLatin1Char(','));
        }
        return held.join(QLatin1Char('|')).toStdString();
    }

    // The message of the import of a file, empty when it succeeded.
    QString ImportMessage(const QString& fileName) {
        try {
            ImportTimeFile(d(), fileName);
        } catch (const Exception& e) {
            return e.Message();
        }
        return {};
    }
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
    StartAnotherStore();
    const TTimeFileImport added = ImportTimeFile(d(), TimeFile());
    EXPECT_EQ(added.Summary(), QStringLiteral("added 1 clients, 2 projects, 1 task codes"));
    ASSERT_TRUE(d().adsTaskCodes.Locate(QStringLiteral("TaskCode"), QStringLiteral("ZEUS1")));
    const int localZeus = F(d().adsTaskCodes, "ProjectNumber").AsInteger();
    ASSERT_TRUE(d().adsProjects.Locate(QStringLiteral("ProjectNumber"), localZeus));
    EXPECT_EQ(F(d().adsProjects, "ProjectName").AsString(), QStringLiteral("Zeus"));
    EXPECT_EQ(F(d().adsProjects, "CompletionDate").AsDateTime(), 0);
    ASSERT_TRUE(d().adsClients.Locate(QStringLiteral("ClientName"), QStringLiteral("Acme Ltd")));
    EXPECT_EQ(F(d().adsClients, "Notes").AsString(), QStringLiteral("line one\r\nline two"));
    EXPECT_EQ(SectionFilesLeft(), QStringList()) << "the section files go after the import";
    // The same file again adds nothing.
    EXPECT_EQ(ImportTimeFile(d(), TimeFile()).Summary(),
              QStringLiteral("added 0 clients, 0 projects, 0 task codes"));
}

TEST_F(TimeFileTest, AFileThatIsNoTimeFileAddsNothingNotEvenAnEarlierImport) {
    ExportRichStore();
    StartAnotherStore();
    // Section files of the rich store lie in the data directory (an import cut short).
    ASSERT_TRUE(ExtractXml(PortableDataDir(), TimeFile()));
    QFile bad(Root() + QStringLiteral("bad.tim"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("\r\n#1 Timer App\r\n");
    bad.close();
    const int clients = d().adsClients.RecordCount();
    EXPECT_EQ(
        ImportMessage(bad.fileName()),
        QStringLiteral("%1 is not a time file.").arg(QDir::toNativeSeparators(bad.fileName())));
    EXPECT_EQ(d().adsClients.RecordCount(), clients);
    EXPECT_EQ(SectionFilesLeft(), QStringList());
}

TEST_F(TimeFileTest, AProjectsSectionLackingAFieldMergesNothingAndTheMessageNamesTheChosenFile) {
    const std::string before = Held();
    for (const char* field : {"DailyRate", "ProjectNumber"}) {
        SCOPED_TRACE(field);
        ExportRichStore();
        StartAnotherStore();
        RemoveProjectField(field);
        const QString message = ImportMessage(TimeFile());
        EXPECT_TRUE(message.contains(QDir::toNativeSeparators(TimeFile())))
            << message.toStdString();
        EXPECT_TRUE(
            message.contains(QStringLiteral("Field '%1' not found").arg(QLatin1String(field))))
            << message.toStdString();
        EXPECT_FALSE(message.contains(QStringLiteral("_tmp.xml"))) << message.toStdString();
        EXPECT_EQ(Held(), before) << "not even the clients before the projects are merged";
        EXPECT_EQ(SectionFilesLeft(), QStringList()) << "the section files go after a failure too";
    }
}

TEST_F(TimeFileTest, AFileThatIsMissingOrCutShortSaysSoNamingItAndMergesNothing) {
    const std::string before = Held();
    const QString missing = Root() + QStringLiteral("gone.tim");
    const QString message = ImportMessage(missing);
    EXPECT_EQ(
        message,
        QStringLiteral("The time file %1 does not exist.").arg(QDir::toNativeSeparators(missing)));
    EXPECT_EQ(Held(), before);

    // A file cut short in its projects: the clients before them are not merged either.
    ExportRichStore();
    StartAnotherStore();
    QFile file(TimeFile());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    file.close();
    const qsizetype projects = bytes.indexOf("#2\r\n");
    ASSERT_GT(projects, 0);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes.left(projects + 60));
    file.close();
    const std::string empty = Held();
    const QString cut = ImportMessage(TimeFile());
    EXPECT_TRUE(cut.contains(QDir::toNativeSeparators(TimeFile()))) << cut.toStdString();
    EXPECT_FALSE(cut.contains(QStringLiteral("_tmp.xml"))) << cut.toStdString();
    EXPECT_EQ(Held(), empty);
    EXPECT_EQ(SectionFilesLeft(), QStringList());
}

// A name with a control character (an escape sequence that would clear a terminal, a tab) is
// refused naming the field, the row and the section; line breaks are allowed in notes only.
TEST_F(TimeFileTest, ControlCharactersAreRefusedNamingTheFieldAndTheRow) {
    const std::string before = Held();
    const struct {
        const char* Table;
        const char* Key; // the name of the row changed
        const char* Field;
        QString Value;
        QString Expected;
    } cases[] = {
        {"adsProjects", "Zeus", "ProjectName", QStringLiteral("Ze\x1b[2Jus"),
         QStringLiteral("field 'ProjectName' of row 3 holds a control character (U+001B) in its "
                        "projects")},
        {"adsClients", "Acme Ltd", "ClientName", QStringLiteral("Acme\tLtd"),
         QStringLiteral("field 'ClientName' of row 2 holds a control character (U+0009) in its "
                        "clients")},
        {"adsClients", "Acme Ltd", "ContactLastName", QStringLiteral("Lee\r\nSmith"),
         QStringLiteral("field 'ContactLastName' of row 2 holds a control character (U+000D) in "
                        "its clients")}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Field);
        StartAnotherStore();
        ExportRichStore();
        const bool projects = QLatin1String(c.Table) == QLatin1String("adsProjects");
        TRecordSet& table = projects ? d().adsProjects : d().adsClients;
        ASSERT_TRUE(
            table.Locate(projects ? QStringLiteral("ProjectName") : QStringLiteral("ClientName"),
                         QLatin1String(c.Key)));
        table.Edit();
        F(table, c.Field).SetAsString(c.Value);
        table.Post();
        ExportTimeFile(d(), TimeFile());
        StartAnotherStore();
        const QString message = ImportMessage(TimeFile());
        EXPECT_EQ(message, QStringLiteral("Cannot import %1: %2")
                               .arg(QDir::toNativeSeparators(TimeFile()), c.Expected));
        EXPECT_EQ(Held(), before);
    }
}
