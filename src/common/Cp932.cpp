// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/Cp932.h"

namespace pelorund {

namespace {

char UpperByte(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

size_t CharLengthAt(std::string_view text, size_t pos) {
  if (pos >= text.size()) return 0;
  // A lead byte at the very end has no partner and stands alone.
  if (IsLeadByte(static_cast<uint8_t>(text[pos])) && pos + 1 < text.size()) return 2;
  return 1;
}

size_t CharCount(std::string_view text) {
  size_t count = 0;
  for (size_t pos = 0; pos < text.size(); pos += CharLengthAt(text, pos)) ++count;
  return count;
}

size_t ByteOffsetOfChar(std::string_view text, size_t charIndex) {
  size_t pos = 0;
  for (size_t i = 0; i < charIndex && pos < text.size(); ++i) pos += CharLengthAt(text, pos);
  return pos;
}

std::string UpperAscii(std::string_view text) {
  std::string result(text);
  // Trail bytes 0x61-0x7A must stay as they are, so step over double-byte characters whole.
  for (size_t pos = 0; pos < result.size();) {
    const size_t len = CharLengthAt(result, pos);
    if (len == 1) result[pos] = UpperByte(result[pos]);
    pos += len;
  }
  return result;
}

bool SameTextAscii(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t pos = 0; pos < a.size();) {
    const size_t len = CharLengthAt(a, pos);
    if (len == 2) {
      if (a.substr(pos, 2) != b.substr(pos, 2)) return false;
    } else if (UpperByte(a[pos]) != UpperByte(b[pos])) {
      return false;
    }
    pos += len;
  }
  return true;
}

}  // namespace pelorund
