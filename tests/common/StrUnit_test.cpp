// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/StrUnit.h"

#include <gtest/gtest.h>

#include <string>

namespace pelorund {
namespace {

// ア: its trail byte is "A"
const std::string kA = "\x83\x41";

TEST(StrUnitTest, PosFrom) {
  struct Case {
    const char* name;
    std::string sub;
    std::string text;
    int64_t start;
    size_t pos;
  };
  const Case cases[] = {
      {"found after the first byte", "%TRACK", "X%TRACK", 1, 2},
      {"start at the match", "%TRACK", "X%TRACK", 2, 2},
      {"start behind the match", "%TRACK", "X%TRACK", 3, 0},
      {"start below 1 counts as 1", "b", "ab", -5, 2},
      {"start beyond the text", "a", "abcd", 5, 0},
      {"start at the last byte", "d", "abcd", 4, 4},
      {"empty substring", "", "abc", 1, 0},
      {"empty text", "a", "", 1, 0},
      {"case-sensitive", "a", "A", 1, 0},
      {"substring longer than the rest", "cde", "abcd", 1, 0},
      {"never inside a double-byte character", "A", kA, 1, 0},
      {"after a double-byte character", "A", kA + "A", 1, 3},
      {"whole double-byte character", kA, "x" + kA, 1, 2},
      // Boundaries are counted from the start given: from 2 the trail byte reads as a character.
      {"boundaries counted from start", "A", kA, 2, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(PosFrom(c.sub, c.text, c.start), c.pos);
  }
}

TEST(StrUnitTest, ReplaceText) {
  struct Case {
    const char* name;
    std::string text;
    std::string sub;
    std::string repl;
    bool all;
    std::string result;
    size_t pos;
  };
  const Case cases[] = {
      {"first only", "abab", "b", "XY", false, "aXYab", 4},
      {"every one", "abab", "b", "XY", true, "aXYaXY", 0},
      {"replacement holding the substring", "aaa", "a", "aa", true, "aaaaaa", 0},
      {"first of a replacement holding the substring", "aaa", "a", "aa", false, "aaaa", 3},
      {"not found", "abc", "x", "y", false, "abc", 0},
      {"empty substring changes nothing", "abc", "", "y", true, "abc", 0},
      {"deleting", "a-b-c", "-", "", true, "abc", 0},
      {"trail byte left alone", kA + "A", "A", "b", true, kA + "b", 0},
      {"replacement at the end", "ab", "b", "cd", false, "acd", 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const TReplaceResult r = ReplaceText(c.text, c.sub, c.repl, c.all);
    EXPECT_EQ(r.Text, c.result);
    EXPECT_EQ(r.Position, c.pos);
  }
}

}  // namespace
}  // namespace pelorund
