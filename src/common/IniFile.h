// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace pelorund {

/// An INI file held in memory, with the rules of every INI file the program reads: lines trimmed
/// of blanks and control characters; empty lines and lines starting with ";" ignored; "[name]"
/// starts a section; "key=value" with blanks around "=" removed; lines before the first section
/// ignored; the first of equal keys counts; a missing file reads as an empty one. Section and key
/// names compare regardless of ASCII case unless switched to case-sensitive.
class TIniFile {
 public:
  TIniFile() = default;
  /// Reads the file; a missing or unreadable file gives an empty INI.
  explicit TIniFile(const std::filesystem::path& fileName);

  /// Replaces the contents with the file's; a missing or unreadable file gives an empty INI.
  void LoadFromFile(const std::filesystem::path& fileName);
  /// Replaces the contents with the parsed bytes.
  void SetText(std::string_view bytes);
  /// Makes section and key names compare exactly (also for what was already loaded).
  void SetCaseSensitive(bool flag) { caseSensitive_ = flag; }
  /// True when names compare exactly.
  [[nodiscard]] bool CaseSensitive() const { return caseSensitive_; }

  /// True when a section of that name was read or written.
  [[nodiscard]] bool SectionExists(std::string_view section) const;
  /// True when the section holds the key.
  [[nodiscard]] bool ValueExists(std::string_view section, std::string_view key) const;
  /// The value of the first key of that name, `defaultValue` when absent.
  [[nodiscard]] std::string ReadString(std::string_view section, std::string_view key,
                                       std::string_view defaultValue = {}) const;
  /// Decimal, or hexadecimal after "$" or "0x"; `defaultValue` when absent or not a number.
  [[nodiscard]] int ReadInteger(std::string_view section, std::string_view key, int defaultValue) const;
  /// "0" is false, any other integer true; `defaultValue` when absent or not a number.
  [[nodiscard]] bool ReadBool(std::string_view section, std::string_view key, bool defaultValue) const;

  /// Section names in file order, a repeated name once.
  [[nodiscard]] std::vector<std::string> SectionNames() const;
  /// The (key, value) lines of a section in file order, repeated keys included.
  [[nodiscard]] std::vector<std::pair<std::string, std::string>> SectionPairs(std::string_view section) const;

  /// Sets a key (the first of its name), adding the section and key at their ends when absent.
  void WriteString(std::string_view section, std::string_view key, std::string_view value);
  /// WriteString of the decimal number.
  void WriteInteger(std::string_view section, std::string_view key, int value);
  /// WriteString of "1" or "0".
  void WriteBool(std::string_view section, std::string_view key, bool value);

  /// The INI as text, lines ended by CR LF.
  [[nodiscard]] std::string Text() const;
  /// Writes Text() atomically; throws std::runtime_error naming the file on failure.
  void SaveToFile(const std::filesystem::path& fileName) const;

 private:
  struct TSection {
    std::string Name;
    std::vector<std::pair<std::string, std::string>> Pairs;
  };
  [[nodiscard]] bool SameName(std::string_view a, std::string_view b) const;
  [[nodiscard]] const TSection* FindSection(std::string_view name) const;
  [[nodiscard]] const std::string* FindValue(std::string_view section, std::string_view key) const;

  bool caseSensitive_ = false;
  std::vector<TSection> sections_;
};

}  // namespace pelorund
