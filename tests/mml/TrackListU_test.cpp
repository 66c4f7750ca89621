// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "mml/TrackListU.h"

#include <gtest/gtest.h>

namespace {

TEST(ValueMemory, StoredValueIsNeverClampedButEveryReadIs) {
  TValueMemory volume;
  volume.SetRange(0, 127, 127);
  EXPECT_EQ(127, volume.SetValue(127));
  EXPECT_EQ(127, volume.AddValue(10));
  EXPECT_EQ(127, volume.AddValue(-5));
  EXPECT_EQ(132, volume.Current);
  EXPECT_EQ(122, volume.AddValue(-10));
}

TEST(ValueMemory, DefaultCanBeTakenOverAndRestored) {
  TValueMemory volume;
  volume.SetRange(0, 127, 127);
  volume.SetValue(100);
  volume.Default = volume.GetValue();  // "?"
  EXPECT_EQ(50, volume.SetValue(50));
  EXPECT_EQ(100, volume.SetValue(volume.GetDefault()));  // "!"
  EXPECT_EQ(100, volume.Default);
}

TEST(ValueMemory, RepeatedAddsDoNotOverflow) {
  TValueMemory octave;
  for (int i = 0; i < 10; ++i) octave.AddValue(2'000'000'000);
  EXPECT_EQ(2147483647, octave.GetValue());
  for (int i = 0; i < 30; ++i) octave.AddValue(-2'000'000'000);
  EXPECT_EQ(-2147483647 - 1, octave.GetValue());
}

TEST(TrackList, GetTrackCreatesEveryTrackUpToTheIndexWithItsChannel) {
  TTrackList tracks;
  EXPECT_EQ(nullptr, tracks.GetTrack(-1));
  EXPECT_EQ(0, tracks.Count());
  ASSERT_NE(nullptr, tracks.GetTrack(17));
  EXPECT_EQ(18, tracks.Count());
  const int expected[] = {0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 0};
  for (int i = 0; i < 18; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(expected[i], tracks.GetTrack(i)->Channel);
  }
}

TEST(TrackList, SyncAlignsTracksAndLaterTracksStartThere) {
  TTrackList tracks;
  tracks.Sync();  // no tracks: nothing changes
  EXPECT_EQ(0, tracks.SyncTick);
  tracks.GetTrack(0)->Tick = 96;
  tracks.GetTrack(1)->Tick = 192;
  tracks.GetTrack(2)->Tick = -48;
  tracks.Sync();
  for (int i = 0; i < 3; ++i) EXPECT_EQ(192, tracks.GetTrack(i)->Tick);
  EXPECT_EQ(192, tracks.SyncTick);
  EXPECT_EQ(192, tracks.GetTrack(5)->Tick);
}

TEST(TrackList, NegativeTicksSyncToZero) {
  TTrackList tracks;
  tracks.GetTrack(0)->Tick = -48;
  tracks.Sync();
  EXPECT_EQ(0, tracks.GetTrack(0)->Tick);
}

TEST(TrackList, NewTrackDefaults) {
  TTrackList tracks;
  const TTrackListItem& track = *tracks.GetTrack(0);
  EXPECT_EQ(4, track.Octave.GetValue());
  EXPECT_EQ(48, track.Length.GetValue());
  EXPECT_EQ(127, track.Velocity.GetValue());
  EXPECT_EQ(8192, track.PitchBend.GetValue());
  EXPECT_EQ(120, track.Tempo.GetValue());
  EXPECT_EQ(100, track.LastExpression);
  EXPECT_EQ(8192, track.LastBend);
}

}  // namespace
