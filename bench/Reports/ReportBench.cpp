// The reports over a generated store of a million history rows (ten years):
//   PopulateYear/N   PopulateChartandReport of report 1 for one year (about a tenth of the rows)
//   LayoutYear/N     the laid-out pages of report 1 over that year's chart rows
//   PdfYear/N        the PDF of report 1 over that year
// The store is generated once per run in a temporary directory (kept for inspection when
// TIVREL_BENCH_KEEP is set).
//
// Run: bench_reports --benchmark_repetitions=5 --benchmark_report_aggregates_only=true

#include "StoreGenerator.h"

#include "Reports/BaseReportXEP_BaseUnit.h"
#include "Reports/Report_Layouts.h"
#include "Reports/Reporting_Chart_Unit.h"

#include "BaseUnits/XEP_AppGlobals.h"
#include "Components/Core/SysDateTime.h"

#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <map>
#include <memory>

namespace {
// One opened store per history length, with its criteria record on report 1.
struct TOpenStore {
    QTemporaryDir Dir{QDir::temp().filePath(QStringLiteral("tivrel-bench-reports-XXXXXX"))};
    std::unique_ptr<TdmTasks_Form> Dm;
    TRecordSet Details;
};

TOpenStore& Store(int rows) {
    static std::map<int, std::unique_ptr<TOpenStore>> stores;
    auto& store = stores[rows];
    if (!store) {
        store = std::make_unique<TOpenStore>();
        store->Dir.setAutoRemove(!qEnvironmentVariableIsSet("TIVREL_BENCH_KEEP"));
        TStoreShape shape;
        shape.HistoryRows = rows;
        QElapsedTimer timer;
        timer.start();
        MakeStore(store->Dir.path(), shape);
        store->Dm = std::make_unique<TdmTasks_Form>(nullptr, StoreOptions(store->Dir.path()));
        std::fprintf(stderr, "store with %d history rows made and opened in %lld ms\n", rows,
                     static_cast<long long>(timer.elapsed()));
        CreateReportDetails(store->Details);
    }
    return *store;
}

const double YearStart = DateToDayNumber(QDate(2024, 1, 1));
const double YearEnd = DateToDayNumber(QDate(2024, 12, 31));

void PopulateYear(benchmark::State& state) {
    TOpenStore& store = Store(int(state.range(0)));
    for (auto _ : state)
        PopulateChartandReport(*store.Dm, store.Details, YearStart, YearEnd);
    state.counters["history rows in the year"] = store.Dm->adsReporting.RecordCount();
    state.counters["chart rows"] = store.Dm->adsChartData.RecordCount();
}

void LayoutYear(benchmark::State& state) {
    TOpenStore& store = Store(int(state.range(0)));
    PopulateChartandReport(*store.Dm, store.Details, YearStart, YearEnd);
    const auto layout = CreateReportLayout(rnTaskDuration, *store.Dm, store.Details);
    size_t pages = 0;
    for (auto _ : state)
        pages = layout->qrBaseReport.Layout().size();
    state.counters["pages"] = double(pages);
}

void PdfYear(benchmark::State& state) {
    TOpenStore& store = Store(int(state.range(0)));
    PopulateChartandReport(*store.Dm, store.Details, YearStart, YearEnd);
    const auto layout = CreateReportLayout(rnTaskDuration, *store.Dm, store.Details);
    const QString file = store.Dir.filePath(QStringLiteral("report1.pdf"));
    for (auto _ : state)
        layout->ExportToPdf(file);
}
} // namespace

BENCHMARK(PopulateYear)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(LayoutYear)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(PdfYear)->Arg(1000000)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    SetApplicationTitle(QStringLiteral("Tivrel"));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
