// The store under sudden death. A child program saves a 100 000-row history over and over; the
// test kills it at random moments while it saves, fifty times, and after each kill reads the
// history back: it must load, hold every row of the last completed save (or of the save that
// was under way) and nothing else, and leave the other tables untouched. A second child adds
// clients, projects, task codes and tasks together and saves; after each kill every table
// loads and every row's references are there.

#include "CrashRows.h"

#include "BaseUnits/XEP_Messages.h"
#include "BaseUnits/XEP_Utils_Unit.h"
#include "UserLayer/data_Tasks_Unit.h"

#include "Components/Core/SysExceptions.h"
#include "Components/RecordSet/TFileCommit.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSet>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>
#include <map>
#include <optional>
#include <random>

namespace {
constexpr int HistoryRows = 100000;
constexpr int Kills = 50;
const QString HistoryName = QStringLiteral("Reportingfile.xml");

// What a child said before it died.
struct TChildReport {
    std::optional<int> Loaded; // the history it read at start-up
    int LoadProblems = 0;
    std::optional<int> Saved;  // the last completed save
    std::optional<int> Saving; // a save begun and not reported complete
    int Saves = 0;
    qint64 LastSaveMs = 0;
    QStringList Messages;
    QStringList Unexpected; // lines that are none of the above
};

void Parse(const QByteArray& output, TChildReport& report) {
    for (const QByteArray& raw : output.split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.isEmpty()) continue;
        const QStringList words = line.split(QLatin1Char(' '));
        const QString& word = words.first();
        if (word == QLatin1String("loaded") && words.size() == 3) {
            report.Loaded = words.at(1).toInt();
            report.LoadProblems = words.at(2).toInt();
        } else if (word == QLatin1String("saving") && words.size() == 2) {
            report.Saving = words.at(1).toInt();
        } else if (word == QLatin1String("saved") && words.size() == 3) {
            report.Saved = words.at(1).toInt();
            report.Saving.reset();
            report.LastSaveMs = words.at(2).toLongLong();
            ++report.Saves;
        } else if (word == QLatin1String("message")) {
            report.Messages << line;
        } else {
            report.Unexpected << line;
        }
    }
}

// Starts the child, waits for its first save to begin, kills it somewhere within the next two
// saves and reads what it said.
void KillChildWhileSaving(const QStringList& arguments, qint64 saveMs, std::mt19937& random,
                          TChildReport& report) {
    QProcess child;
    child.setProgram(QStringLiteral(TIVREL_CRASH_CHILD));
    child.setArguments(arguments);
    child.start();
    ASSERT_TRUE(child.waitForStarted(10000)) << child.errorString().toStdString();
    QByteArray output;
    const QDeadlineTimer deadline(60000);
    while (!output.contains("saving ") && child.state() == QProcess::Running &&
           !deadline.hasExpired()) {
        child.waitForReadyRead(50);
        output += child.readAllStandardOutput();
    }
    ASSERT_EQ(child.state(), QProcess::Running)
        << "the child stopped by itself: " << child.readAllStandardError().toStdString();
    std::uniform_int_distribution<qint64> delay(0, 2 * saveMs);
    QThread::msleep(static_cast<unsigned long>(delay(random)));
    child.kill();
    ASSERT_TRUE(child.waitForFinished(10000));
    ASSERT_EQ(child.exitStatus(), QProcess::CrashExit);
    output += child.readAllStandardOutput();
    Parse(output, report);
}

// The history file as a reader finds it: the number of rows, or the reason it is not the
// complete table the child wrote.
struct TReadBack {
    int Rows = -1;
    QString Fault;
};

TReadBack ReadHistory(const QString& fileName) {
    TReadBack result;
    TRecordSet history;
    try {
        history.LoadFromFile(fileName);
    } catch (const Exception& e) {
        result.Fault = e.Message();
        return result;
    }
    TField& description = history.FieldByName(QStringLiteral("TaskDescription"));
    int index = 0;
    for (history.First(); !history.Eof(); history.Next(), ++index) {
        if (description.AsString() != CrashRowText(index)) {
            result.Fault =
                QStringLiteral("row %1 reads \"%2\"").arg(index).arg(description.AsString());
            return result;
        }
    }
    result.Rows = history.RecordCount();
    return result;
}

QByteArray Digest(const QString& fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha1);
}

class CrashTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(FWork.isValid());
        FPrevious =
            SetInformationMessageHandler([this](const QString& text) { FMessages << text; });
        SetUserSaveDirectoryOverride(WorkDir() + QStringLiteral("/AppData"));
    }
    void TearDown() override {
        SetInformationMessageHandler(FPrevious);
        SetUserSaveDirectoryOverride(QString());
    }

    QString WorkDir() const { return FWork.path(); }
    QString DataDir() const { return FWork.path() + QStringLiteral("/Store/"); }

    // A set-up store whose history holds the given number of rows (and the given number of
    // clients, projects, task codes and tasks made together), written as the program writes
    // it: the data module over a portable install, told that setup is done, then saved.
    void PrepareStore(int rows, int masters = 0) {
        const QString appDir = WorkDir() + QStringLiteral("/App/Tivrel");
        QDir().mkpath(appDir);
        QFile marker(appDir + QStringLiteral("/Portable.ini"));
        ASSERT_TRUE(marker.open(QIODevice::WriteOnly));
        marker.close();
        TDataModuleOptions options;
        options.ExeName = appDir + QStringLiteral("/tivrel");
        options.DataDir = DataDir();
        const QString registry = WorkDir() + QStringLiteral("/registry.ini");
        options.RegistryFactory = [registry](const QString&) {
            return std::make_unique<QSettings>(registry, QSettings::IniFormat);
        };
        TdmTasks_Form dm(nullptr, options);
        dm.SetSetupRequired(false);
        TRecordSet& history = dm.adsReporting;
        history.DisableControls();
        for (int i = 0; i < rows; ++i)
            AppendCrashRow(history, i, 46000.0 + i / 50.0);
        history.EnableControls();
        for (int i = 0; i < masters; ++i)
            AddCrashMasters(dm, dm.adsTaskCodes.RecordCount());
        dm.SaveData();
        ASSERT_TRUE(FMessages.isEmpty()) << FMessages.join(QLatin1Char('\n')).toStdString();
    }

    // Temporary files that a killed save left beside the history; removed once counted.
    int RemoveLeftovers() {
        QDir dir(DataDir());
        const QStringList left = dir.entryList(
            {QLatin1Char('.') + HistoryName + QStringLiteral(".*")}, QDir::Files | QDir::Hidden);
        for (const QString& name : left)
            dir.remove(name);
        return int(left.size());
    }

    // The other store files and their digests: saving the history must leave them as they were.
    std::map<QString, QByteArray> OtherFiles() const {
        std::map<QString, QByteArray> files;
        for (const QString& name :
             QDir(DataDir()).entryList({QStringLiteral("*.xml")}, QDir::Files))
            if (name != HistoryName) files[name] = Digest(DataDir() + name);
        return files;
    }

    QStringList FMessages;

private:
    QTemporaryDir FWork;
    TMessageHandler FPrevious;
};
} // namespace

TEST_F(CrashTest, AKilledSaveLeavesTheOldOrTheNewHistoryNeverADamagedOne) {
    QElapsedTimer clock;
    clock.start();
    PrepareStore(HistoryRows);
    if (HasFatalFailure()) return;
    const std::map<QString, QByteArray> others = OtherFiles();
    ASSERT_FALSE(others.empty());
    ASSERT_EQ(ReadHistory(DataDir() + HistoryName).Rows, HistoryRows);
    std::cout << "[          ] store prepared in " << clock.elapsed() << " ms" << std::endl;

    std::mt19937 random(20261209); // fixed: the same delays on every run
    qint64 saveMs = 300;           // the time of one save, refined from the child's reports
    int rows = HistoryRows;        // what the history holds before each child
    int midSave = 0, betweenSaves = 0, beforeSaving = 0, renamedUnreported = 0, leftovers = 0;

    for (int kill = 0; kill < Kills; ++kill) {
        SCOPED_TRACE(testing::Message() << "kill " << kill + 1 << " of " << Kills);
        TChildReport report;
        KillChildWhileSaving({DataDir(), WorkDir()}, saveMs, random, report);
        if (HasFatalFailure()) return;
        EXPECT_TRUE(report.Unexpected.isEmpty())
            << report.Unexpected.join(QLatin1Char('\n')).toStdString();
        EXPECT_TRUE(report.Messages.isEmpty())
            << report.Messages.join(QLatin1Char('\n')).toStdString();
        if (report.Loaded) {
            EXPECT_EQ(*report.Loaded, rows) << "the child read a different history";
            EXPECT_EQ(report.LoadProblems, 0);
        }
        if (report.Saving)
            ++midSave;
        else if (report.Saved)
            ++betweenSaves;
        else
            ++beforeSaving;
        if (report.Saves > 0) saveMs = std::max<qint64>(report.LastSaveMs, 20);

        // The last completed save, or the one under way; nothing older, nothing else.
        const int completed = report.Saved.value_or(rows);
        // What the next start reads: a save decided before the kill (its commit record on
        // disk) is finished first, as the program's start finishes it.
        FinishInterruptedCommit(DataDir() + QStringLiteral("tivrel.commit"));
        const TReadBack found = ReadHistory(DataDir() + HistoryName);
        ASSERT_TRUE(found.Fault.isEmpty()) << "damaged history: " << found.Fault.toStdString();
        if (found.Rows != completed) {
            ASSERT_TRUE(report.Saving.has_value())
                << found.Rows << " rows where the last completed save wrote " << completed;
            ASSERT_EQ(found.Rows, *report.Saving) << "the last completed save wrote " << completed;
            ++renamedUnreported; // killed after the new file took the old one's place
        }
        rows = found.Rows;
        leftovers += RemoveLeftovers();
    }

    EXPECT_EQ(OtherFiles(), others) << "saving the history rewrote another table";
    // The delays are drawn so that most kills fall inside a save; far fewer means the test
    // no longer tests what it says.
    EXPECT_GE(midSave, Kills / 2);
    std::cout << "[          ] " << Kills << " kills: " << midSave << " during a save, "
              << betweenSaves << " between saves, " << beforeSaving << " before the first, "
              << renamedUnreported << " after the new file was in place; " << leftovers
              << " temporary files left behind; history now " << rows << " rows; last save "
              << saveMs << " ms; " << clock.elapsed() << " ms in all" << std::endl;
}

