// import-history and export-history run as a user runs them: each peer's file (written by the
// peer itself where it is on Debian) gives the history the peer's own day totals show, the
// mapping printed is what the store gets, a second import adds nothing, a bad line imports
// nothing, a dry run writes nothing, and the history exported and imported into an empty
// store is the same history.

#include "InteropCommandFixture.h"

#include "UserLayer/data_Tasks_Unit.h"

#include <QSettings>

#include <QCryptographicHash>
#include <QDirIterator>
#include <QStandardPaths>
#include <set>

namespace {
struct TPeerFile {
    const char* File;
    const char* Days;
    const char* Format; // empty: found from the contents
};

const TPeerFile PeerFiles[] = {
    {"timewarrior.json", "timewarrior-days.txt", ""},
    {"hamster.tsv", "hamster-days.txt", ""},
    {"hamster.db", "hamster-days.txt", "hamster"},
    {"ktimetracker.ics", "ktimetracker-days.txt", "ktimetracker"},
    {"toggl.csv", "toggl-days.txt", ""},
    {"clockify.csv", "clockify-days.txt", "csv"},
    {"generic.csv", "generic-days.txt", ""},
};

// Every file of a folder with a digest of its bytes.
std::map<QString, QByteArray> FolderDigest(const QString& folder) {
    std::map<QString, QByteArray> files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        if (file.open(QIODevice::ReadOnly))
            files[it.filePath()] =
                QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha1);
    }
    return files;
}

QString WriteFile(const QString& name, const QByteArray& text) {
    QFile file(name);
    file.open(QIODevice::WriteOnly);
    file.write(text);
    return name;
}

QString AsText(const QJsonArray& rows) {
    return QString::fromUtf8(QJsonDocument(rows).toJson());
}

QByteArray ReadFile(const QString& name) {
    QFile file(name);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}
} // namespace

using HistoryImportTest = CommandTest;

TEST_F(HistoryImportTest, EachPeersFileGivesThePeersHoursPerDayAndASecondImportAddsNothing) {
    int store = 0;
    for (const TPeerFile& peer : PeerFiles) {
        SCOPED_TRACE(peer.File);
        const QString name = NewStore(QStringLiteral("s%1").arg(++store));
        QStringList arguments = {QStringLiteral("import-history"),
                                 Fixture(QLatin1String(peer.File))};
        if (*peer.Format) arguments << QStringLiteral("--format") << QLatin1String(peer.Format);
        const TCommandRun first = RunOn(name, arguments);
        ASSERT_EQ(first.Code, 0) << first.Err.toStdString();
        EXPECT_TRUE(first.Out.contains(QStringLiteral("Imported "))) << first.Out.toStdString();
        const std::map<QString, int> days = MinutesPerDay(name);
        EXPECT_EQ(days, DaysFile(QLatin1String(peer.Days)));

        const TCommandRun second = RunOn(name, arguments);
        ASSERT_EQ(second.Code, 0) << second.Err.toStdString();
        EXPECT_TRUE(second.Out.contains(QStringLiteral("Imported 0 intervals")))
            << second.Out.toStdString();
        EXPECT_TRUE(second.Out.contains(QStringLiteral("were imported before and are left out")));
        EXPECT_EQ(MinutesPerDay(name), days);
    }
}

// Hamster's export and its database are two views of the same time: one after the other they
// are the same intervals, and the second adds nothing.
TEST_F(HistoryImportTest, HamstersExportAndDatabaseAreRecognisedAsTheSameTime) {
    const QString store = NewStore(QStringLiteral("h"));
    ASSERT_EQ(
        RunOn(store, {QStringLiteral("import-history"), Fixture(QStringLiteral("hamster.tsv"))})
            .Code,
        0);
    const TCommandRun database =
        RunOn(store, {QStringLiteral("import-history"), Fixture(QStringLiteral("hamster.db"))});
    ASSERT_EQ(database.Code, 0) << database.Err.toStdString();
    EXPECT_TRUE(database.Out.contains(QStringLiteral("Imported 0 intervals")))
        << database.Out.toStdString();
    EXPECT_EQ(MinutesPerDay(store), DaysFile(QStringLiteral("hamster-days.txt")));
}

