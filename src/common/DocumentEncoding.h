// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// The encodings a document file may have. The core reads code page 932 only; UTF-8 documents are
// converted at the edges (the editor, the command line), and what code page 932 cannot hold is
// reported by its place, never replaced.
namespace pelorund {

enum class TTextEncoding {
  Cp932,    // code page 932 (Shift-JIS): the language's own encoding
  Utf8,     // UTF-8 without a byte order mark
  Utf8Bom,  // UTF-8 starting with a byte order mark
};

inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

/// Row (from 1) and column (from 1, in characters) of a place in a text; rows end at CR LF, CR or LF.
struct TTextPlace {
  int Row = 0;
  int Column = 0;
};

/// True when `bytes` is well-formed UTF-8: no overlong form, surrogate or code point above U+10FFFF.
bool IsValidUtf8(std::string_view bytes);
/// Utf8Bom for bytes starting with a byte order mark; Utf8 for valid UTF-8 holding a byte above
/// 0x7F; otherwise Cp932 (so a pure ASCII file stays code page 932).
TTextEncoding DetectEncoding(std::string_view bytes);
/// The place of byte `offset` of UTF-8 text.
TTextPlace Utf8PlaceOf(std::string_view utf8, size_t offset);

/// A document file's bytes as UTF-8: code page 932 converted (bytes forming no character become
/// U+FFFD), a byte order mark dropped.
std::string DocumentToUtf8(std::string_view bytes, TTextEncoding encoding);
/// UTF-8 text as a document file's bytes in `encoding`. Nothing when code page 932 cannot hold a
/// character; `bad` (when given) then receives its place.
std::optional<std::string> Utf8ToDocument(std::string_view utf8, TTextEncoding encoding, TTextPlace* bad = nullptr);

}  // namespace pelorund
