// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "compiler/ScannerU.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <string>
#include <vector>

namespace {

// ア: trail byte 0x41 looks like "A"
constexpr const char* kKatakanaA = "\x83\x41";
// マ: trail byte 0x7D looks like "}"
constexpr const char* kKatakanaMa = "\x83\x7d";
// あ
constexpr const char* kHiraganaA = "\x82\xa0";

TScanner Scan(std::string_view text) {
  TScanner scanner;
  scanner.SetText(text);
  return scanner;
}

// Every command word up to the end; bounded so a scanner that stops advancing fails, not hangs.
std::vector<std::string> Words(std::string_view text) {
  TScanner scanner = Scan(text);
  std::vector<std::string> words;
  for (size_t i = 0; i <= text.size(); ++i) {
    std::string word = scanner.NextCommand();
    if (word.empty()) break;
    words.push_back(std::move(word));
  }
  EXPECT_TRUE(scanner.AtEnd());
  EXPECT_EQ(scanner.Cursor, scanner.Size());
  return words;
}

std::string Rest(const TScanner& scanner) { return scanner.Text().substr(scanner.Cursor); }

using TWords = std::vector<std::string>;

TEST(ScannerText, SetTextCutsAtNulAndResetsCursor) {
  TScanner scanner = Scan("xyz");
  scanner.Cursor = 2;
  scanner.SetText(std::string_view("ab\0cd", 5));
  EXPECT_EQ(scanner.Text(), "ab");
  EXPECT_EQ(scanner.Cursor, 0u);
}

TEST(ScannerCommands, WordsOfSource) {
  struct TCase {
    std::string text;
    TWords words;
  };
  const TCase cases[] = {
      {"%TRACK2", {"%TRACK", "2"}},
      {"@CH1", {"@CH", "1"}},
      {"`GSRESET", {"`GSRESET"}},
      {"`GS_RESET2 x", {"`GS_RESET2", "x"}},
      {"cde", {"c", "d", "e"}},
      {"@ 5", {"@", "5"}},
      {"%track", {"%track"}},
      {"% TRACK", {"%", "T", "R", "A", "C", "K"}},
      {std::string("\xb1") + "c", {"\xb1", "c"}},  // half-width katakana is no lead byte
      {"\x80\x01", {"\x80", "\x01"}},
      {"", {}},
      // comments
      {"{ a { b } c } C", {"C"}},
      {"{a{b}}C", {"C"}},
      {"{{}}C", {"C"}},
      {"{ a { b }\r\nC D", {}},
      {"C'x", {"C"}},
      {"'x\r\nC", {"C"}},
      {"'x\rC", {"C"}},
      {"'{\r\nC", {"C"}},  // no brace inside a line comment
      {"{ ' } C", {"C"}},  // no line comment inside braces
      {"} C", {"}", "C"}},
      // double-byte text outside quotes is skipped whole
      {std::string(kKatakanaA) + "C", {"C"}},
      {std::string(" \t\r\n{x}'c\r\n") + kHiraganaA + "\r\n", {}},
      {std::string("{") + kKatakanaMa + "}C", {"C"}},
      {std::string("{") + kKatakanaMa + "C", {}},
      {std::string("'") + kKatakanaMa + "\r\nC", {"C"}},
      // a lead byte as the very last byte
      {"C\x83", {"C"}},
      {"{\x83", {}},
      {"'\x83", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.text));
    EXPECT_EQ(Words(c.text), c.words);
  }
}

TEST(ScannerCommands, DeepBraceNestingNeedsNoStack) {
  const std::string open(1000000, '{');
  EXPECT_EQ(Words(open), TWords{});
  EXPECT_EQ(Words(open + std::string(1000000, '}') + "C"), TWords{"C"});
  EXPECT_EQ(Words(open + std::string(999999, '}') + "C"), TWords{});
}

TEST(ScannerWords, LettersAndWordsDoNotSkipBlanks) {
  TScanner scanner = Scan(" ab");
  EXPECT_EQ(scanner.ReadLetters(), "");
  EXPECT_EQ(scanner.ReadWord(), "");
  EXPECT_EQ(scanner.Cursor, 0u);

  scanner = Scan("ab1_c d");
  EXPECT_EQ(scanner.ReadLetters(), "ab");
  scanner.Cursor = 0;
  EXPECT_EQ(scanner.ReadWord(), "ab1_c");
  EXPECT_EQ(Rest(scanner), " d");
}

