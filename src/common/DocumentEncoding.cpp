// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/DocumentEncoding.h"

#include <algorithm>

#include "common/TextCodec.h"

namespace pelorund {

namespace {

bool IsContinuation(unsigned char b) { return (b & 0xC0) == 0x80; }

}  // namespace

bool IsValidUtf8(std::string_view bytes) {
  size_t i = 0;
  while (i < bytes.size()) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    if (b < 0x80) {
      ++i;
      continue;
    }
    size_t extra = 0;
    // The allowed range of the second byte rules out overlong forms, surrogates and values above U+10FFFF.
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (b >= 0xC2 && b <= 0xDF) {
      extra = 1;
    } else if (b >= 0xE0 && b <= 0xEF) {
      extra = 2;
      if (b == 0xE0) low = 0xA0;
      if (b == 0xED) high = 0x9F;
    } else if (b >= 0xF0 && b <= 0xF4) {
      extra = 3;
      if (b == 0xF0) low = 0x90;
      if (b == 0xF4) high = 0x8F;
    } else {
      return false;
    }
    if (bytes.size() - i <= extra) return false;
    const auto second = static_cast<unsigned char>(bytes[i + 1]);
    if (second < low || second > high) return false;
    for (size_t k = 2; k <= extra; ++k) {
      if (!IsContinuation(static_cast<unsigned char>(bytes[i + k]))) return false;
    }
    i += extra + 1;
  }
  return true;
}

TTextEncoding DetectEncoding(std::string_view bytes) {
  if (bytes.substr(0, kUtf8Bom.size()) == kUtf8Bom) return TTextEncoding::Utf8Bom;
  const bool ascii = std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  if (!ascii && IsValidUtf8(bytes)) return TTextEncoding::Utf8;
  return TTextEncoding::Cp932;
}

TTextPlace Utf8PlaceOf(std::string_view utf8, size_t offset) {
  TTextPlace place{1, 1};
  const size_t end = std::min(offset, utf8.size());
  for (size_t i = 0; i < end; ++i) {
    const char c = utf8[i];
    if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < utf8.size() && utf8[i + 1] == '\n') ++i;
      ++place.Row;
      place.Column = 1;
    } else if (!IsContinuation(static_cast<unsigned char>(c))) {
      ++place.Column;
    }
  }
  return place;
}

std::string DocumentToUtf8(std::string_view bytes, TTextEncoding encoding) {
  if (encoding == TTextEncoding::Cp932) return Cp932ToUtf8(bytes);
  if (bytes.substr(0, kUtf8Bom.size()) == kUtf8Bom) bytes.remove_prefix(kUtf8Bom.size());
  return std::string(bytes);
}

std::optional<std::string> Utf8ToDocument(std::string_view utf8, TTextEncoding encoding, TTextPlace* bad) {
  switch (encoding) {
    case TTextEncoding::Utf8:
      return std::string(utf8);
    case TTextEncoding::Utf8Bom:
      return std::string(kUtf8Bom) + std::string(utf8);
    case TTextEncoding::Cp932:
      break;
  }
  size_t badOffset = 0;
  std::optional<std::string> cp932 = Utf8ToCp932(utf8, &badOffset);
  if (!cp932 && bad != nullptr) *bad = Utf8PlaceOf(utf8, badOffset);
  return cp932;
}

}  // namespace pelorund
