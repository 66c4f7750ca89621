// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
//
// The note engine: letters, key numbers, rests, chords, ties and glides, and the per-note work of
// the LFO and the expression envelope.
#include <algorithm>
#include <charconv>
#include <cmath>

#include "common/CommaList.h"
#include "compiler/CompilerMessages.h"
#include "compiler/CompilerU.h"

namespace {

/// Nearest integer, halves to even (the default floating-point rounding mode).
int RoundHalfEven(double x) { return static_cast<int>(std::nearbyint(x)); }

int ClampInt(int64_t value, int min, int max) { return static_cast<int>(std::clamp<int64_t>(value, min, max)); }

/// A chord tone: a decimal integer with an optional sign; anything else counts as 0.
int ChordToneValue(std::string_view item) {
  if (!item.empty() && item.front() == '+') item.remove_prefix(1);
  int value = 0;
  const auto [end, error] = std::from_chars(item.data(), item.data() + item.size(), value);
  return error == std::errc() && end == item.data() + item.size() ? value : 0;
}

}  // namespace

void TCompiler::RegisterNoteCommands() {
  static constexpr TCommandEntry kNoteCommands[] = {
      {"A", &TCompiler::DoNoteLetter},
      {"B", &TCompiler::DoNoteLetter},
      {"C", &TCompiler::DoNoteLetter},
      {"D", &TCompiler::DoNoteLetter},
      {"E", &TCompiler::DoNoteLetter},
      {"F", &TCompiler::DoNoteLetter},
      {"G", &TCompiler::DoNoteLetter},
      {"N", &TCompiler::DoNoteNumber},
      {"R", &TCompiler::DoRest},
      {"&", &TCompiler::DoLoneConnectionMark},  // a tie or glide mark after no note
      {"~", &TCompiler::DoLoneConnectionMark},
  };
  RegisterFamily(kNoteCommands);
}

void TCompiler::DoNoteLetter(const std::string& word, TFuncResult& result) {
  LetterNote(word[0] - 'A', result);
}

void TCompiler::LetterNote(int letterIndex, TFuncResult& result) {
  TTrackListItem* track = CurrentTrackOr(result);
  if (!track) return;
  int64_t pitch = Tracks.PitchClass[static_cast<size_t>(letterIndex)].GetValue();
  for (char accidental = Scanner.ReadAccidental(); accidental != ' '; accidental = Scanner.ReadAccidental())
    pitch += accidental == '-' ? -1 : 1;
  const int64_t key = pitch + (int64_t{track->Octave.GetValue()} + 1) * 12 + Transpose + track->KeyShift.GetValue();
  PlayNote(ClampInt(key, 1, 127), result);
}

void TCompiler::DoNoteNumber(const std::string&, TFuncResult& result) {
  int key = 0;
  if (!Scanner.ReadSignedNumber(key)) return Fail(result, kMsgBadParameter);
  if (!Scanner.TakeChar(',')) return Fail(result, kMsgCommaAfterNoteNumber);
  // Note events carry a 7-bit key: a number outside it is brought in with a warning.
  std::string warning;
  const bool clamped = ClampParam(0, 127, key, warning);
  PlayNote(key, result);
  if (result.Ok && clamped) {
    result.Warning = true;
    result.Message = warning;
  }
}

void TCompiler::DoRest(const std::string&, TFuncResult& result) {
  TTrackListItem* track = CurrentTrackOr(result);
  if (!track) return;
  bool starOnly = false;
  const int64_t ticks = ReadTrackLength(*track, starOnly);
  const int64_t tick = track->Tick + ticks;
  if (tick > MaxTick || tick < -MaxTick) return Fail(result, kMsgTimeOutOfRange);
  MapNoteSpan(track->Tick, ticks);
  track->Tick = tick;
  result.Ok = true;
}

void TCompiler::DoLoneConnectionMark(const std::string&, TFuncResult& result) { result.Ok = true; }

bool TCompiler::ReadChord(TTrackListItem& track, TFuncResult& result) {
  std::string name;
  int bass = 0;
  if (!Scanner.ReadChordSpec(name, bass)) return true;
  if (bass < 0) {
    Fail(result, kMsgBadBass);
    return false;
  }
  track.ChordName = name.empty() ? "M" : name;
  ChordItems = pelorund::SplitCommaList(ChordIni.ReadString("chord", track.ChordName));
  if (ChordItems.empty()) {
    Fail(result, kMsgUndefinedChord);
    return false;
  }
  ChordIntervals.Clear();
  // The bass sounds an octave below the chord tone it names; tones of its pitch class (without
  // a bass: the root and its octaves) are left out, since the note itself sounds that class.
  if (bass > 0) ChordIntervals.Add(bass - 12);
  for (const std::string& item : ChordItems) {
    const int interval = ChordToneValue(item);
    if (interval % 12 != bass) ChordIntervals.Add(interval);
  }
  return true;
}

