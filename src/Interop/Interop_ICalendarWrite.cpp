// The history as an iCalendar file, written with libical: one VEVENT per history row, in UTC
// where the row has times, as an event of its day where it has none.

#include "Interop_Export.h"

#include "BaseUnits/Application_Details_Unit.h"

#include "Components/Core/SysDateTime.h"

#include <QCryptographicHash>
#include <QDate>
#include <QDateTime>

#include <libical/ical.h>

namespace {
icaltimetype UtcTime(qint64 utc) {
    return icaltime_from_timet_with_zone(time_t(utc / 1000), 0, icaltimezone_get_utc_timezone());
}

icaltimetype DateOnly(double dayNumber) {
    const QDate date = DayNumberToDate(dayNumber);
    icaltimetype time = icaltime_null_date();
    time.year = date.year();
    time.month = date.month();
    time.day = date.day();
    return time;
}

void AddX(icalcomponent* event, const char* name, const QString& value) {
    if (value.isEmpty()) return;
    icalproperty* property = icalproperty_new_x(value.toUtf8().constData());
    icalproperty_set_x_name(property, name);
    icalcomponent_add_property(event, property);
}

QString Duration(qint64 minutes) {
    return QStringLiteral("%1:%2").arg(minutes / 60).arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

icalcomponent* EventOf(const THistoryExportRow& row, const icaltimetype& stamp) {
    icalcomponent* event = icalcomponent_new(ICAL_VEVENT_COMPONENT);
    const QByteArray identity = QStringLiteral("%1|%2|%3|%4|%5")
                                    .arg(row.TaskCode, row.Project, row.Client, row.User)
                                    .arg(qint64(row.Date))
                                    .toUtf8();
    const QByteArray uid =
        QCryptographicHash::hash(identity, QCryptographicHash::Sha1).toHex() + "@tivrel";
    icalcomponent_add_property(event, icalproperty_new_uid(uid.constData()));
    icalcomponent_add_property(event, icalproperty_new_dtstamp(stamp));
    if (row.HasTimes) {
        icalcomponent_add_property(event, icalproperty_new_dtstart(UtcTime(row.StartUtc)));
        icalcomponent_add_property(event, icalproperty_new_dtend(UtcTime(row.EndUtc)));
    } else {
        icalcomponent_add_property(event, icalproperty_new_dtstart(DateOnly(row.Date)));
        icalcomponent_add_property(event, icalproperty_new_dtend(DateOnly(row.Date + 1)));
        icalcomponent_add_property(event, icalproperty_new_transp(ICAL_TRANSP_TRANSPARENT));
    }
    QString summary = row.TaskCode;
    if (!row.TaskDescription.isEmpty()) summary += QStringLiteral(" ") + row.TaskDescription;
    summary += QStringLiteral(" (%1)").arg(Duration(row.Minutes));
    icalcomponent_add_property(event, icalproperty_new_summary(summary.toUtf8().constData()));
    if (!row.Note.isEmpty())
        icalcomponent_add_property(event,
                                   icalproperty_new_description(row.Note.toUtf8().constData()));
    for (const QString& category : {row.Project, row.Client})
        if (!category.isEmpty())
            icalcomponent_add_property(event,
                                       icalproperty_new_categories(category.toUtf8().constData()));
    AddX(event, "X-TIVREL-TASKCODE", row.TaskCode);
    AddX(event, "X-TIVREL-DESCRIPTION", row.TaskDescription);
    AddX(event, "X-TIVREL-PROJECT", row.Project);
    AddX(event, "X-TIVREL-CLIENT", row.Client);
    AddX(event, "X-TIVREL-USER", row.User);
    AddX(event, "X-TIVREL-MINUTES", QString::number(row.Minutes));
    return event;
}
} // namespace

QByteArray HistoryAsICalendar(const std::vector<THistoryExportRow>& rows) {
    icalcomponent* calendar = icalcomponent_new(ICAL_VCALENDAR_COMPONENT);
    const QByteArray product =
        QStringLiteral("-//Korvane//%1//EN").arg(ProductNameAndVersion()).toUtf8();
    icalcomponent_add_property(calendar, icalproperty_new_prodid(product.constData()));
    icalcomponent_add_property(calendar, icalproperty_new_version("2.0"));
    icalcomponent_add_property(calendar, icalproperty_new_calscale("GREGORIAN"));
    icalcomponent_add_property(calendar, icalproperty_new_method(ICAL_METHOD_PUBLISH));
    const icaltimetype stamp = UtcTime(QDateTime::currentMSecsSinceEpoch());
    for (const THistoryExportRow& row : rows)
        icalcomponent_add_component(calendar, EventOf(row, stamp));
    char* text = icalcomponent_as_ical_string_r(calendar);
    const QByteArray result(text);
    icalmemory_free_buffer(text);
    icalcomponent_free(calendar);
    return result;
}
