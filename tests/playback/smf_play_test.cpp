// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
//
// The player against a recording back end. The thread's step is driven by hand with a manual
// clock, so every expected time follows from the tempo map; nothing here depends on how fast
// the machine is.
#include "playback/smf_play.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "PlaybackTestSupport.h"

namespace {

using namespace playback_test;
using std::chrono::milliseconds;

/// Delta time 0 and an event's bytes: a shorthand for tracks with events at given deltas.
std::string At(uint32_t delta, const std::string& bytes) {
  std::string out;
  // Deltas below 2^14 are all these tests need.
  if (delta >= 0x80) out += static_cast<char>(0x80 | (delta >> 7));
  out += static_cast<char>(delta & 0x7F);
  return out + bytes;
}

std::string Tempo(uint32_t microseconds) { return B("\xFF\x51\x03") + Be(microseconds, 3); }
std::string Note(int key) { return B("\x90") + static_cast<char>(key) + B("\x64"); }
const std::string kEnd = B("\xFF\x2F\x00");

struct TTimed {
  long double Ms;     // when the message is due by the tempo map
  std::string Bytes;  // "90 3C 64"
};

class Player : public ::testing::Test {
 protected:
  void SetUp() override {
    recording_->Clock = [this] { return std::chrono::steady_clock::time_point(milliseconds(now_.load())); };
    player_.Open();
  }

  void Load(int division, const std::string& events) {
    player_.LoadFromStream(Bytes(Smf(0, division, {events})));
  }

  /// Steps the thread at every Period of the manual clock from `from` to `to` (inclusive).
  static void Run(TMidiThread& thread, std::atomic<uint32_t>& now, uint32_t from, uint32_t to) {
    for (uint32_t t = from; t <= to && !thread.StopRequested(); t += 5) {
      now = t;
      thread.Step();
    }
  }
  void Run(TMidiThread& thread, uint32_t from, uint32_t to) { Run(thread, now_, from, to); }

  /// Every message in order, each sent within a step period after its due time (and 2 ms for the
  /// truncation of a tempo change) but never before it.
  void ExpectTimes(const std::vector<TTimed>& expected) {
    const std::vector<TRecordedMessage> messages = recording_->Messages();
    ASSERT_EQ(expected.size(), messages.size()) << ::testing::PrintToString(Lines(messages));
    for (size_t i = 0; i < expected.size(); ++i) {
      SCOPED_TRACE("message " + std::to_string(i) + ": " + expected[i].Bytes);
      EXPECT_EQ(expected[i].Bytes, Hex(messages[i].Bytes));
      const auto ms = std::chrono::duration_cast<milliseconds>(messages[i].Time.time_since_epoch()).count();
      EXPECT_GE(ms, expected[i].Ms - 2);
      EXPECT_LT(ms, expected[i].Ms + 5 + 2);
    }
  }

