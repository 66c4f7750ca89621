// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "common/IniFile.h"

/// The SMF importer: reads a Standard MIDI File into sixteen per-channel event lists at 48 ticks per
/// quarter note (TSmf2Mml::Import) and writes them as MML text (MakeMml).
namespace smf2mmlU {

/// A file that cannot be imported at all (not an SMF, no usable time base, text too large).
class ESmf2Mml : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

/// The class of an event; every kind test names one exact class.
enum class TMmlKind : uint8_t {
  Dummy,
  NoteOn,
  NoteOff,
  KeyPressure,
  ControlChange,
  CCMod,
  CCVol,
  CCPan,
  CCExp,
  ProgramChange,
  ChannelPressure,
  PitchBend,
  Meta,
  Exclucive,
  Tempo,
};

class TMmlTextState;

/// One timed event of a channel.
class TMmlEvent {
 public:
  explicit TMmlEvent(TMmlKind kind) : Kind(kind) {}
  virtual ~TMmlEvent() = default;
  /// The event's MML text (possibly empty or holding CR LF); may update the generation state.
  virtual std::string ToMml(TMmlTextState& state) = 0;

  int64_t Time = 0;  // file ticks until RescaleTo48, then 48 per quarter note
  int64_t Gap = 0;   // ticks to the next event of the track; 0 for the last
  TMmlKind Kind;     // the event's own class
};

/// Start and end markers; system-common and real-time statuses.
class TMmlDummy : public TMmlEvent {
 public:
  TMmlDummy() : TMmlEvent(TMmlKind::Dummy) {}
  std::string ToMml(TMmlTextState& state) override;
};

class TMmlNoteOn : public TMmlEvent {
 public:
  TMmlNoteOn() : TMmlEvent(TMmlKind::NoteOn) {}
  std::string ToMml(TMmlTextState& state) override;
  uint8_t Note = 0;
  uint8_t Velocity = 0;
  int Octave = 0;
  uint8_t PitchClass = 0;
  int64_t Duration = 0;  // ticks until the next note-on or note-off of the key
};

/// A note-off of the file (gone after ComputeDurations) or a rest inserted by InsertRests.
class TMmlNoteOff : public TMmlEvent {
 public:
  TMmlNoteOff() : TMmlEvent(TMmlKind::NoteOff) {}
  std::string ToMml(TMmlTextState& state) override;
  uint8_t Note = 0;
  uint8_t Velocity = 0;
};

class TMmlKeyPressure : public TMmlEvent {
 public:
  TMmlKeyPressure() : TMmlEvent(TMmlKind::KeyPressure) {}
  std::string ToMml(TMmlTextState& state) override;
  uint8_t Note = 0;
  uint8_t Pressure = 0;
};

/// Any controller but 1, 7, 10 and 11, which have classes of their own.
class TMmlControlChange : public TMmlEvent {
 public:
  explicit TMmlControlChange(TMmlKind kind = TMmlKind::ControlChange) : TMmlEvent(kind) {}
  std::string ToMml(TMmlTextState& state) override;
  uint8_t Controller = 0;
  uint8_t Value = 0;
};

class TMmlCCMod : public TMmlControlChange {
 public:
  TMmlCCMod() : TMmlControlChange(TMmlKind::CCMod) {}
  std::string ToMml(TMmlTextState& state) override;
};

class TMmlCCVol : public TMmlControlChange {
 public:
  TMmlCCVol() : TMmlControlChange(TMmlKind::CCVol) {}
  std::string ToMml(TMmlTextState& state) override;
};

class TMmlCCPan : public TMmlControlChange {
 public:
  TMmlCCPan() : TMmlControlChange(TMmlKind::CCPan) {}
  std::string ToMml(TMmlTextState& state) override;
};

class TMmlCCExp : public TMmlControlChange {
 public:
  TMmlCCExp() : TMmlControlChange(TMmlKind::CCExp) {}
  std::string ToMml(TMmlTextState& state) override;
};

class TMmlProgramChange : public TMmlEvent {
 public:
  TMmlProgramChange() : TMmlEvent(TMmlKind::ProgramChange) {}
  std::string ToMml(TMmlTextState& state) override;
  uint8_t Program = 0;
};

class TMmlChannelPressure : public TMmlEvent {
 public:
  TMmlChannelPressure() : TMmlEvent(TMmlKind::ChannelPressure) {}
  std::string ToMml(TMmlTextState& state) override;
  uint8_t Pressure = 0;
};

class TMmlPitchBend : public TMmlEvent {
 public:
  TMmlPitchBend() : TMmlEvent(TMmlKind::PitchBend) {}
  std::string ToMml(TMmlTextState& state) override;
  uint8_t BendHigh = 0;
  uint8_t BendLow = 0;
};

/// A meta event other than tempo; Text holds at most 255 bytes.
class TMmlMeta : public TMmlEvent {
 public:
  TMmlMeta() : TMmlEvent(TMmlKind::Meta) {}
  std::string ToMml(TMmlTextState& state) override;
  uint8_t MetaType = 0;
  std::string Text;
  int Length = 0;  // bytes in Text
};

/// A system-exclusive message (F0); Data holds the bytes after F0, the closing F7 included.
class TMmlExclucive : public TMmlEvent {
 public:
  TMmlExclucive() : TMmlEvent(TMmlKind::Exclucive) {}
  std::string ToMml(TMmlTextState& state) override;
  std::string Data;
  int Length = 0;  // bytes in Data
};

class TMmlTempo : public TMmlEvent {
 public:
  TMmlTempo() : TMmlEvent(TMmlKind::Tempo) {}
  std::string ToMml(TMmlTextState& state) override;
  int Bpm = 0;  // beats per minute, 60000000 div the microseconds per quarter note
};

/// The time-ordered events of one MIDI channel; owns them.
class TMmlTrack {
 public:
  /// Number of events.
  [[nodiscard]] int Count() const { return static_cast<int>(Events.size()); }
  /// The event at `index`, or nullptr for an index outside the list.
  [[nodiscard]] TMmlEvent* Get(int index) const;
  /// Creates an event of `kind` at `time`, appends it and returns it.
  TMmlEvent* Add(int64_t time, TMmlKind kind);
  /// Frees and removes the event at `index`; an index outside the list does nothing.
  void Delete(int index);
  /// Frees and removes every event of `kind`, keeping the order of the others.
  void DeleteAll(TMmlKind kind);
  /// Frees every event.
  void Clear() { Events.clear(); }
  /// Stable sort on Time: events of equal time keep their order of insertion.
  void SortByTime();

