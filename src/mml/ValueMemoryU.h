// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <cstdint>
#include <limits>

/// One integer setting of a track with its default and range. The stored value is never clamped;
/// every read is, so relative changes accumulate beyond a bound ("V127 V+10 V-5" reads 127 thrice).
class TValueMemory {
 public:
  int32_t Default = 0;
  int64_t Current = 0;  // 64 bits: repeated relative changes must not overflow
  int32_t Min = std::numeric_limits<int32_t>::min();
  int32_t Max = std::numeric_limits<int32_t>::max();

  /// Sets the range and default, then Reset.
  void SetRange(int32_t min, int32_t max, int32_t defaultValue) {
    Min = min;
    Max = max;
    Default = defaultValue;
    Reset();
  }
  int Reset() { return SetValue(Default); }
  int SetValue(int64_t value) {
    Current = value;
    return GetValue();
  }
  int AddValue(int64_t delta) {
    Current = std::clamp<int64_t>(Current + delta, kStoreMin, kStoreMax);
    return GetValue();
  }
  [[nodiscard]] int GetValue() const { return static_cast<int>(std::clamp<int64_t>(Current, Min, Max)); }
  [[nodiscard]] int GetDefault() const { return std::clamp(Default, Min, Max); }

 private:
  // Far beyond any 32-bit value, yet safe from overflow however often a value is added.
  static constexpr int64_t kStoreMin = -(int64_t{1} << 60);
  static constexpr int64_t kStoreMax = int64_t{1} << 60;
};
