// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
//
// @-commands: per-track channel, key shift, gate ratio, bend range, glide step, chord mode,
// muting and velocity offsets.
#include <limits>

#include "compiler/CompilerU.h"

namespace {
constexpr int64_t kIntMax = std::numeric_limits<int32_t>::max();
}  // namespace

void TCompiler::RegisterAtCommands() {
  static constexpr TCommandEntry kAtCommands[] = {
      {"@CH", &TCompiler::DoChannel},        {"@K", &TCompiler::DoKeyShift},
      {"@Q", &TCompiler::DoGateRatio},       {"@Y", &TCompiler::DoBendRange},
      {"@W", &TCompiler::DoGlideStep},       {"@C", &TCompiler::DoChordMode},
      {"@CS", &TCompiler::DoChordMode},      {"@MUTE", &TCompiler::DoMute},
      {"@MUTEOFF", &TCompiler::DoMute},      {"@U", &TCompiler::DoVelocityOffsets},
  };
  RegisterFamily(kAtCommands);
}

void TCompiler::DoChannel(const std::string&, TFuncResult& result) {
  TTrackListItem* track = CurrentTrackOr(result);
  int channel = 0;
  if (!track || !ReadNumberOrFail(channel, result)) return;
  channel -= 1;  // written 1-16
  if (ClampParam(0, 15, channel, result.Message)) result.Warning = true;
  track->Channel = channel;
  result.Ok = true;
}

void TCompiler::DoKeyShift(const std::string&, TFuncResult& result) {
  TTrackListItem* track = CurrentTrackOr(result);
  int shift = 0;
  if (!track || !ReadNumberOrFail(shift, result)) return;
  track->KeyShift.SetValue(shift);  // no modifiers: the sign belongs to the number
  result.Ok = true;
}

void TCompiler::DoGateRatio(const std::string&, TFuncResult& result) {
  TTrackListItem* track = CurrentTrackOr(result);
  int ratio = 0;
  if (!track || !ReadClamped(1, kIntMax, ratio, result)) return;
  track->GateByRatio = true;
  track->GateRatio = ratio;
  result.Ok = true;
}

void TCompiler::DoBendRange(const std::string&, TFuncResult& result) {
  TTrackListItem* track = CurrentTrackOr(result);
  int range = 0;
  if (!track || !ReadClamped(1, 127, range, result)) return;
  track->BendRange = range;
  // RPN 0/0, pitch-bend sensitivity, written even when the range did not change.
  Smf.AddControlChange(track->Tick, track->Channel, 101, 0);
  Smf.AddControlChange(track->Tick, track->Channel, 100, 0);
  Smf.AddControlChange(track->Tick, track->Channel, 6, range);
  Smf.AddControlChange(track->Tick, track->Channel, 38, 0);
  result.Ok = true;
}

void TCompiler::DoGlideStep(const std::string&, TFuncResult& result) {
  TTrackListItem* track = CurrentTrackOr(result);
  int step = 0;
  if (!track || !ReadClamped(1, kIntMax, step, result)) return;
  track->GlideStep = step;
  result.Ok = true;
}

void TCompiler::DoChordMode(const std::string& word, TFuncResult& result) {
  TTrackListItem* track = CurrentTrackOr(result);
  if (!track) return;
  track->ChordMode = word == "@C";
  result.Ok = true;
}

void TCompiler::DoMute(const std::string& word, TFuncResult& result) {
  TTrackListItem* track = CurrentTrackOr(result);
  if (!track) return;
  track->Mute = word == "@MUTE";
  result.Ok = true;
}

void TCompiler::DoVelocityOffsets(const std::string&, TFuncResult& result) {
  TTrackListItem* track = CurrentTrackOr(result);
  if (!track) return;
  // Offsets left from an earlier "@U" are used first; a missing number fails after those read.
  do {
    int offset = 0;
    if (!ReadNumberOrFail(offset, result)) return;
    track->VelocityOffsets.Add(offset);
  } while (Scanner.TakeChar(','));
  result.Ok = true;
}
