// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/TextCodec.h"

#include <gtest/gtest.h>

namespace pelorund {
namespace {

TEST(TextCodecTest, RoundTrip) {
  struct Case {
    std::string_view cp932;
    std::string_view utf8;
  };
  const Case cases[] = {
      {"", ""},
      {"abc 123\r\n", "abc 123\r\n"},
      // パラメータ
      {"\x83\x70\x83\x89\x83\x81\x81\x5b\x83\x5e", "パラメータ"},
      // ｢ｱ｣: half-width katakana and corner brackets, single bytes
      {"\xa2\xb1\xa3", "｢ｱ｣"},
      // 表示ソ: trail bytes 0x5C
      {"\x95\x5c\x8e\xa6\x83\x5c", "表示ソ"},
      // a～b
      {"a\x81\x60" "b", "a～b"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.utf8);
    EXPECT_EQ(Cp932ToUtf8(c.cp932), c.utf8);
    size_t badOffset = 12345;
    EXPECT_EQ(Utf8ToCp932(c.utf8, &badOffset), std::string(c.cp932));
    EXPECT_EQ(badOffset, 12345U);
  }
}

TEST(TextCodecTest, InvalidCp932BecomesReplacementCharacters) {
  struct Case {
    const char* name;
    std::string_view cp932;
    std::string_view utf8;
  };
  const Case cases[] = {
      {"bytes that start nothing", "a\x80" "b\xa0\xfd\xfe\xff", "a\uFFFDb\uFFFD\uFFFD\uFFFD\uFFFD"},
      {"lone lead byte at the end", "x\x83", "x\uFFFD"},
      {"lead byte before a blank", "\x83 z", "\uFFFD z"},
      // ア after a bad byte: conversion goes on
      {"recovers", "\x80\x83\x41", "\uFFFDア"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Cp932ToUtf8(c.cp932), c.utf8);
  }
}

TEST(TextCodecTest, UnconvertibleUtf8GivesOffset) {
  struct Case {
    const char* name;
    std::string_view utf8;
    size_t offset;
  };
  const Case cases[] = {
      {"emoji", "ab😀c", 2},
      {"after Japanese", "パ😀", 3},
      {"replacement character", "\uFFFD", 0},
      {"invalid byte", "ok\xff", 2},
      {"truncated sequence", "a\xe3\x81", 1},
      {"overlong form", "\xc0\xaf", 0},
      {"surrogate", "x\xed\xa0\x80", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    size_t badOffset = 12345;
    EXPECT_EQ(Utf8ToCp932(c.utf8, &badOffset), std::nullopt);
    EXPECT_EQ(badOffset, c.offset);
    EXPECT_EQ(Utf8ToCp932(c.utf8), std::nullopt);
  }
}

}  // namespace
}  // namespace pelorund
