// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/DocumentEncoding.h"

#include <gtest/gtest.h>

#include "common/SourceText.h"
#include "common/TextCodec.h"

namespace {

using pelorund::TTextEncoding;

std::string Cp932(const std::string& utf8) { return pelorund::Utf8ToCp932(utf8).value(); }

TEST(DocumentEncoding, DetectsByTheByteOrderMarkOrValidUtf8WithNonAsciiBytes) {
  const struct {
    std::string Bytes;
    TTextEncoding Encoding;
  } cases[] = {
      {"", TTextEncoding::Cp932},
      {"c d e\r\n", TTextEncoding::Cp932},                    // ASCII stays code page 932
      {"\xEF\xBB\xBF" "c d e", TTextEncoding::Utf8Bom},
      {"\xEF\xBB\xBF", TTextEncoding::Utf8Bom},
      {"' あいう\r\nc", TTextEncoding::Utf8},
      {Cp932("' あいう\r\nc"), TTextEncoding::Cp932},
      {Cp932("' ドレミ ソースファイル"), TTextEncoding::Cp932},
      {"\xC0\xAF", TTextEncoding::Cp932},            // an overlong "/"
      {"\xED\xA0\x80", TTextEncoding::Cp932},        // a surrogate
      {"\xF4\x90\x80\x80", TTextEncoding::Cp932},    // beyond U+10FFFF
      {"c \xE3\x81", TTextEncoding::Cp932},          // cut inside a character
      {"\xF0\x9F\x98\x80", TTextEncoding::Utf8},     // U+1F600
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Bytes);
    EXPECT_EQ(c.Encoding, pelorund::DetectEncoding(c.Bytes));
  }
}

TEST(DocumentEncoding, EveryEncodingRoundTripsThroughUtf8) {
  const std::string utf8 = "' 春の歌\r\nt120 c d e\r\n";
  const struct {
    TTextEncoding Encoding;
    std::string File;
  } cases[] = {
      {TTextEncoding::Cp932, Cp932(utf8)},
      {TTextEncoding::Utf8, utf8},
      {TTextEncoding::Utf8Bom, "\xEF\xBB\xBF" + utf8},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.Encoding));
    EXPECT_EQ(c.File, pelorund::Utf8ToDocument(utf8, c.Encoding).value());
    EXPECT_EQ(c.Encoding, pelorund::DetectEncoding(c.File));
    EXPECT_EQ(utf8, pelorund::DocumentToUtf8(c.File, c.Encoding));
  }
}

TEST(DocumentEncoding, WhatCodePage932CannotHoldIsNamedByRowAndColumn) {
  const struct {
    const char* Utf8;
    int Row, Column;
  } cases[] = {
      {"😀", 1, 1},
      {"c d 😀", 1, 5},
      {"c\r\nあい😀", 2, 3},
      {"c\rd\ne\r\n\r\nf 🎵", 5, 3},  // CR, LF and CR LF each end a row
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Utf8);
    pelorund::TTextPlace place;
    EXPECT_FALSE(pelorund::Utf8ToDocument(c.Utf8, TTextEncoding::Cp932, &place).has_value());
    EXPECT_EQ(c.Row, place.Row);
    EXPECT_EQ(c.Column, place.Column);
    // UTF-8 documents hold it as it is.
    EXPECT_EQ(c.Utf8, pelorund::Utf8ToDocument(c.Utf8, TTextEncoding::Utf8).value());
  }
}

TEST(SourceText, ConvertsAsASourceFileIsReadAndTracesEveryByteBack) {
  pelorund::TSourceText text;
  const std::string utf8 = "あc\nd\r\ne";
  ASSERT_TRUE(text.Convert(utf8));
  EXPECT_EQ(Cp932("あc\r\nd\r\ne\r\n"), text.Cp932());
  const struct {
    size_t Cp932;
    size_t Utf8;
  } cases[] = {
      {0, 0}, {1, 0},  // both bytes of "あ"
      {2, 3},          // "c"
      {3, 4}, {4, 4},  // the lone LF became CR LF
      {5, 5},          // "d"
      {8, 8},          // "e"
      {9, 9}, {10, 9}, {11, 9}, {100, 9},  // the added line break and beyond
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Cp932);
    EXPECT_EQ(c.Utf8, text.Utf8Offset(c.Cp932));
  }
}

TEST(SourceText, StopsAtANulAndNamesWhatItCannotConvert) {
  pelorund::TSourceText text;
  ASSERT_TRUE(text.Convert(std::string("c d\0 e", 6)));
  EXPECT_EQ("c d\r\n", text.Cp932());
  ASSERT_TRUE(text.Convert(""));
  EXPECT_EQ("", text.Cp932());

  EXPECT_FALSE(text.Convert("c\r\nd ♩ e"));
  EXPECT_EQ(5u, text.BadOffset);
  EXPECT_EQ(2, text.BadPlace.Row);
  EXPECT_EQ(3, text.BadPlace.Column);
  EXPECT_EQ("", text.Cp932());
}

}  // namespace
