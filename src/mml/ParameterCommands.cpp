// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
//
// The value-command protocol and the single-letter commands that set a track's values.
#include <algorithm>
#include <limits>

#include "compiler/CompilerMessages.h"
#include "compiler/CompilerU.h"

bool TCompiler::ReadValueCommand(TValueMemory& holder, TFuncResult& result, std::optional<int>& written, int bias) {
  written.reset();
  const char modifier = Scanner.ReadModifier();
  if (modifier == '?') {
    holder.Default = holder.GetValue();
  } else if (modifier == '!') {
    written = holder.SetValue(holder.GetDefault());
  } else {
    int number = 0;
    if (!Scanner.ReadSignedNumber(number)) {
      result.Ok = false;
      result.Message = kMsgBadParameter;
      return false;
    }
    const int64_t value = int64_t{number} + bias;
    if (modifier == '+') {
      written = holder.AddValue(value);
    } else if (modifier == '-') {
      written = holder.AddValue(-value);
    } else {
      written = holder.SetValue(value);
    }
  }
  result.Ok = true;
  return true;
}

void TCompiler::DoOctave(const std::string&, TFuncResult& result) {
  TTrackListItem* track = CurrentTrackOr(result);
  if (!track) return;
  std::optional<int> unused;
  ReadValueCommand(track->Octave, result, unused);
}

void TCompiler::DoOctaveShift(const std::string& word, TFuncResult& result) {
  TTrackListItem* track = CurrentTrackOr(result);
  if (!track) return;
  const bool down = (word == "<") != Tracks.OctaveReverse;
  track->Octave.SetValue(int64_t{track->Octave.GetValue()} + (down ? -1 : 1));
  result.Ok = true;
}

void TCompiler::DoLength(const std::string&, TFuncResult& result) {
  TTrackListItem* track = CurrentTrackOr(result);
  if (!track) return;
  bool starOnly = false;
  const int64_t ticks = Scanner.ReadLength(Tracks.TimeBase, track->Length.GetValue(), track->LastStep, starOnly);
  track->Length.Default = static_cast<int32_t>(
      std::clamp<int64_t>(ticks, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
  track->Length.Reset();
  result.Ok = true;
}
