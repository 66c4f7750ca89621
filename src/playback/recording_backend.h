// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "playback/midi_out.h"

/// One message as a recording back end received it.
struct TRecordedMessage {
  std::chrono::steady_clock::time_point Time;
  int Device = 0;              // the device the connection had opened
  std::vector<uint8_t> Bytes;  // a short message's bytes (1 to 3) or the system-exclusive data
  bool Long = false;           // sent with SendLong
};

/// What every connection of a recording factory shares: its devices, whether opening fails,
/// and the messages in the order they arrived. Safe to read while a player thread records.
class TMidiRecording {
 public:
  /// The device names the connections report.
  std::vector<std::string> Names{"Recorder"};
  /// When set, Open fails.
  bool FailOpen = false;
  /// The time stamp of each message; steady_clock::now() by default.
  std::function<std::chrono::steady_clock::time_point()> Clock;

  void Add(TRecordedMessage message);
  void NoteOpen(int device);
  /// A copy of the messages so far.
  [[nodiscard]] std::vector<TRecordedMessage> Messages() const;
  /// The device ids Open was given so far, in order.
  [[nodiscard]] std::vector<int> OpenedDevices() const;
  void Clear();

 private:
  mutable std::mutex mutex_;
  std::vector<TRecordedMessage> messages_;
  std::vector<int> opened_;
};

/// A back end that sends nowhere and keeps every message with its time stamp.
class TRecordingBackend : public TMidiBackend {
 public:
  explicit TRecordingBackend(std::shared_ptr<TMidiRecording> recording);
  std::vector<std::string> DeviceNames() override;
  [[nodiscard]] bool Open(int device) override;
  void Close() override;
  [[nodiscard]] bool SendShort(uint32_t message) override;
  [[nodiscard]] bool SendLong(std::span<const uint8_t> sysex) override;

 private:
  std::shared_ptr<TMidiRecording> recording_;
  int device_ = 0;
  bool open_ = false;
};

/// A factory whose connections all record into `recording`.
TMidiBackendFactory RecordingFactory(std::shared_ptr<TMidiRecording> recording);
