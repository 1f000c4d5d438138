#pragma once
// The rows of a record set and its clones: one typed column per data field (no variant per
// cell), a bit set of nulls per column, strings in one character arena per column, and the
// natural order of the live rows. Rows are addressed by slot; a deleted slot is never reused
// while the store lives, so a slot doubles as a bookmark.

#include "TField.h"

#include <QStringList>
#include <QStringView>
#include <cstdint>
#include <memory>
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

// What of the rows the file they were last read from or written to holds. The file's rows are
// the first Rows rows of the natural order, the rows of the slots below Slots, as long as none
// of them was changed or deleted and no row was put among them (Dirty false): rows added after
// them are all that the file lacks, and a save may add just those to its end.
struct TFileMark {
    bool Known = false;      // read from or written to FileName
    bool Dirty = false;      // a row of the file was changed, deleted or had a row put before it
    quint32 Slots = 0;       // the slots there were then: a lower slot is a row of the file
    size_t Rows = 0;         // rows of the natural order that are the file's rows
    QString FileName;        // absolute
    qint64 FileSize = 0;     // the file as it was left, to tell whether anyone changed it since
    qint64 FileModified = 0; // milliseconds since 1970
    quint64 Generation = 0;  // counts the times the mark was set by a read or a write
};

// The rows as they were before a batch of changes, to put them back (TRecordSet::UndoChanges):
// only the rows changed, inserted or deleted are kept, never a copy of the table.
struct TUndoRecord {
    enum TKind { Changed, Inserted, Deleted };
    struct TEntry {
        TKind Kind;
        quint32 Slot;
        size_t OrderIndex;          // Deleted: where the row stood in the natural order
        std::vector<TValue> Values; // Changed and Deleted: the row's values before
    };
    std::vector<TEntry> Entries;
    TFileMark Mark; // the file's mark when the record began
    qint64 PendingChanges = 0;
};

class TRowStore {
public:
    std::vector<TColumn> Columns;
    quint32 SlotCount = 0;
    std::vector<quint32> Order;       // live slots in their natural order
    std::vector<quint64> Dead;        // one bit per slot, set when deleted
    std::vector<TRecordSet*> Cursors; // record sets sharing these rows
    qint64 PendingChanges = 0;
    TFileMark File;
    std::unique_ptr<TUndoRecord> Undo; // while a batch of changes may still be undone
    // Above 0 while another thread reads the rows (a save writing them): nothing may change them.
    int Readers = 0;
    // Counts every change to the rows, so that a save can tell whether the rows it wrote are
    // still the rows there are once its file is in place.
    quint64 Edits = 0;

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
    // The values of every column of a slot.
    std::vector<TValue> RowValues(quint32 slot) const;
    // Notes a change to the rows before it is made: the file's mark, and the undo record when
    // one is kept.
    void NoteChanged(quint32 slot);
    void NoteInserted(quint32 slot, size_t orderIndex);
    void NoteDeleted(quint32 slot, size_t orderIndex);
};

// The names of a field list "A;B;C", blanks trimmed, empty names dropped.
QStringList SplitFieldList(const QString& list);
