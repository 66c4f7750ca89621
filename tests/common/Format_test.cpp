// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/Format.h"

#include <gtest/gtest.h>

namespace pelorund {
namespace {

TEST(FormatTest, HexIsUpperCase) {
  EXPECT_EQ(Format("%x", 255), "FF");
  EXPECT_EQ(Format("%02x %X", 10, 171), "0A AB");
  EXPECT_EQ(Format("%#x", 255), "0XFF");
  EXPECT_EQ(Format("%-4x|", 255), "FF  |");
  EXPECT_EQ(Format("%lx", 0xabcdefL), "ABCDEF");
  EXPECT_EQ(Format("%%x=%x", 0xbe), "%x=BE");
}

TEST(FormatTest, WidthPrecisionAndStrings) {
  EXPECT_EQ(Format("%4d", 5), "   5");
  EXPECT_EQ(Format("%.3d", 5), "005");
  EXPECT_EQ(Format("%-3d|", -1), "-1 |");
  EXPECT_EQ(Format("[%s]", "box"), "[box]");
  EXPECT_EQ(Format("%s", ""), "");
  EXPECT_EQ(Format("no conversions"), "no conversions");
}

TEST(FormatTest, LongOutput) {
  const std::string longText(10000, 'x');
  const std::string result = Format("<%s>%d", longText.c_str(), 7);
  EXPECT_EQ(result, "<" + longText + ">7");
}

}  // namespace
}  // namespace pelorund