  std::vector<std::unique_ptr<TMmlEvent>> Events;
};

/// One import: reads an SMF into sixteen per-channel event lists. Create one per import, set the
/// options, call Import, then MakeMml.
class TSmf2Mml {
 public:
  /// Reads the controller names from the program directory's controls.ini (missing: no names).
  TSmf2Mml();
  /// Reads the controller names from `controlsIni`; an empty path or a missing file gives no names.
  explicit TSmf2Mml(const std::filesystem::path& controlsIni);

  /// Reads the file and runs the passes. Throws ESmf2Mml (the message names the file) when it
  /// cannot be read or is no SMF; a damaged SMF gives what could be read, with Problems telling why.
  void Import(const std::filesystem::path& fileName);
  /// Import of the bytes of a file; ESmf2Mml messages then start with what is wrong.
  void ImportBytes(std::string_view bytes);

  // The passes, each over all sixteen tracks, in the order Import runs them.
  /// SortByTime on every track.
  void SortAll();
  /// Event times from file ticks to 48 ticks per quarter note, truncated.
  void RescaleTo48();
  /// Note durations up to the next note-on or note-off of the key; removes the note-offs.
  void ComputeDurations();
  /// Gap of every event but the last: the time to the next event.
  void ComputeGaps();
  /// Appends a rest of whole sixteenth notes after every note followed by 12 or more silent ticks.
  void InsertRests();

