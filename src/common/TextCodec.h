// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// Conversion between code page 932 bytes and UTF-8, for the edges only (terminal, widgets).
namespace pelorund {

/// Code page 932 to UTF-8; a byte sequence that is no character becomes U+FFFD.
std::string Cp932ToUtf8(std::string_view cp932);

/// UTF-8 to code page 932. Nothing when a character has no code page 932 form or the input is
/// not valid UTF-8; `badOffset` (when given) then receives the byte offset of the first such place.
std::optional<std::string> Utf8ToCp932(std::string_view utf8, size_t* badOffset = nullptr);

}  // namespace pelorund
