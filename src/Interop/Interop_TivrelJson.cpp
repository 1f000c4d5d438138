// This program's own JSON export of the history (export-history --format json), read back: an
// array of rows, one per line, each a history row with its date, task code and description,
// project, client, user and minutes, and its start, end and note where the journal had them.

#include "Interop_Source.h"

#include "Components/Core/SysDateTime.h"

#include <QDate>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

TSourceFile ReadTivrelJson(const QByteArray& text) {
    TSourceFile file;
    file.Format = QStringLiteral("Tivrel JSON");
    const TJsonElements json =
        ReadJsonArray(text, QStringLiteral("not an export of the history (a JSON array of rows)"));
    const QJsonArray& rows = json.Elements;
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const int line = json.Lines[size_t(i)];
        const QJsonObject row = rows.at(i).toObject();
        TSourceInterval interval;
        interval.Line = line;
        interval.Task = row.value(QLatin1String("taskCode")).toString();
        interval.TaskDescription = row.value(QLatin1String("taskDescription")).toString();
        interval.Project = row.value(QLatin1String("project")).toString();
        interval.Client = row.value(QLatin1String("client")).toString();
        interval.User = row.value(QLatin1String("user")).toString();
        interval.Note = row.value(QLatin1String("note")).toString();
        const QJsonValue minutes = row.value(QLatin1String("minutes"));
        if (!minutes.isDouble())
            throw TSourceError(line, QStringLiteral("the row has no number of minutes"));
        interval.HasLength = true;
        interval.MSecs = qint64(minutes.toDouble()) * 60000;
        const QString start = row.value(QLatin1String("start")).toString();
        const QString end = row.value(QLatin1String("end")).toString();
        if (!start.isEmpty() && !end.isEmpty()) {
            if (!ParseMoment(start, interval.StartUtc) || !ParseMoment(end, interval.EndUtc))
                throw TSourceError(line, QStringLiteral("\"%1\" to \"%2\" are not moments of the "
                                                        "form 2026-11-02T09:00:00+01:00")
                                             .arg(start, end));
            if (interval.MSecs == interval.EndUtc - interval.StartUtc) interval.HasLength = false;
        } else {
            const QDate date =
                QDate::fromString(row.value(QLatin1String("date")).toString(), Qt::ISODate);
            if (!date.isValid())
                throw TSourceError(line, QStringLiteral("the row has no date of the form "
                                                        "2026-11-02"));
            interval.Timed = false;
            interval.Date = DateToDayNumber(date);
        }
        file.Intervals.push_back(interval);
    }
    return file;
}
