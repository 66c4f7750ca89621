// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "playback/smf_play.h"

#include <pthread.h>
#include <sched.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>
#include <set>
#include <vector>

#include "playback/smf_play_texts.h"

using smf_unit::TSmfEvent;
using smf_unit::TSmfMeta;

namespace {

/// Truncation toward zero that saturates instead of overflowing.
int64_t Trunc64(long double value) {
  if (std::isnan(value)) return 0;
  constexpr long double kLimit = 9.0e18L;
  return static_cast<int64_t>(std::clamp(value, -kLimit, kLimit));
}

int32_t Saturate32(int64_t value) {
  return static_cast<int32_t>(
      std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

/// Controllers whose meaning depends on what came before them (bank select, data entry and
/// parameter numbers, channel mode messages): a later value does not make them redundant.
bool OrderMatters(uint8_t controller) {
  return controller == 0 || controller == 32 || controller == 6 || controller == 38 ||
         (controller >= 96 && controller <= 101) || controller >= 120;
}

}  // namespace

uint32_t SteadyMs() {
  const auto now = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

long double MsPerTickFor(int bpm, uint16_t timeBase) {
  constexpr long double kFallback = 5.2L;
  if (bpm <= 0 || timeBase == 0) return kFallback;
  const long double msPerTick = 60000.0L / bpm / timeBase;
  return std::isfinite(msPerTick) && msPerTick > 0 ? msPerTick : kFallback;
}

// --- player ---

TSmfPlayer::TSmfPlayer(TMidiBackendFactory factory, TMsClock clock)
    : TSmfCustomPlayer(std::move(factory)), Clock(clock ? std::move(clock) : TMsClock(&SteadyMs)) {}

TSmfPlayer::~TSmfPlayer() {
  // The thread uses the song and the port: it ends before either goes.
  Thread.reset();
}

void TSmfPlayer::LoadFromFile(const std::filesystem::path& fileName) {
  if (Thread) Stop();
  try {
    Song.LoadFromFile(fileName);
  } catch (...) {
    Song.Clear();  // a half-read song is not played
    throw;
  }
  Song.MergeTracks();
}

void TSmfPlayer::LoadFromStream(std::span<const uint8_t> bytes) {
  if (Thread) Stop();
  try {
    Song.LoadFromStream(bytes);
  } catch (...) {
    Song.Clear();
    throw;
  }
  Song.MergeTracks();
}

int32_t TSmfPlayer::GetLength() const {
  if (Song.Count() == 0 || Song.Track(0).Count() == 0) return 0;
  const smf_unit::TSmfTrack& track = Song.Track(0);
  return track.Event(track.Count() - 1).Time;
}

void TSmfPlayer::Open() {
  if (!MidiOut.Open(-1)) throw ESmfPlayer(std::string(smf_play_texts::kPortUnavailable));
}

void TSmfPlayer::Play() {
  if (Playing) return;
  // A thread that ended with the song may still be leaving its loop.
  Thread.reset();
  if (Song.Count() == 0 || Song.Track(0).Count() == 0) return;
  Thread = std::make_unique<TMidiThread>(*this);
  // Set before the thread runs, so a song that ends at once is not left marked as playing.
  Playing = true;
  Thread->Start();
}

void TSmfPlayer::Stop() {
  Playing = false;
  // Joined before the reset: no event of the song can follow the all-notes-off.
  Thread.reset();
  MidiOut.Reset();
}

// --- thread ---

TMidiThread::TMidiThread(TSmfPlayer& player)
    : Player(player), Song(player.Song), Events(player.Song.Count() > 0 ? &player.Song.Track(0) : nullptr) {
  if (Player.InitialTempo < 30) Player.InitialTempo = 120;
  CurrentTempo = Player.InitialTempo;
  Player.Tempo = CurrentTempo;
  MsPerTick = MsPerTickFor(CurrentTempo, Song.TimeBase);
  StartTime = Now();
  Delay = 0;
  Period = std::max<int>(1, Player.TimerPeriod);
  Seek();
}

TMidiThread::~TMidiThread() {
  RequestStop();
  Join();
}

uint32_t TMidiThread::Now() const { return Player.Clock(); }

void TMidiThread::Seek() {
  EventIndex = 0;
  if (!Events || Events->Count() == 0) return;
  const int32_t position = std::max<int32_t>(0, Player.Position);
  const size_t count = Events->Count();
  while (EventIndex < count && Events->Event(EventIndex).Time < position) ++EventIndex;
  // Beyond the last event, that event still comes (at once, or dropped as late) and ends the song.
  if (EventIndex == count) EventIndex = count - 1;

  // What the skipped part set up still holds from the start position: its last tempo, and its
  // programs, controllers, bends and system-exclusive messages (a value replaced later is not
  // sent). Its notes are not played.
  int tempo = 0;
  std::set<uint32_t> superseded;
  std::vector<TSmfEvent*> chased;
  for (size_t i = EventIndex; i-- > 0;) {
    TSmfEvent& event = Events->Event(i);
    if (auto* meta = dynamic_cast<TSmfMeta*>(&event)) {
      if (tempo == 0) tempo = meta->TempoBpm();
      continue;
    }
    const uint8_t kind = event.Status & 0xF0;
    if (kind == 0x80 || kind == 0x90 || kind == 0xA0) continue;
    uint32_t key = uint32_t{event.Port} << 16 | uint32_t{event.Status} << 8;
    if (kind == 0xB0) {
      const uint8_t controller = static_cast<smf_unit::TSmfControlChange&>(event).Data1;
      if (OrderMatters(controller)) {
        chased.push_back(&event);
        continue;
      }
      key |= controller;
    }
    if (event.Status >= 0xF0 || superseded.insert(key).second) chased.push_back(&event);
  }
  for (auto it = chased.rbegin(); it != chased.rend(); ++it) (*it)->Play();
  if (tempo > 0) {
    CurrentTempo = tempo;
    Player.Tempo = tempo;
    MsPerTick = MsPerTickFor(tempo, Song.TimeBase);
  }
  // The clock reads the start position's time at once.
  StartTime -= static_cast<uint32_t>(Trunc64(position * MsPerTick));
}

void TMidiThread::Start() {
  thread_ = std::jthread([this, stop = stop_.get_token()] { Execute(stop); });
  // Time-critical where the system allows it; an ordinary thread otherwise.
  sched_param param{};
  param.sched_priority =
      std::min(sched_get_priority_min(SCHED_FIFO) + 20, sched_get_priority_max(SCHED_FIFO));
  (void)pthread_setschedparam(thread_.native_handle(), SCHED_FIFO, &param);
}

void TMidiThread::Join() {
  if (thread_.joinable()) thread_.join();
}

void TMidiThread::Execute(std::stop_token stop) {
  try {
    while (!stop.stop_requested()) {
      Step();
      std::unique_lock lock(sleepMutex_);
      sleep_.wait_for(lock, stop, std::chrono::milliseconds(Period), [] { return false; });
    }
  } catch (...) {
    // A failing step ends the playback; nothing is left claiming to play.
    Player.Playing = false;
  }
}

void TMidiThread::ReadElapsed() {
  const uint32_t sinceStart = Now() - StartTime;  // wraps like the clock
  Elapsed = Saturate32(int64_t{sinceStart} + Delay);
}

void TMidiThread::Step() {
  ReadElapsed();
  CurrentTick = Saturate32(Trunc64(Elapsed / MsPerTick));
  Player.Position = CurrentTick;
  if (!Events || EventIndex >= Events->Count()) {
    EndOfSong();
    return;
  }
  TSmfEvent* event = &Events->Event(EventIndex);
  while (event->Time <= CurrentTick) {
    Dispatch(*event);
    if (++EventIndex >= Events->Count()) {
      EndOfSong();
      return;
    }
    event = &Events->Event(EventIndex);
    // Each dispatch measures its own lateness; the tick stays the one of this step.
    if (event->Time <= CurrentTick) ReadElapsed();
  }
}

void TMidiThread::Dispatch(TSmfEvent& event) {
  const int64_t lateness = int64_t{Elapsed} - Trunc64(event.Time * MsPerTick);
  if (lateness >= kLatenessLimitMs) return;
  if (auto* meta = dynamic_cast<TSmfMeta*>(&event)) {
    if (const int bpm = meta->TempoBpm(); bpm > 0) ApplyTempo(bpm);
    return;
  }
  const int requested = Player.Tempo;
  if (requested != CurrentTempo) {
    if (requested > 0) {
      ApplyTempo(requested);
    } else {
      Player.Tempo = CurrentTempo;  // no tempo at all: the request is ignored
    }
  }
  event.Play();
}

void TMidiThread::ApplyTempo(int bpm) {
  MsPerTick = MsPerTickFor(bpm, Song.TimeBase);
  const int64_t sinceStart = static_cast<uint32_t>(Now() - StartTime);
  Delay = Saturate32(Trunc64(CurrentTick * MsPerTick) - sinceStart);
  Elapsed = Saturate32(sinceStart + Delay);
  CurrentTick = Saturate32(Trunc64(Elapsed / MsPerTick));
  Player.Tempo = bpm;
  CurrentTempo = bpm;
}

void TMidiThread::EndOfSong() {
  Player.Playing = false;
  RequestStop();
}
