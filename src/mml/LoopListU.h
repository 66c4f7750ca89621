// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

/// One open loop "[ ... ]n".
struct TLoopListItem {
  int Remaining = 1;            // passes still to run after the current one
  size_t Start = 0;             // just after "["
  std::optional<size_t> Exit;   // just after "]n", known from the first arrival there
};

/// The stack of open loops; positions are places in the source (the scanner's Cursor).
class TLoopList {
 public:
  /// Opens a loop whose passes start at `position`.
  void Open(size_t position);
  /// "|": on the last pass of the innermost loop, jumps to its exit and closes it.
  bool Break(size_t& position);
  /// "]n": the first arrival fixes the count; every arrival but the last jumps back to the start.
  bool Close(size_t& position, int count);
  [[nodiscard]] int Count() const { return static_cast<int>(Items.size()); }
  void Clear() { Items.clear(); }

  std::vector<TLoopListItem> Items;  // innermost last
  std::string Message;               // text of the last failure
};
