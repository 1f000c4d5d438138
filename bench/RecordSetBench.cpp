// Benchmarks of the record-set component on history tables of 10 000, 100 000 and 1 000 000
// rows: load (against a plain pugixml parse-and-convert of the same file), save with fsync,
// a one-year filter, a three-key sort and a clone. "bench_recordset --memory ROWS" loads one
// file in a fresh process and prints the peak and the resident memory per row.

#include "Components/Core/SysNumbers.h"
#include "Components/Core/TFormatSettings.h"
#include "Components/RecordSet/TAdoXml.h"
#include "Components/RecordSet/TRecordSet.h"
#include "HistoryGenerator.h"

#include <QDir>
#include <QFile>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstring>
#include <pugixml.hpp>

namespace {
void Configure(benchmark::internal::Benchmark* b) {
    b->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
    for (const int rows : {10000, 100000, 1000000})
        b->Args({rows})->Iterations(rows >= 1000000 ? 1 : rows >= 100000 ? 3 : 20);
}

std::unique_ptr<TRecordSet> LoadHistory(int rows) {
    auto rs = std::make_unique<TRecordSet>();
    DefineHistoryFields(*rs);
    rs->LoadFromFile(HistoryFile(rows));
    return rs;
}

void BM_Load(benchmark::State& state) {
    const QString file = HistoryFile(int(state.range(0)));
    for (auto _ : state) {
        TRecordSet rs;
        DefineHistoryFields(rs);
        rs.LoadFromFile(file);
        benchmark::DoNotOptimize(rs.RecordCount());
    }
}

// The reference: pugixml's DOM parse of the same file, then every attribute converted to its
// typed value (strings to QString).
void BM_PugixmlParseAndConvert(benchmark::State& state) {
    const QByteArray file = QFile::encodeName(HistoryFile(int(state.range(0))));
    for (auto _ : state) {
        pugi::xml_document doc;
        if (!doc.load_file(file.constData())) state.SkipWithError("parse failed");
        qint64 ints = 0;
        double reals = 0;
        qsizetype chars = 0;
        for (const pugi::xml_node row : doc.first_child().child("rs:data").children("z:row")) {
            for (const pugi::xml_attribute a : row.attributes()) {
                const char* name = a.name();
                const char* value = a.value();
                const std::string_view text(value);
                if (std::strcmp(name, "TaskCode") == 0 ||
                    std::strcmp(name, "TaskDescription") == 0) {
                    chars += QString::fromUtf8(value, qsizetype(text.size())).size();
                } else if (std::strcmp(name, "DateTimeSubmitted") == 0 ||
                           std::strcmp(name, "Duration") == 0) {
                    double d = 0;
                    IsoToDayNumber(text, d);
                    reals += d;
                } else if (std::strcmp(name, "DailyRate") == 0) {
                    qint64 units = 0;
                    TryParseCurrency(text, units);
                    ints += units;
                } else if (std::strcmp(name, "Completed") == 0) {
                    ints += text == "True";
                } else {
                    qint64 n = 0;
                    TryParseInt64(text, n);
                    ints += n;
                }
            }
        }
        benchmark::DoNotOptimize(ints);
        benchmark::DoNotOptimize(reals);
        benchmark::DoNotOptimize(chars);
    }
}

void BM_Save(benchmark::State& state) {
    auto rs = LoadHistory(int(state.range(0)));
    const QString target = QDir::temp().filePath(QStringLiteral("tivrel-bench-save.xml"));
    for (auto _ : state)
        rs->SaveToFile(target);
    QFile::remove(target);
}

void BM_FilterOneYear(benchmark::State& state) {
    auto rs = LoadHistory(int(state.range(0)));
    rs->SetFiltered(true);
    for (auto _ : state) {
        rs->SetFilter(
            QStringLiteral(" DateTimeSubmitted >= 01/01/2005 AND DateTimeSubmitted <= 31/12/2005"));
        benchmark::DoNotOptimize(rs->RecordCount());
    }
}

void BM_SortThreeKeys(benchmark::State& state) {
    auto rs = LoadHistory(int(state.range(0)));
    for (auto _ : state) {
        rs->SetSort(QStringLiteral("ClientId,ProjectNumber,TaskCode"));
        benchmark::DoNotOptimize(rs->RecordCount());
    }
}

void BM_Clone(benchmark::State& state) {
    auto rs = LoadHistory(int(state.range(0)));
    for (auto _ : state) {
        auto clone = rs->Clone();
        benchmark::DoNotOptimize(clone->RecordCount());
    }
}

// One row with very many attributes: the scanner's duplicate-attribute check, the reader's
// column lookup and the record set's field definitions must stay linear. Argument 1: 0 the
// attributes are unknown to the schema, 1 they are fields of it read into a record set with
// two of them defined, 2 they are fields of it that the record set takes from the file.
QByteArray WideRowDocument(int attributes, bool inSchema) {
    QByteArray doc = "<xml xmlns:s='uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882'"
                     " xmlns:dt='uuid:C2F41010-65B3-11d1-A29F-00AA00C14882'"
                     " xmlns:rs='urn:schemas-microsoft-com:rowset' xmlns:z='#RowsetSchema'>\n"
                     "<s:Schema id='RowsetSchema'><s:ElementType name='row' content='eltOnly'>\n"
                     "<s:AttributeType name='Id'><s:datatype dt:type='int'/></s:AttributeType>\n";
    if (inSchema)
        for (int i = 0; i < attributes; ++i)
            doc += "<s:AttributeType name='a" + QByteArray::number(i) +
                   "'><s:datatype dt:type='int'/></s:AttributeType>\n";
    doc += "</s:ElementType></s:Schema>\n<rs:data>\n<z:row Id='1'";
    for (int i = 0; i < attributes; ++i)
        doc += " a" + QByteArray::number(i) + "='" + QByteArray::number(i) + "'";
    doc += "/>\n</rs:data>\n</xml>\n";
    return doc;
}

void BM_LoadWideRow(benchmark::State& state) {
    const QByteArray doc = WideRowDocument(int(state.range(0)), state.range(1) != 0);
    for (auto _ : state) {
        TRecordSet rs;
        if (state.range(1) != 2) {
            rs.AddField(QStringLiteral("Id"), TFieldType::Integer);
            rs.AddField(QStringLiteral("a0"), TFieldType::Integer);
        }
        rs.LoadFromBytes(doc);
        benchmark::DoNotOptimize(rs.RecordCount());
    }
}

BENCHMARK(BM_PugixmlParseAndConvert)->Apply(Configure);
BENCHMARK(BM_Load)->Apply(Configure);
BENCHMARK(BM_Save)->Apply(Configure);
BENCHMARK(BM_FilterOneYear)->Apply(Configure);
BENCHMARK(BM_SortThreeKeys)->Apply(Configure);
BENCHMARK(BM_Clone)->Apply(Configure);
BENCHMARK(BM_LoadWideRow)
    ->Unit(benchmark::kMillisecond)
    ->ArgsProduct({{1000, 10000, 100000}, {0, 1, 2}});

long StatusKb(const char* key) {
    FILE* f = std::fopen("/proc/self/status", "r");
    if (!f) return -1;
    char line[256];
    long value = -1;
    while (std::fgets(line, sizeof line, f))
        if (std::strncmp(line, key, std::strlen(key)) == 0)
            value = std::atol(line + std::strlen(key));
    std::fclose(f);
    return value;
}

int MemoryReport(int rows) {
    const QString file = HistoryFile(rows);
    const long before = StatusKb("VmRSS:");
    TRecordSet rs;
    DefineHistoryFields(rs);
    rs.LoadFromFile(file);
    const long peak = StatusKb("VmHWM:");
    const long after = StatusKb("VmRSS:");
    std::printf(
        "rows %d: file %lld MB, peak during load %ld MB, resident after load %.1f bytes/row "
        "(rows hold %.1f bytes/row)\n",
        rs.RecordCount(), QFile(file).size() >> 20, peak / 1024,
        double(after - before) * 1024.0 / rows, double(rs.MemoryUsage()) / rows);
    return 0;
}
} // namespace

int main(int argc, char** argv) {
    TFormatSettings::SetCurrent(TFormatSettings::Fixed());
    if (argc == 3 && std::strcmp(argv[1], "--memory") == 0) return MemoryReport(std::atoi(argv[2]));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
