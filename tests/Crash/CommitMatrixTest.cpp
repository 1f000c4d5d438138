// The crash matrix of a save: one save that changes every stored table (a submitted week
// into a large history, the cleared tasks, the options' next week, a new user type, manager,
// user, client, project, task code and task) is cut short at every step that matters, by a
// kill just before and just after each file is put into place (renamed, or for the history its
// new rows added to the file's end), a kill halfway through rows being added, an I/O error at
// each step, a kill while the new files are written and around the commit record. After each,
// the program starts again on the folder: every file of the store (the history's index too) is
// the old one or every file is the new one, every reference between the tables resolves, and
// the week's 45 hours are there exactly once (in the tasks before the save, in the history
// after it).

#include "BaseUnits/XEP_Messages.h"
#include "BaseUnits/XEP_Utils_Unit.h"
#include "UserLayer/data_Tasks_Unit.h"

#include "Components/Core/SysDateTime.h"
#include "Components/Core/SysExceptions.h"
#include "Components/Core/TClock.h"

#include <QCryptographicHash>
#include <QDate>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSet>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <map>

inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace {
constexpr int HistoryRows = 30000;
constexpr double Hour = 1.0 / 24.0;
constexpr double WeekHours = 45;

using TDigests = std::map<QString, QByteArray>;

QByteArray Digest(const QString& fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha1);
}

// Every file of a folder (hidden ones too) with its digest.
TDigests Digests(const QString& dir) {
    TDigests digests;
    for (const QString& name : QDir(dir).entryList(QDir::Files | QDir::Hidden))
        digests[name] = Digest(dir + name);
    return digests;
}

