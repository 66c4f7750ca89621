// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "playback/recording_backend.h"

#include <utility>

void TMidiRecording::Add(TRecordedMessage message) {
  message.Time = Clock ? Clock() : std::chrono::steady_clock::now();
  const std::lock_guard lock(mutex_);
  messages_.push_back(std::move(message));
}

void TMidiRecording::NoteOpen(int device) {
  const std::lock_guard lock(mutex_);
  opened_.push_back(device);
}

std::vector<TRecordedMessage> TMidiRecording::Messages() const {
  const std::lock_guard lock(mutex_);
  return messages_;
}

std::vector<int> TMidiRecording::OpenedDevices() const {
  const std::lock_guard lock(mutex_);
  return opened_;
}

void TMidiRecording::Clear() {
  const std::lock_guard lock(mutex_);
  messages_.clear();
  opened_.clear();
}

TRecordingBackend::TRecordingBackend(std::shared_ptr<TMidiRecording> recording)
    : recording_(std::move(recording)) {}

std::vector<std::string> TRecordingBackend::DeviceNames() { return recording_->Names; }

bool TRecordingBackend::Open(int device) {
  const int count = static_cast<int>(recording_->Names.size());
  if (recording_->FailOpen || device >= count || (device < 0 && count == 0)) return false;
  recording_->NoteOpen(device);
  device_ = device < 0 ? 0 : device;
  open_ = true;
  return true;
}

void TRecordingBackend::Close() { open_ = false; }

bool TRecordingBackend::SendShort(uint32_t message) {
  if (!open_) return false;
  TRecordedMessage recorded;
  recorded.Device = device_;
  const int length = ShortMessageLength(static_cast<uint8_t>(message));
  for (int i = 0; i < length; ++i) recorded.Bytes.push_back(static_cast<uint8_t>(message >> (8 * i)));
  recording_->Add(std::move(recorded));
  return true;
}

bool TRecordingBackend::SendLong(std::span<const uint8_t> sysex) {
  if (!open_) return false;
  TRecordedMessage recorded;
  recorded.Device = device_;
  recorded.Bytes.assign(sysex.begin(), sysex.end());
  recorded.Long = true;
  recording_->Add(std::move(recorded));
  return true;
}

TMidiBackendFactory RecordingFactory(std::shared_ptr<TMidiRecording> recording) {
  return [recording]() -> std::unique_ptr<TMidiBackend> {
    return std::make_unique<TRecordingBackend>(recording);
  };
}
