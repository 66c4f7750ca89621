// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "playback/midi_out.h"

/// MIDI output ports through RtMidi: the ports of every compiled-in API that is available on this
/// machine (on Linux the ALSA sequencer, then JACK), in that order. An API whose service is
/// missing (no /dev/snd/seq, no JACK server) contributes no port; that is not an error.
class TRtMidiBackend : public TMidiBackend {
 public:
  TRtMidiBackend();
  ~TRtMidiBackend() override;

  /// The port names, as RtMidi reports them, converted to code page 932.
  std::vector<std::string> DeviceNames() override;
  /// Opens port `device` (-1: the first port).
  [[nodiscard]] bool Open(int device) override;
  void Close() override;
  [[nodiscard]] bool SendShort(uint32_t message) override;
  [[nodiscard]] bool SendLong(std::span<const uint8_t> sysex) override;

 private:
  struct TImpl;
  std::unique_ptr<TImpl> impl_;
};
