// bench_make_store WORKDIR ROWS [TIMEWDB]: writes a set-up store with ROWS generated history
// rows into WORKDIR (data in WORKDIR/Store/), and, when TIMEWDB is given, the same rows as
// Timewarrior intervals in TIMEWDB (data/YYYY-MM.data and an empty timewarrior.cfg): each
// row an interval of its duration starting at 09:00 on its submission day, tagged with its
// task code and project.

#include "StoreGenerator.h"

#include "Components/Core/SysDateTime.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTimeZone>
#include <cstdio>
#include <map>
#include <memory>

namespace {
void WriteTimewDatabase(TdmTasks_Form& dm, const QString& dbDir) {
    QDir().mkpath(dbDir + QStringLiteral("/data"));
    QFile config(dbDir + QStringLiteral("/timewarrior.cfg"));
    config.open(QIODevice::WriteOnly);
    config.write("verbose = off\n");
    std::map<QString, std::unique_ptr<QFile>> files;
    TRecordSet& h = dm.adsReporting;
    TField& submitted = h.FieldByName(QStringLiteral("DateTimeSubmitted"));
    TField& duration = h.FieldByName(QStringLiteral("Duration"));
    TField& code = h.FieldByName(QStringLiteral("TaskCode"));
    TField& project = h.FieldByName(QStringLiteral("ProjectNumber"));
    const QString format = QStringLiteral("yyyyMMdd'T'HHmmss'Z'");
    for (h.First(); !h.Eof(); h.Next()) {
        const QDate day = DayNumberToDate(submitted.AsDateTime());
        const QDateTime start(day, QTime(9, 0), Qt::UTC);
        const QDateTime end = start.addSecs(qRound64(duration.AsFloat() * 86400));
        const QString name = dbDir + QStringLiteral("/data/") +
                             day.toString(QStringLiteral("yyyy-MM")) + QStringLiteral(".data");
        auto& file = files[name];
        if (!file) {
            file = std::make_unique<QFile>(name);
            file->open(QIODevice::Append);
        }
        file->write(QStringLiteral("inc %1 - %2 # %3 P%4\n")
                        .arg(start.toString(format), end.toString(format), code.AsString())
                        .arg(-project.AsInteger())
                        .toUtf8());
    }
}
} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_make_store WORKDIR ROWS [TIMEWDB]\n");
        return 2;
    }
    const QString workDir = QString::fromLocal8Bit(argv[1]);
    TStoreShape shape;
    shape.HistoryRows = QString::fromLocal8Bit(argv[2]).toInt();
    MakeStore(workDir, shape);
    if (argc > 3) {
        TdmTasks_Form dm(nullptr, StoreOptions(workDir));
        WriteTimewDatabase(dm, QString::fromLocal8Bit(argv[3]));
    }
    return 0;
}
