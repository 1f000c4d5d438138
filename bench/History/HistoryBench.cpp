// bench_history [ROWS,ROWS,…]: the history's figures from one run at each history length
// (default 10 000, 100 000 and 1 000 000 rows), each printed next to its anchor and the ratio:
//
//   submit bytes      bytes written by Submit of the week shown and its save, against the
//                     history file's size (what a save that writes the history whole writes)
//   submit stall      Submit and its save on the interface thread, against the history
//                     written whole (serialised, flushed, renamed) as a save did before
//   amendment stall   a history row changed and saved: the longest the event loop waits while
//                     the history is written whole on another thread, against the whole save
//   dialog open       the history dialog over every row, against copying the table as XML
//   dialog cancel     Cancel after one row was corrected, against parsing that copy back
//   window on screen  the program started on the store until the review window is first
//                     painted, against a Qt program that shows an empty window (median of 11,
//                     alternately)
//   report 1 year     "tivrel report 1" of 2024 to PDF, against "timew summary" of the same
//                     intervals (median of 5, alternately; needs Timewarrior)
//   peak memory       the program's peak resident memory once the history is read, against
//                     the history file's size
//
// Each store is made by bench_make_store in a temporary folder (kept when TIVREL_BENCH_KEEP is
// set). Internally the program is also started as "bench_history --window-first WORKDIR": the
// program's start as its entry makes it (the same libraries, the command socket), with a
// watch that says when the review window is first painted.

#include "StoreGenerator.h"

#include "BaseUnits/XEP_Application.h"
#include "BaseUnits/XEP_DialogService.h"
#include "Interop/Interop_CommandLine.h"
#include "UserLayer/Form_History_Unit.h"
#include "UserLayer/Form_Program_Unit.h"
#include "UserLayer/Form_Submit_Unit.h"
#include "UserLayer/Form_Submit_Week.h"
#include "UserLayer/data_Tasks_Unit.h"

#include "Components/Core/SysDateTime.h"
#include "Components/Core/TFormatSettings.h"
#include "Components/RecordSet/TPreparedSave.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {
// ---- The program, started for the start-up and memory figures ----

qint64 PeakResidentKiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ').first().toLongLong();
    return -1;
}

void Say(const QByteArray& line) {
    std::fputs((line + '\n').constData(), stdout);
    std::fflush(stdout);
}

// Says "window" when the review window is first painted, then "history <peak KiB>" once the
// history has been read, and ends the program there.
class TStartWatch : public QObject {
protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!FWindowSeen && event->type() == QEvent::Paint) {
            auto* widget = qobject_cast<QWidget*>(watched);
            if (widget && qobject_cast<TForm_Submit_Form*>(widget->window())) {
                FWindowSeen = true;
                Say("window");
                auto* poll = new QTimer(this);
                connect(poll, &QTimer::timeout, this, [] {
                    if (!dmTasks_Form || !dmTasks_Form->HistoryReady()) return;
                    Say("history " + QByteArray::number(PeakResidentKiB()));
                    std::_Exit(0);
                });
                poll->start(5);
            }
        }
        return false;
    }

private:
    bool FWindowSeen = false;
};

int RunWindowFirst(int argc, char** argv, const QString& workDir) {
    PrepareProgramStart(); // as the program's entry does
    QApplication application(argc, argv);
    TStartWatch watch;
    application.installEventFilter(&watch);
    return RunProgramWindows(StoreOptions(workDir), StartCommandServer);
}

// ---- Measuring ----

struct TFigure {
    const char* Measure;
    double Value;
    double Anchor;
    const char* Unit;
    const char* Target;
};

void Print(int rows, const TFigure& figure) {
    std::printf("%9d  %-18s %12.1f %-3s %12.1f %-3s  ratio %8.4f   target %s\n", rows,
                figure.Measure, figure.Value, figure.Unit, figure.Anchor, figure.Unit,
                figure.Anchor > 0 ? figure.Value / figure.Anchor : 0.0, figure.Target);
    std::fflush(stdout);
}

double Median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double Ms(const QElapsedTimer& timer) {
    return double(timer.nsecsElapsed()) / 1e6;
}

// Bytes this process has handed to write() so far.
qint64 WrittenBytes() {
    QFile io(QStringLiteral("/proc/self/io"));
    if (!io.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& line : io.readAll().split('\n'))
        if (line.startsWith("wchar:")) return line.mid(6).trimmed().toLongLong();
    return 0;
}

// Says Yes to every question and keeps quiet but for errors; file dialogs are cancelled.
class TYesDialogs : public TSilentDialogService {
public:
    void ShowInformation(const QString&) override {}
    void ShowError(const QString& text) override {
        std::fprintf(stderr, "error: %s\n", qPrintable(text));
    }
    bool Confirm(const QString&) override { return true; }
    TDialogAnswer YesNoCancel(const QString&) override { return TDialogAnswer::Yes; }
    int Choose(const QString&, const QStringList&) override { return 0; }
};

