// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
//
// Offline rendering told its progress, and stopped by it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "PlaybackTestSupport.h"
#include "common/FileUtils.h"
#include "playback/smf_render.h"

namespace {

using namespace playback_test;
namespace fs = std::filesystem;

TEST(RenderProgress, RisesToTheEndAndFalseCancelsLeavingTheFileAlone) {
  const fs::path dir = fs::temp_directory_path() / ("pelorund-render-progress-" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  const std::string song = Smf(0, 48,
                               {B("\x00\x90\x3C\x64\x60\x80\x3C\x00"
                                  "\x00\x90\x40\x64\x60\x80\x40\x00")});
  const fs::path wavFile = dir / "song.wav";
  std::vector<double> reports;
  RenderSmfToWav(Bytes(song), wavFile, {}, [&](double done) {
    reports.push_back(done);
    return true;
  });
  ASSERT_GE(reports.size(), 3u);
  EXPECT_EQ(0.0, reports.front());
  EXPECT_EQ(1.0, reports.back());
  EXPECT_TRUE(std::is_sorted(reports.begin(), reports.end()));

  pelorund::WriteFileAtomic(wavFile, "older");
  // Stopped at once, in the middle, and at the very last report before the file is replaced.
  for (const size_t stopAt : {size_t{1}, size_t{3}, reports.size()}) {
    SCOPED_TRACE(stopAt);
    size_t calls = 0;
    EXPECT_THROW(RenderSmfToWav(Bytes(song), wavFile, {}, [&](double) { return ++calls < stopAt; }),
                 ERenderCancelled);
    EXPECT_EQ(stopAt, calls);
    EXPECT_EQ("older", pelorund::ReadFileBytes(wavFile).value_or(""));
    EXPECT_EQ(1, std::distance(fs::directory_iterator(dir), fs::directory_iterator()));  // no temporary left
  }
  fs::remove_all(dir);
}

}  // namespace
