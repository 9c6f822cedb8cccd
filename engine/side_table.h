// Sorted-by-node side tables of the tree: lookups, in-order inserts and removals.
// Entries are almost always added in node order, so the back is tried first.
#pragma once
#include <algorithm>
#include <cstdint>
#include <vector>

// A full table grows by half its capacity, plus one while it is below 2.
template <typename Entry>
void growSideTable(std::vector<Entry>& table) {
  size_t capacity = table.capacity();
  if (table.size() == capacity) table.reserve(capacity + capacity / 2 + (capacity < 2 ? 1 : 0));
}

template <typename Entry>
typename std::vector<Entry>::iterator sideTableLowerBound(std::vector<Entry>& table, int32_t node) {
  if (table.empty() || table.back().node < node) return table.end();
  return std::lower_bound(table.begin(), table.end(), node,
                          [](const Entry& e, int32_t n) { return e.node < n; });
}

template <typename Entry>
const Entry* findSideEntry(const std::vector<Entry>& table, int32_t node) {
  auto it = std::lower_bound(table.begin(), table.end(), node,
                             [](const Entry& e, int32_t n) { return e.node < n; });
  return it != table.end() && it->node == node ? &*it : nullptr;
}

template <typename Entry>
void putSideEntry(std::vector<Entry>& table, const Entry& entry) {
  auto it = sideTableLowerBound(table, entry.node);
  if (it != table.end() && it->node == entry.node) {
    *it = entry;
    return;
  }
  size_t position = static_cast<size_t>(it - table.begin());
  growSideTable(table);
  table.insert(table.begin() + position, entry);
}

template <typename Entry>
void removeSideEntry(std::vector<Entry>& table, int32_t node) {
  auto it = sideTableLowerBound(table, node);
  if (it != table.end() && it->node == node) table.erase(it);
}
