// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <deque>

/// An ordered list of 32-bit integers. Indexes outside 0..Count()-1 are the caller's error.
/// A deque, because queues (velocity offsets) take their entries from the front.
class TIntegerList {
 public:
  void Add(int32_t value) { items_.push_back(value); }
  [[nodiscard]] int32_t Get(int index) const { return items_[static_cast<size_t>(index)]; }
  void Delete(int index) { items_.erase(items_.begin() + index); }
  [[nodiscard]] int Count() const { return static_cast<int>(items_.size()); }
  void Clear() { items_.clear(); }

 private:
  std::deque<int32_t> items_;
};
