// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "common/IniFile.h"

// What the editor's input windows write, free of any window: note names, chord progressions
// from progression.ini, the chord grid of chord.ini and the program and control change commands
// of controls.ini. All text is code page 932.
namespace input_text {

/// Number of accidental marks: 0 "+", 1 "#", 2 "-".
inline constexpr int kMarkCount = 3;

/// The note `semitones` above C (taken modulo 12) written with the mark (0 "+", 1 "#", 2 "-";
/// any other mark counts as 0): "C+", "C#" or "D-" for 1.
std::string_view NoteName(int mark, int semitones);

/// The template with every «[0]» to «[11]» replaced by the note that many semitones above `root`,
/// written with the mark; «[1]» never matches inside «[11]». Everything else stays as it is.
std::string FillTemplate(std::string_view pattern, int root, int mark);

/// One chord progression of progression.ini.
struct TProgression {
  std::string Name;
  std::string Template;
};

/// One category (section) of progression.ini.
struct TProgressionCategory {
  std::string Comment;
  std::vector<TProgression> Entries;
};

/// The name listed for a category without entries ("登録なし").
std::string_view NoEntryName();

/// The section's "comment" and its entries "0" to count-1 in key order; an entry whose comma
/// list has fewer than two items is skipped. A count below 1 (or missing, or no number) gives
/// the single entry NoEntryName() with an empty template. Work is bounded by the file, not by count.
TProgressionCategory ReadProgressionCategory(const pelorund::TIniFile& ini, std::string_view section);

/// Header row 0 of the chord grid: the interval name of `semitones` (modulo 12), "P1" ... "M7".
std::string_view IntervalName(int semitones);
/// Header row 1 of the chord grid: the note name of `semitones` (modulo 12), "C", "C#/Db" ...
std::string_view HeaderNoteName(int semitones);

/// The marks of one chord: index = semitones above the root; "●" for tones from 0 to 12, "○"
/// beyond (tensions) or below 0, empty elsewhere; the root is "●" unless a later tone of its
/// pitch class overrides it. Items that are no integer count as 0. No items: every mark empty.
std::array<std::string_view, 12> ChordMarks(std::string_view distances);

/// One chord of chord.ini with its marks.
struct TChordRow {
  std::string Name;
  std::array<std::string_view, 12> Marks;
};

/// The lines of section "chord" (any letter case) in file order, repeated names included.
std::vector<TChordRow> ReadChordRows(const pelorund::TIniFile& chordIni);

/// A note with a chord specification: «D(M7) » for root 2, any mark, name "M7".
std::string ChordText(int root, int mark, std::string_view chordName);

/// The kinds of controls.ini's entries.
enum class TControlKind { ProgramChange = 0, ControlChange = 1, Extend = 2 };

/// The section of controls.ini that holds the kind: "ProgramChange", "ControlChange", "Extend".
std::string_view ControlSection(TControlKind kind);

/// The 128 names of the kind, entry i from key i; empty where the file has no such key.
std::vector<std::string> ReadControlNames(const pelorund::TIniFile& controlsIni, TControlKind kind);

/// The text written for entry `index` (0 to 127): «@n 'name» + CR LF with n = index + 1,
/// «h$XX,  0 'name» + CR LF, or for a special command the name alone.
std::string ControlText(TControlKind kind, int index, std::string_view name);

}  // namespace input_text
