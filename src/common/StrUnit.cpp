// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/StrUnit.h"

#include "common/Cp932.h"

namespace pelorund {

size_t PosFrom(std::string_view sub, std::string_view text, int64_t start) {
  if (sub.empty() || text.empty() || start > static_cast<int64_t>(text.size())) return 0;
  // 0-based from here on; a lead byte always takes its next byte with it, even the last one.
  size_t p = start < 1 ? 0 : static_cast<size_t>(start - 1);
  while (p < text.size()) {
    if (text.compare(p, sub.size(), sub) == 0) return p + 1;  // a shorter tail never compares equal
    p += IsLeadByte(static_cast<uint8_t>(text[p])) ? 2 : 1;
  }
  return 0;
}

TReplaceResult ReplaceText(std::string_view text, std::string_view sub, std::string_view repl, bool all) {
  TReplaceResult result{std::string(text), 0};
  size_t p = PosFrom(sub, result.Text, 1);
  if (p == 0) return result;
  result.Text.replace(p - 1, sub.size(), repl);
  p += repl.size();
  if (!all) {
    result.Position = p;
    return result;
  }
  while ((p = PosFrom(sub, result.Text, static_cast<int64_t>(p))) != 0) {
    result.Text.replace(p - 1, sub.size(), repl);
    p += repl.size();
  }
  return result;
}

}  // namespace pelorund
