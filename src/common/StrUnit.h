// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Search and replace in code page 932 text that never matches inside a double-byte character.
namespace pelorund {

/// 1-based byte position of the first `sub` at or after `start` that begins on a character
/// boundary counted from `start` (below 1 counts as 1); 0 when none or when `sub` or `text` is empty.
size_t PosFrom(std::string_view sub, std::string_view text, int64_t start);

/// The outcome of ReplaceText.
struct TReplaceResult {
  std::string Text;
  /// 0 when nothing was found or every occurrence was replaced; otherwise the 1-based position
  /// just after the inserted replacement.
  size_t Position = 0;
};

/// Replaces the first (or, with `all`, every) occurrence of `sub` found by PosFrom; the search
/// resumes behind each inserted replacement, so a replacement is never searched again.
TReplaceResult ReplaceText(std::string_view text, std::string_view sub, std::string_view repl, bool all);

}  // namespace pelorund
