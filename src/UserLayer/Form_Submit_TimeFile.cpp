#include "Form_Submit_TimeFile.h"

#include "BaseUnits/Application_Details_Unit.h"
#include "BaseUnits/XEP_Utils_Unit.h"
#include "data_Tasks_Unit.h"

#include "Components/Core/SysExceptions.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <vector>

namespace {
const QByteArray FileMarker = "#1 Timer App";
const QByteArray SectionEnd = "</xml>";
const char* const Sections[3] = {"adsClients", "adsProjects", "adsTaskCodes"};

QString SectionFile(const QString& dataDir, const char* table) {
    return dataDir + QLatin1String(table) + QStringLiteral("_tmp.xml");
}

QByteArray WithoutLineEnd(QByteArray line) {
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    return line;
}

void WriteLine(QIODevice& out, const QByteArray& line) {
    out.write(line + "\r\n");
}

// Copies a section file line by line into the time file and deletes it.
void ExportADO(QIODevice& out, const QString& sectionFile) {
    QFile in(sectionFile);
    if (!in.open(QIODevice::ReadOnly))
        throw Exception(QStringLiteral("Cannot read %1: %2")
                            .arg(QDir::toNativeSeparators(sectionFile), in.errorString()));
    while (!in.atEnd())
        WriteLine(out, WithoutLineEnd(in.readLine()));
    in.close();
    QFile::remove(sectionFile);
}

TField& F(TRecordSet& table, const char* name) {
    return table.FieldByName(QLatin1String(name));
}
} // namespace

QString TTimeFileImport::Summary() const {
    return QStringLiteral("added %1 clients, %2 projects, %3 task codes")
        .arg(Clients)
        .arg(Projects)
        .arg(TaskCodes);
}

void ExportTimeFile(TdmTasks_Form& dm, const QString& fileName) {
    const QString dataDir = dm.DirsObj()->DataDir();
    TRecordSet* tables[3] = {&dm.adsClients, &dm.adsProjects, &dm.adsTaskCodes};
    for (int i = 0; i < 3; ++i)
        tables[i]->SaveToFile(SectionFile(dataDir, Sections[i]));
    // The time file appears whole or not at all.
    QSaveFile out(fileName);
    if (!out.open(QIODevice::WriteOnly))
        throw Exception(QStringLiteral("Cannot create %1: %2")
                            .arg(QDir::toNativeSeparators(fileName), out.errorString()));
    QStringList version;
    GetProjectVersionInfo(version, QString(), false);
    WriteLine(out, FileMarker);
    WriteLine(out, "_" + VersionDetail(version, 0).toLatin1());
    ExportADO(out, SectionFile(dataDir, Sections[0]));
    WriteLine(out, "#2");
    ExportADO(out, SectionFile(dataDir, Sections[1]));
    WriteLine(out, "#3");
    ExportADO(out, SectionFile(dataDir, Sections[2]));
    WriteLine(out, "#4");
    if (!out.commit())
        throw Exception(QStringLiteral("Cannot write %1: %2")
                            .arg(QDir::toNativeSeparators(fileName), out.errorString()));
}

