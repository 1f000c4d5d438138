#include "Interop_Source.h"

#include "Components/Core/SysDateTime.h"
#include "Components/Core/TClock.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QTimeZone>

TSourceError::TSourceError(int line, const QString& reason)
    : Exception(QStringLiteral("line %1: %2").arg(line).arg(reason)), FLine(line), FReason(reason) {
}

const QStringList& SourceFormatNames() {
    static const QStringList names = {QStringLiteral("timewarrior"), QStringLiteral("hamster"),
                                      QStringLiteral("ktimetracker"), QStringLiteral("csv")};
    return names;
}

namespace {
bool IsSqlite(const QByteArray& head) {
    return head.startsWith(QByteArrayLiteral("SQLite format 3"));
}

QByteArray WithoutByteOrderMark(QByteArray text) {
    if (text.startsWith("\xEF\xBB\xBF")) text.remove(0, 3);
    return text;
}

// The first character that is not a blank.
char FirstSignificant(const QByteArray& text) {
    for (char c : text)
        if (!QChar::isSpace(uchar(c))) return c;
    return 0;
}

bool IsHamsterTsv(const QByteArray& text) {
    const QByteArray header = text.left(text.indexOf('\n')).toLower();
    return header.startsWith("activity\t") && header.contains("start time");
}

// A JSON array of this program's export names its days "date" and its tasks "taskCode";
// Timewarrior's names its moments "start".
bool IsTivrelJson(const QByteArray& text) {
    return text.contains("\"taskCode\"");
}
} // namespace

TSourceFile ReadSourceFile(const QString& fileName, const QString& format) {
    const QString shown = QDir::toNativeSeparators(fileName);
    if (!format.isEmpty() && !SourceFormatNames().contains(format))
        throw Exception(QStringLiteral("unknown format '%1': the formats are %2")
                            .arg(format, SourceFormatNames().join(QStringLiteral(", "))));
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw Exception(QStringLiteral("%1 cannot be read: %2").arg(shown, file.errorString()));
    const QByteArray head = file.peek(16);
    if (IsSqlite(head)) {
        file.close();
        if (!format.isEmpty() && format != QLatin1String("hamster"))
            throw Exception(
                QStringLiteral("%1 is an SQLite database, not a %2 file").arg(shown, format));
        return ReadHamsterDatabase(fileName);
    }
    const QByteArray text = WithoutByteOrderMark(file.readAll());
    if (file.error() != QFileDevice::NoError)
        throw Exception(QStringLiteral("%1 cannot be read: %2").arg(shown, file.errorString()));
    const char first = FirstSignificant(text);
    QString chosen = format;
    if (chosen.isEmpty()) {
        if (first == '[' || first == '{')
            chosen = IsTivrelJson(text) ? QStringLiteral("tivrel") : QStringLiteral("timewarrior");
        else if (text.trimmed().startsWith("BEGIN:VCALENDAR"))
            chosen = QStringLiteral("ktimetracker");
        else if (IsHamsterTsv(text))
            chosen = QStringLiteral("hamster");
        else
            chosen = QStringLiteral("csv");
    }
    if (chosen == QLatin1String("timewarrior"))
        return IsTivrelJson(text) ? ReadTivrelJson(text) : ReadTimewarrior(text);
    if (chosen == QLatin1String("tivrel")) return ReadTivrelJson(text);
    if (chosen == QLatin1String("hamster")) return ReadHamsterTsv(text);
    if (chosen == QLatin1String("ktimetracker")) return ReadICalendar(text);
    return ReadCsv(text);
}

TJsonElements ReadJsonArray(const QByteArray& text, const QString& notAnArray) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(text, &error);
    if (error.error != QJsonParseError::NoError)
        throw TSourceError(LineOfOffset(text, error.offset),
                           QStringLiteral("not JSON (%1)").arg(error.errorString()));
    if (!document.isArray()) throw TSourceError(1, notAnArray);
    TJsonElements elements;
    elements.Elements = document.array();
    const std::vector<qsizetype> offsets = JsonElementOffsets(text);
    for (qsizetype i = 0; i < elements.Elements.size(); ++i)
        elements.Lines.push_back(
            LineOfOffset(text, size_t(i) < offsets.size() ? offsets[size_t(i)] : 0));
    return elements;
}

