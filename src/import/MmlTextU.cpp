// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
//
// The second stage of the import: the MML text of the sixteen channel lists.
#include <array>
#include <cstdlib>
#include <string>

#include "common/Cp932.h"
#include "common/Format.h"
#include "import/Smf2MmlTexts.h"
#include "import/smf2mmlU.h"

namespace smf2mmlU {

namespace {

using texts::kCrLf;

constexpr int64_t kWholeNote = 192;  // ticks at 48 per quarter note
constexpr int kDrumChannel = 9;

struct TLengthName {
  int64_t Ticks;
  const char* Text;
};

constexpr TLengthName kLengthNames[] = {
    {0, "0"},     {3, "64"},      {6, "32"},    {9, "32."},    {12, "16"},   {18, "16."},   {24, "8"},
    {36, "8."},   {48, "4"},      {60, "4^16"}, {72, "4."},    {84, "2_16"}, {96, "2"},     {108, "2^16"},
    {120, "2^8"}, {132, "2._16"}, {144, "2."},  {156, "1_8."}, {168, "2.."}, {180, "1_16"}, {192, "1"},
};

std::string LengthText(int64_t ticks, bool gate) {
  std::string text;
  if (ticks > kWholeNote) text.reserve(static_cast<size_t>(ticks / kWholeNote) * 2 + 8);
  while (ticks > kWholeNote) {
    text += "1^";
    ticks -= kWholeNote;
  }
  // A gate is no note length: the shortest names are written as raw ticks.
  const bool raw = gate && (ticks == 3 || ticks == 6 || ticks == 9);
  for (const TLengthName& name : kLengthNames) {
    if (name.Ticks == ticks && !raw) return text + name.Text;
  }
  return text + "*" + std::to_string(ticks);
}

/// "+n" or "-n" after `letter` for a change from `before` to `after`; empty when equal.
std::string RelativeText(char letter, int before, int after) {
  if (before == after) return {};
  return std::string(1, letter) + (after > before ? "+" : "-") + std::to_string(std::abs(after - before));
}

/// The text of a meta event as it can stand between the quotes of its command. Bytes are kept;
/// only what would end the text, the quote or the comment around it early is mended: NUL bytes
/// (padding in many files; the scanner reads NUL as the end of the source) are left out, a lead
/// byte at the end would swallow the closing quote (a blank follows it), and a brace inside a
/// comment would open or close the comment (written as a parenthesis).
std::string QuotedText(const std::string& original, bool inComment) {
  std::string text = original;
  std::erase(text, '\0');
  std::string out;
  out.reserve(text.size() + 1);
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (pelorund::IsLeadByte(static_cast<uint8_t>(c))) {
      out += c;
      if (i + 1 < text.size()) {
        out += text[++i];
      } else {
        out += ' ';
      }
    } else if (inComment && c == '{') {
      out += '(';
    } else if (inComment && c == '}') {
      out += ')';
    } else {
      out += c;
    }
  }
  return out;
}

/// The rest that follows a piece written on a line of its own: CR LF and the rest, or nothing.
std::string RestLine(int64_t gap) {
  if (gap <= 0) return {};
  return std::string(kCrLf) + RestText(gap);
}

}  // namespace

std::string StepLength(int64_t ticks) { return LengthText(ticks, false); }

std::string GateLength(int64_t ticks) { return LengthText(ticks, true); }

std::string RestText(int64_t ticks) { return ticks < 1 ? std::string() : "r" + StepLength(ticks); }

// --- generation state ---

TMmlTextState::TMmlTextState(const TSmf2Mml& converter)
    : MixVolume(converter.MixVolume),
      DirectVelocity(converter.DirectVelocity),
      ReverseOctave(converter.ReverseOctave),
      ControlNames(converter.ControlNames) {}

void TMmlTextState::Reset(int track) {
  CurTrack = track;
  CurOctave = 5;
  CurVelocity = 127;
  CurVolume = 127;
  CurExpression = 100;
  CurPan = 64;
  CurBend = 0;
  LastNoteGap = 1;
  GateDiff = 0;
}

