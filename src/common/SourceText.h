// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/DocumentEncoding.h"

namespace pelorund {

/// UTF-8 text (what an editor holds) as the compiler reads a source: code page 932, cut at a NUL,
/// every line ended by CR LF, with each byte offset of that text traced back to the UTF-8 text, so
/// that the compiler's positions can be shown in the editor.
class TSourceText {
 public:
  /// Converts `utf8`; false, with BadOffset and BadPlace naming the first character that code page
  /// 932 cannot hold (or the first byte that is no UTF-8), and an empty text.
  bool Convert(std::string_view utf8);
  /// The text for the compiler.
  [[nodiscard]] const std::string& Cp932() const { return cp932_; }
  /// The UTF-8 offset of the character that holds code page 932 byte `offset` (a line break added
  /// at the end maps to the end); the UTF-8 text's size beyond the end.
  [[nodiscard]] size_t Utf8Offset(size_t offset) const;

  size_t BadOffset = 0;
  TTextPlace BadPlace;

 private:
  /// One code point at a time; `whole` is the whole text's conversion when it is to be trusted.
  bool Map(std::string_view utf8, const std::string* whole);

  std::string cp932_;
  std::vector<uint32_t> utf8Offsets_;  // per byte of cp932_, then one for its end
};

}  // namespace pelorund
