// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <optional>
#include <string_view>
#include <vector>

namespace SmfU {
class TSmf;
class TSmfEvent;
}  // namespace SmfU

/// A source offset that names no text (a note the compiler wrote for no command of its own).
inline constexpr size_t kNoPosition = std::numeric_limits<size_t>::max();

/// One note of the compiled song as its file holds it, with the command that struck it.
struct TMappedNote {
  int64_t Start = 0;  // tick of the note-on
  int64_t End = 0;    // tick of its note-off (the song's end when none follows)
  int Channel = 0;    // 0-15
  int Key = 0;
  int Velocity = 0;
  int Track = 0;                // the track whose command struck it
  size_t Position = kNoPosition;  // source offset of that command's word
};

/// The time one note or rest command takes on its track, with the text of the command.
struct TNoteSpan {
  int64_t Tick = 0;
  int64_t Length = 0;  // the note's step
  int Track = 0;
  size_t Start = 0;  // the command's word
  size_t End = 0;    // just behind what the command read
};

/// From Tick on, the song plays at Bpm (as the player reads the tempo event).
struct TTempoChange {
  int64_t Tick = 0;
  int Bpm = 120;
};

/// The text of one command: from its word to where its reading stopped.
struct TSourceRange {
  size_t Start = 0;
  size_t End = 0;
};

/// Where the notes of a compiled song came from in its source, and the song's time line. The
/// compiler fills it only when one is attached (TCompiler::SourceMap); a note struck inside a
/// loop or a macro maps to the text that was running, so every pass maps to the same place.
class TSourceMap {
 public:
  /// Most entries recorded; a song beyond it is mapped in part (Truncated).
  static constexpr size_t kMaxEntries = 4'000'000;

  // --- recorded by the compiler ---
  /// A note-on written for the command whose word starts at `position`, on `track`.
  void AddNoteOn(const SmfU::TSmfEvent* event, size_t position, int track);
  /// The time a note or rest command took.
  void AddSpan(const TNoteSpan& span);
  /// After the file image was made from `smf` (sorted, overlaps merged): pairs its note events into
  /// Notes in file order, takes its tempo events, time base and end, and builds the look-ups.
  void Resolve(const SmfU::TSmf& smf);
  /// Rewrites every source offset through `map`, which must keep their order (e.g. into the
  /// offsets of the text an editor holds).
  void MapPositions(const std::function<size_t(size_t)>& map);
  /// Moves the end of every span back over the blanks and line breaks its command's reading
  /// skipped; `text` is the source the offsets now refer to.
  void TrimSpanEnds(std::string_view text);

  std::vector<TSourceRange> Warnings;  // one per warning line of the log, in its order
  std::optional<TSourceRange> Error;   // the command that stopped the compile

  // --- the song ---
  std::vector<TMappedNote> Notes;    // in the file's order of their note-ons
  std::vector<TNoteSpan> Spans;      // in compile order
  std::vector<TTempoChange> Tempos;  // in file order
  int TimeBase = 48;
  int64_t EndTick = 0;
  bool Truncated = false;

  // --- look-ups (valid after Resolve) ---
  /// The earliest tick of the note or rest command nearest before `position` (its word starting
  /// at or before it); nothing when no such command starts there or earlier.
  [[nodiscard]] std::optional<int64_t> TickAtPosition(size_t position) const;
  /// The track of that command (the first track that ran it).
  [[nodiscard]] std::optional<int> TrackAtPosition(size_t position) const;
  /// The note or rest command of `track` that lasts over `tick` (of several, the one started
  /// last); nullptr when there is none.
  [[nodiscard]] const TNoteSpan* SpanAt(int track, int64_t tick) const;
  /// Milliseconds from the start to `tick` as the player times them: the first tempo event's
  /// tempo from the start (120 when there is none or it is below 30), each tempo from its own tick.
  [[nodiscard]] double MillisecondsAt(int64_t tick) const;

 private:
  struct TPendingNote {
    const SmfU::TSmfEvent* Event;
    size_t Position;
    int Track;
  };
  void BuildIndex();

  std::vector<TPendingNote> pending_;
  std::vector<size_t> byPosition_;  // span indexes ordered by Start, then Tick
  std::vector<int> trackIds_;                 // the tracks that have spans, ascending
  std::vector<std::vector<size_t>> byTrack_;  // per entry of trackIds_: span indexes ordered by Tick
};