// A copy of a store, as private as the store.
void CopyFolder(const QString& from, const QString& to) {
    QDir().mkpath(to);
    QFile::setPermissions(to, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    for (const QString& name : QDir(from).entryList(QDir::Files | QDir::Hidden))
        QFile::copy(from + name, to + name);
}

TField& F(TRecordSet& table, const char* name) {
    return table.FieldByName(QLatin1String(name));
}

QSet<int> Keys(TRecordSet& table, const char* field) {
    QSet<int> keys;
    for (table.First(); !table.Eof(); table.Next())
        keys.insert(F(table, field).AsInteger());
    return keys;
}

// Why the tables do not hang together, or empty.
QString BrokenReference(TdmTasks_Form& dm) {
    QSet<QString> codes;
    for (dm.adsTaskCodes.First(); !dm.adsTaskCodes.Eof(); dm.adsTaskCodes.Next())
        codes.insert(F(dm.adsTaskCodes, "TaskCode").AsString().toUpper());
    const QSet<int> projects = Keys(dm.adsProjects, "ProjectNumber");
    const QSet<int> clients = Keys(dm.adsClients, "ClientId");
    const QSet<int> users = Keys(dm.adsUsers, "UserID");
    const QSet<int> managers = Keys(dm.adsManagers, "ManagerID");
    const QSet<int> userTypes = Keys(dm.adsUserTypes, "UserTypeNumber");
    auto check = [](TRecordSet& table, const char* field, auto&& known) -> QString {
        for (table.First(); !table.Eof(); table.Next()) {
            TField& value = F(table, field);
            if (value.IsNull()) continue; // refers to nothing
            bool found = false;
            if constexpr (std::is_same_v<std::decay_t<decltype(known)>, QSet<QString>>)
                found = known.contains(value.AsString().toUpper());
            else
                found = known.contains(value.AsInteger());
            if (!found)
                return QStringLiteral("%1 row %2: %3 %4 is in no saved row")
                    .arg(table.Name)
                    .arg(table.RecNo())
                    .arg(QLatin1String(field), value.AsString());
        }
        return {};
    };
    for (const QString& fault :
         {check(dm.adsTaskCodes, "ProjectNumber", projects), check(dm.adsTasks, "TaskCode", codes),
          check(dm.adsTasks, "ProjectNumber", projects), check(dm.adsTasks, "ClientId", clients),
          check(dm.adsReporting, "TaskCode", codes),
          check(dm.adsReporting, "ProjectNumber", projects),
          check(dm.adsReporting, "ClientId", clients), check(dm.adsReporting, "UserId", users),
          check(dm.adsUsers, "ManagerID", managers),
          check(dm.adsUsers, "UserTypeNumber", userTypes)})
        if (!fault.isEmpty()) return fault;
    for (const int manager : managers)
        if (manager != -101 && !users.contains(manager))
            return QStringLiteral("manager %1 is no saved user").arg(manager);
    return {};
}

// The hours of the week of 6 December 2026: typed into the tasks, or submitted into the
// history.
double WeekHoursFound(TdmTasks_Form& dm) {
    double days = 0;
    for (dm.adsTasks.First(); !dm.adsTasks.Eof(); dm.adsTasks.Next())
        for (const char* day : {"MonDuration", "TueDuration", "WedDuration", "ThuDuration",
                                "FriDuration", "SatDuration", "SunDuration"})
            days += DayFraction(F(dm.adsTasks, day).AsFloat());
    const double from = DateToDayNumber(QDate(2026, 12, 6));
    for (dm.adsReporting.First(); !dm.adsReporting.Eof(); dm.adsReporting.Next()) {
        const double worked = F(dm.adsReporting, "DateTimeSubmitted").AsDateTime();
        if (worked >= from && worked < from + 7)
            days += DayFraction(F(dm.adsReporting, "Duration").AsFloat());
    }
    return days * 24;
}

struct TChildRun {
    int Renames = -1;
    QStringList Puts; // "rename <file>" or "append <file>", in the order they were put in place
    QString Outcome;  // "saved", "failed …", or empty when it was killed
    bool Killed = false;
    QString Errors;
};

class CommitMatrixTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(FWork.isValid());
        FPrevious =
            SetInformationMessageHandler([this](const QString& text) { FMessages << text; });
        SetUserSaveDirectoryOverride(Work() + QStringLiteral("AppData"));
        TClock::SetFixed(DateToDayNumber(QDate(2026, 12, 9)) + 14.5 * Hour);
    }
    void TearDown() override {
        FDm.reset();
        SetInformationMessageHandler(FPrevious);
        SetUserSaveDirectoryOverride(QString());
    }

    QString Work() const { return FWork.path() + QLatin1Char('/'); }

    TDataModuleOptions Options(const QString& dataDir) const {
        const QString appDir = Work() + QStringLiteral("App/Tivrel");
        QDir().mkpath(appDir);
        QFile marker(appDir + QStringLiteral("/Portable.ini"));
        if (!marker.exists()) marker.open(QIODevice::WriteOnly);
        TDataModuleOptions options;
        options.ExeName = appDir + QStringLiteral("/tivrel");
        options.DataDir = dataDir;
        const QString registry = Work() + QStringLiteral("registry.ini");
        options.RegistryFactory = [registry](const QString&) {
            return std::make_unique<QSettings>(registry, QSettings::IniFormat);
        };
        return options;
    }

    TdmTasks_Form& Start(const QString& dataDir) {
        FDm.reset();
        FDm = std::make_unique<TdmTasks_Form>(nullptr, Options(dataDir));
        return *FDm;
    }

    // A set-up store with a large history (GEN and ADMIN time from 2020 on) and the week of 6
    // December 2026 typed: GEN 6 hours and ADMIN 3 hours on each day from Monday to Friday.
    void PrepareStore(const QString& dir) {
        TdmTasks_Form& dm = Start(dir);
        dm.SetSetupRequired(false);
        TRecordSet& history = dm.adsReporting;
        history.DisableControls();
        const double first = DateToDayNumber(QDate(2020, 1, 6));
        for (int i = 0; i < HistoryRows; ++i) {
            history.Append();
            F(history, "TaskCode")
                .SetAsString(i % 2 ? QStringLiteral("ADMIN") : QStringLiteral("GEN"));
            F(history, "TaskDescription").SetAsString(QStringLiteral("Row %1").arg(i));
            F(history, "DateTimeSubmitted").SetAsDateTime(first + i / 50);
            F(history, "Duration").SetAsDateTime((15 + i % 400) / 1440.0);
            F(history, "ProjectNumber").SetAsInteger(0);
            F(history, "ClientId").SetAsInteger(0);
            F(history, "UserId").SetAsInteger(0);
            history.Post();
        }
        history.EnableControls();
        TRecordSet& tasks = dm.adsTasks;
        tasks.Append();
        F(tasks, "TaskCode").SetAsString(QStringLiteral("ADMIN"));
        tasks.Post();
        // An hour of Wednesday tracked, within the six typed for it: the submission moves it
        // to the submitted entries, so both journal files change too.
        tasks.First();
        TTimeEntry tracked;
        tracked.Task = dm.JournalTaskOfRow(tasks);
        const double wednesday = DateToDayNumber(QDate(2026, 12, 9));
        TTimeJournal::SetLocalTimes(tracked, wednesday + 9 * Hour, wednesday + 10 * Hour);
        dm.Journal().AddEntry(tracked);
        for (tasks.First(); !tasks.Eof(); tasks.Next()) {
            const double hours = F(tasks, "TaskCode").AsString() == QLatin1String("GEN") ? 6 : 3;
            tasks.Edit();
            for (const char* day :
                 {"MonDuration", "TueDuration", "WedDuration", "ThuDuration", "FriDuration"})
                F(tasks, day).SetAsFloat(hours * Hour);
            tasks.Post();
        }
        dm.SaveData();
        ASSERT_NEAR(WeekHoursFound(dm), WeekHours, 1e-6);
        FDm.reset();
    }

    TChildRun RunChild(const QString& dataDir, const QString& fault) {
        TChildRun run;
        QProcess child;
        child.start(QStringLiteral(TIVREL_COMMIT_CHILD), {dataDir, Work(), fault});
        if (!child.waitForStarted(10000) || !child.waitForFinished(120000)) {
            run.Errors = QStringLiteral("the child did not run: ") + child.errorString();
            child.kill();
            return run;
        }
        run.Killed = child.exitStatus() == QProcess::CrashExit;
        for (const QByteArray& raw : child.readAllStandardOutput().split('\n')) {
            const QString line = QString::fromUtf8(raw);
            if (line.startsWith(QLatin1String("renames ")))
                run.Renames = line.mid(8).toInt();
            else if (line.startsWith(QLatin1String("put ")))
                run.Puts << line.mid(4);
            else if (line == QLatin1String("saved") || line.startsWith(QLatin1String("failed ")))
                run.Outcome = line;
            else if (!line.isEmpty())
                run.Errors += line + QLatin1Char('\n');
        }
        run.Errors += QString::fromLocal8Bit(child.readAllStandardError());
        if (!run.Killed && child.exitCode() != 0)
            run.Errors += QStringLiteral("exit code %1").arg(child.exitCode());
        return run;
    }

    QStringList FMessages;
    std::unique_ptr<TdmTasks_Form> FDm;

