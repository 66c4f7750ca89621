// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "import/smf2mmlU.h"

#include <algorithm>
#include <utility>

#include "common/AppUtils.h"
#include "common/FileUtils.h"
#include "common/Format.h"
#include "import/Smf2MmlTexts.h"

namespace smf2mmlU {

namespace {

constexpr size_t kMaxProblems = 50;
constexpr size_t kMaxTextBytes = 255;  // what a meta event's Text keeps
// The longest system-exclusive message the language writes: a "z" command holds 253 bytes, F0
// and F7 included.
constexpr size_t kMaxExclusiveBytes = 252;  // after F0, the closing F7 included

uint32_t BigEndian(std::string_view bytes, size_t pos, size_t count) {
  uint32_t value = 0;
  for (size_t i = 0; i < count; ++i) value = (value << 8) | static_cast<uint8_t>(bytes[pos + i]);
  return value;
}

/// Reads forward through the file's bytes; every read fails cleanly at the end of the data.
class TByteReader {
 public:
  TByteReader(std::string_view bytes, size_t& pos) : bytes_(bytes), pos_(pos) {}

  bool Byte(uint8_t& value) {
    if (pos_ >= bytes_.size()) return false;
    value = static_cast<uint8_t>(bytes_[pos_++]);
    return true;
  }
  void StepBack() { --pos_; }
  /// A variable-length quantity of any number of bytes, kept to 32 bits.
  bool VarLen(uint32_t& value) {
    value = 0;
    uint8_t b = 0;
    do {
      if (!Byte(b)) return false;
      value = (value << 7) | (b & 0x7Fu);
    } while ((b & 0x80u) != 0);
    return true;
  }
  bool Take(size_t count, std::string_view& out) {
    if (count > bytes_.size() - pos_) {
      pos_ = bytes_.size();
      return false;
    }
    out = bytes_.substr(pos_, count);
    pos_ += count;
    return true;
  }
  bool Skip(size_t count) {
    std::string_view ignored;
    return Take(count, ignored);
  }

