// The data module's start-up and save times over generated stores:
//   DataModuleCreate/1000000  a history of a million rows and ordinary master data
//   SaveData/N                one posted history row saved into the store of N history rows;
//                             fails when a table that did not change is written
//   DataModuleCreate/20000    an ordinary store: 50 tasks, 200 task codes, 20 000 history rows
//   LoadHistory/N             the history file alone read into a record set, to tell the file
//                             reader's share of the start-up from the data module's
//   SerializeHistory/N        the history turned into its file's bytes in memory, and
//   SaveHistoryFile/N         the history written to a file (bytes, flush, fsync, rename), to
//                             tell the writer's share of a save from the disk's
//   SaveOneTable/N            one posted task row saved through SaveDataset, the tasks table
//                             alone: the cost of a save made every minute (one file, no
//                             commit record)
//   SaveTwoTables/N           a task row and the options changed together and saved by
//                             SaveData: the same with the commit record that makes the two
//                             files land together
// The stores are generated once per run in a temporary directory (kept for inspection when
// TIVREL_BENCH_KEEP is set).
//
// Run: bench_datamodule --benchmark_repetitions=5 --benchmark_report_aggregates_only=true

#include "StoreGenerator.h"

#include "BaseUnits/XEP_Utils_Unit.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <map>
#include <memory>
#include <sys/stat.h>

