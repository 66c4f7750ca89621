// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
//
// pelorund-cli compile with sources in UTF-8: the same file as from code page 932, and a clear
// stop for a character that code page 932 cannot hold.
#include <gtest/gtest.h>

#include "CliTestSupport.h"

namespace {

using namespace cli_test;

using CliUtf8 = TTempDirTest;
using CliUtf8Render = TTempDirTest;

// Japanese comments and a double-byte character between the notes.
constexpr const char* kSong = "' 春の歌\r\nt120 c d\r\n{ 旋律 } e あ f\r\n";

TEST_F(CliUtf8, CompilesLikeItsCodePage932Twin) {
  const fs::path reference = Source("cp932.mml", kSong);
  ASSERT_EQ(0, Cli("compile " + Quote(reference)).Status);
  const std::string expected = Read(dir_ / "cp932.mid");
  ASSERT_EQ("MThd", expected.substr(0, 4));
  const struct {
    const char* Name;
    std::string Bytes;
  } cases[] = {
      {"plain.mml", kSong},
      {"bom.mml", std::string("\xEF\xBB\xBF") + kSong},
      {"lf.mml", "' 春の歌\nt120 c d\n{ 旋律 } e あ f\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    const TRun run = Cli("compile " + Quote(File(c.Name, c.Bytes)) + " -o " + Quote(dir_ / "out.mid"));
    EXPECT_EQ(0, run.Status) << run.Out;
    EXPECT_EQ(expected, Read(dir_ / "out.mid"));
  }
}

TEST_F(CliUtf8, ErrorsReportTheirPlaceInTheUtf8Text) {
  const TRun run = Cli("compile " + Quote(File("err.mml", "' 旋律\r\nc あ %bogus\r\n")));
  EXPECT_EQ(1, run.Status);
  EXPECT_NE(std::string::npos, run.Out.find("停止:[Y2,X10]: ｢%bogus｣ : 未定義のコマンド又は文法エラーです.")) << run.Out;
}

TEST_F(CliUtf8, ACharacterWithoutACodePage932FormStopsWithItsRowAndColumn) {
  const fs::path mid = File("out.mid", "older");
  const TRun run = Cli("compile " + Quote(File("emoji.mml", "' 旋律\r\nc d 😀 e\r\n")) + " -o " + Quote(mid));
  EXPECT_EQ(2, run.Status);
  EXPECT_NE(std::string::npos, run.Out.find("line 2, column 5")) << run.Out;
  EXPECT_EQ("older", Read(mid));
}

TEST_F(CliUtf8Render, PlayAndRenderReadUtf8SourcesToo) {
  const fs::path source = File("song.mml", "' 春の歌\r\nc d e\r\n");
  const TRun render = Cli("render " + Quote(source) + " -o " + Quote(dir_ / "song.wav"));
  EXPECT_EQ(0, render.Status) << render.Out;
  EXPECT_EQ("RIFF", Read(dir_ / "song.wav").substr(0, 4));
  const TRun bad = Cli("render " + Quote(File("emoji.mml", "c 😀 d\r\n")) + " -o " + Quote(dir_ / "bad.wav"));
  EXPECT_EQ(2, bad.Status);
  EXPECT_NE(std::string::npos, bad.Out.find("line 1, column 3")) << bad.Out;
}

}  // namespace
