// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "compiler/StrToIntListU.h"

#include <utility>

#include "common/Cp932.h"

namespace {

// Upper-cases ASCII letters only; the trail byte of a double-byte character may look like a
// letter but must stay as it is, or two different characters would compare equal.
std::string UpperAsciiOutsideDoubleBytes(std::string_view name) {
  std::string key(name);
  for (size_t i = 0; i < key.size(); ++i) {
    const auto b = static_cast<uint8_t>(key[i]);
    if (pelorund::IsLeadByte(b)) {
      ++i;
    } else if (b >= 'a' && b <= 'z') {
      key[i] = static_cast<char>(b - 'a' + 'A');
    }
  }
  return key;
}

}  // namespace

std::string TStrToIntList::Key(std::string_view name) const {
  return caseSensitive_ ? std::string(name) : UpperAsciiOutsideDoubleBytes(name);
}

void TStrToIntList::SetCaseSensitive(bool flag) {
  if (flag == caseSensitive_) return;
  caseSensitive_ = flag;
  // Pairs are visited in the old key order; emplace keeps the first of names that now collide.
  std::map<std::string, std::pair<std::string, int>> rebuilt;
  for (auto& [oldKey, item] : items_) {
    std::string key = Key(item.first);
    rebuilt.emplace(std::move(key), std::move(item));
  }
  items_ = std::move(rebuilt);
}

void TStrToIntList::AddName(std::string_view name, int value) {
  items_[Key(name)] = {std::string(name), value};
}

void TStrToIntList::RemoveName(std::string_view name) { items_.erase(Key(name)); }

bool TStrToIntList::FindName(std::string_view name, int& value) const {
  const auto it = items_.find(Key(name));
  if (it == items_.end()) return false;
  value = it->second.second;
  return true;
}
