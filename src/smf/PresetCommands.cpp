// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
//
// The backquote presets: fixed system-exclusive, meta and controller messages of sound modules,
// some with one to sixteen values.
#include <algorithm>
#include <string_view>

#include "compiler/CompilerU.h"

namespace {

enum class TPresetKind { SysEx, Meta, LoopPoint };

struct TPreset {
  std::string_view Name;    // the command word
  TPresetKind Kind;
  uint8_t MetaType;         // for Meta
  std::string_view Prefix;  // the fixed bytes before the values
  int Values;               // how many values follow in the source (0 to 16)
  std::string_view Suffix;  // the fixed bytes after them
};

using namespace std::string_view_literals;

// Bytes are those of the message body: the writer adds F0 ... F7 or FF type length.
constexpr TPreset kPresets[] = {
    {"`GMSYSTEMON", TPresetKind::SysEx, 0, "\x7E\x7F\x09\x01"sv, 0, ""sv},
    {"`GMSYSTEMOFF", TPresetKind::SysEx, 0, "\x7E\x7F\x09\x02"sv, 0, ""sv},
    {"`GM2SYSTEMON", TPresetKind::SysEx, 0, "\x7E\x7F\x09\x03"sv, 0, ""sv},
    {"`GSRESET", TPresetKind::SysEx, 0, "\x41\x10\x42\x12\x40\x00\x7F\x00\x41"sv, 0, ""sv},
    {"`SC88SINGLE", TPresetKind::SysEx, 0, "\x41\x10\x42\x12\x00\x00\x7F\x00\x01"sv, 0, ""sv},
    {"`SC88DOUBLE", TPresetKind::SysEx, 0, "\x41\x10\x42\x12\x00\x00\x7F\x01\x00"sv, 0, ""sv},
    {"`XGSYSTEMON", TPresetKind::SysEx, 0, "\x43\x10\x4C\x00\x00\x7E\x00"sv, 0, ""sv},
    {"`MUBASIC", TPresetKind::SysEx, 0, "\x43\x10\x49\x00\x00\x12\x00"sv, 0, ""sv},
    {"`MU100NATIVE", TPresetKind::SysEx, 0, "\x43\x10\x49\x00\x00\x12\x01"sv, 0, ""sv},
    {"`ATS_PLAYFROM", TPresetKind::Meta, 0x06, "Q00"sv, 0, ""sv},
    {"`ATS_PLAYTO", TPresetKind::Meta, 0x06, "Q0F"sv, 0, ""sv},
    {"`ATS_START", TPresetKind::Meta, 0x07, "START"sv, 0, ""sv},
    {"`ATS_STOP", TPresetKind::Meta, 0x07, "STOP"sv, 0, ""sv},
    {"`MLD_LOOPFROM", TPresetKind::LoopPoint, 0, "\x16"sv, 0, ""sv},  // data entry 22: loop start
    {"`MLD_LOOPTO", TPresetKind::LoopPoint, 0, "\x17"sv, 0, ""sv},    // data entry 23: loop end
    {"`ATS_ALCH", TPresetKind::Meta, 0x7F, "\x43\x02\x01\x01"sv, 1, "\x01"sv},
    {"`ATS_HVCH", TPresetKind::Meta, 0x7F, "\x43\x02\x01\x02"sv, 1, "\x01"sv},
    {"`ATS_XFCUE", TPresetKind::Meta, 0x7F, "\x43\x7B\x02"sv, 1, ""sv},
    {"`ATS_CHSTATE", TPresetKind::Meta, 0x7F, "\x43\x02\x00\x04"sv, 16, ""sv},
    {"`ATS_USER", TPresetKind::SysEx, 0, "\x43\x79\x06\x7F\x10"sv, 1, ""sv},
    {"`ATS_SPPAIR", TPresetKind::SysEx, 0, "\x43\x79\x06\x7F\x08"sv, 3, ""sv},
    {"`ATS_SPPAN", TPresetKind::SysEx, 0, "\x43\x79\x06\x7F\x0B"sv, 3, ""sv},
    {"`ATS_SPCOUNT", TPresetKind::SysEx, 0, "\x43\x79\x06\x7F\x07"sv, 1, ""sv},
};

}  // namespace

void TCompiler::RegisterPresetCommands() {
  for (const TPreset& preset : kPresets) RegisterCommand(preset.Name, &TCompiler::DoPreset, this);
}

void TCompiler::DoPreset(const std::string& word, TFuncResult& result) {
  const TPreset& preset =
      *std::find_if(std::begin(kPresets), std::end(kPresets), [&](const TPreset& p) { return p.Name == word; });
  TTrackListItem* track = CurrentTrackOr(result);
  if (!track) return;

  std::string bytes(preset.Prefix);
  for (int k = 1; k <= preset.Values; ++k) {
    int value = 0;
    // Each value goes into 0..127; a warning keeps the text of the last one clamped.
    if (!ReadClamped(0, 127, value, result)) return;
    bytes += static_cast<char>(value);
    if (k < preset.Values && !CommaOrFail(result)) return;
  }
  bytes += preset.Suffix;

  // Presets never move the track's time.
  const int64_t tick = track->Tick;
  switch (preset.Kind) {
    case TPresetKind::SysEx:
      Smf.AddSysEx(tick, std::vector<uint8_t>(bytes.begin(), bytes.end()));
      break;
    case TPresetKind::Meta:
      Smf.AddMeta(tick, preset.MetaType, bytes);
      break;
    case TPresetKind::LoopPoint:  // always on the first MIDI channel
      Smf.AddControlChange(tick, 0, 101, 0);
      Smf.AddControlChange(tick, 0, 100, 0);
      Smf.AddControlChange(tick, 0, 6, static_cast<uint8_t>(bytes[0]));
      Smf.AddControlChange(tick, 0, 38, 0);
      break;
  }
  result.Ok = true;
}