// The longest the event loop waits while a save writes the history in the background.
double LongestWaitWhileSaving(TdmTasks_Form& dm) {
    if (!dm.HistorySaving()) return 0;
    QEventLoop loop;
    QObject::connect(&dm, &TdmTasks_Form::BackgroundSaveDone, &loop, &QEventLoop::quit);
    QTimer tick;
    tick.setInterval(1);
    QElapsedTimer gap;
    double longest = 0;
    QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
        longest = std::max(longest, Ms(gap));
        gap.restart();
    });
    gap.start();
    tick.start();
    loop.exec();
    return std::max(longest, Ms(gap));
}

void MeasureInProcess(int rows, const QString& workDir) {
    TdmTasks_Form dm(nullptr, StoreOptions(workDir));
    TRecordSet& history = dm.History();
    const QString historyFile = StoreDataDir(workDir) + QStringLiteral("Reportingfile.xml");
    const double fileSize = double(QFileInfo(historyFile).size());

    // The anchor: the history written whole, as every save that touched it did before.
    QElapsedTimer timer;
    timer.start();
    const QString whole = workDir + QStringLiteral("/Whole.xml");
    PrepareSave(history, whole, TFileAccess::Private).Commit();
    const double wholeMs = Ms(timer);
    QFile::remove(whole);
    QFile::remove(workDir + QStringLiteral("/Whole.index"));

    // Submit of the week shown (the generated tasks hold its Monday and Tuesday) and its save.
    TYesDialogs dialogs;
    double submitDate = 0;
    const QString week =
        FormatDayNumber(TFormatSettings::Current().ShortDateFormat, dm.ShownWeek());
    const int before = history.RecordCount();
    const qint64 writtenBefore = WrittenBytes();
    timer.restart();
    SubmitWeek(dm, dialogs, submitDate, week);
    const double bookMs = Ms(timer);
    dm.SaveData(TdmTasks_Form::TSaveWait::Background);
    const double submitMs = Ms(timer);
    const double written = double(WrittenBytes() - writtenBefore);
    const double submitWait = LongestWaitWhileSaving(dm);
    std::printf("%9d  (the week booked %d rows in %.1f ms, the save took %.1f ms)\n", rows,
                history.RecordCount() - before, bookMs, submitMs - bookMs);
    Print(rows, {"submit bytes", written / 1024, fileSize / 1024, "KiB", "<= 1 MiB"});
    Print(rows, {"submit stall", std::max(submitMs, submitWait), wholeMs, "ms", "<= 50 ms"});

    // A correction of an old row (the second: the first is invoiced, which cannot change):
    // the history is written whole, on another thread.
    history.SetRecNo(2);
    history.Edit();
    TField& duration = history.FieldByName(QStringLiteral("Duration"));
    duration.SetAsDateTime(duration.AsDateTime() + 1.0 / 1440);
    history.Post();
    timer.restart();
    dm.SaveData(TdmTasks_Form::TSaveWait::Background);
    const double blockMs = Ms(timer);
    const double longest = std::max(blockMs, LongestWaitWhileSaving(dm));
    const double amendMs = Ms(timer);
    Print(rows, {"amendment stall", longest, amendMs, "ms", "<= 50 ms (anchor: the save)"});

    // The history dialog over every row: open, one duration corrected, Cancel.
    timer.restart();
    const QByteArray copy = history.SaveToBytes(); // what Cancel used to need
    const double copyMs = Ms(timer);
    timer.restart();
    {
        TRecordSet parsed;
        parsed.LoadFromBytes(copy);
    }
    const double parseMs = Ms(timer);
    timer.restart();
    {
        TForm_History_Form form(dm);
        form.show();
        QCoreApplication::processEvents();
        const double openMs = Ms(timer);
        history.SetRecNo(2);
        history.Edit();
        duration.SetAsDateTime(duration.AsDateTime() + 1.0 / 1440);
        history.Post();
        timer.restart();
        form.btnCancelClick();
        QCoreApplication::processEvents();
        const double cancelMs = Ms(timer);
        Print(rows, {"dialog open", openMs, copyMs, "ms", "<= 100 ms"});
        Print(rows, {"dialog cancel", cancelMs, parseMs, "ms", "<= 100 ms"});
    }
}

struct TStart {
    double WindowMs = -1, HistoryMs = -1;
    qint64 PeakKiB = -1;
};

