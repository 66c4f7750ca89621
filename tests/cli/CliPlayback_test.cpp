// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
//
// pelorund-cli devices, play and render end to end: exit statuses, messages and the WAV file's
// samples. Only the built-in synthesizer's offline path makes sound here; no device is opened.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CliTestSupport.h"
#include "playback/WavTestSupport.h"

namespace {

using namespace cli_test;

using CliPlayback = TTempDirTest;

TEST_F(CliPlayback, DevicesListsTheDefaultDeviceFirstAndTheSynthesizerLast) {
  const TRun run = Cli("devices");
  ASSERT_EQ(0, run.Status) << run.Out;
  const std::vector<std::string> lines = SplitLines(run.Out);
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(" -1  既定のMIDIデバイス", lines.front());
  EXPECT_EQ(std::to_string(lines.size() - 2) + "  内蔵GMシンセサイザー",
            lines.back().substr(lines.back().find_first_not_of(' ')));
  EXPECT_EQ(2, Cli("devices extra").Status);
}

TEST_F(CliPlayback, PlayRejectsBadInputBeforeOpeningAnything) {
  const fs::path good = Source("good.mml", "c d e");
  const fs::path bad = Source("bad.mml", "c d\n e x");
  struct {
    const char* name;
    std::string args;
    int status;
    const char* says;
  } cases[] = {
      {"missing song", "play " + Quote(dir_ / "none.mid"), 2, "cannot read MIDI file"},
      {"not a MIDI file", "play " + Quote(bad) + "x", 2, "cannot read MIDI file"},
      {"no song", "play", 2, "no song file given"},
      {"unknown option", "play " + Quote(good) + " --loud", 2, "unknown option --loud"},
      {"negative start", "play " + Quote(good) + " --from -5", 2, "--from needs a tick count"},
      {"device number out of range", "play " + Quote(good) + " --device 99", 2, "no device 99"},
      {"no device of that name", "play " + Quote(good) + " --device 'no such port'", 2, "no device matches"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const TRun run = Cli(c.args);
    EXPECT_EQ(c.status, run.Status) << run.Out;
    EXPECT_NE(std::string::npos, run.Out.find(c.says)) << run.Out;
  }
  // A compile error is reported exactly as the compile command reports it.
  const TRun compile = Cli("compile " + Quote(bad));
  const TRun play = Cli("play " + Quote(bad));
  EXPECT_EQ(1, compile.Status);
  EXPECT_EQ(1, play.Status);
  EXPECT_EQ(compile.Out, play.Out);
  EXPECT_NE(std::string::npos, play.Out.find("停止:")) << play.Out;

  pelorund::WriteFileAtomic(dir_ / "broken.mid", "MThd");
  const TRun broken = Cli("play " + Quote(dir_ / "broken.mid"));
  EXPECT_EQ(2, broken.Status);
  EXPECT_NE(std::string::npos, broken.Out.find("SMFヘッダの読み出しに失敗しました。")) << broken.Out;
}

TEST_F(CliPlayback, RenderWritesTheDemoSongWithItsLengthAndItsSound) {
  const fs::path wavFile = dir_ / "demo.wav";
  const TRun run =
      Cli("render " + Quote(fs::path(SOURCE_DIR) / "examples" / "demo.mml") + " -o " + Quote(wavFile));
  ASSERT_EQ(0, run.Status) << run.Out;
  EXPECT_NE(std::string::npos, run.Out.find(wavFile.string() + ": ")) << run.Out;
  const std::optional<wav_test::TWav> wav = wav_test::ReadWav(wavFile);
  ASSERT_TRUE(wav);
  // Eight bars of 4/4 at 120 beats per minute, and at most a few seconds of release.
  EXPECT_GE(wav->Seconds(), 16.0);
  EXPECT_LT(wav->Seconds(), 16.0 + 10.0);
  // Melody and chords sound through every bar but the rest at the very end.
  for (int bar = 0; bar < 7; ++bar) {
    SCOPED_TRACE(bar);
    EXPECT_GT(wav->Rms(bar * 2.0, bar * 2.0 + 2.0), 0.01);
  }
}

TEST_F(CliPlayback, RenderAcceptsACompiledFileAndKeepsTheTargetOnFailure) {
  const fs::path source = Source("song.mml", "o4 l4 c e g > c");
  ASSERT_EQ(0, Cli("compile " + Quote(source)).Status);
  EXPECT_EQ(0, Cli("render " + Quote(dir_ / "song.mid")).Status);  // -o defaults to song.wav
  EXPECT_TRUE(wav_test::ReadWav(dir_ / "song.wav"));

  pelorund::WriteFileAtomic(dir_ / "keep.wav", "older");
  const TRun noFont = Cli("render " + Quote(source) + " -o " + Quote(dir_ / "keep.wav") + " --soundfont " +
                          Quote(dir_ / "none.sf2"));
  EXPECT_EQ(2, noFont.Status);
  EXPECT_NE(std::string::npos, noFont.Out.find("cannot read SoundFont")) << noFont.Out;
  const TRun notAFont =
      Cli("render " + Quote(source) + " -o " + Quote(dir_ / "keep.wav") + " --soundfont " + Quote(source));
  EXPECT_EQ(2, notAFont.Status);
  EXPECT_NE(std::string::npos, notAFont.Out.find("サウンドフォントを読み込めません")) << notAFont.Out;
  EXPECT_EQ(1, Cli("render " + Quote(Source("bad.mml", "x")) + " -o " + Quote(dir_ / "keep.wav")).Status);
  EXPECT_EQ("older", pelorund::ReadFileBytes(dir_ / "keep.wav").value_or(""));
}

}  // namespace
