// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/InputTextU.h"

#include <charconv>
#include <cstdint>
#include <map>

#include "common/CommaList.h"
#include "common/Format.h"
#include "common/StrUnit.h"

namespace input_text {

namespace {

// 登録なし
constexpr std::string_view kNoEntry = "\x93\x6f\x98\x5e\x82\xc8\x82\xb5";
// ●
constexpr std::string_view kToneMark = "\x81\x9c";
// ○
constexpr std::string_view kTensionMark = "\x81\x9b";

constexpr std::string_view kNoteNames[kMarkCount][12] = {
    {"C", "C+", "D", "D+", "E", "F", "F+", "G", "G+", "A", "A+", "B"},
    {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"},
    {"C", "D-", "D", "E-", "E", "F", "G-", "G", "A-", "A", "B-", "B"},
};

constexpr std::string_view kIntervalNames[12] = {"P1",      "m2/b9", "M2/9",   "m3/#9", "M3", "P4/11",
                                                 "Tri/#11", "P5",    "m6/b13", "M6/13", "m7", "M7"};

constexpr std::string_view kHeaderNoteNames[12] = {"C",     "C#/Db", "D",     "D#/Eb", "E",     "F",
                                                   "F#/Gb", "G",     "G#/Ab", "A",     "A#/Bb", "B"};

int PitchClass(int semitones) { return ((semitones % 12) + 12) % 12; }

std::string_view Trim(std::string_view text) {
  while (!text.empty() && static_cast<uint8_t>(text.front()) <= 0x20) text.remove_prefix(1);
  while (!text.empty() && static_cast<uint8_t>(text.back()) <= 0x20) text.remove_suffix(1);
  return text;
}

// A chord tone as the compiler reads it: an optional "+" or "-", decimal digits; else 0.
int ToneValue(std::string_view item) {
  item = Trim(item);
  if (!item.empty() && item.front() == '+') item.remove_prefix(1);
  int value = 0;
  const auto [end, error] = std::from_chars(item.data(), item.data() + item.size(), value);
  return error == std::errc() && end == item.data() + item.size() ? value : 0;
}

// The number of a key written the way the window asks for it ("0", "1", ... without leading
// zeros), or -1 for any other key.
int64_t EntryNumber(std::string_view key) {
  if (key.empty() || key.size() > 10 || (key.size() > 1 && key.front() == '0')) return -1;
  int64_t value = 0;
  const auto [end, error] = std::from_chars(key.data(), key.data() + key.size(), value);
  return error == std::errc() && end == key.data() + key.size() ? value : -1;
}

}  // namespace

std::string_view NoteName(int mark, int semitones) {
  if (mark < 0 || mark >= kMarkCount) mark = 0;
  return kNoteNames[mark][PitchClass(semitones)];
}

std::string FillTemplate(std::string_view pattern, int root, int mark) {
  std::string text(pattern);
  for (int k = 0; k < 12; ++k) {
    const std::string placeholder = "[" + std::to_string(k) + "]";
    text = pelorund::ReplaceText(text, placeholder, NoteName(mark, k + root), true).Text;
  }
  return text;
}

std::string_view NoEntryName() { return kNoEntry; }

TProgressionCategory ReadProgressionCategory(const pelorund::TIniFile& ini, std::string_view section) {
  TProgressionCategory category;
  category.Comment = ini.ReadString(section, "comment");
  const int count = ini.ReadInteger(section, "count", 0);
  if (count < 1) {
    category.Entries.push_back({std::string(kNoEntry), {}});
    return category;
  }
  // Keys "0" to count-1, the first of equal keys counting; gathered from the lines that exist,
  // so a huge count costs nothing.
  std::map<int64_t, std::string> values;
  for (const auto& [key, value] : ini.SectionPairs(section)) {
    const int64_t number = EntryNumber(key);
    if (number >= 0 && number < count) values.emplace(number, value);
  }
  for (const auto& [number, value] : values) {
    std::vector<std::string> items = pelorund::SplitCommaList(value);
    if (items.size() < 2) continue;
    category.Entries.push_back({std::move(items[0]), std::move(items[1])});
  }
  return category;
}

std::string_view IntervalName(int semitones) { return kIntervalNames[PitchClass(semitones)]; }

std::string_view HeaderNoteName(int semitones) { return kHeaderNoteNames[PitchClass(semitones)]; }

std::array<std::string_view, 12> ChordMarks(std::string_view distances) {
  std::array<std::string_view, 12> marks{};
  const std::vector<std::string> items = pelorund::SplitCommaList(distances);
  if (items.empty()) return marks;
  marks[0] = kToneMark;
  for (const std::string& item : items) {
    const int tone = ToneValue(item);
    marks[static_cast<size_t>(PitchClass(tone))] = tone < 0 || tone > 12 ? kTensionMark : kToneMark;
  }
  return marks;
}

std::vector<TChordRow> ReadChordRows(const pelorund::TIniFile& chordIni) {
  std::vector<TChordRow> rows;
  for (const auto& [name, distances] : chordIni.SectionPairs("chord"))
    rows.push_back({name, ChordMarks(distances)});
  return rows;
}

std::string ChordText(int root, int mark, std::string_view chordName) {
  std::string text(NoteName(mark, root));
  text += '(';
  text += chordName;
  text += ") ";
  return text;
}

std::string_view ControlSection(TControlKind kind) {
  switch (kind) {
    case TControlKind::ControlChange:
      return "ControlChange";
    case TControlKind::Extend:
      return "Extend";
    case TControlKind::ProgramChange:
      break;
  }
  return "ProgramChange";
}

std::vector<std::string> ReadControlNames(const pelorund::TIniFile& controlsIni, TControlKind kind) {
  std::vector<std::string> names;
  names.reserve(128);
  for (int i = 0; i < 128; ++i)
    names.push_back(controlsIni.ReadString(ControlSection(kind), std::to_string(i)));
  return names;
}

std::string ControlText(TControlKind kind, int index, std::string_view name) {
  switch (kind) {
    case TControlKind::ProgramChange:
      return "@" + std::to_string(index + 1) + " '" + std::string(name) + "\r\n";
    case TControlKind::ControlChange:
      return "h" + pelorund::Format("$%2.2x,  0 ", index) + "'" + std::string(name) + "\r\n";
    case TControlKind::Extend:
      break;
  }
  return std::string(name);
}

}  // namespace input_text
