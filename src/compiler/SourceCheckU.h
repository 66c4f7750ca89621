// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "common/DocumentEncoding.h"
#include "compiler/SourceMapU.h"

/// One place a check marks: the text of a command (UTF-8 offsets of the checked text) and the
/// log line about it (code page 932).
struct TCheckMark {
  size_t Start = 0;
  size_t End = 0;
  std::string Message;
};

enum class TCheckState {
  Ok,           // compiled (warnings allowed)
  Error,        // a command failed: Error marks it
  Unencodable,  // a character has no code page 932 form: Error marks it, Place names it
  Cancelled,    // stopped by a newer request
};

/// What a check of an editor's text found.
struct TCheckOutcome {
  uint64_t Generation = 0;
  TCheckState State = TCheckState::Ok;
  TCheckMark Error;
  pelorund::TTextPlace Place;  // Unencodable: row and column of the character
  std::vector<TCheckMark> Warnings;
  /// Ok: the song with its source map in UTF-8 offsets of the checked text; otherwise nullptr.
  std::shared_ptr<const TSourceMap> Song;
  double CheckMs = 0;  // time the check took on its thread
};

/// Compiles the UTF-8 text in memory (no file is read or written; no log file) with the chord
/// definitions `chordIni` (the bytes of a chord.ini), polling `cancel` when given.
TCheckOutcome CheckSource(std::string_view utf8, std::string_view chordIni, const std::atomic<bool>* cancel = nullptr);

/// Rewrites the offsets of a song compiled from the code page 932 form of `utf8` (TSourceText)
/// into offsets of `utf8`, the ends of its spans trimmed; false when `utf8` does not convert.
bool MapSongToText(TSourceMap& song, std::string_view utf8);

/// Song length for a status line: whole bars at 4/4 and the beats beyond them, and the time.
struct TSongLength {
  int64_t Bars = 0;
  int64_t Beats = 0;
  int64_t Seconds = 0;  // rounded down
};
/// The length of a compiled song, its time with the player's tempo rules.
TSongLength SongLength(const TSourceMap& song);

/// Runs checks one at a time on a thread of its own. A newer request cancels the check that
/// runs and replaces one that waits, so only the latest text is ever finished. Outcomes that were
/// cancelled are not delivered; `deliver` is called on the runner's thread.
class TCheckRunner {
 public:
  using TDeliver = std::function<void(TCheckOutcome)>;
  /// `chordIni`: the bytes of the chord definitions every check uses.
  TCheckRunner(TDeliver deliver, std::string chordIni);
  /// Cancels what runs and waits for the thread (at most one poll of the compile loop).
  ~TCheckRunner();
  TCheckRunner(const TCheckRunner&) = delete;
  TCheckRunner& operator=(const TCheckRunner&) = delete;

  /// Queues a check of `utf8`; returns its generation (rising from 1).
  uint64_t Submit(std::string utf8);
  /// Cancels the check that runs and drops one that waits; never waits itself.
  void Cancel();

 private:
  void Work(std::stop_token stop);

  TDeliver deliver_;
  std::string chordIni_;
  std::mutex mutex_;
  std::condition_variable_any wake_;
  std::optional<std::pair<uint64_t, std::string>> waiting_;
  uint64_t generation_ = 0;
  std::atomic<bool> cancelRunning_{false};
  std::jthread thread_;  // last: starts once everything above exists
};
