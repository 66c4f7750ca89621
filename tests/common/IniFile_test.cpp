// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/IniFile.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <optional>

#include "common/FileUtils.h"

namespace pelorund {
namespace {

using Pairs = std::vector<std::pair<std::string, std::string>>;

struct ReadCase {
  const char* section;
  const char* key;
  std::optional<std::string> value;  // nothing: the key must not exist
};

void ExpectReads(const TIniFile& ini, const std::vector<ReadCase>& cases) {
  for (const ReadCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "[" << c.section << "] " << c.key);
    EXPECT_EQ(ini.ValueExists(c.section, c.key), c.value.has_value());
    EXPECT_EQ(ini.ReadString(c.section, c.key, "<none>"), c.value.value_or("<none>"));
  }
}

TEST(IniFileTest, ParsesLines) {
  TIniFile ini;
  ini.SetText(
      "orphan=before any section\r\n"
      "[ Main ]\r\n"
      "\t Tempo \t=\t120 \r\n"
      "; Tempo=999\r\n"
      "  ;Volume=1\n"
      "no equals sign here\r"
      "Name = a = b\r"
      "\r\n"
      "Comment=x;y\n"
      "Empty=\x01\n"
      "[Other]\n"
      "Tempo=90");
  EXPECT_EQ(ini.SectionNames(), (std::vector<std::string>{"Main", "Other"}));
  ExpectReads(ini, {
                       {"Main", "Tempo", "120"},
                       {"Main", "Name", "a = b"},
                       {"Main", "Comment", "x;y"},
                       {"Main", "Empty", ""},
                       {"Main", "Volume", std::nullopt},
                       {"Main", "; Tempo", std::nullopt},
                       {"Main", "orphan", std::nullopt},
                       {"Main", "no equals sign here", std::nullopt},
                       {"Other", "Tempo", "90"},
                       {"Missing", "Tempo", std::nullopt},
                   });
  EXPECT_EQ(ini.SectionPairs("Main"),
            (Pairs{{"Tempo", "120"}, {"Name", "a = b"}, {"Comment", "x;y"}, {"Empty", ""}}));
}

TEST(IniFileTest, FirstOfEqualKeysAndRepeatedSections) {
  TIniFile ini;
  ini.SetText(
      "[Chord]\n"
      "C=0,4,7\n"
      "C=0,3,7\n"
      "[Other]\n"
      "X=1\n"
      "[CHORD]\n"
      "C=9\n"
      "G=7,11,14\n");
  EXPECT_EQ(ini.SectionNames(), (std::vector<std::string>{"Chord", "Other"}));
  ExpectReads(ini, {{"Chord", "C", "0,4,7"}, {"chord", "G", "7,11,14"}});
  EXPECT_EQ(ini.SectionPairs("Chord"), (Pairs{{"C", "0,4,7"}, {"C", "0,3,7"}, {"C", "9"}, {"G", "7,11,14"}}));
}

TEST(IniFileTest, CaseRules) {
  TIniFile ini;
  ini.SetText("[Sec]\nKey=lower\n[SEC]\nKEY=upper\nOnly=1\n");

  EXPECT_FALSE(ini.CaseSensitive());
  EXPECT_TRUE(ini.SectionExists("sec"));
  ExpectReads(ini, {{"sec", "key", "lower"}, {"SEC", "KEY", "lower"}, {"sEc", "only", "1"}});

  // Switched after loading: the blocks become separate sections.
  ini.SetCaseSensitive(true);
  EXPECT_FALSE(ini.SectionExists("sec"));
  EXPECT_EQ(ini.SectionNames(), (std::vector<std::string>{"Sec", "SEC"}));
  ExpectReads(ini, {{"Sec", "Key", "lower"},
                    {"SEC", "KEY", "upper"},
                    {"Sec", "KEY", std::nullopt},
                    {"SEC", "only", std::nullopt},
                    {"SEC", "Only", "1"}});
}

TEST(IniFileTest, ReadIntegerForms) {
  struct Case {
    const char* value;
    int expected;  // -555 is the default
  };
  const Case cases[] = {
      {"12", 12},           {"-7", -7},          {"+3", 3},
      {"$1F", 31},          {"$ff", 255},        {"0x1f", 31},
      {"0X10", 16},         {"-$10", -16},       {"007", 7},
      {"2147483647", 2147483647},                {"-2147483648", -2147483647 - 1},
      {"$7FFFFFFF", 2147483647},                 {"2147483648", -555},
      {"-2147483649", -555}, {"$100000000", -555}, {"99999999999999999999", -555},
      {"", -555},           {"abc", -555},       {"12a", -555},
      {"1.5", -555},        {"- 5", -555},       {"--1", -555},
      {"+-1", -555},        {"$", -555},         {"0x", -555},
      {"$-1", -555},        {"0x+1", -555},      {"1 2", -555},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    TIniFile ini;
    ini.SetText(std::string("[S]\nN=") + c.value + "\n");
    EXPECT_EQ(ini.ReadInteger("S", "N", -555), c.expected);
  }
  TIniFile ini;
  ini.SetText("[S]\nZero=0\nTwo=2\nWord=yes\n");
  EXPECT_EQ(ini.ReadInteger("S", "Absent", 42), 42);
  EXPECT_FALSE(ini.ReadBool("S", "Zero", true));
  EXPECT_TRUE(ini.ReadBool("S", "Two", false));
  EXPECT_TRUE(ini.ReadBool("S", "Word", true));
  EXPECT_FALSE(ini.ReadBool("S", "Word", false));
  EXPECT_TRUE(ini.ReadBool("S", "Absent", true));
}

class IniFileFileTest : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("pelorund-ini-" + std::to_string(::getpid()) + "-" +
            testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::filesystem::path dir_;
};

TEST_F(IniFileFileTest, MissingFileIsEmpty) {
  TIniFile ini(dir_ / "absent.ini");
  EXPECT_TRUE(ini.SectionNames().empty());
  EXPECT_EQ(ini.ReadString("Any", "Key", "dflt"), "dflt");
  EXPECT_EQ(ini.Text(), "");

  // Loading a missing file also drops what was there before.
  ini.SetText("[A]\nb=c\n");
  ini.LoadFromFile(dir_ / "absent.ini");
  EXPECT_FALSE(ini.SectionExists("A"));
}

TEST_F(IniFileFileTest, WriteThenReadBack) {
  TIniFile ini;
  ini.SetText("; settings\n[Window]\nLeft=10\nleft=20\n[Paths]\nLast=/tmp/a.mml\n");
  ini.WriteInteger("window", "LEFT", -5);
  ini.WriteInteger("Window", "Top", 0x30);
  ini.WriteBool("Options", "Backup", true);
  // 曲 as a value: text stays code page 932 bytes
  ini.WriteString("Paths", "Title", "\x8b\xc8");
  EXPECT_EQ(ini.Text(),
            "[Window]\r\nLeft=-5\r\nleft=20\r\nTop=48\r\n"
            "[Paths]\r\nLast=/tmp/a.mml\r\nTitle=\x8b\xc8\r\n"
            "[Options]\r\nBackup=1\r\n");

  const std::filesystem::path file = dir_ / "settings.ini";
  ini.SaveToFile(file);
  EXPECT_EQ(ReadFileBytes(file), ini.Text());

  const TIniFile back(file);
  EXPECT_EQ(back.ReadInteger("Window", "Left", 0), -5);
  EXPECT_EQ(back.ReadInteger("Window", "Top", 0), 48);
  EXPECT_TRUE(back.ReadBool("Options", "Backup", false));
  EXPECT_EQ(back.ReadString("Paths", "Title"), "\x8b\xc8");
  EXPECT_EQ(back.SectionPairs("Window"), ini.SectionPairs("Window"));
}

TEST_F(IniFileFileTest, SaveFailureThrowsNamingTheFile) {
  const TIniFile ini;
  const std::filesystem::path file = dir_ / "no-such-dir" / "out.ini";
  try {
    ini.SaveToFile(file);
    FAIL() << "no exception";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find(file.string()), std::string::npos) << e.what();
  }
}

}  // namespace
}  // namespace pelorund
