// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "compiler/SourceMapU.h"

#include <algorithm>
#include <deque>
#include <map>
#include <unordered_map>

#include "smf/SmfU.h"

namespace {

// How far back SpanAt looks past spans that started earlier but ended already; parallel voices
// and chords of one track overlap by a few notes, never by thousands.
constexpr size_t kSpanLookBack = 64;

/// The tempo a tempo event gives the player: 60000000 div its three bytes; 0 when unusable.
int PlayerBpm(const SmfU::TSmfTempo& tempo) {
  if (tempo.Data.size() < 3) return 0;
  const uint32_t microseconds = (uint32_t{tempo.Data[0]} << 16) | (uint32_t{tempo.Data[1]} << 8) | tempo.Data[2];
  return microseconds == 0 ? 0 : static_cast<int>(60000000u / microseconds);
}

/// Milliseconds per tick as the player computes them, 5.2 where that is no positive number.
double MsPerTick(int bpm, int timeBase) {
  if (bpm <= 0 || timeBase <= 0) return 5.2;
  return 60000.0 / bpm / timeBase;
}

}  // namespace

void TSourceMap::AddNoteOn(const SmfU::TSmfEvent* event, size_t position, int track) {
  if (pending_.size() >= kMaxEntries) {
    Truncated = true;
    return;
  }
  pending_.push_back({event, position, track});
}

void TSourceMap::AddSpan(const TNoteSpan& span) {
  if (Spans.size() >= kMaxEntries) {
    Truncated = true;
    return;
  }
  Spans.push_back(span);
}

void TSourceMap::Resolve(const SmfU::TSmf& smf) {
  using namespace SmfU;
  // The file's events are the compiler's own objects, sorted and thinned; their addresses are
  // what ties each surviving note-on to the command that wrote it.
  std::unordered_map<const TSmfEvent*, size_t> origin;
  origin.reserve(pending_.size());
  for (size_t i = 0; i < pending_.size(); ++i) origin.emplace(pending_[i].Event, i);

  TimeBase = smf.TimeBase;
  EndTick = smf.EndTick;
  Notes.clear();
  Tempos.clear();
  // Per channel and key the notes still sounding, oldest first: a note-off ends the oldest.
  std::vector<std::deque<size_t>> sounding(16 * 128);
  for (size_t i = 0; i < smf.Count(); ++i) {
    const TSmfEvent& event = smf.Event(i);
    if (const auto* tempo = dynamic_cast<const TSmfTempo*>(&event)) {
      Tempos.push_back({event.Tick, PlayerBpm(*tempo)});
      continue;
    }
    int key = -1;
    bool on = false;
    int velocity = 0;
    if (const auto* noteOn = dynamic_cast<const TSmfNoteOn*>(&event)) {
      key = noteOn->Note;
      velocity = noteOn->Velocity;
      on = velocity > 0;  // velocity 0 ends a note like a note-off
    } else if (const auto* noteOff = dynamic_cast<const TSmfNoteOff*>(&event)) {
      key = noteOff->Note;
    }
    if (key < 0 || key > 127) continue;
    const int channel = event.Status & 0x0F;
    std::deque<size_t>& keyNotes = sounding[static_cast<size_t>(channel * 128 + key)];
    if (on) {
      TMappedNote note{event.Tick, EndTick, channel, key, velocity, 0, kNoPosition};
      if (const auto found = origin.find(&event); found != origin.end()) {
        note.Track = pending_[found->second].Track;
        note.Position = pending_[found->second].Position;
      }
      keyNotes.push_back(Notes.size());
      Notes.push_back(note);
    } else if (!keyNotes.empty()) {
      Notes[keyNotes.front()].End = event.Tick;
      keyNotes.pop_front();
    }
  }
  pending_.clear();
  pending_.shrink_to_fit();
  BuildIndex();
}

void TSourceMap::MapPositions(const std::function<size_t(size_t)>& map) {
  auto apply = [&](size_t& position) {
    if (position != kNoPosition) position = map(position);
  };
  for (TMappedNote& note : Notes) apply(note.Position);
  for (TNoteSpan& span : Spans) {
    apply(span.Start);
    apply(span.End);
  }
  for (TSourceRange& range : Warnings) {
    apply(range.Start);
    apply(range.End);
  }
  if (Error) {
    apply(Error->Start);
    apply(Error->End);
  }
  BuildIndex();
}

