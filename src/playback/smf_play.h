// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <stdexcept>
#include <stop_token>
#include <thread>

#include "playback/smf_unit.h"

/// A playback failure (the port cannot be opened); the message is code page 932.
class ESmfPlayer : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

/// The player's millisecond clock; it may wrap around like a 32-bit counter.
using TMsClock = std::function<uint32_t()>;

/// Milliseconds of std::chrono::steady_clock, wrapped to 32 bits.
uint32_t SteadyMs();

/// 60000 / bpm / timeBase; 5.2 where that is no positive number (a tempo or time base of 0).
long double MsPerTickFor(int bpm, uint16_t timeBase);

class TMidiThread;

/// Plays a Standard MIDI File in time through its MIDI output port, on a thread of its own.
class TSmfPlayer : public smf_unit::TSmfCustomPlayer {
 public:
  /// `factory` as for TMidiOut; `clock` defaults to SteadyMs (tests pass a manual one).
  explicit TSmfPlayer(TMidiBackendFactory factory = {}, TMsClock clock = {});
  /// Stops a running playback first.
  ~TSmfPlayer() override;

  /// Stops any playback, reads the file and merges its tracks; ESmfReadSMF or a file error.
  void LoadFromFile(const std::filesystem::path& fileName);
  /// The same for a file image in memory.
  void LoadFromStream(std::span<const uint8_t> bytes);
  /// The tick of the last event, 0 for an empty song.
  [[nodiscard]] int32_t GetLength() const;
  /// Opens the default device unless the port is open; ESmfPlayer when it cannot be opened.
  void Open();
  /// Starts playing from Position; nothing when playing already or when the song is empty.
  void Play();
  /// Ends playback: the thread has finished before all notes are turned off, so nothing reaches
  /// the port after that.
  void Stop();

  std::atomic<bool> Playing{false};
  std::unique_ptr<TMidiThread> Thread;
  uint8_t TimerPeriod = 5;           // ms between the thread's steps
  std::atomic<int32_t> Position{0};  // where Play starts; the current tick while playing
  std::atomic<int32_t> Tempo{0};     // beats per minute in effect; may be written while playing
  TMsClock Clock;
};

/// The timing of one playback: every Period ms one Step sends the events that have become due.
/// Constructing it prepares the start (tempo, seek); Start runs the steps on a std::jthread.
/// Tests leave it unstarted and call Step with a manual clock.
class TMidiThread {
 public:
  /// Takes the tempo, the clock's time zero and the start position from the player.
  explicit TMidiThread(TSmfPlayer& player);
  /// Asks the thread to end and waits for it.
  ~TMidiThread();
  TMidiThread(const TMidiThread&) = delete;
  TMidiThread& operator=(const TMidiThread&) = delete;

  /// Runs Step every Period ms on a thread of high priority until asked to end.
  void Start();
  /// Reads the clock, sets the player's Position and sends every event due by now; at the last
  /// event clears the player's Playing and asks the thread to end.
  void Step();
  /// Asks the thread to end after its current step.
  void RequestStop() { stop_.request_stop(); }
  /// Waits until the thread has ended (at once when it never started).
  void Join();
  /// Whether the thread was asked to end (by RequestStop or at the end of the song).
  [[nodiscard]] bool StopRequested() const { return stop_.stop_requested(); }

  static constexpr int kLatenessLimitMs = 300;  // events this late are dropped

  TSmfPlayer& Player;
  smf_unit::TSmfSong& Song;
  smf_unit::TSmfTrack* Events = nullptr;  // the merged track; nullptr for a song without tracks
  size_t EventIndex = 0;
  long double MsPerTick = 0;
  uint32_t StartTime = 0;
  int32_t Delay = 0;
  int Period = 5;
  int CurrentTempo = 0;
  int32_t Elapsed = 0;
  int32_t CurrentTick = 0;

 private:
  void Seek();
  void Execute(std::stop_token stop);
  void ReadElapsed();
  void Dispatch(smf_unit::TSmfEvent& event);
  void ApplyTempo(int bpm);
  void EndOfSong();
  [[nodiscard]] uint32_t Now() const;

  std::stop_source stop_;
  std::mutex sleepMutex_;
  std::condition_variable_any sleep_;
  std::jthread thread_;
};
