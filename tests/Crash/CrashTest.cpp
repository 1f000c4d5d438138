// The store under sudden death. A child program saves a 100 000-row history over and over; the
// test kills it at random moments while it saves, fifty times, and after each kill reads the
// history back: it must load, hold every row of the last completed save (or of the save that
// was under way) and nothing else, and leave the other tables untouched.

#include "CrashRows.h"

#include "BaseUnits/XEP_Messages.h"
#include "BaseUnits/XEP_Utils_Unit.h"
#include "UserLayer/data_Tasks_Unit.h"

#include "Components/Core/SysExceptions.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
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

    // A set-up store whose history holds the given number of rows, written as the program
    // writes it: the data module over a portable install, told that setup is done, then saved.
    void PrepareStore(int rows) {
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
        QProcess child;
        child.setProgram(QStringLiteral(TIVREL_CRASH_CHILD));
        child.setArguments({DataDir(), WorkDir()});
        child.start();
        ASSERT_TRUE(child.waitForStarted(10000)) << child.errorString().toStdString();

        // Wait for the first save to begin, then kill somewhere within the next two saves.
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

        TChildReport report;
        Parse(output, report);
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
