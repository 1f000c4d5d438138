#pragma once
// An index of a persisted record-set file by the day of one date-time field, kept in a file of
// its own beside it ("History.xml" -> "History.index"): where in the file the rows of each
// stretch of days lie, so that the rows of a range of dates are read without the rest.
//
// The index lists runs of consecutive rows of the file whose days fall in one block of 32 days
// (with the first and last day the run holds), in the order of the file. A file whose rows are
// in date order has one run per block; one in any order still has runs of neighbouring rows.
// Rows added at the end of the file add runs at the end of the index, so the index grows by
// appending too.
//
// The index names the file as it was when the index was written: its size, a digest of its
// head (everything before the first row) and a digest of its last 4 KiB. An index that does not
// fit the file as it is now (the file was changed without it, by an older program say) is not
// used: the file is read whole instead, and the index is written again when the file is next
// read whole. Nothing in the data file depends on the index.
//
// File layout, little-endian: "TIVRELIX", version 1, the data file's head length and head
// digest, the field's name; 24 bytes per run (first day, last day, offset, length, rows); a
// trailer of the data file's size, its tail digest, the number of runs and "XILEVIRT".

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <vector>

// Where a row's text lies in a file: "<z:row … />" from its first byte to its last.
struct TRowSpan {
    qint64 Offset = 0;
    qint64 Length = 0;
};

struct TIndexRun {
    qint32 FirstDay = 0, LastDay = 0;
    qint64 Offset = 0, Length = 0;
    quint32 Rows = 0;
};

// What the index knows of its data file.
struct TDataStamp {
    qint64 Size = 0;
    qint64 DataStart = 0; // the length of the head, where the first row may begin
    QByteArray HeadDigest, TailDigest;
    bool operator==(const TDataStamp& other) const {
        return Size == other.Size && DataStart == other.DataStart &&
               HeadDigest == other.HeadDigest && TailDigest == other.TailDigest;
    }
};

class TFileIndex {
public:
    // The day a row of this date-time value counts under; a null value has none of its own.
    static constexpr qint32 NoDay = -2147483647 - 1;
    static qint32 DayOf(double dateTime);
    static constexpr qint64 TailLength = 4096;
    static constexpr qint64 TrailerSize = 8 + 20 + 8 + 8;
    static constexpr qint64 RunSize = 24;

    QString Field;
    TDataStamp Stamp;
    std::vector<TIndexRun> Runs;

    // "History.xml" -> "History.index" (the same folder).
    static QString FileNameFor(const QString& dataFile);
    // Runs of the rows given in file order, each with its day.
    static std::vector<TIndexRun> RunsOf(const std::vector<TRowSpan>& spans,
                                         const std::vector<qint32>& days);
    // The stamp of a data file whose head is dataStart long, read from the file; an empty
    // Size (-1) when it cannot be read.
    static TDataStamp StampOfFile(const QString& dataFile, qint64 dataStart);
    // The digest of a file's tail, from its last bytes.
    static QByteArray TailDigestOf(const QByteArray& lastBytes);
    static QByteArray Digest(const QByteArray& bytes);

    // Reads the index of field for the data file and checks that it fits the file as it is now;
    // false when there is none, it is damaged, or it does not fit.
    bool Read(const QString& dataFile, const QString& field);
    // The whole index file.
    QByteArray Bytes() const;
    // What an index file Bytes() wrote is to be cut back to (its trailer removed) before runs
    // are added, and what is then written there: the runs and a new trailer for the new stamp.
    static qint64 AppendPosition(qint64 indexSize) { return indexSize - TrailerSize; }
    static QByteArray AppendBytes(const std::vector<TIndexRun>& runs, qint64 runCount,
                                  const TDataStamp& stamp);

    // The runs that may hold rows of days from fromDay to toDay, in file order.
    std::vector<TIndexRun> RunsWithin(qint32 fromDay, qint32 toDay) const;
};
