#include "TRowSort.h"

#include "TRowStore.h"

#include <QHash>
#include <algorithm>
#include <array>
#include <cstring>
#include <unordered_map>

// Every key becomes an unsigned 64-bit number whose order is the order of the values (null
// lowest, descending keys inverted); texts become the rank of their value among the distinct
// texts. Sorting then compares small fixed-size records held side by side, which keeps a
// million-row sort within the cache's reach.

namespace {
quint64 OrderedDouble(double value) {
    quint64 bits;
    std::memcpy(&bits, &value, sizeof bits);
    return (bits >> 63) ? ~bits : bits | (quint64(1) << 63);
}

struct TViewHash {
    size_t operator()(QStringView text) const { return qHash(text); }
};

// The rank (from 1) of each slot's text among the distinct texts, without regard to case.
void TextRanks(const TColumn& column, const std::vector<quint32>& slots,
               std::vector<quint64>& out) {
    std::unordered_map<QStringView, quint32, TViewHash> distinct;
    std::vector<quint32> ids(slots.size());
    std::vector<QStringView> values;
    for (size_t i = 0; i < slots.size(); ++i) {
        const quint32 slot = slots[i];
        if (column.IsNull(slot)) {
            ids[i] = quint32(-1);
            continue;
        }
        const QStringView text = column.Str(slot);
        const auto [it, inserted] = distinct.try_emplace(text, quint32(values.size()));
        if (inserted) values.push_back(text);
        ids[i] = it->second;
    }
    std::vector<quint32> order(values.size());
    for (quint32 i = 0; i < order.size(); ++i)
        order[i] = i;
    std::sort(order.begin(), order.end(), [&](quint32 a, quint32 b) {
        return values[a].compare(values[b], Qt::CaseInsensitive) < 0;
    });
    std::vector<quint64> rank(values.size());
    quint64 current = 0;
    for (size_t i = 0; i < order.size(); ++i) {
        if (i == 0 || values[order[i - 1]].compare(values[order[i]], Qt::CaseInsensitive) != 0)
            ++current;
        rank[order[i]] = current;
    }
    for (size_t i = 0; i < slots.size(); ++i)
        out[i] = ids[i] == quint32(-1) ? 0 : rank[ids[i]];
}

void KeyValues(const TColumn& c, const std::vector<quint32>& slots, bool descending,
               std::vector<quint64>& out) {
    out.assign(slots.size(), 0);
    switch (c.Type) {
    case TFieldType::String:
    case TFieldType::Memo:
        TextRanks(c, slots, out);
        break;
    case TFieldType::Blob: {
        // Rare: rank the distinct byte strings.
        std::vector<size_t> order(slots.size());
        for (size_t i = 0; i < order.size(); ++i)
            order[i] = i;
        std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
            const bool na = c.IsNull(slots[a]), nb = c.IsNull(slots[b]);
            if (na || nb) return na && !nb;
            return c.Blobs[slots[a]] < c.Blobs[slots[b]];
        });
        quint64 rank = 0;
        for (size_t i = 0; i < order.size(); ++i) {
            const quint32 slot = slots[order[i]];
            if (c.IsNull(slot)) continue;
            if (i == 0 || c.IsNull(slots[order[i - 1]]) ||
                c.Blobs[slots[order[i - 1]]] != c.Blobs[slot])
                ++rank;
            out[order[i]] = rank;
        }
        break;
    }
    default:
        for (size_t i = 0; i < slots.size(); ++i) {
            const quint32 slot = slots[i];
            if (c.IsNull(slot)) continue;
            switch (c.Type) {
            case TFieldType::Integer:
            case TFieldType::SmallInt:
            case TFieldType::AutoInc:
                out[i] = quint64(quint32(c.Ints[slot]) ^ 0x80000000u) + 1;
                break;
            case TFieldType::Boolean:
                out[i] = quint64(c.Bools[slot]) + 1;
                break;
            case TFieldType::DateTime:
            case TFieldType::Time:
            case TFieldType::Float:
                out[i] = std::max<quint64>(OrderedDouble(c.Floats[slot]), 1);
                break;
            case TFieldType::Currency:
                out[i] = std::max<quint64>(quint64(c.Units[slot]) ^ (quint64(1) << 63), 1);
                break;
            default:
                break;
            }
        }
    }
    if (descending)
        for (quint64& v : out)
            v = ~v;
}

template <size_t K>
void SortFixed(std::vector<quint32>& slots, const std::vector<std::vector<quint64>>& keys) {
    struct TEntry {
        std::array<quint64, K> Key;
        quint32 Slot;
    };
    std::vector<TEntry> entries(slots.size());
    for (size_t i = 0; i < slots.size(); ++i) {
        for (size_t k = 0; k < K; ++k)
            entries[i].Key[k] = keys[k][i];
        entries[i].Slot = slots[i];
    }
    std::stable_sort(entries.begin(), entries.end(),
                     [](const TEntry& a, const TEntry& b) { return a.Key < b.Key; });
    for (size_t i = 0; i < slots.size(); ++i)
        slots[i] = entries[i].Slot;
}
} // namespace

void SortSlots(const TRowStore& store, std::vector<quint32>& slots,
               const std::vector<std::pair<int, bool>>& keys) {
    if (keys.empty() || slots.size() < 2) return;
    std::vector<std::vector<quint64>> values(keys.size());
    for (size_t k = 0; k < keys.size(); ++k)
        KeyValues(store.Columns[size_t(keys[k].first)], slots, keys[k].second, values[k]);
    switch (keys.size()) {
    case 1:
        SortFixed<1>(slots, values);
        return;
    case 2:
        SortFixed<2>(slots, values);
        return;
    case 3:
        SortFixed<3>(slots, values);
        return;
    case 4:
        SortFixed<4>(slots, values);
        return;
    default:
        break;
    }
    // More keys: positions sorted by the key lists.
    std::vector<quint32> order(slots.size());
    for (quint32 i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](quint32 a, quint32 b) {
        for (const auto& v : values)
            if (v[a] != v[b]) return v[a] < v[b];
        return false;
    });
    std::vector<quint32> sorted(slots.size());
    for (size_t i = 0; i < order.size(); ++i)
        sorted[i] = slots[order[i]];
    slots.swap(sorted);
}