std::vector<qsizetype> JsonElementOffsets(const QByteArray& text) {
    std::vector<qsizetype> offsets;
    int depth = 0;
    bool inString = false, escaped = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text.at(i);
        if (inString) {
            if (escaped)
                escaped = false;
            else if (c == '\\')
                escaped = true;
            else if (c == '"')
                inString = false;
            continue;
        }
        if (c == '"') {
            if (depth == 1) offsets.push_back(i);
            inString = true;
        } else if (c == '{' || c == '[') {
            if (depth == 1) offsets.push_back(i);
            ++depth;
        } else if (c == '}' || c == ']') {
            --depth;
        } else if (depth == 1 && !QChar::isSpace(uchar(c)) && c != ',') {
            offsets.push_back(i);
            while (i + 1 < text.size() && !QByteArrayView(",]").contains(text.at(i + 1)))
                ++i;
        }
    }
    return offsets;
}

int LineOfOffset(const QByteArray& text, qsizetype offset) {
    offset = std::clamp<qsizetype>(offset, 0, text.size());
    return int(std::count(text.begin(), text.begin() + offset, '\n')) + 1;
}

QStringList TakeProjectAndClientTags(const QStringList& tags, TSourceInterval& interval) {
    QStringList others;
    for (const QString& tag : tags) {
        const QString lower = tag.toLower();
        if (lower.startsWith(QLatin1String("project:")) && tag.size() > 8)
            interval.Project = tag.mid(8).trimmed();
        else if (lower.startsWith(QLatin1String("client:")) && tag.size() > 7)
            interval.Client = tag.mid(7).trimmed();
        else if (!tag.trimmed().isEmpty())
            others << tag.trimmed();
    }
    return others;
}

qint64 UtcOfLocal(const QDate& date, const QTime& time) {
    return UtcOfLocalDayNumber(EncodeDayNumber(date, time));
}

bool ParseMoment(const QString& text, qint64& utc) {
    const QString t = text.trimmed();
    static const QRegularExpression basic(QStringLiteral("^(\\d{8})T(\\d{6})Z$"));
    if (const auto m = basic.match(t); m.hasMatch()) {
        const QDateTime moment =
            QDateTime::fromString(m.captured(1) + m.captured(2), QStringLiteral("yyyyMMddHHmmss"));
        if (!moment.isValid()) return false;
        utc = QDateTime(moment.date(), moment.time(), QTimeZone::utc()).toMSecsSinceEpoch();
        return true;
    }
    static const QRegularExpression extended(
        QStringLiteral("^(\\d{4}-\\d{2}-\\d{2})[T "
                       "](\\d{1,2}:\\d{2}(?::\\d{2})?)(?:\\.\\d+)?(Z|[+-]\\d{2}:?\\d{2})?$"));
    const auto m = extended.match(t);
    if (!m.hasMatch()) return false;
    const QDate date = QDate::fromString(m.captured(1), Qt::ISODate);
    QTime time = QTime::fromString(m.captured(2), QStringLiteral("H:mm:ss"));
    if (!time.isValid()) time = QTime::fromString(m.captured(2), QStringLiteral("H:mm"));
    if (!date.isValid() || !time.isValid()) return false;
    const QString zone = m.captured(3);
    if (zone.isEmpty()) {
        utc = UtcOfLocal(date, time);
        return true;
    }
    int offset = 0;
    if (zone != QLatin1String("Z")) {
        const QString digits = QString(zone.mid(1)).remove(QLatin1Char(':'));
        offset = (digits.left(2).toInt() * 60 + digits.mid(2).toInt()) * 60;
        if (zone.startsWith(QLatin1Char('-'))) offset = -offset;
    }
    utc = QDateTime(date, time, QTimeZone(offset)).toMSecsSinceEpoch();
    return true;
}