std::string TMmlTextState::VelocityCommand(int velocity) {
  const int before = CurVelocity;
  CurVelocity = velocity;
  if (DirectVelocity || before == velocity) return {};
  return RelativeText('u', before, velocity) + std::string(kCrLf);
}

std::string TMmlTextState::VolumeCommand(int volume) {
  const int before = MixVolume ? CombinedVolume() : CurVolume;
  CurVolume = volume;
  return RelativeText('v', before, MixVolume ? CombinedVolume() : CurVolume);
}

std::string TMmlTextState::ExpressionCommand(int expression) {
  const int before = MixVolume ? CombinedVolume() : CurExpression;
  CurExpression = expression;
  return MixVolume ? RelativeText('v', before, CombinedVolume()) : RelativeText('x', before, CurExpression);
}

std::string TMmlTextState::PanCommand(int pan) {
  const int before = CurPan;
  CurPan = pan;
  return RelativeText('p', before, pan);
}

std::string TMmlTextState::BendCommand(int bend) {
  const int before = CurBend;
  CurBend = bend;
  if (before == bend) return {};
  return RelativeText('y', before, bend) + std::string(kCrLf);
}

// --- ToMml of the event classes ---

std::string TMmlDummy::ToMml(TMmlTextState&) { return RestText(Gap); }

std::string TMmlNoteOff::ToMml(TMmlTextState&) { return RestText(Gap); }

std::string TMmlKeyPressure::ToMml(TMmlTextState&) { return RestText(Gap); }

std::string TMmlChannelPressure::ToMml(TMmlTextState&) { return RestText(Gap); }

std::string TMmlControlChange::ToMml(TMmlTextState& state) {
  // Bank select and the low bytes of controllers 0 to 19 are not written.
  if (Controller == 0 || (Controller >= 32 && Controller <= 51)) return RestText(Gap);
  std::string text = pelorund::Format(texts::kControlChangeFormat, Controller, Value);
  text += state.ControlNames.ReadString(texts::kControlNamesSection, std::to_string(Controller));
  return text + RestLine(Gap);
}

std::string TMmlCCMod::ToMml(TMmlTextState&) { return "m" + std::to_string(Value) + RestText(Gap); }

std::string TMmlCCVol::ToMml(TMmlTextState& state) { return state.VolumeCommand(Value) + RestText(Gap); }

std::string TMmlCCPan::ToMml(TMmlTextState& state) { return state.PanCommand(Value) + RestText(Gap); }

std::string TMmlCCExp::ToMml(TMmlTextState& state) { return state.ExpressionCommand(Value) + RestText(Gap); }

std::string TMmlProgramChange::ToMml(TMmlTextState&) {
  return "@" + std::to_string(Program + 1) + RestText(Gap);
}

std::string TMmlPitchBend::ToMml(TMmlTextState& state) {
  return state.BendCommand(BendHigh * 128 + BendLow - 8192) + RestText(Gap);
}

std::string TMmlTempo::ToMml(TMmlTextState&) { return "t" + std::to_string(Bpm) + RestText(Gap); }

std::string TMmlMeta::ToMml(TMmlTextState&) {
  std::string text;
  if (Length > 0 && MetaType >= 1 && MetaType <= 7) {
    const texts::TMetaQuote& quote = texts::kMetaQuotes[MetaType - 1];
    const std::string quoted = QuotedText(Text, quote.Open.front() == '{');
    if (!quoted.empty()) text.append(quote.Open).append(quoted).append(quote.Close);
  }
  return text + RestText(Gap);
}

std::string TMmlExclucive::ToMml(TMmlTextState&) {
  std::string text(texts::kExclusiveOpen);
  // The closing F7 of the file is written by the fixed end; any other last byte is data.
  size_t count = Data.size();
  if (count > 0 && static_cast<uint8_t>(Data.back()) == 0xF7) --count;
  for (size_t i = 0; i < count; ++i)
    text += pelorund::Format(texts::kExclusiveByteFormat, static_cast<uint8_t>(Data[i]));
  text += texts::kExclusiveClose;
  return text + RestLine(Gap);
}

