// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "compiler/SourceCheckU.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "CompileTestSupport.h"
#include "common/TextCodec.h"

namespace {

using testing_support::kTestChords;

/// The text a mark covers.
std::string Marked(const std::string& utf8, const TCheckMark& mark) { return utf8.substr(mark.Start, mark.End - mark.Start); }

TEST(SourceCheck, MarksTheFirstErrorWithItsLogLine) {
  const struct {
    const char* Text;  // UTF-8, as an editor holds it
    const char* Marked;
    const char* Message;
  } cases[] = {
      {"c d\r\nあ e ?", "?", "停止:[Y2,X5]: ｢?｣ : 未定義のコマンド又は文法エラーです."},
      // The reading ran past the blanks and the line break; the mark stops at the command.
      {"c d o\r\n\r\n", "o", "停止:[Y3,X0]: ｢o｣ : パラメータの指定に誤りがあります."},
      {"c(XYZ)4 d", "c(XYZ)", "停止:[Y1,X6]: ｢c｣ : 未定義のコードネームです."},
      {"l4 e\nf %bogus", "%bogus", "停止:[Y2,X8]: ｢%bogus｣ : 未定義のコマンド又は文法エラーです."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Text);
    const TCheckOutcome outcome = CheckSource(c.Text, kTestChords);
    ASSERT_EQ(TCheckState::Error, outcome.State);
    EXPECT_EQ(c.Marked, Marked(c.Text, outcome.Error));
    EXPECT_EQ(c.Message, pelorund::Cp932ToUtf8(outcome.Error.Message));
    EXPECT_EQ(nullptr, outcome.Song);
  }
}

TEST(SourceCheck, MarksEveryWarningAndMapsTheSongToTheText) {
  const std::string text = "あ @ch20 c\r\nn200,4 d";
  const TCheckOutcome outcome = CheckSource(text, kTestChords);
  ASSERT_EQ(TCheckState::Ok, outcome.State);
  ASSERT_EQ(2u, outcome.Warnings.size());
  EXPECT_EQ("@ch20", Marked(text, outcome.Warnings[0]));
  EXPECT_EQ("注意:[Y1,X7]: ｢@ch｣ : 値が書き換えられました.  19  ->  15", pelorund::Cp932ToUtf8(outcome.Warnings[0].Message));
  EXPECT_EQ("n200,4", Marked(text, outcome.Warnings[1]));
  ASSERT_NE(nullptr, outcome.Song);
  ASSERT_EQ(3u, outcome.Song->Notes.size());
  // Offsets of the UTF-8 text: "あ" takes three bytes there, two in code page 932.
  EXPECT_EQ(text.find(" c") + 1, outcome.Song->Notes[0].Position);
  EXPECT_EQ(text.find('n'), outcome.Song->Notes[1].Position);
  EXPECT_EQ(text.find('d'), outcome.Song->Notes[2].Position);
  EXPECT_EQ("d", text.substr(outcome.Song->Spans.back().Start, outcome.Song->Spans.back().End - outcome.Song->Spans.back().Start));
}

TEST(SourceCheck, TextWithoutACodePage932FormIsMarkedByItsPlace) {
  const std::string text = "c d\r\ne 😀 f";
  const TCheckOutcome outcome = CheckSource(text, kTestChords);
  ASSERT_EQ(TCheckState::Unencodable, outcome.State);
  EXPECT_EQ(2, outcome.Place.Row);
  EXPECT_EQ(3, outcome.Place.Column);
  EXPECT_EQ("😀", Marked(text, outcome.Error));
}

TEST(SourceCheck, SongLengthInBarsBeatsAndSeconds) {
  const struct {
    const char* Text;
    int64_t Bars, Beats, Seconds;
  } cases[] = {
      {"", 0, 0, 0},
      {"t120 l1 c c c4", 2, 1, 4},     // 9 beats at 120: 4.5 s
      {"t60 l1 c t120 c", 2, 0, 6},    // 4 s, then 2 s
      {"%timebase 96 t120 l1 c", 1, 0, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Text);
    const TCheckOutcome outcome = CheckSource(c.Text, kTestChords);
    ASSERT_EQ(TCheckState::Ok, outcome.State);
    ASSERT_NE(nullptr, outcome.Song);
    const TSongLength length = SongLength(*outcome.Song);
    EXPECT_EQ(c.Bars, length.Bars);
    EXPECT_EQ(c.Beats, length.Beats);
    EXPECT_EQ(c.Seconds, length.Seconds);
  }
}

TEST(SourceCheck, ACancelledCheckReportsNothing) {
  std::atomic<bool> cancel{true};
  std::string text;
  for (int i = 0; i < 1000; ++i) text += "c16 ";
  EXPECT_EQ(TCheckState::Cancelled, CheckSource(text, kTestChords, &cancel).State);
}

/// Outcomes as the runner delivers them, waited for by generation.
class TDelivered {
 public:
  void Add(TCheckOutcome outcome) {
    std::lock_guard lock(mutex_);
    outcomes_.push_back(std::move(outcome));
    arrived_.notify_all();
  }
  /// Waits (generously) until the outcome of `generation` has arrived; all outcomes so far.
  std::vector<TCheckOutcome> WaitFor(uint64_t generation) {
    std::unique_lock lock(mutex_);
    arrived_.wait_for(lock, std::chrono::minutes(2), [&] {
      return std::any_of(outcomes_.begin(), outcomes_.end(), [&](const auto& o) { return o.Generation == generation; });
    });
    return outcomes_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable arrived_;
  std::vector<TCheckOutcome> outcomes_;
};

TEST(CheckRunner, ANewerTextCancelsTheCheckThatRuns) {
  TDelivered delivered;
  TCheckRunner runner([&](TCheckOutcome outcome) { delivered.Add(std::move(outcome)); }, kTestChords);
  // A source of some fifty million commands would keep a check busy for many seconds.
  const uint64_t slow = runner.Submit("[c64 r64 [r64]1000]10000");
  const uint64_t fast = runner.Submit("c d e");
  const std::vector<TCheckOutcome> outcomes = delivered.WaitFor(fast);
  ASSERT_FALSE(outcomes.empty());
  for (const TCheckOutcome& outcome : outcomes) EXPECT_NE(slow, outcome.Generation);
  EXPECT_EQ(fast, outcomes.back().Generation);
  EXPECT_EQ(TCheckState::Ok, outcomes.back().State);
  ASSERT_NE(nullptr, outcomes.back().Song);
  EXPECT_EQ(3u, outcomes.back().Song->Notes.size());
}

TEST(CheckRunner, CancelDropsTheWaitingCheckAndTheRunnerGoesOn) {
  TDelivered delivered;
  TCheckRunner runner([&](TCheckOutcome outcome) { delivered.Add(std::move(outcome)); }, kTestChords);
  const uint64_t dropped = runner.Submit("[c64 r64 [r64]1000]10000");
  runner.Cancel();
  const uint64_t next = runner.Submit("c");
  const std::vector<TCheckOutcome> outcomes = delivered.WaitFor(next);
  for (const TCheckOutcome& outcome : outcomes) EXPECT_NE(dropped, outcome.Generation);
  ASSERT_FALSE(outcomes.empty());
  EXPECT_EQ(next, outcomes.back().Generation);
}

}  // namespace
