// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "playback/smf_unit.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>

#include "common/FileUtils.h"
#include "common/Format.h"
#include "playback/smf_unit_texts.h"

namespace smf_unit {

namespace {

void Put(std::ostream& out, uint8_t byte) { out.put(static_cast<char>(byte)); }

void PutBytes(std::ostream& out, const std::vector<uint8_t>& bytes) {
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

uint32_t BigEndian32(const uint8_t* bytes) {
  uint32_t value;
  std::memcpy(&value, bytes, sizeof value);
  return SwapLong(value);
}

uint16_t BigEndian16(const uint8_t* bytes) {
  uint16_t value;
  std::memcpy(&value, bytes, sizeof value);
  return SwapWord(value);
}

/// The event object for a status byte; nullptr for a status a track cannot hold (F1-FE but F7).
std::unique_ptr<TSmfEvent> MakeEvent(uint8_t status) {
  switch (status & 0xF0) {
    case 0x80:
      return std::make_unique<TSmfNoteOff>();
    case 0x90:
      return std::make_unique<TSmfNoteOn>();
    case 0xA0:
      return std::make_unique<TSmfKeyPressure>();
    case 0xB0:
      return std::make_unique<TSmfControlChange>();
    case 0xC0:
      return std::make_unique<TSmfProgramChange>();
    case 0xD0:
      return std::make_unique<TSmfChannelPressure>();
    case 0xE0:
      return std::make_unique<TSmfPitchBend>();
    default:
      break;
  }
  if (status == 0xF0 || status == 0xF7) return std::make_unique<TSmfSysEx>();
  if (status == 0xFF) return std::make_unique<TSmfMeta>();
  return nullptr;
}

}  // namespace

// --- reading helpers ---

bool TByteReader::ReadByte(uint8_t& value) {
  if (position_ >= bytes_.size()) return false;
  value = bytes_[position_++];
  return true;
}

bool TByteReader::ReadBytes(uint64_t count, std::vector<uint8_t>& out) {
  const size_t available = bytes_.size() - position_;
  const size_t taken = count < available ? static_cast<size_t>(count) : available;
  out.insert(out.end(), bytes_.begin() + static_cast<std::ptrdiff_t>(position_),
             bytes_.begin() + static_cast<std::ptrdiff_t>(position_ + taken));
  position_ += taken;
  return taken == count;
}

bool ReadVarLen(TByteReader& in, uint32_t& value, int& length) {
  value = 0;
  length = 0;
  uint8_t byte = 0;
  do {
    if (!in.ReadByte(byte)) return false;
    ++length;
    value = (value << 7) + (byte & 0x7Fu);  // 32 bits wide: longer quantities wrap
  } while (byte & 0x80);
  return true;
}

int WriteVarLen(std::ostream& out, uint32_t value) {
  value &= 0x0FFFFFFF;
  std::array<uint8_t, 4> groups{};
  int count = 0;
  do {
    groups[static_cast<size_t>(count++)] = static_cast<uint8_t>(value & 0x7F);
    value >>= 7;
  } while (value != 0);
  for (int i = count - 1; i >= 0; --i)
    Put(out, static_cast<uint8_t>(groups[static_cast<size_t>(i)] | (i ? 0x80 : 0)));
  return count;
}

// --- events ---

template <uint8_t Kind>
void TSmfTwoDataEvent<Kind>::Play() {
  if (Player) Player->MidiOut.SendMessage(Status, Data1, Data2, Port);
}

template <uint8_t Kind>
int TSmfTwoDataEvent<Kind>::WriteTo(std::ostream& out) const {
  Put(out, Status);
  Put(out, Data1);
  Put(out, Data2);
  return 3;
}

template <uint8_t Kind>
void TSmfOneDataEvent<Kind>::Play() {
  if (Player) Player->MidiOut.SendMessage(Status, Data1, 0, Port);
}

template <uint8_t Kind>
int TSmfOneDataEvent<Kind>::WriteTo(std::ostream& out) const {
  Put(out, Status);
  Put(out, Data1);
  return 2;
}

template class TSmfTwoDataEvent<0x80>;
template class TSmfTwoDataEvent<0x90>;
template class TSmfTwoDataEvent<0xA0>;
template class TSmfTwoDataEvent<0xB0>;
template class TSmfOneDataEvent<0xC0>;
template class TSmfOneDataEvent<0xD0>;

bool TSmfPitchBend::ReadFrom(TByteReader& in) {
  uint8_t low = 0, high = 0;
  if (!in.ReadByte(low) || !in.ReadByte(high)) return false;
  Value = high * 128 + low;
  return true;
}

void TSmfPitchBend::Play() {
  if (Player)
    Player->MidiOut.SendShort(Status + 256u * (Value & 0x7F) + 65536u * ((Value >> 7) & 0x7F), Port);
}

int TSmfPitchBend::WriteTo(std::ostream& out) const {
  Put(out, Status);
  Put(out, static_cast<uint8_t>(Value & 0x7F));
  Put(out, static_cast<uint8_t>((Value >> 7) & 0x7F));
  return 3;
}

bool TSmfSysEx::ReadFrom(TByteReader& in) {
  uint32_t length = 0;
  int lengthBytes = 0;
  // Only the bytes that are there are taken: a length beyond the file never allocates more.
  return ReadVarLen(in, length, lengthBytes) && in.ReadBytes(length, Data);
}

void TSmfSysEx::Play() {
  if (!Player) return;
  if (Status == 0xF7) {
    // An escape: its bytes go out exactly as they stand.
    if (!Data.empty()) Player->MidiOut.SendLong(Data, Port);
    return;
  }
  std::vector<uint8_t> buffer;
  buffer.reserve(Data.size() + 1);
  buffer.push_back(0xF0);
  buffer.insert(buffer.end(), Data.begin(), Data.end());
  Player->MidiOut.SendLong(buffer, Port);
}

int TSmfSysEx::WriteTo(std::ostream& out) const {
  Put(out, Status);
  const int lengthBytes = WriteVarLen(out, static_cast<uint32_t>(Data.size()));
  PutBytes(out, Data);
  return 1 + lengthBytes + static_cast<int>(Data.size());
}

bool TSmfMeta::ReadFrom(TByteReader& in) {
  uint32_t length = 0;
  int lengthBytes = 0;
  return in.ReadByte(MetaType) && ReadVarLen(in, length, lengthBytes) && in.ReadBytes(length, Data);
}

int TSmfMeta::WriteTo(std::ostream& out) const {
  if (MetaType == 0x2F) return 0;
  Put(out, 0xFF);
  Put(out, MetaType);
  const int lengthBytes = WriteVarLen(out, static_cast<uint32_t>(Data.size()));
  PutBytes(out, Data);
  return 2 + lengthBytes + static_cast<int>(Data.size());
}

int TSmfMeta::TempoBpm() const {
  if (MetaType != 0x51 || Data.size() < 3) return 0;
  const uint32_t microseconds = (uint32_t{Data[0]} << 16) | (uint32_t{Data[1]} << 8) | Data[2];
  return microseconds == 0 ? 0 : static_cast<int>(60000000u / microseconds);
}

// --- tracks and song ---

void TSmfTrack::TakeEvents(TSmfTrack& other) {
  events_.insert(events_.end(), std::make_move_iterator(other.events_.begin()),
                 std::make_move_iterator(other.events_.end()));
  other.events_.clear();
}

void TSmfTrack::SortByTime() {
  std::stable_sort(events_.begin(), events_.end(),
                   [](const std::unique_ptr<TSmfEvent>& a, const std::unique_ptr<TSmfEvent>& b) {
                     return a->Time < b->Time;
                   });
}

TSmfTrack& TSmfSong::AddTrack() {
  tracks_.push_back(std::make_unique<TSmfTrack>());
  return *tracks_.back();
}

void TSmfSong::LoadFromStream(std::span<const uint8_t> bytes) {
  Clear();
  TByteReader in(bytes);
  TSmfReadSMF reader(*this);
  reader.Read(in);
}

void TSmfSong::LoadFromFile(const std::filesystem::path& fileName) {
  const std::optional<std::string> bytes = pelorund::ReadFileBytes(fileName);
  if (!bytes) throw std::runtime_error(std::string(smf_unit_texts::kFileUnreadable) + fileName.string());
  LoadFromStream(std::span(reinterpret_cast<const uint8_t*>(bytes->data()), bytes->size()));
}

void TSmfSong::MergeTracks() {
  while (tracks_.size() > 1) {
    tracks_[0]->TakeEvents(*tracks_[1]);
    tracks_.erase(tracks_.begin() + 1);
  }
  Format = 0;
  for (auto& track : tracks_) track->SortByTime();
}

// --- reader ---

void TSmfReadSMF::Read(TByteReader& in) {
  ReadHeader(in);
  if (Song.Player) Song.Player->InitialTempo = -1;
  for (unsigned i = 0; i < TrackCount; ++i) ReadTrack(in);
}

void TSmfReadSMF::ReadHeader(TByteReader& in) {
  in.Seek(0);
  std::vector<uint8_t> header;
  if (!in.ReadBytes(14, header)) throw ESmfReadSMF(std::string(smf_unit_texts::kHeaderUnreadable));
  if (std::memcmp(header.data(), "MThd", 4) != 0)
    throw ESmfReadSMF(std::string(smf_unit_texts::kNotMidiFile));
  // The header's length is not looked at: the first track is expected at byte 14.
  Song.Format = BigEndian16(&header[8]);
  TrackCount = BigEndian16(&header[10]);
  Song.TimeBase = BigEndian16(&header[12]);
}

void TSmfReadSMF::ReadTrack(TByteReader& in) {
  TSmfTrack& track = Song.AddTrack();
  const int number = static_cast<int>(Song.Count()) - 1;
  std::vector<uint8_t> header;
  if (!in.ReadBytes(8, header) || std::memcmp(header.data(), "MTrk", 4) != 0)
    throw ESmfReadSMF(pelorund::Format(smf_unit_texts::kTrackHeaderBroken, number));
  const uint64_t end = uint64_t{in.Position()} + BigEndian32(&header[4]);

  int64_t time = 0;
  uint8_t runningStatus = 0;
  uint8_t port = 0;
  while (in.Position() < end) {
    uint32_t delta = 0;
    int deltaBytes = 0;
    uint8_t byte = 0;
    if (!ReadVarLen(in, delta, deltaBytes) || !in.ReadByte(byte)) break;  // cut off by the end of the file
    time = std::min<int64_t>(time + delta, std::numeric_limits<int32_t>::max());
    uint8_t status = byte;
    if (byte < 0x80) {
      // A data byte before any status cannot be framed: the rest of the chunk is skipped.
      if (runningStatus == 0) break;
      in.StepBack();
      status = runningStatus;
    }
    runningStatus = status;
    std::unique_ptr<TSmfEvent> event = MakeEvent(status);
    // F1-FE (but F7) have no length a reader could rely on: the rest of the chunk is skipped.
    if (!event) break;
    event->Player = Song.Player;
    event->Status = status;
    event->Time = static_cast<int32_t>(time);
    // An event cut off by the end of the file is dropped rather than played half-read.
    if (!event->ReadFrom(in)) break;
    TSmfEvent& added = *event;
    track.Add(std::move(event));
    if (status == 0xFF) {
      const auto& meta = static_cast<const TSmfMeta&>(added);
      if (meta.MetaType == 0x21 && !meta.Data.empty()) port = meta.Data[0];
      if (meta.MetaType == 0x2F) break;
      if (meta.MetaType == 0x51 && Song.Player && Song.Player->InitialTempo == -1 && meta.TempoBpm() > 0)
        Song.Player->InitialTempo = meta.TempoBpm();
    }
    added.Port = port;
  }
  in.Seek(end);
}

TSmfCustomPlayer::TSmfCustomPlayer(TMidiBackendFactory factory) : MidiOut(std::move(factory)), Song(this) {}

}  // namespace smf_unit
