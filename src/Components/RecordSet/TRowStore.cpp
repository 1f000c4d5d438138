#include "TRowStore.h"

#include <cstring>

namespace {
size_t Words(size_t slots) {
    return (slots + 63) / 64;
}
} // namespace

void TColumn::Resize(size_t slots) {
    switch (Type) {
    case TFieldType::Integer:
    case TFieldType::SmallInt:
    case TFieldType::AutoInc:
        Ints.resize(slots);
        break;
    case TFieldType::Boolean:
        Bools.resize(slots);
        break;
    case TFieldType::DateTime:
    case TFieldType::Time:
    case TFieldType::Float:
        Floats.resize(slots);
        break;
    case TFieldType::Currency:
        Units.resize(slots);
        break;
    case TFieldType::String:
    case TFieldType::Memo:
        Strings.resize(slots);
        break;
    case TFieldType::Blob:
        Blobs.resize(slots);
        break;
    }
    // New slots start null.
    Nulls.resize(Words(slots), ~quint64(0));
}

void TColumn::Reserve(size_t slots) {
    switch (Type) {
    case TFieldType::Integer:
    case TFieldType::SmallInt:
    case TFieldType::AutoInc:
        Ints.reserve(slots);
        break;
    case TFieldType::Boolean:
        Bools.reserve(slots);
        break;
    case TFieldType::DateTime:
    case TFieldType::Time:
    case TFieldType::Float:
        Floats.reserve(slots);
        break;
    case TFieldType::Currency:
        Units.reserve(slots);
        break;
    case TFieldType::String:
    case TFieldType::Memo:
        Strings.reserve(slots);
        break;
    case TFieldType::Blob:
        Blobs.reserve(slots);
        break;
    }
    Nulls.reserve(Words(slots));
}

TValue TColumn::Get(quint32 slot) const {
    TValue v;
    if (IsNull(slot)) return v;
    v.IsNull = false;
    switch (Type) {
    case TFieldType::Integer:
    case TFieldType::SmallInt:
    case TFieldType::AutoInc:
        v.Int = Ints[slot];
        break;
    case TFieldType::Boolean:
        v.Int = Bools[slot];
        break;
    case TFieldType::DateTime:
    case TFieldType::Time:
    case TFieldType::Float:
        v.Float = Floats[slot];
        break;
    case TFieldType::Currency:
        v.Int = Units[slot];
        break;
    case TFieldType::String:
    case TFieldType::Memo:
        v.Text = Str(slot).toString();
        break;
    case TFieldType::Blob:
        v.Bytes = Blobs[slot];
        break;
    }
    return v;
}

TStrRef TColumn::AppendChars(const char16_t* data, size_t length) {
    TStrRef ref;
    ref.Offset = quint32(Arena.size());
    ref.Length = quint32(length);
    Arena.insert(Arena.end(), data, data + length);
    return ref;
}

void TColumn::SetString(quint32 slot, QStringView text) {
    TStrRef& ref = Strings[slot];
    const size_t length = size_t(text.size());
    if (length <= ref.Length && !IsNull(slot)) {
        // Overwrite in place; the unused tail becomes garbage.
        std::memcpy(Arena.data() + ref.Offset, text.utf16(), length * sizeof(char16_t));
        ArenaGarbage += ref.Length - length;
        ref.Length = quint32(length);
    } else {
        if (!IsNull(slot)) ArenaGarbage += ref.Length;
        ref = AppendChars(reinterpret_cast<const char16_t*>(text.utf16()), length);
    }
    SetNullBit(slot, false);
    if (ArenaGarbage > 4096 && ArenaGarbage > Arena.size() / 2) CompactArena();
}

void TColumn::CompactArena() {
    std::vector<char16_t> fresh;
    fresh.reserve(Arena.size() - ArenaGarbage);
    for (quint32 slot = 0; slot < Strings.size(); ++slot) {
        TStrRef& ref = Strings[slot];
        if (IsNull(slot)) {
            ref = TStrRef();
            continue;
        }
        const quint32 offset = quint32(fresh.size());
        fresh.insert(fresh.end(), Arena.begin() + ref.Offset,
                     Arena.begin() + ref.Offset + ref.Length);
        ref.Offset = offset;
    }
    Arena.swap(fresh);
    ArenaGarbage = 0;
}

