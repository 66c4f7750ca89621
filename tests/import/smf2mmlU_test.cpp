// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
//
// The import model: reading an SMF into sixteen channel lists, the passes that give notes their
// durations, gaps and rests, and how damaged files are read.
#include "import/smf2mmlU.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "import/SmfBytes.h"

namespace {

using namespace smf2mmlU;
using smf_bytes::Chunk;
using smf_bytes::Header;
using smf_bytes::Hex;
using smf_bytes::Smf;

/// One event as "time kind fields gap": "0 on 60 100 dur 36 gap 36", "36 rest gap 60".
std::string Describe(const TMmlEvent& event) {
  std::string text = std::to_string(event.Time) + " ";
  auto control = [](const TMmlEvent& e) -> const TMmlControlChange& {
    return static_cast<const TMmlControlChange&>(e);
  };
  switch (event.Kind) {
    case TMmlKind::Dummy:
      text += "marker";
      break;
    case TMmlKind::NoteOn: {
      const auto& on = static_cast<const TMmlNoteOn&>(event);
      text += "on " + std::to_string(on.Note) + " " + std::to_string(on.Velocity) + " dur " +
              std::to_string(on.Duration);
      break;
    }
    case TMmlKind::NoteOff:
      text += "rest";
      break;
    case TMmlKind::KeyPressure:
      text += "keypressure";
      break;
    case TMmlKind::ControlChange:
      text += "cc " + std::to_string(control(event).Controller) + " " + std::to_string(control(event).Value);
      break;
    case TMmlKind::CCMod:
      text += "mod " + std::to_string(control(event).Value);
      break;
    case TMmlKind::CCVol:
      text += "vol " + std::to_string(control(event).Value);
      break;
    case TMmlKind::CCPan:
      text += "pan " + std::to_string(control(event).Value);
      break;
    case TMmlKind::CCExp:
      text += "exp " + std::to_string(control(event).Value);
      break;
    case TMmlKind::ProgramChange:
      text += "program " + std::to_string(static_cast<const TMmlProgramChange&>(event).Program);
      break;
    case TMmlKind::ChannelPressure:
      text += "pressure";
      break;
    case TMmlKind::PitchBend: {
      const auto& bend = static_cast<const TMmlPitchBend&>(event);
      text += "bend " + std::to_string(bend.BendHigh) + " " + std::to_string(bend.BendLow);
      break;
    }
    case TMmlKind::Meta: {
      const auto& meta = static_cast<const TMmlMeta&>(event);
      text += "meta " + std::to_string(meta.MetaType) + " '" + meta.Text + "'";
      break;
    }
    case TMmlKind::Exclucive:
      text += "sysex " + std::to_string(static_cast<const TMmlExclucive&>(event).Length) + " bytes";
      break;
    case TMmlKind::Tempo:
      text += "tempo " + std::to_string(static_cast<const TMmlTempo&>(event).Bpm);
      break;
  }
  return text + " gap " + std::to_string(event.Gap);
}

std::vector<std::string> Lines(const TMmlTrack& track) {
  std::vector<std::string> lines;
  for (const auto& event : track.Events) lines.push_back(Describe(*event));
  return lines;
}

/// A converter without controller names that has imported `file`.
struct TImported {
  TSmf2Mml Converter{std::filesystem::path()};
  explicit TImported(const std::string& file, bool writeBend = false) {
    Converter.WriteBend = writeBend;
    Converter.ImportBytes(file);
  }
  [[nodiscard]] std::vector<std::string> Channel(int index) const { return Lines(Converter.Tracks[index]); }
};

TEST(Smf2MmlImport, NotesGetDurationsGapsAndRests) {
  const struct {
    const char* Name;
    std::string File;
    std::vector<std::string> Events;  // channel 1 (index 0)
  } cases[] = {
      {"a rest fills the silence after a note in whole sixteenths",
       Smf(48, {"00 90 3C 64  24 80 3C 00  3C 90 3E 64  30 80 3E 00  00 FF 2F 00"}),
       {"0 marker gap 0", "0 on 60 100 dur 36 gap 36", "36 rest gap 60", "96 on 62 100 dur 48 gap 48",
        "144 meta 47 '' gap 0", "144 marker gap 0"}},
      {"silence of 18 ticks: the odd 6 stay with the note",
       Smf(48, {"00 90 3C 64  1E 80 3C 00  12 FF 2F 00"}),
       {"0 marker gap 0", "0 on 60 100 dur 30 gap 36", "36 rest gap 12", "48 meta 47 '' gap 0",
        "48 marker gap 0"}},
      {"silence below a sixteenth adds no rest",
       Smf(48, {"00 90 3C 64  28 80 3C 00  08 FF 2F 00"}),
       {"0 marker gap 0", "0 on 60 100 dur 40 gap 48", "48 meta 47 '' gap 0", "48 marker gap 0"}},
      {"a second note-on of the key ends the first",
       Smf(48, {"00 90 3C 64  18 90 3C 50  18 80 3C 00"}),
       {"0 marker gap 0", "0 on 60 100 dur 24 gap 24", "24 on 60 80 dur 24 gap 24", "48 marker gap 0"}},
      {"a note without note-off lasts to the end of the song",
       Smf(48, {"00 90 3C 64  60 FF 2F 00"}),
       {"0 marker gap 0", "0 on 60 100 dur 96 gap 96", "96 meta 47 '' gap 0", "96 marker gap 0"}},
      {"running status and note-on with velocity 0",
       Smf(48, {"00 90 3C 64  30 3C 00  00 3E 64  30 3E 00"}),
       {"0 marker gap 0", "0 on 60 100 dur 48 gap 48", "48 on 62 100 dur 48 gap 48", "96 marker gap 0"}},
      {"time base 480: tick 960 lands at 96",
       Smf(480, {"00 90 3C 64  87 40 80 3C 00"}),
       {"0 marker gap 0", "0 on 60 100 dur 96 gap 96", "96 marker gap 0"}},
      {"time base 96: odd ticks are truncated",
       Smf(96, {"03 90 3C 64  61 80 3C 00"}),
       {"0 marker gap 1", "1 on 60 100 dur 49 gap 49", "50 marker gap 0"}},
      {"events of equal time keep the order of the chunks",
       Smf(48, {"00 B0 07 64  30 B0 0A 40", "30 C0 05  00 B0 0B 50  00 B0 01 10"}),
       {"0 marker gap 0", "0 vol 100 gap 48", "48 pan 64 gap 0", "48 program 5 gap 0", "48 exp 80 gap 0",
        "48 mod 16 gap 0", "48 marker gap 0"}},
      {"system-common and real-time statuses are markers",
       Smf(48, {"00 F2 01 02  00 F1 03  00 F3 04  00 F6  00 F8  00 F7 02 01 02  18 90 3C 64  18 80 3C 00"}),
       {"0 marker gap 0", "0 marker gap 0", "0 marker gap 0", "0 marker gap 0", "0 marker gap 0",
        "0 marker gap 0", "0 marker gap 24", "24 on 60 100 dur 24 gap 24", "48 marker gap 0"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    const TImported imported(c.File);
    EXPECT_EQ(c.Events, imported.Channel(0));
    EXPECT_TRUE(imported.Converter.Problems.empty());
  }
}

TEST(Smf2MmlImport, ChannelsChooseTheListWhateverTheChunk) {
  // Format 1: a conductor chunk, then the melody on MIDI channel 3 beside tempo, text and SysEx.
  const TImported imported(Smf(48, {"00 FF 51 03 07 A1 20  00 FF 03 02 41 42",
                                    "00 92 40 7F  00 F0 03 7E 7F F7  30 82 40 00  00 FF 51 03 03 0D 40"}));
  EXPECT_EQ((std::vector<std::string>{"0 marker gap 0", "0 on 64 127 dur 48 gap 48", "48 marker gap 0"}),
            imported.Channel(2));
  EXPECT_EQ((std::vector<std::string>{"0 marker gap 0", "0 tempo 120 gap 0", "0 meta 3 'AB' gap 0",
                                      "0 sysex 3 bytes gap 48", "48 tempo 300 gap 0", "48 marker gap 0"}),
            imported.Channel(0));
  // A channel without events holds its two markers.
  EXPECT_EQ((std::vector<std::string>{"0 marker gap 48", "48 marker gap 0"}), imported.Channel(15));
}

TEST(Smf2MmlImport, PitchBendsAreKeptOnlyWhenAsked) {
  const std::string file = Smf(48, {"00 E0 00 40  30 E0 7F 7F"});
  EXPECT_EQ((std::vector<std::string>{"0 marker gap 48", "48 marker gap 0"}), TImported(file).Channel(0));
  EXPECT_EQ((std::vector<std::string>{"0 marker gap 0", "0 bend 64 0 gap 48", "48 bend 127 127 gap 0",
                                      "48 marker gap 0"}),
            TImported(file, true).Channel(0));
}

TEST(Smf2MmlImport, FilesThatAreNoSmfAreRejected) {
  const struct {
    const char* Name;
    std::string File;
    const char* Says;
  } cases[] = {
      {"empty file", "", "does not begin with \"MThd\""},
      {"another format", "RIFF\x10\0\0\0RMIDdata", "does not begin with \"MThd\""},
      {"header cut short", Hex("4D 54 68 64 00 00 00 06 00 01"), "header is cut short"},
      {"time base 0", Header(1, 0) + Chunk("MTrk", Hex("00 90 3C 64")), "time base of 0"},
      {"SMPTE time", Header(1, 0xE728) + Chunk("MTrk", Hex("00 90 3C 64")), "SMPTE frames (division E728)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TSmf2Mml converter{std::filesystem::path()};
    try {
      converter.ImportBytes(c.File);
      ADD_FAILURE() << "no exception";
    } catch (const ESmf2Mml& error) {
      EXPECT_NE(std::string::npos, std::string(error.what()).find(c.Says)) << error.what();
    }
  }
}

TEST(Smf2MmlImport, DamagedFilesGiveWhatCouldBeReadAndSayWhy) {
  const std::string note = "00 90 3C 64  30 80 3C 00";  // key 60 from 0 to 48
  const std::string longText(300, 'a');
  const struct {
    const char* Name;
    std::string File;
    const char* Problem;  // part of the one problem reported; empty for none
    std::vector<std::string> Events;
  } cases[] = {
      {"file ends inside an event",
       Header(1, 48) + Chunk("MTrk", Hex("00 90 3C 64  30 80 3C")),
       "ends inside track chunk 1",
       {"0 marker gap 0", "0 on 60 100 dur 48 gap 48", "48 marker gap 0"}},
      {"file ends inside a delta time",
       Header(1, 48) + Chunk("MTrk", Hex("00 90 3C 64  81")),
       "ends inside track chunk 1",
       {"0 marker gap 0", "0 on 60 100 dur 0 gap 0", "0 marker gap 0"}},
      {"chunk longer than the file",
       Header(1, 48) + "MTrk" + smf_bytes::BigEndian(100, 4) + Hex(note),
       "ends inside track chunk 1",
       {"0 marker gap 0", "0 on 60 100 dur 48 gap 48", "48 marker gap 0"}},
      {"fewer chunks than declared",
       Header(3, 48) + Chunk("MTrk", Hex(note)),
       "declares 3 track chunks, the file holds only 1",
       {"0 marker gap 0", "0 on 60 100 dur 48 gap 48", "48 marker gap 0"}},
      {"second chunk header cut",
       Header(2, 48) + Chunk("MTrk", Hex(note)) + "MTr",
       "ends inside track chunk 2",
       {"0 marker gap 0", "0 on 60 100 dur 48 gap 48", "48 marker gap 0"}},
      {"a chunk of another kind is skipped and not counted",
       Header(1, 48) + Chunk("XFIH", Hex("00 90 40 64")) + Chunk("MTrk", Hex(note)),
       "\"XFIH\" is no track chunk",
       {"0 marker gap 0", "0 on 60 100 dur 48 gap 48", "48 marker gap 0"}},
      {"meta text over 255 bytes is cut; reading stays in step",
       Header(1, 48) + Chunk("MTrk", Hex("00 FF 01") + smf_bytes::VarLen(300) + longText + Hex(note)),
       "(300 bytes) at tick 0 of track chunk 1 is cut to 255 bytes",
       {"0 marker gap 0", "0 meta 1 '" + std::string(255, 'a') + "' gap 0", "0 on 60 100 dur 48 gap 48",
        "48 marker gap 0"}},
      {"system exclusive over 255 bytes is left out; reading stays in step",
       Header(1, 48) + Chunk("MTrk", Hex("00 F0") + smf_bytes::VarLen(300) + std::string(299, '\x01') +
                                         "\xF7" + Hex(note)),
       "message of 300 bytes at tick 0 of track chunk 1 is left out",
       {"0 marker gap 0", "0 on 60 100 dur 48 gap 48", "48 marker gap 0"}},
      {"system exclusive of 251 bytes between F0 and F7 is kept",
       Header(1, 48) + Chunk("MTrk", Hex("00 F0") + smf_bytes::VarLen(252) + std::string(251, '\x01') +
                                         "\xF7" + Hex(note)),
       "",
       {"0 marker gap 0", "0 sysex 252 bytes gap 0", "0 on 60 100 dur 48 gap 48", "48 marker gap 0"}},
      {"system exclusive of 252 bytes between F0 and F7 is left out",
       Header(1, 48) + Chunk("MTrk", Hex("00 F0") + smf_bytes::VarLen(253) + std::string(252, '\x01') +
                                         "\xF7" + Hex(note)),
       "message of 253 bytes",
       {"0 marker gap 0", "0 on 60 100 dur 48 gap 48", "48 marker gap 0"}},
      {"an empty system exclusive is left out",
       Smf(48, {"00 F0 01 F7  00 F0 00 " + note}),
       "",
       {"0 marker gap 0", "0 on 60 100 dur 48 gap 48", "48 marker gap 0"}},
      {"system exclusive holding a status byte is left out",
       Smf(48, {"00 F0 03 43 90 F7 " + note}),
       "at tick 0 of track chunk 1 holds a status byte",
       {"0 marker gap 0", "0 on 60 100 dur 48 gap 48", "48 marker gap 0"}},
      {"data byte before any status is read as a delta time",
       Smf(48, {"00 30 90 3C 64  30 80 3C 00"}),
       "",
       {"0 marker gap 48", "48 on 60 100 dur 48 gap 48", "96 marker gap 0"}},
      {"tempo of two bytes gives nothing",
       Smf(48, {"00 FF 51 02 07 A1 " + note}),
       "",
       {"0 marker gap 0", "0 on 60 100 dur 48 gap 48", "48 marker gap 0"}},
      {"tempo of four bytes uses three",
       Smf(48, {"00 FF 51 04 07 A1 20 00 " + note}),
       "",
       {"0 marker gap 0", "0 tempo 120 gap 0", "0 on 60 100 dur 48 gap 48", "48 marker gap 0"}},
      {"tempo of 0 microseconds gives nothing",
       Smf(48, {"00 FF 51 03 00 00 00 " + note}),
       "",
       {"0 marker gap 0", "0 on 60 100 dur 48 gap 48", "48 marker gap 0"}},
      {"end of track does not end the chunk",
       Smf(48, {"00 FF 2F 00 " + note}),
       "",
       {"0 marker gap 0", "0 meta 47 '' gap 0", "0 on 60 100 dur 48 gap 48", "48 marker gap 0"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    const TImported imported(c.File);
    EXPECT_EQ(c.Events, imported.Channel(0));
    const auto& problems = imported.Converter.Problems;
    if (*c.Problem == '\0') {
      EXPECT_TRUE(problems.empty()) << problems.front();
    } else {
      ASSERT_EQ(1u, problems.size());
      EXPECT_NE(std::string::npos, problems.front().find(c.Problem)) << problems.front();
    }
  }
}

TEST(Smf2MmlImport, EventsPastTheLongestSongAreLeftOut) {
  TSmf2Mml converter{std::filesystem::path()};
  converter.MaxTime = 100;
  // Chunk 1 reaches tick 144; chunk 2 stays within the limit and is read whole.
  converter.ImportBytes(
      Smf(48, {"00 90 3C 64  30 80 3C 00  60 90 3E 64  30 80 3E 00", "00 91 40 64  60 81 40 00"}));
  ASSERT_EQ(1u, converter.Problems.size());
  EXPECT_NE(std::string::npos, converter.Problems.front().find("track chunk 1 runs past tick 100"));
  EXPECT_EQ((std::vector<std::string>{"0 marker gap 0", "0 on 60 100 dur 48 gap 48", "48 rest gap 48",
                                      "96 marker gap 0"}),
            Lines(converter.Tracks[0]));
  EXPECT_EQ((std::vector<std::string>{"0 marker gap 0", "0 on 64 100 dur 96 gap 96", "96 marker gap 0"}),
            Lines(converter.Tracks[1]));
}

TEST(Smf2MmlImport, ImportingAgainStartsAfresh) {
  TSmf2Mml converter{std::filesystem::path()};
  converter.ImportBytes(Header(2, 48) + Chunk("MTrk", Hex("00 90 3C 64  30 80 3C 00")));
  converter.ImportBytes(Smf(96, {"00 90 3E 64  60 80 3E 00"}));
  EXPECT_TRUE(converter.Problems.empty());
  EXPECT_EQ(96, converter.EndTime);
  EXPECT_EQ(48, converter.EndTime48());
  EXPECT_EQ((std::vector<std::string>{"0 marker gap 0", "0 on 62 100 dur 48 gap 48", "48 marker gap 0"}),
            Lines(converter.Tracks[0]));
}

TEST(Smf2MmlImport, ImportNamesTheFileItCannotRead) {
  TSmf2Mml converter{std::filesystem::path()};
  const std::filesystem::path missing = std::filesystem::temp_directory_path() / "pelorund-no-such-file.mid";
  try {
    converter.Import(missing);
    ADD_FAILURE() << "no exception";
  } catch (const ESmf2Mml& error) {
    EXPECT_EQ("\"" + missing.string() + "\" cannot be read", std::string(error.what()));
  }
}

TEST(Smf2MmlTrack, IndexesOutsideTheListAreHarmless) {
  TMmlTrack track;
  track.Add(5, TMmlKind::NoteOff);
  track.Add(2, TMmlKind::Dummy);
  EXPECT_EQ(nullptr, track.Get(-1));
  EXPECT_EQ(nullptr, track.Get(2));
  track.Delete(-1);
  track.Delete(2);
  ASSERT_EQ(2, track.Count());
  track.SortByTime();
  EXPECT_EQ(TMmlKind::Dummy, track.Get(0)->Kind);
  track.Delete(0);
  EXPECT_EQ(5, track.Get(0)->Time);
}

}  // namespace