  std::atomic<uint32_t> now_{0};
  std::shared_ptr<TMidiRecording> recording_ = std::make_shared<TMidiRecording>();
  TSmfPlayer player_{RecordingFactory(recording_), [this] { return now_.load(); }};
};

TEST_F(Player, MessagesFollowTheTempoMap) {
  const long double ms120 = 60000.0L / 120 / 48;  // 10.41666... ms per tick
  struct {
    const char* name;
    int division;
    std::string events;
    int32_t position;
    std::vector<TTimed> expected;
  } cases[] = {
      {"no tempo event plays at 120",
       48,
       At(0, Note(60)) + At(48, Note(62)) + At(48, Note(64)) + At(0, kEnd),
       0,
       {{0, "90 3C 64"}, {48 * ms120, "90 3E 64"}, {96 * ms120, "90 40 64"}}},
      {"a tempo change stretches only the later ticks",
       48,
       At(0, Tempo(500000)) + At(0, Note(60)) + At(48, Tempo(1000000)) + At(48, Note(62)) + At(48, Note(64)) +
           At(0, kEnd),
       0,
       {{0, "90 3C 64"}, {500 + 48 * 20.8333L, "90 3E 64"}, {500 + 96 * 20.8333L, "90 40 64"}}},
      {"a first tempo below 30 waits for its own tick",
       48,
       At(0, Note(60)) + At(48, Note(62)) + At(48, Tempo(3000000)) + At(48, Note(64)) + At(0, kEnd),
       0,
       {{0, "90 3C 64"}, {500, "90 3E 64"}, {1000 + 48 * 62.5L, "90 40 64"}}},
      {"seeking sends what set up the skipped part, not its notes",
       48,
       At(0, B("\xC0\x05")) + At(0, B("\xB0\x07\x40")) + At(0, Note(60)) + At(24, B("\xB0\x07\x50")) +
           At(0, B("\xB0\x65\x00")) + At(0, B("\xB0\x65\x00")) + At(0, B("\xE0\x00\x50")) + At(24, Note(62)) +
           At(48, Note(64)) + At(0, kEnd),
       48,
       {{0, "C0 05"},
        {0, "B0 07 50"},
        {0, "B0 65 00"},
        {0, "B0 65 00"},
        {0, "E0 00 50"},
        {0, "90 3E 64"},
        {48 * ms120, "90 40 64"}}},
      {"seeking applies the tempo in force there",
       48,
       At(0, Tempo(1000000)) + At(0, Note(60)) + At(48, Note(62)) + At(48, Note(64)) + At(0, kEnd),
       48,
       {{0, "90 3E 64"}, {48 * 20.8333L, "90 40 64"}}},
      {"beyond the last event the song ends at once", 48, At(0, Note(60)) + At(48, kEnd), 1000, {}},
      {"a time base of 0 plays 5.2 ms per tick",
       0,
       At(0, Note(60)) + At(10, Note(62)) + At(0, kEnd),
       0,
       {{0, "90 3C 64"}, {52, "90 3E 64"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    recording_->Clear();
    Load(c.division, c.events);
    player_.Position = c.position;
    player_.Playing = true;
    now_ = 0;
    TMidiThread thread(player_);
    Run(thread, 0, 10000);
    ExpectTimes(c.expected);
    EXPECT_FALSE(player_.Playing);  // the natural end
    EXPECT_TRUE(thread.StopRequested());
  }
}

TEST_F(Player, PositionMovesOnWithoutAJumpAcrossATempoChange) {
  Load(48, At(0, Tempo(500000)) + At(0, Note(60)) + At(48, Tempo(1000000)) + At(96, kEnd));
  TMidiThread thread(player_);
  int32_t last = 0;
  for (uint32_t t = 0; t <= 3000 && !thread.StopRequested(); t += 5) {
    now_ = t;
    thread.Step();
    const int32_t position = player_.Position;
    ASSERT_GE(position, last) << "at " << t << " ms";
    ASSERT_LE(position - last, 1) << "at " << t << " ms";  // 5 ms are less than a tick at both tempos
    last = position;
  }
  EXPECT_EQ(144, last);
  EXPECT_EQ(60, player_.Tempo);
}

TEST_F(Player, ATempoWrittenWhilePlayingTakesEffectAtTheNextEvent) {
  Load(48, At(0, Note(60)) + At(48, Note(62)) + At(48, Note(64)) + At(0, kEnd));
  TMidiThread thread(player_);
  Run(thread, 0, 100);
  player_.Tempo = 60;
  Run(thread, 105, 5000);
  // The note due at tick 48 (500 ms at 120) comes then; from there a tick lasts twice as long.
  ExpectTimes({{0, "90 3C 64"}, {500, "90 3E 64"}, {500 + 48 * 20.8333L, "90 40 64"}});
}

TEST_F(Player, EventsDueLongAgoAreDroppedAfterAStall) {
  std::string events;
  for (int i = 0; i <= 8; ++i) events += At(i ? 12 : 0, Note(60 + i));
  Load(48, events + At(0, kEnd));
  TMidiThread thread(player_);
  Run(thread, 0, 0);
  now_ = 1000;  // half a second and more without a step
  thread.Step();
  // At 1000 ms: tick 60 is 375 ms late (dropped), tick 72 is 250 ms late (sent).
  EXPECT_EQ((std::vector<std::string>{"90 3C 64", "90 42 64", "90 43 64", "90 44 64"}),
            Lines(recording_->Messages()));
}

TEST_F(Player, LengthAndEmptySongs) {
  Load(48, At(0, Note(60)) + At(1920, kEnd));
  EXPECT_EQ(1920, player_.GetLength());
  player_.LoadFromStream(Bytes(Header(0, 0, 48)));
  EXPECT_EQ(0, player_.GetLength());
  player_.Play();
  EXPECT_FALSE(player_.Playing);
  EXPECT_EQ(nullptr, player_.Thread);
  EXPECT_THROW(player_.LoadFromStream(Bytes("MThd")), smf_unit::ESmfReadSMF);
  EXPECT_EQ(0u, player_.Song.Count());  // a half-read song is not kept
}

TEST_F(Player, PlayWhilePlayingChangesNothing) {
  Load(48, At(0, Note(60)) + At(48, Note(62)) + At(0, kEnd));
  player_.Play();  // the manual clock stands still: the song cannot end by itself
  ASSERT_TRUE(player_.Playing);
  const TMidiThread* first = player_.Thread.get();
  player_.Play();
  EXPECT_EQ(first, player_.Thread.get());
  player_.Stop();
  EXPECT_FALSE(player_.Playing);
  EXPECT_EQ(nullptr, player_.Thread);
}

TEST_F(Player, OpenReportsADeviceThatCannotBeOpened) {
  player_.Close();
  recording_->FailOpen = true;
  try {
    player_.Open();
    FAIL() << "no exception";
  } catch (const ESmfPlayer& error) {
    EXPECT_EQ(Cp932("MIDIポートが開けません。"), error.what());
  }
}

/// A player whose clock runs a millisecond further at every reading, so its thread keeps sending.
class RunningPlayer : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string events;
    for (int i = 0; i < 4000; ++i) events += At(1, Note(36 + i % 60));
    player_.LoadFromStream(Bytes(Smf(0, 480, {events + At(0, kEnd)})));
    player_.Open();
  }
  /// Waits until the thread has sent at least `count` messages (false after 10 s).
  bool WaitForMessages(size_t count) {
    for (int i = 0; i < 1000; ++i) {
      if (recording_->Messages().size() >= count) return true;
      std::this_thread::sleep_for(milliseconds(10));
    }
    return false;
  }

  std::atomic<uint32_t> clock_{0};
  std::shared_ptr<TMidiRecording> recording_ = std::make_shared<TMidiRecording>();
  TSmfPlayer player_{RecordingFactory(recording_), [this] { return clock_.fetch_add(1) + 1; }};
};

TEST_F(RunningPlayer, StopSendsNothingAfterItsAllNotesOff) {
  player_.Play();
  ASSERT_TRUE(WaitForMessages(50));
  player_.Stop();
  const std::vector<std::string> after = Lines(recording_->Messages());
  ASSERT_GE(after.size(), 16u);
  for (int channel = 0; channel < 16; ++channel) {
    SCOPED_TRACE(channel);
    EXPECT_EQ(Hex({static_cast<uint8_t>(0xB0 + channel), 0x7B, 0x00}), after[after.size() - 16 + channel]);
  }
  std::this_thread::sleep_for(milliseconds(30));
  EXPECT_EQ(after.size(), recording_->Messages().size());
}

TEST_F(RunningPlayer, LoadingOrDestroyingWhilePlayingIsSafe) {
  player_.Play();
  ASSERT_TRUE(WaitForMessages(20));
  player_.LoadFromStream(Bytes(Smf(0, 48, {At(0, Note(60)) + At(0, kEnd)})));
  EXPECT_FALSE(player_.Playing);
  EXPECT_EQ(nullptr, player_.Thread);
  EXPECT_EQ(1u, player_.Song.Count());

  auto other =
      std::make_unique<TSmfPlayer>(RecordingFactory(recording_), [this] { return clock_.fetch_add(1) + 1; });
  other->LoadFromStream(Bytes(Smf(0, 480, {At(0, Note(60)) + At(30000, kEnd)})));
  other->Open();
  other->Play();
  other.reset();  // joins its thread before the song and the port go
}

}  // namespace
