#pragma once
// The rows of a record set and its clones: one typed column per data field (no variant per
// cell), a bit set of nulls per column, strings in one character arena per column, and the
// natural order of the live rows. Rows are addressed by slot; a deleted slot is never reused
// while the store lives, so a slot doubles as a bookmark.

#include "TField.h"

#include <QStringList>
#include <QStringView>
#include <cstdint>
#include <vector>

class TRecordSet;

struct TStrRef {
    quint32 Offset = 0;
    quint32 Length = 0;
};

class TColumn {
public:
    TColumn(TFieldType type, int size) : Type(type), Size(size) {}

    TFieldType Type;
    int Size;
    std::vector<qint32> Ints;      // Integer, SmallInt, AutoInc
    std::vector<quint8> Bools;     // Boolean
    std::vector<double> Floats;    // DateTime, Time, Float
    std::vector<qint64> Units;     // Currency
    std::vector<TStrRef> Strings;  // String, Memo
    std::vector<char16_t> Arena;   // characters of String and Memo cells
    size_t ArenaGarbage = 0;       // characters no cell refers to any more
    std::vector<QByteArray> Blobs; // Blob
    std::vector<quint64> Nulls;    // one bit per slot, set when null

    bool IsNull(quint32 slot) const { return (Nulls[slot >> 6] >> (slot & 63)) & 1; }
    void SetNullBit(quint32 slot, bool null) {
        if (null)
            Nulls[slot >> 6] |= quint64(1) << (slot & 63);
        else
            Nulls[slot >> 6] &= ~(quint64(1) << (slot & 63));
    }
    QStringView Str(quint32 slot) const {
        const TStrRef r = Strings[slot];
        return QStringView(Arena.data() + r.Offset, qsizetype(r.Length));
    }
    void Resize(size_t slots);
    void Reserve(size_t slots);
    TValue Get(quint32 slot) const;
    void Set(quint32 slot, const TValue& value);
    void SetString(quint32 slot, QStringView text);
    // Appends characters to the arena and returns their reference (no cell is changed).
    TStrRef AppendChars(const char16_t* data, size_t length);
    void CompactArena();
};

class TRowStore {
public:
    std::vector<TColumn> Columns;
    quint32 SlotCount = 0;
    std::vector<quint32> Order;       // live slots in their natural order
    std::vector<quint64> Dead;        // one bit per slot, set when deleted
    std::vector<TRecordSet*> Cursors; // record sets sharing these rows
    qint64 PendingChanges = 0;

    bool IsAlive(quint32 slot) const {
        return slot < SlotCount && !((Dead[slot >> 6] >> (slot & 63)) & 1);
    }
    // A new slot, every cell null, not yet in Order.
    quint32 NewSlot();
    void MarkDead(quint32 slot) { Dead[slot >> 6] |= quint64(1) << (slot & 63); }
    // Pre-sizes every column for a number of slots (bulk loading).
    void Reserve(size_t slots);
    // Sets the slot count after bulk loading filled the columns directly.
    void FinishBulk(quint32 slots);
    size_t MemoryUsage() const;
};

// The names of a field list "A;B;C", blanks trimmed, empty names dropped.
QStringList SplitFieldList(const QString& list);