private:
    QTemporaryDir FWork;
    TMessageHandler FPrevious;
};

const QString HistoryIndex = QStringLiteral("Reportingfile.index");

// The store's own table files and the history's index, with their digests.
TDigests StoreFiles(const QString& dir, TdmTasks_Form& dm) {
    TDigests files;
    for (const TdmTasks_Form::TStoredTable& stored : dm.StoredTables())
        files[stored.FileName] = Digest(dir + stored.FileName);
    files[HistoryIndex] = Digest(dir + HistoryIndex);
    return files;
}
} // namespace

TEST_F(CommitMatrixTest, ASaveCutShortAnywhereLeavesTheWholeOldOrTheWholeNewStore) {
    QElapsedTimer clock;
    clock.start();
    const QString oldStore = Work() + QStringLiteral("Old/");
    ASSERT_NO_FATAL_FAILURE(PrepareStore(oldStore));
    const TDigests oldFiles = StoreFiles(oldStore, Start(oldStore));
    FDm.reset();
    const TDigests oldFolder = Digests(oldStore);

    // The save run through: the new store every case is held against.
    const QString newStore = Work() + QStringLiteral("New/");
    CopyFolder(oldStore, newStore);
    const TChildRun full = RunChild(newStore, QStringLiteral("none"));
    ASSERT_EQ(full.Outcome, QStringLiteral("saved")) << full.Errors.toStdString();
    const int renames = full.Renames;
    // The history's new rows are added to its file (and their days to its index), every other
    // table is written whole.
    EXPECT_TRUE(full.Puts.contains(QStringLiteral("append Reportingfile.xml")))
        << full.Puts.join(QLatin1Char(',')).toStdString();
    EXPECT_TRUE(full.Puts.contains(QStringLiteral("append ") + HistoryIndex));
    const int puts = int(full.Puts.size());
    TdmTasks_Form& saved = Start(newStore);
    const TDigests newFiles = StoreFiles(newStore, saved);
    ASSERT_EQ(int(newFiles.size()), renames + 1) << "the save does not change every stored table";
    ASSERT_EQ(puts, renames + 1);
    for (const auto& [name, digest] : newFiles)
        ASSERT_NE(digest, oldFiles.at(name)) << name.toStdString() << " is not changed";
    ASSERT_EQ(BrokenReference(saved), QString());
    ASSERT_NEAR(WeekHoursFound(saved), WeekHours, 1e-6);
    const int newHistoryRows = saved.adsReporting.RecordCount();
    ASSERT_GT(newHistoryRows, HistoryRows);
    FDm.reset();

    QStringList faults = {QStringLiteral("kill-writing:1"), QStringLiteral("kill-writing:5"),
                          QStringLiteral("kill-writing:%1").arg(puts),
                          QStringLiteral("kill-record"), QStringLiteral("eio-record")};
    int appends = 0;
    for (int n = 1; n <= puts; ++n) {
        faults << QStringLiteral("kill-before:%1").arg(n) << QStringLiteral("kill-after:%1").arg(n)
               << QStringLiteral("eio:%1").arg(n);
        if (full.Puts.at(n - 1).startsWith(QLatin1String("append "))) {
            faults << QStringLiteral("kill-halfway:%1").arg(n);
            ++appends;
        }
    }

    int allOld = 0, allNew = 0;
    for (const QString& fault : faults) {
        SCOPED_TRACE(fault.toStdString());
        const QString dir = Work() + QStringLiteral("Case-") +
                            QString(fault).replace(QLatin1Char(':'), QLatin1Char('-')) +
                            QLatin1Char('/');
        CopyFolder(oldStore, dir);
        const TChildRun run = RunChild(dir, fault);
        ASSERT_EQ(run.Renames, renames) << run.Errors.toStdString();
        EXPECT_EQ(run.Puts, full.Puts.mid(0, run.Puts.size())) << "the same save each time";
        if (fault.startsWith(QLatin1String("eio")))
            EXPECT_TRUE(run.Outcome.startsWith(QLatin1String("failed ")) && !run.Killed)
                << run.Outcome.toStdString() << run.Errors.toStdString();
        else
            EXPECT_TRUE(run.Killed) << run.Outcome.toStdString() << run.Errors.toStdString();

        FMessages.clear();
        TdmTasks_Form& again = Start(dir);
        EXPECT_TRUE(FMessages.isEmpty()) << FMessages.join(QLatin1Char('\n')).toStdString();
        const TDigests files = StoreFiles(dir, again);
        const bool isOld = files == oldFiles, isNew = files == newFiles;
        EXPECT_TRUE(isOld || isNew) << "a mixture of the old and the new store";
        // Undecided until the commit record is in place, decided from then on.
        const bool decided = !fault.startsWith(QLatin1String("kill-writing")) &&
                             !fault.endsWith(QLatin1String("-record"));
        EXPECT_EQ(isNew, decided);
        allOld += isOld;
        allNew += isNew;
        EXPECT_EQ(BrokenReference(again), QString());
        EXPECT_NEAR(WeekHoursFound(again), WeekHours, 1e-6);
        EXPECT_EQ(again.adsReporting.RecordCount(), isNew ? newHistoryRows : HistoryRows);
        FDm.reset();
        // Nothing of the cut save is left behind: no temporary file, no record.
        TDigests folder = Digests(dir);
        const TDigests reference = isOld ? oldFolder : Digests(newStore);
        QStringList extra;
        for (const auto& [name, digest] : folder)
            if (!reference.count(name)) extra << name;
        EXPECT_TRUE(extra.isEmpty()) << extra.join(QLatin1Char(' ')).toStdString();
        QDir(dir).removeRecursively();
    }
    std::cout << "[          ] " << faults.size() << " cuts of a save of " << renames
              << " tables (history " << HistoryRows << " rows) put into place in " << puts
              << " steps (" << appends << " of them rows added to a file): " << puts
              << " killed before a step, " << puts << " killed after one, " << appends
              << " killed halfway through rows being added, " << puts
              << " I/O errors on a step, 3 killed while writing, 1 killed and 1 I/O error at the "
                 "commit record; "
              << allOld << " left the old store, " << allNew << " the new one; " << clock.elapsed()
              << " ms" << std::endl;
}
