// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <initializer_list>
#include <map>
#include <set>
#include <string>
#include <vector>

/// The arguments of one command: options that take a value, flags, and one file.
struct TCliArgs {
  std::string File;
  std::map<std::string, std::string> Values;
  std::set<std::string> Flags;

  /// The value given to `option`, or "" when it was not given.
  [[nodiscard]] std::string Value(const std::string& option) const {
    const auto found = Values.find(option);
    return found == Values.end() ? std::string() : found->second;
  }
  [[nodiscard]] bool Has(const std::string& flag) const { return Flags.count(flag) != 0; }
};

/// Reads `args`. Throws std::invalid_argument with the message to show for an unknown option, an
/// option without its value, a second file or no file at all (`fileWhat` names the file: "source
/// file", "song file").
TCliArgs ParseCliArgs(const std::vector<std::string>& args, std::initializer_list<std::string> valueOptions,
                      std::initializer_list<std::string> flags, const std::string& fileWhat);
