// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/MmlTokens.h"

#include <gtest/gtest.h>

#include <string>

#include "common/Cp932.h"

namespace pelorund {
namespace {

const char* KindName(TTokenKind kind) {
  switch (kind) {
    case TTokenKind::Ank: return "Ank";
    case TTokenKind::Comment: return "Comment";
    case TTokenKind::DBCS: return "DBCS";
    case TTokenKind::Int: return "Int";
    case TTokenKind::Str: return "Str";
    case TTokenKind::Symbol: return "Symbol";
    case TTokenKind::Macro: return "Macro";
    case TTokenKind::Chord: return "Chord";
    case TTokenKind::Brace: return "Brace";
  }
  return "?";
}

// "Kind(text) Kind(text)": the tokens with the characters they cover, cut out of the line by
// their character positions, so a wrong position shows as wrong text.
std::string Render(std::string_view line, const std::vector<TToken>& tokens) {
  std::string out;
  for (const TToken& t : tokens) {
    const size_t from = ByteOffsetOfChar(line, static_cast<size_t>(t.start));
    const size_t to = ByteOffsetOfChar(line, static_cast<size_t>(t.start + t.length));
    if (!out.empty()) out += ' ';
    out += std::string(KindName(t.kind)) + "(" + std::string(line.substr(from, to - from)) + ")";
  }
  return out;
}

std::string Tokens(std::string_view line, bool inBrace = false, bool* endsInBrace = nullptr) {
  std::vector<TToken> tokens;
  const bool open = TokenizeLine(line, inBrace, tokens);
  if (endsInBrace != nullptr) *endsInBrace = open;
  return Render(line, tokens);
}

// マ: its trail byte is "}"
const std::string kMa = "\x83\x7d";
// コメント
const std::string kComment = "\x83\x52\x83\x81\x83\x93\x83\x67";
// 表: its trail byte is "\"
const std::string kHyo = "\x95\x5c";

TEST(MmlTokensTest, OneLine) {
  struct Case {
    std::string line;
    std::string tokens;
  };
  const Case cases[] = {
      {"%track0", "Symbol(%track) Int(0)"},
      {"@y2", "Symbol(@y) Int(2)"},
      {"$mute01 `GMSYSTEMON", "Symbol($mute01) Symbol(`GMSYSTEMON)"},
      {"l16", "Ank(l) Int(16)"},
      {"c4.^8", "Ank(c) Int(4.^8)"},
      {". *30 _8", "Symbol(.) Int(*30) Int(_8)"},
      {"$mute01={@mute};", "Symbol($mute01) Symbol(=) Brace({@mute}) Symbol(;)"},
      {"c(M7)4", "Ank(c) Chord((M7)) Int(4)"},
      {"c(M7", "Ank(c) Chord((M7)"},
      {"'" + kComment + " c", "Comment('" + kComment + " c)"},
      {"[c d]2", "Macro([) Ank(c) Ank(d) Macro(]) Int(2)"},
      {"/:|", "Macro(/) Macro(:) Macro(|)"},
      {"a\"x{y\"b", "Ank(a) Str(\"x{y\") Ank(b)"},
      {"\"open", "Str(\"open)"},
      {"+-#=,<>!?&~)}", "Symbol(+) Symbol(-) Symbol(#) Symbol(=) Symbol(,) Symbol(<) Symbol(>) Symbol(!) "
                        "Symbol(?) Symbol(&) Symbol(~) Symbol()) Symbol(})"},
      // Tabs and blanks have no token; the character count goes on across them.
      {"\tc \x01\x1f" "d", "Ank(c) Ank(d)"},
      {kComment + "c", "DBCS(" + kComment + ") Ank(c)"},
      // ｱｲ: half-width katakana are single bytes of their own class
      {"\xb1\xb2" "c", "DBCS(\xb1\xb2) Ank(c)"},
      // A second byte that equals a closing sign does not close the token.
      {"{" + kMa + "}x", "Brace({" + kMa + "}) Ank(x)"},
      {"(" + kMa + ")", "Chord((" + kMa + "))"},
      {"\"" + kHyo + "\"", "Str(\"" + kHyo + "\")"},
      {"{a{b}c}", "Brace({a{b}) Ank(c) Symbol(})"},
      {"\x83", "DBCS(\x83)"},
      {"\x80\xfd", "Symbol(\x80) Symbol(\xfd)"},
      {"", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    bool open = true;
    EXPECT_EQ(Tokens(c.line, false, &open), c.tokens);
    EXPECT_FALSE(open);
  }
}

TEST(MmlTokensTest, PositionsCountDoubleByteCharactersOnce) {
  std::vector<TToken> tokens;
  TokenizeLine(kComment + "\tc" + kMa, false, tokens);
  ASSERT_EQ(tokens.size(), 3u);
  EXPECT_EQ(tokens[0].start, 0);
  EXPECT_EQ(tokens[0].length, 4);
  EXPECT_EQ(tokens[1].start, 5);  // after four characters and the tab
  EXPECT_EQ(tokens[1].length, 1);
  EXPECT_EQ(tokens[2].start, 6);
}

TEST(MmlTokensTest, BraceCommentAcrossLines) {
  struct Case {
    const char* name;
    std::string line;
    bool inBrace;
    std::string tokens;
    bool endsInBrace;
  };
  const Case cases[] = {
      {"opens", "c { abc", false, "Ank(c) Brace({ abc)", true},
      {"closes after leading blanks", "  def } g", true, "Brace(def }) Ank(g)", false},
      {"stays open over an empty line", "", true, "", true},
      {"stays open over blanks", "   ", true, "", true},
      {"trail byte is no closing brace", "a" + kMa + "b", true, "Brace(a" + kMa + "b)", true},
      {"opens again after closing", "} {", true, "Brace(}) Brace({)", true},
      {"brace inside a comment opens nothing", "'{", false, "Comment('{)", false},
      {"brace inside a chord opens nothing", "({)", false, "Chord(({))", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    bool open = !c.endsInBrace;
    EXPECT_EQ(Tokens(c.line, c.inBrace, &open), c.tokens);
    EXPECT_EQ(open, c.endsInBrace);
  }
}

}  // namespace
}  // namespace pelorund