std::string TMmlNoteOn::ToMml(TMmlTextState& state) {
  state.LastNoteGap = Gap;
  Octave = Note / 12;
  PitchClass = static_cast<uint8_t>(Note % 12);
  const bool drums = state.CurTrack == kDrumChannel;

  std::string text;
  if (!state.DirectVelocity && !drums) text += state.VelocityCommand(Velocity);
  if (Octave != state.CurOctave) {
    const bool up = Octave > state.CurOctave;
    text.append(static_cast<size_t>(std::abs(Octave - state.CurOctave)),
                up != state.ReverseOctave ? '>' : '<');
    state.CurOctave = Octave;
  }
  text += texts::kNoteNames[PitchClass];
  text += StepLength(Gap);
  if (!drums && Duration + state.GateDiff != Gap) {
    text += "," + GateLength(Duration);
    if (state.DirectVelocity) text += "," + std::to_string(Velocity);
  } else if (state.DirectVelocity || drums) {
    text += "," + GateLength(Duration) + "," + std::to_string(Velocity);
  }
  return text;
}

// --- MakeMml ---

namespace {

std::string Ruler(char c) { return "'" + std::string(78, c) + std::string(kCrLf); }

std::string Line(std::string_view text) { return std::string(text) + std::string(kCrLf); }

/// The most frequent step-minus-duration of the block's notes within 0..192, the smallest on a tie.
int64_t ComputeGateDiff(const TMmlTrack& track) {
  std::array<int, kWholeNote + 1> counts{};
  for (const auto& event : track.Events) {
    if (event->Kind != TMmlKind::NoteOn) continue;
    const int64_t diff = event->Gap - static_cast<const TMmlNoteOn&>(*event).Duration;
    if (diff >= 0 && diff <= kWholeNote) ++counts[static_cast<size_t>(diff)];
  }
  int64_t best = 0;
  for (size_t diff = 1; diff < counts.size(); ++diff)
    if (counts[diff] > counts[static_cast<size_t>(best)]) best = static_cast<int64_t>(diff);
  return best;
}

}  // namespace

std::string MakeMml(TSmf2Mml& converter) {
  TMmlTextState state(converter);
  std::string mml;
  auto checkSize = [&] {
    if (mml.size() > converter.MaxTextSize)
      throw ESmf2Mml(pelorund::Format(texts::kMsgTextTooLong, converter.MaxTextSize));
  };

  mml += Ruler('=');
  mml += Line("' ");
  mml += Ruler('=');
  mml += Line(texts::kHeaderTrack);
  mml += Line(texts::kHeaderSystemOn);
  mml += Line(texts::kHeaderSync);
  if (converter.ReverseOctave) mml += Line(texts::kHeaderOctaveReverse);
  for (int k = 0; k < 4; ++k) {
    for (int j = 0; j < 4; ++j) {
      mml += texts::kMuteMacroName;
      mml += pelorund::Format("%02d", 4 * k + j + 1);
      mml += texts::kMuteMacroBody;
    }
    mml += kCrLf;
  }
  mml += kCrLf;

  for (int i = 0; i < static_cast<int>(converter.Tracks.size()); ++i) {
    TMmlTrack& track = converter.Tracks[static_cast<size_t>(i)];
    state.Reset(i);
    mml += kCrLf;
    mml += Ruler('-');
    mml += Line("' ");
    mml += Ruler('-');
    mml += Line(std::string(texts::kBlockTrack) + std::to_string(i + 1) + std::string(texts::kBlockMute) +
                pelorund::Format("%02d", i + 1));
    if (i != kDrumChannel) state.GateDiff = ComputeGateDiff(track);
    mml += Line(std::string(texts::kBlockDefaults) + std::to_string(state.GateDiff));

    for (const auto& event : track.Events) {
      const std::string piece = event->ToMml(state);
      mml += piece;
      if (event->Kind == TMmlKind::NoteOn && state.LastNoteGap == 0) {
        mml += ' ';  // the next note sounds at the same tick: a chord on one line
      } else if (!piece.empty() && piece != kCrLf) {
        mml += kCrLf;
      }
      checkSize();
    }
  }
  return mml;
}

}  // namespace smf2mmlU