namespace {
// One generated store per history length, made on first use and kept for the run.
class TStores {
public:
    QString WorkDir(int historyRows) {
        auto found = FStores.find(historyRows);
        if (found != FStores.end()) return found->second->path();
        auto dir = std::make_unique<QTemporaryDir>(
            QDir::temp().filePath(QStringLiteral("tivrel-bench-store-%1-XXXXXX").arg(historyRows)));
        dir->setAutoRemove(!qEnvironmentVariableIsSet("TIVREL_BENCH_KEEP"));
        TStoreShape shape;
        shape.HistoryRows = historyRows;
        QElapsedTimer timer;
        timer.start();
        MakeStore(dir->path(), shape);
        std::fprintf(stderr, "store with %d history rows generated in %lld ms\n", historyRows,
                     static_cast<long long>(timer.elapsed()));
        const QString path = dir->path();
        FStores.emplace(historyRows, std::move(dir));
        return path;
    }
    // A store of its own for a benchmark that changes it.
    QString CopyOf(int historyRows, const QString& purpose) {
        const QString key = QString::number(historyRows) + purpose;
        auto found = FCopies.find(key);
        if (found != FCopies.end()) return found->second->path();
        const QString from = StoreDataDir(WorkDir(historyRows));
        auto dir = std::make_unique<QTemporaryDir>(
            QDir::temp().filePath(QStringLiteral("tivrel-bench-%1-XXXXXX").arg(key)));
        const QString to = StoreDataDir(dir->path());
        QDir().mkpath(to);
        QFile::setPermissions(to, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        for (const QString& name : QDir(from).entryList(QDir::Files))
            QFile::copy(from + name, to + name);
        const QString path = dir->path();
        FCopies.emplace(key, std::move(dir));
        return path;
    }

private:
    std::map<int, std::unique_ptr<QTemporaryDir>> FStores;
    std::map<QString, std::unique_ptr<QTemporaryDir>> FCopies;
};

TStores& Stores() {
    static TStores stores;
    return stores;
}

// What a write leaves on a file: a save renames a new file over the old one, so the inode
// changes even when the size and the modification time happen to be the same.
struct TFileStamp {
    ino_t Inode = 0;
    off_t Size = 0;
    timespec Modified{};
    bool operator==(const TFileStamp& other) const {
        return Inode == other.Inode && Size == other.Size &&
               Modified.tv_sec == other.Modified.tv_sec &&
               Modified.tv_nsec == other.Modified.tv_nsec;
    }
};

std::map<QString, TFileStamp> Stamps(const QString& dir) {
    std::map<QString, TFileStamp> stamps;
    for (const QString& name : QDir(dir).entryList({QStringLiteral("*.xml")}, QDir::Files)) {
        struct stat info {};
        if (::stat(QFile::encodeName(dir + name).constData(), &info) != 0) continue;
        stamps[name] = {info.st_ino, info.st_size, info.st_mtim};
    }
    return stamps;
}

void DataModuleCreate(benchmark::State& state) {
    const int rows = int(state.range(0));
    const TDataModuleOptions options = StoreOptions(Stores().WorkDir(rows));
    int loaded = 0;
    for (auto _ : state) {
        auto dm = std::make_unique<TdmTasks_Form>(nullptr, options);
        state.PauseTiming();
        loaded = dm->adsReporting.RecordCount();
        if (!dm->LoadProblems().isEmpty()) {
            state.SkipWithError(qPrintable(dm->LoadProblems().join(QLatin1Char('\n'))));
            return;
        }
        dm.reset(); // closing down is not start-up
        state.ResumeTiming();
    }
    if (loaded != rows) state.SkipWithError("the history did not load whole");
    state.counters["rows"] = loaded;
}

void SaveData(benchmark::State& state) {
    const int rows = int(state.range(0));
    const QString work = Stores().CopyOf(rows, QStringLiteral("save"));
    const QString dataDir = StoreDataDir(work);
    TdmTasks_Form dm(nullptr, StoreOptions(work));
    int index = dm.adsReporting.RecordCount();
    for (auto _ : state) {
        state.PauseTiming();
        AppendHistoryRow(dm.adsReporting, index++);
        const auto before = Stamps(dataDir);
        state.ResumeTiming();

        dm.SaveData();

        state.PauseTiming();
        const auto after = Stamps(dataDir);
        for (const auto& [name, stamp] : before) {
            const auto now = after.find(name);
            const bool rewritten = now == after.end() || !(now->second == stamp);
            if (rewritten != (name == QStringLiteral("Reportingfile.xml"))) {
                const QString what = rewritten
                                         ? QStringLiteral("%1 was written though unchanged")
                                         : QStringLiteral("%1 was not written though changed");
                state.SkipWithError(qPrintable(what.arg(name)));
                return;
            }
        }
        state.ResumeTiming();
    }
    state.counters["rows"] = index;
}

// Changes a task row (and, with options, the options row) and saves, timing the save only.
void SaveSmallTables(benchmark::State& state, bool withOptions) {
    const int rows = int(state.range(0));
    const QString work =
        Stores().CopyOf(rows, withOptions ? QStringLiteral("two") : QStringLiteral("one"));
    TdmTasks_Form dm(nullptr, StoreOptions(work));
    int minutes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        dm.adsTasks.First();
        dm.adsTasks.Edit();
        dm.adsTasks.FieldByName(QStringLiteral("MonDuration")).SetAsFloat(++minutes / 1440.0);
        dm.adsTasks.Post();
        if (withOptions) {
            dm.adsDefaults.Edit();
            dm.adsDefaults.FieldByName(QStringLiteral("MinimumTaskDuration"))
                .SetAsInteger(minutes % 60);
            dm.adsDefaults.Post();
        }
        state.ResumeTiming();
        if (withOptions)
            dm.SaveData();
        else
            dm.SaveDataset(QStringLiteral("Tasksfile.xml"), dm.adsTasks, false);
    }
}

void SaveOneTable(benchmark::State& state) {
    SaveSmallTables(state, false);
}

void SaveTwoTables(benchmark::State& state) {
    SaveSmallTables(state, true);
}

void LoadHistory(benchmark::State& state) {
    const int rows = int(state.range(0));
    const QString file = StoreDataDir(Stores().WorkDir(rows)) + QStringLiteral("Reportingfile.xml");
    for (auto _ : state) {
        TRecordSet history;
        history.LoadFromFile(file);
        state.PauseTiming();
        if (history.RecordCount() != rows) {
            state.SkipWithError("the history did not load whole");
            return;
        }
        state.ResumeTiming();
    }
}

// The history of a store, loaded once for the writing benchmarks.
TRecordSet& History(int rows) {
    static std::map<int, std::unique_ptr<TRecordSet>> histories;
    auto& history = histories[rows];
    if (!history) {
        history = std::make_unique<TRecordSet>();
        history->LoadFromFile(StoreDataDir(Stores().WorkDir(rows)) +
                              QStringLiteral("Reportingfile.xml"));
    }
    return *history;
}

void SerializeHistory(benchmark::State& state) {
    TRecordSet& history = History(int(state.range(0)));
    qint64 bytes = 0;
    for (auto _ : state) {
        const QByteArray data = history.SaveToBytes();
        bytes = data.size();
        benchmark::DoNotOptimize(data.constData());
    }
    state.counters["MB"] = double(bytes) / 1e6;
}

void SaveHistoryFile(benchmark::State& state) {
    TRecordSet& history = History(int(state.range(0)));
    const QString file =
        StoreDataDir(Stores().CopyOf(int(state.range(0)), QStringLiteral("file"))) +
        QStringLiteral("Reportingfile.xml");
    for (auto _ : state)
        history.SaveToFile(file);
}
} // namespace

BENCHMARK(DataModuleCreate)->Arg(1000000)->Arg(20000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(SaveData)->Arg(1000000)->Arg(20000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(SaveOneTable)->Arg(20000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(SaveTwoTables)->Arg(20000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(LoadHistory)->Arg(1000000)->Arg(20000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(SerializeHistory)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(SaveHistoryFile)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    // Nothing of the user's: the per-user folder of a standard install is a temporary one too.
    QTemporaryDir userDir(QDir::temp().filePath(QStringLiteral("tivrel-bench-user-XXXXXX")));
    SetUserSaveDirectoryOverride(userDir.path());
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
