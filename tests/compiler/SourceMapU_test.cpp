// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "compiler/SourceMapU.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cctype>
#include <filesystem>

#include "CompileTestSupport.h"
#include "common/FileUtils.h"
#include "compiler/CompilerU.h"

namespace {

namespace fs = std::filesystem;
using testing_support::TTestCompile;

/// A compile of `source` with a source map attached.
struct TMappedCompile {
  TTestCompile Run;
  TSourceMap Map;
  explicit TMappedCompile(const std::string& source) : Run(source) {
    Run.Compiler.SourceMap = &Map;
    Run.Run();
    EXPECT_TRUE(Run.Result.Ok) << source << ": " << Run.Result.Message;
  }
};

/// A note as "start-end key @position".
std::vector<std::string> NoteLines(const TSourceMap& map) {
  std::vector<std::string> lines;
  for (const TMappedNote& n : map.Notes) {
    lines.push_back(std::to_string(n.Start) + "-" + std::to_string(n.End) + " " + std::to_string(n.Key) + " @" +
                    (n.Position == kNoPosition ? std::string("none") : std::to_string(n.Position)));
  }
  return lines;
}

TEST(SourceMap, NotesMapToTheTextThatWroteThem) {
  const struct {
    const char* Source;
    std::vector<std::string> Notes;
  } cases[] = {
      {"c d", {"0-48 60 @0", "48-96 62 @2"}},
      // Every pass of a loop maps to the same text.
      {"c [d e]2 f", {"0-48 60 @0", "48-96 62 @3", "96-144 64 @5", "144-192 62 @3", "192-240 64 @5", "240-288 65 @9"}},
      // Through "|" the last pass leaves early.
      {"[c | d]2", {"0-48 60 @1", "48-96 62 @5", "96-144 60 @1"}},
      // A macro's notes map to its body, whichever call ran it.
      {"$m=c d; e $m $m", {"0-48 64 @8", "48-96 60 @3", "96-144 62 @5", "144-192 60 @3", "192-240 62 @5"}},
      // A tie keeps the first key sounding: one note, struck by the first command.
      {"c&d e", {"0-96 60 @0", "96-144 64 @4"}},
      // Chord tones come from the note command; the tone the writer merges away leaves no note.
      {"@C c(M7,P5)4", {"0-48 60 @3", "0-48 55 @3", "0-48 64 @3", "0-48 71 @3"}},
      // Percussion letters and key numbers.
      {"%setparc k,36 %parc k n40,4", {"0-48 36 @20", "48-96 40 @22"}},
      // A final tie is released at the end by the compiler itself.
      {"c4&", {"0-48 60 @0"}},
      // Muted notes write nothing.
      {"@mute c @muteoff d", {"48-96 62 @17"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Source);
    TMappedCompile compile(c.Source);
    EXPECT_EQ(c.Notes, NoteLines(compile.Map));
  }
}

TEST(SourceMap, ExampleSongsMapEveryNoteOfTheFileToANoteWord) {
  for (const auto& entry : fs::directory_iterator(fs::path(SOURCE_DIR) / "examples")) {
    if (entry.path().extension() != ".mml") continue;
    SCOPED_TRACE(entry.path().filename().string());
    const std::string text = pelorund::ReadFileBytes(entry.path()).value();

    TCompiler plain(fs::path(SOURCE_DIR) / "data" / "chord.ini");
    plain.SetSource(text);
    TFuncResult plainResult;
    plain.Run(plainResult);

    TCompiler mapped(fs::path(SOURCE_DIR) / "data" / "chord.ini");
    TSourceMap map;
    mapped.SourceMap = &map;
    mapped.SetSource(text);
    TFuncResult result;
    mapped.Run(result);
    ASSERT_TRUE(result.Ok) << result.Message;
    // The map changes nothing of the file.
    EXPECT_EQ(plain.SmfImage, mapped.SmfImage);

    size_t noteOns = 0;
    for (size_t i = 0; i < mapped.Smf.Count(); ++i) {
      const auto* on = dynamic_cast<const SmfU::TSmfNoteOn*>(&mapped.Smf.Event(i));
      if (on != nullptr && on->Velocity > 0) ++noteOns;
    }
    EXPECT_EQ(noteOns, map.Notes.size());
    for (const TMappedNote& note : map.Notes) {
      ASSERT_LT(note.Position, text.size());
      // A letter: a note, a key number or a percussion letter.
      EXPECT_TRUE(std::isalpha(static_cast<unsigned char>(text[note.Position])))
          << "note at tick " << note.Start << " maps to '" << text.substr(note.Position, 8) << "'";
      EXPECT_LE(note.Start, note.End);
    }
  }
}

TEST(SourceMap, TickAtPositionFindsTheNoteCommandBeforeIt) {
  // Offsets:            0         1         2         3
  //                     0123456789012345678901234567890123
  const std::string source = "$m=f4; t120 c4 d4 [e4]2 $m r4 g4";
  TMappedCompile compile(source);
  const struct {
    size_t Position;
    std::optional<int64_t> Tick;
  } cases[] = {
      {0, std::nullopt},  // before any note command
      {12, 0},            // on "c"
      {13, 0},            // inside "c4"
      {15, 48},           // on "d"
      {19, 96},           // on "e": the loop's first pass
      {3, 192},           // in the macro's body: its first call
      {24, 96},           // on "$m": the note before the call, as the body lies elsewhere
      {27, 240},          // on "r4": rests count
      {30, 288},          // on "g"
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Position);
    EXPECT_EQ(c.Tick, compile.Map.TickAtPosition(c.Position));
  }
}

TEST(SourceMap, SpanAtFollowsEachTrack) {
  //                         0         1         2
  //                         0123456789012345678901234567
  TMappedCompile compile("%track1 c4 d4 %track2 e2 r4 f4");
  TSourceMap& map = compile.Map;
  const struct {
    int Track;
    int64_t Tick;
    std::optional<size_t> Start;
  } cases[] = {
      {1, 0, 8}, {1, 47, 8}, {1, 48, 11}, {1, 96, std::nullopt},
      {2, 50, 22}, {2, 100, 25},  // the rest
      {2, 150, 28}, {2, 192, std::nullopt}, {3, 0, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.Track) + " at " + std::to_string(c.Tick));
    const TNoteSpan* span = map.SpanAt(c.Track, c.Tick);
    EXPECT_EQ(c.Start, span ? std::optional<size_t>(span->Start) : std::nullopt);
  }
  EXPECT_EQ(1, map.TrackAtPosition(12));
  EXPECT_EQ(2, map.TrackAtPosition(29));
  const TNoteSpan* d = map.SpanAt(1, 60);
  ASSERT_NE(nullptr, d);
  EXPECT_EQ(14u, d->End);  // the note looked past the blank for a "," or a tie
  compile.Map.TrimSpanEnds("%track1 c4 d4 %track2 e2 r4 f4");
  EXPECT_EQ(13u, d->End);
}

