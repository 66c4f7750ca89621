// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

/// The compiler's event list and the writer of the Standard MIDI File (format 0, one track).
namespace SmfU {

/// Largest delta time (and so tick) that four bytes of a variable-length quantity hold.
inline constexpr int64_t kMaxDeltaTime = 0x0FFFFFFF;

/// Appends `value` as a variable-length quantity; values above kMaxDeltaTime are written as it.
void WriteVarLen(std::vector<uint8_t>& out, int64_t value);

class TSmfEvent {
 public:
  TSmfEvent(int64_t tick, uint8_t status) : Tick(tick), Status(status) {}
  virtual ~TSmfEvent() = default;
  /// Appends the event's bytes (never the delta time); returns how many were written.
  virtual size_t WriteTo(std::vector<uint8_t>& out) const = 0;

  int64_t Tick;
  uint8_t Status;
};

class TSmfNoteOn : public TSmfEvent {
 public:
  TSmfNoteOn(int64_t tick, int channel, int note, int velocity);
  size_t WriteTo(std::vector<uint8_t>& out) const override;
  uint8_t Note;
  uint8_t Velocity;
};

class TSmfNoteOff : public TSmfEvent {
 public:
  TSmfNoteOff(int64_t tick, int channel, int note);
  size_t WriteTo(std::vector<uint8_t>& out) const override;
  uint8_t Note;
  uint8_t Velocity = 0;
};

class TSmfProgramChange : public TSmfEvent {
 public:
  TSmfProgramChange(int64_t tick, int channel, int program);
  size_t WriteTo(std::vector<uint8_t>& out) const override;
  uint8_t Program;
};

class TSmfControlChange : public TSmfEvent {
 public:
  TSmfControlChange(int64_t tick, int channel, int controller, int value);
  size_t WriteTo(std::vector<uint8_t>& out) const override;
  uint8_t Controller;
  uint8_t Value;
};

class TSmfPitchBend : public TSmfEvent {
 public:
  TSmfPitchBend(int64_t tick, int channel, int value);
  /// Writes Value clamped into 0..16383.
  size_t WriteTo(std::vector<uint8_t>& out) const override;
  int Value;
};

/// Events whose bytes are kept as they are written (system exclusive, meta).
class TSmfDirect : public TSmfEvent {
 public:
  using TSmfEvent::TSmfEvent;
  size_t WriteTo(std::vector<uint8_t>& out) const override;
  std::vector<uint8_t> Data;
};

class TSmfSysEx : public TSmfDirect {
 public:
  /// `body` is the message between 0xF0 and 0xF7; Data becomes body + 0xF7.
  TSmfSysEx(int64_t tick, std::vector<uint8_t> body);
  size_t WriteTo(std::vector<uint8_t>& out) const override;
};

class TSmfMeta : public TSmfDirect {
 public:
  TSmfMeta(int64_t tick, uint8_t metaType, std::string_view data);
  size_t WriteTo(std::vector<uint8_t>& out) const override;
  uint8_t MetaType;
};

class TSmfTempo : public TSmfMeta {
 public:
  /// Microseconds per quarter note = 60000000 div bpm, at most 0xFFFFFF (what three bytes hold).
  TSmfTempo(int64_t tick, int bpm);
  int Bpm;
};

class TSmf {
 public:
  /// Ticks per quarter note, written as the header's division.
  int TimeBase = 48;
  /// The largest tick of any event added so far; the end-of-track event stands here.
  int64_t EndTick = 0;
  /// Per channel and key: 0 silent, 1 sounding, 2 sounding with one note-on swallowed.
  std::array<std::array<uint8_t, 128>, 16> NoteState{};

  // Each Add operation raises EndTick to the tick, appends its event and returns it. Channels are
  // 0..15; data bytes are stored as given (callers clamp them to 0..127).

  /// A note-on of `note` with `velocity`.
  TSmfEvent* AddNoteOn(int64_t tick, int channel, int note, int velocity);
  /// A note-off of `note`, velocity 0.
  TSmfEvent* AddNoteOff(int64_t tick, int channel, int note);
  /// A control change.
  TSmfEvent* AddControlChange(int64_t tick, int channel, int controller, int value);
  /// A program change carrying the low 8 bits of `program`.
  TSmfEvent* AddProgramChange(int64_t tick, int channel, int program);
  /// A pitch bend; the value (8192 is the centre) is clamped to 14 bits only when written.
  TSmfEvent* AddPitchBend(int64_t tick, int channel, int value);
  /// A tempo meta event for `bpm` beats per minute.
  TSmfEvent* AddTempo(int64_t tick, int bpm);
  /// A system-exclusive message; `body` is what stands between 0xF0 and 0xF7.
  TSmfEvent* AddSysEx(int64_t tick, std::vector<uint8_t> body);
  /// A meta event of `metaType` holding the bytes of `text`.
  TSmfEvent* AddMeta(int64_t tick, uint8_t metaType, std::string_view text);

  /// Number of events in the list.
  [[nodiscard]] size_t Count() const { return events_.size(); }
  /// The event at `index` (0..Count()-1) in the list's current order.
  [[nodiscard]] const TSmfEvent& Event(size_t index) const { return *events_[index]; }
  /// Frees every event and resets EndTick and NoteState; TimeBase stays.
  void Clear();

  /// Stable sort by tick; events of one tick keep the order in which they were added.
  void SortByTick();
  /// One pass merging a key struck again while it sounds (see NoteState).
  void RemoveOverlaps();

  /// Sorts, cleans overlaps twice and returns the whole file; empty when there is no event.
  std::vector<uint8_t> SaveToBytes();
  /// Writes the file's bytes to the stream (nothing when there is no event).
  void SaveToStream(std::ostream& out);
  /// Replaces the file atomically; writes nothing, and returns false, when there is no event.
  /// Throws std::runtime_error naming the file when it cannot be written.
  bool SaveToFile(const std::filesystem::path& fileName);

 private:
  TSmfEvent* Append(std::unique_ptr<TSmfEvent> event);
  std::vector<std::unique_ptr<TSmfEvent>> events_;
};

}  // namespace SmfU
