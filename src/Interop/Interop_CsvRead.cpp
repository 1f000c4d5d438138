// CSV files of time: a row per interval, its columns found by their names in the first row
// (letter case and blanks aside). Toggl's detailed export (Client, Project, Task, Description,
// Start date, Start time, End date, End time, Duration, Tags), Clockify's (Project, Client,
// Description, Task, Tags, Start Date, Start Time, End Date, End Time, Duration (h), Duration
// (decimal)), this program's own export (Date, Task Code, Task Description, Project, Client,
// User, Minutes, Hours, Start, End, Note) and any file with such columns: a date, a start and
// an end or a duration, and what the time was spent on. The separator is the comma, the
// semicolon or the tab, whichever the first row uses.

#include "Interop_Source.h"
#include "UserLayer/data_Tasks_Journal.h"

#include "Components/Core/SysDateTime.h"

#include <QDate>
#include <QRegularExpression>
#include <QTime>
#include <optional>

namespace {
struct TRecord {
    int Line = 0;
    QStringList Cells;
};

char SeparatorOf(const QByteArray& firstLine) {
    int counts[3] = {0, 0, 0};
    const char separators[3] = {',', ';', '\t'};
    bool quoted = false;
    for (char c : firstLine) {
        if (c == '"') quoted = !quoted;
        for (int i = 0; i < 3; ++i)
            if (!quoted && c == separators[i]) ++counts[i];
    }
    int best = 0;
    for (int i = 1; i < 3; ++i)
        if (counts[i] > counts[best]) best = i;
    return separators[best];
}

// RFC 4180 records, each with the line it begins on; a quoted cell may hold line breaks.
std::vector<TRecord> Records(const QByteArray& text) {
    const char separator = SeparatorOf(text.left(text.indexOf('\n')));
    std::vector<TRecord> records;
    TRecord record;
    QByteArray cell;
    bool quoted = false, cellStarted = false, any = false;
    int line = 1;
    record.Line = 1;
    auto endCell = [&] {
        record.Cells << QString::fromUtf8(cell);
        cell.clear();
        cellStarted = false;
    };
    auto endRecord = [&] {
        endCell();
        const bool blank = record.Cells.size() == 1 && record.Cells.first().trimmed().isEmpty();
        if (!blank) records.push_back(record);
        record = TRecord();
        record.Line = line;
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text.at(i);
        any = true;
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text.at(i + 1) == '"') {
                cell += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                if (c == '\n') ++line;
                cell += c;
            }
            continue;
        }
        if (c == '"' && !cellStarted) {
            quoted = cellStarted = true;
        } else if (c == separator) {
            endCell();
        } else if (c == '\n') {
            ++line;
            endRecord();
        } else if (c != '\r') {
            cell += c;
            cellStarted = true;
        }
    }
    if (quoted) throw TSourceError(record.Line, QStringLiteral("a quoted cell is not closed"));
    if (any && (!cell.isEmpty() || !record.Cells.isEmpty())) endRecord();
    return records;
}

// The columns this reader knows, by the names files give them.
struct TColumns {
    int Date = -1, EndDate = -1, Start = -1, End = -1, Duration = -1, DecimalHours = -1,
        Minutes = -1, Project = -1, Client = -1, Task = -1, TaskDescription = -1, Note = -1,
        Tags = -1, User = -1;

