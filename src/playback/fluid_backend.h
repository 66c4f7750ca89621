// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "playback/midi_out.h"

/// The General MIDI SoundFont used when none is named: Debian's TimGM6mb or whatever the
/// default-GM link points to, then FluidSynth's own default; empty when none exists.
std::filesystem::path FindDefaultSoundFont();

/// The built-in General MIDI synthesizer on FluidSynth. Live, it plays to the audio output the
/// FluidSynth library chooses (PulseAudio, PipeWire or ALSA); offline, the caller pulls samples
/// with Render, faster than real time and without any device.
class TFluidSynthBackend : public TMidiBackend {
 public:
  enum class TMode { Live, Offline };
  static constexpr int kSampleRate = 44100;

  /// An empty `soundFont` means FindDefaultSoundFont().
  explicit TFluidSynthBackend(TMode mode, std::filesystem::path soundFont = {});
  ~TFluidSynthBackend() override;

  /// One device: the built-in synthesizer.
  std::vector<std::string> DeviceNames() override;
  /// Creates the synthesizer, loads the SoundFont and, live, opens the audio output; false with
  /// LastError() set when any of it fails.
  [[nodiscard]] bool Open(int device) override;
  void Close() override;
  [[nodiscard]] bool SendShort(uint32_t message) override;
  /// System exclusive (F0 ... F7) goes to the synthesizer's SysEx handling.
  [[nodiscard]] bool SendLong(std::span<const uint8_t> sysex) override;

  /// Offline only: appends `frames` stereo frames (interleaved 16-bit) to `out`.
  bool Render(size_t frames, std::vector<int16_t>& out);
  /// Why the last Open failed (code page 932), empty when it did not.
  [[nodiscard]] const std::string& LastError() const { return lastError_; }

 private:
  struct TImpl;
  TMode mode_;
  std::filesystem::path soundFont_;
  std::string lastError_;
  std::unique_ptr<TImpl> impl_;
};
