// iCalendar files read with libical: KTimeTracker's file (its tasks are VTODOs, a task under
// another one pointing at it with RELATED-TO; each stretch of time is a VEVENT pointing at its
// task, with its length in X-KDE-ktimetracker-duration and the comments typed for it), and
// this program's own export (VEVENTs carrying the history row's task code, project, client and
// minutes in X-TIVREL- properties). A task under another one is booked on a project named
// after the task at the top of its tree.

#include "Interop_Source.h"
#include "UserLayer/data_Tasks_Journal.h"

#include "Components/Core/SysDateTime.h"

#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QTime>
#include <QTimeZone>

#include <libical/ical.h>

namespace {
QString Text(const char* text) {
    return text ? QString::fromUtf8(text) : QString();
}

// The value of an X- property of a component; empty when it has none.
QString XValue(icalcomponent* component, const char* name) {
    for (icalproperty* p = icalcomponent_get_first_property(component, ICAL_X_PROPERTY); p;
         p = icalcomponent_get_next_property(component, ICAL_X_PROPERTY))
        if (qstricmp(icalproperty_get_x_name(p), name) == 0)
            return Text(icalproperty_get_value_as_string(p));
    return {};
}

QString RelatedTo(icalcomponent* component) {
    icalproperty* p = icalcomponent_get_first_property(component, ICAL_RELATEDTO_PROPERTY);
    return p ? Text(icalproperty_get_relatedto(p)) : QString();
}

// The lines of the BEGIN:VEVENT lines in file order, to name an event by its line.
std::vector<int> EventLines(const QByteArray& text) {
    std::vector<int> lines;
    int line = 1;
    for (const QByteArray& row : text.split('\n')) {
        if (row.trimmed().toUpper() == "BEGIN:VEVENT") lines.push_back(line);
        ++line;
    }
    return lines;
}

struct TMoment {
    bool IsDate = false;
    QDate Date;
    qint64 Utc = 0;
};

// A DTSTART or DTEND: UTC, in the zone its TZID names (the system's zone database, else the
// file's VTIMEZONE), floating (local), or a date.
TMoment ReadMoment(icalcomponent* calendar, icalproperty* property, int line) {
    const icaltimetype time = icalvalue_get_datetime(icalproperty_get_value(property));
    TMoment moment;
    if (icaltime_is_null_time(time) || !icaltime_is_valid_time(time))
        throw TSourceError(line, QStringLiteral("%1 is not a date or time")
                                     .arg(Text(icalproperty_as_ical_string(property)).trimmed()));
    const QDate date(time.year, time.month, time.day);
    if (time.is_date) {
        moment.IsDate = true;
        moment.Date = date;
        return moment;
    }
    const QTime clock(time.hour, time.minute, time.second);
    if (icaltime_is_utc(time)) {
        moment.Utc = QDateTime(date, clock, QTimeZone::utc()).toMSecsSinceEpoch();
        return moment;
    }
    icalparameter* tzid = icalproperty_get_first_parameter(property, ICAL_TZID_PARAMETER);
    if (!tzid) {
        moment.Utc = UtcOfLocal(date, clock);
        return moment;
    }
    const QByteArray zoneName = icalparameter_get_tzid(tzid);
    QTimeZone zone(zoneName);
    if (!zone.isValid()) zone = QTimeZone(QTimeZone::windowsIdToDefaultIanaId(zoneName));
    if (zone.isValid()) {
        moment.Utc = QDateTime(date, clock, zone).toMSecsSinceEpoch();
        return moment;
    }
    icaltimezone* own = icalcomponent_get_timezone(calendar, zoneName.constData());
    if (!own)
        throw TSourceError(line, QStringLiteral("the time zone \"%1\" is neither in the file nor "
                                                "known to this computer")
                                     .arg(QString::fromUtf8(zoneName)));
    moment.Utc = qint64(icaltime_as_timet_with_zone(time, own)) * 1000;
    return moment;
}

struct TTodo {
    QString Summary, Parent;
};

// The task at the top of a task's tree (itself when it has no parent).
QString TopOf(const QHash<QString, TTodo>& todos, QString uid) {
    for (int guard = 0; guard < 64; ++guard) {
        const auto found = todos.find(uid);
        if (found == todos.end() || found->Parent.isEmpty() || !todos.contains(found->Parent))
            return uid;
        uid = found->Parent;
    }
    return uid;
}

QString CommentsOf(icalcomponent* event) {
    QStringList comments;
    for (icalproperty* p = icalcomponent_get_first_property(event, ICAL_COMMENT_PROPERTY); p;
         p = icalcomponent_get_next_property(event, ICAL_COMMENT_PROPERTY))
        comments << Text(icalproperty_get_comment(p)).trimmed();
    const QString description = Text(icalcomponent_get_description(event)).trimmed();
    if (!description.isEmpty()) comments.prepend(description);
    comments.removeAll(QString());
    return comments.join(QStringLiteral("; "));
}

class TCalendar {
public:
    explicit TCalendar(const QByteArray& text) : FRoot(icalparser_parse_string(text.constData())) {}
    ~TCalendar() {
        if (FRoot) icalcomponent_free(FRoot);
    }
    TCalendar(const TCalendar&) = delete;
    TCalendar& operator=(const TCalendar&) = delete;
    // The VCALENDAR (the root itself or its first VCALENDAR).
    icalcomponent* Calendar() const {
        if (!FRoot || icalcomponent_isa(FRoot) == ICAL_VCALENDAR_COMPONENT) return FRoot;
        return icalcomponent_get_first_component(FRoot, ICAL_VCALENDAR_COMPONENT);
    }

private:
    icalcomponent* FRoot;
};
} // namespace

