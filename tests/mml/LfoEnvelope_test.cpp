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

namespace {

using testing_support::ExpectLogCases;
using testing_support::TLogCase;

std::vector<int> Table(const TIntegerList& list) {
  std::vector<int> values;
  for (int i = 0; i < list.Count(); ++i) values.push_back(list.Get(i));
  return values;
}

TEST(LfoCommands, ConfigureTheNoteEngine) {
  TTestCompile modulation("@MSET 0,4,64 @M c2");
  modulation.Run();
  EXPECT_EQ((Lines{"0 on 60 127", "48 cc 1 64", "96 off 60", "96 bend 8192", "96 cc 1 0"}), modulation.EventLines());

  TTestCompile wave("@MSET 1,0,100,*8,0 @M c4");
  wave.Run();
  EXPECT_EQ((std::vector<int>{0, -70, -100, -70, 0, 70, 100, 70}), Table(wave.Compiler.Tracks.GetTrack(0)->LfoWave));
  const Lines events = wave.EventLines();
  ASSERT_EQ(51u, events.size());
  EXPECT_EQ("1 bend 8122", events[1]);
  EXPECT_EQ("6 bend 8292", events[6]);

  TTestCompile rotated("@MSET 1,0,100,*8,2");
  rotated.Run();
  EXPECT_EQ((std::vector<int>{-100, -70, 0, 70, 100, 70, 0, -70}),
            Table(rotated.Compiler.Tracks.GetTrack(0)->LfoWave));

  TTestCompile semitones("@MSET 1,0,\\0.5,*8,0");
  semitones.Run();
  EXPECT_EQ(2048, semitones.Compiler.Tracks.GetTrack(0)->LfoDepth);
}

TEST(LfoCommands, OnlyTheFirstParallelVoiceGetsTheLfo) {
  TTestCompile run("@MSET 0,0,64 @M /c4/e4:");
  run.Run();
  EXPECT_EQ((Lines{"0 on 60 127", "0 cc 1 64", "0 on 64 127", "48 off 60", "48 bend 8192", "48 cc 1 0",
                   "48 off 64"}),
            run.EventLines());
}

TEST(LfoCommands, SwitchingOffLetsTheRunningChainFinish) {
  TTestCompile run("@MSET 0,0,64 @M c& @MS c");
  run.Run();
  EXPECT_EQ((Lines{"0 on 60 127", "0 cc 1 64", "96 off 60", "96 bend 8192"}), run.EventLines());
}

TEST(EnvelopeCommands, TablesOfRampsAndJumps) {
  const struct {
    const char* Source;
    std::vector<int> Table;
  } cases[] = {
      {"@XSET *4,20,*4,-20", {0, 5, 10, 15, 20, 20, 15, 10, 5, 0}},
      {"@XSET *4,20,*0,-10", {0, 5, 10, 15, 10}},
      {"@XSET *0,30", {30}},
      {"@XSET *3,-10", {0, -3, -6, -10}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Source);
    TTestCompile run(c.Source);
    run.Run();
    ASSERT_TRUE(run.Result.Ok);
    EXPECT_EQ(c.Table, Table(run.Compiler.Tracks.GetTrack(0)->Envelope));
  }
  TTestCompile envelope("@XSET *4,20,*4,-20 @X c4");
  envelope.Run();
  EXPECT_EQ((Lines{"0 cc 11 100", "0 on 60 127", "1 cc 11 105", "2 cc 11 110", "3 cc 11 115", "4 cc 11 120",
                   "6 cc 11 115", "7 cc 11 110", "8 cc 11 105", "9 cc 11 100", "48 off 60"}),
            envelope.EventLines());
  TTestCompile thinned("@XSET *4,20,*4,-20 @XW3 @X c4");
  thinned.Run();
  // Every third tick and the table's last entry; 115 at tick 6 repeats the value at 3.
  EXPECT_EQ((Lines{"0 cc 11 100", "0 on 60 127", "3 cc 11 115", "9 cc 11 100", "48 off 60"}),
            thinned.EventLines());
}

TEST(LfoEnvelopeCommands, WarningsAndErrors) {
  const TLogCase cases[] = {
      {"@MSET 1,4,100,*8", {"停止:[Y1,X16]: ｢@MSET｣ : パラメータの指定に誤りがあります."}},
      {"@MSET 2,4,64", {"停止:[Y1,X7]: ｢@MSET｣ : LFOタイプを指定して下さい(0:モジュレーション、1:ピッチベンド)"}},
      {"@MSET 0,4", {"停止:[Y1,X9]: ｢@MSET｣ : パラメータの指定に誤りがあります."}},
      {"@MSET 0,4,200", {"注意:[Y1,X13]: ｢@MSET｣ : 値が書き換えられました.  200  ->  127"}},
      {"@MSET 1,0,9000,*8,9", {"注意:[Y1,X19]: ｢@MSET｣ : 値が書き換えられました.  9  ->  8"}},
      {"@MSET 1,0,100,*0,0", {"注意:[Y1,X18]: ｢@MSET｣ : 値が書き換えられました.  0  ->  1"}},
      {"@XSET *4,,*4,10", {"停止:[Y1,X9]: ｢@XSET｣ : パラメータの指定に誤りがあります."}},
      {"@XSET *4", {"停止:[Y1,X8]: ｢@XSET｣ : パラメータの指定に誤りがあります."}},
      {"@XSET 4_2,10", {"注意:[Y1,X12]: ｢@XSET｣ : 値が書き換えられました.  -48  ->  0"}},
      {"@MW", {"停止:[Y1,X3]: ｢@MW｣ : パラメータの指定に誤りがあります."}},
      {"@XR 200", {"注意:[Y1,X7]: ｢@XR｣ : 値が書き換えられました.  200  ->  127"}},
      {"@XW 0", {"注意:[Y1,X5]: ｢@XW｣ : 値が書き換えられました.  0  ->  1"}},
      {"@MSET 1,0,100,*2147483647,0", {"停止:[Y1,X25]: ｢@MSET｣ : LFOの周期が長すぎます(最大1000000ティック)."}},
      {"@XSET *2147483647,10", {"停止:[Y1,X20]: ｢@XSET｣ : エンベロープが長すぎます(最大1000000ティック)."}},
  };
  ExpectLogCases(cases);
}

}  // namespace
