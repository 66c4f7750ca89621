// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "compiler/IntegerListU.h"
#include "mml/ValueMemoryU.h"

/// The compile state of one voice line: its time, channel, settings and the bookkeeping that the
/// note engine carries from one note to the next.
class TTrackListItem {
 public:
  TTrackListItem();

  int64_t Tick = 0;  // 64 bits so that no sum of lengths overflows before the bounds check
  int Channel = 0;
  int64_t LastStep = 0;  // the length a bare "*" stands for
  bool Mute = false;
  int PrevKey = 0;
  int CurKey = 0;
  bool Tied = false;  // the previous note ended with "&" or "~"
  bool Glide = false;  // the previous note ended with "~"
  int64_t PrevStart = 0;
  int GlideStep = 1;
  bool GateByRatio = false;
  int GateRatio = 100;
  int BendRange = 2;
  int LastBend = 8192;
  int NoteBend = 0;
  int KeyOffset = 0;

  bool LfoOn = false;
  bool LfoRunning = false;
  bool LfoType = false;  // false: modulation wheel; true: pitch bend
  int LfoDepth = 0;
  int64_t LfoElapsed = 0;
  int64_t LfoDelay = 0;
  int LfoPeriod = 0;
  int LfoStep = 1;
  int64_t LfoOrigin = 0;
  int64_t LfoOffset = 0;
  TIntegerList LfoWave;

  bool EnvOn = false;
  int64_t EnvStart = 0;
  int64_t EnvEnd = 0;
  TIntegerList Envelope;
  int EnvStep = 1;
  int EnvResolution = 1;
  int LastExpression = 100;

  bool ChordMode = false;
  std::string ChordName;

  TValueMemory Program;
  TValueMemory Gate;
  TValueMemory Octave;
  TValueMemory Volume;
  TValueMemory Velocity;
  TValueMemory Detune;
  TValueMemory Length;
  TValueMemory Modulation;
  TValueMemory Pan;
  TValueMemory KeyShift;
  TValueMemory Expression;
  TValueMemory PitchBend;
  TValueMemory MasterVolume;
  TValueMemory Tempo;

  TIntegerList VelocityOffsets;  // one entry taken per note
};

/// The tracks of one compile and the settings that hold for all of them.
class TTrackList {
 public:
  TTrackList();

  /// The track with that index, created (with every track before it) when needed; null for a
  /// negative index.
  TTrackListItem* GetTrack(int index);
  [[nodiscard]] int Count() const { return static_cast<int>(Items.size()); }
  /// Every track's Tick, and SyncTick, become the latest Tick of all tracks (nothing without tracks).
  void Sync();
  void Clear() { Items.clear(); }

  std::vector<std::unique_ptr<TTrackListItem>> Items;
  /// Semitone above C of the letters A..G.
  std::array<TValueMemory, 7> PitchClass;
  int64_t SyncTick = 0;
  int TimeBase = 48;
  bool OctaveReverse = false;
  bool BendDetune = false;
  bool BendResolution = false;
  int GateBase = 100;
};