    explicit TColumns(const QStringList& header) {
        const std::pair<int*, std::vector<const char*>> names[] = {
            {&Date, {"date", "start date", "day", "work date"}},
            {&EndDate, {"end date"}},
            {&Start, {"start", "start time", "from", "begin"}},
            {&End, {"end", "end time", "to", "stop"}},
            {&Duration, {"duration", "duration (h)", "time", "length"}},
            {&DecimalHours, {"duration (decimal)", "hours", "decimal hours"}},
            {&Minutes, {"minutes", "duration minutes", "duration (minutes)"}},
            {&Project, {"project", "project name"}},
            {&Client, {"client", "customer", "client name"}},
            {&Task, {"task", "task code", "activity", "task name"}},
            {&TaskDescription, {"task description"}},
            {&Note, {"note", "notes", "comment", "annotation", "description"}},
            {&Tags, {"tags", "tag"}},
            {&User, {"user", "user name"}}};
        for (int i = 0; i < header.size(); ++i) {
            const QString name = header.at(i).trimmed().toLower();
            for (const auto& [column, spellings] : names)
                for (const char* spelling : spellings)
                    if (*column < 0 && name == QLatin1String(spelling)) *column = i;
        }
    }
};

QString Cell(const TRecord& record, int column) {
    return column < 0 ? QString() : record.Cells.value(column).trimmed();
}

// How the file writes dates with slashes: month first (Toggl's, Clockify's default) unless a
// date of the file has a first number above 12.
enum class TSlashOrder { MonthFirst, DayFirst };

std::optional<QDate> ReadDate(const QString& text, TSlashOrder order) {
    static const QRegularExpression iso(QStringLiteral("^(\\d{4})-(\\d{1,2})-(\\d{1,2})$"));
    static const QRegularExpression dotted(QStringLiteral("^(\\d{1,2})\\.(\\d{1,2})\\.(\\d{4})$"));
    static const QRegularExpression slashed(QStringLiteral("^(\\d{1,2})/(\\d{1,2})/(\\d{4})$"));
    QDate date;
    if (const auto m = iso.match(text); m.hasMatch())
        date = QDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    else if (const auto d = dotted.match(text); d.hasMatch())
        date = QDate(d.captured(3).toInt(), d.captured(2).toInt(), d.captured(1).toInt());
    else if (const auto s = slashed.match(text); s.hasMatch()) {
        const int first = s.captured(1).toInt(), second = s.captured(2).toInt();
        date = order == TSlashOrder::MonthFirst ? QDate(s.captured(3).toInt(), first, second)
                                                : QDate(s.captured(3).toInt(), second, first);
    }
    if (!date.isValid()) return std::nullopt;
    return date;
}

std::optional<QTime> ReadTime(const QString& text) {
    static const QRegularExpression clock(
        QStringLiteral("^(\\d{1,2}):(\\d{2})(?::(\\d{2}))?\\s*([AaPp][Mm])?$"));
    const auto m = clock.match(text);
    if (!m.hasMatch()) return std::nullopt;
    int hour = m.captured(1).toInt();
    const QString half = m.captured(4).toUpper();
    if (!half.isEmpty()) {
        if (hour < 1 || hour > 12) return std::nullopt;
        hour = hour % 12 + (half == QLatin1String("PM") ? 12 : 0);
    }
    const QTime time(hour, m.captured(2).toInt(), m.captured(3).toInt());
    if (!time.isValid()) return std::nullopt;
    return time;
}

// "1:30", "1:30:00" or hours as a decimal number ("1.5", "1,5").
std::optional<qint64> ReadDuration(const QString& text) {
    static const QRegularExpression clock(QStringLiteral("^(-?)(\\d+):(\\d{2})(?::(\\d{2}))?$"));
    if (const auto m = clock.match(text); m.hasMatch()) {
        const qint64 msecs = ((m.captured(2).toLongLong() * 60 + m.captured(3).toInt()) * 60 +
                              m.captured(4).toInt()) *
                             1000;
        return m.captured(1).isEmpty() ? msecs : -msecs;
    }
    return std::nullopt;
}

std::optional<qint64> ReadDecimalHours(const QString& text) {
    bool ok = false;
    const double hours = QString(text).replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&ok);
    if (!ok) return std::nullopt;
    return std::llround(hours * 3600.0) * 1000;
}