void TSourceMap::TrimSpanEnds(std::string_view text) {
  for (TNoteSpan& span : Spans) {
    size_t end = std::min(span.End, text.size());
    while (end > span.Start + 1 && (text[end - 1] == ' ' || text[end - 1] == '\t' || text[end - 1] == '\r' ||
                                    text[end - 1] == '\n'))
      --end;
    span.End = std::max(end, span.Start);
  }
}

void TSourceMap::BuildIndex() {
  byPosition_.resize(Spans.size());
  for (size_t i = 0; i < Spans.size(); ++i) byPosition_[i] = i;
  std::stable_sort(byPosition_.begin(), byPosition_.end(), [&](size_t a, size_t b) {
    return Spans[a].Start != Spans[b].Start ? Spans[a].Start < Spans[b].Start : Spans[a].Tick < Spans[b].Tick;
  });
  std::map<int, std::vector<size_t>> tracks;
  for (size_t i = 0; i < Spans.size(); ++i) tracks[Spans[i].Track].push_back(i);
  byTrack_.clear();
  trackIds_.clear();
  for (auto& [track, indexes] : tracks) {
    std::stable_sort(indexes.begin(), indexes.end(), [&](size_t a, size_t b) { return Spans[a].Tick < Spans[b].Tick; });
    trackIds_.push_back(track);
    byTrack_.push_back(std::move(indexes));
  }
}

std::optional<int64_t> TSourceMap::TickAtPosition(size_t position) const {
  const auto after = std::upper_bound(byPosition_.begin(), byPosition_.end(), position,
                                      [&](size_t p, size_t index) { return p < Spans[index].Start; });
  if (after == byPosition_.begin()) return std::nullopt;
  // Spans of one word are ordered by tick: the first of them is its earliest pass.
  const size_t start = Spans[*(after - 1)].Start;
  const auto first = std::lower_bound(byPosition_.begin(), after, start,
                                      [&](size_t index, size_t p) { return Spans[index].Start < p; });
  return Spans[*first].Tick;
}

std::optional<int> TSourceMap::TrackAtPosition(size_t position) const {
  const auto after = std::upper_bound(byPosition_.begin(), byPosition_.end(), position,
                                      [&](size_t p, size_t index) { return p < Spans[index].Start; });
  if (after == byPosition_.begin()) return std::nullopt;
  const size_t start = Spans[*(after - 1)].Start;
  // The command's first run in compile order decides.
  size_t firstRun = *(after - 1);
  for (auto it = after; it != byPosition_.begin() && Spans[*(it - 1)].Start == start; --it)
    firstRun = std::min(firstRun, *(it - 1));
  return Spans[firstRun].Track;
}

const TNoteSpan* TSourceMap::SpanAt(int track, int64_t tick) const {
  const auto id = std::lower_bound(trackIds_.begin(), trackIds_.end(), track);
  if (id == trackIds_.end() || *id != track) return nullptr;
  const std::vector<size_t>& spans = byTrack_[static_cast<size_t>(id - trackIds_.begin())];
  auto it = std::upper_bound(spans.begin(), spans.end(), tick,
                             [&](int64_t t, size_t index) { return t < Spans[index].Tick; });
  for (size_t looked = 0; it != spans.begin() && looked < kSpanLookBack; ++looked) {
    const TNoteSpan& span = Spans[*--it];
    if (tick < span.Tick + span.Length) return &span;
  }
  return nullptr;
}

double TSourceMap::MillisecondsAt(int64_t tick) const {
  int bpm = Tempos.empty() || Tempos.front().Bpm < 30 ? 120 : Tempos.front().Bpm;
  double ms = 0;
  int64_t from = 0;
  for (const TTempoChange& change : Tempos) {
    if (change.Tick >= tick) break;
    ms += static_cast<double>(std::max<int64_t>(0, change.Tick - from)) * MsPerTick(bpm, TimeBase);
    from = std::max(from, change.Tick);
    bpm = change.Bpm;
  }
  return ms + static_cast<double>(std::max<int64_t>(0, tick - from)) * MsPerTick(bpm, TimeBase);
}
