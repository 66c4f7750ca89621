// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
//
// The imported text means what the file held: a song at 48 ticks per quarter note, imported with
// each option and compiled back in memory, sounds the same notes.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "compiler/CompilerU.h"
#include "import/SmfBytes.h"
#include "import/smf2mmlU.h"

namespace {

using namespace smf2mmlU;

struct TNote {
  int Channel;
  int Key;
  int64_t Start;
  int64_t End;
  int Velocity;
  bool operator==(const TNote&) const = default;
  bool operator<(const TNote& o) const {
    return std::tie(Channel, Start, Key, End, Velocity) <
           std::tie(o.Channel, o.Start, o.Key, o.End, o.Velocity);
  }
};

std::ostream& operator<<(std::ostream& out, const TNote& n) {
  return out << "ch" << n.Channel << " key " << n.Key << " " << n.Start << "-" << n.End << " vel "
             << n.Velocity;
}

// Chords whose velocities differ, octave leaps, short and long gates, rests, a note held across
// others, and drums.
const std::vector<TNote> kSong = {
    {0, 60, 0, 40, 100},   {0, 64, 0, 40, 100},   {0, 67, 0, 40, 110},   {0, 84, 48, 60, 90},
    {0, 48, 96, 190, 127}, {0, 61, 200, 203, 64}, {0, 62, 400, 430, 80}, {0, 62, 430, 440, 81},
    {2, 72, 12, 500, 50},  {2, 36, 24, 30, 1},    {9, 36, 0, 10, 100},   {9, 38, 24, 30, 80},
    {9, 42, 24, 26, 60},   {15, 127, 0, 1, 127},
};

/// A format 0 file at 48 ticks per quarter note holding the notes.
std::string SongFile(const std::vector<TNote>& notes) {
  std::vector<std::tuple<int64_t, int, std::string>> events;  // time, offs before ons, bytes
  for (const TNote& n : notes) {
    events.emplace_back(n.Start, 1, std::string{char(0x90 | n.Channel), char(n.Key), char(n.Velocity)});
    events.emplace_back(n.End, 0, std::string{char(0x80 | n.Channel), char(n.Key), 0});
  }
  std::stable_sort(events.begin(), events.end(), [](const auto& a, const auto& b) {
    return std::tie(std::get<0>(a), std::get<1>(a)) < std::tie(std::get<0>(b), std::get<1>(b));
  });
  std::string body;
  int64_t last = 0;
  for (const auto& [time, order, bytes] : events) {
    body += smf_bytes::VarLen(static_cast<uint32_t>(time - last)) + bytes;
    last = time;
  }
  body += smf_bytes::Hex("00 FF 2F 00");
  return smf_bytes::Header(1, 48, 0) + smf_bytes::Chunk("MTrk", body);
}

/// The notes of the compiler's event list, note-ons paired with the next note-off of their key.
std::vector<TNote> CompiledNotes(const TCompiler& compiler) {
  std::vector<TNote> notes;
  std::map<std::pair<int, int>, size_t> sounding;
  for (size_t i = 0; i < compiler.Smf.Count(); ++i) {
    const SmfU::TSmfEvent& event = compiler.Smf.Event(i);
    const int channel = event.Status & 0x0F;
    if (const auto* on = dynamic_cast<const SmfU::TSmfNoteOn*>(&event)) {
      sounding[{channel, on->Note}] = notes.size();
      notes.push_back({channel, on->Note, event.Tick, -1, on->Velocity});
    } else if (const auto* off = dynamic_cast<const SmfU::TSmfNoteOff*>(&event)) {
      const auto it = sounding.find({channel, off->Note});
      if (it == sounding.end()) continue;
      notes[it->second].End = event.Tick;
      sounding.erase(it);
    }
  }
  std::sort(notes.begin(), notes.end());
  return notes;
}

TEST(ImportRoundTrip, EveryOptionGivesBackTheNotes) {
  const struct {
    const char* Name;
    bool Bend, Mix, Direct, Reverse;
  } cases[] = {
      {"no option", false, false, false, false},     {"direct velocity", false, false, true, false},
      {"reverse octave", false, false, false, true}, {"mix volume and bends", true, true, false, false},
      {"all options", true, true, true, true},
  };
  std::vector<TNote> expected = kSong;
  std::sort(expected.begin(), expected.end());
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TSmf2Mml converter{std::filesystem::path()};
    converter.WriteBend = c.Bend;
    converter.MixVolume = c.Mix;
    converter.DirectVelocity = c.Direct;
    converter.ReverseOctave = c.Reverse;
    converter.ImportBytes(SongFile(kSong));
    const std::string mml = MakeMml(converter);

    TCompiler compiler;
    compiler.Now = [] { return std::string("2026/01/02 03:04:05"); };
    compiler.SetSource(mml);
    TFuncResult result;
    compiler.Run(result);
    ASSERT_TRUE(result.Ok) << result.Message;
    EXPECT_EQ(expected, CompiledNotes(compiler));
  }
}

TEST(ImportRoundTrip, TheLongestSystemExclusiveCompilesBackWhole) {
  std::string data;
  for (int i = 0; i < 251; ++i) data += static_cast<char>(i % 128);
  TSmf2Mml converter{std::filesystem::path()};
  converter.ImportBytes(
      smf_bytes::Header(1, 48, 0) +
      smf_bytes::Chunk("MTrk", smf_bytes::Hex("00 F0") + smf_bytes::VarLen(252) + data + "\xF7"));
  ASSERT_TRUE(converter.Problems.empty());

  TCompiler compiler;
  compiler.Now = [] { return std::string("2026/01/02 03:04:05"); };
  compiler.SetSource(MakeMml(converter));
  TFuncResult result;
  compiler.Run(result);
  ASSERT_TRUE(result.Ok) << result.Message;
  std::vector<uint8_t> written;
  for (size_t i = 0; i < compiler.Smf.Count(); ++i) {
    const auto* sysex = dynamic_cast<const SmfU::TSmfSysEx*>(&compiler.Smf.Event(i));
    if (sysex != nullptr && sysex->Data.size() > 200) written = sysex->Data;
  }
  // The writer keeps the body and its closing F7.
  EXPECT_EQ(data + "\xF7", std::string(written.begin(), written.end()));
}

}  // namespace
