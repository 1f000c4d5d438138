// Hamster's export ("hamster export tsv": activity, start time, end time, duration minutes,
// category, description, tags, with local wall-clock times) and its database (hamster.db, an
// SQLite file: facts with their activity, category, description and tags). An activity is a
// task, a category a project; a tag "client:X" names the client, the other tags follow the
// description in the note as Hamster writes them ("#tag").

#include "Interop_Source.h"

#include <QDateTime>
#include <QDir>
#include <QMap>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

namespace {
bool LocalMoment(const QString& text, qint64& utc) {
    for (const char* format : {"yyyy-MM-dd HH:mm:ss", "yyyy-MM-dd HH:mm"}) {
        const QDateTime moment = QDateTime::fromString(text.trimmed(), QLatin1String(format));
        if (moment.isValid()) {
            utc = UtcOfLocal(moment.date(), moment.time());
            return true;
        }
    }
    return ParseMoment(text, utc);
}

// Fills an interval from one fact; false when the fact is still running (no end).
bool FillFact(TSourceInterval& interval, const QString& activity, const QString& category,
              const QString& start, const QString& end, const QString& description,
              const QStringList& tags) {
    interval.Task = activity.trimmed();
    interval.Project = category.trimmed();
    const QStringList others = TakeProjectAndClientTags(tags, interval);
    interval.Note = description.trimmed();
    for (const QString& tag : others)
        interval.Note +=
            (interval.Note.isEmpty() ? QString() : QStringLiteral(" ")) + QLatin1Char('#') + tag;
    if (!LocalMoment(start, interval.StartUtc))
        throw TSourceError(interval.Line, QStringLiteral("\"%1\" is not a start time of the form "
                                                         "2026-11-02 09:00")
                                              .arg(start));
    if (end.trimmed().isEmpty()) return false;
    if (!LocalMoment(end, interval.EndUtc))
        throw TSourceError(interval.Line, QStringLiteral("\"%1\" is not an end time of the form "
                                                         "2026-11-02 17:30")
                                              .arg(end));
    if (interval.EndUtc < interval.StartUtc)
        throw TSourceError(interval.Line, QStringLiteral("the activity ends before it starts"));
    return true;
}

QString StillRunning(int line, const QString& activity) {
    return QStringLiteral("line %1: %2 is still being tracked in Hamster (stop it there, then "
                          "import again)")
        .arg(line)
        .arg(activity);
}
} // namespace

TSourceFile ReadHamsterTsv(const QByteArray& text) {
    TSourceFile file;
    file.Format = QStringLiteral("Hamster");
    const QList<QByteArray> lines = text.split('\n');
    const QStringList header =
        QString::fromUtf8(lines.value(0)).trimmed().toLower().split(QLatin1Char('\t'));
    auto column = [&header](const char* name) { return header.indexOf(QLatin1String(name)); };
    const int activity = column("activity"), start = column("start time"), end = column("end time"),
              category = column("category"), description = column("description"),
              tags = column("tags");
    if (activity < 0 || start < 0 || end < 0)
        throw TSourceError(1, QStringLiteral("not a Hamster export: its first line names the "
                                             "columns activity, start time and end time"));
    for (int i = 1; i < lines.size(); ++i) {
        const QString line = QString::fromUtf8(lines.at(i)).remove(QLatin1Char('\r'));
        if (line.trimmed().isEmpty()) continue;
        const QStringList cells = line.split(QLatin1Char('\t'));
        if (cells.size() < header.size())
            throw TSourceError(i + 1, QStringLiteral("%1 columns where the first line names %2")
                                          .arg(cells.size())
                                          .arg(header.size()));
        TSourceInterval interval;
        interval.Line = i + 1;
        QStringList tagList;
        for (const QString& tag : cells.value(tags).split(QLatin1Char(','), Qt::SkipEmptyParts))
            tagList << tag.trimmed();
        if (!FillFact(interval, cells.at(activity), cells.value(category), cells.at(start),
                      cells.at(end), cells.value(description), tagList)) {
            file.LeftOut << StillRunning(interval.Line, interval.Task);
            continue;
        }
        file.Intervals.push_back(interval);
    }
    return file;
}

namespace {
// A read-only connection of its own, closed and removed whatever happens.
class TSqliteFile {
public:
    explicit TSqliteFile(const QString& fileName)
        : FName(QStringLiteral("hamster-") + QUuid::createUuid().toString(QUuid::WithoutBraces)) {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), FName);
        db.setDatabaseName(fileName);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QSQLITE")))
            throw Exception(QStringLiteral("Qt's SQLite driver is not installed (Debian: "
                                           "libqt6sql6-sqlite), so Hamster's database cannot be "
                                           "read; export it with \"hamster export tsv\" instead"));
        if (!db.open())
            throw Exception(QStringLiteral("%1 cannot be opened: %2")
                                .arg(QDir::toNativeSeparators(fileName), db.lastError().text()));
    }
    ~TSqliteFile() {
        {
            QSqlDatabase db = QSqlDatabase::database(FName, false);
            if (db.isOpen()) db.close();
        }
        QSqlDatabase::removeDatabase(FName);
    }
    QSqlDatabase Database() const { return QSqlDatabase::database(FName, false); }

private:
    QString FName;
};

QSqlQuery Run(const QSqlDatabase& db, const QString& sql) {
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.exec(sql))
        throw TSourceError(
            0, QStringLiteral("not a Hamster database (%1)").arg(query.lastError().databaseText()));
    return query;
}
} // namespace

TSourceFile ReadHamsterDatabase(const QString& fileName) {
    TSourceFile file;
    file.Format = QStringLiteral("Hamster");
    const TSqliteFile sqlite(fileName);
    const QSqlDatabase db = sqlite.Database();
    QMap<int, QStringList> tagsOfFact;
    QSqlQuery tags = Run(db, QStringLiteral("SELECT ft.fact_id, t.name FROM fact_tags ft "
                                            "JOIN tags t ON t.id = ft.tag_id ORDER BY t.name"));
    while (tags.next())
        tagsOfFact[tags.value(0).toInt()] << tags.value(1).toString();
    QSqlQuery facts =
        Run(db, QStringLiteral("SELECT f.id, a.name, c.name, f.start_time, f.end_time, "
                               "f.description FROM facts f LEFT JOIN activities a ON "
                               "a.id = f.activity_id LEFT JOIN categories c ON c.id = "
                               "a.category_id ORDER BY f.start_time, f.id"));
    while (facts.next()) {
        TSourceInterval interval;
        interval.Line = facts.value(0).toInt(); // the fact's number stands for its line
        try {
            if (!FillFact(interval, facts.value(1).toString(), facts.value(2).toString(),
                          facts.value(3).toString(), facts.value(4).toString(),
                          facts.value(5).toString(), tagsOfFact.value(interval.Line))) {
                file.LeftOut << StillRunning(interval.Line, interval.Task)
                                    .replace(QStringLiteral("line"), QStringLiteral("fact"));
                continue;
            }
        } catch (const TSourceError& e) {
            throw TSourceError(interval.Line,
                               QStringLiteral("fact %1: %2").arg(interval.Line).arg(e.Reason()));
        }
        file.Intervals.push_back(interval);
    }
    file.Remarks << QStringLiteral("lines are Hamster's fact numbers");
    return file;
}
