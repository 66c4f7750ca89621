// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
//
// Playback figures, printed (no pass or fail):
//   - lateness of every message against its ideal time over a dense song (chords, controllers,
//     bends), with the machine idle and with another core kept busy: mean, p99, max;
//   - CPU time of playback while its thread waits between sparse events;
//   - offline render speed as a multiple of real time.
// Usage: playback_bench [--seconds N]   (the dense song's length, 60 by default)
#include <pthread.h>
#include <sched.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "playback/recording_backend.h"
#include "playback/smf_play.h"
#include "playback/smf_render.h"

namespace {

using Steady = std::chrono::steady_clock;
constexpr int kDivision = 480;
constexpr int kBpm = 120;
constexpr double kMsPerTick = 60000.0 / kBpm / kDivision;

void PutVarLen(std::string& out, uint32_t value) {
  std::string groups(1, static_cast<char>(value & 0x7F));
  while (value >>= 7) groups.insert(groups.begin(), static_cast<char>(0x80 | (value & 0x7F)));
  out += groups;
}

struct TTimedEvent {
  uint32_t Tick;
  std::string Bytes;
};

/// A format-0 file of the events (sorted by tick here), at 120 beats per minute.
std::string MakeSmf(std::vector<TTimedEvent> events) {
  std::stable_sort(events.begin(), events.end(),
                   [](const auto& a, const auto& b) { return a.Tick < b.Tick; });
  std::string track;
  track += std::string("\x00\xFF\x51\x03\x07\xA1\x20", 7);
  uint32_t last = 0;
  for (const TTimedEvent& event : events) {
    PutVarLen(track, event.Tick - last);
    track += event.Bytes;
    last = event.Tick;
  }
  track += std::string("\x00\xFF\x2F\x00", 4);
  auto be = [](uint32_t v, int n) {
    std::string s;
    for (int i = n - 1; i >= 0; --i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
    return s;
  };
  return "MThd" + be(6, 4) + be(0, 2) + be(1, 2) + be(kDivision, 2) + "MTrk" +
         be(static_cast<uint32_t>(track.size()), 4) + track;
}

std::string Msg(int a, int b, int c = -1) {
  std::string s{static_cast<char>(a), static_cast<char>(b)};
  if (c >= 0) s += static_cast<char>(c);
  return s;
}

/// Chords every eighth note, a controller and a bend every 32nd note on another channel.
std::string DenseSong(int seconds) {
  const uint32_t end = static_cast<uint32_t>(seconds * 1000 / kMsPerTick);
  std::vector<TTimedEvent> events;
  const int chords[4][3] = {{60, 64, 67}, {57, 60, 64}, {53, 57, 60}, {55, 59, 62}};
  int n = 0;
  for (uint32_t tick = 0; tick + 240 <= end; tick += 240, ++n) {
    for (int key : chords[(n / 8) % 4]) {
      events.push_back({tick, Msg(0x90, key, 90)});
      events.push_back({tick + 230, Msg(0x80, key, 0)});
    }
  }
  for (uint32_t tick = 0, i = 0; tick < end; tick += 60, ++i) {
    events.push_back({tick, Msg(0xB1, 1, static_cast<int>((i * 5) % 128))});
    events.push_back({tick + 30, Msg(0xE1, static_cast<int>(i % 128), 64)});
  }
  return MakeSmf(events);
}

struct TLateness {
  double Mean = 0, P99 = 0, Max = 0;
  size_t Sent = 0, Expected = 0;
};

/// Plays the song in real time into a recording port and measures every message's lateness.
TLateness MeasureLateness(const std::string& smf) {
  auto recording = std::make_shared<TMidiRecording>();
  TSmfPlayer player(RecordingFactory(recording));
  player.LoadFromStream(std::span(reinterpret_cast<const uint8_t*>(smf.data()), smf.size()));
  player.Open();
  std::vector<double> idealMs;
  const smf_unit::TSmfTrack& track = player.Song.Track(0);
  for (size_t i = 0; i < track.Count(); ++i)
    if (!dynamic_cast<const smf_unit::TSmfMeta*>(&track.Event(i)))
      idealMs.push_back(track.Event(i).Time * kMsPerTick);

  const Steady::time_point start = Steady::now();
  player.Play();
  while (player.Playing) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  const std::vector<TRecordedMessage> messages = recording->Messages();
  player.Stop();

  TLateness result;
  result.Sent = messages.size();
  result.Expected = idealMs.size();
  std::vector<double> late;
  // Nothing is dropped unless 300 ms late, so message i is event i when the counts agree.
  for (size_t i = 0; i < std::min(messages.size(), idealMs.size()); ++i) {
    const double actual = std::chrono::duration<double, std::milli>(messages[i].Time - start).count();
    late.push_back(actual - idealMs[i]);
  }
  if (late.empty()) return result;
  double sum = 0;
  for (double l : late) sum += l;
  result.Mean = sum / static_cast<double>(late.size());
  std::sort(late.begin(), late.end());
  result.P99 = late[std::min(late.size() - 1, static_cast<size_t>(static_cast<double>(late.size()) * 0.99))];
  result.Max = late.back();
  return result;
}

void PrintLateness(const char* label, const TLateness& l) {
  std::printf("  %-34s mean %6.2f ms   p99 %6.2f ms   max %7.2f ms   (%zu of %zu messages)\n", label, l.Mean,
              l.P99, l.Max, l.Sent, l.Expected);
}

double ProcessCpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

bool RealTimeGranted() {
  std::thread probe;
  bool granted = false;
  probe = std::thread([&] {
    sched_param param{};
    param.sched_priority = sched_get_priority_min(SCHED_FIFO);
    granted = pthread_setschedparam(pthread_self(), SCHED_FIFO, &param) == 0;
  });
  probe.join();
  return granted;
}

}  // namespace

int main(int argc, char** argv) {
  int seconds = 60;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--seconds") == 0 && i + 1 < argc) {
      seconds = std::max(1, std::atoi(argv[++i]));
    } else {
      std::fprintf(stderr, "Usage: playback_bench [--seconds N]\n");
      return 2;
    }
  }
  const std::string dense = DenseSong(seconds);
  std::printf(
      "playback_bench: dense song of %d s at %d bpm, %d ticks per quarter; thread period 5 ms; "
      "real-time priority %s\n",
      seconds, kBpm, kDivision, RealTimeGranted() ? "granted" : "not granted (ordinary thread)");

  std::printf("timing (lateness of each message against its ideal time):\n");
  PrintLateness("idle machine", MeasureLateness(dense));
  {
    std::atomic<bool> spin{true};
    const unsigned others = std::max(1u, std::thread::hardware_concurrency() - 1);
    std::vector<std::thread> busy;
    for (unsigned i = 0; i < others; ++i)
      busy.emplace_back([&] {
        volatile uint64_t x = 0;
        while (spin.load(std::memory_order_relaxed)) x = x + 1;
      });
    char label[64];
    std::snprintf(label, sizeof label, "%u other core(s) busy", others);
    PrintLateness(label, MeasureLateness(dense));
    spin = false;
    for (auto& t : busy) t.join();
  }

  {
    // Two notes 30 s apart: the thread only wakes, reads the clock and sleeps again.
    const std::string sparse =
        MakeSmf({{0, Msg(0x90, 60, 90)}, {static_cast<uint32_t>(30000 / kMsPerTick), Msg(0x80, 60, 0)}});
    TSmfPlayer player(RecordingFactory(std::make_shared<TMidiRecording>()));
    player.LoadFromStream(std::span(reinterpret_cast<const uint8_t*>(sparse.data()), sparse.size()));
    player.Open();
    player.Play();
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    const double cpu0 = ProcessCpuSeconds();
    const Steady::time_point t0 = Steady::now();
    std::this_thread::sleep_for(std::chrono::seconds(10));
    const double cpu = ProcessCpuSeconds() - cpu0;
    const double wall = std::chrono::duration<double>(Steady::now() - t0).count();
    player.Stop();
    std::printf("waiting between sparse events: %.3f%% of one core (%.1f ms CPU in %.1f s)\n",
                100 * cpu / wall, cpu * 1000, wall);
  }

  {
    const std::filesystem::path wav =
        std::filesystem::temp_directory_path() / ("playback_bench-" + std::to_string(getpid()) + ".wav");
    const Steady::time_point t0 = Steady::now();
    const TRenderInfo info =
        RenderSmfToWav(std::span(reinterpret_cast<const uint8_t*>(dense.data()), dense.size()), wav);
    const double wall = std::chrono::duration<double>(Steady::now() - t0).count();
    std::filesystem::remove(wav);
    std::printf("render: %.1f s of audio in %.2f s: %.0f x real time\n", info.Seconds, wall,
                info.Seconds / wall);
  }
  return 0;
}
