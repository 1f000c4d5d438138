#include "TFileIndex.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>
#include <cmath>

namespace {
const QByteArray HeadMagic = "TIVRELIX";
const QByteArray TrailMagic = "XILEVIRT";
constexpr quint32 Version = 1;
constexpr qint32 BlockDays = 32;

template <typename T> void Put(QByteArray& out, T value) {
    char bytes[sizeof(T)];
    qToLittleEndian(value, bytes);
    out.append(bytes, sizeof(T));
}

template <typename T> bool Take(const QByteArray& in, qint64& pos, T& value) {
    if (pos < 0 || pos + qint64(sizeof(T)) > in.size()) return false;
    value = qFromLittleEndian<T>(in.constData() + pos);
    pos += qint64(sizeof(T));
    return true;
}

void PutRun(QByteArray& out, const TIndexRun& run) {
    Put<qint32>(out, run.FirstDay);
    Put<qint32>(out, run.LastDay);
    Put<qint64>(out, run.Offset);
    Put<quint32>(out, quint32(run.Length));
    Put<quint32>(out, run.Rows);
}

QByteArray Trailer(const TDataStamp& stamp, qint64 runCount) {
    QByteArray out;
    Put<qint64>(out, stamp.Size);
    out += stamp.TailDigest.leftJustified(20, '\0', true);
    Put<qint64>(out, runCount);
    out += TrailMagic;
    return out;
}

// A range of a file's bytes; empty when they cannot be read whole.
QByteArray ReadRange(QFile& file, qint64 from, qint64 length) {
    if (length <= 0) return {};
    if (!file.seek(from)) return {};
    QByteArray bytes = file.read(length);
    return bytes.size() == length ? bytes : QByteArray();
}
} // namespace

qint32 TFileIndex::DayOf(double dateTime) {
    if (!std::isfinite(dateTime) || std::fabs(dateTime) > 2e9) return NoDay;
    return qint32(std::floor(dateTime));
}

QString TFileIndex::FileNameFor(const QString& dataFile) {
    const QFileInfo info(dataFile);
    return info.dir().filePath(info.completeBaseName() + QStringLiteral(".index"));
}

QByteArray TFileIndex::Digest(const QByteArray& bytes) {
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha1);
}

QByteArray TFileIndex::TailDigestOf(const QByteArray& lastBytes) {
    return Digest(lastBytes.right(TailLength));
}

std::vector<TIndexRun> TFileIndex::RunsOf(const std::vector<TRowSpan>& spans,
                                          const std::vector<qint32>& days) {
    std::vector<TIndexRun> runs;
    auto block = [](qint32 day) {
        return day == NoDay ? NoDay : qint32(std::floor(double(day) / BlockDays));
    };
    for (size_t i = 0; i < spans.size() && i < days.size(); ++i) {
        const TRowSpan& span = spans[i];
        const qint32 day = days[i];
        if (!runs.empty()) {
            TIndexRun& last = runs.back();
            const qint64 end = last.Offset + last.Length;
            // Rows apart by a few bytes of white space only, in the same block of days.
            const bool neighbours = span.Offset >= end && span.Offset - end <= 16;
            if (neighbours && block(day) == block(last.FirstDay) &&
                span.Offset + span.Length - last.Offset < (qint64(1) << 31)) {
                last.FirstDay = std::min(last.FirstDay, day);
                last.LastDay = std::max(last.LastDay, day);
                last.Length = span.Offset + span.Length - last.Offset;
                ++last.Rows;
                continue;
            }
        }
        runs.push_back({day, day, span.Offset, span.Length, 1});
    }
    return runs;
}

TDataStamp TFileIndex::StampOfFile(const QString& dataFile, qint64 dataStart) {
    TDataStamp stamp;
    stamp.Size = -1;
    QFile file(dataFile);
    if (!file.open(QIODevice::ReadOnly)) return stamp;
    const qint64 size = file.size();
    if (dataStart <= 0 || dataStart > size) return stamp;
    const QByteArray head = ReadRange(file, 0, dataStart);
    const qint64 tailLength = std::min(size, TailLength);
    const QByteArray tail = ReadRange(file, size - tailLength, tailLength);
    if (head.isEmpty() || tail.size() != tailLength) return stamp;
    stamp.Size = size;
    stamp.DataStart = dataStart;
    stamp.HeadDigest = Digest(head);
    stamp.TailDigest = TailDigestOf(tail);
    return stamp;
}

