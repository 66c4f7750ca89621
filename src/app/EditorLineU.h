// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// The editor control holds UTF-8; the program counts in code page 932. One line seen both ways,
// so that positions convert exactly in either direction.
namespace editor_line {

struct TLineText {
  /// The line in code page 932; a character without a code page 932 form stands as "?".
  std::string Cp932;
  /// For each character its byte offset in the UTF-8 line, then the line's length.
  std::vector<int> Utf8Offsets;
  /// For each character its byte offset in Cp932, then Cp932's length.
  std::vector<int> Cp932Offsets;
  /// False when some character had to stand as "?".
  bool Lossless = true;

  /// Characters of the line (a double-byte character counts one).
  [[nodiscard]] int CharCount() const { return static_cast<int>(Utf8Offsets.size()) - 1; }
  /// UTF-8 offset of the character with that index; the end of the line beyond the last.
  [[nodiscard]] int Utf8OffsetOfChar(int index) const;
  /// UTF-8 offset of the character that holds the code page 932 byte `offset`; the end beyond it.
  [[nodiscard]] int Utf8OffsetOfCp932(size_t offset) const;
  /// Code page 932 offset of the character that holds the UTF-8 byte `offset`; the end beyond it.
  [[nodiscard]] int Cp932OffsetOfUtf8(size_t offset) const;
};

/// Maps one line of UTF-8 text (without its line break).
TLineText MapLine(std::string_view utf8Line);

}  // namespace editor_line
