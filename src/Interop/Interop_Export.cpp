#include "Interop_Export.h"

#include "UserLayer/data_Tasks_Unit.h"

#include "Components/Core/SysDateTime.h"
#include "Components/GridExport/TCsvGridExport.h"

#include <QDate>
#include <QDateTime>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QTimeZone>
#include <cmath>
#include <map>
#include <tuple>

namespace {
TField& F(const TRecordSet& table, const char* name) {
    return table.FieldByName(QLatin1String(name));
}

using TRowKey = std::tuple<QString, int, int, qint64>; // code, project, client, date

// The submitted entries of the range, by the history row they belong to.
std::map<TRowKey, std::vector<const TTimeEntry*>> EntriesByRow(const TTimeJournal& journal,
                                                               double from, double to) {
    std::map<TRowKey, std::vector<const TTimeEntry*>> entries;
    for (const TTimeEntry& entry : journal.SubmittedRows()) {
        if (entry.WorkDate < from || entry.WorkDate >= to + 1) continue;
        entries[{entry.Task.TaskCode.trimmed().toUpper(), entry.Task.ProjectNumber,
                 entry.Task.ClientId, qint64(std::floor(entry.WorkDate))}]
            .push_back(&entry);
    }
    return entries;
}

void AddEntries(THistoryExportRow& row, const std::vector<const TTimeEntry*>& entries) {
    QStringList notes;
    for (const TTimeEntry* entry : entries) {
        if (!entry->Note.trimmed().isEmpty() && !notes.contains(entry->Note.trimmed()))
            notes << entry->Note.trimmed();
        if (!entry->HasTimes()) continue;
        if (!row.HasTimes || entry->StartUtc < row.StartUtc) {
            row.StartUtc = entry->StartUtc;
            row.StartOffset = entry->StartOffset;
        }
        if (!row.HasTimes || entry->EndUtc > row.EndUtc) {
            row.EndUtc = entry->EndUtc;
            row.EndOffset = entry->EndOffset;
        }
        row.HasTimes = true;
    }
    row.Note = notes.join(QStringLiteral("; "));
}

QString Hours(qint64 minutes) {
    return QString::number(double(minutes) / 60.0, 'f', 2);
}
} // namespace

QString MomentText(qint64 utc, int offsetMinutes) {
    return QDateTime::fromMSecsSinceEpoch(utc, QTimeZone(offsetMinutes * 60)).toString(Qt::ISODate);
}

std::vector<THistoryExportRow> GatherHistory(TdmTasks_Form& dm, double from, double to) {
    const auto entries = EntriesByRow(dm.Journal(), from, to);
    const auto history = dm.History().Clone();
    history->SetFilter(QStringLiteral("DateTimeSubmitted >= %1 AND DateTimeSubmitted < %2")
                           .arg(DateToStr(from), DateToStr(to + 1)));
    history->SetFiltered(true);
    history->SetSort(QStringLiteral("DateTimeSubmitted"));
    std::vector<THistoryExportRow> rows;
    for (history->First(); !history->Eof(); history->Next()) {
        THistoryExportRow row;
        row.Date = std::floor(F(*history, "DateTimeSubmitted").AsDateTime());
        row.TaskCode = F(*history, "TaskCode").AsString();
        row.TaskDescription = F(*history, "TaskDescription").AsString();
        row.Project = F(*history, "ProjectName").AsString();
        row.Client = F(*history, "ClientName").AsString();
        row.User = F(*history, "UserName").AsString().trimmed(); // " Guest 1": no first name
        row.Minutes = std::llround(F(*history, "Duration").AsFloat() * MinutesPerDay);
        const auto found = entries.find({row.TaskCode.trimmed().toUpper(),
                                         F(*history, "ProjectNumber").AsInteger(),
                                         F(*history, "ClientId").AsInteger(), qint64(row.Date)});
        if (found != entries.end()) AddEntries(row, found->second);
        rows.push_back(row);
    }
    return rows;
}

bool ExportFormatOf(const QString& name, const QString& fileName, TExportFormat& format,
                    QString& error) {
    QString chosen = name.toLower();
    if (chosen.isEmpty()) {
        const QString suffix = QFileInfo(fileName).suffix().toLower();
        if (suffix == QLatin1String("csv")) chosen = QStringLiteral("csv");
        if (suffix == QLatin1String("json")) chosen = QStringLiteral("json");
        if (suffix == QLatin1String("ics") || suffix == QLatin1String("ical"))
            chosen = QStringLiteral("ical");
        if (chosen.isEmpty()) {
            error = QStringLiteral("say which format to write with --format csv, json or ical "
                                   "(or end the file name in .csv, .json or .ics)");
            return false;
        }
    }
    if (chosen == QLatin1String("csv"))
        format = TExportFormat::Csv;
    else if (chosen == QLatin1String("json"))
        format = TExportFormat::Json;
    else if (chosen == QLatin1String("ical") || chosen == QLatin1String("ics") ||
             chosen == QLatin1String("icalendar"))
        format = TExportFormat::ICalendar;
    else {
        error = QStringLiteral("unknown format '%1': the formats are csv, json and ical").arg(name);
        return false;
    }
    return true;
}

QByteArray HistoryAsCsv(const std::vector<THistoryExportRow>& rows) {
    const QChar comma(QLatin1Char(','));
    QStringList lines;
    lines << QStringLiteral("Date,Task Code,Task Description,Project,Client,User,Minutes,Hours,"
                            "Start,End,Note");
    for (const THistoryExportRow& row : rows) {
        QStringList cells = {DayNumberToDate(row.Date).toString(Qt::ISODate),
                             row.TaskCode,
                             row.TaskDescription,
                             row.Project,
                             row.Client,
                             row.User,
                             QString::number(row.Minutes),
                             Hours(row.Minutes),
                             row.HasTimes ? MomentText(row.StartUtc, row.StartOffset) : QString(),
                             row.HasTimes ? MomentText(row.EndUtc, row.EndOffset) : QString(),
                             row.Note};
        for (QString& cell : cells)
            cell = TCsvGridExport::Quoted(cell, comma);
        lines << cells.join(comma);
    }
    return (lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8();
}

QByteArray HistoryAsJson(const std::vector<THistoryExportRow>& rows) {
    QByteArray text = "[\n";
    bool first = true;
    for (const THistoryExportRow& row : rows) {
        QJsonObject object{
            {QStringLiteral("date"), DayNumberToDate(row.Date).toString(Qt::ISODate)},
            {QStringLiteral("taskCode"), row.TaskCode},
            {QStringLiteral("taskDescription"), row.TaskDescription},
            {QStringLiteral("project"), row.Project},
            {QStringLiteral("client"), row.Client},
            {QStringLiteral("user"), row.User},
            {QStringLiteral("minutes"), double(row.Minutes)},
            {QStringLiteral("hours"), double(row.Minutes) / 60.0}};
        if (row.HasTimes) {
            object.insert(QStringLiteral("start"), MomentText(row.StartUtc, row.StartOffset));
            object.insert(QStringLiteral("end"), MomentText(row.EndUtc, row.EndOffset));
        }
        if (!row.Note.isEmpty()) object.insert(QStringLiteral("note"), row.Note);
        if (!first) text += ",\n";
        first = false;
        text += QJsonDocument(object).toJson(QJsonDocument::Compact);
    }
    text += "\n]\n";
    return text;
}
