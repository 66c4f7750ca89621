// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/CommaList.h"

#include <gtest/gtest.h>

namespace pelorund {
namespace {

TEST(CommaListTest, Splits) {
  struct Case {
    std::string_view text;
    std::vector<std::string> items;
  };
  const Case cases[] = {
      {"", {}},
      {" \t ", {}},
      {"a", {"a"}},
      {"a,,b", {"a", "", "b"}},
      {"a,", {"a", ""}},
      {",", {"", ""}},
      {"a, ", {"a"}},
      {"a b", {"a", "b"}},
      {"\ta\r\n,b ", {"a", "b"}},
      {"0, 4 ,7", {"0", "4", "7"}},
      {"\"x y\",z", {"x y", "z"}},
      {"\"a\"\"b\"", {"a\"b"}},
      {"\"\",x", {"", "x"}},
      {"\"open, end", {"open, end"}},
      {"\"q\"r", {"q", "r"}},
      // 表,能: unquoted double-byte items whose trail bytes are 0x5C
      {"\x95\x5c,\x94\x5c", {"\x95\x5c", "\x94\x5c"}},
      // "ソ,ポ" x: trail bytes 0x5C and 0x7C inside a quoted item
      {"\"\x83\x5c,\x83\x7c\" x", {"\x83\x5c,\x83\x7c", "x"}},
      // "\x81" then a quote: the quote is the trail byte of the character and does not close
      {"\"\x81\",b", {"\x81\",b"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "text: [" << c.text << "]");
    EXPECT_EQ(SplitCommaList(c.text), c.items);
  }
}

}  // namespace
}  // namespace pelorund