TEST_F(HistoryImportTest, TheMappingPrintedIsWhatTheStoreGets) {
    const QString store = NewStore(QStringLiteral("m"));
    const TCommandRun run = RunOn(
        store, {QStringLiteral("import-history"), Fixture(QStringLiteral("timewarrior.json"))});
    ASSERT_EQ(run.Code, 0) << run.Err.toStdString();
    for (const char* line :
         {"task \"DEV\" -> task code DEV (new: \"DEV\")",
          "task \"code review\" -> task code CODEREVIEW (new: \"code review\")",
          "project \"Website\" -> project Website (new)", "client \"Acme\" -> client Acme (new)",
          "client \"Bäckerei Müller\" -> client Bäckerei Müller (new)",
          "task \"Imported\" -> task code IMPORTED (new: \"Imported\")",
          "Added 5 task codes, 2 projects, 2 clients."})
        EXPECT_TRUE(run.Out.contains(QString::fromUtf8(line))) << line << "\n"
                                                               << run.Out.toStdString();
    // The still-running interval is left out with its line.
    EXPECT_TRUE(run.Out.contains(QStringLiteral("Left out, line 51: DEV is still being tracked")));

    // Each code with the projects and clients its rows are booked on (no project is the store's
    // "None", no client its "Internal").
    std::set<QString> booked;
    for (const QJsonValue& row : HistoryRows(store))
        booked.insert(row[QStringLiteral("taskCode")].toString() + QLatin1Char(' ') +
                      row[QStringLiteral("project")].toString() + QLatin1Char('/') +
                      row[QStringLiteral("client")].toString());
    EXPECT_EQ(QStringList(booked.begin(), booked.end()).join(QStringLiteral(", ")),
              QString::fromUtf8("CODEREVIEW Website/Acme, DEV Intranet/Internal, DEV Website/Acme, "
                                "IMPORTED None/Internal, MEETINGS None/Internal, "
                                "SUPPORT None/Bäckerei Müller"));

    // A second file's names meet the codes, projects and clients made by the first.
    const TCommandRun again =
        RunOn(store, {QStringLiteral("import-history"), Fixture(QStringLiteral("toggl.csv"))});
    ASSERT_EQ(again.Code, 0) << again.Err.toStdString();
    EXPECT_TRUE(again.Out.contains(QStringLiteral("project \"Website\" -> project Website\n")))
        << again.Out.toStdString();
    EXPECT_TRUE(again.Out.contains(QStringLiteral("client \"Acme\" -> client Acme\n")));
}

// A line that cannot be read stops the import before the store is touched; the message names
// the file, the line and the reason.
TEST_F(HistoryImportTest, ABadLineImportsNothingAndIsNamed) {
    const QString store = NewStore(QStringLiteral("bad"));
    const std::map<QString, QByteArray> before = FolderDigest(Path(store));

    QByteArray json = ReadFile(Fixture(QStringLiteral("timewarrior.json")));
    json.replace("\"start\":\"20261020T063000Z\"", "\"start\":\"yesterday\"");
    const QString badJson = WriteFile(Path(QStringLiteral("bad.json")), json);
    const TCommandRun run = RunOn(store, {QStringLiteral("import-history"), badJson});
    EXPECT_EQ(run.Code, 1);
    EXPECT_TRUE(run.Err.contains(QStringLiteral("bad.json:4: "))) << run.Err.toStdString();
    EXPECT_TRUE(run.Err.contains(QStringLiteral("yesterday"))) << run.Err.toStdString();
    EXPECT_TRUE(run.Err.contains(QStringLiteral("Nothing was imported.")));

    const QString badCsv =
        WriteFile(Path(QStringLiteral("bad.csv")), "date;task;duration\n19.10.2026;DEV;2:30\n"
                                                   "20.10.2026;DEV;two hours\n");
    const TCommandRun csv = RunOn(store, {QStringLiteral("import-history"), badCsv});
    EXPECT_EQ(csv.Code, 1);
    EXPECT_TRUE(csv.Err.contains(QStringLiteral("bad.csv:3: "))) << csv.Err.toStdString();
    EXPECT_TRUE(csv.Err.contains(QStringLiteral("two hours"))) << csv.Err.toStdString();

    const QString notAFile = WriteFile(Path(QStringLiteral("notes.txt")), "just some words\n");
    EXPECT_EQ(RunOn(store, {QStringLiteral("import-history"), notAFile}).Code, 1);
    EXPECT_EQ(
        RunOn(store, {QStringLiteral("import-history"), Path(QStringLiteral("none.json"))}).Code,
        1);

    EXPECT_EQ(FolderDigest(Path(store)), before);
    EXPECT_TRUE(MinutesPerDay(store).empty());
}

