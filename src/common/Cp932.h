// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace pelorund {

/// True for the first byte of a double-byte character of code page 932.
constexpr bool IsLeadByte(uint8_t b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

/// Bytes taken by the character at `pos`: 2 for a lead byte with a byte after it, else 1 (0 at the end).
size_t CharLengthAt(std::string_view text, size_t pos);

/// Number of characters in `text`, a double-byte character counting as one.
size_t CharCount(std::string_view text);

/// Byte offset of the character with index `charIndex` (the text's size when it lies beyond the end).
size_t ByteOffsetOfChar(std::string_view text, size_t charIndex);

/// ASCII letters a-z upper-cased; every other byte, also inside double-byte characters, unchanged.
std::string UpperAscii(std::string_view text);

/// Case-insensitive comparison of ASCII letters, every other byte compared exactly.
bool SameTextAscii(std::string_view a, std::string_view b);

}  // namespace pelorund