// Starts a program and times the lines it prints from its start.
TStart TimeStart(const QString& program, const QStringList& arguments) {
    TStart start;
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (!environment.contains(QStringLiteral("DISPLAY")))
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process.setProcessEnvironment(environment);
    QElapsedTimer timer;
    timer.start();
    process.start(program, arguments);
    QByteArray pending;
    while (process.state() != QProcess::NotRunning || process.bytesAvailable() > 0) {
        if (!process.canReadLine() && !process.waitForReadyRead(60000)) break;
        while (process.canReadLine()) {
            const QByteArray line = process.readLine().trimmed();
            if (line == "window") start.WindowMs = Ms(timer);
            if (line.startsWith("history ")) {
                start.HistoryMs = Ms(timer);
                start.PeakKiB = line.mid(8).toLongLong();
            }
        }
        if (start.WindowMs >= 0 && (start.HistoryMs >= 0 || arguments.isEmpty())) break;
    }
    process.waitForFinished(10000);
    if (process.state() != QProcess::NotRunning) process.kill();
    process.waitForFinished();
    return start;
}

double ProcessMs(const QString& program, const QStringList& arguments,
                 const QProcessEnvironment& environment) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    QElapsedTimer timer;
    timer.start();
    process.start(program, arguments);
    process.waitForFinished(600000);
    return Ms(timer);
}

void MeasureProcesses(int rows, const QString& workDir, const QString& self) {
    constexpr int Runs = 5;
    constexpr int WindowRuns = 11; // a start is short: the machine's noise weighs more
    std::vector<double> windows, hellos, histories;
    double peakKiB = 0;
    for (int run = 0; run < WindowRuns; ++run) {
        const TStart program = TimeStart(self, {QStringLiteral("--window-first"), workDir});
        windows.push_back(program.WindowMs);
        histories.push_back(program.HistoryMs);
        peakKiB = std::max(peakKiB, double(program.PeakKiB));
        hellos.push_back(TimeStart(QStringLiteral(TIVREL_HELLO_WINDOW), {}).WindowMs);
    }
    Print(rows, {"window on screen", Median(windows), Median(hellos), "ms",
                 rows <= 10000 ? "<= 2x" : "<= 3x"});
    std::printf("%9d  (the history read %.1f ms after the start)\n", rows, Median(histories));
    const double fileKiB =
        double(QFileInfo(StoreDataDir(workDir) + QStringLiteral("Reportingfile.xml")).size()) /
        1024;
    Print(rows, {"peak memory", peakKiB, fileKiB, "KiB", "<= 1.0x"});

    const QString timew = QStandardPaths::findExecutable(QStringLiteral("timew"));
    if (timew.isEmpty()) {
        std::printf("%9d  report 1 year: timew is not installed (scripts/install-deps --bench)\n",
                    rows);
        return;
    }
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("TIMEWARRIORDB"), workDir + QStringLiteral("/timewdb"));
    std::vector<double> reports, summaries;
    for (int run = 0; run < Runs; ++run) {
        reports.push_back(ProcessMs(QStringLiteral(TIVREL_PROGRAM),
                                    {QStringLiteral("--data-dir"), StoreDataDir(workDir),
                                     QStringLiteral("report"), QStringLiteral("1"),
                                     QStringLiteral("--from"), QStringLiteral("2024-01-01"),
                                     QStringLiteral("--to"), QStringLiteral("2024-12-31"),
                                     QStringLiteral("--out"), workDir + QStringLiteral("/r.pdf")},
                                    environment));
        summaries.push_back(ProcessMs(timew,
                                      {QStringLiteral("summary"), QStringLiteral("2024-01-01"),
                                       QStringLiteral("-"), QStringLiteral("2025-01-01")},
                                      environment));
    }
    Print(rows, {"report 1 year", Median(reports), Median(summaries), "ms", "<= 0.3x"});
}

void MakeBenchStore(const QString& workDir, int rows) {
    QProcess make;
    make.setProcessChannelMode(QProcess::ForwardedChannels);
    make.start(QStringLiteral(TIVREL_MAKE_STORE),
               {workDir, QString::number(rows), workDir + QStringLiteral("/timewdb")});
    make.waitForFinished(-1);
}
} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && QByteArray(argv[1]) == "--window-first")
        return RunWindowFirst(argc, argv, QString::fromLocal8Bit(argv[2]));
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    std::vector<int> sizes = {10000, 100000, 1000000};
    if (argc > 1) {
        sizes.clear();
        for (const QString& size : QString::fromLocal8Bit(argv[1]).split(QLatin1Char(',')))
            sizes.push_back(size.toInt());
    }
    std::printf("     rows  measure                   value              anchor        ratio\n");
    for (const int rows : sizes) {
        QTemporaryDir work(QDir::tempPath() + QStringLiteral("/tivrel-bench-history-XXXXXX"));
        work.setAutoRemove(qEnvironmentVariableIsEmpty("TIVREL_BENCH_KEEP"));
        const QString workDir = work.path();
        MakeBenchStore(workDir, rows);
        // The program's figures first, on the store as it was made.
        MeasureProcesses(rows, workDir, QCoreApplication::applicationFilePath());
        MeasureInProcess(rows, workDir);
    }
    return 0;
}
