#pragma once
// export-history: every history row of a range of dates, with its date, task code and
// description, project, client, user and duration in minutes and in decimal hours, and the
// start, end and note of its entries where the journal has them (the first start and the last
// end of the row's submitted entries, their notes joined). As CSV, JSON (an array of rows, one
// per line) or iCalendar (VERSION:2.0, times in UTC, a row without times as a day's event;
// the row's values in X-TIVREL- properties so that import-history reads it back).

#include <QString>
#include <vector>

class QIODevice;
class TdmTasks_Form;

struct THistoryExportRow {
    double Date = 0;
    QString TaskCode, TaskDescription, Project, Client, User, Note;
    qint64 Minutes = 0;
    bool HasTimes = false;
    qint64 StartUtc = 0, EndUtc = 0;
    int StartOffset = 0, EndOffset = 0; // minutes east of UTC at either end
};

// The history rows dated from from to to (both days included), in date order.
std::vector<THistoryExportRow> GatherHistory(TdmTasks_Form& dm, double from, double to);

enum class TExportFormat { Csv, Json, ICalendar };

// The format named ("csv", "json", "ical"), or taken from the file's extension when none is
// named; false with the reason when neither says.
bool ExportFormatOf(const QString& name, const QString& fileName, TExportFormat& format,
                    QString& error);

QByteArray HistoryAsCsv(const std::vector<THistoryExportRow>& rows);
QByteArray HistoryAsJson(const std::vector<THistoryExportRow>& rows);
QByteArray HistoryAsICalendar(const std::vector<THistoryExportRow>& rows);

// A moment as ISO 8601 with its offset from UTC ("2026-11-02T09:00:00+01:00").
QString MomentText(qint64 utc, int offsetMinutes);
