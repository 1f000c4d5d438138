#pragma once
// Stable multi-key sorting of row slots.

#include <QtGlobal>
#include <utility>
#include <vector>

class TRowStore;

// Sorts slots stably by the keys (column, descending). Nulls come first in ascending order;
// texts compare without regard to case.
void SortSlots(const TRowStore& store, std::vector<quint32>& slots,
               const std::vector<std::pair<int, bool>>& keys);
