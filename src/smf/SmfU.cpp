// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "smf/SmfU.h"

#include <algorithm>
#include <string_view>
#include <utility>

#include "common/FileUtils.h"

namespace SmfU {

namespace {

constexpr uint8_t kNoteOff = 0x80;
constexpr uint8_t kNoteOn = 0x90;
constexpr uint8_t kProgramChange = 0xC0;
constexpr uint8_t kControlChange = 0xB0;
constexpr uint8_t kPitchBend = 0xE0;
constexpr uint8_t kSysEx = 0xF0;
constexpr uint8_t kSysExEnd = 0xF7;
constexpr uint8_t kMeta = 0xFF;
constexpr uint8_t kMetaTempo = 0x51;
constexpr uint8_t kMetaEndOfTrack = 0x2F;
constexpr int64_t kMaxTempo = 0xFFFFFF;  // microseconds per quarter note in three bytes

uint8_t ChannelStatus(uint8_t kind, int channel) {
  return static_cast<uint8_t>(kind | (channel & 0x0F));
}

// Data bytes keep the low 8 bits; the callers have already clamped them to 0..127.
uint8_t Low8(int value) { return static_cast<uint8_t>(value & 0xFF); }

void PutBigEndian(std::vector<uint8_t>& out, uint64_t value, int bytes) {
  for (int shift = (bytes - 1) * 8; shift >= 0; shift -= 8) {
    out.push_back(static_cast<uint8_t>((value >> shift) & 0xFF));
  }
}

void PatchBigEndian32(std::vector<uint8_t>& out, size_t at, uint64_t value) {
  for (int i = 0; i < 4; ++i) {
    out[at + i] = static_cast<uint8_t>((value >> (24 - 8 * i)) & 0xFF);
  }
}

// Writes `length` as a VLQ followed by `data`; returns the bytes written.
size_t PutLengthAndData(std::vector<uint8_t>& out, const std::vector<uint8_t>& data) {
  const size_t before = out.size();
  WriteVarLen(out, static_cast<int64_t>(data.size()));
  out.insert(out.end(), data.begin(), data.end());
  return out.size() - before;
}

// The key a note event plays, or -1 when the event is none or its key lies outside the table
// (such a key cannot overlap anything the table tracks).
int TrackedNote(const TSmfEvent& event) {
  int note = -1;
  if (const auto* on = dynamic_cast<const TSmfNoteOn*>(&event)) {
    note = on->Note;
  } else if (const auto* off = dynamic_cast<const TSmfNoteOff*>(&event)) {
    note = off->Note;
  }
  return note < 128 ? note : -1;
}

// Delta from `last` (never negative) to `tick`, without overflow for any tick.
int64_t DeltaSince(int64_t last, int64_t tick) { return tick > last ? tick - last : 0; }

}  // namespace

void WriteVarLen(std::vector<uint8_t>& out, int64_t value) {
  const auto v = static_cast<uint32_t>(std::clamp<int64_t>(value, 0, kMaxDeltaTime));
  for (int shift = 21; shift > 0; shift -= 7) {
    if (v >> shift) out.push_back(static_cast<uint8_t>(0x80 | ((v >> shift) & 0x7F)));
  }
  out.push_back(static_cast<uint8_t>(v & 0x7F));
}

// --- events -----------------------------------------------------------------------------------

TSmfNoteOn::TSmfNoteOn(int64_t tick, int channel, int note, int velocity)
    : TSmfEvent(tick, ChannelStatus(kNoteOn, channel)),
      Note(Low8(note)),
      Velocity(Low8(velocity)) {}

size_t TSmfNoteOn::WriteTo(std::vector<uint8_t>& out) const {
  out.insert(out.end(), {Status, Note, Velocity});
  return 3;
}

TSmfNoteOff::TSmfNoteOff(int64_t tick, int channel, int note)
    : TSmfEvent(tick, ChannelStatus(kNoteOff, channel)), Note(Low8(note)) {}

size_t TSmfNoteOff::WriteTo(std::vector<uint8_t>& out) const {
  out.insert(out.end(), {Status, Note, uint8_t{0}});
  return 3;
}

TSmfProgramChange::TSmfProgramChange(int64_t tick, int channel, int program)
    : TSmfEvent(tick, ChannelStatus(kProgramChange, channel)), Program(Low8(program)) {}

size_t TSmfProgramChange::WriteTo(std::vector<uint8_t>& out) const {
  out.insert(out.end(), {Status, Program});
  return 2;
}

TSmfControlChange::TSmfControlChange(int64_t tick, int channel, int controller, int value)
    : TSmfEvent(tick, ChannelStatus(kControlChange, channel)),
      Controller(Low8(controller)),
      Value(Low8(value)) {}

size_t TSmfControlChange::WriteTo(std::vector<uint8_t>& out) const {
  out.insert(out.end(), {Status, Controller, Value});
  return 3;
}

TSmfPitchBend::TSmfPitchBend(int64_t tick, int channel, int value)
    : TSmfEvent(tick, ChannelStatus(kPitchBend, channel)), Value(value) {}

size_t TSmfPitchBend::WriteTo(std::vector<uint8_t>& out) const {
  const int v = std::clamp(Value, 0, 16383);
  out.insert(out.end(),
             {Status, static_cast<uint8_t>(v & 0x7F), static_cast<uint8_t>((v >> 7) & 0x7F)});
  return 3;
}

size_t TSmfDirect::WriteTo(std::vector<uint8_t>& out) const {
  out.insert(out.end(), Data.begin(), Data.end());
  return Data.size();
}

TSmfSysEx::TSmfSysEx(int64_t tick, std::vector<uint8_t> body) : TSmfDirect(tick, kSysEx) {
  Data = std::move(body);
  Data.push_back(kSysExEnd);
}

size_t TSmfSysEx::WriteTo(std::vector<uint8_t>& out) const {
  out.push_back(kSysEx);
  return 1 + PutLengthAndData(out, Data);
}

TSmfMeta::TSmfMeta(int64_t tick, uint8_t metaType, std::string_view data)
    : TSmfDirect(tick, kMeta), MetaType(metaType) {
  Data.assign(data.begin(), data.end());
}

size_t TSmfMeta::WriteTo(std::vector<uint8_t>& out) const {
  out.insert(out.end(), {kMeta, MetaType});
  return 2 + PutLengthAndData(out, Data);
}

TSmfTempo::TSmfTempo(int64_t tick, int bpm)
    : TSmfMeta(tick, kMetaTempo, {}), Bpm(std::max(bpm, 1)) {
  // Slower than three bytes can say (below 4 bpm) becomes the slowest tempo they can.
  const int64_t microseconds = std::min<int64_t>(60000000 / Bpm, kMaxTempo);
  PutBigEndian(Data, static_cast<uint64_t>(microseconds), 3);
}

// --- the event list ---------------------------------------------------------------------------

TSmfEvent* TSmf::Append(std::unique_ptr<TSmfEvent> event) {
  EndTick = std::max(EndTick, event->Tick);
  events_.push_back(std::move(event));
  return events_.back().get();
}

TSmfEvent* TSmf::AddNoteOn(int64_t tick, int channel, int note, int velocity) {
  return Append(std::make_unique<TSmfNoteOn>(tick, channel, note, velocity));
}

TSmfEvent* TSmf::AddNoteOff(int64_t tick, int channel, int note) {
  return Append(std::make_unique<TSmfNoteOff>(tick, channel, note));
}

TSmfEvent* TSmf::AddControlChange(int64_t tick, int channel, int controller, int value) {
  return Append(std::make_unique<TSmfControlChange>(tick, channel, controller, value));
}

TSmfEvent* TSmf::AddProgramChange(int64_t tick, int channel, int program) {
  return Append(std::make_unique<TSmfProgramChange>(tick, channel, program));
}

TSmfEvent* TSmf::AddPitchBend(int64_t tick, int channel, int value) {
  return Append(std::make_unique<TSmfPitchBend>(tick, channel, value));
}

TSmfEvent* TSmf::AddTempo(int64_t tick, int bpm) {
  return Append(std::make_unique<TSmfTempo>(tick, bpm));
}

TSmfEvent* TSmf::AddSysEx(int64_t tick, std::vector<uint8_t> body) {
  return Append(std::make_unique<TSmfSysEx>(tick, std::move(body)));
}

TSmfEvent* TSmf::AddMeta(int64_t tick, uint8_t metaType, std::string_view text) {
  return Append(std::make_unique<TSmfMeta>(tick, metaType, text));
}

void TSmf::Clear() {
  events_.clear();
  EndTick = 0;
  NoteState = {};
}

void TSmf::SortByTick() {
  // Stable: a note-off added before a note-on of the same tick must stay in front of it.
  std::stable_sort(events_.begin(), events_.end(),
                   [](const auto& a, const auto& b) { return a->Tick < b->Tick; });
}

void TSmf::RemoveOverlaps() {
  // Compacts in place: one pass, linear however many events go.
  size_t kept = 0;
  for (size_t i = 0; i < events_.size(); ++i) {
    const TSmfEvent& event = *events_[i];
    const uint8_t kind = event.Status & 0xF0;
    const int note = kind == kNoteOff || kind == kNoteOn ? TrackedNote(event) : -1;
    bool drop = false;
    if (note >= 0) {
      uint8_t& state = NoteState[event.Status & 0x0F][static_cast<size_t>(note)];
      if (kind == kNoteOff) {
        // The off that closes a swallowed note-on goes with it.
        drop = state == 2;
        state = drop ? 1 : 0;
      } else if (state == 1) {
        state = 2;
        drop = true;
      } else if (state == 0) {
        state = 1;
      }
    }
    if (drop) continue;
    if (kept != i) events_[kept] = std::move(events_[i]);
    ++kept;
  }
  events_.resize(kept);
}

std::vector<uint8_t> TSmf::SaveToBytes() {
  SortByTick();
  if (events_.empty()) return {};
  NoteState = {};
  RemoveOverlaps();

  // Header: format 0, one track, the division; then the track chunk with its length patched last.
  static constexpr uint8_t kHeader[] = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1};
  static constexpr uint8_t kTrackHead[] = {'M', 'T', 'r', 'k', 0, 0, 0, 0};
  std::vector<uint8_t> out(std::begin(kHeader), std::end(kHeader));
  out.reserve(22 + events_.size() * 4 + 4);
  PutBigEndian(out, static_cast<uint64_t>(TimeBase) & 0xFFFF, 2);
  out.insert(out.end(), std::begin(kTrackHead), std::end(kTrackHead));
  const size_t trackStart = out.size();

  // The second run continues from the states the first left behind.
  RemoveOverlaps();

  int64_t last = 0;
  for (const auto& event : events_) {
    WriteVarLen(out, DeltaSince(last, event->Tick));
    last = std::max<int64_t>(0, event->Tick);
    event->WriteTo(out);
  }
  WriteVarLen(out, DeltaSince(last, EndTick));
  out.insert(out.end(), {kMeta, kMetaEndOfTrack, 0});

  PatchBigEndian32(out, trackStart - 4, out.size() - trackStart);
  return out;
}

void TSmf::SaveToStream(std::ostream& out) {
  const std::vector<uint8_t> bytes = SaveToBytes();
  if (bytes.empty()) return;
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

bool TSmf::SaveToFile(const std::filesystem::path& fileName) {
  const std::vector<uint8_t> bytes = SaveToBytes();
  if (bytes.empty()) return false;
  pelorund::WriteFileAtomic(
      fileName, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  return true;
}

}  // namespace SmfU
