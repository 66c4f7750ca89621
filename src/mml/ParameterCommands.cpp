// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
//
// The value-command protocol and the single-letter commands that set a track's values and write
// controller, tempo, bend and system-exclusive events.
#include <algorithm>
#include <limits>

#include "compiler/CompilerMessages.h"
#include "compiler/CompilerU.h"

void TCompiler::RegisterParameterCommands() {
  static constexpr TCommandEntry kParameterCommands[] = {
      {"@", &TCompiler::DoProgram},          // program change, numbered from 1
      {"K", &TCompiler::DoDetune},           // fine tuning (or a bend with %BENDDETUNE)
      {"M", &TCompiler::DoControllerValue},  // modulation, controller 1
      {"O", &TCompiler::DoOctave},
      {"P", &TCompiler::DoControllerValue},  // pan, controller 10
      {"Q", &TCompiler::DoGate},             // ticks cut from each note
      {"T", &TCompiler::DoTempo},
      {"U", &TCompiler::DoVelocity},
      {"V", &TCompiler::DoControllerValue},  // volume, controller 7
      {"W", &TCompiler::DoMasterVolume},
      {"X", &TCompiler::DoControllerValue},  // expression, controller 11
      {"Y", &TCompiler::DoPitchBend},
      {"H", &TCompiler::DoControllerPair},  // any controller
      {"I", &TCompiler::DoControllerPair},  // RPN select
      {"J", &TCompiler::DoControllerPair},  // NRPN select
      {"S", &TCompiler::DoControllerPair},  // data entry
      {"L", &TCompiler::DoLength},
      {"Z", &TCompiler::DoSystemExclusive},
      {"<", &TCompiler::DoOctaveShift},
      {">", &TCompiler::DoOctaveShift},
  };
  RegisterFamily(kParameterCommands);
}

