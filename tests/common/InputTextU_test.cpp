// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/InputTextU.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "common/TextCodec.h"
#include "compiler/CompilerU.h"

namespace input_text {
namespace {

namespace fs = std::filesystem;

std::string Cp932(const std::string& utf8) { return pelorund::Utf8ToCp932(utf8).value(); }

const fs::path kDataDir = fs::path(SOURCE_DIR) / "data";

// Every progression the program ships, written with any root and mark, is a song that compiles
// with the shipped chords: no chord name the file lacks, no placeholder left, no forced value.
TEST(ProgressionIni, EveryTemplateCompilesWithEveryRootAndMark) {
  const pelorund::TIniFile ini(kDataDir / "progression.ini");
  const std::vector<std::string> sections = ini.SectionNames();
  ASSERT_GE(sections.size(), 8u);
  size_t progressions = 0;
  for (const std::string& section : sections) {
    SCOPED_TRACE(pelorund::Cp932ToUtf8(section));
    const TProgressionCategory category = ReadProgressionCategory(ini, section);
    EXPECT_FALSE(category.Comment.empty());
    // Every key up to count is a usable entry.
    EXPECT_EQ(static_cast<int>(category.Entries.size()), ini.ReadInteger(section, "count", 0));
    for (const TProgression& entry : category.Entries) {
      SCOPED_TRACE(pelorund::Cp932ToUtf8(entry.Name));
      ASSERT_NE(FillTemplate(entry.Template, 0, 0), entry.Template);  // it has placeholders
      ++progressions;
      for (int root = 0; root < 12; ++root) {
        for (int mark = 0; mark < kMarkCount; ++mark) {
          const std::string song = FillTemplate(entry.Template, root, mark);
          SCOPED_TRACE(song);
          for (int k = 0; k < 12; ++k) ASSERT_EQ(song.find("[" + std::to_string(k) + "]"), std::string::npos);
          TCompiler compiler(kDataDir / "chord.ini");
          compiler.SetSource(song);
          TFuncResult result;
          compiler.Run(result);
          ASSERT_TRUE(result.Ok) << pelorund::Cp932ToUtf8(result.Message);
          EXPECT_FALSE(result.Warning) << pelorund::Cp932ToUtf8(result.Message);
          EXPECT_FALSE(compiler.SmfImage.empty());
        }
      }
    }
  }
  EXPECT_GE(progressions, 40u);
}

TEST(FillTemplate, PlaceholdersBecomeNoteNamesAboveTheRoot) {
  struct {
    const char* pattern;
    int root;
    int mark;
    const char* expected;
  } cases[] = {
      {"[0]1 [5]1 [7]1", 2, 1, "D1 G1 A1"},
      {"[1] [11] [10]", 0, 0, "C+ B A+"},
      {"[1] [11] [10]", 0, 2, "D- B B-"},
      {"[1][11]", 11, 1, "CA#"},  // «[1]» never matches inside «[11]»
      {"[0](M7)1 [3](m)", 10, 2, "B-(M7)1 D-(m)"},
      {"[12] [-1] [x] [00]", 0, 0, "[12] [-1] [x] [00]"},
      {"", 5, 1, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.pattern);
    EXPECT_EQ(FillTemplate(c.pattern, c.root, c.mark), c.expected);
  }
}

TEST(FillTemplate, NeverMatchesInsideADoubleByteCharacter) {
  // The second byte of "ー" is "[": the bytes "ー0]" hold no placeholder.
  EXPECT_EQ(FillTemplate(Cp932("'ー0] [0]"), 0, 0), Cp932("'ー0] C"));
}

TEST(ReadProgressionCategory, ReadsKeysUpToCountOnly) {
  pelorund::TIniFile ini;
  ini.SetText(
      "[Big]\r\ncount=2147483647\r\n5=\"five\",\"c\"\r\n0=zero,d\r\n0=again,e\r\n01=leading,f\r\n"
      "[Hex]\r\nCOUNT=$2\r\n0=a,b\r\n1=c,d\r\n2=beyond,count\r\n"
      "[Bad]\r\ncount=two\r\n0=a,b\r\n");
  const TProgressionCategory big = ReadProgressionCategory(ini, "big");
  ASSERT_EQ(big.Entries.size(), 2u);  // in key order, the first of equal keys counting
  EXPECT_EQ(big.Entries[0].Name, "zero");
  EXPECT_EQ(big.Entries[0].Template, "d");
  EXPECT_EQ(big.Entries[1].Name, "five");
  const TProgressionCategory hex = ReadProgressionCategory(ini, "Hex");
  ASSERT_EQ(hex.Entries.size(), 2u);
  EXPECT_EQ(hex.Entries[1].Template, "d");
  for (const char* section : {"Bad", "Missing"}) {
    SCOPED_TRACE(section);
    const TProgressionCategory none = ReadProgressionCategory(ini, section);
    ASSERT_EQ(none.Entries.size(), 1u);
    EXPECT_EQ(none.Entries[0].Name, Cp932("登録なし"));
    EXPECT_EQ(none.Entries[0].Template, "");
  }
}

TEST(ChordMarks, MarksTonesByPitchClass) {
  const std::string tone = Cp932("●");
  const std::string tension = Cp932("○");
  struct {
    const char* distances;
    const char* marks;  // twelve characters: "x" tone, "o" tension, "." empty
  } cases[] = {
      {"0,4,7,11", "x...x..x...x"},   {"0,4,7,10,14", "x.o.x..x..x."}, {"0,12", "x..........."},
      {"-5,24", "o......o...."},     // a later tone of the root's class replaces the root's mark
      {"4,abc,,7", "x...x..x...."},  // no integer counts as 0
      {"\" 3 \",+9", "x..x.....x.."}, {"0,-12", "o..........."},       {"", "............"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.distances);
    const std::array<std::string_view, 12> marks = ChordMarks(c.distances);
    for (size_t i = 0; i < 12; ++i) {
      const char expected = c.marks[i];
      EXPECT_EQ(marks[i], expected == 'x' ? tone : expected == 'o' ? tension : "") << "interval " << i;
    }
  }
}

}  // namespace
}  // namespace input_text
