// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "compiler/CompilerU.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "CompileTestSupport.h"
#include "common/FileUtils.h"
#include "common/TextCodec.h"

namespace {

namespace fs = std::filesystem;
using testing_support::TTestCompile;
using Lines = std::vector<std::string>;

Lines Utf8(const Lines& lines) {
  Lines out;
  for (const std::string& line : lines) out.push_back(pelorund::Cp932ToUtf8(line));
  return out;
}

std::string Cp932(const std::string& utf8) { return pelorund::Utf8ToCp932(utf8).value(); }

TEST(CompileLog, ErrorAndWarningLinesWithRowAndColumn) {
  const struct {
    const char* Source;
    Lines Middle;
    bool Ok;
    int Row, Column;
  } cases[] = {
      {"*", {"停止:[Y1,X1]: ｢*｣ : 未定義のコマンド又は文法エラーです."}, false, 1, 1},
      {"N200,4", {"注意:[Y1,X6]: ｢N｣ : 値が書き換えられました.  200  ->  127"}, true, 1, 6},
      {"c d\r\n  e %bogus", {"停止:[Y2,X10]: ｢%bogus｣ : 未定義のコマンド又は文法エラーです."}, false, 2, 10},
      // A note looks for a following "," or tie mark, so the position stands after the blank.
      {"n300,4 n-5,4",
       {"注意:[Y1,X7]: ｢n｣ : 値が書き換えられました.  300  ->  127",
        "注意:[Y1,X12]: ｢n｣ : 値が書き換えられました.  -5  ->  0"},
       true, 1, 12},
      {"n300,4 *", {"注意:[Y1,X7]: ｢n｣ : 値が書き換えられました.  300  ->  127",
                    "停止:[Y1,X8]: ｢*｣ : 未定義のコマンド又は文法エラーです."}, false, 1, 8},
      // A double-byte character counts as one column.
      {"\x82\xa0" "c %z", {"停止:[Y1,X5]: ｢%z｣ : 未定義のコマンド又は文法エラーです."}, false, 1, 5},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Source);
    TTestCompile run(c.Source);
    run.Run();
    EXPECT_EQ(c.Ok, run.Result.Ok);
    EXPECT_EQ(c.Middle, Utf8(run.MiddleLogLines()));
    EXPECT_EQ(c.Row, run.Result.Row);
    EXPECT_EQ(c.Column, run.Result.Column);
    EXPECT_EQ("[Pelorund] 2026/01/02 03:04:05", run.Compiler.Log.front());
    if (c.Ok) {
      EXPECT_EQ(c.Middle.size() > 0, run.Result.Warning);
      EXPECT_EQ(Cp932("終了: 2026/01/02 03:04:05"), run.Result.Message);
      EXPECT_EQ(run.Result.Message, run.Compiler.Log.back());
    } else {
      EXPECT_EQ(run.Compiler.Log.back(), run.Result.Message);
      EXPECT_TRUE(run.Compiler.SmfImage.empty());
    }
  }
}

TEST(CompileLog, LowerCaseWordsAreFoundAndLoggedAsWritten) {
  TTestCompile run("%track 1 c %Track2 %sYnC d n500,4");
  run.Run();
  ASSERT_TRUE(run.Result.Ok) << pelorund::Cp932ToUtf8(run.Result.Message);
  EXPECT_EQ(Lines{"注意:[Y1,X33]: ｢n｣ : 値が書き換えられました.  500  ->  127"}, Utf8(run.MiddleLogLines()));
}

TEST(CompileLog, EmptySourceKeepsTheCallersResultAndWritesNoEvents) {
  for (const char* source : {"", "  ' only a comment\r\n{ and { nested } braces }", "\x82\xa0\x82\xa2"}) {
    SCOPED_TRACE(source);
    TTestCompile run(source);
    run.Result.Ok = false;
    run.Run();
    EXPECT_FALSE(run.Result.Ok);
    EXPECT_EQ(2u, run.Compiler.Log.size());
    EXPECT_TRUE(run.Compiler.SmfImage.empty());
  }
}

TEST(CompileLog, ClampParam) {
  const struct {
    int64_t Min, Max;
    int Value, After;
    bool Changed;
    const char* Message;
  } cases[] = {
      {0, 127, 200, 127, true, "値が書き換えられました.  200  ->  127"},
      {0, 127, 64, 64, false, "unchanged"},
      {1, 65535, 0, 1, true, "値が書き換えられました.  0  ->  1"},
      {10, 5, 7, 10, true, "値が書き換えられました.  7  ->  10"},
      {0, 2147483647, -2147483647 - 1, 0, true, "値が書き換えられました.  -2147483648  ->  0"},
  };
  TCompiler compiler;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Value);
    int value = c.Value;
    std::string message = "unchanged";
    EXPECT_EQ(c.Changed, compiler.ClampParam(c.Min, c.Max, value, message));
    EXPECT_EQ(c.After, value);
    EXPECT_EQ(c.Message, pelorund::Cp932ToUtf8(message));
  }
}

