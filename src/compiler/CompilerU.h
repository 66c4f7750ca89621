// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/IniFile.h"
#include "compiler/FuncListU.h"
#include "compiler/IntegerListU.h"
#include "compiler/ScannerU.h"
#include "mml/TrackListU.h"
#include "smf/SmfU.h"

/// Compiles one MML source into one Standard MIDI File. It is its own command table: the
/// constructor binds every command word to a handler, and the compile loop dispatches the words
/// the scanner yields until the source ends or a handler fails. One compiler serves one compile.
class TCompiler : public TFuncList {
 public:
  /// Reads the chord definitions from `chordIniFile` (a missing file gives none).
  explicit TCompiler(const std::filesystem::path& chordIniFile = {});

  /// Loads the source file; false when it cannot be read (then do not compile).
  bool LoadSource(const std::filesystem::path& fileName) { return Scanner.LoadSource(fileName); }
  /// Uses `text` (code page 932 bytes) as the source.
  void SetSource(std::string_view text) { Scanner.SetText(text); }

  /// Compiles in memory: fills Log and, when the source compiled, SmfImage (empty when the song
  /// holds no event). `result.Ok` keeps the caller's value when no command runs.
  void Run(TFuncResult& result);

  /// Run, then write the SMF (only after a successful compile with events; atomically) and, when
  /// `logFile` is not empty, the log. Throws std::runtime_error when a file cannot be written;
  /// when the SMF fails, the log is not written either.
  void Compile(const std::filesystem::path& smfFile, TFuncResult& result,
               const std::filesystem::path& logFile = {});

  /// The log as the bytes of the log file: code page 932, every line ended by CR LF.
  [[nodiscard]] std::string LogText() const;

  /// Forces `value` into min..max (min when min > max). When it changed, sets `message` to the
  /// warning text with the old and new value and returns true.
  bool ClampParam(int64_t min, int64_t max, int& value, std::string& message);

  // --- compile state (the handlers are members; tests inspect it) ---
  std::vector<std::string> Log;
  TScanner Scanner;
  SmfU::TSmf Smf;
  TTrackList Tracks;
  int CurrentTrack = 0;
  bool InParallel = false;
  int ParallelVoice = 0;
  int64_t ParallelStart = 0;
  int64_t ParallelEnd = 0;
  bool ParcEnabled = false;
  std::array<bool, 128> ParcDefined{};
  std::array<uint8_t, 128> ParcNote{};
  int Transpose = 0;
  pelorund::TIniFile ChordIni;
  std::vector<std::string> ChordItems;
  TIntegerList ChordIntervals;

  /// The SMF image of the last successful Run.
  std::vector<uint8_t> SmfImage;

  /// The local date and time of the log's banner and end lines ("YYYY/MM/DD HH:MM:SS").
  std::function<std::string()> Now;

  // Limits that keep any source from hanging the compiler or exhausting memory.
  int MaxTrackIndex = 9999;
  int64_t MaxTick = SmfU::kMaxDeltaTime;  // what a delta time of the file can hold
  size_t MaxEvents = 4'000'000;
  int64_t MaxCommands = 50'000'000;

 private:
  void RegisterCommands();
  void FinishTracks();
  [[nodiscard]] std::string LookupWord(const std::string& word) const;
  /// The log line "停止:..." / "注意:..." for the word at the scanner's position.
  void LogLine(std::string_view kind, const std::string& word, TFuncResult& result);
  /// Fails the command when the time or the amount of events left the bounds of a file.
  bool CheckLimits(TFuncResult& result);

  /// The current track, created on demand; fails `result` when the track number is too large.
  TTrackListItem* CurrentTrackOr(TFuncResult& result);

 public:
  // --- command handlers: each reads its parameters, sets result.Ok, never throws ---

  // Notes, rests, chords, and the per-note LFO and envelope (mml/NoteCommands.cpp).
  void DoNoteLetter(const std::string& word, TFuncResult& result);
  void DoNoteNumber(const std::string& word, TFuncResult& result);
  void DoRest(const std::string& word, TFuncResult& result);
  /// "&" or "~" that follows no note connects nothing.
  void DoLoneConnectionMark(const std::string& word, TFuncResult& result);

 private:
  void LetterNote(int letterIndex, TFuncResult& result);
  void PlayNote(int key, TFuncResult& result);
  bool ReadChord(TTrackListItem& track, TFuncResult& result);
  void UpdatePitchBend(TTrackListItem& track, int64_t tick);
  [[nodiscard]] int PlainBend(const TTrackListItem& track) const;
  void ApplyEnvelope(TTrackListItem& track);

  // The value-command protocol: modifier "?", "!", "+", "-", "=" or none, then a signed number
  // (plus `bias`). `written` receives the value an event carries; nothing for "?".
  bool ReadValueCommand(TValueMemory& holder, TFuncResult& result, std::optional<int>& written, int bias = 0);

 public:
  // Parameter commands (mml/ParameterCommands.cpp).
  void DoOctave(const std::string& word, TFuncResult& result);
  void DoOctaveShift(const std::string& word, TFuncResult& result);
  void DoLength(const std::string& word, TFuncResult& result);

  // Directives (mml/DirectiveCommands.cpp).
  void DoTrack(const std::string& word, TFuncResult& result);
  void DoSync(const std::string& word, TFuncResult& result);

  // @-commands (mml/AtCommands.cpp).
  void DoChordMode(const std::string& word, TFuncResult& result);
};
