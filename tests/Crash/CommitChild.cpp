// One save that changes every stored table, cut short where the commit matrix test asks: the
// child opens the data module on a set-up store, submits the week typed into its tasks (the
// history grows, the tasks are cleared, the options move on to the next week), adds a user
// type, a manager, a user, a client, a project, a task code and a task, and saves once.
// A fault may end it at a step of the save (SIGKILL, as a crash or a power cut would) or make
// a step fail with an I/O error, after which the child ends as the program would.
//
// Usage: tivrel_commit_child DATA_DIR WORK_DIR FAULT
//   none                 the save runs through
//   kill-writing:N       killed while the Nth new file is being written
//   kill-record          killed just before the commit record is put in place
//   eio-record           the commit record cannot be put in place (EIO)
//   kill-before:N        killed just before the Nth file is put into place (renamed over its
//                        target, or its rows written into the end of its target)
//   kill-after:N         killed just after the Nth file is put into place
//   kill-halfway:N       killed when half of the rows of the Nth file (an append) are written
//   eio:N                putting the Nth file into place fails with EIO
// It prints "renames <n>" (the tables the save writes), "put rename|append <file>" for each
// file as it is put into place, and then "saved" or "failed <message>"; exit code 0 either way.

#include "CrashRows.h"

#include "BaseUnits/XEP_Messages.h"
#include "BaseUnits/XEP_Utils_Unit.h"
#include "UserLayer/Form_Submit_Week.h"
#include "UserLayer/data_Tasks_Unit.h"
#include "support/TScriptedDialogService.h"

#include "Components/Core/SysDateTime.h"
#include "Components/Core/SysExceptions.h"
#include "Components/Core/TClock.h"
#include "Components/Core/TFormatSettings.h"
#include "Components/RecordSet/TFileCommit.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <cerrno>
#include <csignal>
#include <cstdio>