bool TCompiler::ReadValueCommand(TValueMemory& holder, TFuncResult& result, std::optional<int>& written, int bias) {
  written.reset();
  const char modifier = Scanner.ReadModifier();
  if (modifier == '?') {
    holder.Default = holder.GetValue();
  } else if (modifier == '!') {
    written = holder.SetValue(holder.GetDefault());
  } else {
    int number = 0;
    if (!ReadNumberOrFail(number, result)) return false;
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

void TCompiler::DoProgram(const std::string&, TFuncResult& result) {
  TTrackListItem* track = CurrentTrackOr(result);
  std::optional<int> program;
  // The source counts programs from 1, for every form: "@+2" raises the program by 1.
  if (!track || !ReadValueCommand(track->Program, result, program, -1)) return;
  if (program) Smf.AddProgramChange(track->Tick, track->Channel, *program);
}

void TCompiler::DoDetune(const std::string&, TFuncResult& result) {
  TTrackListItem* track = CurrentTrackOr(result);
  std::optional<int> detune;
  if (!track || !ReadValueCommand(track->Detune, result, detune) || !detune) return;
  if (Tracks.BendDetune) {
    UpdatePitchBend(*track, track->Tick);
    return;
  }
  // RPN 0/1, channel fine tuning.
  Smf.AddControlChange(track->Tick, track->Channel, 101, 0);
  Smf.AddControlChange(track->Tick, track->Channel, 100, 1);
  Smf.AddControlChange(track->Tick, track->Channel, 6, *detune);
  Smf.AddControlChange(track->Tick, track->Channel, 38, 0);
}

void TCompiler::DoControllerValue(const std::string& word, TFuncResult& result) {
  TTrackListItem* track = CurrentTrackOr(result);
  if (!track) return;
  struct TControllerCommand {
    char Letter;
    TValueMemory TTrackListItem::*Holder;
    int Controller;
  };
  static constexpr TControllerCommand kControllers[] = {
      {'M', &TTrackListItem::Modulation, 1},
      {'P', &TTrackListItem::Pan, 10},
      {'V', &TTrackListItem::Volume, 7},
      {'X', &TTrackListItem::Expression, 11},
  };
  const auto& command = *std::find_if(std::begin(kControllers), std::end(kControllers),
                                      [&](const TControllerCommand& c) { return c.Letter == word[0]; });
  std::optional<int> value;
  if (!ReadValueCommand(track->*command.Holder, result, value) || !value) return;
  Smf.AddControlChange(track->Tick, track->Channel, command.Controller, *value);
  if (command.Controller == 11) track->LastExpression = *value;
}

void TCompiler::DoOctave(const std::string&, TFuncResult& result) {
  TTrackListItem* track = CurrentTrackOr(result);
  std::optional<int> unused;
  if (track) ReadValueCommand(track->Octave, result, unused);
}

void TCompiler::DoGate(const std::string&, TFuncResult& result) {
  TTrackListItem* track = CurrentTrackOr(result);
  if (!track) return;
  track->GateByRatio = false;  // every form, "Q?" too, returns to step minus gate
  std::optional<int> unused;
  ReadValueCommand(track->Gate, result, unused);
}

void TCompiler::DoTempo(const std::string&, TFuncResult& result) {
  TTrackListItem* track = CurrentTrackOr(result);
  std::optional<int> bpm;
  if (track && ReadValueCommand(track->Tempo, result, bpm) && bpm) Smf.AddTempo(track->Tick, *bpm);
}

void TCompiler::DoVelocity(const std::string&, TFuncResult& result) {
  TTrackListItem* track = CurrentTrackOr(result);
  std::optional<int> unused;
  if (track) ReadValueCommand(track->Velocity, result, unused);
}

void TCompiler::DoMasterVolume(const std::string&, TFuncResult& result) {
  TTrackListItem* track = CurrentTrackOr(result);
  std::optional<int> volume;
  if (!track || !ReadValueCommand(track->MasterVolume, result, volume) || !volume) return;
  // Universal real-time master volume: least significant byte 0, most significant the value.
  Smf.AddSysEx(track->Tick, {0x7F, 0x7F, 0x04, 0x01, 0x00, static_cast<uint8_t>(*volume)});
}

void TCompiler::DoPitchBend(const std::string&, TFuncResult& result) {
  TTrackListItem* track = CurrentTrackOr(result);
  if (!track) return;
  TValueMemory& bend = track->PitchBend;
  const char modifier = Scanner.ReadModifier();
  result.Ok = true;
  if (modifier == '?') {
    bend.Default = bend.GetValue();
    return;
  }
  if (modifier == '!') {
    bend.SetValue(bend.GetDefault());
  } else {
    int64_t value = 0;
    if (Scanner.TakeChar('\\')) {  // semitones, up to four decimals
      int64_t semitones = 0;
      if (!Scanner.ReadSignedDecimal(semitones)) return Fail(result, kMsgBadParameter);
      value = SemitonesToBend(semitones, track->BendRange);
    } else {
      int units = 0;
      if (!ReadNumberOrFail(units, result)) return;
      value = units;
    }
    if (modifier == '+') {
      bend.AddValue(value);
    } else if (modifier == '-') {
      bend.AddValue(-value);
    } else {
      bend.SetValue(value + 8192);  // the number is an offset from the centre
    }
  }
  UpdatePitchBend(*track, track->Tick);
}

void TCompiler::DoControllerPair(const std::string& word, TFuncResult& result) {
  TTrackListItem* track = CurrentTrackOr(result);
  if (!track) return;
  int first = 0;
  int second = 0;
  auto readByte = [&](int& value) {
    if (!Scanner.ReadSignedHexNumber(value)) {
      Fail(result, kMsgBadParameter);
      return false;
    }
    if (ClampParam(0, 127, value, result.Message)) result.Warning = true;
    return true;
  };
  if (!readByte(first) || !CommaOrFail(result) || !readByte(second)) return;
  // H writes one controller; I, J and S write a controller pair.
  struct TPair {
    char Letter;
    int FirstController;
    int SecondController;
  };
  static constexpr TPair kPairs[] = {{'I', 101, 100}, {'J', 99, 98}, {'S', 6, 38}};
  const int64_t tick = track->Tick;
  if (word[0] == 'H') {
    Smf.AddControlChange(tick, track->Channel, first, second);
  } else {
    const auto& pair = *std::find_if(std::begin(kPairs), std::end(kPairs),
                                     [&](const TPair& p) { return p.Letter == word[0]; });
    Smf.AddControlChange(tick, track->Channel, pair.FirstController, first);
    Smf.AddControlChange(tick, track->Channel, pair.SecondController, second);
  }
  result.Ok = true;
}

void TCompiler::DoLength(const std::string&, TFuncResult& result) {
  TTrackListItem* track = CurrentTrackOr(result);
  if (!track) return;
  bool starOnly = false;
  const int64_t ticks = ReadTrackLength(*track, starOnly);
  track->Length.Default = static_cast<int32_t>(
      std::clamp<int64_t>(ticks, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
  track->Length.Reset();
  result.Ok = true;
}

void TCompiler::DoSystemExclusive(const std::string&, TFuncResult& result) {
  TTrackListItem* track = CurrentTrackOr(result);
  if (!track) return;
  std::vector<uint8_t> bytes;
  int64_t sum = 0;  // of the bytes from the sixth on: the part a Roland checksum covers
  for (;;) {
    // An empty item is the checksum that makes the covered bytes a multiple of 128.
    const int64_t byte = Scanner.PeekChar(',') ? (128 - sum % 128) % 128 : Scanner.ReadHexNumber();
    if (byte < 0 || byte > 255) break;
    bytes.push_back(static_cast<uint8_t>(byte));
    if (bytes.size() >= 6) sum += byte;
    if (!Scanner.TakeChar(',') || byte == 0xF7) break;
  }
  if (bytes.size() < 3 || bytes.size() > 253) return Fail(result, kMsgTooFewBytes);
  const bool framed = bytes.front() == 0xF0 && bytes.back() == 0xF7 &&
                      std::all_of(bytes.begin() + 1, bytes.end() - 1, [](uint8_t b) { return b < 0x80; });
  if (!framed) return Fail(result, kMsgBadExclusive);
  Smf.AddSysEx(track->Tick, std::vector<uint8_t>(bytes.begin() + 1, bytes.end() - 1));
  result.Ok = true;
}

void TCompiler::DoOctaveShift(const std::string& word, TFuncResult& result) {
  TTrackListItem* track = CurrentTrackOr(result);
  if (!track) return;
  const bool down = (word == "<") != Tracks.OctaveReverse;
  track->Octave.SetValue(int64_t{track->Octave.GetValue()} + (down ? -1 : 1));
  result.Ok = true;
}