namespace {
// The master data as a reader finds it after a kill: why it is not whole, or empty when every
// table loads and every task code's project, every task's code and client exist.
QString CheckReferences(const QString& dir, int& codesFound) {
    auto load = [&](TRecordSet& table, const char* name) {
        table.LoadFromFile(dir + QLatin1String(name));
    };
    TRecordSet clients, projects, codes, tasks;
    try {
        load(clients, "Clientsfile.xml");
        load(projects, "Projectsfile.xml");
        load(codes, "TaskCodesfile.xml");
        load(tasks, "Tasksfile.xml");
    } catch (const Exception& e) {
        return e.Message();
    }
    auto keys = [](TRecordSet& table, const char* field) {
        QSet<QString> values;
        for (table.First(); !table.Eof(); table.Next())
            values.insert(table.FieldByName(QLatin1String(field)).AsString().toUpper());
        return values;
    };
    const QSet<QString> clientIds = keys(clients, "ClientId");
    const QSet<QString> projectNumbers = keys(projects, "ProjectNumber");
    const QSet<QString> codeNames = keys(codes, "TaskCode");
    for (codes.First(); !codes.Eof(); codes.Next()) {
        const QString project = codes.FieldByName(QStringLiteral("ProjectNumber")).AsString();
        if (!projectNumbers.contains(project))
            return QStringLiteral("task code %1 has project %2, which is not saved")
                .arg(codes.FieldByName(QStringLiteral("TaskCode")).AsString(), project);
    }
    for (tasks.First(); !tasks.Eof(); tasks.Next()) {
        const QString code = tasks.FieldByName(QStringLiteral("TaskCode")).AsString();
        const QString client = tasks.FieldByName(QStringLiteral("ClientId")).AsString();
        if (!codeNames.contains(code.toUpper()))
            return QStringLiteral("task %1 has no saved task code").arg(code);
        if (!clientIds.contains(client))
            return QStringLiteral("task %1 has client %2, which is not saved").arg(code, client);
    }
    codesFound = codes.RecordCount();
    return {};
}
} // namespace

TEST_F(CrashTest, MasterDataChangedTogetherIsNeverSavedHalfway) {
    constexpr int Masters = 3000;
    PrepareStore(0, Masters);
    if (HasFatalFailure()) return;
    int codes = 0;
    ASSERT_EQ(CheckReferences(DataDir(), codes), QString());
    const int seededCodes = codes;

    std::mt19937 random(20261210);
    qint64 saveMs = 100;
    int midSave = 0;
    for (int kill = 0; kill < Kills; ++kill) {
        SCOPED_TRACE(testing::Message() << "kill " << kill + 1 << " of " << Kills);
        TChildReport report;
        KillChildWhileSaving(
            {DataDir(), WorkDir(), QStringLiteral("-1"), QStringLiteral("masters")}, saveMs, random,
            report);
        if (HasFatalFailure()) return;
        if (report.Saving) ++midSave;
        if (report.Saves > 0) saveMs = std::max<qint64>(report.LastSaveMs, 10);
        const QString fault = CheckReferences(DataDir(), codes);
        ASSERT_TRUE(fault.isEmpty()) << fault.toStdString();
    }
    EXPECT_GT(codes, seededCodes) << "no save ever completed";
    EXPECT_GE(midSave, Kills / 3);
    std::cout << "[          ] " << Kills << " kills, " << midSave << " during a save; "
              << codes - seededCodes << " task codes added; last save " << saveMs << " ms"
              << std::endl;
}
