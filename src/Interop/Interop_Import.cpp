#include "Interop_Import.h"

#include "UserLayer/data_Tasks_History.h"
#include "UserLayer/data_Tasks_Unit.h"

#include "Components/Core/SysDateTime.h"
#include "Components/Core/TClock.h"

#include <QCryptographicHash>
#include <QDate>
#include <QDir>
#include <QSet>
#include <cmath>

namespace {
TField& F(const TRecordSet& table, const char* name) {
    return table.FieldByName(QLatin1String(name));
}

QString Folded(const QString& name) {
    return name.simplified().toLower();
}

// A task code made from a name: its letters and digits in upper case, at most 10.
QString CodeFromName(const QString& name) {
    QString code;
    for (const QChar c : name)
        if (c.isLetterOrNumber()) code += c.toUpper();
    code = code.left(10);
    return code.isEmpty() ? QStringLiteral("TASK") : code;
}

QString Minutes(qint64 msecs) {
    const qint64 minutes = std::llround(double(msecs) / 60000.0);
    return QStringLiteral("%1:%2").arg(minutes / 60).arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

qint64 NextLocalMidnight(qint64 utc) {
    return UtcOfLocalDayNumber(LocalDateOfUtc(utc) + 1);
}

// A piece of an interval that lies on one date.
struct TPiece {
    double Date = 0;
    bool Timed = true;
    qint64 StartUtc = 0, EndUtc = 0, MSecs = 0;
};

std::vector<TPiece> PiecesOf(const TSourceInterval& interval) {
    std::vector<TPiece> pieces;
    if (!interval.Timed || (interval.HasLength && interval.MSecs < 0)) {
        const double date = interval.Timed ? LocalDateOfUtc(interval.StartUtc) : interval.Date;
        if (interval.MSecs != 0) pieces.push_back({std::floor(date), false, 0, 0, interval.MSecs});
        return pieces;
    }
    // A length apart from a start and an end (a history row of gaps or typed time between its
    // first start and its last end) keeps both: the time from start to end, and the rest as
    // time without times on the start's date, so the day's total is the length.
    const bool hasEnd = interval.EndUtc > interval.StartUtc;
    const qint64 end = hasEnd ? interval.EndUtc : interval.StartUtc + interval.MSecs;
    for (qint64 from = interval.StartUtc; from < end;) {
        const qint64 to = std::min(end, NextLocalMidnight(from));
        pieces.push_back({LocalDateOfUtc(from), true, from, to, to - from});
        from = to;
    }
    const qint64 rest = interval.HasLength ? interval.MSecs - (end - interval.StartUtc) : 0;
    if (rest != 0)
        pieces.push_back({std::floor(LocalDateOfUtc(interval.StartUtc)), false, 0, 0, rest});
    return pieces;
}
} // namespace

// ---- The plan ----

struct THistoryImport::TData {
    struct TCode {
        QString Code, Description, Project; // Project: the project a new code belongs to
        int ProjectNumber = 0;
        bool New = false;
    };
    struct TNamed {
        QString Name;
        int Key = 0;
        bool New = false;
    };
    struct TPlanned {
        const TSourceInterval* Source = nullptr;
        QString Code, Project, Client; // folded keys of codes, projects, clients
        int UserId = 0;
        QString SourceKey;
        std::vector<TPiece> Pieces;
    };