bool TFileIndex::Read(const QString& dataFile, const QString& field) {
    Runs.clear();
    QFile file(FileNameFor(dataFile));
    if (!file.open(QIODevice::ReadOnly)) return false;
    const QByteArray bytes = file.readAll();
    qint64 pos = 0;
    quint32 version = 0, nameLength = 0;
    qint64 dataStart = 0;
    if (!bytes.startsWith(HeadMagic)) return false;
    pos = HeadMagic.size();
    if (!Take(bytes, pos, version) || version != Version || !Take(bytes, pos, dataStart))
        return false;
    const QByteArray headDigest = bytes.mid(pos, 20);
    pos += 20;
    if (!Take(bytes, pos, nameLength) || pos + nameLength > bytes.size()) return false;
    Field = QString::fromUtf8(bytes.mid(pos, nameLength));
    pos += nameLength;
    if (Field.compare(field, Qt::CaseInsensitive) != 0) return false;
    const qint64 trailerAt = bytes.size() - TrailerSize;
    if (trailerAt < pos || (trailerAt - pos) % RunSize != 0) return false;
    if (bytes.mid(bytes.size() - TrailMagic.size()) != TrailMagic) return false;
    qint64 t = trailerAt;
    qint64 size = 0, count = 0;
    Take(bytes, t, size);
    const QByteArray tailDigest = bytes.mid(t, 20);
    t += 20;
    Take(bytes, t, count);
    if (count != (trailerAt - pos) / RunSize) return false;
    Runs.reserve(size_t(count));
    for (qint64 i = 0; i < count; ++i) {
        TIndexRun run;
        quint32 length = 0;
        Take(bytes, pos, run.FirstDay);
        Take(bytes, pos, run.LastDay);
        Take(bytes, pos, run.Offset);
        Take(bytes, pos, length);
        Take(bytes, pos, run.Rows);
        run.Length = length;
        if (run.Offset < dataStart || run.Offset + run.Length > size || run.Rows == 0) {
            Runs.clear();
            return false;
        }
        Runs.push_back(run);
    }
    Stamp = {size, dataStart, headDigest, tailDigest};
    // The file must be as the index last saw it.
    if (!(StampOfFile(dataFile, dataStart) == Stamp)) {
        Runs.clear();
        return false;
    }
    return true;
}

QByteArray TFileIndex::Bytes() const {
    QByteArray out = HeadMagic;
    Put<quint32>(out, Version);
    Put<qint64>(out, Stamp.DataStart);
    out += Stamp.HeadDigest.leftJustified(20, '\0', true);
    const QByteArray name = Field.toUtf8();
    Put<quint32>(out, quint32(name.size()));
    out += name;
    out.reserve(out.size() + qsizetype(Runs.size()) * RunSize + TrailerSize);
    for (const TIndexRun& run : Runs)
        PutRun(out, run);
    out += Trailer(Stamp, qint64(Runs.size()));
    return out;
}

QByteArray TFileIndex::AppendBytes(const std::vector<TIndexRun>& runs, qint64 runCount,
                                   const TDataStamp& stamp) {
    QByteArray out;
    for (const TIndexRun& run : runs)
        PutRun(out, run);
    out += Trailer(stamp, runCount + qint64(runs.size()));
    return out;
}

std::vector<TIndexRun> TFileIndex::RunsWithin(qint32 fromDay, qint32 toDay) const {
    std::vector<TIndexRun> found;
    for (const TIndexRun& run : Runs)
        if (run.FirstDay != NoDay && run.LastDay >= fromDay && run.FirstDay <= toDay)
            found.push_back(run);
    return found;
}
