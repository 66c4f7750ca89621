// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/IniFile.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <limits>
#include <optional>
#include <unordered_set>

#include "common/Cp932.h"
#include "common/FileUtils.h"

// A section named twice stays as two blocks in sections_; lookups treat the later blocks as the
// continuation of the first. Merging only at lookup keeps this right when the case rule changes
// after loading.

namespace pelorund {

namespace {

std::string_view Trim(std::string_view text) {
  while (!text.empty() && static_cast<uint8_t>(text.front()) <= 0x20) text.remove_prefix(1);
  while (!text.empty() && static_cast<uint8_t>(text.back()) <= 0x20) text.remove_suffix(1);
  return text;
}

// Decimal with an optional sign, or hexadecimal after "$" or "0x"; nothing when not an int32.
std::optional<int> ParseInteger(std::string_view text) {
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  int base = 10;
  if (!text.empty() && text.front() == '$') {
    base = 16;
    text.remove_prefix(1);
  } else if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  // from_chars on an unsigned type takes digits only, so a second sign is refused here.
  uint64_t magnitude = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), magnitude, base);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  const uint64_t limit = uint64_t{std::numeric_limits<int32_t>::max()} + (negative ? 1 : 0);
  if (magnitude > limit) return std::nullopt;
  const int64_t value = static_cast<int64_t>(magnitude);
  return static_cast<int>(negative ? -value : value);
}

}  // namespace

TIniFile::TIniFile(const std::filesystem::path& fileName) { LoadFromFile(fileName); }

void TIniFile::LoadFromFile(const std::filesystem::path& fileName) {
  const std::optional<std::string> bytes = ReadFileBytes(fileName);
  SetText(bytes ? *bytes : std::string());
}

void TIniFile::SetText(std::string_view bytes) {
  sections_.clear();
  size_t pos = 0;
  while (pos < bytes.size()) {
    // Lines end at CR LF, a lone CR or a lone LF.
    const size_t end = std::min(bytes.find_first_of("\r\n", pos), bytes.size());
    const std::string_view line = Trim(bytes.substr(pos, end - pos));
    pos = end;
    if (bytes.substr(pos, 2) == "\r\n") {
      pos += 2;
    } else if (pos < bytes.size()) {
      ++pos;
    }

    if (line.empty() || line.front() == ';') continue;
    if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
      sections_.push_back({std::string(Trim(line.substr(1, line.size() - 2))), {}});
      continue;
    }
    const size_t equals = line.find('=');
    if (sections_.empty() || equals == std::string_view::npos) continue;
    sections_.back().Pairs.emplace_back(Trim(line.substr(0, equals)), Trim(line.substr(equals + 1)));
  }
}

bool TIniFile::SameName(std::string_view a, std::string_view b) const {
  return caseSensitive_ ? a == b : SameTextAscii(a, b);
}

const TIniFile::TSection* TIniFile::FindSection(std::string_view name) const {
  for (const TSection& section : sections_) {
    if (SameName(section.Name, name)) return &section;
  }
  return nullptr;
}

const std::string* TIniFile::FindValue(std::string_view section, std::string_view key) const {
  for (const TSection& block : sections_) {
    if (!SameName(block.Name, section)) continue;
    for (const auto& [name, value] : block.Pairs) {
      if (SameName(name, key)) return &value;
    }
  }
  return nullptr;
}

bool TIniFile::SectionExists(std::string_view section) const { return FindSection(section) != nullptr; }

bool TIniFile::ValueExists(std::string_view section, std::string_view key) const {
  return FindValue(section, key) != nullptr;
}

std::string TIniFile::ReadString(std::string_view section, std::string_view key,
                                 std::string_view defaultValue) const {
  const std::string* value = FindValue(section, key);
  return std::string(value != nullptr ? std::string_view(*value) : defaultValue);
}

int TIniFile::ReadInteger(std::string_view section, std::string_view key, int defaultValue) const {
  const std::string* value = FindValue(section, key);
  if (value == nullptr) return defaultValue;
  return ParseInteger(*value).value_or(defaultValue);
}

bool TIniFile::ReadBool(std::string_view section, std::string_view key, bool defaultValue) const {
  const std::string* value = FindValue(section, key);
  if (value == nullptr) return defaultValue;
  const std::optional<int> number = ParseInteger(*value);
  return number ? *number != 0 : defaultValue;
}

std::vector<std::string> TIniFile::SectionNames() const {
  std::vector<std::string> names;
  std::unordered_set<std::string> seen;
  for (const TSection& section : sections_) {
    if (seen.insert(caseSensitive_ ? section.Name : UpperAscii(section.Name)).second) {
      names.push_back(section.Name);
    }
  }
  return names;
}

std::vector<std::pair<std::string, std::string>> TIniFile::SectionPairs(std::string_view section) const {
  std::vector<std::pair<std::string, std::string>> pairs;
  for (const TSection& block : sections_) {
    if (SameName(block.Name, section)) pairs.insert(pairs.end(), block.Pairs.begin(), block.Pairs.end());
  }
  return pairs;
}

void TIniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  TSection* last = nullptr;
  for (TSection& block : sections_) {
    if (!SameName(block.Name, section)) continue;
    for (auto& pair : block.Pairs) {
      if (SameName(pair.first, key)) {
        pair.second = value;
        return;
      }
    }
    last = &block;
  }
  if (last == nullptr) {
    sections_.push_back({std::string(section), {}});
    last = &sections_.back();
  }
  last->Pairs.emplace_back(key, value);
}

void TIniFile::WriteInteger(std::string_view section, std::string_view key, int value) {
  WriteString(section, key, std::to_string(value));
}

void TIniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

std::string TIniFile::Text() const {
  std::string text;
  for (const TSection& section : sections_) {
    text += '[';
    text += section.Name;
    text += "]\r\n";
    for (const auto& [key, value] : section.Pairs) {
      text += key;
      text += '=';
      text += value;
      text += "\r\n";
    }
  }
  return text;
}

void TIniFile::SaveToFile(const std::filesystem::path& fileName) const { WriteFileAtomic(fileName, Text()); }

}  // namespace pelorund