TSlashOrder SlashOrderOf(const std::vector<TRecord>& records, const TColumns& columns) {
    static const QRegularExpression slashed(QStringLiteral("^(\\d{1,2})/(\\d{1,2})/\\d{4}"));
    bool dayFirst = false;
    for (size_t i = 1; i < records.size(); ++i)
        for (int column : {columns.Date, columns.EndDate, columns.Start, columns.End}) {
            const auto m = slashed.match(Cell(records[i], column));
            if (m.hasMatch() && m.captured(1).toInt() > 12) dayFirst = true;
        }
    return dayFirst ? TSlashOrder::DayFirst : TSlashOrder::MonthFirst;
}

bool HasSlashDates(const std::vector<TRecord>& records) {
    static const QRegularExpression slashed(QStringLiteral("^\\d{1,2}/\\d{1,2}/\\d{4}"));
    for (const TRecord& record : records)
        for (const QString& cell : record.Cells)
            if (slashed.match(cell.trimmed()).hasMatch()) return true;
    return false;
}

class TRowReader {
public:
    TRowReader(const TColumns& columns, const QStringList& header, TSlashOrder order)
        : FColumns(columns), FHeader(header), FOrder(order) {}

    TSourceInterval Read(const TRecord& record) const {
        FRecord = &record;
        TSourceInterval interval;
        interval.Line = record.Line;
        interval.Project = Cell(record, FColumns.Project);
        interval.Client = Cell(record, FColumns.Client);
        interval.Task = Cell(record, FColumns.Task);
        interval.TaskDescription = Cell(record, FColumns.TaskDescription);
        interval.User = Cell(record, FColumns.User);
        interval.Note = Cell(record, FColumns.Note);
        const QString tags = Cell(record, FColumns.Tags);
        for (const QString& tag : tags.split(QLatin1Char(','), Qt::SkipEmptyParts))
            interval.Note += (interval.Note.isEmpty() ? QString() : QStringLiteral(" ")) +
                             QLatin1Char('#') + tag.trimmed();
        // A row without a task is booked on a task named after its project.
        if (interval.Task.isEmpty()) interval.Task = interval.Project;

        const std::optional<qint64> length = Length();
        const std::optional<QDate> date = OptionalDate(FColumns.Date);
        qint64 start = 0, end = 0;
        const bool hasStart = Moment(FColumns.Start, date, start);
        bool hasEnd = false;
        if (hasStart) {
            const std::optional<QDate> endDate = OptionalDate(FColumns.EndDate);
            hasEnd = Moment(FColumns.End, endDate ? endDate : date, end);
            // An end before the start on the same date is on the next day.
            if (hasEnd && end < start && !endDate && !IsFullMoment(FColumns.End) && date)
                Moment(FColumns.End, date->addDays(1), end);
        }
        if (hasStart && (hasEnd || length)) {
            interval.StartUtc = start;
            interval.EndUtc = hasEnd ? end : start + std::max<qint64>(0, *length);
            if (interval.EndUtc < interval.StartUtc)
                Fail(FColumns.End, QStringLiteral("ends before the row's start"));
            if (length && *length != interval.EndUtc - interval.StartUtc) {
                interval.HasLength = true;
                interval.MSecs = *length;
            }
            return interval;
        }
        if (!length)
            throw TSourceError(record.Line,
                               QStringLiteral("the row has neither a start and an end nor a "
                                              "duration"));
        if (!date && !hasStart)
            throw TSourceError(record.Line, QStringLiteral("the row has no date"));
        interval.Timed = false;
        interval.Date = hasStart ? LocalDateOfUtc(start) : DateToDayNumber(*date);
        interval.HasLength = true;
        interval.MSecs = *length;
        return interval;
    }

private:
    [[noreturn]] void Fail(int column, const QString& what) const {
        throw TSourceError(FRecord->Line,
                           QStringLiteral("\"%1\" in the column %2 %3")
                               .arg(Cell(*FRecord, column), FHeader.value(column).trimmed(), what));
    }

