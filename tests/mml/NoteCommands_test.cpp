// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "CompileTestSupport.h"
#include "common/TextCodec.h"

namespace {

using testing_support::CompileEvents;
using testing_support::TTestCompile;
using Lines = std::vector<std::string>;

using testing_support::TEventCase;

TEST(Notes, LettersAccidentalsAndOctaves) {
  const TEventCase cases[] = {
      {"c", {"0 on 60 127", "48 off 60"}},
      {"c-", {"0 on 59 127", "48 off 59"}},
      {"b+", {"0 on 72 127", "48 off 72"}},
      {"e--", {"0 on 62 127", "48 off 62"}},
      {"o9 g+", {"0 on 127 127", "48 off 127"}},  // clamped to the top key
      {"o=-1 c", {"0 on 1 127", "48 off 1"}},     // clamped to the lowest
      {"o4 > c", {"0 on 72 127", "48 off 72"}},
      {"o4 < c", {"0 on 48 127", "48 off 48"}},
      {"o4 O+1 c", {"0 on 72 127", "48 off 72"}},
      {"o4 O +1 c", {"0 on 24 127", "48 off 24"}},  // a sign after a blank belongs to the number
      {"o4 O-3 c", {"0 on 24 127", "48 off 24"}},
      {"o5 O? o2 O! c", {"0 on 72 127", "48 off 72"}},
      {"C D", {"0 on 60 127", "48 off 60", "48 on 62 127", "96 off 62"}},
  };
  testing_support::ExpectEventCases(cases);
}

TEST(Notes, LengthsRestsGatesAndVelocities) {
  const TEventCase cases[] = {
      {"c8 r8 d4.", {"0 on 60 127", "24 off 60", "48 on 62 127", "120 off 62"}},
      {"l8 c c", {"0 on 60 127", "24 off 60", "24 on 60 127", "48 off 60"}},
      {"c8,,100", {"0 on 60 100", "48 off 60"}},  // a gate without digits is one default length
      {"c4,8,200", {"0 on 60 127", "24 off 60"}},
      {"c4,*0", {"0 on 60 127", "0 off 60"}},
      {"c*", {"0 on 60 127", "0 off 60"}},  // no earlier step: length 0
      {"c4 d* e*", {"0 on 60 127", "48 off 60", "48 on 62 127", "96 off 62", "96 on 64 127", "144 off 64"}},
      {"r8_4 c", {"-24 on 60 127", "24 off 60"}},  // a negative rest moves the track back
      {"N60,4", {"0 on 60 127", "48 off 60"}},
      {"o2 N60,4", {"0 on 60 127", "48 off 60"}},
      {"c4,,0", {"0 on 60 0", "48 off 60"}},
  };
  testing_support::ExpectEventCases(cases);
}

TEST(Notes, TiesAndGlides) {
  const TEventCase cases[] = {
      {"c&c", {"0 on 60 127", "96 off 60"}},
      {"c &c", {"0 on 60 127", "96 off 60"}},
      {"c&d", {"0 on 60 127", "48 bend 16383", "96 off 60"}},
      {"c&d e", {"0 on 60 127", "48 bend 16383", "96 off 60", "96 bend 8192", "96 on 64 127", "144 off 64"}},
      {"c4 r4 & d4", {"0 on 60 127", "48 off 60", "96 on 62 127", "144 off 62"}},
      {"c4& r4 d4", {"0 on 60 127", "96 bend 16383", "144 off 60"}},
      {"c& d-", {"0 on 60 127", "48 bend 12288", "96 off 60"}},
  };
  testing_support::ExpectEventCases(cases);
}

TEST(Notes, GlideBendsOverThePreviousNote) {
  const Lines events = CompileEvents("c~d");
  ASSERT_EQ(49u, events.size());  // the note-on, 47 bends, the note-off
  EXPECT_EQ("0 on 60 127", events[0]);
  EXPECT_EQ("1 bend 8366", events[1]);  // 8192 + round(8192 / 47)
  EXPECT_EQ("46 bend 16210", events[46]);
  EXPECT_EQ("47 bend 16383", events[47]);  // the target, clamped
  EXPECT_EQ("96 off 60", events.back());
}

TEST(Notes, EachGlideStartsFromTheBendOfTheNoteItLeaves) {
  const Lines events = CompileEvents("c~d e~f");
  const auto second = std::find(events.begin(), events.end(), "96 on 64 127");
  ASSERT_NE(events.end(), second);
  EXPECT_EQ("96 bend 8192", *(second - 1));  // the new chain starts at the centre
  EXPECT_EQ("97 bend 8279", *(second + 1));  // 8192 + round(4096 / 47)
}

TEST(Notes, Chords) {
  const TEventCase cases[] = {
      {"@C c(M7)", {"0 on 60 127", "0 on 64 127", "0 on 67 127", "0 on 71 127",
                    "48 off 60", "48 off 64", "48 off 67", "48 off 71"}},
      // The bass sounds first; the writer merges the second strike of key 60.
      {"@C c(M7,P5)", {"0 on 60 127", "0 on 55 127", "0 on 64 127", "0 on 71 127",
                       "48 off 55", "48 off 60", "48 off 64", "48 off 71"}},
      {"@C c()", {"0 on 60 127", "0 on 64 127", "0 on 67 127", "48 off 60", "48 off 64", "48 off 67"}},
      {"c(M7)", {"0 on 60 127", "48 off 60"}},
      {"c(M7) @C d", {"0 on 60 127", "48 off 60", "48 on 62 127", "48 on 66 127", "48 on 69 127",
                      "48 on 73 127", "96 off 62", "96 off 66", "96 off 69", "96 off 73"}},
      {"@C o9 c(M7)", {"0 on 120 127", "0 on 124 127", "0 on 127 127", "48 off 120", "48 off 124", "48 off 127"}},
      {"@C c(m)4 @CS d", {"0 on 60 127", "0 on 63 127", "0 on 67 127", "48 off 60", "48 off 63", "48 off 67",
                          "48 on 62 127", "96 off 62"}},
  };
  testing_support::ExpectEventCases(cases);
}

TEST(Notes, Errors) {
  const struct {
    const char* Source;
    const char* Message;
  } cases[] = {
      {"N60", "ノート番号後はカンマを指定してください"},
      {"N,4", "パラメータの指定に誤りがあります."},
      {"c(XYZ)", "未定義のコードネームです."},
      {"c(m7)%x", "未定義のコマンド又は文法エラーです."},
      {"c(MAJ7)", "未定義のコードネームです."},
      {"c(m7 ,)", "ベース音の指定に誤りがあります."},  // an empty bass name is no interval
      {"c(M7,Q9)", "ベース音の指定に誤りがあります."},
      {"@C c&d", "コード表記中は他のノートと接続できません."},
      {"c4,4,", "パラメータの指定に誤りがあります."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Source);
    TTestCompile run(c.Source);
    run.Run();
    EXPECT_FALSE(run.Result.Ok);
    const std::string message = pelorund::Cp932ToUtf8(run.Result.Message);
    EXPECT_NE(std::string::npos, message.find(c.Message)) << message;
  }
}

}  // namespace

namespace {

TEST(Notes, VelocityOffsetsAreTakenOnePerNoteAlsoByConnectedNotes) {
  TTestCompile run("c c&c c c");
  TTrackListItem& track = *run.Compiler.Tracks.GetTrack(0);
  for (int offset : {10, -10, -20, -200}) track.VelocityOffsets.Add(offset);
  run.Run();
  // 127+10 clamps to 127; the tied note uses up -20 without striking; -200 clamps to 0.
  EXPECT_EQ((Lines{"0 on 60 127", "48 off 60", "48 on 60 117", "144 off 60", "144 on 60 0", "192 off 60",
                   "192 on 60 127", "240 off 60"}),
            run.EventLines());
}

TEST(Notes, MutedTrackKeepsTimeAndBendsButWritesNoNotes) {
  TTestCompile run("c4&d4 e4");
  run.Compiler.Tracks.GetTrack(0)->Mute = true;
  run.Run();
  EXPECT_EQ((Lines{"48 bend 16383", "96 bend 8192"}), run.EventLines());
  EXPECT_EQ(144, run.Compiler.Tracks.GetTrack(0)->Tick);
}

}  // namespace