TEST(ScannerNumbers, DecimalAndHexLimits) {
  enum class TKind { Number, Hex };
  struct TCase {
    TKind kind;
    std::string text;
    int value;
    std::string rest;
  };
  const TCase cases[] = {
      {TKind::Number, "  12x", 12, "x"},
      {TKind::Number, "007", 7, ""},
      {TKind::Number, "2147483647", 2147483647, ""},
      {TKind::Number, "2147483648 x", -1, " x"},
      {TKind::Number, "99999999999999999999 x", -1, " x"},
      {TKind::Number, " x", -1, "x"},
      {TKind::Number, "", -1, ""},
      {TKind::Number, "{1} 3", 3, ""},
      {TKind::Hex, "$7fffffff", 2147483647, ""},
      {TKind::Hex, "$FFFFFFFF", -1, ""},
      {TKind::Hex, "$80000000", INT_MIN, ""},
      {TKind::Hex, "$123456789 x", -1, " x"},
      {TKind::Hex, "$ 5", -1, " 5"},
      {TKind::Hex, "$", -1, ""},
      {TKind::Hex, "$g", -1, "g"},
      {TKind::Hex, "$0000000001", 1, ""},
      {TKind::Hex, "$00000000ffffffff", -1, ""},
      {TKind::Hex, "$0", 0, ""},
      {TKind::Hex, " $aB;", 171, ";"},
      {TKind::Hex, "1F", 1, "F"},
      {TKind::Hex, "2147483648", -1, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    TScanner scanner = Scan(c.text);
    EXPECT_EQ(c.kind == TKind::Number ? scanner.ReadNumber() : scanner.ReadHexNumber(), c.value);
    EXPECT_EQ(Rest(scanner), c.rest);
  }
}

TEST(ScannerNumbers, DecimalFractions) {
  struct TCase {
    std::string text;
    int64_t value;
    std::string rest;
  };
  constexpr int64_t kAbsent = -10000;
  const TCase cases[] = {
      {"1.5", 15000, ""},
      {" 3 x", 30000, " x"},
      {".5", 5000, ""},
      {"5.", 50000, ""},
      {"12.34567", 123457, ""},
      {"0.00005", 0, ""},     // exactly half: to even
      {"0.00015", 2, ""},     // exactly half: to even
      {"0.000051", 1, ""},    // above half
      {"0.00004999", 0, ""},  // below half
      {"0.99995", 10000, ""},
      {"922337203685477.5807", std::numeric_limits<int64_t>::max(), ""},
      {"922337203685477.5808", kAbsent, ""},
      {"99999999999999999999999999", kAbsent, ""},
      {"1.2.3 x", kAbsent, " x"},
      {".", kAbsent, ""},
      {"..", kAbsent, ""},
      {"", kAbsent, ""},
      {"x", kAbsent, "x"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    TScanner scanner = Scan(c.text);
    EXPECT_EQ(scanner.ReadDecimal(), c.value);
    EXPECT_EQ(Rest(scanner), c.rest);
  }
}

TEST(ScannerNumbers, SignedReads) {
  enum class TKind { Number, Hex, Decimal };
  struct TCase {
    TKind kind;
    std::string text;
    bool present;
    int64_t value;
    std::string rest;
  };
  // For ReadSignedDecimal the sign must stand at Cursor (" -1.5").
  const TCase cases[] = {
      {TKind::Number, "5", true, 5, ""},           {TKind::Number, " +5", true, 5, ""},
      {TKind::Number, " -5", true, -5, ""},        {TKind::Number, "- 5", true, -5, ""},
      {TKind::Number, "-x", false, 0, "x"},        {TKind::Number, "-2147483648", false, 0, ""},
      {TKind::Hex, "-$10", true, -16, ""},         {TKind::Hex, "+$7fffffff", true, 2147483647, ""},
      {TKind::Hex, "-12", true, -12, ""},          {TKind::Hex, "$80000000", false, 0, ""},
      {TKind::Hex, "-$FFFFFFFF", false, 0, ""},    {TKind::Decimal, "-1.5", true, -15000, ""},
      {TKind::Decimal, "+2", true, 20000, ""},     {TKind::Decimal, "- 1.5", true, -15000, ""},
      {TKind::Decimal, " -1.5", false, 0, "-1.5"}, {TKind::Decimal, "-.", false, 0, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    TScanner scanner = Scan(c.text);
    bool present = false;
    int64_t value = 0;
    if (c.kind == TKind::Decimal) {
      present = scanner.ReadSignedDecimal(value);
    } else {
      int number = 0;
      present =
          c.kind == TKind::Number ? scanner.ReadSignedNumber(number) : scanner.ReadSignedHexNumber(number);
      value = number;
    }
    EXPECT_EQ(present, c.present);
    if (c.present) {
      EXPECT_EQ(value, c.value);
    }
    EXPECT_EQ(Rest(scanner), c.rest);
  }
}

TEST(ScannerLength, TermsDotsAndTies) {
  constexpr int kTimeBase = 48;
  constexpr int64_t kDefault = 24;
  constexpr int64_t kStar = 96;
  struct TCase {
    std::string text;
    int64_t ticks;
    bool starWithoutNumber;
    std::string rest;
  };
  // "7." is 27 + 27/2 truncated; a "*" term takes no dots; dots must follow the digits directly.
  const TCase cases[] = {
      {"4", 48, false, ""},         {"4.", 72, false, ""},       {"4..", 84, false, ""},
      {"1...", 360, false, ""},     {"7.", 40, false, ""},       {"3", 64, false, ""},
      {"0", 0, false, ""},          {"", kDefault, false, ""},   {".", 36, false, ""},
      {"4^8", 72, false, ""},       {"4 ^ 8 c", 72, false, "c"}, {"4{x}^8", 72, false, ""},
      {"2_16", 84, false, ""},      {"*30^8", 54, false, ""},    {"*30.", 30, false, "."},
      {"4^", 72, false, ""},        {"8_4", -24, false, ""},     {"*", kStar, true, ""},
      {"*^*", 2 * kStar, true, ""}, {"4 .", 48, false, "."},     {"4 c", 48, false, "c"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    TScanner scanner = Scan(c.text);
    bool starWithoutNumber = !c.starWithoutNumber;
    EXPECT_EQ(scanner.ReadLength(kTimeBase, kDefault, kStar, starWithoutNumber), c.ticks);
    EXPECT_EQ(starWithoutNumber, c.starWithoutNumber);
    EXPECT_EQ(Rest(scanner), c.rest);
  }
}

TEST(ScannerLength, HugeDefaultsSaturate) {
  constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
  constexpr int64_t kMin = std::numeric_limits<int64_t>::min();
  bool star = false;
  TScanner scanner = Scan("..^^");
  EXPECT_EQ(scanner.ReadLength(48, kMax, 0, star), kMax);
  scanner = Scan("_*_*");
  EXPECT_EQ(scanner.ReadLength(48, 0, kMax, star), kMin);
}

TEST(ScannerChars, SingleCharacterReads) {
  using TRead = std::function<int(TScanner&)>;
  const TRead letter = [](TScanner& s) { return s.ReadLetter(); };
  const TRead accidental = [](TScanner& s) { return s.ReadAccidental(); };
  const TRead modifier = [](TScanner& s) { return s.ReadModifier(); };
  const TRead takeComma = [](TScanner& s) { return s.TakeChar(',') ? 1 : 0; };
  const TRead peekComma = [](TScanner& s) { return s.PeekChar(',') ? 1 : 0; };
  const TRead takeNul = [](TScanner& s) { return s.TakeChar('\0') ? 1 : 0; };
  struct TCase {
    const char* name;
    const TRead* read;
    std::string text;
    int result;
    std::string rest;
  };
  const TCase cases[] = {
      {"letter", &letter, " {x} c1", 'c', "1"},
      {"letter", &letter, " 1", ' ', "1"},
      {"letter", &letter, "", ' ', ""},
      {"accidental", &accidental, "#", '#', ""},
      {"accidental", &accidental, "+", '+', ""},
      {"accidental", &accidental, "-", '-', ""},
      {"accidental", &accidental, " #", ' ', " #"},
      {"accidental", &accidental, "!", ' ', "!"},
      {"modifier", &modifier, "!", '!', ""},
      {"modifier", &modifier, "+", '+', ""},
      {"modifier", &modifier, "-", '-', ""},
      {"modifier", &modifier, "=", '=', ""},
      {"modifier", &modifier, "?", '?', ""},
      {"modifier", &modifier, "#", ' ', "#"},
      {"modifier", &modifier, " !", ' ', " !"},
      {"take", &takeComma, " ,x", 1, "x"},
      {"take", &takeComma, " x", 0, "x"},
      {"peek", &peekComma, " ,x", 1, ",x"},
      {"peek", &peekComma, " x", 0, "x"},
      {"take NUL at the end", &takeNul, " ", 0, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " on " + testing::PrintToString(c.text));
    TScanner scanner = Scan(c.text);
    EXPECT_EQ((*c.read)(scanner), c.result);
    EXPECT_EQ(Rest(scanner), c.rest);
  }
}

TEST(ScannerQuoted, StringsToTheClosingQuoteOrTheEnd) {
  struct TCase {
    std::string text;
    std::string quoted;
    std::string rest;
  };
  const TCase cases[] = {
      {"\"abc\"x", "abc", "x"},
      {" {c} \"a b\"", "a b", ""},
      {"\"\"x", "", "x"},
      {"\"a'b{c\"", "a'b{c", ""},  // no comments inside quotes
      {"\"unclosed", "unclosed", ""},
      {"\"a\x83", "a\x83", ""},
      {std::string("\"") + kKatakanaMa + "\"x", kKatakanaMa, "x"},
      {"x\"a\"", "", "x\"a\""},
      {" x", "", "x"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.text));
    TScanner scanner = Scan(c.text);
    EXPECT_EQ(scanner.ReadQuoted(), c.quoted);
    EXPECT_EQ(Rest(scanner), c.rest);
  }
}

TEST(ScannerChord, NameAndInterval) {
  struct TCase {
    std::string text;
    bool present;
    std::string name;
    int interval;
    std::string rest;
  };
  const TCase cases[] = {
      {"(CM7 , P5 )", true, "CM7", 7, ""},
      {"(CM7,P1)", true, "CM7", -1, ""},
      {"(C", true, "C", 0, ""},
      {"(,M3)", true, "", 4, ""},
      {" (C)", false, "", 0, " (C)"},
      {"(C,)", true, "C", -1, ""},
      {"(C,p5)", true, "C", -1, ""},  // interval names are case-sensitive
      {"(Am7,b13)c", true, "Am7", 8, "c"},
      {"(C,aug2)", true, "C", 3, ""},
      {"(C,dim3)", true, "C", 3, ""},
      {"(C,a,b)", true, "C", -1, ""},
      {std::string("(") + kKatakanaA + ")", true, kKatakanaA, 0, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    TScanner scanner = Scan(c.text);
    std::string name = "stale";
    int interval = 99;
    EXPECT_EQ(scanner.ReadChordSpec(name, interval), c.present);
    EXPECT_EQ(name, c.name);
    EXPECT_EQ(interval, c.interval);
    EXPECT_EQ(Rest(scanner), c.rest);
  }
}

TEST(ScannerChord, IntervalTableHoldsFortyNames) {
  TScanner scanner;
  EXPECT_EQ(scanner.IntervalNames.Count(), 40);
  int value = 0;
  EXPECT_TRUE(scanner.IntervalNames.FindName("Tri", value));
  EXPECT_EQ(value, 6);
  EXPECT_TRUE(scanner.IntervalNames.FindName("m7", value));
  EXPECT_EQ(value, 10);
  EXPECT_TRUE(scanner.IntervalNames.FindName("M7", value));
  EXPECT_EQ(value, 11);
}

TEST(ScannerSkip, SkipToSemicolon) {
  struct TCase {
    std::string text;
    bool found;
    std::string rest;
  };
  const TCase cases[] = {
      {"a {;} b ; c", true, " c"},
      {"'; \r\n;x", true, "x"},
      {"\"a;b\" c", true, "b\" c"},  // quotes do not hide it
      {std::string(kKatakanaA) + ";x", true, "x"},
      {"{;}", false, ""},
      {"abc\x83", false, ""},
      {"", false, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.text));
    TScanner scanner = Scan(c.text);
    EXPECT_EQ(scanner.SkipToSemicolon(), c.found);
    EXPECT_EQ(Rest(scanner), c.rest);
  }
}

TEST(ScannerPosition, RowsAndColumns) {
  const std::string text = std::string("AB\r\n") + kHiraganaA + "C\rD\n\n";
  struct TCase {
    size_t position;
    int column;
    int row;
  };
  const TCase cases[] = {
      {0, 0, 1},  {2, 2, 1},  {3, 3, 1},  // CR counts as a column
      {4, 0, 2},  {6, 1, 2},              // the double-byte character is one
      {5, 1, 2},                          // inside it: the character has begun
      {8, 3, 2},                          // a lone CR starts no row
      {10, 0, 3}, {11, 0, 4}, {999, 0, 4},
  };
  TScanner scanner = Scan(text);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.position);
    int column = -1;
    int row = -1;
    scanner.GetPositionAt(c.position, column, row);
    EXPECT_EQ(column, c.column);
    EXPECT_EQ(row, c.row);
  }

  scanner.Cursor = 6;
  int column = -1;
  int row = -1;
  scanner.GetPosition(column, row);
  EXPECT_EQ(column, 1);
  EXPECT_EQ(row, 2);

  scanner = Scan("A\x83");
  scanner.GetPositionAt(2, column, row);
  EXPECT_EQ(column, 2);
  EXPECT_EQ(row, 1);
}

// Positions are asked for in any order (loops jump back); each answer must equal a plain count.
TEST(ScannerPosition, AnyOrderOfQuestionsGivesTheSameAnswers) {
  // An LF right after a lead byte is its trail byte, not a line end.
  const std::string text = std::string("ab\r\ncd\x82\nxy\n") + kHiraganaA + "z\n\n{q}";
  auto plainCount = [&](size_t position, int& column, int& row) {
    column = 0;
    row = 1;
    for (size_t i = 0; i < std::min(position, text.size());) {
      const bool lead = (static_cast<uint8_t>(text[i]) >= 0x81 && static_cast<uint8_t>(text[i]) <= 0x9F) ||
                        static_cast<uint8_t>(text[i]) >= 0xE0;
      if (text[i] == '\n') {
        ++row;
        column = 0;
      } else {
        ++column;
      }
      i += lead && i + 1 < text.size() ? 2 : 1;
    }
  };
  TScanner scanner = Scan(text);
  std::vector<size_t> order;
  for (size_t p = 0; p <= text.size() + 1; ++p) order.push_back(p);
  for (size_t p = text.size() + 1; p-- > 0;) order.push_back(p);
  for (size_t p = 0; p <= text.size(); p += 3) order.push_back(p);
  for (size_t position : order) {
    SCOPED_TRACE(position);
    int column = -1, row = -1, expectedColumn = -1, expectedRow = -1;
    scanner.GetPositionAt(position, column, row);
    plainCount(position, expectedColumn, expectedRow);
    EXPECT_EQ(expectedColumn, column);
    EXPECT_EQ(expectedRow, row);
  }
}

class ScannerFileTest : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("ScannerU_test_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
            testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::filesystem::path Write(const std::string& bytes) {
    const auto path = dir_ / ("source" + std::to_string(count_++) + ".mml");
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }

  std::filesystem::path dir_;
  int count_ = 0;
};

TEST_F(ScannerFileTest, LoadSourceEndsEveryLineWithCrLf) {
  struct TCase {
    std::string raw;
    std::string text;
  };
  const TCase cases[] = {
      {"", ""},
      {"a", "a\r\n"},
      {"a\n\nb", "a\r\n\r\nb\r\n"},
      {"a\r\nb\rc\n", "a\r\nb\r\nc\r\n"},
      {"a\r\r\n", "a\r\n\r\n"},
      {"\n", "\r\n"},
      {"\r\n\r", "\r\n\r\n"},
      {std::string("a\0b\nc", 5), "a"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.raw));
    TScanner scanner = Scan("old");
    scanner.Cursor = 2;
    EXPECT_TRUE(scanner.LoadSource(Write(c.raw)));
    EXPECT_EQ(scanner.Text(), c.text);
    EXPECT_EQ(scanner.Cursor, 0u);
  }
}

TEST_F(ScannerFileTest, LoadFailureKeepsTheOldText) {
  TScanner scanner = Scan("old");
  scanner.Cursor = 1;
  EXPECT_FALSE(scanner.LoadSource(dir_ / "missing.mml"));
  EXPECT_FALSE(scanner.LoadSource(dir_));
  EXPECT_EQ(scanner.Text(), "old");
  EXPECT_EQ(scanner.Cursor, 1u);
}

}  // namespace