TEST_F(HistoryImportTest, ADryRunPrintsThePlanAndWritesNothing) {
    const QString store = NewStore(QStringLiteral("dry"));
    const std::map<QString, QByteArray> before = FolderDigest(Path(store));
    const TCommandRun run =
        RunOn(store, {QStringLiteral("import-history"), Fixture(QStringLiteral("timewarrior.json")),
                      QStringLiteral("--dry-run")});
    ASSERT_EQ(run.Code, 0) << run.Err.toStdString();
    EXPECT_TRUE(run.Out.contains(QStringLiteral("Hours per month:\n  2026-10    62:55     62.92\n"
                                                "  2026-11    67:30     67.50\n")))
        << run.Out.toStdString();
    EXPECT_TRUE(run.Out.contains(QStringLiteral("Would add 5 task codes, 2 projects, 2 clients.")));
    EXPECT_TRUE(run.Out.contains(QStringLiteral("Nothing was written (--dry-run).")));
    EXPECT_EQ(FolderDigest(Path(store)), before);

    // Then the import itself imports all of it.
    ASSERT_EQ(RunOn(store,
                    {QStringLiteral("import-history"), Fixture(QStringLiteral("timewarrior.json"))})
                  .Code,
              0);
    EXPECT_EQ(MinutesPerDay(store), DaysFile(QStringLiteral("timewarrior-days.txt")));
}

// export-history in each format, imported into an empty store, gives the same history rows:
// dates, codes, projects, clients, minutes, starts, ends and notes.
TEST_F(HistoryImportTest, TheExportImportedIntoAnEmptyStoreIsTheSameHistory) {
    const QString source = NewStore(QStringLiteral("source"));
    for (const char* file : {"timewarrior.json", "hamster.tsv", "generic.csv"})
        ASSERT_EQ(
            RunOn(source, {QStringLiteral("import-history"), Fixture(QLatin1String(file))}).Code,
            0);
    const QJsonArray rows = HistoryRows(source);
    ASSERT_GT(rows.size(), 80);

    for (const char* format : {"csv", "json", "ical"}) {
        SCOPED_TRACE(format);
        const QString out = Path(QStringLiteral("out.") + QLatin1String(format));
        const TCommandRun exported =
            RunOn(source, {QStringLiteral("export-history"), QStringLiteral("--from"),
                           QStringLiteral("2026-10-01"), QStringLiteral("--to"),
                           QStringLiteral("2026-11-30"), QStringLiteral("--format"),
                           QLatin1String(format), QStringLiteral("--out"), out});
        ASSERT_EQ(exported.Code, 0) << exported.Err.toStdString();
        EXPECT_TRUE(
            exported.Out.startsWith(QStringLiteral("Wrote %1 history rows").arg(rows.size())))
            << exported.Out.toStdString();
        const QString target = NewStore(QStringLiteral("target-") + QLatin1String(format));
        const TCommandRun imported = RunOn(target, {QStringLiteral("import-history"), out});
        ASSERT_EQ(imported.Code, 0) << imported.Err.toStdString();
        EXPECT_EQ(AsText(HistoryRows(target)), AsText(rows));
        // And again: nothing more.
        ASSERT_EQ(RunOn(target, {QStringLiteral("import-history"), out}).Code, 0);
        EXPECT_EQ(HistoryRows(target).size(), rows.size());
    }
}

// The range is kept to, both days included.
TEST_F(HistoryImportTest, TheExportHoldsTheRowsOfItsRangeOnly) {
    const QString store = NewStore(QStringLiteral("range"));
    ASSERT_EQ(RunOn(store,
                    {QStringLiteral("import-history"), Fixture(QStringLiteral("timewarrior.json"))})
                  .Code,
              0);
    const QString out = Path(QStringLiteral("range.csv"));
    const TCommandRun run =
        RunOn(store, {QStringLiteral("export-history"), QStringLiteral("--from"),
                      QStringLiteral("2026-10-20"), QStringLiteral("--to"),
                      QStringLiteral("2026-10-22"), QStringLiteral("--out"), out});
    ASSERT_EQ(run.Code, 0) << run.Err.toStdString();
    const QStringList lines =
        QString::fromUtf8(ReadFile(out)).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_TRUE(
        lines.first().startsWith(QStringLiteral("Date,Task Code,Task Description,Project,"
                                                "Client,User,Minutes,Hours,Start,End,Note")));
    int minutes = 0;
    for (const QString& line : lines.mid(1)) {
        EXPECT_TRUE(line.startsWith(QStringLiteral("2026-10-2"))) << line.toStdString();
        EXPECT_FALSE(line.startsWith(QStringLiteral("2026-10-23"))) << line.toStdString();
        minutes += line.section(QLatin1Char(','), 6, 6).toInt();
    }
    EXPECT_EQ(minutes, 470 + 90 + 195); // the peer's totals of those three days

    EXPECT_EQ(RunOn(store, {QStringLiteral("export-history"), QStringLiteral("--from"),
                            QStringLiteral("2026-10-22"), QStringLiteral("--to"),
                            QStringLiteral("2026-10-20"), QStringLiteral("--out"), out})
                  .Code,
              2);
}

