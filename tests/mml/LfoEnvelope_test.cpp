// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
//
// The note engine's LFO and envelope work, driven through the track settings directly.
#include <gtest/gtest.h>

#include <algorithm>

#include "CompileTestSupport.h"

namespace {

using testing_support::TTestCompile;
using Lines = std::vector<std::string>;

void SetList(TIntegerList& list, std::initializer_list<int> values) {
  list.Clear();
  for (int v : values) list.Add(v);
}

struct TModulation : TTestCompile {
  explicit TModulation(const std::string& source) : TTestCompile(source) {
    TTrackListItem& t = *Compiler.Tracks.GetTrack(0);
    t.LfoOn = true;
    t.LfoType = false;
    t.LfoDelay = 48;
    t.LfoDepth = 64;
  }
};

TEST(ModulationLfo, StartsAfterTheDelayAndStopsAtTheChainEnd) {
  TModulation run("c2");
  run.Run();
  EXPECT_EQ((Lines{"0 on 60 127", "48 cc 1 64", "96 off 60", "96 bend 8192", "96 cc 1 0"}), run.EventLines());
}

TEST(ModulationLfo, TheChainMustOutlastTheDelay) {
  TModulation separate("c8 c8 c8");
  separate.Run();
  const Lines events = separate.EventLines();
  EXPECT_EQ(0, std::count_if(events.begin(), events.end(),
                             [](const std::string& e) { return e.find("cc 1 ") != std::string::npos; }));
  TModulation tied("c8&c8&c8");
  tied.Run();
  EXPECT_EQ((Lines{"0 on 60 127", "48 cc 1 64", "72 off 60", "72 bend 8192", "72 cc 1 0"}), tied.EventLines());
}

TEST(PitchBendLfo, WritesTheWaveFromTheTickAfterItsStart) {
  TTestCompile run("c4");
  TTrackListItem& t = *run.Compiler.Tracks.GetTrack(0);
  t.LfoOn = true;
  t.LfoType = true;
  t.LfoPeriod = 8;
  SetList(t.LfoWave, {0, -70, -100, -70, 0, 70, 100, 70});
  run.Run();
  const Lines events = run.EventLines();
  ASSERT_EQ(51u, events.size());  // note-on, 48 wave values, note-off, closing bend
  EXPECT_EQ((Lines{"1 bend 8122", "2 bend 8092", "3 bend 8122", "4 bend 8192", "5 bend 8262", "6 bend 8292",
                   "7 bend 8262", "8 bend 8192", "9 bend 8122"}),
            Lines(events.begin() + 1, events.begin() + 10));
  EXPECT_EQ((Lines{"48 bend 8192", "48 off 60", "48 bend 8192"}), Lines(events.end() - 3, events.end()));
}

TEST(PitchBendLfo, GlidingNoteGetsNoWave) {
  TTestCompile run("c4~");
  TTrackListItem& t = *run.Compiler.Tracks.GetTrack(0);
  t.LfoOn = true;
  t.LfoType = true;
  t.LfoPeriod = 2;
  SetList(t.LfoWave, {0, 50});
  run.Run();
  EXPECT_EQ((Lines{"0 on 60 127", "48 off 60"}), run.EventLines());
}

TEST(Envelope, RampsOverTheChainAndHoldsAfterTheTable) {
  TTestCompile run("c4");
  TTrackListItem& t = *run.Compiler.Tracks.GetTrack(0);
  t.EnvOn = true;
  SetList(t.Envelope, {0, 5, 10, 15, 20, 20, 15, 10, 5, 0});
  run.Run();
  EXPECT_EQ((Lines{"0 cc 11 100", "0 on 60 127", "1 cc 11 105", "2 cc 11 110", "3 cc 11 115", "4 cc 11 120",
                   "6 cc 11 115", "7 cc 11 110", "8 cc 11 105", "9 cc 11 100", "48 off 60"}),
            run.EventLines());
}

TEST(Envelope, ResolutionMovesValuesToTheTopOfTheirBlock) {
  TTestCompile run("c4");
  TTrackListItem& t = *run.Compiler.Tracks.GetTrack(0);
  t.EnvOn = true;
  t.EnvResolution = 8;
  SetList(t.Envelope, {0, 0, -4, -5});
  run.Run();
  EXPECT_EQ((Lines{"0 cc 11 100", "0 on 60 127", "1 cc 11 103", "3 cc 11 95", "48 off 60"}), run.EventLines());
}

TEST(Envelope, RunsOnceOverATiedChain) {
  TTestCompile run("c&c");
  TTrackListItem& t = *run.Compiler.Tracks.GetTrack(0);
  t.EnvOn = true;
  t.Envelope.Clear();
  for (int i = 0; i < 200; ++i) t.Envelope.Add(-i);
  run.Run();
  const Lines events = run.EventLines();
  const auto controllers = std::count_if(events.begin(), events.end(),
                                         [](const std::string& e) { return e.find("cc 11") != std::string::npos; });
  EXPECT_EQ(97, controllers);  // the start value and one per tick of the 96-tick chain
  EXPECT_NE(events.end(), std::find(events.begin(), events.end(), "96 cc 11 4"));
}

TEST(Envelope, WithoutATableOnlyTheStartValueIsWritten) {
  TTestCompile run("c");
  run.Compiler.Tracks.GetTrack(0)->EnvOn = true;
  run.Run();
  EXPECT_EQ((Lines{"0 cc 11 100", "0 on 60 127", "48 off 60"}), run.EventLines());
}

}  // namespace
