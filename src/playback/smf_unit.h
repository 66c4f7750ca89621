// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <ostream>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "playback/midi_out.h"

// The playback side's Standard MIDI File: a reader over bytes and a song of tracks whose events
// send themselves to the player's MIDI output port.
namespace smf_unit {

/// A file that cannot be read as a Standard MIDI File; the message is code page 932.
class ESmfReadSMF : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TSmfCustomPlayer;

/// Checked reads over a byte span: a read past the end fails and leaves the position at the end.
class TByteReader {
 public:
  explicit TByteReader(std::span<const uint8_t> bytes) : bytes_(bytes) {}
  [[nodiscard]] size_t Position() const { return position_; }
  [[nodiscard]] size_t Size() const { return bytes_.size(); }
  /// Moves to `position`, or to the end when that lies beyond it.
  void Seek(uint64_t position) {
    position_ = position < bytes_.size() ? static_cast<size_t>(position) : bytes_.size();
  }
  /// One byte back; nothing at the start.
  void StepBack() {
    if (position_ > 0) --position_;
  }
  /// False at the end.
  bool ReadByte(uint8_t& value);
  /// Appends up to `count` bytes to `out`; false when fewer were there.
  bool ReadBytes(uint64_t count, std::vector<uint8_t>& out);

 private:
  std::span<const uint8_t> bytes_;
  size_t position_ = 0;
};

/// A variable-length quantity (32 bits wide, any number of bytes); `length` receives the bytes
/// consumed. False when the data ends inside it.
bool ReadVarLen(TByteReader& in, uint32_t& value, int& length);
/// Writes `value` (up to 28 bits) as a variable-length quantity; returns the bytes written (1-4).
int WriteVarLen(std::ostream& out, uint32_t value);
/// A big-endian 16-bit value in machine order.
constexpr uint16_t SwapWord(uint16_t value) {
  return std::endian::native == std::endian::big ? value : static_cast<uint16_t>((value >> 8) | (value << 8));
}
/// A big-endian 32-bit value in machine order.
constexpr uint32_t SwapLong(uint32_t value) {
  if constexpr (std::endian::native == std::endian::big) return value;
  return (value >> 24) | ((value >> 8) & 0xFF00u) | ((value << 8) & 0xFF0000u) | (value << 24);
}

/// One timed event of a track.
class TSmfEvent {
 public:
  virtual ~TSmfEvent() = default;
  /// Sends the event through the player's MIDI output now (meta events send nothing).
  virtual void Play() = 0;
  /// Reads the data bytes that follow the status byte; false when the data ends inside them.
  virtual bool ReadFrom(TByteReader& in) = 0;
  /// Writes the event in file form, status byte included; returns the bytes written.
  virtual int WriteTo(std::ostream& out) const = 0;

