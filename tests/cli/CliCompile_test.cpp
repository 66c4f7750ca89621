// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
//
// pelorund-cli compile end to end: exit statuses, messages, files, and the demo song read back by
// an independent SMF parser (Debian's python3 with mido).
#include <gtest/gtest.h>

#include <algorithm>

#include "CliTestSupport.h"

namespace {

using namespace cli_test;

using CliCompile = TTempDirTest;

TEST_F(CliCompile, DemoSongReadsBackWithItsNotes) {
  const fs::path mid = dir_ / "demo.mid";
  const TRun compile = Cli("compile " + Quote(fs::path(SOURCE_DIR) / "examples" / "demo.mml") + " -o " + Quote(mid));
  ASSERT_EQ(0, compile.Status) << compile.Out;

  const TRun dump = DumpSmf(mid);
  ASSERT_EQ(0, dump.Status) << dump.Out;
  const std::vector<std::string> lines = SplitLines(dump.Out);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ("format 0 tracks 1 division 48", lines.front());
  auto count = [&](const std::string& prefix) {
    return std::count_if(lines.begin(), lines.end(),
                         [&](const std::string& l) { return l.find(prefix) != std::string::npos; });
  };
  // Melody: 29 struck notes (ties and the final glide strike none); chords: 41 tones, the root
  // of the slash chord sounding once.
  EXPECT_EQ(29, count(" on 0 "));
  EXPECT_EQ(41, count(" on 1 "));
  EXPECT_EQ(count(" on 0 "), count(" off 0 "));
  EXPECT_EQ(count(" on 1 "), count(" off 1 "));
  // The opening bar: E5 G5 A5 G5 E5 over a C major chord.
  const std::vector<std::string> opening = {"0 on 0 76 127", "0 on 1 48 127", "0 on 1 52 127", "0 on 1 55 127",
                                            "48 off 0 76 0", "48 on 0 79 127"};
  EXPECT_EQ(opening, std::vector<std::string>(lines.begin() + 1, lines.begin() + 7));
  EXPECT_GT(count("pitchwheel 0"), 10);  // the glide into the last note
  EXPECT_EQ("1536 end", lines.back());   // eight bars of 4/4
}

TEST_F(CliCompile, OutputDefaultsToTheSourceNameWithMid) {
  const fs::path source = Source("song.mml", "c d e");
  const TRun run = Cli("compile " + Quote(source));
  EXPECT_EQ(0, run.Status) << run.Out;
  EXPECT_EQ("MThd", Read(dir_ / "song.mid").substr(0, 4));
  EXPECT_FALSE(fs::exists(dir_ / "CompileLog.txt"));  // no log without --log
}

TEST_F(CliCompile, CompileErrorExitsWithOneAndKeepsTheOldFile) {
  const fs::path source = Source("bad.mml", "c d\n e %x");
  pelorund::WriteFileAtomic(dir_ / "bad.mid", "older");
  const TRun run = Cli("compile " + Quote(source));
  EXPECT_EQ(1, run.Status);
  EXPECT_NE(std::string::npos, run.Out.find("停止:[Y2,X5]: ｢%x｣ : 未定義のコマンド又は文法エラーです.")) << run.Out;
  EXPECT_EQ("older", Read(dir_ / "bad.mid"));
}

TEST_F(CliCompile, WarningsGoToStderrAndTheLogFileHoldsTheExactBytes) {
  const fs::path source = Source("warn.mml", "N200,4 c");
  const TRun run = Cli("compile " + Quote(source) + " --log " + Quote(dir_ / "log.txt"));
  EXPECT_EQ(0, run.Status) << run.Out;
  const std::string warning = "注意:[Y1,X7]: ｢N｣ : 値が書き換えられました.  200  ->  127";
  EXPECT_NE(std::string::npos, run.Out.find(warning)) << run.Out;
  const std::vector<std::string> log = SplitLines(Read(dir_ / "log.txt"));
  ASSERT_EQ(3u, log.size());
  EXPECT_EQ(0u, log[0].rfind("[Pelorund] ", 0));
  EXPECT_EQ(pelorund::Utf8ToCp932(warning).value() + "\r", log[1]);
  EXPECT_EQ(0u, log[2].rfind(pelorund::Utf8ToCp932("終了: ").value(), 0));
  EXPECT_EQ('\r', log[2].back());
}

TEST_F(CliCompile, ChordIniOptionReplacesTheProgramsFile) {
  pelorund::WriteFileAtomic(dir_ / "chords.ini", "[chord]\r\nX=0,5\r\n");
  const fs::path source = Source("chord.mml", "@C c(X)");
  EXPECT_EQ(0, Cli("compile " + Quote(source) + " --chord-ini " + Quote(dir_ / "chords.ini")).Status);
  const TRun missing = Cli("compile " + Quote(source) + " --chord-ini " + Quote(dir_ / "none.ini"));
  EXPECT_EQ(2, missing.Status);
  EXPECT_NE(std::string::npos, missing.Out.find("none.ini"));
  // The program's own chord.ini does not define X.
  EXPECT_EQ(1, Cli("compile " + Quote(source)).Status);
}

TEST_F(CliCompile, UsageAndFileErrorsExitWithTwo) {
  const struct {
    std::string Args;
    std::string Says;
  } cases[] = {
      {"compile", "no source file"},
      {"compile a.mml -o", "needs a value"},
      {"compile a.mml --bogus", "unknown option"},
      {"frobnicate", "unknown command"},
      {"compile " + Quote(dir_ / "missing.mml"), "missing.mml"},
      {"compile " + Quote(Source("ok.mml", "c")) + " -o " + Quote(dir_ / "no-dir" / "x.mid"), "x.mid"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Args);
    const TRun run = Cli(c.Args);
    EXPECT_EQ(2, run.Status);
    EXPECT_NE(std::string::npos, run.Out.find(c.Says)) << run.Out;
  }
}

TEST_F(CliCompile, EmptySongWritesNothingAndSaysSo) {
  const TRun run = Cli("compile " + Quote(Source("empty.mml", "' ただのコメント")));
  EXPECT_EQ(0, run.Status);
  EXPECT_NE(std::string::npos, run.Out.find("no events"));
  EXPECT_FALSE(fs::exists(dir_ / "empty.mid"));
}

}  // namespace