    std::map<QString, TCode> Codes;     // by upper-case code
    QMap<QString, QString> CodeOfText;  // folded description -> code
    std::map<QString, TNamed> Projects; // by folded name
    std::map<QString, TNamed> Clients;  // by folded name
    QStringList Mapping;                // what each name became, in the order first met
    QSet<QString> Mapped;
    std::vector<TPlanned> Planned;
    QStringList NewCodes, NewProjects, NewClients; // in the order they are made
    double WeekStart = 0;
    int LeftOutEmpty = 0;
    std::map<std::tuple<QString, QString, QString, int, qint64>, qint64> HistoryDays;
    int OpenPieces = 0;
};

THistoryImport::THistoryImport(TdmTasks_Form& dm) : FData(std::make_unique<TData>()), FDm(dm) {}

THistoryImport::~THistoryImport() = default;

int THistoryImport::NewIntervals() const {
    return int(FData->Planned.size());
}

void THistoryImport::Plan(const TSourceFile& file) {
    TData& d = *FData;
    FFile = &file;
    // What the store holds already.
    {
        const auto codes = FDm.adsTaskCodes.Clone();
        for (codes->First(); !codes->Eof(); codes->Next()) {
            TData::TCode code;
            code.Code = F(*codes, "TaskCode").AsString().trimmed();
            code.Description = F(*codes, "TaskDescription").AsString();
            code.ProjectNumber = F(*codes, "ProjectNumber").AsInteger();
            d.Codes.insert({code.Code.toUpper(), code});
            if (!code.Description.trimmed().isEmpty())
                d.CodeOfText.insert(Folded(code.Description), code.Code.toUpper());
        }
        const std::pair<TRecordSet*, std::map<QString, TData::TNamed>*> named[] = {
            {&FDm.adsProjects, &d.Projects}, {&FDm.adsClients, &d.Clients}};
        for (const auto& [table, names] : named) {
            const bool projects = table == &FDm.adsProjects;
            const auto rows = table->Clone();
            for (rows->First(); !rows->Eof(); rows->Next()) {
                const QString name = F(*rows, projects ? "ProjectName" : "ClientName").AsString();
                const int key = F(*rows, projects ? "ProjectNumber" : "ClientId").AsInteger();
                names->insert({Folded(name), {name, key, false}});
            }
        }
    }
    QSet<QString> known;
    for (const auto* rows : {&FDm.Journal().OpenRows(), &FDm.Journal().SubmittedRows()})
        for (const TTimeEntry& entry : *rows)
            if (!entry.Source.isEmpty()) known.insert(entry.Source);
    d.WeekStart = FDm.WeekOf(TClock::Today());
    const int timesheetUser = FDm.TimesheetUserID();

    auto note = [&d](const QString& line) {
        if (d.Mapped.contains(line)) return;
        d.Mapped.insert(line);
        d.Mapping << line;
    };
    auto mapNamed = [&](std::map<QString, TData::TNamed>& names, QStringList& made,
                        const QString& name, const char* what) -> QString {
        if (name.trimmed().isEmpty()) return {};
        const QString folded = Folded(name);
        auto found = names.find(folded);
        if (found == names.end()) {
            found = names.insert({folded, {name.simplified().left(20), 0, true}}).first;
            made << folded;
        }
        note(QStringLiteral("%1 \"%2\" -> %1 %3%4")
                 .arg(QLatin1String(what), name.simplified(), found->second.Name,
                      found->second.New ? QStringLiteral(" (new)") : QString()));
        return folded;
    };
    auto mapTask = [&](const TSourceInterval& interval) -> QString {
        const QString name = interval.Task.simplified().isEmpty() ? QStringLiteral("Imported")
                                                                  : interval.Task.simplified();
        QString code;
        if (d.Codes.count(name.toUpper()))
            code = name.toUpper();
        else if (d.CodeOfText.contains(Folded(name)))
            code = d.CodeOfText.value(Folded(name));
        if (code.isEmpty()) {
            const QString base = CodeFromName(name);
            code = base;
            for (int n = 2; d.Codes.count(code); ++n)
                code = base.left(10 - QString::number(n).size()) + QString::number(n);
            TData::TCode made;
            made.Code = code;
            made.Description =
                (interval.TaskDescription.isEmpty() ? name : interval.TaskDescription).left(75);
            made.Project = Folded(interval.Project);
            made.New = true;
            d.Codes.insert({code, made});
            d.CodeOfText.insert(Folded(name), code);
            d.NewCodes << code;
        }
        const TData::TCode& mapped = d.Codes.at(code);
        note(QStringLiteral("task \"%1\" -> task code %2%3")
                 .arg(name, mapped.Code,
                      mapped.New ? QStringLiteral(" (new: \"%1\")").arg(mapped.Description)
                                 : QString()));
        return code;
    };
    auto userOf = [&](const QString& name) {
        if (name.trimmed().isEmpty()) return timesheetUser;
        const auto users = FDm.adsUsers.Clone();
        for (users->First(); !users->Eof(); users->Next())
            if (Folded(F(*users, "UserName").AsString()) == Folded(name) ||
                Folded(F(*users, "SignOn").AsString()) == Folded(name))
                return F(*users, "UserID").AsInteger();
        return timesheetUser;
    };

    QMap<QString, int> occurrences;
    for (const TSourceInterval& interval : file.Intervals) {
        TData::TPlanned planned;
        planned.Source = &interval;
        planned.Code = mapTask(interval);
        planned.Project = mapNamed(d.Projects, d.NewProjects, interval.Project, "project");
        planned.Client = mapNamed(d.Clients, d.NewClients, interval.Client, "client");
        planned.UserId = userOf(interval.User);
        planned.Pieces = PiecesOf(interval);
        if (planned.Pieces.empty()) {
            ++d.LeftOutEmpty;
            continue;
        }
        // Where the interval came from, as the journal keeps it.
        const QString identity =
            (interval.Timed ? QStringLiteral("T|%1|%2").arg(interval.StartUtc).arg(interval.EndUtc)
                            : QStringLiteral("D|%1").arg(qint64(interval.Date))) +
            QStringLiteral("|%1|%2|%3|%4")
                .arg(interval.Length())
                .arg(planned.Code, planned.Project, planned.Client);
        const int count = ++occurrences[identity];
        planned.SourceKey = QString::fromLatin1(
            QCryptographicHash::hash((identity + QStringLiteral("|%1").arg(count)).toUtf8(),
                                     QCryptographicHash::Sha1)
                .toHex());
        if (known.contains(planned.SourceKey)) {
            ++FKnown;
            continue;
        }
        for (const TPiece& piece : planned.Pieces) {
            FPerMonth[DayNumberToDate(piece.Date).toString(QStringLiteral("yyyy-MM"))] +=
                piece.MSecs;
            if (piece.Date >= d.WeekStart)
                ++d.OpenPieces;
            else
                d.HistoryDays[{planned.Code, planned.Project, planned.Client, planned.UserId,
                               qint64(piece.Date)}] += piece.MSecs;
        }
        d.Planned.push_back(std::move(planned));
    }
}

// ---- Making it ----

namespace {
// Appends a row to a master table through its rules (new keys, required fields); returns the
// value of its key field.
int AppendNamed(TRecordSet& table, const char* nameField, const QString& name,
                const char* keyField) {
    table.Append();
    F(table, nameField).SetAsString(name);
    table.Post();
    return F(table, keyField).AsInteger();
}

// The task row of a code, made when the list has none; the table is left on it.
void GoToTaskRow(TdmTasks_Form& dm, const QString& code, int project, int client) {
    TRecordSet& tasks = dm.adsTasks;
    tasks.CheckBrowseMode();
    TLocateOptions options;
    options.CaseInsensitive = true;
    if (tasks.Locate(QStringLiteral("TaskCode"), code, options)) return;
    tasks.Append();
    F(tasks, "TaskCode").SetAsString(code); // the code's description and project follow
    if (project != 0) F(tasks, "ProjectNumber").SetAsInteger(project);
    F(tasks, "ClientId").SetAsInteger(client);
    tasks.Post();
}
} // namespace

void THistoryImport::Apply() {
    TData& d = *FData;
    for (const QString& folded : d.NewClients) {
        TData::TNamed& client = d.Clients.at(folded);
        client.Key = AppendNamed(FDm.adsClients, "ClientName", client.Name, "ClientId");
    }
    for (const QString& folded : d.NewProjects) {
        TData::TNamed& project = d.Projects.at(folded);
        project.Key = AppendNamed(FDm.adsProjects, "ProjectName", project.Name, "ProjectNumber");
    }
    for (const QString& code : d.NewCodes) {
        TData::TCode& made = d.Codes.at(code);
        if (!made.Project.isEmpty()) made.ProjectNumber = d.Projects.at(made.Project).Key;
        TRecordSet& codes = FDm.adsTaskCodes;
        codes.Append();
        F(codes, "TaskCode").SetAsString(made.Code);
        F(codes, "TaskDescription").SetAsString(made.Description);
        F(codes, "ProjectNumber").SetAsInteger(made.ProjectNumber);
        codes.Post();
    }
    auto projectOf = [&](const TData::TPlanned& planned) {
        return planned.Project.isEmpty() ? d.Codes.at(planned.Code).ProjectNumber
                                         : d.Projects.at(planned.Project).Key;
    };
    auto clientOf = [&](const TData::TPlanned& planned) {
        return planned.Client.isEmpty() ? 0 : d.Clients.at(planned.Client).Key;
    };

    // The history: one booking per task and day, in whole minutes.
    if (!d.HistoryDays.empty()) {
        const double from = double(std::get<4>(d.HistoryDays.begin()->first));
        double to = from;
        for (const auto& [key, msecs] : d.HistoryDays)
            to = std::max(to, double(std::get<4>(key)) + 1);
        THistoryBook book(FDm.History(), from, to);
        const double now = TClock::Now();
        for (const TData::TPlanned& planned : d.Planned) {
            for (const TPiece& piece : planned.Pieces) {
                if (piece.Date >= d.WeekStart) continue;
                const auto key = std::make_tuple(planned.Code, planned.Project, planned.Client,
                                                 planned.UserId, qint64(piece.Date));
                const auto day = d.HistoryDays.find(key);
                if (day == d.HistoryDays.end()) continue; // booked already
                const qint64 minutes = std::llround(double(day->second) / 60000.0);
                d.HistoryDays.erase(day);
                if (minutes <= 0) continue;
                THistoryBooking booking;
                const TData::TCode& code = d.Codes.at(planned.Code);
                booking.TaskCode = code.Code;
                booking.TaskDescription = code.Description;
                booking.DateTimeCreated = booking.DateTimeAmended = now;
                booking.ProjectNumber = projectOf(planned);
                booking.ClientId = clientOf(planned);
                booking.UserId = planned.UserId;
                booking.Date = piece.Date;
                booking.Duration = double(minutes) / MinutesPerDay;
                book.Book(booking);
            }
        }
    }

    // The entries: submitted ones beside the history, open ones in the weeks not submitted.
    TTimeJournal& journal = FDm.Journal();
    for (const TData::TPlanned& planned : d.Planned) {
        for (const TPiece& piece : planned.Pieces) {
            TTimeEntry entry;
            entry.Kind = TEntryKind::Imported;
            entry.WorkDate = piece.Date;
            entry.Timed = piece.Timed;
            entry.StartUtc = piece.StartUtc;
            entry.EndUtc = piece.EndUtc;
            if (piece.Timed) {
                entry.StartOffset = UtcOffsetMinutesAt(piece.StartUtc);
                entry.EndOffset = UtcOffsetMinutesAt(piece.EndUtc);
            } else {
                entry.TypedMSecs = piece.MSecs;
            }
            entry.Note = planned.Source->Note;
            entry.Source = planned.SourceKey;
            if (piece.Date < d.WeekStart) {
                entry.Task = {0, d.Codes.at(planned.Code).Code, projectOf(planned),
                              clientOf(planned)};
                journal.AddSubmitted(entry);
                continue;
            }
            GoToTaskRow(FDm, d.Codes.at(planned.Code).Code, projectOf(planned), clientOf(planned));
            entry.Task = FDm.JournalTaskOfRow(FDm.adsTasks);
            journal.AddEntry(entry);
        }
    }
    if (!FDm.adsTasks.IsEmpty()) FDm.adsTasks.Edit();
    FDm.RefreshCells();
}

QString THistoryImport::Summary(const QString& fileName, bool dryRun) const {
    const TData& d = *FData;
    QStringList lines;
    lines << QStringLiteral("Read %1 intervals from %2 (%3).")
                 .arg(FFile->Intervals.size() + FFile->LeftOut.size())
                 .arg(QDir::toNativeSeparators(fileName), FFile->Format);
    for (const QString& remark : FFile->Remarks)
        lines << QStringLiteral("Note: %1.").arg(remark);
    for (const QString& leftOut : FFile->LeftOut)
        lines << QStringLiteral("Left out, %1.").arg(leftOut);
    if (d.LeftOutEmpty > 0)
        lines << QStringLiteral("Left out, %1 intervals without time.").arg(d.LeftOutEmpty);
    if (!d.Mapping.isEmpty()) {
        lines << QStringLiteral("Mapping:");
        for (const QString& line : d.Mapping)
            lines << QStringLiteral("  ") + line;
    }
    if (!FPerMonth.isEmpty()) {
        lines << QStringLiteral("Hours per month:");
        for (auto it = FPerMonth.cbegin(); it != FPerMonth.cend(); ++it)
            lines << QStringLiteral("  %1  %2  %3")
                         .arg(it.key(), Minutes(it.value()).rightJustified(7))
                         .arg(double(it.value()) / 3600000.0, 8, 'f', 2);
    }
    int historyDays = 0;
    QSet<QString> seen;
    for (const TData::TPlanned& planned : d.Planned)
        for (const TPiece& piece : planned.Pieces)
            if (piece.Date < d.WeekStart)
                seen.insert(QStringLiteral("%1|%2|%3|%4|%5")
                                .arg(planned.Code, planned.Project, planned.Client)
                                .arg(planned.UserId)
                                .arg(qint64(piece.Date)));
    historyDays = int(seen.size());
    const QString what =
        QStringLiteral("%1 intervals: %2 days of tasks into the history, %3 entries into the "
                       "weeks not submitted yet")
            .arg(d.Planned.size())
            .arg(historyDays)
            .arg(d.OpenPieces);
    lines << (dryRun ? QStringLiteral("Would import ") : QStringLiteral("Imported ")) + what +
                 QLatin1Char('.');
    if (!d.NewCodes.isEmpty() || !d.NewProjects.isEmpty() || !d.NewClients.isEmpty())
        lines << QStringLiteral("%1 %2 task codes, %3 projects, %4 clients.")
                     .arg(dryRun ? QStringLiteral("Would add") : QStringLiteral("Added"))
                     .arg(d.NewCodes.size())
                     .arg(d.NewProjects.size())
                     .arg(d.NewClients.size());
    if (FKnown > 0)
        lines << QStringLiteral("%1 intervals were imported before and are left out.").arg(FKnown);
    if (dryRun) lines << QStringLiteral("Nothing was written (--dry-run).");
    return lines.join(QLatin1Char('\n'));
}