 private:
  std::string_view bytes_;
  size_t& pos_;
};

std::unique_ptr<TMmlEvent> MakeEvent(TMmlKind kind) {
  switch (kind) {
    case TMmlKind::Dummy:
      return std::make_unique<TMmlDummy>();
    case TMmlKind::NoteOn:
      return std::make_unique<TMmlNoteOn>();
    case TMmlKind::NoteOff:
      return std::make_unique<TMmlNoteOff>();
    case TMmlKind::KeyPressure:
      return std::make_unique<TMmlKeyPressure>();
    case TMmlKind::ControlChange:
      return std::make_unique<TMmlControlChange>();
    case TMmlKind::CCMod:
      return std::make_unique<TMmlCCMod>();
    case TMmlKind::CCVol:
      return std::make_unique<TMmlCCVol>();
    case TMmlKind::CCPan:
      return std::make_unique<TMmlCCPan>();
    case TMmlKind::CCExp:
      return std::make_unique<TMmlCCExp>();
    case TMmlKind::ProgramChange:
      return std::make_unique<TMmlProgramChange>();
    case TMmlKind::ChannelPressure:
      return std::make_unique<TMmlChannelPressure>();
    case TMmlKind::PitchBend:
      return std::make_unique<TMmlPitchBend>();
    case TMmlKind::Meta:
      return std::make_unique<TMmlMeta>();
    case TMmlKind::Exclucive:
      return std::make_unique<TMmlExclucive>();
    case TMmlKind::Tempo:
      return std::make_unique<TMmlTempo>();
  }
  return std::make_unique<TMmlDummy>();
}

TMmlKind ControllerKind(uint8_t controller) {
  switch (controller) {
    case 1:
      return TMmlKind::CCMod;
    case 7:
      return TMmlKind::CCVol;
    case 10:
      return TMmlKind::CCPan;
    case 11:
      return TMmlKind::CCExp;
    default:
      return TMmlKind::ControlChange;
  }
}

/// A chunk tag for a message: printable ASCII kept, anything else as "?".
std::string PrintableTag(std::string_view tag) {
  std::string text(tag);
  for (char& c : text)
    if (c < 0x20 || c > 0x7E) c = '?';
  return text;
}

}  // namespace

// --- TMmlTrack ---

TMmlEvent* TMmlTrack::Get(int index) const {
  if (index < 0 || index >= Count()) return nullptr;
  return Events[static_cast<size_t>(index)].get();
}

TMmlEvent* TMmlTrack::Add(int64_t time, TMmlKind kind) {
  std::unique_ptr<TMmlEvent> event = MakeEvent(kind);
  event->Time = time;
  Events.push_back(std::move(event));
  return Events.back().get();
}

void TMmlTrack::Delete(int index) {
  if (index < 0 || index >= Count()) return;
  Events.erase(Events.begin() + index);
}

void TMmlTrack::DeleteAll(TMmlKind kind) {
  std::erase_if(Events, [kind](const std::unique_ptr<TMmlEvent>& event) { return event->Kind == kind; });
}

void TMmlTrack::SortByTime() {
  std::stable_sort(Events.begin(), Events.end(),
                   [](const std::unique_ptr<TMmlEvent>& a, const std::unique_ptr<TMmlEvent>& b) {
                     return a->Time < b->Time;
                   });
}

// --- TSmf2Mml ---

TSmf2Mml::TSmf2Mml() : TSmf2Mml(pelorund::FindDataFile("controls.ini")) {}

TSmf2Mml::TSmf2Mml(const std::filesystem::path& controlsIni) {
  if (!controlsIni.empty()) ControlNames.LoadFromFile(controlsIni);
}

void TSmf2Mml::AddProblem(std::string text) {
  if (Problems.size() < kMaxProblems) {
    Problems.push_back(std::move(text));
  } else if (Problems.size() == kMaxProblems) {
    Problems.push_back(texts::kProblemMoreProblems);
  }
}

void TSmf2Mml::Import(const std::filesystem::path& fileName) {
  const std::optional<std::string> bytes = pelorund::ReadFileBytes(fileName);
  const std::string name = "\"" + fileName.string() + "\" ";
  if (!bytes) throw ESmf2Mml(name + texts::kMsgCannotRead);
  try {
    ImportBytes(*bytes);
  } catch (const ESmf2Mml& error) {
    throw ESmf2Mml(name + error.what());
  }
}

bool TSmf2Mml::ReadTrackChunk(std::string_view bytes, size_t& pos, size_t end, int chunkNumber) {
  TByteReader in(bytes, pos);
  // Kept far below where time * 48 could overflow, whatever MaxTime says.
  const int64_t maxTime = std::clamp<int64_t>(MaxTime, 0, int64_t{1} << 40);
  int64_t time = 0;
  uint8_t running = 0;
  while (pos < end) {
    uint32_t delta = 0;
    if (!in.VarLen(delta)) return false;
    time += delta;
    if (time * 48 / TimeBase > maxTime) {
      AddProblem(pelorund::Format(texts::kProblemTooLong, chunkNumber, static_cast<long long>(maxTime)));
      return true;
    }
    EndTime = std::max(EndTime, time);

    uint8_t status = 0;
    if (!in.Byte(status)) return false;
    if (status < 0x80) {
      in.StepBack();
      status = running;
      // A data byte before any status: it is read again as the next delta time.
      if (status < 0x80) continue;
    } else {
      running = status;
    }

    TMmlTrack& track = Tracks[status < 0xF0 ? status & 0x0F : 0];
    uint8_t a = 0;
    uint8_t b = 0;
    switch (status < 0xF0 ? status & 0xF0 : status) {
      case 0x80:
      case 0x90: {
        if (!in.Byte(a) || !in.Byte(b)) return false;
        if ((status & 0xF0) == 0x90 && b > 0) {
          auto* on = static_cast<TMmlNoteOn*>(track.Add(time, TMmlKind::NoteOn));
          on->Note = a;
          on->Velocity = b;
        } else {
          auto* off = static_cast<TMmlNoteOff*>(track.Add(time, TMmlKind::NoteOff));
          off->Note = a;
          off->Velocity = b;
        }
        break;
      }
      case 0xA0: {
        if (!in.Byte(a) || !in.Byte(b)) return false;
        auto* pressure = static_cast<TMmlKeyPressure*>(track.Add(time, TMmlKind::KeyPressure));
        pressure->Note = a;
        pressure->Pressure = b;
        break;
      }
      case 0xB0: {
        if (!in.Byte(a) || !in.Byte(b)) return false;
        auto* control = static_cast<TMmlControlChange*>(track.Add(time, ControllerKind(a)));
        control->Controller = a;
        control->Value = b;
        break;
      }
      case 0xC0: {
        if (!in.Byte(a)) return false;
        static_cast<TMmlProgramChange*>(track.Add(time, TMmlKind::ProgramChange))->Program = a;
        break;
      }
      case 0xD0: {
        if (!in.Byte(a)) return false;
        static_cast<TMmlChannelPressure*>(track.Add(time, TMmlKind::ChannelPressure))->Pressure = a;
        break;
      }
      case 0xE0: {
        if (!in.Byte(a) || !in.Byte(b)) return false;
        auto* bend = static_cast<TMmlPitchBend*>(track.Add(time, TMmlKind::PitchBend));
        bend->BendLow = a;
        bend->BendHigh = b;
        break;
      }
      case 0xF0: {
        uint32_t length = 0;
        std::string_view data;
        if (!in.VarLen(length) || !in.Take(length, data)) return false;
        const std::string_view body =
            data.substr(0, length - (length > 0 && uint8_t(data.back()) == 0xF7 ? 1 : 0));
        if (body.empty()) break;  // an empty message says nothing
        if (body.size() + 1 > kMaxExclusiveBytes) {
          // A cut message would be another message: it is left out whole.
          AddProblem(pelorund::Format(texts::kProblemLongExclusive, length, static_cast<long long>(time),
                                      chunkNumber));
          break;
        }
        if (std::any_of(body.begin(), body.end(), [](char c) { return (c & 0x80) != 0; })) {
          AddProblem(
              pelorund::Format(texts::kProblemBrokenExclusive, static_cast<long long>(time), chunkNumber));
          break;
        }
        auto* exclusive = static_cast<TMmlExclucive*>(track.Add(time, TMmlKind::Exclucive));
        exclusive->Data = data;
        exclusive->Length = static_cast<int>(data.size());
        break;
      }
      case 0xF1:
      case 0xF3:
        if (!in.Skip(1)) return false;
        track.Add(time, TMmlKind::Dummy);
        break;
      case 0xF2:
        if (!in.Skip(2)) return false;
        track.Add(time, TMmlKind::Dummy);
        break;
      case 0xF7: {
        uint32_t length = 0;
        if (!in.VarLen(length) || !in.Skip(length)) return false;
        track.Add(time, TMmlKind::Dummy);
        break;
      }
      case 0xFF: {
        uint8_t type = 0;
        uint32_t length = 0;
        std::string_view data;
        if (!in.Byte(type) || !in.VarLen(length) || !in.Take(length, data)) return false;
        if (type == 0x51) {
          // A tempo needs its three bytes; a tempo of 0 microseconds has no meaning.
          const uint32_t micros = length >= 3 ? BigEndian(data, 0, 3) : 0;
          if (micros > 0) {
            static_cast<TMmlTempo*>(Tracks[0].Add(time, TMmlKind::Tempo))->Bpm =
                static_cast<int>(60000000 / micros);
          }
          break;
        }
        if (length > kMaxTextBytes) {
          AddProblem(pelorund::Format(texts::kProblemLongMeta, type, length, static_cast<long long>(time),
                                      chunkNumber));
        }
        auto* meta = static_cast<TMmlMeta*>(track.Add(time, TMmlKind::Meta));
        meta->MetaType = type;
        meta->Text = data.substr(0, kMaxTextBytes);
        meta->Length = static_cast<int>(meta->Text.size());
        break;
      }
      default:  // F4, F5, F6, F8 to FE
        track.Add(time, TMmlKind::Dummy);
        break;
    }
    ++EventsRead;
  }
  return true;
}

void TSmf2Mml::ImportBytes(std::string_view bytes) {
  for (TMmlTrack& track : Tracks) track.Clear();
  Problems.clear();
  EventsRead = 0;
  EndTime = 0;
  TimeBase = 0;

  if (bytes.size() < 4 || bytes.substr(0, 4) != "MThd") throw ESmf2Mml(texts::kMsgNotSmf);
  if (bytes.size() < 14) throw ESmf2Mml(texts::kMsgShortHeader);
  const int trackCount = static_cast<int>(BigEndian(bytes, 10, 2));
  TimeBase = static_cast<uint16_t>(BigEndian(bytes, 12, 2));
  if (TimeBase == 0) throw ESmf2Mml(texts::kMsgTimeBaseZero);
  if ((TimeBase & 0x8000) != 0) throw ESmf2Mml(pelorund::Format(texts::kMsgSmpteTime, TimeBase));

  for (TMmlTrack& track : Tracks) track.Add(0, TMmlKind::Dummy);

  // Reading goes on at byte 14 whatever length the header declares.
  size_t pos = 14;
  int chunksRead = 0;
  while (chunksRead < trackCount) {
    if (bytes.size() - pos < 8) {
      if (pos == bytes.size()) {
        AddProblem(pelorund::Format(texts::kProblemMissingChunks, trackCount, chunksRead));
      } else {
        AddProblem(pelorund::Format(texts::kProblemTruncated, chunksRead + 1, bytes.size()));
      }
      break;
    }
    const std::string_view tag = bytes.substr(pos, 4);
    const size_t start = pos + 8;
    const size_t end = start + BigEndian(bytes, pos + 4, 4);
    if (tag != "MTrk") {
      // Chunks of other kinds are no track chunks and do not count as such.
      AddProblem(pelorund::Format(texts::kProblemOtherChunk, PrintableTag(tag).c_str()));
      pos = std::min(end, bytes.size());
      continue;
    }
    ++chunksRead;
    pos = start;
    if (!ReadTrackChunk(bytes, pos, end, chunksRead) || end > bytes.size()) {
      AddProblem(pelorund::Format(texts::kProblemTruncated, chunksRead, bytes.size()));
      break;
    }
    pos = end;  // the next chunk is read from its declared place
  }

  for (TMmlTrack& track : Tracks) track.Add(EndTime, TMmlKind::Dummy);
  if (!WriteBend) {
    for (TMmlTrack& track : Tracks) track.DeleteAll(TMmlKind::PitchBend);
  }

  SortAll();
  RescaleTo48();
  ComputeDurations();
  SortAll();
  ComputeGaps();
  SortAll();
  InsertRests();
  SortAll();
  ComputeGaps();
}

void TSmf2Mml::SortAll() {
  for (TMmlTrack& track : Tracks) track.SortByTime();
}

void TSmf2Mml::RescaleTo48() {
  if (TimeBase == 48 || TimeBase == 0) return;
  for (TMmlTrack& track : Tracks)
    for (auto& event : track.Events) event->Time = event->Time * 48 / TimeBase;
}

int64_t TSmf2Mml::EndTime48() const { return TimeBase == 0 ? EndTime : EndTime * 48 / TimeBase; }

void TSmf2Mml::ComputeDurations() {
  const int64_t songEnd = EndTime48();
  for (TMmlTrack& track : Tracks) {
    std::array<int64_t, 256> next{};
    next.fill(songEnd);
    for (auto it = track.Events.rbegin(); it != track.Events.rend(); ++it) {
      TMmlEvent& event = **it;
      if (event.Kind == TMmlKind::NoteOn) {
        auto& on = static_cast<TMmlNoteOn&>(event);
        on.Duration = next[on.Note] - on.Time;
        next[on.Note] = on.Time;
      } else if (event.Kind == TMmlKind::NoteOff) {
        const auto& off = static_cast<const TMmlNoteOff&>(event);
        next[off.Note] = off.Time;
      }
    }
    track.DeleteAll(TMmlKind::NoteOff);
  }
}

void TSmf2Mml::ComputeGaps() {
  for (TMmlTrack& track : Tracks)
    for (size_t i = 0; i + 1 < track.Events.size(); ++i)
      track.Events[i]->Gap = track.Events[i + 1]->Time - track.Events[i]->Time;
}

void TSmf2Mml::InsertRests() {
  for (TMmlTrack& track : Tracks) {
    const size_t count = track.Events.size();
    for (size_t i = 0; i < count; ++i) {
      const TMmlEvent& event = *track.Events[i];
      if (event.Kind != TMmlKind::NoteOn) continue;
      const int64_t silence = event.Gap - static_cast<const TMmlNoteOn&>(event).Duration;
      if (silence >= 12) track.Add(event.Time + event.Gap - silence / 12 * 12, TMmlKind::NoteOff);
    }
  }
}

}  // namespace smf2mmlU
