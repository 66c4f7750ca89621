// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
//
// The playback reader: framing of events (running status through meta and system exclusive),
// ports, the first tempo, merge order, and files that are short, broken or odd.
#include "playback/smf_unit.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "PlaybackTestSupport.h"

namespace {

using namespace smf_unit;
using namespace playback_test;

/// "tick port kind data": "0 p0 90 3C 64", "0 p0 meta 03 []", "0 p0 sysex [7E 7F F7]".
std::string Describe(const TSmfEvent& event) {
  std::string text = std::to_string(event.Time) + " p" + std::to_string(event.Port) + " ";
  if (auto* meta = dynamic_cast<const TSmfMeta*>(&event))
    return text + "meta " + Hex({meta->MetaType}) + " [" + Hex(meta->Data) + "]";
  if (auto* sysex = dynamic_cast<const TSmfSysEx*>(&event))
    return text + Hex({sysex->Status}) + " [" + Hex(sysex->Data) + "]";
  if (auto* bend = dynamic_cast<const TSmfPitchBend*>(&event))
    return text + Hex({bend->Status}) + " bend " + std::to_string(bend->Value);
  if (auto* two = dynamic_cast<const TSmfNoteOn*>(&event))
    return text + Hex({two->Status, two->Data1, two->Data2});
  if (auto* two = dynamic_cast<const TSmfNoteOff*>(&event))
    return text + Hex({two->Status, two->Data1, two->Data2});
  if (auto* two = dynamic_cast<const TSmfControlChange*>(&event))
    return text + Hex({two->Status, two->Data1, two->Data2});
  if (auto* two = dynamic_cast<const TSmfKeyPressure*>(&event))
    return text + Hex({two->Status, two->Data1, two->Data2});
  if (auto* one = dynamic_cast<const TSmfProgramChange*>(&event))
    return text + Hex({one->Status, one->Data1});
  if (auto* one = dynamic_cast<const TSmfChannelPressure*>(&event))
    return text + Hex({one->Status, one->Data1});
  return text + "?";
}

std::vector<std::string> Describe(const TSmfTrack& track) {
  std::vector<std::string> lines;
  for (size_t i = 0; i < track.Count(); ++i) lines.push_back(Describe(track.Event(i)));
  return lines;
}

class SmfRead : public ::testing::Test {
 protected:
  void Load(const std::string& bytes) { player_.Song.LoadFromStream(Bytes(bytes)); }
  /// The ESmfReadSMF message of a load, as UTF-8; "" when it loaded.
  std::string LoadError(const std::string& bytes) {
    try {
      Load(bytes);
    } catch (const ESmfReadSMF& error) {
      return pelorund::Cp932ToUtf8(error.what());
    }
    return "";
  }

