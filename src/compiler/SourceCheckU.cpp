// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "compiler/SourceCheckU.h"

#include <algorithm>
#include <chrono>

#include "common/SourceText.h"
#include "compiler/CompilerU.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

/// A command's text as a mark: without the blanks and line breaks its reading skipped at the
/// end, and at least one character long.
TCheckMark MarkOf(std::string_view utf8, TSourceRange range, std::string message) {
  size_t start = std::min(range.Start, utf8.size());
  size_t end = std::clamp(range.End, start, utf8.size());
  while (end > start + 1 && IsBlank(utf8[end - 1])) --end;
  if (end == start) {
    if (start == utf8.size() && start > 0) --start;  // at the very end: the last character
    end = std::min(start + 1, utf8.size());
  }
  // Whole UTF-8 characters only.
  while (start > 0 && start < utf8.size() && (static_cast<unsigned char>(utf8[start]) & 0xC0) == 0x80) --start;
  while (end < utf8.size() && (static_cast<unsigned char>(utf8[end]) & 0xC0) == 0x80) ++end;
  return {start, end, std::move(message)};
}

}  // namespace

TCheckOutcome CheckSource(std::string_view utf8, std::string_view chordIni, const std::atomic<bool>* cancel) {
  const auto started = std::chrono::steady_clock::now();
  TCheckOutcome outcome;
  auto finish = [&]() -> TCheckOutcome {
    outcome.CheckMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
    return std::move(outcome);
  };

  pelorund::TSourceText text;
  if (!text.Convert(utf8)) {
    outcome.State = TCheckState::Unencodable;
    outcome.Place = text.BadPlace;
    outcome.Error = MarkOf(utf8, {text.BadOffset, text.BadOffset + 1}, {});
    return finish();
  }

  auto song = std::make_shared<TSourceMap>();
  TCompiler compiler;
  compiler.ChordIni.SetText(chordIni);
  compiler.SourceMap = song.get();
  compiler.Cancel = cancel;
  compiler.SetSource(text.Cp932());
  TFuncResult result;
  compiler.Run(result);
  if (compiler.Cancelled) {
    outcome.State = TCheckState::Cancelled;
    return finish();
  }
  song->MapPositions([&](size_t offset) { return text.Utf8Offset(offset); });
  song->TrimSpanEnds(utf8);
  // The log holds the banner, one line per warning in order, then the error or the end line.
  for (size_t i = 0; i < song->Warnings.size() && i + 1 < compiler.Log.size(); ++i)
    outcome.Warnings.push_back(MarkOf(utf8, song->Warnings[i], compiler.Log[i + 1]));
  if (!result.Ok) {
    outcome.State = TCheckState::Error;
    const TSourceRange place = song->Error.value_or(TSourceRange{compiler.CommandStart(), compiler.Scanner.Cursor});
    outcome.Error = MarkOf(utf8, place, result.Message);
    return finish();
  }
  outcome.Song = std::move(song);
  return finish();
}

bool MapSongToText(TSourceMap& song, std::string_view utf8) {
  pelorund::TSourceText text;
  if (!text.Convert(utf8)) return false;
  song.MapPositions([&](size_t offset) { return text.Utf8Offset(offset); });
  song.TrimSpanEnds(utf8);
  return true;
}

TSongLength SongLength(const TSourceMap& song) {
  TSongLength length;
  const int64_t beat = std::max(1, song.TimeBase);
  length.Bars = song.EndTick / (4 * beat);
  length.Beats = song.EndTick % (4 * beat) / beat;
  length.Seconds = static_cast<int64_t>(song.MillisecondsAt(song.EndTick) / 1000.0);
  return length;
}

TCheckRunner::TCheckRunner(TDeliver deliver, std::string chordIni)
    : deliver_(std::move(deliver)), chordIni_(std::move(chordIni)), thread_([this](std::stop_token stop) { Work(stop); }) {}

TCheckRunner::~TCheckRunner() {
  cancelRunning_ = true;
  thread_.request_stop();
  wake_.notify_all();
  thread_.join();
}

uint64_t TCheckRunner::Submit(std::string utf8) {
  std::lock_guard lock(mutex_);
  waiting_.emplace(++generation_, std::move(utf8));
  cancelRunning_ = true;
  wake_.notify_all();
  return generation_;
}

void TCheckRunner::Cancel() {
  std::lock_guard lock(mutex_);
  waiting_.reset();
  cancelRunning_ = true;
}

void TCheckRunner::Work(std::stop_token stop) {
  while (!stop.stop_requested()) {
    std::pair<uint64_t, std::string> job;
    {
      std::unique_lock lock(mutex_);
      if (!wake_.wait(lock, stop, [this] { return waiting_.has_value(); })) return;
      job = std::move(*waiting_);
      waiting_.reset();
      cancelRunning_ = false;  // under the lock: a Submit from here on cancels this job
    }
    TCheckOutcome outcome = CheckSource(job.second, chordIni_, &cancelRunning_);
    outcome.Generation = job.first;
    // A check that finished between two polls of a cancel is stale all the same.
    if (outcome.State != TCheckState::Cancelled && !cancelRunning_ && !stop.stop_requested()) deliver_(std::move(outcome));
  }
}
