// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later

// Reads arbitrary bytes as a Standard MIDI File for playback, merges its tracks and sends every
// event to a port that records. Any crash, hang, sanitizer report or exception other than
// ESmfReadSMF is a fault: every file, however malformed, must end in a song or that error.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "playback/recording_backend.h"
#include "playback/smf_unit.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const auto recording = std::make_shared<TMidiRecording>();
  smf_unit::TSmfCustomPlayer player(RecordingFactory(recording));
  if (!player.MidiOut.Open(-1)) return 0;
  try {
    player.Song.LoadFromStream(std::span(data, size));
  } catch (const smf_unit::ESmfReadSMF&) {
    return 0;
  }
  player.Song.MergeTracks();
  if (player.Song.Count() > 0) {
    const smf_unit::TSmfTrack& track = player.Song.Track(0);
    for (size_t i = 0; i < track.Count(); ++i) track.Event(i).Play();
  }
  recording->Clear();
  return 0;
}
