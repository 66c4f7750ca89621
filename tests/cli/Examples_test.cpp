// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
//
// The songs of examples/: each compiles through pelorund-cli without a warning, is read back by an
// independent SMF parser (Debian's python3 with mido), ends every note it starts, and shows the
// features it was written to show.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "CliTestSupport.h"

namespace {

using namespace cli_test;

/// One line of smf_dump.py --all: "<tick> <kind> <rest>".
struct TEvent {
  long Tick = 0;
  std::string Kind;
  std::string Rest;
  /// The blank-separated numbers of Rest (channel, key, value...).
  [[nodiscard]] std::vector<long> Numbers() const {
    std::vector<long> numbers;
    std::istringstream in(Rest);
    for (long n = 0; in >> n;) numbers.push_back(n);
    return numbers;
  }
};

/// A compiled song as the independent parser sees it.
struct TSong {
  std::string Header;  // "format 0 tracks 1 division 48"
  std::vector<TEvent> Events;
  double Seconds = 0;

  [[nodiscard]] std::vector<TEvent> Of(const std::string& kind) const {
    std::vector<TEvent> found;
    std::copy_if(Events.begin(), Events.end(), std::back_inserter(found),
                 [&](const TEvent& e) { return e.Kind == kind; });
    return found;
  }
  /// Events of `kind` whose Rest starts with `prefix` ("9 36" for drum key 36, "0 1" for CC 1...).
  [[nodiscard]] long Count(const std::string& kind, const std::string& prefix) const {
    return std::count_if(Events.begin(), Events.end(), [&](const TEvent& e) {
      return e.Kind == kind && (e.Rest == prefix || e.Rest.rfind(prefix + " ", 0) == 0);
    });
  }
  [[nodiscard]] std::vector<std::string> Texts(const std::string& kind) const {
    std::vector<std::string> texts;
    for (const TEvent& e : Of(kind)) texts.push_back(e.Rest);
    return texts;
  }
  /// The last note-on of a channel.
  [[nodiscard]] TEvent LastNoteOn(long channel) const {
    TEvent last;
    for (const TEvent& e : Of("on"))
      if (e.Numbers().at(0) == channel) last = e;
    return last;
  }
};

class Examples : public TTempDirTest {
 protected:
  static fs::path ExampleDir() { return fs::path(SOURCE_DIR) / "examples"; }

  static std::vector<fs::path> Sources() {
    std::vector<fs::path> sources;
    for (const auto& entry : fs::directory_iterator(ExampleDir()))
      if (entry.path().extension() == ".mml") sources.push_back(entry.path());
    std::sort(sources.begin(), sources.end());
    return sources;
  }

  /// Compiles `name` from examples/ into the temporary folder; the CLI's run and the MIDI file.
  std::pair<TRun, fs::path> Compile(const std::string& name) const {
    const fs::path mid = dir_ / fs::path(name).replace_extension(".mid");
    const TRun run = Cli("compile " + Quote(ExampleDir() / name) + " -o " + Quote(mid));
    return {run, mid};
  }