void TColumn::Set(quint32 slot, const TValue& value) {
    if (value.IsNull) {
        if ((Type == TFieldType::String || Type == TFieldType::Memo) && !IsNull(slot)) {
            ArenaGarbage += Strings[slot].Length;
            Strings[slot] = TStrRef();
        }
        if (Type == TFieldType::Blob) Blobs[slot] = QByteArray();
        SetNullBit(slot, true);
        return;
    }
    switch (Type) {
    case TFieldType::Integer:
    case TFieldType::SmallInt:
    case TFieldType::AutoInc:
        Ints[slot] = qint32(value.Int);
        break;
    case TFieldType::Boolean:
        Bools[slot] = value.Int != 0;
        break;
    case TFieldType::DateTime:
    case TFieldType::Time:
    case TFieldType::Float:
        Floats[slot] = value.Float;
        break;
    case TFieldType::Currency:
        Units[slot] = value.Int;
        break;
    case TFieldType::String:
    case TFieldType::Memo:
        SetString(slot, value.Text);
        return;
    case TFieldType::Blob:
        Blobs[slot] = value.Bytes;
        break;
    }
    SetNullBit(slot, false);
}

quint32 TRowStore::NewSlot() {
    const quint32 slot = SlotCount++;
    for (TColumn& column : Columns)
        column.Resize(SlotCount);
    Dead.resize(Words(SlotCount), 0);
    return slot;
}

void TRowStore::Reserve(size_t slots) {
    for (TColumn& column : Columns)
        column.Reserve(slots);
    Order.reserve(slots);
}

void TRowStore::FinishBulk(quint32 slots) {
    SlotCount = slots;
    Dead.assign(Words(slots), 0);
    Order.resize(slots);
    for (quint32 i = 0; i < slots; ++i)
        Order[i] = i;
}

size_t TRowStore::MemoryUsage() const {
    size_t bytes = Order.capacity() * 4 + Dead.capacity() * 8;
    for (const TColumn& c : Columns) {
        bytes += c.Ints.capacity() * 4 + c.Bools.capacity() + c.Floats.capacity() * 8 +
                 c.Units.capacity() * 8 + c.Strings.capacity() * sizeof(TStrRef) +
                 c.Arena.capacity() * 2 + c.Nulls.capacity() * 8 +
                 c.Blobs.capacity() * sizeof(QByteArray);
        for (const QByteArray& b : c.Blobs)
            bytes += size_t(b.capacity());
    }
    return bytes;
}

std::vector<TValue> TRowStore::RowValues(quint32 slot) const {
    std::vector<TValue> values;
    values.reserve(Columns.size());
    for (const TColumn& column : Columns)
        values.push_back(column.Get(slot));
    return values;
}

void TRowStore::NoteChanged(quint32 slot) {
    ++Edits;
    if (slot < File.Slots) File.Dirty = true;
    if (Undo) Undo->Entries.push_back({TUndoRecord::Changed, slot, 0, RowValues(slot)});
}

void TRowStore::NoteInserted(quint32 slot, size_t orderIndex) {
    ++Edits;
    if (orderIndex < File.Rows) File.Dirty = true;
    if (Undo) Undo->Entries.push_back({TUndoRecord::Inserted, slot, orderIndex, {}});
}

void TRowStore::NoteDeleted(quint32 slot, size_t orderIndex) {
    ++Edits;
    if (slot < File.Slots) File.Dirty = true;
    if (Undo) Undo->Entries.push_back({TUndoRecord::Deleted, slot, orderIndex, RowValues(slot)});
}

QStringList SplitFieldList(const QString& list) {
    QStringList names;
    for (const QString& part : list.split(QLatin1Char(';'))) {
        const QString name = part.trimmed();
        if (!name.isEmpty()) names << name;
    }
    return names;
}