TEST(CompileDriver, TracksChannelsAndSync) {
  const struct {
    const char* Source;
    Lines Events;
  } cases[] = {
      {"%TRACK 5 c", {"0 ch4 on 60 127", "48 ch4 off 60"}},
      {"%TRACK1 c4 %TRACK2 e4", {"0 on 60 127", "0 ch1 on 64 127", "48 off 60", "48 ch1 off 64"}},
      {"%TRACK1 c1 %TRACK2 c4 %SYNC d4",
       {"0 on 60 127", "0 ch1 on 60 127", "48 ch1 off 60", "192 off 60", "192 ch1 on 62 127", "240 ch1 off 62"}},
      {"%SYNC c", {"0 on 60 127", "48 off 60"}},
      {"%TRACK1 c1 %SYNC %TRACK3 c", {"0 on 60 127", "192 off 60", "192 ch2 on 60 127", "240 ch2 off 60"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Source);
    EXPECT_EQ(c.Events, testing_support::CompileEvents(c.Source));
  }
}

TEST(CompileDriver, FinalTieIsReleasedAtTheCommonEnd) {
  TTestCompile run("%TRACK1 c& %TRACK2 c1");
  run.Run();
  ASSERT_TRUE(run.Result.Ok);
  EXPECT_EQ((Lines{"0 on 60 127", "0 ch1 on 60 127", "192 ch1 off 60", "192 off 60"}), run.EventLines());
  EXPECT_EQ(192, run.Compiler.Smf.EndTick);
  // The end-of-track event has delta 0 after the last note-off.
  const std::vector<uint8_t>& smf = run.Compiler.SmfImage;
  ASSERT_GE(smf.size(), 4u);
  EXPECT_EQ((std::vector<uint8_t>{0x00, 0xFF, 0x2F, 0x00}), std::vector<uint8_t>(smf.end() - 4, smf.end()));
}

TEST(CompileDriver, LimitsStopTheCompileWithAMessage) {
  const struct {
    const char* Source;
    const char* Message;
    int Column;
  } cases[] = {
      {"%TRACK 10000", "トラック番号が大きすぎます(最大9999).", 12},
      {"c*300000000", "演奏位置がSMFで表せる範囲を超えました.", 11},
      {"r*200000000 r*200000000", "演奏位置がSMFで表せる範囲を超えました.", 23},
      {"c4,*300000000", "演奏位置がSMFで表せる範囲を超えました.", 13},
      {"r_*200000000 r_*200000000", "演奏位置がSMFで表せる範囲を超えました.", 25},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Source);
    TTestCompile run(c.Source);
    run.Run();
    EXPECT_FALSE(run.Result.Ok);
    EXPECT_NE(std::string::npos, pelorund::Cp932ToUtf8(run.Result.Message).find(c.Message));
    EXPECT_EQ(c.Column, run.Result.Column);
  }
}

TEST(CompileDriver, EveryCommandWordIsRegistered) {
  TCompiler compiler;
  EXPECT_EQ(147u, compiler.CommandCount());
  for (const char* word : {"A", "N", "R", "@", "<", ">", "@CH", "@MUTEOFF", "%TRACK", "%CUEPOINT", "*A", "*z", "[",
                           "|", "]", "$", ";", "/", ":", "&", "~", "@MSET", "@XR", "`GMSYSTEMON", "`MLD_LOOPTO"}) {
    EXPECT_TRUE(compiler.HasCommand(word)) << word;
  }
  for (const char* word : {"*", "%", "@MUTEON", "H1"}) EXPECT_FALSE(compiler.HasCommand(word)) << word;
}

TEST(CompileDriver, RunawaySourcesStopWithAMessage) {
  const struct {
    const char* Source;
    const char* Message;
  } cases[] = {
      {"[c]2147483647", "イベントの数が多すぎます."},
      {"[r*1000000]2147483647", "演奏位置がSMFで表せる範囲を超えました."},
      {"c*2147483647~d", "演奏位置がSMFで表せる範囲を超えました."},
      {"[[[[[r0]1000]1000]1000]1000]1000", "コマンドの実行回数が多すぎます"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Source);
    TTestCompile run(c.Source);
    // Smaller budgets than the defaults, so the test stays short under the sanitizers too.
    run.Compiler.MaxCommands = 1'000'000;
    run.Compiler.MaxEvents = 200'000;
    run.Run();
    EXPECT_FALSE(run.Result.Ok);
    EXPECT_NE(std::string::npos, pelorund::Cp932ToUtf8(run.Result.Message).find(c.Message));
    EXPECT_TRUE(run.Compiler.SmfImage.empty());
  }
}

