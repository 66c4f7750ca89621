// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/EditorLineU.h"

#include <algorithm>
#include <optional>

#include "common/Cp932.h"
#include "common/TextCodec.h"

namespace editor_line {

namespace {

// Bytes of the UTF-8 sequence that starts with `lead` (1 for a stray continuation byte).
size_t Utf8Length(unsigned char lead) {
  if (lead >= 0xF0) return 4;
  if (lead >= 0xE0) return 3;
  if (lead >= 0xC0) return 2;
  return 1;
}

// Each code point converted on its own; used only when the whole line does not convert.
TLineText MapByCodePoint(std::string_view utf8) {
  TLineText line;
  line.Utf8Offsets.clear();
  line.Cp932Offsets.clear();
  for (size_t pos = 0; pos < utf8.size();) {
    const size_t length = std::min(Utf8Length(static_cast<unsigned char>(utf8[pos])), utf8.size() - pos);
    line.Utf8Offsets.push_back(static_cast<int>(pos));
    line.Cp932Offsets.push_back(static_cast<int>(line.Cp932.size()));
    const std::optional<std::string> character = pelorund::Utf8ToCp932(utf8.substr(pos, length));
    // A character counts one, so a stand-in must be one character too.
    if (character && pelorund::CharCount(*character) == 1) {
      line.Cp932 += *character;
    } else {
      line.Cp932 += '?';
      line.Lossless = false;
    }
    pos += length;
  }
  line.Utf8Offsets.push_back(static_cast<int>(utf8.size()));
  line.Cp932Offsets.push_back(static_cast<int>(line.Cp932.size()));
  return line;
}

}  // namespace

int TLineText::Utf8OffsetOfChar(int index) const {
  if (index < 0) return 0;
  return index >= CharCount() ? Utf8Offsets.back() : Utf8Offsets[static_cast<size_t>(index)];
}

int TLineText::Utf8OffsetOfCp932(size_t offset) const {
  // The last character that starts at or before the offset.
  const auto it = std::upper_bound(Cp932Offsets.begin(), Cp932Offsets.end(), static_cast<int>(offset));
  const auto index = static_cast<int>(it - Cp932Offsets.begin()) - 1;
  return Utf8OffsetOfChar(std::max(index, 0));
}

int TLineText::Cp932OffsetOfUtf8(size_t offset) const {
  const auto it = std::upper_bound(Utf8Offsets.begin(), Utf8Offsets.end(), static_cast<int>(offset));
  const auto index = std::max(static_cast<int>(it - Utf8Offsets.begin()) - 1, 0);
  return index >= CharCount() ? Cp932Offsets.back() : Cp932Offsets[static_cast<size_t>(index)];
}

TLineText MapLine(std::string_view utf8Line) {
  std::optional<std::string> cp932 = pelorund::Utf8ToCp932(utf8Line);
  if (!cp932) return MapByCodePoint(utf8Line);
  TLineText line;
  line.Cp932 = std::move(*cp932);
  size_t u = 0;
  size_t c = 0;
  while (u < utf8Line.size() && c < line.Cp932.size()) {
    line.Utf8Offsets.push_back(static_cast<int>(u));
    line.Cp932Offsets.push_back(static_cast<int>(c));
    u += std::min(Utf8Length(static_cast<unsigned char>(utf8Line[u])), utf8Line.size() - u);
    c += pelorund::CharLengthAt(line.Cp932, c);
  }
  // Every code page 932 character comes from one code point; should the counts ever differ,
  // the slow path keeps the offsets honest.
  if (u != utf8Line.size() || c != line.Cp932.size()) return MapByCodePoint(utf8Line);
  line.Utf8Offsets.push_back(static_cast<int>(u));
  line.Cp932Offsets.push_back(static_cast<int>(c));
  return line;
}

}  // namespace editor_line