namespace {
void Say(const QString& line) {
    std::fputs(qPrintable(line + QLatin1Char('\n')), stdout);
    std::fflush(stdout);
}

TField& F(TRecordSet& table, const char* name) {
    return table.FieldByName(QLatin1String(name));
}

// Every stored table changed, as one busy moment of a user's week would.
void ChangeEveryTable(TdmTasks_Form& dm) {
    TScriptedDialogService dialogs; // "Yes" to every question
    double submitDate = 0;
    const QString weekStart = FormatDayNumber(TFormatSettings::Current().ShortDateFormat,
                                              DateToDayNumber(QDate(2026, 12, 6)));
    if (!SubmitWeek(dm, dialogs, submitDate, weekStart))
        throw Exception(QStringLiteral("the week was not submitted"));

    dm.adsUserTypes.Append();
    F(dm.adsUserTypes, "UserTypeNumber").SetAsInteger(2);
    F(dm.adsUserTypes, "UserTypeDesc").SetAsString(QStringLiteral("Contractor"));
    dm.adsUserTypes.Post();

    TRecordSet& users = dm.adsUsers;
    users.Append(); // a manager: the managers table gains her row
    F(users, "FirstName").SetAsString(QStringLiteral("Mia"));
    F(users, "LastName").SetAsString(QStringLiteral("Lund"));
    F(users, "SignOn").SetAsString(QStringLiteral("mia"));
    F(users, "Password").SetAsString(QStringLiteral("m1a"));
    F(users, "UserTypeNumber").SetAsInteger(1);
    F(users, "ManagerID").SetAsInteger(-101);
    users.Post();
    const int manager = F(users, "UserID").AsInteger();
    users.Append();
    F(users, "FirstName").SetAsString(QStringLiteral("Ole"));
    F(users, "LastName").SetAsString(QStringLiteral("Berg"));
    F(users, "SignOn").SetAsString(QStringLiteral("ole"));
    F(users, "Password").SetAsString(QStringLiteral("0le"));
    F(users, "UserTypeNumber").SetAsInteger(2);
    F(users, "ManagerID").SetAsInteger(manager);
    users.Post();

    AddCrashMasters(dm, 1);
}

// The fault asked for, as a hook on the steps of the save.
TCommitFault FaultFor(const QString& fault) {
    const QString kind = fault.section(QLatin1Char(':'), 0, 0);
    const int n = fault.section(QLatin1Char(':'), 1, 1).toInt();
    auto renames = std::make_shared<int>(0);
    auto writing = std::make_shared<QString>();
    auto writes = std::make_shared<int>(0);
    return [=](TCommitStep step, const QString& file) -> int {
        switch (step) {
        case TCommitStep::WriteTemporary:
            if (*writing != file) {
                *writing = file;
                ++*writes;
            }
            if (kind == QLatin1String("kill-writing") && *writes == n) ::raise(SIGKILL);
            return 0;
        case TCommitStep::WriteRecord:
            if (kind == QLatin1String("kill-record")) ::raise(SIGKILL);
            return kind == QLatin1String("eio-record") ? EIO : 0;
        case TCommitStep::Rename:
        case TCommitStep::Append:
            ++*renames;
            Say(QStringLiteral("put %1 %2")
                    .arg(step == TCommitStep::Rename ? QStringLiteral("rename")
                                                     : QStringLiteral("append"),
                         QFileInfo(file).fileName()));
            if (kind == QLatin1String("kill-before") && *renames == n) ::raise(SIGKILL);
            return kind == QLatin1String("eio") && *renames == n ? EIO : 0;
        case TCommitStep::AppendHalfway:
            if (kind == QLatin1String("kill-halfway") && *renames == n) ::raise(SIGKILL);
            return 0;
        case TCommitStep::Renamed:
        case TCommitStep::Appended:
            if (kind == QLatin1String("kill-after") && *renames == n) ::raise(SIGKILL);
            return 0;
        }
        return 0;
    };
}

int CountRenames(TdmTasks_Form& dm) {
    // The journal's tables take their rows from the journal when the save begins.
    auto journalChanged = [&dm](const TRecordSet* table) {
        return (table == &dm.adsJournal && dm.Journal().OpenChanged()) ||
               (table == &dm.adsJournalHistory && dm.Journal().SubmittedChanged());
    };
    int n = 0;
    for (const TdmTasks_Form::TStoredTable& stored : dm.StoredTables())
        if (stored.Table->Tag == 1 || stored.Table->HasPendingChanges() ||
            journalChanged(stored.Table))
            ++n;
    return n;
}
} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 4) {
        std::fputs("Usage: tivrel_commit_child DATA_DIR WORK_DIR FAULT\n", stderr);
        return 2;
    }
    const QString workDir = QDir(args.at(2)).absolutePath();
    const QString appDir = workDir + QStringLiteral("/App/Tivrel");
    QDir().mkpath(appDir);
    QFile marker(appDir + QStringLiteral("/Portable.ini"));
    if (!marker.exists() && !marker.open(QIODevice::WriteOnly)) return 2;
    marker.close();
    SetUserSaveDirectoryOverride(workDir + QStringLiteral("/AppData"));
    SetInformationMessageHandler(
        [](const QString& text) { Say(QStringLiteral("message ") + text); });
    // Wednesday 9 December 2026, 14:30; dates as day/month/year.
    TClock::SetFixed(DateToDayNumber(QDate(2026, 12, 9)) + 14.5 / 24.0);
    TFormatSettings::SetCurrent(TFormatSettings::Fixed());

    TDataModuleOptions options;
    options.ExeName = appDir + QStringLiteral("/tivrel");
    options.DataDir = args.at(1);
    const QString registry = workDir + QStringLiteral("/registry.ini");
    options.RegistryFactory = [registry](const QString&) {
        return std::make_unique<QSettings>(registry, QSettings::IniFormat);
    };
    try {
        TdmTasks_Form dm(nullptr, options);
        ChangeEveryTable(dm);
        Say(QStringLiteral("renames %1").arg(CountRenames(dm)));
        SetCommitFault(FaultFor(args.at(3)));
        try {
            dm.SaveData();
            Say(QStringLiteral("saved"));
        } catch (const Exception& e) {
            Say(QStringLiteral("failed ") + e.Message());
        }
    } catch (const Exception& e) {
        std::fputs(qPrintable(e.Message() + QLatin1Char('\n')), stderr);
        return 1;
    }
    return 0;
}
