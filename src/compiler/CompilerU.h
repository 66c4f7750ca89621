// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/IniFile.h"
#include "compiler/FuncListU.h"
#include "compiler/IntegerListU.h"
#include "compiler/ScannerU.h"
#include "compiler/SourceMapU.h"
#include "mml/LoopListU.h"
#include "mml/MacroListU.h"
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
  bool ClampParam(int64_t min, int64_t max, int64_t& value, std::string& message);

  // --- compile state (the handlers are members; tests inspect it) ---
  std::vector<std::string> Log;
  TScanner Scanner;
  SmfU::TSmf Smf;
  TLoopList Loops;
  TMacroList Macros;
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
  int MaxTableTicks = 1'000'000;  // the longest LFO period and envelope table

  /// When set, Run records where every note came from (nothing is recorded, and nothing costs, without).
  TSourceMap* SourceMap = nullptr;
  /// When set, Run polls it every few hundred commands and stops once it is true (Cancelled).
  const std::atomic<bool>* Cancel = nullptr;
  /// True when the last Run stopped through Cancel: it failed without a log line, and no SMF was made.
  bool Cancelled = false;
  /// Byte offset of the word of the command being run; after a failed Run, of the one that failed.
  [[nodiscard]] size_t CommandStart() const { return commandStart_; }

 private:
  size_t commandStart_ = 0;
  // Source-map hooks of the note engine: both do nothing without a map.
  void MapNoteOn(const SmfU::TSmfEvent* event) {
    if (SourceMap != nullptr) SourceMap->AddNoteOn(event, commandStart_, CurrentTrack);
  }
  void MapNoteSpan(int64_t tick, int64_t step) {
    if (SourceMap != nullptr) SourceMap->AddSpan({tick, step, CurrentTrack, commandStart_, Scanner.Cursor});
  }

  using THandlerMethod = void (TCompiler::*)(const std::string&, TFuncResult&);
  /// One line of a command family's table.
  struct TCommandEntry {
    const char* Name;
    THandlerMethod Handler;
  };
  void RegisterFamily(std::span<const TCommandEntry> family);

  // Each command family registers its own table (in the file that holds its handlers).
  void RegisterNoteCommands();
  void RegisterParameterCommands();
  void RegisterAtCommands();
  void RegisterDirectives();
  void RegisterFlowCommands();
  void RegisterLfoEnvelopeCommands();
  void RegisterPresetCommands();

  void FinishTracks();
  [[nodiscard]] std::string LookupWord(const std::string& word) const;
  /// The log line "停止:..." / "注意:..." for the word at the scanner's position.
  void LogLine(std::string_view kind, const std::string& word, TFuncResult& result);
  /// Fails the command when the time or the amount of events left the bounds of a file.
  bool CheckLimits(TFuncResult& result);

  /// The current track, created on demand; fails `result` when the track number is too large.
  TTrackListItem* CurrentTrackOr(TFuncResult& result);
  /// Sets `result` to a failure with `message`.
  static void Fail(TFuncResult& result, std::string_view message);
  /// Reads a signed decimal number; fails `result` with the parameter message when it is absent.
  bool ReadNumberOrFail(int& value, TFuncResult& result);
  /// Reads a number, forces it into min..max and records a warning in `result` when it changed.
  bool ReadClamped(int64_t min, int64_t max, int& value, TFuncResult& result);
  /// Takes a "," or fails `result` with the parameter message.
  bool CommaOrFail(TFuncResult& result);
  /// A length read with the track's default length and last step.
  int64_t ReadTrackLength(const TTrackListItem& track, bool& starOnly);
  /// Semitones in ten-thousandths as bend units at the track's bend range (rounded, halves to even).
  static int64_t SemitonesToBend(int64_t tenThousandths, int bendRange);

  // The value-command protocol: modifier "?", "!", "+", "-", "=" or none, then a signed number
  // (plus `bias`). `written` receives the value an event carries; nothing for "?".
  bool ReadValueCommand(TValueMemory& holder, TFuncResult& result, std::optional<int>& written, int bias = 0);

  // Notes, rests, chords, and the per-note LFO and envelope (mml/NoteCommands.cpp).
  void DoNoteLetter(const std::string& word, TFuncResult& result);
  void DoNoteNumber(const std::string& word, TFuncResult& result);
  void DoRest(const std::string& word, TFuncResult& result);
  void DoLoneConnectionMark(const std::string& word, TFuncResult& result);
  void LetterNote(int letterIndex, TFuncResult& result);
  void PlayNote(int key, TFuncResult& result);
  bool ReadChord(TTrackListItem& track, TFuncResult& result);
  void UpdatePitchBend(TTrackListItem& track, int64_t tick);
  [[nodiscard]] int PlainBend(const TTrackListItem& track) const;
  void ApplyEnvelope(TTrackListItem& track);

  // Single-letter parameter commands (mml/ParameterCommands.cpp).
  void DoProgram(const std::string& word, TFuncResult& result);
  void DoDetune(const std::string& word, TFuncResult& result);
  void DoControllerValue(const std::string& word, TFuncResult& result);
  void DoOctave(const std::string& word, TFuncResult& result);
  void DoGate(const std::string& word, TFuncResult& result);
  void DoTempo(const std::string& word, TFuncResult& result);
  void DoVelocity(const std::string& word, TFuncResult& result);
  void DoMasterVolume(const std::string& word, TFuncResult& result);
  void DoPitchBend(const std::string& word, TFuncResult& result);
  void DoControllerPair(const std::string& word, TFuncResult& result);
  void DoLength(const std::string& word, TFuncResult& result);
  void DoSystemExclusive(const std::string& word, TFuncResult& result);
  void DoOctaveShift(const std::string& word, TFuncResult& result);

  // @-commands (mml/AtCommands.cpp).
  void DoChannel(const std::string& word, TFuncResult& result);
  void DoKeyShift(const std::string& word, TFuncResult& result);
  void DoGateRatio(const std::string& word, TFuncResult& result);
  void DoBendRange(const std::string& word, TFuncResult& result);
  void DoGlideStep(const std::string& word, TFuncResult& result);
  void DoChordMode(const std::string& word, TFuncResult& result);
  void DoMute(const std::string& word, TFuncResult& result);
  void DoVelocityOffsets(const std::string& word, TFuncResult& result);

  // %-directives and percussion letters (mml/DirectiveCommands.cpp).
  void DoTrack(const std::string& word, TFuncResult& result);
  void DoSync(const std::string& word, TFuncResult& result);
  void DoGateBase(const std::string& word, TFuncResult& result);
  void DoTimeBase(const std::string& word, TFuncResult& result);
  void DoToggle(const std::string& word, TFuncResult& result);
  void DoTranspose(const std::string& word, TFuncResult& result);
  void DoTextEvent(const std::string& word, TFuncResult& result);
  void DoSetPercussion(const std::string& word, TFuncResult& result);
  void DoPercussionMode(const std::string& word, TFuncResult& result);
  void DoPercussionNote(const std::string& word, TFuncResult& result);

  // Loops, macros, parallel notation (mml/FlowCommands.cpp).
  void DoLoopOpen(const std::string& word, TFuncResult& result);
  void DoLoopBreak(const std::string& word, TFuncResult& result);
  void DoLoopClose(const std::string& word, TFuncResult& result);
  void DoMacro(const std::string& word, TFuncResult& result);
  void DoMacroReturn(const std::string& word, TFuncResult& result);
  void DoParallelVoice(const std::string& word, TFuncResult& result);
  void DoParallelEnd(const std::string& word, TFuncResult& result);

  // LFO and expression envelope (mml/LfoEnvelopeCommands.cpp).
  void DoLfoSet(const std::string& word, TFuncResult& result);
  void DoLfoSwitch(const std::string& word, TFuncResult& result);
  void DoLfoStep(const std::string& word, TFuncResult& result);
  void DoEnvelopeSet(const std::string& word, TFuncResult& result);
  void DoEnvelopeSwitch(const std::string& word, TFuncResult& result);
  void DoEnvelopeStep(const std::string& word, TFuncResult& result);
  void DoEnvelopeResolution(const std::string& word, TFuncResult& result);

  // Fixed device messages (smf/PresetCommands.cpp).
  void DoPreset(const std::string& word, TFuncResult& result);
};
