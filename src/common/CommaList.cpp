// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/CommaList.h"

#include "common/Cp932.h"

namespace pelorund {

namespace {

bool IsBlank(char c) { return static_cast<uint8_t>(c) <= 0x20; }

size_t SkipBlanks(std::string_view text, size_t pos) {
  while (pos < text.size() && IsBlank(text[pos])) ++pos;
  return pos;
}

// Reads the quoted item starting at `pos` (on the opening quote); returns the position after it.
size_t ReadQuoted(std::string_view text, size_t pos, std::string& item) {
  ++pos;
  while (pos < text.size()) {
    const size_t len = CharLengthAt(text, pos);
    if (len == 1 && text[pos] == '"') {
      if (pos + 1 < text.size() && text[pos + 1] == '"') {
        item += '"';
        pos += 2;
        continue;
      }
      return pos + 1;
    }
    // Whole characters, so a trail byte is never taken for a quote.
    item.append(text.substr(pos, len));
    pos += len;
  }
  return pos;  // unclosed: the item runs to the end
}

}  // namespace

std::vector<std::string> SplitCommaList(std::string_view text) {
  std::vector<std::string> items;
  size_t pos = SkipBlanks(text, 0);
  while (pos < text.size()) {
    std::string item;
    if (text[pos] == '"') {
      pos = ReadQuoted(text, pos, item);
    } else {
      const size_t start = pos;
      while (pos < text.size() && !IsBlank(text[pos]) && text[pos] != ',') ++pos;
      item.assign(text.substr(start, pos - start));
    }
    items.push_back(std::move(item));
    pos = SkipBlanks(text, pos);
    if (pos < text.size() && text[pos] == ',') {
      if (pos + 1 == text.size()) items.emplace_back();
      pos = SkipBlanks(text, pos + 1);
    }
  }
  return items;
}

}  // namespace pelorund