  uint8_t Status = 0;  // running status already applied
  uint8_t Port = 0;    // output port in force for this event
  int32_t Time = 0;    // absolute tick within its track
  TSmfCustomPlayer* Player = nullptr;
};

/// Channel events with two data bytes: note off, note on, key pressure, control change.
template <uint8_t Kind>
class TSmfTwoDataEvent : public TSmfEvent {
 public:
  void Play() override;
  bool ReadFrom(TByteReader& in) override { return in.ReadByte(Data1) && in.ReadByte(Data2); }
  int WriteTo(std::ostream& out) const override;
  uint8_t Data1 = 0;
  uint8_t Data2 = 0;
};

/// Channel events with one data byte: program change, channel pressure.
template <uint8_t Kind>
class TSmfOneDataEvent : public TSmfEvent {
 public:
  void Play() override;
  bool ReadFrom(TByteReader& in) override { return in.ReadByte(Data1); }
  int WriteTo(std::ostream& out) const override;
  uint8_t Data1 = 0;
};

using TSmfNoteOff = TSmfTwoDataEvent<0x80>;
using TSmfNoteOn = TSmfTwoDataEvent<0x90>;
using TSmfKeyPressure = TSmfTwoDataEvent<0xA0>;
using TSmfControlChange = TSmfTwoDataEvent<0xB0>;
using TSmfProgramChange = TSmfOneDataEvent<0xC0>;
using TSmfChannelPressure = TSmfOneDataEvent<0xD0>;

class TSmfPitchBend : public TSmfEvent {
 public:
  void Play() override;
  bool ReadFrom(TByteReader& in) override;
  int WriteTo(std::ostream& out) const override;
  int32_t Value = 0;  // 0-16383
};

/// System exclusive: F0 followed by its data, or an F7 escape whose data is sent as it stands.
class TSmfSysEx : public TSmfEvent {
 public:
  void Play() override;
  bool ReadFrom(TByteReader& in) override;
  int WriteTo(std::ostream& out) const override;
  std::vector<uint8_t> Data;  // everything after the length, normally ending with F7
};

class TSmfMeta : public TSmfEvent {
 public:
  void Play() override {}
  bool ReadFrom(TByteReader& in) override;
  int WriteTo(std::ostream& out) const override;
  /// The tempo in beats per minute of a tempo event; 0 when it is none or holds no usable value.
  [[nodiscard]] int TempoBpm() const;
  uint8_t MetaType = 0;
  std::vector<uint8_t> Data;
};

/// A list of events that owns them.
class TSmfTrack {
 public:
  [[nodiscard]] size_t Count() const { return events_.size(); }
  [[nodiscard]] TSmfEvent& Event(size_t index) const { return *events_.at(index); }
  void Add(std::unique_ptr<TSmfEvent> event) { events_.push_back(std::move(event)); }
  /// Takes every event of `other`, in order, to the end of this track.
  void TakeEvents(TSmfTrack& other);
  void Clear() { events_.clear(); }
  /// Stable sort on Time: events of equal time keep their order.
  void SortByTime();

 private:
  std::vector<std::unique_ptr<TSmfEvent>> events_;
};

/// A whole file: its tracks, format and time base.
class TSmfSong {
 public:
  /// `player` receives InitialTempo and is what the events play through; not owned.
  explicit TSmfSong(TSmfCustomPlayer* player) : Player(player) {}

  [[nodiscard]] size_t Count() const { return tracks_.size(); }
  [[nodiscard]] TSmfTrack& Track(size_t index) const { return *tracks_.at(index); }
  TSmfTrack& AddTrack();
  void Clear() { tracks_.clear(); }

  /// Clears the song and reads the bytes; ESmfReadSMF on bad data (the tracks read so far stay).
  void LoadFromStream(std::span<const uint8_t> bytes);
  /// Reads the whole file, then LoadFromStream; std::runtime_error when it cannot be read.
  void LoadFromFile(const std::filesystem::path& fileName);
  /// One time-ordered track of all events, track order first at equal times; Format 0.
  void MergeTracks();

  uint16_t TimeBase = 0;
  uint16_t Format = 0;
  TSmfCustomPlayer* Player;

 private:
  std::vector<std::unique_ptr<TSmfTrack>> tracks_;
};

/// Reads one file into a song.
class TSmfReadSMF {
 public:
  explicit TSmfReadSMF(TSmfSong& song) : Song(song) {}
  /// ReadHeader, then every declared track.
  void Read(TByteReader& in);
  void ReadHeader(TByteReader& in);
  void ReadTrack(TByteReader& in);

  TSmfSong& Song;
  uint16_t TrackCount = 0;
};

/// What every player has: the song and the MIDI output port the events play through.
class TSmfCustomPlayer {
 public:
  /// Without a factory the port reaches the system's devices.
  explicit TSmfCustomPlayer(TMidiBackendFactory factory = {});
  virtual ~TSmfCustomPlayer() = default;
  TSmfCustomPlayer(const TSmfCustomPlayer&) = delete;
  TSmfCustomPlayer& operator=(const TSmfCustomPlayer&) = delete;

  /// Closes the port's current device.
  void Close() { MidiOut.Close(); }

  TMidiOut MidiOut;  // declared first: destroyed after the song
  TSmfSong Song;
  /// Beats per minute of the first tempo event read, -1 when none.
  int32_t InitialTempo = -1;
};

}  // namespace smf_unit