  /// EndTime in 48 ticks per quarter note, converted like the event times.
  [[nodiscard]] int64_t EndTime48() const;

  uint16_t TimeBase = 0;  // ticks per quarter note of the file
  int64_t EndTime = 0;    // the latest event time of any track chunk, in file ticks
  std::array<TMmlTrack, 16> Tracks;
  pelorund::TIniFile ControlNames;  // controller names: section "ControlChange", key = number

  // Options, set before Import.
  bool WriteBend = false;       // keep pitch bends (written as "y" commands)
  bool MixVolume = false;       // volume and expression as one combined "v"
  bool DirectVelocity = false;  // every note carries its velocity
  bool ReverseOctave = false;   // "<" raises the octave; the text declares "%octrev"

  /// Latest event time kept, in 48 ticks per quarter note: the longest song the compiler writes.
  int64_t MaxTime = 0x0FFFFFFF;
  /// Largest MML text MakeMml produces before it gives up with ESmf2Mml.
  size_t MaxTextSize = size_t{256} << 20;

  /// What the reader skipped or cut in a damaged file, one sentence each; empty for a sound file.
  std::vector<std::string> Problems;
  /// Number of events read from the file (markers and inserted rests not counted).
  size_t EventsRead = 0;

 private:
  void AddProblem(std::string text);
  /// Reads the events of one track chunk up to `end`; false when the data ran out.
  bool ReadTrackChunk(std::string_view bytes, size_t& pos, size_t end, int chunkNumber);
};

/// Generation state of MakeMml; reset at the start of every channel block.
class TMmlTextState {
 public:
  /// The options and controller names of `converter`, which must outlive the state.
  explicit TMmlTextState(const TSmf2Mml& converter);

  /// The values of a block start for channel index `track`.
  void Reset(int track);

  // Relative commands: each sets its state value and returns the text of the change (empty when
  // the value stays).
  /// "u+n" / "u-n" and CR LF; always empty with DirectVelocity.
  std::string VelocityCommand(int velocity);
  /// "v+n" / "v-n": the volume, or with MixVolume the combined volume.
  std::string VolumeCommand(int volume);
  /// "x+n" / "x-n", or with MixVolume "v+n" / "v-n" of the combined volume.
  std::string ExpressionCommand(int expression);
  /// "p+n" / "p-n".
  std::string PanCommand(int pan);
  /// "y+n" / "y-n" and CR LF; `bend` is -8192 to 8191 around the centre.
  std::string BendCommand(int bend);

  int CurTrack = 0;
  int CurOctave = 5;
  int CurVelocity = 127;
  int CurVolume = 127;
  int CurExpression = 100;
  int CurPan = 64;
  int CurBend = 0;
  int64_t LastNoteGap = 1;
  int64_t GateDiff = 0;

  bool MixVolume;
  bool DirectVelocity;
  bool ReverseOctave;
  const pelorund::TIniFile& ControlNames;

 private:
  [[nodiscard]] int CombinedVolume() const { return (CurVolume + 1) * (CurExpression + 1) / 128 - 1; }
};

/// The MML text of an imported converter (code page 932, CR LF); throws ESmf2Mml when it would
/// exceed the converter's MaxTextSize.
std::string MakeMml(TSmf2Mml& converter);

/// A step of `ticks` (48 per quarter note) in length notation: "4", "8.", "1^2", "*7".
std::string StepLength(int64_t ticks);
/// As StepLength, but 3, 6 and 9 ticks are written "*3", "*6", "*9".
std::string GateLength(int64_t ticks);
/// "r" and the StepLength of `ticks`; empty below 1 tick.
std::string RestText(int64_t ticks);

}  // namespace smf2mmlU
