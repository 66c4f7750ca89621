// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
//
// Offline rendering through the built-in synthesizer, measured from the samples it wrote.
#include "playback/smf_render.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "PlaybackTestSupport.h"
#include "WavTestSupport.h"
#include "common/FileUtils.h"
#include "playback/smf_play.h"

namespace {

using namespace playback_test;
namespace fs = std::filesystem;

class Render : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("pelorund-render-" + std::to_string(::getpid()) + "-" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  fs::path dir_;
};

TEST_F(Render, TheWavFileHasTheSongsLengthAndSoundsWhereNotesSound) {
  // At 60 beats per minute and 48 ticks a beat: silence for 1 s, a chord from 1 s to 2 s,
  // silence to 3 s, a note from 3 s to 3.5 s, the end at 4 s.
  const std::string song = Smf(0, 48,
                               {B("\x00\xFF\x51\x03\x0F\x42\x40"
                                  "\x00\xC0\x00"
                                  "\x30\x90\x3C\x64\x00\x90\x40\x64\x00\x90\x43\x64"
                                  "\x30\x80\x3C\x00\x00\x80\x40\x00\x00\x80\x43\x00"
                                  "\x30\x90\x48\x70"
                                  "\x18\x80\x48\x00"
                                  "\x18\xFF\x2F\x00")});
  const fs::path wavFile = dir_ / "song.wav";
  const TRenderInfo info = RenderSmfToWav(Bytes(song), wavFile);
  EXPECT_NEAR(4.0, info.SongSeconds, 0.01);
  EXPECT_GE(info.Seconds, info.SongSeconds);
  EXPECT_LE(info.Seconds, info.SongSeconds + 10.1);
  EXPECT_EQ(fs::file_size(wavFile), info.FileBytes);

  const std::optional<wav_test::TWav> wav = wav_test::ReadWav(wavFile);
  ASSERT_TRUE(wav);
  EXPECT_EQ(2, wav->Channels);
  EXPECT_EQ(44100, wav->SampleRate);
  EXPECT_NEAR(info.Seconds, wav->Seconds(), 0.001);
  const double loud = 0.01;    // about -40 dB
  const double quiet = 0.001;  // about -60 dB
  EXPECT_LT(wav->Rms(0.0, 0.95), quiet);
  EXPECT_GT(wav->Rms(1.05, 1.95), loud);
  EXPECT_LT(wav->Rms(2.8, 2.95), quiet);  // the chord's release has died away
  EXPECT_GT(wav->Rms(3.05, 3.45), loud);
}

TEST_F(Render, FailuresLeaveAnExistingFileAlone) {
  const fs::path wavFile = dir_ / "keep.wav";
  pelorund::WriteFileAtomic(wavFile, "older");
  const std::string song = Smf(0, 48, {B("\x00\x90\x3C\x64\x30\x80\x3C\x00")});
  EXPECT_THROW(RenderSmfToWav(Bytes(song), wavFile, dir_ / "missing.sf2"), ESmfPlayer);
  EXPECT_THROW(RenderSmfToWav(Bytes("MThd"), wavFile), smf_unit::ESmfReadSMF);
  // A tick far beyond what a render may take (hours at a time base of 1).
  const std::string endless = Smf(0, 1, {B("\x00\x90\x3C\x64\x8F\xFF\xFF\x7F\x80\x3C\x00")});
  EXPECT_THROW(RenderSmfToWav(Bytes(endless), wavFile), ESmfPlayer);
  EXPECT_THROW(RenderSmfToWav(Bytes(song), dir_ / "no-such-dir" / "x.wav"), ESmfPlayer);
  EXPECT_EQ("older", pelorund::ReadFileBytes(wavFile).value_or(""));
  EXPECT_EQ(1, std::distance(fs::directory_iterator(dir_), fs::directory_iterator()));  // no temporary left
}

}  // namespace
