// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <map>
#include <string>
#include <string_view>

/// Names to integers, at most one pair per name; names match regardless of ASCII case unless
/// switched to case-sensitive.
class TStrToIntList {
 public:
  /// Switching keeps the pairs; of names that become equal under the new rule one stays.
  void SetCaseSensitive(bool flag);
  /// Replaces an existing pair of the same name.
  void AddName(std::string_view name, int value);
  void RemoveName(std::string_view name);
  /// Returns whether the name is present and, if so, stores its integer in `value`.
  bool FindName(std::string_view name, int& value) const;
  [[nodiscard]] int Count() const { return static_cast<int>(items_.size()); }

 private:
  [[nodiscard]] std::string Key(std::string_view name) const;

  bool caseSensitive_ = false;
  std::map<std::string, std::pair<std::string, int>> items_;  // key -> (name as given, value)
};