  static TSong Dump(const fs::path& mid) {
    const TRun dump = DumpSmf(mid, "--all");
    TSong song;
    EXPECT_EQ(0, dump.Status) << dump.Out;
    std::istringstream in(dump.Out);
    std::getline(in, song.Header);
    for (std::string line; std::getline(in, line);) {
      if (line.rfind("seconds ", 0) == 0) {
        song.Seconds = std::stod(line.substr(8));
        continue;
      }
      TEvent event;
      std::istringstream fields(line);
      fields >> event.Tick >> event.Kind;
      std::getline(fields >> std::ws, event.Rest);
      song.Events.push_back(event);
    }
    return song;
  }
};

TEST_F(Examples, EverySongCompilesWithoutWarningsAndEndsEveryNote) {
  const std::vector<fs::path> sources = Sources();
  ASSERT_GE(sources.size(), 6u);  // demo.mml and at least five songs
  const std::string readme = pelorund::ReadFileBytes(ExampleDir() / "README.md").value_or("");

  for (const fs::path& source : sources) {
    const std::string name = source.filename().string();
    SCOPED_TRACE(name);
    EXPECT_NE(std::string::npos, readme.find(name)) << "examples/README.md does not list it";

    const auto [run, mid] = Compile(name);
    ASSERT_EQ(0, run.Status) << run.Out;
    EXPECT_EQ(std::string::npos, run.Out.find("注意")) << run.Out;

    const TSong song = Dump(mid);
    EXPECT_EQ(0u, song.Header.rfind("format 0 tracks 1 division ", 0)) << song.Header;
    std::map<std::pair<long, long>, int> sounding;  // (channel, key) -> open note-ons
    size_t notes = 0;
    for (const TEvent& e : song.Events) {
      if (e.Kind != "on" && e.Kind != "off") continue;
      const std::vector<long> n = e.Numbers();
      int& open = sounding[{n.at(0), n.at(1)}];
      if (e.Kind == "on") {
        ++notes;
        ++open;
      } else if (open == 0) {
        ADD_FAILURE() << "note-off without note-on at tick " << e.Tick << ": " << e.Rest;
      } else {
        --open;
      }
    }
    EXPECT_GT(notes, 0u);
    for (const auto& [key, open] : sounding)
      EXPECT_EQ(0, open) << "channel " << key.first << " key " << key.second << " never ends";
  }
}

// What each song was written to show, as the file must carry it.
TEST_F(Examples, EachSongCarriesItsFeatures) {
  using TCheck = std::function<void(const TSong&)>;
  const auto playsBetween30And90Seconds = [](const TSong& s) {
    EXPECT_GE(s.Seconds, 30.0);
    EXPECT_LE(s.Seconds, 90.0);
  };
  const struct {
    const char* Song;
    const char* What;
    TCheck Check;
  } cases[] = {
      {"blues-shuffle.mml", "plays for 30 to 90 seconds", playsBetween30And90Seconds},
      {"blues-shuffle.mml", "GM system on first, bend range 12 on the harmonica",
       [](const TSong& s) {
         ASSERT_FALSE(s.Of("sysex").empty());
         EXPECT_EQ("7E 7F 09 01", s.Of("sysex").front().Rest);
         EXPECT_EQ(0, s.Of("sysex").front().Tick);
         EXPECT_EQ(1, s.Count("control", "0 6 12"));
       }},
      {"blues-shuffle.mml", "drum letters on channel 10: 49 kicks, snares, hi-hats, 3 crashes",
       [](const TSong& s) {
         EXPECT_EQ(49, s.Count("on", "9 36"));
         EXPECT_GT(s.Count("on", "9 38"), 40);
         EXPECT_GT(s.Count("on", "9 42"), 100);
         EXPECT_EQ(3, s.Count("on", "9 49"));
       }},
      {"blues-shuffle.mml", "the loop with a break: two choruses, one turnaround",
       [](const TSong& s) {
         EXPECT_EQ((std::vector<std::string>{"Intro", "Chorus", "Chorus", "Ending"}), s.Texts("marker"));
         // The piano's D7 (root D3, three stabs a bar) sounds in bar 9 of both choruses and in
         // the turnaround, which the last pass skips.
         EXPECT_EQ(9, s.Count("on", "1 50"));
       }},
      {"blues-shuffle.mml", "vibrato, glides and the bend from a semitone below",
       [](const TSong& s) {
         EXPECT_GT(s.Count("pitchwheel", "0"), 200);
         EXPECT_EQ(2, s.Count("pitchwheel", "0 7509"));  // Y\-1 at a bend range of 12
       }},

      {"bossa-nova.mml", "plays for 30 to 90 seconds", playsBetween30And90Seconds},
      {"bossa-nova.mml", "XG system on, then the modulation LFO on the flute",
       [](const TSong& s) {
         ASSERT_FALSE(s.Of("sysex").empty());
         EXPECT_EQ("43 10 4C 00 00 7E 00", s.Of("sysex").front().Rest);
         EXPECT_GT(s.Count("control", "0 1 36"), 10);
         EXPECT_EQ(s.Count("control", "0 1 36"), s.Count("control", "0 1 0"));
       }},
      {"bossa-nova.mml", "maracas with accents from @U, side stick and kick on channel 10",
       [](const TSong& s) {
         EXPECT_EQ(17 * 16, s.Count("on", "9 70"));
         EXPECT_EQ(17 * 4, s.Count("on", "9 70 85"));
         EXPECT_EQ(17 * 8, s.Count("on", "9 70 55"));
         EXPECT_GT(s.Count("on", "9 37"), 80);
       }},
      {"bossa-nova.mml", "ends on a D6/9 chord, the root left to the note itself",
       [](const TSong& s) {
         const std::vector<TEvent> on = s.Of("on");
         std::vector<std::string> last;
         for (const TEvent& e : on)
           if (e.Tick == s.LastNoteOn(1).Tick && e.Numbers().at(0) == 1) last.push_back(e.Rest);
         EXPECT_EQ((std::vector<std::string>{"1 50 74", "1 54 74", "1 57 74", "1 59 74", "1 64 74"}), last);
       }},

      {"autumn-waltz.mml", "plays for 30 to 90 seconds", playsBetween30And90Seconds},
      {"autumn-waltz.mml", "time base 96, GS reset, reverb with its checksum, master volume",
       [](const TSong& s) {
         EXPECT_EQ("format 0 tracks 1 division 96", s.Header);
         EXPECT_EQ((std::vector<std::string>{"41 10 42 12 40 00 7F 00 41", "41 10 42 12 40 01 30 04 0B",
                                             "7F 7F 04 01 00 70"}),
                   s.Texts("sysex"));
       }},
      {"autumn-waltz.mml", "expression envelope from 88, quantised into pairs",
       [](const TSong& s) {
         long written = 0;
         for (const TEvent& e : s.Of("control")) {
           const std::vector<long> n = e.Numbers();
           if (n.at(0) != 0 || n.at(1) != 11) continue;
           ++written;
           EXPECT_GE(n.at(2), 88);
           EXPECT_LE(n.at(2), 113);
         }
         EXPECT_GT(written, 300);
         EXPECT_GT(s.Count("control", "0 11 88"), 30);
       }},
      {"autumn-waltz.mml", "second strings muted in the first theme, detuned by K60",
       [](const TSong& s) {
         // Start 48, two bars of introduction and 16 muted bars of 288 ticks.
         const std::vector<TEvent> on = s.Of("on");
         const auto first =
             std::find_if(on.begin(), on.end(), [](const TEvent& e) { return e.Numbers().at(0) == 1; });
         ASSERT_NE(on.end(), first);
         EXPECT_EQ(48 + 18 * 288, first->Tick);
         EXPECT_EQ(1, s.Count("control", "1 6 60"));
       }},
      {"autumn-waltz.mml", "ritardando and cue point at the end",
       [](const TSong& s) {
         EXPECT_EQ(4u, s.Of("tempo").size());
         EXPECT_EQ((std::vector<std::string>{"Fine"}), s.Texts("cue"));
       }},

      {"chiptune-adventure.mml", "plays for 30 to 90 seconds", playsBetween30And90Seconds},
      {"chiptune-adventure.mml", "every bend a multiple of 128, the detune as a bend",
       [](const TSong& s) {
         for (const TEvent& e : s.Of("pitchwheel")) EXPECT_EQ(0, e.Numbers().at(1) % 128) << e.Rest;
         EXPECT_EQ(1, s.Count("pitchwheel", "1 8320"));
         EXPECT_EQ(0, s.Count("control", "1 100"));  // no RPN fine tuning
       }},
      {"chiptune-adventure.mml", "key change: the last notes a tone higher, drum keys untouched",
       [](const TSong& s) {
         EXPECT_EQ("0 86 127", s.LastNoteOn(0).Rest);
         EXPECT_EQ("2 38 127", s.LastNoteOn(2).Rest);
         EXPECT_EQ(6, s.Count("on", "9 49"));   // crashes by key number
         EXPECT_EQ(10, s.Count("on", "9 50"));  // the high tom of five fills
         EXPECT_GT(s.Count("on", "9 40"), 60);
         EXPECT_EQ((std::vector<std::string>{"Intro", "A", "B", "A", "A (up a tone)"}), s.Texts("marker"));
       }},

      {"music-box-lullaby.mml", "plays for 30 to 90 seconds", playsBetween30And90Seconds},
      {"music-box-lullaby.mml", "slows down over the last bars",
       [](const TSong& s) {
         EXPECT_EQ((std::vector<std::string>{"625000", "666666", "714285", "789473", "909090"}),
                   s.Texts("tempo"));
         EXPECT_EQ((std::vector<std::string>{"Goodnight"}), s.Texts("cue"));
       }},
      {"music-box-lullaby.mml", "the melody ends on a high F, the pad on a plain expression",
       [](const TSong& s) {
         EXPECT_EQ(89, s.LastNoteOn(0).Numbers().at(1));
         EXPECT_GT(s.Count("control", "2 11"), 100);
         EXPECT_EQ(1, s.Count("control", "2 11 80"));
       }},
  };

  std::map<std::string, TSong> songs;
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.Song) + ": " + c.What);
    if (!songs.count(c.Song)) {
      const auto [run, mid] = Compile(c.Song);
      ASSERT_EQ(0, run.Status) << run.Out;
      songs[c.Song] = Dump(mid);
    }
    c.Check(songs[c.Song]);
  }
}

}  // namespace