int TCompiler::PlainBend(const TTrackListItem& track) const {
  int bend = track.PitchBend.GetValue() + track.NoteBend;
  if (Tracks.BendDetune)
    bend += static_cast<int>(std::trunc((track.Detune.GetValue() - 64) / static_cast<double>(track.BendRange) * 128));
  return bend;
}

void TCompiler::UpdatePitchBend(TTrackListItem& track, int64_t tick) {
  double x = static_cast<double>(track.PitchBend.GetValue()) + track.NoteBend;
  if (Tracks.BendDetune) x += (track.Detune.GetValue() - 64) / static_cast<double>(track.BendRange) * 128;
  int value = ClampInt(static_cast<int64_t>(std::trunc(x)), 0, 16383);
  if (Tracks.BendResolution) value = value / 128 * 128;
  if (value == track.LastBend) return;
  Smf.AddPitchBend(tick, track.Channel, value);
  track.LastBend = value;
}

void TCompiler::PlayNote(int key, TFuncResult& result) {
  TTrackListItem* current = CurrentTrackOr(result);
  if (!current) return;
  TTrackListItem& t = *current;
  result.Ok = true;

  // 1. Expression at the note start.
  if (!t.EnvOn) {
    const int expression = t.Expression.GetValue();
    if (expression != t.LastExpression) {
      t.LastExpression = expression;
      Smf.AddControlChange(t.Tick, t.Channel, 11, expression);
    }
  } else if (!t.Tied) {
    const int first = t.Envelope.Count() > 0 ? t.Envelope.Get(0) : 0;  // no table: no offset
    t.LastExpression = ClampInt(int64_t{first} + t.Expression.GetValue(), 0, 127);
    Smf.AddControlChange(t.Tick, t.Channel, 11, t.LastExpression);
  }

  // 2. A chord written right after the note.
  if (!ReadChord(t, result)) return;

  // 3.-6. Velocity, step, gate, explicit gate and velocity.
  int velocity = t.Velocity.GetValue();
  bool starOnly = false;
  const int64_t step = ReadTrackLength(t, starOnly);
  auto outOfRange = [&](int64_t ticks) { return t.Tick + ticks > MaxTick || t.Tick + ticks < -MaxTick; };
  if (outOfRange(step)) return Fail(result, kMsgTimeOutOfRange);
  int64_t gate = t.GateByRatio ? std::max<int64_t>(1, step * t.GateRatio / Tracks.GateBase)
                               : std::max<int64_t>(0, step - t.Gate.GetValue());
  if (Scanner.TakeChar(',')) {
    bool unused = false;
    gate = std::max<int64_t>(0, ReadTrackLength(t, unused));
    if (Scanner.TakeChar(',')) {
      const int number = Scanner.ReadNumber();
      if (number < 0) return Fail(result, kMsgBadParameter);
      velocity = ClampInt(number, 0, 127);
    }
  }
  if (outOfRange(gate)) return Fail(result, kMsgTimeOutOfRange);

  // 7. Connection from the previous note: the sounding key stays, the bend carries the pitch.
  if (t.Tied) {
    t.KeyOffset = key - t.PrevKey;
    const int target = RoundHalfEven(8192.0 / t.BendRange * t.KeyOffset);
    if (t.Glide) {
      const int64_t n = t.Tick - t.PrevStart - 1;
      if (n > 0) {
        const int origin = t.NoteBend;
        for (int64_t q = 1; q <= n; ++q) {
          t.NoteBend = RoundHalfEven(static_cast<double>(target - origin) / static_cast<double>(n) *
                                     static_cast<double>(q)) +
                       origin;
          if (q % std::max(1, t.GlideStep) == 0) UpdatePitchBend(t, t.PrevStart + q);
        }
      }
    }
    t.NoteBend = target;
  } else {
    t.KeyOffset = 0;
    t.NoteBend = 0;
  }

  // 8.-10. Bend at the start, the key that sounds, velocity offsets.
  t.PrevStart = t.Tick;
  UpdatePitchBend(t, t.Tick);
  t.CurKey = key - t.KeyOffset;
  if (t.VelocityOffsets.Count() > 0) {
    velocity = ClampInt(int64_t{velocity} + t.VelocityOffsets.Get(0), 0, 127);
    t.VelocityOffsets.Delete(0);
  }

  // 11.-12. Note-on with the chord tones.
  const bool chord = t.ChordMode && ChordIntervals.Count() > 0;
  auto forEachChordTone = [&](auto&& write) {
    if (!chord) return;
    for (int i = 0; i < ChordIntervals.Count(); ++i) {
      const int64_t tone = int64_t{t.CurKey} + ChordIntervals.Get(i);
      if (tone >= 1 && tone <= 127) write(static_cast<int>(tone));
    }
  };
  if (!t.Tied && !t.Mute) {
    MapNoteOn(Smf.AddNoteOn(t.Tick, t.Channel, t.CurKey, velocity));
    forEachChordTone([&](int tone) { MapNoteOn(Smf.AddNoteOn(t.Tick, t.Channel, tone, velocity)); });
  }
  t.PrevKey = t.CurKey;

  // 13. Modulation LFO start, once the chain has outlasted the delay.
  const bool lfoHere = ParallelVoice < 2 && t.LfoOn && step > 0;
  if (lfoHere && !t.LfoType && !t.LfoRunning) {
    if (t.LfoElapsed + step > t.LfoDelay) {
      t.LfoRunning = true;
      Smf.AddControlChange(t.Tick + t.LfoDelay - t.LfoElapsed, t.Channel, 1, t.LfoDepth);
    } else {
      t.LfoElapsed += step;
    }
  }

  // 14. The envelope spans the whole chain.
  if (!t.Tied) {
    t.EnvStart = t.Tick;
    t.EnvEnd = t.Tick + step;
  } else {
    t.EnvEnd += step;
  }

  // 15.-16. Connection mark after the note.
  t.Glide = Scanner.TakeChar('~');
  t.Tied = t.Glide || Scanner.TakeChar('&');
  if (t.Tied && t.ChordMode) return Fail(result, kMsgTieInChordMode);

  // 17. Pitch-bend LFO.
  if (lfoHere && t.LfoType) {
    if (!t.LfoRunning) {
      if (t.LfoElapsed + step > t.LfoDelay) {
        t.LfoRunning = true;
        t.LfoOffset = t.LfoDelay - t.LfoElapsed;
        t.LfoOrigin = t.Tick + t.LfoOffset;
      } else {
        t.LfoElapsed += step;
      }
    } else {
      t.LfoOffset = 0;
    }
    const int64_t period = t.LfoWave.Count();
    if (t.LfoRunning && !t.Glide && period > 0) {
      const int base = PlainBend(t);
      int last = base;
      const int64_t lfoStep = std::max(1, t.LfoStep);
      // A negative delay would start the wave before the note; it never starts earlier than that.
      for (int64_t q = std::max<int64_t>(t.LfoOffset + 1, -step); q <= step && Smf.Count() <= MaxEvents; ++q) {
        if (q % lfoStep != 0) continue;
        const int64_t phase = ((t.Tick - t.LfoOrigin + q) % period + period) % period;
        int value = ClampInt(int64_t{t.LfoWave.Get(static_cast<int>(phase))} + base, 0, 16383);
        if (Tracks.BendResolution) value = value / 128 * 128;
        if (value != last) {
          Smf.AddPitchBend(t.Tick + q, t.Channel, value);
          last = value;
        }
      }
    }
  }

  // 18. Note end, with the LFO's closing bend.
  if (!t.Tied) {
    if (!t.Mute) {
      Smf.AddNoteOff(t.Tick + gate, t.Channel, t.CurKey);
      t.LfoElapsed = 0;
      forEachChordTone([&](int tone) { Smf.AddNoteOff(t.Tick + gate, t.Channel, tone); });
    }
    if (t.LfoRunning) {
      int value = ClampInt(PlainBend(t), 0, 16383);
      if (Tracks.BendResolution) value = value / 128 * 128;
      Smf.AddPitchBend(t.Tick + step, t.Channel, value);
    }
  }

  // 19. Advance time; a bare "*" keeps the step it stood for.
  MapNoteSpan(t.Tick, step);
  t.Tick += step;
  if (!starOnly) t.LastStep = step;

  // 20.-21. End of a chain: stop the LFO, run the envelope.
  if (t.LfoOn && !t.Tied && t.LfoRunning) {
    if (!t.LfoType) Smf.AddControlChange(t.Tick, t.Channel, 1, 0);
    t.LfoRunning = false;
  }
  if (t.EnvOn && !t.Tied) ApplyEnvelope(t);
}

void TCompiler::ApplyEnvelope(TTrackListItem& t) {
  const int expression = t.Expression.GetValue();
  const int64_t resolution = std::max(1, t.EnvResolution);
  const int64_t envStep = std::max(1, t.EnvStep);
  const int64_t entries = t.Envelope.Count();
  int last = expression;
  // Past its last entry the envelope holds its value, so nothing beyond the table is written.
  const int64_t end = std::min(t.EnvEnd - t.EnvStart, entries - 1);
  for (int64_t i = 1; i <= end; ++i) {
    if (i % envStep != 0 && i != entries - 1) continue;
    // Quantised to the top of its block of `resolution` values.
    const int64_t raw = expression + int64_t{t.Envelope.Get(static_cast<int>(i))} + resolution;
    const int value = ClampInt(raw / resolution * resolution - 1, 0, 127);
    if (value != last) Smf.AddControlChange(t.EnvStart + i, t.Channel, 11, value);
    last = value;
  }
  t.LastExpression = last;
}
