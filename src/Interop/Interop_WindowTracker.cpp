#include "Interop_WindowTracker.h"

#include "UserLayer/Form_Main_Unit.h"
#include "UserLayer/Form_Submit_Unit.h"
#include "UserLayer/Frame_TimeTracker_Unit.h"
#include "UserLayer/data_Tasks_Unit.h"

#include "Components/Core/SysDateTime.h"
#include "Components/Core/SysExceptions.h"
#include "Components/Core/TClock.h"
#include "Components/DataControls/TDataSource.h"

#include <QApplication>

namespace {
TForm_Submit_Form* ReviewWindow() {
    for (QWidget* window : QApplication::topLevelWidgets())
        if (auto* review = qobject_cast<TForm_Submit_Form*>(window)) return review;
    return nullptr;
}

// Why the windows cannot take a command now; empty when they can.
QString Busy(TForm_Main_Form& main, TdmTasks_Form& dm) {
    if (dm.SetupRequired())
        return QStringLiteral("Tivrel is being set up: close the setup with OK first.");
    const QWidget* modal = QApplication::activeModalWidget();
    if (modal && modal != &main && modal != ReviewWindow())
        return QStringLiteral("Tivrel has a window open (\"%1\"): close it, then try again.")
            .arg(modal->windowTitle());
    if (dm.adsTasks.State() == TDataSetState::Insert)
        return QStringLiteral("A new task is being typed into Tivrel's list: finish it, then "
                              "try again.");
    return {};
}

QString ClockText(qint64 utc) {
    return FormatDayNumber(QStringLiteral("hh:mm"), LocalDayNumberOfUtc(utc));
}

TTrackerReply Reply(TForm_Main_Form& main, TdmTasks_Form& dm, const QString& prefix) {
    TTrackerReply reply;
    reply.Status = TrackerStatus(dm, main.Paused(), true);
    reply.Text = prefix + StatusText(reply.Status);
    return reply;
}

// The row of the code becomes the active one, as a click on its Active box makes it: the
// cell being typed into is written first, and the tracker follows at once.
void Activate(TForm_Main_Form& main, TdmTasks_Form& dm, const QString& code) {
    if (TForm_Submit_Form* review = ReviewWindow(); review && review->isVisible())
        if (!review->Frame_TimeTracker_Form1->dsTasks->UpdateRecord())
            throw Exception(QStringLiteral("The cell being typed into in Tivrel holds a value it "
                                           "refuses: correct it, then try again."));
    if (!main.Frame_TimeTracker_Form1->dsTasks->UpdateRecord())
        throw Exception(QStringLiteral("The cell being typed into in Tivrel holds a value it "
                                       "refuses: correct it, then try again."));
    GoToTaskOfCode(dm, code);
    TRecordSet& tasks = dm.adsTasks;
    tasks.Edit();
    tasks.FieldByName(QStringLiteral("Active")).SetAsBoolean(true);
    main.Frame_TimeTracker_Form1->dbcbxActiveRelease(); // posts; the tracker follows
}
} // namespace

TTrackerReply RunOnWindows(TForm_Main_Form& main, const TTrackerRequest& request) {
    TdmTasks_Form& dm = *dmTasks_Form;
    const QString& command = request.Command;
    if (command == QLatin1String("status")) return Reply(main, dm, QString());
    if (const QString busy = Busy(main, dm); !busy.isEmpty()) return TTrackerReply::Failure(busy);
    const qint64 now = TClock::NowUtcMSecs();
    try {
        if (command == QLatin1String("stop")) {
            if (main.Paused()) return Reply(main, dm, QStringLiteral("Already paused: "));
            main.aPauseRestartExecute();
            return Reply(main, dm, QStringLiteral("Paused at %1: ").arg(ClockText(now)));
        }
        if (command == QLatin1String("note")) {
            const TTimeEntry* found = EntryForNote(dm);
            if (!found)
                return TTrackerReply::Failure(QStringLiteral("No entry today to put the note on: "
                                                             "start a task first."));
            TTimeEntry entry = *found;
            entry.Note = request.Argument;
            dm.Journal().UpdateEntry(entry);
            dm.FlushJournal();
            return Reply(main, dm,
                         QStringLiteral("Note on %1 (from %2): ")
                             .arg(entry.Task.TaskCode, ClockText(entry.StartUtc)));
        }
        const bool start = command == QLatin1String("start");
        if (!request.Argument.isEmpty()) Activate(main, dm, request.Argument);
        if (dm.ActiveTasks().empty())
            return TTrackerReply::Failure(QStringLiteral("No task is active: say which one, as "
                                                         "in \"tivrel start CODE\"."));
        if (start && main.Paused()) main.aPauseRestartExecute();
        return Reply(
            main, dm,
            (start ? QStringLiteral("Tracking from %1: ") : QStringLiteral("Switched at %1: "))
                .arg(ClockText(now)));
    } catch (const Exception& e) {
        return TTrackerReply::Failure(e.Message());
    }
}