TSourceFile ReadICalendar(const QByteArray& text) {
    TSourceFile file;
    const TCalendar parsed(text);
    icalcomponent* calendar = parsed.Calendar();
    if (!calendar)
        throw TSourceError(1, QStringLiteral("not an iCalendar file (BEGIN:VCALENDAR … "
                                             "END:VCALENDAR)"));
    const bool own = text.contains("X-TIVREL-");
    file.Format = own ? QStringLiteral("Tivrel iCalendar") : QStringLiteral("KTimeTracker");

    QHash<QString, TTodo> todos;
    for (icalcomponent* todo = icalcomponent_get_first_component(calendar, ICAL_VTODO_COMPONENT);
         todo; todo = icalcomponent_get_next_component(calendar, ICAL_VTODO_COMPONENT))
        todos.insert(Text(icalcomponent_get_uid(todo)),
                     {Text(icalcomponent_get_summary(todo)).trimmed(), RelatedTo(todo)});

    const std::vector<int> lines = EventLines(text);
    size_t index = 0;
    for (icalcomponent* event = icalcomponent_get_first_component(calendar, ICAL_VEVENT_COMPONENT);
         event;
         event = icalcomponent_get_next_component(calendar, ICAL_VEVENT_COMPONENT), ++index) {
        TSourceInterval interval;
        interval.Line = index < lines.size() ? lines[index] : 0;
        const int line = interval.Line;
        icalproperty* start = icalcomponent_get_first_property(event, ICAL_DTSTART_PROPERTY);
        if (!start) throw TSourceError(line, QStringLiteral("the event has no DTSTART"));
        const TMoment from = ReadMoment(calendar, start, line);

        // What the time was spent on.
        const QString summary = Text(icalcomponent_get_summary(event)).trimmed();
        const QString task = RelatedTo(event);
        if (own) {
            interval.Task = XValue(event, "X-TIVREL-TASKCODE");
            interval.Project = XValue(event, "X-TIVREL-PROJECT");
            interval.Client = XValue(event, "X-TIVREL-CLIENT");
            interval.User = XValue(event, "X-TIVREL-USER");
            interval.TaskDescription = XValue(event, "X-TIVREL-DESCRIPTION");
        } else if (todos.contains(task)) {
            interval.Task = todos.value(task).Summary;
            const QString top = TopOf(todos, task);
            if (top != task) interval.Project = todos.value(top).Summary;
        } else {
            interval.Task = summary;
        }
        interval.Note = CommentsOf(event);

        // How long: the file's own length where it keeps one, else from start to end.
        bool haveLength = false;
        qint64 length = 0;
        for (const char* name :
             {"X-TIVREL-MINUTES", "X-KDE-ktimetracker-duration", "X-KDE-karm-duration"}) {
            const QString value = XValue(event, name);
            if (value.isEmpty()) continue;
            bool ok = false;
            const qint64 number = value.trimmed().toLongLong(&ok);
            if (!ok)
                throw TSourceError(line, QStringLiteral("%1 \"%2\" is not a whole number")
                                             .arg(QLatin1String(name), value));
            length = qstrcmp(name, "X-TIVREL-MINUTES") == 0 ? number * 60000 : number * 1000;
            haveLength = true;
            break;
        }
        icalproperty* end = icalcomponent_get_first_property(event, ICAL_DTEND_PROPERTY);
        if (from.IsDate ||
            (!end && !icalcomponent_get_first_property(event, ICAL_DURATION_PROPERTY))) {
            if (!haveLength)
                throw TSourceError(line, QStringLiteral("the event has neither an end nor a "
                                                        "length"));
            interval.Timed = false;
            interval.Date = from.IsDate ? DateToDayNumber(from.Date) : LocalDateOfUtc(from.Utc);
            interval.HasLength = true;
            interval.MSecs = length;
            file.Intervals.push_back(interval);
            continue;
        }
        interval.StartUtc = from.Utc;
        if (end) {
            const TMoment to = ReadMoment(calendar, end, line);
            if (to.IsDate) throw TSourceError(line, QStringLiteral("DTEND is a date"));
            interval.EndUtc = to.Utc;
        } else {
            const icaldurationtype duration = icalcomponent_get_duration(event);
            interval.EndUtc = from.Utc + qint64(icaldurationtype_as_int(duration)) * 1000;
        }
        if (interval.EndUtc < interval.StartUtc)
            throw TSourceError(line, QStringLiteral("the event ends before it starts"));
        // A length the tracker kept apart from the times (KTimeTracker's time taken off, or
        // a history row whose minutes were amended) is what counts.
        if (haveLength && length != interval.EndUtc - interval.StartUtc) {
            interval.HasLength = true;
            interval.MSecs = length;
        }
        file.Intervals.push_back(interval);
    }
    return file;
}