TEST(SourceMap, MillisecondsFollowThePlayersTempoRules) {
  const struct {
    const char* Source;
    int64_t Tick;
    double Ms;
  } cases[] = {
      {"c4", 48, 500},                 // no tempo: 120
      {"t60 c4 t120 c4", 96, 1500},    // each tempo from its tick
      {"c4 t60 c4", 96, 2000},         // the first tempo read rules from the start
      {"c4 t20 c4", 96, 3500},         // ...unless it is below 30: 120 until it is reached
      {"t120 c1 c1", 96, 1000},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Source);
    TMappedCompile compile(c.Source);
    EXPECT_NEAR(c.Ms, compile.Map.MillisecondsAt(c.Tick), 1e-6);
  }
}

TEST(SourceMap, WarningsAndTheErrorKeepTheirCommandsText) {
  //                0         1
  //                0123456789012345678
  TTestCompile run("@ch20 c n200,4 d %z");
  TSourceMap map;
  run.Compiler.SourceMap = &map;
  run.Run();
  ASSERT_FALSE(run.Result.Ok);
  ASSERT_EQ(2u, map.Warnings.size());
  EXPECT_EQ(0u, map.Warnings[0].Start);
  EXPECT_EQ(5u, map.Warnings[0].End);
  EXPECT_EQ(8u, map.Warnings[1].Start);
  EXPECT_EQ(15u, map.Warnings[1].End);  // the note looked past the blank for a tie
  ASSERT_TRUE(map.Error.has_value());
  EXPECT_EQ(17u, map.Error->Start);
  EXPECT_EQ(19u, map.Error->End);
  EXPECT_EQ(17u, run.Compiler.CommandStart());
}

TEST(CompileCancel, AFlagSetStopsTheCompileWithoutALogLine) {
  std::string source;
  for (int i = 0; i < 2000; ++i) source += "c16 ";
  std::atomic<bool> cancel{true};
  TTestCompile run(source);
  run.Compiler.Cancel = &cancel;
  run.Run();
  EXPECT_TRUE(run.Compiler.Cancelled);
  EXPECT_FALSE(run.Result.Ok);
  EXPECT_EQ(1u, run.Compiler.Log.size());  // the banner only
  EXPECT_TRUE(run.Compiler.SmfImage.empty());

  cancel = false;
  TTestCompile again(source);
  again.Compiler.Cancel = &cancel;
  again.Run();
  EXPECT_FALSE(again.Compiler.Cancelled);
  EXPECT_TRUE(again.Result.Ok);
  EXPECT_FALSE(again.Compiler.SmfImage.empty());
}

}  // namespace
