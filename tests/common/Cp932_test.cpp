// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/Cp932.h"

#include <gtest/gtest.h>

namespace pelorund {
namespace {

// パラメータ (five double-byte characters)
constexpr std::string_view kParameter = "\x83\x70\x83\x89\x83\x81\x81\x5b\x83\x5e";
// ヂ: its trail byte is 'a'
constexpr std::string_view kDi = "\x83\x61";
// ア: its trail byte is 'A'
constexpr std::string_view kA = "\x83\x41";

TEST(Cp932Test, CountsAndLocatesCharacters) {
  struct Case {
    const char* name;
    std::string_view text;
    size_t count;
    size_t charIndex;
    size_t offset;
  };
  const std::string mixed = "a" + std::string(kParameter) + "b";
  const Case cases[] = {
      {"empty", "", 0, 0, 0},
      {"ascii", "abc", 3, 2, 2},
      {"double-byte", kParameter, 5, 3, 6},
      {"mixed", mixed, 7, 6, 11},
      // ｱ｢｣: half-width katakana are single bytes
      {"half-width katakana", "\xb1\xa2\xa3", 3, 2, 2},
      {"lone lead byte at the end", "ab\x83", 3, 2, 2},
      {"lead byte after double-byte character", "\x83\x70\x83", 2, 1, 2},
      {"index beyond the end", "ab\x83\x70", 3, 9, 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(CharCount(c.text), c.count);
    EXPECT_EQ(ByteOffsetOfChar(c.text, c.charIndex), c.offset);
  }
}

TEST(Cp932Test, CharLengthAtEdges) {
  EXPECT_EQ(CharLengthAt("\x83\x70", 0), 2U);
  EXPECT_EQ(CharLengthAt("a\x83", 1), 1U);
  EXPECT_EQ(CharLengthAt("a", 1), 0U);
  EXPECT_EQ(CharLengthAt("a", 5), 0U);
}

TEST(Cp932Test, UpperAsciiLeavesTrailBytesAlone) {
  EXPECT_EQ(UpperAscii("abc-xyz"), "ABC-XYZ");
  EXPECT_EQ(UpperAscii(std::string("q") + std::string(kDi) + "z"), std::string("Q") + std::string(kDi) + "Z");
}

TEST(Cp932Test, SameTextAsciiComparesTrailBytesExactly) {
  EXPECT_TRUE(SameTextAscii("Tempo", "tEMPO"));
  EXPECT_FALSE(SameTextAscii("Tempo", "Temp"));
  EXPECT_FALSE(SameTextAscii("a[", "A{"));
  EXPECT_TRUE(SameTextAscii(std::string(kDi) + "x", std::string(kDi) + "X"));
  EXPECT_FALSE(SameTextAscii(kDi, kA));
}

}  // namespace
}  // namespace pelorund
