#include "Form_HistoryWait_Unit.h"

#include "BaseUnits/XEP_AppGlobals.h"
#include "data_Tasks_Unit.h"

#include <QEventLoop>
#include <QProgressDialog>
#include <QTimer>

namespace {
// Shown only when the waiting lasts longer than this, so that a short one shows nothing.
constexpr int QuietWait = 150;

bool HistoryThere(const TdmTasks_Form& dm, THistoryNeed need) {
    return dm.HistoryReady() && (need == THistoryNeed::Read || !dm.HistorySaving());
}
} // namespace

bool AwaitHistory(TdmTasks_Form& dm, QWidget* parent, THistoryNeed need) {
    if (HistoryThere(dm, need)) return true;
    dm.StartHistoryReading();
    QProgressDialog wait(parent);
    wait.setObjectName(QStringLiteral("HistoryWait"));
    wait.setWindowTitle(ApplicationTitle());
    wait.setWindowModality(Qt::WindowModal);
    wait.setRange(0, 0); // no end known: a moving bar
    wait.setAutoClose(false);
    wait.setAutoReset(false);
    // Shown from a timer of its own: a dialog without a known end never reaches the value
    // that would show it by itself.
    wait.setMinimumDuration(QuietWait);
    QTimer::singleShot(QuietWait, &wait, [&wait] { wait.show(); });
    auto sayWhy = [&] {
        wait.setLabelText(dm.HistoryReady() ? QStringLiteral("Saving the history\u2026")
                                            : QStringLiteral("Reading the history\u2026"));
    };
    sayWhy();
    QEventLoop loop;
    bool cancelled = false;
    auto check = [&] {
        if (HistoryThere(dm, need))
            loop.quit();
        else
            sayWhy();
    };
    QObject::connect(&dm, &TdmTasks_Form::HistoryLoaded, &loop, check);
    QObject::connect(&dm, &TdmTasks_Form::BackgroundSaveDone, &loop, check);
    QObject::connect(&wait, &QProgressDialog::canceled, &loop, [&] {
        cancelled = true;
        loop.quit();
    });
    // The signal may have come between the first look and now.
    QTimer::singleShot(0, &loop, check);
    loop.exec();
    return !cancelled && HistoryThere(dm, need);
}