TEST(CompileDriver, EventAndCommandBudgets) {
  {
    TTestCompile run("c c c c");
    run.Compiler.MaxEvents = 5;
    run.Run();
    EXPECT_FALSE(run.Result.Ok);
    EXPECT_NE(std::string::npos, pelorund::Cp932ToUtf8(run.Result.Message).find("イベントの数が多すぎます."));
    EXPECT_EQ(6, run.Result.Column);  // the third note adds the sixth event
  }
  {
    TTestCompile run("r r r r");
    run.Compiler.MaxCommands = 3;
    run.Run();
    EXPECT_FALSE(run.Result.Ok);
    EXPECT_NE(std::string::npos, pelorund::Cp932ToUtf8(run.Result.Message).find("コマンドの実行回数が多すぎます"));
  }
}

class CompileFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("pelorund-compile-" + std::to_string(::getpid()) + "-" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  static std::string Read(const fs::path& file) { return pelorund::ReadFileBytes(file).value_or("<missing>"); }

  fs::path dir_;
};

TEST_F(CompileFiles, WritesTheSmfAndTheLogFile) {
  TCompiler compiler;
  compiler.Now = [] { return std::string("2026/01/02 03:04:05"); };
  pelorund::WriteFileAtomic(dir_ / "song.mml", "n999,4\nc");
  ASSERT_TRUE(compiler.LoadSource(dir_ / "song.mml"));
  TFuncResult result;
  compiler.Compile(dir_ / "song.mid", result, dir_ / "CompileLog.txt");
  ASSERT_TRUE(result.Ok);
  EXPECT_TRUE(result.Warning);
  EXPECT_EQ(Cp932("[Pelorund] 2026/01/02 03:04:05\r\n"
                  "注意:[Y2,X0]: ｢n｣ : 値が書き換えられました.  999  ->  127\r\n"
                  "終了: 2026/01/02 03:04:05\r\n"),
            Read(dir_ / "CompileLog.txt"));
  const std::string smf = Read(dir_ / "song.mid");
  EXPECT_EQ(std::string(compiler.SmfImage.begin(), compiler.SmfImage.end()), smf);
  EXPECT_EQ("MThd", smf.substr(0, 4));
}

TEST_F(CompileFiles, FailedOrEmptyCompileLeavesAnOlderSmfUntouched) {
  for (const char* source : {"c %x", "' nothing to play"}) {
    SCOPED_TRACE(source);
    pelorund::WriteFileAtomic(dir_ / "song.mid", "older file");
    TCompiler compiler;
    compiler.SetSource(source);
    TFuncResult result;
    compiler.Compile(dir_ / "song.mid", result, dir_ / "CompileLog.txt");
    EXPECT_EQ("older file", Read(dir_ / "song.mid"));
    EXPECT_NE("<missing>", Read(dir_ / "CompileLog.txt"));
  }
}

TEST_F(CompileFiles, UnwritableOutputThrowsAndWritesNoLog) {
  TCompiler compiler;
  compiler.SetSource("c");
  TFuncResult result;
  EXPECT_THROW(compiler.Compile(dir_ / "missing-dir" / "song.mid", result, dir_ / "CompileLog.txt"),
               std::runtime_error);
  EXPECT_FALSE(fs::exists(dir_ / "CompileLog.txt"));
}

TEST_F(CompileFiles, LoadSourceFailureKeepsNothingToCompile) {
  TCompiler compiler;
  EXPECT_FALSE(compiler.LoadSource(dir_ / "no-such.mml"));
}

TEST(CompileDriver, ChordDefinitionsComeFromTheGivenFile) {
  const fs::path file = fs::temp_directory_path() / ("pelorund-chords-" + std::to_string(::getpid()) + ".ini");
  pelorund::WriteFileAtomic(file, "[chord]\r\nPOW=0,7,12\r\n");
  TCompiler compiler(file);
  fs::remove(file);
  compiler.SetSource("@C c(POW)");
  TFuncResult result;
  compiler.Run(result);
  ASSERT_TRUE(result.Ok);
  EXPECT_EQ((Lines{"0 on 60 127", "0 on 67 127", "48 off 60", "48 off 67"}), testing_support::Events(compiler));
}

TEST(CompileDriver, MissingChordFileMakesChordNamesFail) {
  TCompiler compiler(fs::path("/nonexistent/chord.ini"));
  compiler.SetSource("c(M)");
  TFuncResult result;
  compiler.Run(result);
  EXPECT_FALSE(result.Ok);
}

}  // namespace
