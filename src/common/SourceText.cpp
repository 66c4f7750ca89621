// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/SourceText.h"

#include <algorithm>
#include <optional>

#include "common/Cp932.h"
#include "common/TextCodec.h"

namespace pelorund {

namespace {

// Bytes of the UTF-8 sequence that starts with `lead` (1 for a stray continuation byte).
size_t Utf8Length(unsigned char lead) {
  if (lead >= 0xF0) return 4;
  if (lead >= 0xE0) return 3;
  if (lead >= 0xC0) return 2;
  return 1;
}

}  // namespace

bool TSourceText::Convert(std::string_view utf8) {
  utf8 = utf8.substr(0, utf8.find('\0'));  // the compiler's text ends at a NUL
  size_t badOffset = 0;
  const std::optional<std::string> whole = Utf8ToCp932(utf8, &badOffset);
  if (!whole) {
    cp932_.clear();
    utf8Offsets_.clear();
    BadOffset = badOffset;
    BadPlace = Utf8PlaceOf(utf8, badOffset);
    return false;
  }
  // Every code point gives one character of code page 932; should the two ever disagree, the
  // slow way converts each code point on its own.
  return Map(utf8, &*whole) || Map(utf8, nullptr);
}

bool TSourceText::Map(std::string_view utf8, const std::string* whole) {
  cp932_.clear();
  utf8Offsets_.clear();
  cp932_.reserve(utf8.size() + 2);
  utf8Offsets_.reserve(utf8.size() + 3);
  auto put = [&](std::string_view bytes, size_t from) {
    cp932_ += bytes;
    utf8Offsets_.insert(utf8Offsets_.end(), bytes.size(), static_cast<uint32_t>(from));
  };
  size_t c = 0;  // in *whole
  for (size_t u = 0; u < utf8.size();) {
    const char ch = utf8[u];
    if (ch == '\r' || ch == '\n') {
      const size_t length = ch == '\r' && u + 1 < utf8.size() && utf8[u + 1] == '\n' ? 2 : 1;
      put("\r", u);
      put("\n", u + length - 1);
      u += length;
      c += length;
      continue;
    }
    const size_t length = std::min(Utf8Length(static_cast<unsigned char>(ch)), utf8.size() - u);
    if (whole != nullptr) {
      if (c >= whole->size()) return false;
      const size_t bytes = CharLengthAt(*whole, c);
      put(std::string_view(*whole).substr(c, bytes), u);
      c += bytes;
    } else {
      const std::optional<std::string> character = Utf8ToCp932(utf8.substr(u, length));
      if (!character || character->empty()) {
        BadOffset = u;
        BadPlace = Utf8PlaceOf(utf8, u);
        cp932_.clear();
        utf8Offsets_.clear();
        return false;
      }
      put(*character, u);
    }
    u += length;
  }
  if (whole != nullptr && c != whole->size()) return false;
  // A source file's last line ends with a line break too.
  if (!utf8.empty() && utf8.back() != '\r' && utf8.back() != '\n') put("\r\n", utf8.size());
  utf8Offsets_.push_back(static_cast<uint32_t>(utf8.size()));
  return true;
}

size_t TSourceText::Utf8Offset(size_t offset) const {
  if (utf8Offsets_.empty()) return 0;
  return utf8Offsets_[std::min(offset, utf8Offsets_.size() - 1)];
}

}  // namespace pelorund