    std::optional<QDate> OptionalDate(int column) const {
        const QString text = Cell(*FRecord, column);
        if (text.isEmpty()) return std::nullopt;
        qint64 moment = 0;
        if (ParseMoment(text, moment)) return DayNumberToDate(LocalDateOfUtc(moment));
        const std::optional<QDate> date = ReadDate(text, FOrder);
        if (!date) Fail(column, QStringLiteral("is not a date"));
        return date;
    }

    bool IsFullMoment(int column) const {
        qint64 moment = 0;
        return ParseMoment(Cell(*FRecord, column), moment);
    }

    // A start or end: a whole moment, or a time of day on the date given.
    bool Moment(int column, const std::optional<QDate>& date, qint64& utc) const {
        const QString text = Cell(*FRecord, column);
        if (text.isEmpty()) return false;
        if (ParseMoment(text, utc)) return true;
        const std::optional<QTime> time = ReadTime(text);
        if (!time) Fail(column, QStringLiteral("is not a time of day"));
        if (!date)
            throw TSourceError(FRecord->Line, QStringLiteral("the row has a time of day (%1) "
                                                             "but no date")
                                                  .arg(text));
        utc = UtcOfLocal(*date, *time);
        return true;
    }

    // The length the row states: minutes, a duration, or decimal hours, in that order.
    std::optional<qint64> Length() const {
        if (const QString minutes = Cell(*FRecord, FColumns.Minutes); !minutes.isEmpty()) {
            bool ok = false;
            const qint64 value = minutes.toLongLong(&ok);
            if (!ok) Fail(FColumns.Minutes, QStringLiteral("is not a whole number of minutes"));
            return value * 60000;
        }
        if (const QString duration = Cell(*FRecord, FColumns.Duration); !duration.isEmpty()) {
            if (const auto value = ReadDuration(duration)) return value;
            if (const auto value = ReadDecimalHours(duration)) return value;
            Fail(FColumns.Duration, QStringLiteral("is not a duration (1:30, 1:30:00 or 1.5)"));
        }
        if (const QString hours = Cell(*FRecord, FColumns.DecimalHours); !hours.isEmpty()) {
            if (const auto value = ReadDecimalHours(hours)) return value;
            Fail(FColumns.DecimalHours, QStringLiteral("is not a number of hours"));
        }
        return std::nullopt;
    }

    const TColumns& FColumns;
    const QStringList& FHeader;
    TSlashOrder FOrder;
    mutable const TRecord* FRecord = nullptr;
};
} // namespace

TSourceFile ReadCsv(const QByteArray& text) {
    TSourceFile file;
    file.Format = QStringLiteral("CSV");
    const std::vector<TRecord> records = Records(text);
    if (records.empty()) throw TSourceError(1, QStringLiteral("the file is empty"));
    const QStringList& header = records.front().Cells;
    const TColumns columns(header);
    if (columns.Date < 0 && columns.Start < 0)
        throw TSourceError(1, QStringLiteral("the first row names no date or start column "
                                             "(Date, Start date, Start)"));
    if (columns.Start < 0 && columns.Duration < 0 && columns.Minutes < 0 &&
        columns.DecimalHours < 0)
        throw TSourceError(1, QStringLiteral("the first row names neither a start and an end "
                                             "nor a duration column"));
    if (header.join(QString()).contains(QLatin1String("Task Code")))
        file.Format = QStringLiteral("Tivrel CSV");
    const TSlashOrder order = SlashOrderOf(records, columns);
    if (HasSlashDates(records))
        file.Remarks << (order == TSlashOrder::DayFirst
                             ? QStringLiteral("dates with slashes read as day/month/year")
                             : QStringLiteral("dates with slashes read as month/day/year"));
    const TRowReader reader(columns, header, order);
    for (size_t i = 1; i < records.size(); ++i)
        file.Intervals.push_back(reader.Read(records[i]));
    return file;
}
