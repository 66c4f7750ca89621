// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "mml/TrackListU.h"

#include <algorithm>
#include <limits>

namespace {
constexpr int32_t kIntMin = std::numeric_limits<int32_t>::min();
constexpr int32_t kIntMax = std::numeric_limits<int32_t>::max();
}  // namespace

TTrackListItem::TTrackListItem() {
  Program.SetRange(0, 127, 0);
  Gate.SetRange(kIntMin, kIntMax, 0);
  Octave.SetRange(kIntMin, kIntMax, 4);
  Volume.SetRange(0, 127, 127);
  Velocity.SetRange(0, 127, 127);
  Detune.SetRange(0, 127, 64);
  Length.SetRange(0, kIntMax, 48);
  Modulation.SetRange(0, 127, 0);
  Pan.SetRange(0, 127, 64);
  KeyShift.SetRange(kIntMin, kIntMax, 0);
  Expression.SetRange(0, 127, 100);
  PitchBend.SetRange(0, 16383, 8192);
  MasterVolume.SetRange(0, 127, 127);
  Tempo.SetRange(1, 1000, 120);
  LastExpression = Expression.GetDefault();
}

TTrackList::TTrackList() {
  // A B C D E F G
  constexpr int kSemitones[7] = {9, 11, 0, 2, 4, 5, 7};
  for (size_t i = 0; i < PitchClass.size(); ++i) PitchClass[i].SetRange(kIntMin, kIntMax, kSemitones[i]);
}

TTrackListItem* TTrackList::GetTrack(int index) {
  if (index < 0) return nullptr;
  while (Count() <= index) {
    const int position = Count();
    auto track = std::make_unique<TTrackListItem>();
    track->Tick = SyncTick;
    // Track 0 and track 1 both play on the first channel; from there one channel per track.
    track->Channel = position == 0 ? 0 : (position - 1) % 16;
    Items.push_back(std::move(track));
  }
  return Items[static_cast<size_t>(index)].get();
}

void TTrackList::Sync() {
  if (Items.empty()) return;
  int64_t latest = 0;
  for (const auto& track : Items) latest = std::max(latest, track->Tick);
  for (auto& track : Items) track->Tick = latest;
  SyncTick = latest;
}
