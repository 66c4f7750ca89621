// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
//
// The commands that configure the LFO and the expression envelope; the note engine applies them.
#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

#include "compiler/CompilerMessages.h"
#include "compiler/CompilerU.h"

namespace {
constexpr int64_t kIntMax = std::numeric_limits<int32_t>::max();
}  // namespace

void TCompiler::RegisterLfoEnvelopeCommands() {
  static constexpr TCommandEntry kLfoEnvelopeCommands[] = {
      {"@MSET", &TCompiler::DoLfoSet},        {"@M", &TCompiler::DoLfoSwitch},
      {"@MS", &TCompiler::DoLfoSwitch},       {"@MW", &TCompiler::DoLfoStep},
      {"@XSET", &TCompiler::DoEnvelopeSet},   {"@X", &TCompiler::DoEnvelopeSwitch},
      {"@XS", &TCompiler::DoEnvelopeSwitch},  {"@XW", &TCompiler::DoEnvelopeStep},
      {"@XR", &TCompiler::DoEnvelopeResolution},
  };
  RegisterFamily(kLfoEnvelopeCommands);
}

void TCompiler::DoLfoSet(const std::string&, TFuncResult& result) {
  TTrackListItem* current = CurrentTrackOr(result);
  if (!current) return;
  TTrackListItem& t = *current;
  int type = 0;
  if (!ReadNumberOrFail(type, result)) return;
  if (type != 0 && type != 1) return Fail(result, kMsgLfoType);
  t.LfoType = type == 1;

  if (!CommaOrFail(result)) return;
  bool starOnly = false;
  // A delay beyond the song's reach means the same as the longest one a song can have.
  t.LfoDelay = std::clamp(ReadTrackLength(t, starOnly), -MaxTick, MaxTick);
  if (!CommaOrFail(result)) return;

  if (!t.LfoType) {
    int depth = 0;
    if (!ReadClamped(0, 127, depth, result)) return;
    t.LfoDepth = depth;
    result.Ok = true;
    return;
  }

  // Depth in bend units, or after "\" in semitones at the bend range of this moment.
  int64_t depth = 0;
  if (Scanner.TakeChar('\\')) {
    int64_t semitones = 0;
    if (!Scanner.ReadSignedDecimal(semitones)) return Fail(result, kMsgBadParameter);
    depth = SemitonesToBend(semitones, t.BendRange);
  } else {
    int units = 0;
    if (!ReadNumberOrFail(units, result)) return;
    depth = units;
  }
  if (ClampParam(0, 8192, depth, result.Message)) result.Warning = true;
  t.LfoDepth = static_cast<int>(depth);

  if (!CommaOrFail(result)) return;
  int64_t period = ReadTrackLength(t, starOnly);
  if (ClampParam(1, kIntMax, period, result.Message)) result.Warning = true;
  if (period > MaxTableTicks) return Fail(result, kMsgLfoPeriodTooLong);
  t.LfoPeriod = static_cast<int>(period);

  // One bend offset per tick of a cycle; the wave first falls below the centre.
  std::vector<int32_t> wave(static_cast<size_t>(period));
  for (size_t i = 0; i < wave.size(); ++i) {
    wave[i] = static_cast<int32_t>(
        -std::trunc(std::sin(2.0 * static_cast<double>(i) * std::numbers::pi / static_cast<double>(period)) *
                    t.LfoDepth));
  }

  if (!CommaOrFail(result)) return;
  int phase = 0;
  if (!ReadNumberOrFail(phase, result)) return;
  if (ClampParam(0, static_cast<int64_t>(wave.size()), phase, result.Message)) result.Warning = true;
  std::rotate(wave.begin(), wave.begin() + phase, wave.end());
  t.LfoWave.Clear();
  for (const int32_t value : wave) t.LfoWave.Add(value);
  result.Ok = true;
}

void TCompiler::DoLfoSwitch(const std::string& word, TFuncResult& result) {
  TTrackListItem* track = CurrentTrackOr(result);
  if (!track) return;
  track->LfoOn = word == "@M";
  result.Ok = true;
}

void TCompiler::DoLfoStep(const std::string&, TFuncResult& result) {
  TTrackListItem* track = CurrentTrackOr(result);
  int step = 0;
  if (!track || !ReadClamped(1, kIntMax, step, result)) return;
  track->LfoStep = step;
  result.Ok = true;
}

void TCompiler::DoEnvelopeSet(const std::string&, TFuncResult& result) {
  TTrackListItem* current = CurrentTrackOr(result);
  if (!current) return;
  TTrackListItem& t = *current;
  t.Envelope.Clear();
  int64_t offset = 0;  // the running end value of the ramps so far
  auto add = [&](int64_t value) {
    t.Envelope.Add(static_cast<int32_t>(std::clamp<int64_t>(value, -kIntMax, kIntMax)));
  };
  do {
    bool starOnly = false;
    int64_t duration = ReadTrackLength(t, starOnly);
    if (ClampParam(0, kIntMax, duration, result.Message)) result.Warning = true;
    if (!CommaOrFail(result)) return;
    int change = 0;
    if (!ReadNumberOrFail(change, result)) return;
    if (duration > 0) {
      // The table holds one entry per tick after the chain's start, plus the final value.
      if (t.Envelope.Count() + duration > int64_t{MaxTableTicks} + 1) return Fail(result, kMsgEnvelopeTooLong);
      for (int64_t f = 0; f < duration; ++f)
        add(offset + static_cast<int64_t>(std::trunc(static_cast<double>(change) / static_cast<double>(duration) *
                                                     static_cast<double>(f))));
      offset += change;
      add(offset);
    } else {  // a jump: the last value is replaced
      if (t.Envelope.Count() > 0) t.Envelope.Delete(t.Envelope.Count() - 1);
      offset += change;
      add(offset);
    }
  } while (Scanner.TakeChar(','));
  result.Ok = true;
}

void TCompiler::DoEnvelopeSwitch(const std::string& word, TFuncResult& result) {
  TTrackListItem* track = CurrentTrackOr(result);
  if (!track) return;
  track->EnvOn = word == "@X";
  result.Ok = true;
}

void TCompiler::DoEnvelopeStep(const std::string&, TFuncResult& result) {
  TTrackListItem* track = CurrentTrackOr(result);
  int step = 0;
  if (!track || !ReadClamped(1, kIntMax, step, result)) return;
  track->EnvStep = step;
  result.Ok = true;
}

void TCompiler::DoEnvelopeResolution(const std::string&, TFuncResult& result) {
  TTrackListItem* track = CurrentTrackOr(result);
  int resolution = 0;
  if (!track || !ReadClamped(1, 127, resolution, result)) return;
  track->EnvResolution = resolution;
  result.Ok = true;
}
