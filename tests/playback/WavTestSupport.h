// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Reads 16-bit PCM WAV files and measures their loudness over stretches of time, so a test can
// say "sounds here, silent there" from the samples themselves.

#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "common/FileUtils.h"

namespace wav_test {

struct TWav {
  int Channels = 0;
  int SampleRate = 0;
  std::vector<int16_t> Samples;  // interleaved

  [[nodiscard]] double Seconds() const {
    return Channels && SampleRate ? static_cast<double>(Samples.size()) / Channels / SampleRate : 0;
  }

  /// The root mean square of all channels between two times, 0 to 1 of full scale.
  [[nodiscard]] double Rms(double fromSeconds, double toSeconds) const {
    const auto frame = [&](double seconds) {
      const double clamped = std::max(0.0, std::min(seconds, Seconds()));
      return static_cast<size_t>(clamped * SampleRate) * static_cast<size_t>(Channels);
    };
    const size_t from = frame(fromSeconds), to = frame(toSeconds);
    if (to <= from) return 0;
    double sum = 0;
    for (size_t i = from; i < to; ++i) sum += static_cast<double>(Samples[i]) * Samples[i];
    return std::sqrt(sum / static_cast<double>(to - from)) / 32768.0;
  }
};

inline uint32_t Le(const std::string& bytes, size_t at, int count) {
  uint32_t value = 0;
  for (int i = count - 1; i >= 0; --i)
    value = (value << 8) | static_cast<uint8_t>(bytes[at + static_cast<size_t>(i)]);
  return value;
}

/// The file's samples; nothing when it is no 16-bit PCM WAV file.
inline std::optional<TWav> ReadWav(const std::filesystem::path& file) {
  const std::optional<std::string> bytes = pelorund::ReadFileBytes(file);
  if (!bytes || bytes->size() < 12 || bytes->compare(0, 4, "RIFF") != 0 || bytes->compare(8, 4, "WAVE") != 0)
    return std::nullopt;
  TWav wav;
  bool format = false;
  for (size_t at = 12; at + 8 <= bytes->size();) {
    const std::string id = bytes->substr(at, 4);
    const size_t size = Le(*bytes, at + 4, 4);
    const size_t body = at + 8;
    if (body + size > bytes->size() && id != "data") return std::nullopt;
    if (id == "fmt " && size >= 16) {
      if (Le(*bytes, body, 2) != 1 || Le(*bytes, body + 14, 2) != 16) return std::nullopt;  // 16-bit PCM only
      wav.Channels = static_cast<int>(Le(*bytes, body + 2, 2));
      wav.SampleRate = static_cast<int>(Le(*bytes, body + 4, 4));
      format = true;
    } else if (id == "data" && format) {
      const size_t count = std::min(size, bytes->size() - body) / 2;
      wav.Samples.resize(count);
      std::memcpy(wav.Samples.data(), bytes->data() + body, count * 2);  // little-endian machine
      return wav;
    }
    at = body + size + (size & 1);
  }
  return std::nullopt;
}

}  // namespace wav_test
