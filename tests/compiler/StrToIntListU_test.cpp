// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "compiler/StrToIntListU.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// ア: trail byte 0x41 ("A")
constexpr const char* kKatakanaA = "\x83\x41";
// ヂ: trail byte 0x61 ("a")
constexpr const char* kKatakanaDi = "\x83\x61";

TEST(StrToIntList, CaseInsensitiveByDefault) {
  TStrToIntList list;
  list.AddName("Foo", 1);
  int value = 0;
  EXPECT_TRUE(list.FindName("FOO", value));
  EXPECT_EQ(value, 1);

  list.AddName("foo", 2);  // the same name: replaced
  EXPECT_EQ(list.Count(), 1);
  EXPECT_TRUE(list.FindName("Foo", value));
  EXPECT_EQ(value, 2);

  EXPECT_FALSE(list.FindName("Fo", value));
  list.RemoveName("absent");
  EXPECT_EQ(list.Count(), 1);
  list.RemoveName("fOO");
  EXPECT_EQ(list.Count(), 0);
  EXPECT_FALSE(list.FindName("Foo", value));
}

TEST(StrToIntList, DoubleByteTrailBytesAreNotLetters) {
  TStrToIntList list;
  list.AddName(kKatakanaA, 1);
  list.AddName(kKatakanaDi, 2);
  EXPECT_EQ(list.Count(), 2);
  int value = 0;
  EXPECT_TRUE(list.FindName(kKatakanaDi, value));
  EXPECT_EQ(value, 2);
}

TEST(StrToIntList, CaseSensitiveKeepsNamesApart) {
  TStrToIntList list;
  list.SetCaseSensitive(true);
  list.AddName("M7", 11);
  list.AddName("m7", 10);
  EXPECT_EQ(list.Count(), 2);
  int value = 0;
  EXPECT_TRUE(list.FindName("m7", value));
  EXPECT_EQ(value, 10);
  list.RemoveName("M7");
  EXPECT_FALSE(list.FindName("M7", value));
  EXPECT_TRUE(list.FindName("m7", value));
}

TEST(StrToIntList, SwitchingCaseRuleKeepsPairs) {
  TStrToIntList list;
  list.AddName("Foo", 1);
  list.SetCaseSensitive(true);
  int value = 0;
  EXPECT_TRUE(list.FindName("Foo", value));  // stored under the name as given
  EXPECT_EQ(value, 1);
  EXPECT_FALSE(list.FindName("FOO", value));

  list.AddName("FOO", 2);
  list.SetCaseSensitive(false);  // the names collide: one pair stays
  EXPECT_EQ(list.Count(), 1);
  EXPECT_TRUE(list.FindName("foo", value));
}

}  // namespace
