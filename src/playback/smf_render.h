// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <stdexcept>

/// What a render wrote.
struct TRenderInfo {
  double SongSeconds = 0;  // the last event's time
  double Seconds = 0;      // the whole file, release tail included
  size_t Frames = 0;
  uintmax_t FileBytes = 0;
};

/// A render stopped because its progress callback asked for it.
class ERenderCancelled : public std::runtime_error {
 public:
  ERenderCancelled() : std::runtime_error("render cancelled") {}
};

/// Told the share of the render done so far (0 to 1) now and then; returning false stops it.
using TRenderProgress = std::function<bool(double done)>;

/// Renders a Standard MIDI File image through the built-in synthesizer into a WAV file (44.1 kHz,
/// 16-bit stereo), offline and without any device: the events at the player's times, then the
/// release tail until it falls silent (at most 10 s). The file is replaced only on success.
/// ESmfReadSMF for bad data; ESmfPlayer when the synthesizer, the SoundFont (empty: the default
/// one) or the file fails, or the song lasts longer than kMaxRenderSeconds. With `progress`, it is
/// called between blocks of samples; when it returns false the render stops, the file is left as it
/// was and ERenderCancelled is thrown.
TRenderInfo RenderSmfToWav(std::span<const uint8_t> smf, const std::filesystem::path& wavFile,
                           const std::filesystem::path& soundFont = {}, const TRenderProgress& progress = {});

inline constexpr double kMaxRenderSeconds = 3 * 3600.0;
