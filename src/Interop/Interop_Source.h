#pragma once
// Intervals of time as other trackers' files hold them, read into one form: what the time was
// spent on (a task, a project, a client, a note) and when (a start and an end, or a day and a
// length). Each reader takes a whole file and either gives every interval of it or raises
// TSourceError naming the line and the reason: a bad file imports nothing.
//
// Readers: Timewarrior's export (JSON), Hamster's export (TSV) and its database (SQLite),
// iCalendar (KTimeTracker's file, and this program's own export), CSV (Toggl's and Clockify's
// exports, a file with date, start, end or duration, project, client, task and note columns,
// and this program's own export) and this program's own JSON export.

#include "Components/Core/SysExceptions.h"

#include <QDate>
#include <QJsonArray>
#include <QString>
#include <QStringList>
#include <QTime>
#include <vector>

struct TSourceInterval {
    int Line = 0; // where it stands in the file (1-based); a database's row number
    QString Task, Project, Client, Note, User;
    QString TaskDescription; // the task's description, where the file gives one of its own
    bool Timed = true;
    qint64 StartUtc = 0, EndUtc = 0; // timed: the real moments (milliseconds since 1970 UTC)
    double Date = 0;                 // untimed: the day (a day number at midnight)
    // The time the interval holds when the file says so apart from its start and end (a
    // duration column, a length without times; it may be negative: time taken off).
    bool HasLength = false;
    qint64 MSecs = 0;

    qint64 Length() const { return HasLength ? MSecs : EndUtc - StartUtc; }
};

struct TSourceFile {
    QString Format; // as the mapping and the summary name it: "Timewarrior", "Hamster" …
    std::vector<TSourceInterval> Intervals;
    // Intervals left out, each with its line and why (one still running in its tracker).
    QStringList LeftOut;
    // How the file was read, where it matters (the order of day and month of its dates).
    QStringList Remarks;
};

// A line of the file that cannot be read: nothing of the file is imported.
class TSourceError : public Exception {
public:
    TSourceError(int line, const QString& reason);
    int Line() const { return FLine; }
    const QString& Reason() const { return FReason; }

private:
    int FLine;
    QString FReason;
};

// The formats import-history takes by name.
const QStringList& SourceFormatNames();

// Reads a file in the format named (timewarrior, hamster, ktimetracker, csv; empty: found from
// the contents). Raises TSourceError for a line that cannot be read, Exception for a file that
// cannot be opened or a format it does not name.
TSourceFile ReadSourceFile(const QString& fileName, const QString& format);

// ---- The readers, on the file's contents ----
TSourceFile ReadTimewarrior(const QByteArray& text);
TSourceFile ReadHamsterTsv(const QByteArray& text);
TSourceFile ReadHamsterDatabase(const QString& fileName);
TSourceFile ReadICalendar(const QByteArray& text);
TSourceFile ReadCsv(const QByteArray& text);
TSourceFile ReadTivrelJson(const QByteArray& text);

// ---- Helpers the readers share ----
// Where each element of a JSON text's top-level array begins (a file that writes one element
// per line names an element by its line).
std::vector<qsizetype> JsonElementOffsets(const QByteArray& text);
// The elements of a file that is one JSON array, each with the line (1-based) it begins on.
// Text that is not JSON raises TSourceError naming the line; JSON that is no array raises it
// with notAnArray.
struct TJsonElements {
    QJsonArray Elements;
    std::vector<int> Lines;
};
TJsonElements ReadJsonArray(const QByteArray& text, const QString& notAnArray);
// The line (1-based) of a byte offset.
int LineOfOffset(const QByteArray& text, qsizetype offset);
// Tags that name a project ("project:X") or a client ("client:X") fill those; the others are
// returned in their order.
QStringList TakeProjectAndClientTags(const QStringList& tags, TSourceInterval& interval);
// The UTC moment of a local wall-clock date and time.
qint64 UtcOfLocal(const QDate& date, const QTime& time);
// A moment written as ISO 8601 ("2026-11-02T09:00:00+01:00", "…Z", "20261102T080000Z", or a
// local "2026-11-02 09:00[:ss]"); false when the text is none of these.
bool ParseMoment(const QString& text, qint64& utc);
