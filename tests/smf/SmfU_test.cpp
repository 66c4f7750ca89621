// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "smf/SmfU.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;
using SmfU::TSmf;
using SmfU::TSmfEvent;

std::string Hex(const Bytes& bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (i > 0) text += i % 16 == 0 ? '\n' : ' ';
    text += kDigits[bytes[i] >> 4];
    text += kDigits[bytes[i] & 0x0F];
  }
  return text;
}

// On a mismatch prints both images, so the differing byte can be found by eye.
::testing::AssertionResult SameBytes(const Bytes& expected, const Bytes& actual) {
  if (expected == actual) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "\nexpected (" << expected.size() << " bytes):\n"
                                       << Hex(expected) << "\nactual (" << actual.size()
                                       << " bytes):\n"
                                       << Hex(actual);
}

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& part : parts) out.insert(out.end(), part.begin(), part.end());
  return out;
}

// A whole format-0 file around `body`, the track's events including the end of track.
Bytes SmfImage(int timeBase, const Bytes& body) {
  const auto size = static_cast<uint32_t>(body.size());
  return Concat({{'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1},
                 {static_cast<uint8_t>(timeBase >> 8), static_cast<uint8_t>(timeBase & 0xFF)},
                 {'M', 'T', 'r', 'k', static_cast<uint8_t>(size >> 24),
                  static_cast<uint8_t>(size >> 16), static_cast<uint8_t>(size >> 8),
                  static_cast<uint8_t>(size)},
                 body});
}

// The file of the small example: a tempo, one note of a quarter.
const Bytes kExampleFile = {
    0x4D, 0x54, 0x68, 0x64, 0x00, 0x00, 0x00, 0x06, 0x00, 0x00, 0x00, 0x01, 0x00, 0x30,
    0x4D, 0x54, 0x72, 0x6B, 0x00, 0x00, 0x00, 0x13,
    0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20,
    0x00, 0x90, 0x3C, 0x64,
    0x30, 0x80, 0x3C, 0x00,
    0x00, 0xFF, 0x2F, 0x00};

void AddExample(TSmf& smf) {
  smf.TimeBase = 48;
  smf.AddTempo(0, 120);
  smf.AddNoteOn(0, 0, 60, 100);
  smf.AddNoteOff(48, 0, 60);
}

// --- variable-length quantities ----------------------------------------------------------------

TEST(SmfVarLen, WritesSevenBitGroupsMostSignificantFirst) {
  struct Case {
    int64_t value;
    Bytes expected;
  };
  const Case cases[] = {
      {0, {0x00}},
      {127, {0x7F}},
      {128, {0x81, 0x00}},
      {200, {0x81, 0x48}},
      {16383, {0xFF, 0x7F}},
      {16384, {0x81, 0x80, 0x00}},
      {0x1FFFFF, {0xFF, 0xFF, 0x7F}},
      {0x200000, {0x81, 0x80, 0x80, 0x00}},
      {0x0FFFFFFF, {0xFF, 0xFF, 0xFF, 0x7F}},
      {0x10000000, {0xFF, 0xFF, 0xFF, 0x7F}},
      {INT64_MAX, {0xFF, 0xFF, 0xFF, 0x7F}},
      {-1, {0x00}},
      {INT64_MIN, {0x00}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    Bytes out = {0xAA};  // appends, never replaces
    SmfU::WriteVarLen(out, c.value);
    EXPECT_TRUE(SameBytes(Concat({{0xAA}, c.expected}), out));
  }
}

// --- single events -----------------------------------------------------------------------------

TEST(SmfEvent, WritesItsBytesWithoutDeltaTime) {
  const Bytes text200(200, 'a');
  const Bytes body200(200, 0x11);
  struct Case {
    const char* name;
    std::function<TSmfEvent*(TSmf&)> add;
    Bytes expected;
  };
  const Case cases[] = {
      {"note on", [](TSmf& s) { return s.AddNoteOn(0, 0, 60, 100); }, {0x90, 0x3C, 0x64}},
      {"note on, channel masked", [](TSmf& s) { return s.AddNoteOn(0, 17, 60, 100); },
       {0x91, 0x3C, 0x64}},
      {"note off has velocity 0", [](TSmf& s) { return s.AddNoteOff(0, 15, 61); },
       {0x8F, 0x3D, 0x00}},
      {"program change", [](TSmf& s) { return s.AddProgramChange(0, 3, 5); }, {0xC3, 0x05}},
      {"program keeps low 8 bits", [](TSmf& s) { return s.AddProgramChange(0, 0, 0x105); },
       {0xC0, 0x05}},
      {"control change", [](TSmf& s) { return s.AddControlChange(0, 2, 7, 100); },
       {0xB2, 0x07, 0x64}},
      {"pitch bend centre", [](TSmf& s) { return s.AddPitchBend(0, 0, 8192); },
       {0xE0, 0x00, 0x40}},
      {"pitch bend low byte first", [](TSmf& s) { return s.AddPitchBend(0, 1, 0x1234); },
       {0xE1, 0x34, 0x24}},
      {"pitch bend top", [](TSmf& s) { return s.AddPitchBend(0, 0, 16383); }, {0xE0, 0x7F, 0x7F}},
      {"pitch bend below 0", [](TSmf& s) { return s.AddPitchBend(0, 0, -1); }, {0xE0, 0x00, 0x00}},
      {"pitch bend above 16383", [](TSmf& s) { return s.AddPitchBend(0, 0, 16384); },
       {0xE0, 0x7F, 0x7F}},
      {"tempo 120", [](TSmf& s) { return s.AddTempo(0, 120); },
       {0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20}},
      {"tempo 240", [](TSmf& s) { return s.AddTempo(0, 240); },
       {0xFF, 0x51, 0x03, 0x03, 0xD0, 0x90}},
      {"tempo 4 still fits", [](TSmf& s) { return s.AddTempo(0, 4); },
       {0xFF, 0x51, 0x03, 0xE4, 0xE1, 0xC0}},
      {"tempo 3 clamps", [](TSmf& s) { return s.AddTempo(0, 3); },
       {0xFF, 0x51, 0x03, 0xFF, 0xFF, 0xFF}},
      {"tempo 1 clamps", [](TSmf& s) { return s.AddTempo(0, 1); },
       {0xFF, 0x51, 0x03, 0xFF, 0xFF, 0xFF}},
      {"tempo 0 counts as 1", [](TSmf& s) { return s.AddTempo(0, 0); },
       {0xFF, 0x51, 0x03, 0xFF, 0xFF, 0xFF}},
      {"tempo negative counts as 1", [](TSmf& s) { return s.AddTempo(0, -120); },
       {0xFF, 0x51, 0x03, 0xFF, 0xFF, 0xFF}},
      {"sysex", [](TSmf& s) { return s.AddSysEx(0, {0x7E, 0x7F, 0x09, 0x01}); },
       {0xF0, 0x05, 0x7E, 0x7F, 0x09, 0x01, 0xF7}},
      {"sysex empty body", [](TSmf& s) { return s.AddSysEx(0, {}); }, {0xF0, 0x01, 0xF7}},
      {"sysex long body",
       [&](TSmf& s) { return s.AddSysEx(0, body200); },
       Concat({{0xF0, 0x81, 0x49}, body200, {0xF7}})},
      {"meta text", [](TSmf& s) { return s.AddMeta(0, 6, "Q00"); },
       {0xFF, 0x06, 0x03, 0x51, 0x30, 0x30}},
      {"meta empty text", [](TSmf& s) { return s.AddMeta(0, 1, ""); }, {0xFF, 0x01, 0x00}},
      {"meta long text",
       [&](TSmf& s) { return s.AddMeta(0, 1, std::string(text200.begin(), text200.end())); },
       Concat({{0xFF, 0x01, 0x81, 0x48}, text200})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TSmf smf;
    const TSmfEvent* event = c.add(smf);
    ASSERT_EQ(smf.Count(), 1u);
    EXPECT_EQ(&smf.Event(0), event);
    Bytes out = {0xAA};  // appends, never replaces
    const size_t written = event->WriteTo(out);
    EXPECT_TRUE(SameBytes(Concat({{0xAA}, c.expected}), out));
    EXPECT_EQ(written, c.expected.size());
  }
}

TEST(SmfList, AddRaisesEndTickOnly) {
  TSmf smf;
  smf.AddNoteOn(30, 0, 60, 100);
  EXPECT_EQ(smf.EndTick, 30);
  smf.AddNoteOff(10, 0, 60);
  EXPECT_EQ(smf.EndTick, 30);
  smf.AddMeta(-5, 1, "x");
  EXPECT_EQ(smf.EndTick, 30);
  smf.Clear();
  EXPECT_EQ(smf.Count(), 0u);
  EXPECT_EQ(smf.EndTick, 0);
}

TEST(SmfList, SortKeepsTheOrderOfAdditionWithinATick) {
  TSmf smf;
  constexpr int kTicks = 8;
  std::vector<const TSmfEvent*> byTick[kTicks];
  // Many events of few ticks, added with the ticks descending, so an unstable sort shows.
  for (int i = 0; i < 1000; ++i) {
    const int tick = kTicks - 1 - i % kTicks;
    byTick[tick].push_back(smf.AddControlChange(tick, 0, 7, i & 0x7F));
  }
  smf.SortByTick();
  std::vector<const TSmfEvent*> expected;
  for (const auto& events : byTick) expected.insert(expected.end(), events.begin(), events.end());
  ASSERT_EQ(smf.Count(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    ASSERT_EQ(&smf.Event(i), expected[i]) << "at index " << i;
  }
}

TEST(SmfList, FirstOverlapRunKeepsOuterNoteOnsAndLaterNoteOffs) {
  TSmf smf;
  const TSmfEvent* on1 = smf.AddNoteOn(0, 0, 60, 100);
  smf.AddNoteOn(10, 0, 60, 90);
  const TSmfEvent* on3 = smf.AddNoteOn(20, 0, 60, 80);
  smf.AddNoteOff(30, 0, 60);
  const TSmfEvent* off2 = smf.AddNoteOff(40, 0, 60);
  const TSmfEvent* off3 = smf.AddNoteOff(50, 0, 60);
  smf.SortByTick();
  smf.RemoveOverlaps();
  ASSERT_EQ(smf.Count(), 4u);
  EXPECT_EQ(&smf.Event(0), on1);
  EXPECT_EQ(&smf.Event(1), on3);
  EXPECT_EQ(&smf.Event(2), off2);
  EXPECT_EQ(&smf.Event(3), off3);
}

TEST(SmfList, RemovesOverlapsAcrossALongList) {
  // Each group: a key struck twice, released twice. Half the events go, from all over the list.
  constexpr int kGroups = 50000;
  TSmf smf;
  for (int g = 0; g < kGroups; ++g) {
    smf.AddNoteOn(4 * g, 0, 60, 100);
    smf.AddNoteOn(4 * g + 1, 0, 60, 90);
    smf.AddNoteOff(4 * g + 2, 0, 60);
    smf.AddNoteOff(4 * g + 3, 0, 60);
  }
  const Bytes bytes = smf.SaveToBytes();
  ASSERT_EQ(smf.Count(), 2u * kGroups);
  for (int g = 0; g < kGroups; ++g) {
    const TSmfEvent& on = smf.Event(2 * g);
    const TSmfEvent& off = smf.Event(2 * g + 1);
    ASSERT_EQ(on.Status, 0x90) << "group " << g;
    ASSERT_EQ(on.Tick, 4 * g) << "group " << g;
    ASSERT_EQ(off.Status, 0x80) << "group " << g;
    ASSERT_EQ(off.Tick, 4 * g + 3) << "group " << g;
  }
  // Header 14, track header 8; then per group 1+3 and 1+3 bytes; end of track 1+3.
  EXPECT_EQ(bytes.size(), 14u + 8u + 8u * kGroups + 4u);
}

// --- whole files --------------------------------------------------------------------------------

TEST(SmfFile, ExampleComesOutByteForByte) {
  TSmf smf;
  AddExample(smf);
  EXPECT_TRUE(SameBytes(kExampleFile, smf.SaveToBytes()));
}

TEST(SmfFile, StreamGetsTheFileAndNothingWhenEmpty) {
  TSmf smf;
  AddExample(smf);
  std::ostringstream out;
  smf.SaveToStream(out);
  const std::string text = out.str();
  EXPECT_TRUE(SameBytes(kExampleFile, Bytes(text.begin(), text.end())));

  TSmf empty;
  std::ostringstream nothing;
  empty.SaveToStream(nothing);
  EXPECT_TRUE(nothing.str().empty());
  EXPECT_TRUE(empty.SaveToBytes().empty());
}

TEST(SmfFile, TracksComeOutByteForByte) {
  struct Case {
    const char* name;
    int timeBase;
    std::function<void(TSmf&)> build;
    Bytes body;
  };
  const Case cases[] = {
      {"division big-endian", 480, [](TSmf& s) { s.AddControlChange(0, 0, 7, 100); },
       {0x00, 0xB0, 0x07, 0x64, 0x00, 0xFF, 0x2F, 0x00}},
      {"first event late", 48, [](TSmf& s) { s.AddControlChange(100, 0, 7, 100); },
       {0x64, 0xB0, 0x07, 0x64, 0x00, 0xFF, 0x2F, 0x00}},
      {"end of track beyond the last event", 48,
       [](TSmf& s) {
         s.AddControlChange(0, 0, 7, 100);
         s.EndTick = 200;
       },
       {0x00, 0xB0, 0x07, 0x64, 0x81, 0x48, 0xFF, 0x2F, 0x00}},
      {"end of track before the last event", 48,
       [](TSmf& s) {
         s.AddControlChange(50, 0, 7, 100);
         s.EndTick = 10;
       },
       {0x32, 0xB0, 0x07, 0x64, 0x00, 0xFF, 0x2F, 0x00}},
      {"negative tick at time 0", 48,
       [](TSmf& s) {
         s.AddControlChange(10, 0, 7, 2);
         s.AddControlChange(-5, 0, 7, 1);
       },
       {0x00, 0xB0, 0x07, 0x01, 0x0A, 0xB0, 0x07, 0x02, 0x00, 0xFF, 0x2F, 0x00}},
      {"delta beyond four bytes", 48,
       [](TSmf& s) { s.AddControlChange(0x10000005, 0, 7, 1); },
       {0xFF, 0xFF, 0xFF, 0x7F, 0xB0, 0x07, 0x01, 0x00, 0xFF, 0x2F, 0x00}},
      {"doubled note-on keeps the first on and the later off", 48,
       [](TSmf& s) {
         s.AddNoteOn(0, 0, 60, 100);
         s.AddNoteOn(0, 0, 60, 80);
         s.AddNoteOff(24, 0, 60);
         s.AddNoteOff(48, 0, 60);
       },
       {0x00, 0x90, 0x3C, 0x64, 0x30, 0x80, 0x3C, 0x00, 0x00, 0xFF, 0x2F, 0x00}},
      {"note-off then note-on at one tick both stay", 48,
       [](TSmf& s) {
         s.AddNoteOn(0, 0, 60, 100);
         s.AddNoteOff(48, 0, 60);
         s.AddNoteOn(48, 0, 60, 80);
         s.AddNoteOff(96, 0, 60);
       },
       {0x00, 0x90, 0x3C, 0x64, 0x30, 0x80, 0x3C, 0x00, 0x00, 0x90, 0x3C, 0x50, 0x30, 0x80, 0x3C,
        0x00, 0x00, 0xFF, 0x2F, 0x00}},
      {"note-on then note-off at one tick merge", 48,
       [](TSmf& s) {
         s.AddNoteOn(0, 0, 60, 100);
         s.AddNoteOn(48, 0, 60, 80);
         s.AddNoteOff(48, 0, 60);
         s.AddNoteOff(96, 0, 60);
       },
       {0x00, 0x90, 0x3C, 0x64, 0x60, 0x80, 0x3C, 0x00, 0x00, 0xFF, 0x2F, 0x00}},
      {"three overlapping notes leave the first on and the last off", 48,
       [](TSmf& s) {
         s.AddNoteOn(0, 0, 60, 100);
         s.AddNoteOn(10, 0, 60, 90);
         s.AddNoteOn(20, 0, 60, 80);
         s.AddNoteOff(30, 0, 60);
         s.AddNoteOff(40, 0, 60);
         s.AddNoteOff(50, 0, 60);
       },
       {0x00, 0x90, 0x3C, 0x64, 0x32, 0x80, 0x3C, 0x00, 0x00, 0xFF, 0x2F, 0x00}},
      {"same key on two channels is independent", 48,
       [](TSmf& s) {
         s.AddNoteOn(0, 0, 60, 100);
         s.AddNoteOn(0, 1, 60, 100);
         s.AddNoteOff(48, 0, 60);
         s.AddNoteOff(48, 1, 60);
       },
       {0x00, 0x90, 0x3C, 0x64, 0x00, 0x91, 0x3C, 0x64, 0x30, 0x80, 0x3C, 0x00, 0x00, 0x81, 0x3C,
        0x00, 0x00, 0xFF, 0x2F, 0x00}},
      {"velocity 0 counts as a note-on", 48,
       [](TSmf& s) {
         s.AddNoteOn(0, 0, 60, 100);
         s.AddNoteOn(10, 0, 60, 0);
         s.AddNoteOff(20, 0, 60);
         s.AddNoteOff(30, 0, 60);
       },
       {0x00, 0x90, 0x3C, 0x64, 0x1E, 0x80, 0x3C, 0x00, 0x00, 0xFF, 0x2F, 0x00}},
      {"a note left sounding carries into the second run", 48,
       [](TSmf& s) {
         s.AddNoteOn(0, 0, 60, 100);
         s.AddNoteOff(10, 0, 60);
         s.AddNoteOn(20, 0, 60, 100);
       },
       {0x14, 0xFF, 0x2F, 0x00}},
      {"state left from an earlier run is cleared", 48,
       [](TSmf& s) {
         s.NoteState[0][60] = 1;
         s.AddNoteOn(0, 0, 60, 100);
         s.AddNoteOff(48, 0, 60);
       },
       {0x00, 0x90, 0x3C, 0x64, 0x30, 0x80, 0x3C, 0x00, 0x00, 0xFF, 0x2F, 0x00}},
      {"a key above 127 is not tracked", 48,
       [](TSmf& s) {
         s.AddNoteOn(0, 0, 200, 100);  // would share a slot with channel 1, key 72
         s.AddNoteOn(0, 1, 72, 100);
         s.AddNoteOff(48, 1, 72);
       },
       {0x00, 0x90, 0xC8, 0x64, 0x00, 0x91, 0x48, 0x64, 0x30, 0x81, 0x48, 0x00, 0x00, 0xFF, 0x2F,
        0x00}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TSmf smf;
    smf.TimeBase = c.timeBase;
    c.build(smf);
    EXPECT_TRUE(SameBytes(SmfImage(c.timeBase, c.body), smf.SaveToBytes()));
  }
}

class SmfSaveFile : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("smfu_test_" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }
  static Bytes ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  static void WriteAll(const std::filesystem::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
  }
  std::filesystem::path dir_;
};

TEST_F(SmfSaveFile, ReplacesTheFile) {
  const auto path = dir_ / "song.mid";
  WriteAll(path, Bytes(100, 0x55));
  TSmf smf;
  AddExample(smf);
  EXPECT_TRUE(smf.SaveToFile(path));
  EXPECT_TRUE(SameBytes(kExampleFile, ReadAll(path)));
}

TEST_F(SmfSaveFile, NoEventWritesNothing) {
  const auto existing = dir_ / "old.mid";
  const Bytes old = {'o', 'l', 'd', 0x00, 0xFF};
  WriteAll(existing, old);
  TSmf smf;
  smf.EndTick = 96;
  EXPECT_FALSE(smf.SaveToFile(existing));
  EXPECT_TRUE(SameBytes(old, ReadAll(existing)));

  const auto missing = dir_ / "new.mid";
  EXPECT_FALSE(smf.SaveToFile(missing));
  EXPECT_FALSE(std::filesystem::exists(missing));
}

TEST_F(SmfSaveFile, UnwritablePathThrows) {
  TSmf smf;
  AddExample(smf);
  EXPECT_THROW(smf.SaveToFile(dir_ / "no such folder" / "song.mid"), std::runtime_error);
}

}  // namespace