  TSmfCustomPlayer player_{RecordingFactory(std::make_shared<TMidiRecording>())};
  TSmfSong& song_ = player_.Song;
};

TEST_F(SmfRead, HeaderAndTrackFailuresCarryTheirMessages) {
  const std::string track = Track(B("\x00\xFF\x2F\x00"));
  struct {
    const char* name;
    std::string bytes;
    const char* message;
    size_t tracksLeft;
  } cases[] = {
      {"13 bytes", B("MThd\x00\x00\x00\x06\x00\x00\x00\x01\x00"), "SMFヘッダの読み出しに失敗しました。", 0},
      {"empty", "", "SMFヘッダの読み出しに失敗しました。", 0},
      {"RIFF", "RIFF" + Header(0, 1, 48).substr(4) + track, "MIDIファイルではありません。", 0},
      {"lower case", "mthd" + Header(0, 1, 48).substr(4) + track, "MIDIファイルではありません。", 0},
      // The header's length is not honoured: its two extra bytes stand where MTrk should.
      {"header length 8", Header(0, 1, 48, 8) + B("\x00\x00") + track,
       "MIDIファイルのトラック0ヘッダが壊れています", 1},
      {"second chunk of another type", Header(1, 2, 48) + track + "XFIH" + Be(0, 4),
       "MIDIファイルのトラック1ヘッダが壊れています", 2},
      {"track header cut off", Header(0, 1, 48) + "MTr", "MIDIファイルのトラック0ヘッダが壊れています", 1},
      {"fewer tracks than declared", Header(1, 3, 48) + track, "MIDIファイルのトラック1ヘッダが壊れています",
       2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.message, LoadError(c.bytes));
    EXPECT_EQ(c.tracksLeft, song_.Count());  // what was read stays, unmerged
  }
}

TEST_F(SmfRead, RunningStatusContinuesThroughMetaAndSystemExclusive) {
  // A note, then data bytes after a note, a meta event and a system-exclusive event.
  Load(Smf(0, 48,
           {B("\x00\x90\x3C\x64"
              "\x10\x3E\x50"
              "\x00\xFF\x01\x00"
              "\x00\x03\x00"
              "\x00\xF0\x03\x7E\x7F\xF7"
              "\x00\x02\x41\xF7"
              "\x00\xE1\x00\x40"
              "\x08\x7F\x7F"
              "\x00\xFF\x2F\x00")}));
  ASSERT_EQ(1u, song_.Count());
  EXPECT_EQ((std::vector<std::string>{"0 p0 90 3C 64", "16 p0 90 3E 50", "16 p0 meta 01 []",
                                      "16 p0 meta 03 []", "16 p0 F0 [7E 7F F7]", "16 p0 F0 [41 F7]",
                                      "16 p0 E1 bend 8192", "24 p0 E1 bend 16383", "24 p0 meta 2F []"}),
            Describe(song_.Track(0)));
  EXPECT_EQ(0, song_.Format);
  EXPECT_EQ(48, song_.TimeBase);
}

TEST_F(SmfRead, PortEventsHoldForTheRestOfTheirOwnTrack) {
  Load(Smf(1, 96,
           {B("\x00\x90\x3C\x64"
              "\x00\xFF\x21\x01\x02"
              "\x00\x80\x3C\x00"
              "\x00\xFF\x21\x00"  // a port event without data changes nothing
              "\x00\xC0\x05"
              "\x00\xFF\x2F\x00"),
            B("\x00\x91\x40\x64\x00\xFF\x2F\x00")}));
  ASSERT_EQ(2u, song_.Count());
  EXPECT_EQ((std::vector<std::string>{"0 p0 90 3C 64", "0 p2 meta 21 [02]", "0 p2 80 3C 00",
                                      "0 p2 meta 21 []", "0 p2 C0 05", "0 p0 meta 2F []"}),
            Describe(song_.Track(0)));
  EXPECT_EQ((std::vector<std::string>{"0 p0 91 40 64", "0 p0 meta 2F []"}), Describe(song_.Track(1)));
}

TEST_F(SmfRead, InitialTempoIsTheFirstUsableTempoInFileOrder) {
  auto tempo = [](uint32_t delta, uint32_t microseconds) {
    return std::string(1, static_cast<char>(delta)) + B("\xFF\x51\x03") + Be(microseconds, 3);
  };
  struct {
    const char* name;
    std::string bytes;
    int expected;
  } cases[] = {
      {"none", Smf(0, 48, {B("\x00\x90\x3C\x64")}), -1},
      {"500000", Smf(0, 48, {tempo(0, 500000)}), 120},
      {"600000", Smf(0, 48, {tempo(0, 600000)}), 100},
      {"earlier track wins over earlier time", Smf(1, 48, {tempo(100, 600000), tempo(0, 500000)}), 100},
      {"a value of 0 is no tempo", Smf(0, 48, {tempo(0, 0) + tempo(0, 500000)}), 120},
      {"two data bytes are no tempo", Smf(0, 48, {B("\x00\xFF\x51\x02\x07\xA1") + tempo(0, 1000000)}), 60},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    player_.InitialTempo = 77;  // reset by every load
    Load(c.bytes);
    EXPECT_EQ(c.expected, player_.InitialTempo);
  }
}

TEST_F(SmfRead, MergePutsEqualTicksInTrackOrder) {
  Load(Smf(1, 48,
           {B("\x00\x90\x3C\x64\x30\x80\x3C\x00\x00\xFF\x2F\x00"),
            B("\x00\x91\x40\x64\x30\x81\x40\x00\x00\x91\x43\x64\x00\xFF\x2F\x00"),
            B("\x30\x92\x30\x64\x00\xFF\x2F\x00")}));
  song_.MergeTracks();
  ASSERT_EQ(1u, song_.Count());
  EXPECT_EQ(0, song_.Format);
  EXPECT_EQ((std::vector<std::string>{"0 p0 90 3C 64", "0 p0 91 40 64", "48 p0 80 3C 00", "48 p0 meta 2F []",
                                      "48 p0 81 40 00", "48 p0 91 43 64", "48 p0 meta 2F []",
                                      "48 p0 92 30 64", "48 p0 meta 2F []"}),
            Describe(song_.Track(0)));
}

TEST_F(SmfRead, ChunkLengthRulesWhereTheNextTrackStarts) {
  // Track 0 has bytes after its end-of-track; track 1 has no end-of-track at all.
  Load(Header(1, 2, 48) + Track(B("\x00\x90\x3C\x64\x00\xFF\x2F\x00\x00\x90\x3E\x64")) +
       Track(B("\x00\x91\x40\x64")));
  ASSERT_EQ(2u, song_.Count());
  EXPECT_EQ((std::vector<std::string>{"0 p0 90 3C 64", "0 p0 meta 2F []"}), Describe(song_.Track(0)));
  EXPECT_EQ((std::vector<std::string>{"0 p0 91 40 64"}), Describe(song_.Track(1)));
}

TEST_F(SmfRead, DamagedTrackDataEndsTheTrackWithoutReadingPastTheFile) {
  struct {
    const char* name;
    std::string events;
    std::vector<std::string> expected;
  } cases[] = {
      {"delta time cut off", B("\x00\x90\x3C\x64\x81"), {"0 p0 90 3C 64"}},
      {"note cut off", B("\x00\x90\x3C\x64\x00\x80\x3C"), {"0 p0 90 3C 64"}},
      // A length far beyond the file: only the bytes there are looked at, and the event is dropped.
      {"system exclusive cut off", B("\x00\x90\x3C\x64\x00\xF0\x8F\xFF\xFF\x7F\x01\x02"), {"0 p0 90 3C 64"}},
      {"meta cut off", B("\x00\xFF\x01\x05\x41"), {}},
      {"data before any status", B("\x00\x3C\x64\x00\x90\x3C\x64"), {}},
      {"system common status", B("\x00\x90\x3C\x64\x00\xF4\x00\x90\x3E\x64"), {"0 p0 90 3C 64"}},
      {"escape F7 keeps its bytes", B("\x00\xF7\x02\xF8\xFA"), {"0 p0 F7 [F8 FA]"}},
      {"long delta time wraps at 32 bits and saturates the tick",
       B("\x8F\xFF\xFF\xFF\x7F\x90\x3C\x64\x8F\xFF\xFF\xFF\x7F\x80\x3C\x00"),
       {"2147483647 p0 90 3C 64", "2147483647 p0 80 3C 00"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    // The chunk claims more than there is, as a cut-off file would.
    Load(Header(0, 1, 48) + "MTrk" + Be(1000, 4) + c.events);
    ASSERT_EQ(1u, song_.Count());
    EXPECT_EQ(c.expected, Describe(song_.Track(0)));
  }
}

TEST_F(SmfRead, NoTracksMergesIntoAnEmptySong) {
  Load(Header(0, 0, 48));
  song_.MergeTracks();
  EXPECT_EQ(0u, song_.Count());
}

TEST(SmfEvents, PlaySendsTheirMessagesOnTheirPort) {
  auto recording = std::make_shared<TMidiRecording>();
  TSmfCustomPlayer player(RecordingFactory(recording));
  ASSERT_TRUE(player.MidiOut.Open(-1));
  player.Song.LoadFromStream(Bytes(Smf(0, 48,
                                       {B("\x00\xE2\x05\x40"
                                          "\x00\xC3\x07"
                                          "\x00\xF0\x02\x7F\xF7"
                                          "\x00\xFF\x01\x01\x41"
                                          "\x00\xF7\x02\xF8\xFA"
                                          "\x00\xFF\x21\x01\x01"
                                          "\x00\x90\x3C\x64")})));
  const TSmfTrack& track = player.Song.Track(0);
  for (size_t i = 0; i < track.Count(); ++i) track.Event(i).Play();
  // The meta events send nothing; the note on port 1 finds that port closed.
  EXPECT_EQ((std::vector<std::string>{"E2 05 40", "C3 07", "F0 7F F7", "F8 FA"}),
            Lines(recording->Messages()));
}

TEST(SmfEvents, WriteToGivesBackTheFileForm) {
  TSmfSong song(nullptr);
  const std::string events(
      "\x00\xE2\x05\x40\x00\xC3\x07\x00\xF0\x02\x7F\xF7\x00\xFF\x01\x01\x41\x00\x90\x3C\x64", 21);
  song.LoadFromStream(Bytes(Smf(0, 48, {events + B("\x00\xFF\x2F\x00")})));
  std::ostringstream out;
  int total = 0;
  const TSmfTrack& track = song.Track(0);
  for (size_t i = 0; i < track.Count(); ++i) {
    out.put('\0');  // the delta times, all 0 here
    total += track.Event(i).WriteTo(out);
  }
  // The end of track writes nothing.
  EXPECT_EQ(events + std::string(1, '\0'), out.str());
  EXPECT_EQ(16, total);
}

TEST(VarLen, RoundTripsAndReportsItsLength) {
  struct {
    uint32_t value;
    std::string bytes;
  } cases[] = {
      {0, B("\x00")},
      {0x7F, B("\x7F")},
      {0x80, B("\x81\x00")},
      {0x3FFF, B("\xFF\x7F")},
      {0x0FFFFFFF, B("\xFF\xFF\xFF\x7F")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    std::ostringstream out;
    EXPECT_EQ(static_cast<int>(c.bytes.size()), WriteVarLen(out, c.value));
    EXPECT_EQ(c.bytes, out.str());
    TByteReader in(Bytes(c.bytes));
    uint32_t value = 1;
    int length = 0;
    ASSERT_TRUE(ReadVarLen(in, value, length));
    EXPECT_EQ(c.value, value);
    EXPECT_EQ(static_cast<int>(c.bytes.size()), length);
  }
  const std::string cutOff = "\x81\x82";
  TByteReader cut(Bytes(cutOff));
  uint32_t value = 0;
  int length = 0;
  EXPECT_FALSE(ReadVarLen(cut, value, length));
}

TEST(SmfFile, MissingFileThrowsAndRealFilesLoad) {
  TSmfSong song(nullptr);
  EXPECT_THROW(song.LoadFromFile("/nonexistent/song.mid"), std::runtime_error);
  const std::filesystem::path corpus =
      std::filesystem::path(SOURCE_DIR) / ".." / "shared" / "corpus" / "midi";
  if (!std::filesystem::is_directory(corpus)) GTEST_SKIP() << "no MIDI corpus beside the repository";
  int loaded = 0;
  for (const auto& entry : std::filesystem::directory_iterator(corpus)) {
    if (entry.path().extension() != ".mid") continue;
    SCOPED_TRACE(entry.path().filename().string());
    try {
      song.LoadFromFile(entry.path());
    } catch (const ESmfReadSMF&) {
      continue;  // files of the corpus may be broken on purpose; they must only not crash
    }
    song.MergeTracks();
    ++loaded;
    const TSmfTrack& track = song.Track(0);
    for (size_t i = 1; i < track.Count(); ++i) ASSERT_LE(track.Event(i - 1).Time, track.Event(i).Time);
  }
  EXPECT_GT(loaded, 0);
}

}  // namespace