// The .ics file as a calendar program reads it: Python's icalendar parses it, VERSION:2.0,
// one event per history row with UTC times and the row's minutes.
TEST_F(HistoryImportTest, TheCalendarFileParsesInACalendarLibrary) {
    const QString python = QStringLiteral("/usr/bin/python3");
    if (QProcess::execute(python, {QStringLiteral("-c"), QStringLiteral("import icalendar")}) != 0)
        GTEST_SKIP() << "python3-icalendar is not installed (scripts/install-deps)";
    const QString store = NewStore(QStringLiteral("ics"));
    ASSERT_EQ(RunOn(store,
                    {QStringLiteral("import-history"), Fixture(QStringLiteral("timewarrior.json"))})
                  .Code,
              0);
    const QString out = Path(QStringLiteral("history.ics"));
    ASSERT_EQ(RunOn(store, {QStringLiteral("export-history"), QStringLiteral("--from"),
                            QStringLiteral("2026-10-01"), QStringLiteral("--to"),
                            QStringLiteral("2026-11-30"), QStringLiteral("--out"), out})
                  .Code,
              0);
    const char* script = R"(
import sys, icalendar, datetime
cal = icalendar.Calendar.from_ical(open(sys.argv[1], 'rb').read())
assert str(cal['VERSION']) == '2.0', cal['VERSION']
minutes = 0
events = cal.walk('VEVENT')
for e in events:
    start, end = e['DTSTART'].dt, e['DTEND'].dt
    assert start.utcoffset() == datetime.timedelta(0), start
    assert end > start
    assert e.get('UID') and e.get('SUMMARY')
    minutes += int(e['X-TIVREL-MINUTES'])
print(len(events), minutes)
)";
    QProcess process;
    process.start(python, {QStringLiteral("-c"), QLatin1String(script), out});
    ASSERT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    int minutes = 0;
    for (const auto& [day, dayMinutes] : DaysFile(QStringLiteral("timewarrior-days.txt")))
        minutes += dayMinutes;
    EXPECT_EQ(QString::fromUtf8(process.readAllStandardOutput()).trimmed(),
              QStringLiteral("%1 %2").arg(HistoryRows(store).size()).arg(minutes));
}

// While the program has the folder, an import changes nothing and says what to do; a dry run
// only reads, so it runs beside the program.
TEST_F(HistoryImportTest, AnImportWhileTheProgramHasTheFolderImportsNothingAndSaysWhy) {
    const QString store = NewStore(QStringLiteral("held"));
    TDataModuleOptions options;
    options.DataDir = Path(store);
    const QString registry = Path(QStringLiteral("registry.ini"));
    options.RegistryFactory = [registry](const QString&) {
        return std::make_unique<QSettings>(registry, QSettings::IniFormat);
    };
    {
        TdmTasks_Form program(nullptr, options); // holds the folder's lock, as the program does
        const TCommandRun run =
            RunOn(store, {QStringLiteral("import-history"), Fixture(QStringLiteral("toggl.csv"))});
        EXPECT_EQ(run.Code, 1);
        EXPECT_TRUE(run.Err.contains(QStringLiteral("already running"))) << run.Err.toStdString();
        EXPECT_TRUE(run.Err.contains(QStringLiteral("Nothing was imported. Close Tivrel, then "
                                                    "import again")))
            << run.Err.toStdString();
        const TCommandRun dryRun =
            RunOn(store, {QStringLiteral("import-history"), Fixture(QStringLiteral("toggl.csv")),
                          QStringLiteral("--dry-run")});
        EXPECT_EQ(dryRun.Code, 0) << dryRun.Err.toStdString();
        EXPECT_TRUE(dryRun.Out.contains(QStringLiteral("Would import 5 intervals")))
            << dryRun.Out.toStdString();
    }
    EXPECT_TRUE(MinutesPerDay(store).empty());
}
