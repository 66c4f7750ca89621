// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
//
// %-directives: track choice and synchronisation, list-wide settings, text meta events and
// percussion letters.
#include <limits>

#include "compiler/CompilerMessages.h"
#include "compiler/CompilerU.h"

namespace {
constexpr int64_t kIntMax = std::numeric_limits<int32_t>::max();
// A division of 32768 or more would mean SMPTE time to every reader of the file.
constexpr int64_t kMaxTimeBase = 0x7FFF;
}  // namespace

void TCompiler::RegisterDirectives() {
  static constexpr TCommandEntry kDirectives[] = {
      {"%TRACK", &TCompiler::DoTrack},         {"%SETPARC", &TCompiler::DoSetPercussion},
      {"%PARC", &TCompiler::DoPercussionMode}, {"%PARCOFF", &TCompiler::DoPercussionMode},
      {"%SYNC", &TCompiler::DoSync},           {"%GATEBASE", &TCompiler::DoGateBase},
      {"%TIMEBASE", &TCompiler::DoTimeBase},   {"%OCTREV", &TCompiler::DoToggle},
      {"%BENDRESO", &TCompiler::DoToggle},     {"%BENDDETUNE", &TCompiler::DoToggle},
      {"%TRANSPOSE", &TCompiler::DoTranspose}, {"%TEXT", &TCompiler::DoTextEvent},
      {"%COPYRIGHT", &TCompiler::DoTextEvent}, {"%CUEPOINT", &TCompiler::DoTextEvent},
      {"%MARKER", &TCompiler::DoTextEvent},
  };
  RegisterFamily(kDirectives);

  // "*A".."*Z" and "*a".."*z": a percussion letter, dispatched by the compile loop.
  for (const char first : {'A', 'a'}) {
    for (char letter = first; letter < first + 26; ++letter)
      RegisterCommand(std::string{'*', letter}, &TCompiler::DoPercussionNote, this);
  }
}

void TCompiler::DoTrack(const std::string&, TFuncResult& result) {
  int track = 0;
  if (!ReadNumberOrFail(track, result)) return;
  if (InParallel) return Fail(result, kMsgTrackInParallel);
  result.Warning = ClampParam(0, kIntMax, track, result.Message);
  // Every track up to the number is created on use; refuse here, where the user wrote it.
  if (track > MaxTrackIndex) return Fail(result, kMsgTrackTooLarge);
  CurrentTrack = track;
  result.Ok = true;
}

void TCompiler::DoSync(const std::string&, TFuncResult& result) {
  Tracks.Sync();
  result.Ok = true;
}

void TCompiler::DoGateBase(const std::string&, TFuncResult& result) {
  int base = 0;
  if (!ReadClamped(1, kIntMax, base, result)) return;
  Tracks.GateBase = base;
  result.Ok = true;
}

void TCompiler::DoTimeBase(const std::string&, TFuncResult& result) {
  int base = 0;
  if (!ReadClamped(1, kMaxTimeBase, base, result)) return;
  // Lengths already converted keep their ticks; the default length is not rescaled.
  Tracks.TimeBase = base;
  Smf.TimeBase = base;
  result.Ok = true;
}

void TCompiler::DoToggle(const std::string& word, TFuncResult& result) {
  bool& setting = word == "%OCTREV" ? Tracks.OctaveReverse
                  : word == "%BENDRESO" ? Tracks.BendResolution
                                        : Tracks.BendDetune;
  setting = !setting;
  result.Ok = true;
}

void TCompiler::DoTranspose(const std::string&, TFuncResult& result) {
  int semitones = 0;
  if (!ReadNumberOrFail(semitones, result)) return;
  Transpose = semitones;
  result.Ok = true;
}

void TCompiler::DoTextEvent(const std::string& word, TFuncResult& result) {
  TTrackListItem* track = CurrentTrackOr(result);
  if (!track) return;
  const uint8_t metaType = word == "%TEXT" ? 0x01 : word == "%COPYRIGHT" ? 0x02 : word == "%MARKER" ? 0x06 : 0x07;
  // An empty text, or none in quotes, writes nothing; the directive never fails.
  const std::string text = Scanner.ReadQuoted();
  if (!text.empty()) Smf.AddMeta(track->Tick, metaType, text);
  result.Ok = true;
}

void TCompiler::DoSetPercussion(const std::string&, TFuncResult& result) {
  const char letter = Scanner.ReadLetter();
  if (letter == ' ') return Fail(result, kMsgLetterExpected);
  int key = 0;
  if (!CommaOrFail(result) || !ReadClamped(0, 127, key, result)) return;
  const auto index = static_cast<size_t>(letter);
  ParcDefined[index] = true;
  ParcNote[index] = static_cast<uint8_t>(key);
  result.Ok = true;
}

void TCompiler::DoPercussionMode(const std::string& word, TFuncResult& result) {
  ParcEnabled = word == "%PARC";
  result.Ok = true;
}

void TCompiler::DoPercussionNote(const std::string& word, TFuncResult& result) {
  // A fixed key: no accidentals, and neither octave, %TRANSPOSE nor @K applies.
  PlayNote(ParcNote[static_cast<uint8_t>(word[1]) & 0x7F], result);
}