bool ExtractXml(const QString& dataDir, const QString& sFilename) {
    QFile in(sFilename);
    if (!in.open(QIODevice::ReadOnly)) return false;
    if (WithoutLineEnd(in.readLine()) != FileMarker) return false;
    in.readLine(); // the version line is not examined
    QDir().mkpath(dataDir);
    for (int i = 0; i < 3; ++i) {
        if (i > 0) in.readLine(); // the "#2" / "#3" line
        QFile section(SectionFile(dataDir, Sections[i]));
        if (!section.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
        while (!in.atEnd()) {
            const QByteArray line = in.readLine();
            section.write(line);
            if (WithoutLineEnd(line) == SectionEnd) break;
        }
    }
    return true;
}

namespace {
// The section files of an import go when it ends, whatever the outcome: they hold a copy of
// another store's master data that nothing reads again, and a later import never falls back
// on them.
class TSectionFilesRemover {
public:
    explicit TSectionFilesRemover(const QString& dataDir) : FDataDir(dataDir) {}
    ~TSectionFilesRemover() {
        for (const char* table : Sections)
            QFile::remove(SectionFile(FDataDir, table));
    }
    TSectionFilesRemover(const TSectionFilesRemover&) = delete;
    TSectionFilesRemover& operator=(const TSectionFilesRemover&) = delete;

private:
    QString FDataDir;
};

// The fields of each section the merge reads, each with the accessor the merge reads it by; a
// section lacking one is refused before any row is merged.
enum class TRead { Text, Integer, Currency, DateTime };
struct TSectionField {
    const char* Name;
    TRead Read;
};
struct TSectionFields {
    const char* What;
    std::vector<TSectionField> Fields;
};
const TSectionFields SectionFields[3] = {
    {"clients",
     {{"ClientName", TRead::Text},
      {"ContactFirstName", TRead::Text},
      {"ContactLastName", TRead::Text},
      {"Notes", TRead::Text},
      {"TaxRegistration", TRead::Text},
      {"BillingTypeNumber", TRead::Integer},
      {"ClientTypeNumber", TRead::Integer}}},
    {"projects",
     {{"ProjectName", TRead::Text},
      {"DailyRate", TRead::Currency},
      {"TotalCost", TRead::Currency},
      {"CompletionDate", TRead::DateTime},
      {"ProjectNumber", TRead::Integer}}},
    {"task codes",
     {{"TaskCode", TRead::Text},
      {"TaskDescription", TRead::Text},
      {"DailyRate", TRead::Currency},
      {"TotalCost", TRead::Currency},
      {"CompletionDate", TRead::DateTime},
      {"ProjectNumber", TRead::Integer}}},
};

// Loads a section; its errors name the time file and the section, not the section file in the
// data directory.
void LoadSection(TRecordSet& section, const QString& dataDir, int index, const QString& shown) {
    const QLatin1String what(SectionFields[index].What);
    auto fail = [&](const QString& reason) {
        throw Exception(QStringLiteral("Cannot import %1: its %2 cannot be read (%3)")
                            .arg(shown, what, reason));
    };
    QFile file(SectionFile(dataDir, Sections[index]));
    if (!file.open(QIODevice::ReadOnly)) fail(file.errorString());
    const QString source = QStringLiteral("section");
    try {
        section.LoadFromBytes(file.readAll(), source);
    } catch (const Exception& e) {
        // The record set's reason without its "Cannot load 'section': ".
        const QString prefix = QStringLiteral("Cannot load '%1': ").arg(source);
        const QString& message = e.Message();
        fail(message.startsWith(prefix) ? message.mid(prefix.size()) : message);
    }
}

// The first control character of a text that names, notes or describes something, or 0: a
// line break is allowed only in notes. Such a character would be shown in every list and
// sent raw to a terminal.
char32_t ControlCharacter(const QString& text, bool lineBreaksAllowed) {
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (lineBreaksAllowed && (u == '\r' || u == '\n')) continue;
        if (u < 0x20 || (u >= 0x7F && u <= 0x9F)) return u;
    }
    return 0;
}

// Reads every field the merge reads, on every row and as the merge reads it, so that a missing
// field, a value that cannot be converted or a text with a control character stops the import
// before anything is merged.
void CheckSection(TRecordSet& section, int index, const QString& shown) {
    const TSectionFields& fields = SectionFields[index];
    try {
        std::vector<std::pair<TField*, TRead>> used;
        for (const TSectionField& field : fields.Fields)
            used.emplace_back(&F(section, field.Name), field.Read);
        int row = 0;
        for (section.First(); !section.Eof(); section.Next()) {
            ++row;
            for (const auto& [field, read] : used) {
                switch (read) {
                case TRead::Text:
                    if (const char32_t c = ControlCharacter(
                            field->AsString(), field->FieldName() == QLatin1String("Notes")))
                        throw Exception(
                            QStringLiteral("field '%1' of row %2 holds a control character "
                                           "(U+%3)")
                                .arg(field->FieldName())
                                .arg(row)
                                .arg(QString::number(uint(c), 16)
                                         .toUpper()
                                         .rightJustified(4, QLatin1Char('0'))));
                    break;
                case TRead::Integer:
                    field->AsInteger();
                    break;
                case TRead::Currency:
                    field->AsCurrency();
                    break;
                case TRead::DateTime:
                    field->AsDateTime();
                    break;
                }
            }
        }
    } catch (const Exception& e) {
        throw Exception(QStringLiteral("Cannot import %1: %2 in its %3")
                            .arg(shown, e.Message(), QLatin1String(fields.What)));
    }
}
} // namespace

TTimeFileImport ImportTimeFile(TdmTasks_Form& dm, const QString& fileName) {
    const QString dataDir = dm.DirsObj()->DataDir();
    const QString shown = QDir::toNativeSeparators(fileName);
    if (!QFileInfo(fileName).isFile())
        throw Exception(QStringLiteral("The time file %1 does not exist.").arg(shown));
    const TSectionFilesRemover remover(dataDir);
    // Section files left by an earlier import are never merged again in place of a bad file.
    if (!ExtractXml(dataDir, fileName))
        throw Exception(QStringLiteral("%1 is not a time file.").arg(shown));
    // All three sections are read and checked before the first row is merged: a bad file
    // merges nothing.
    TRecordSet clients, projects, codes;
    TRecordSet* sections[3] = {&clients, &projects, &codes};
    for (int i = 0; i < 3; ++i)
        LoadSection(*sections[i], dataDir, i, shown);
    for (int i = 0; i < 3; ++i)
        CheckSection(*sections[i], i, shown);

    TTimeFileImport added;
    const int clientsBefore = dm.adsClients.RecordCount();
    const int projectsBefore = dm.adsProjects.RecordCount();
    const int codesBefore = dm.adsTaskCodes.RecordCount();
    for (clients.First(); !clients.Eof(); clients.Next()) {
        dm.CreateClient(
            F(clients, "ClientName").AsString(), F(clients, "ContactFirstName").AsString(),
            F(clients, "ContactLastName").AsString(), F(clients, "Notes").AsString(),
            F(clients, "TaxRegistration").AsString(), F(clients, "BillingTypeNumber").AsInteger(),
            F(clients, "ClientTypeNumber").AsInteger());
    }
    for (projects.First(); !projects.Eof(); projects.Next()) {
        int iProject = 0;
        dm.CreateProject(F(projects, "ProjectName").AsString(),
                         F(projects, "DailyRate").AsCurrency(),
                         F(projects, "TotalCost").AsCurrency(),
                         F(projects, "CompletionDate").AsDateTime(), iProject);
        codes.SetFilter(
            QStringLiteral("ProjectNumber = %1").arg(F(projects, "ProjectNumber").AsInteger()));
        codes.SetFiltered(true);
        for (codes.First(); !codes.Eof(); codes.Next()) {
            dm.CreateTask(iProject, F(codes, "DailyRate").AsCurrency(),
                          F(codes, "TotalCost").AsCurrency(),
                          F(codes, "CompletionDate").AsDateTime(), F(codes, "TaskCode").AsString(),
                          F(codes, "TaskDescription").AsString());
        }
    }
    added.Clients = dm.adsClients.RecordCount() - clientsBefore;
    added.Projects = dm.adsProjects.RecordCount() - projectsBefore;
    added.TaskCodes = dm.adsTaskCodes.RecordCount() - codesBefore;
    return added;
}
