// Timewarrior's export ("timew export"): a JSON array of intervals, one per line, each with its
// start and end in UTC ("20261102T080000Z"), its tags and an annotation. An interval without
// an end is still being tracked and is left out.

#include "Interop_Source.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {
qint64 Moment(const QJsonObject& object, const char* name, int line) {
    const QString text = object.value(QLatin1String(name)).toString();
    qint64 utc = 0;
    if (!ParseMoment(text, utc))
        throw TSourceError(line, QStringLiteral("\"%1\" is not a moment of the form "
                                                "20261102T080000Z (the interval's %2)")
                                     .arg(text, QLatin1String(name)));
    return utc;
}
} // namespace

TSourceFile ReadTimewarrior(const QByteArray& text) {
    TSourceFile file;
    file.Format = QStringLiteral("Timewarrior");
    const TJsonElements json = ReadJsonArray(
        text, QStringLiteral("not a Timewarrior export (a JSON array of intervals, as \"timew "
                             "export\" writes it)"));
    const QJsonArray& intervals = json.Elements;
    for (qsizetype i = 0; i < intervals.size(); ++i) {
        const int line = json.Lines[size_t(i)];
        if (!intervals.at(i).isObject())
            throw TSourceError(line, QStringLiteral("an interval is a JSON object"));
        const QJsonObject object = intervals.at(i).toObject();
        if (!object.contains(QLatin1String("start")))
            throw TSourceError(line, QStringLiteral("the interval has no start"));
        TSourceInterval interval;
        interval.Line = line;
        interval.StartUtc = Moment(object, "start", line);
        QStringList tags;
        for (const QJsonValue& tag : object.value(QLatin1String("tags")).toArray())
            tags << tag.toString();
        interval.Task = TakeProjectAndClientTags(tags, interval).join(QLatin1Char(' '));
        interval.Note = object.value(QLatin1String("annotation")).toString();
        if (!object.contains(QLatin1String("end"))) {
            file.LeftOut << QStringLiteral("line %1: %2 is still being tracked in Timewarrior "
                                           "(stop it there, then import again)")
                                .arg(line)
                                .arg(interval.Task.isEmpty() ? QStringLiteral("an interval")
                                                             : interval.Task);
            continue;
        }
        interval.EndUtc = Moment(object, "end", line);
        if (interval.EndUtc < interval.StartUtc)
            throw TSourceError(line, QStringLiteral("the interval ends before it starts"));
        file.Intervals.push_back(interval);
    }
    return file;
}
