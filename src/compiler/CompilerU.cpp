// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "compiler/CompilerU.h"

#include <algorithm>
#include <cmath>
#include <ctime>
#include <span>

#include "common/Cp932.h"
#include "common/FileUtils.h"
#include "compiler/CompilerMessages.h"

namespace {

// コンパイルを中断しました.
constexpr std::string_view kMsgCancelled =
    "\x83\x52\x83\x93\x83\x70\x83\x43\x83\x8b\x82\xf0\x92\x86\x92\x66\x82\xb5\x82\xdc\x82\xb5\x82\xbd\x2e";
// Commands between two looks at the cancel flag.
constexpr int64_t kCancelPollMask = 0xFF;

std::string LocalDateTime() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[32];
  std::strftime(text, sizeof text, "%Y/%m/%d %H:%M:%S", &local);
  return text;
}

}  // namespace

TCompiler::TCompiler(const std::filesystem::path& chordIniFile) : Now(LocalDateTime) {
  RegisterNoteCommands();
  RegisterParameterCommands();
  RegisterAtCommands();
  RegisterDirectives();
  RegisterFlowCommands();
  RegisterLfoEnvelopeCommands();
  RegisterPresetCommands();
  if (!chordIniFile.empty()) ChordIni.LoadFromFile(chordIniFile);
  ChordIni.SetCaseSensitive(true);  // chord names are case-sensitive: "M7" is not "m7"
}

void TCompiler::RegisterFamily(std::span<const TCommandEntry> family) {
  for (const auto& [name, handler] : family) RegisterCommand(name, handler, this);
}

std::string TCompiler::LookupWord(const std::string& word) const {
  // Percussion letters are looked up before upper-casing, so "k" and "K" can differ.
  if (ParcEnabled && word.size() == 1) {
    const auto c = static_cast<uint8_t>(word[0]);
    if (c < 128 && ParcDefined[c]) return "*" + word;
  }
  return pelorund::UpperAscii(word);
}

void TCompiler::LogLine(std::string_view kind, const std::string& word, TFuncResult& result) {
  Scanner.GetPosition(result.Column, result.Row);
  std::string line(kind);
  line += "[Y" + std::to_string(result.Row) + ",X" + std::to_string(result.Column) + "]: ";
  line += kLogOpenBracket;
  line += word;
  line += kLogCloseBracket;
  line += " : ";
  line += result.Message;
  result.Message = line;
  Log.push_back(line);
}

bool TCompiler::CheckLimits(TFuncResult& result) {
  bool timeOk = Smf.EndTick <= MaxTick;
  if (CurrentTrack < Tracks.Count()) {
    const int64_t tick = Tracks.Items[static_cast<size_t>(CurrentTrack)]->Tick;
    timeOk = timeOk && tick <= MaxTick && tick >= -MaxTick;
  }
  if (!timeOk) {
    result.Ok = false;
    result.Message = kMsgTimeOutOfRange;
  } else if (Smf.Count() > MaxEvents) {
    result.Ok = false;
    result.Message = kMsgTooManyEvents;
  }
  return result.Ok;
}

void TCompiler::Run(TFuncResult& result) {
  result.Warning = false;
  Cancelled = false;
  bool anyWarning = false;
  Log.clear();
  SmfImage.clear();
  Log.push_back("[Pelorund] " + Now());

  int64_t commands = 0;
  for (std::string word = Scanner.NextCommand(); !word.empty(); word = Scanner.NextCommand()) {
    commandStart_ = Scanner.Cursor - word.size();
    if ((commands & kCancelPollMask) == 0 && Cancel != nullptr && Cancel->load(std::memory_order_relaxed)) {
      Cancelled = true;
      result.Ok = false;
      result.Message = kMsgCancelled;
      return;
    }
    if (++commands > MaxCommands) {
      result.Ok = false;
      result.Message = kMsgTooManyCommands;
    } else {
      CallFunc(LookupWord(word), result);
      if (result.Ok) CheckLimits(result);
    }
    if (!result.Ok) {
      if (SourceMap != nullptr) SourceMap->Error = TSourceRange{commandStart_, Scanner.Cursor};
      LogLine(kLogError, word, result);
      return;
    }
    if (result.Warning) {
      if (SourceMap != nullptr) SourceMap->Warnings.push_back({commandStart_, Scanner.Cursor});
      LogLine(kLogWarning, word, result);
      result.Warning = false;
      anyWarning = true;
    }
  }

  FinishTracks();
  SmfImage = Smf.SaveToBytes();
  if (SourceMap != nullptr) SourceMap->Resolve(Smf);
  result.Message = std::string(kLogEnd) + Now();
  result.Warning = anyWarning;
  Log.push_back(result.Message);
}

void TCompiler::Compile(const std::filesystem::path& smfFile, TFuncResult& result,
                        const std::filesystem::path& logFile) {
  Run(result);
  if (!SmfImage.empty()) {
    pelorund::WriteFileAtomic(smfFile, std::string_view(reinterpret_cast<const char*>(SmfImage.data()),
                                                        SmfImage.size()));
  }
  if (!logFile.empty()) pelorund::WriteFileAtomic(logFile, LogText());
}

std::string TCompiler::LogText() const {
  std::string text;
  for (const std::string& line : Log) text += line + "\r\n";
  return text;
}

bool TCompiler::ClampParam(int64_t min, int64_t max, int64_t& value, std::string& message) {
  const int64_t old = value;
  value = std::max(min, std::min(value, max));
  if (value == old) return false;
  message = std::string(kMsgValueChanged) + "  " + std::to_string(old) + "  ->  " + std::to_string(value);
  return true;
}

bool TCompiler::ClampParam(int64_t min, int64_t max, int& value, std::string& message) {
  int64_t wide = value;
  const bool changed = ClampParam(min, max, wide, message);
  value = static_cast<int>(wide);  // within min..max, which callers keep in the 32-bit range
  return changed;
}

void TCompiler::Fail(TFuncResult& result, std::string_view message) {
  result.Ok = false;
  result.Message = message;
}

bool TCompiler::ReadNumberOrFail(int& value, TFuncResult& result) {
  if (Scanner.ReadSignedNumber(value)) return true;
  Fail(result, kMsgBadParameter);
  return false;
}

bool TCompiler::ReadClamped(int64_t min, int64_t max, int& value, TFuncResult& result) {
  if (!ReadNumberOrFail(value, result)) return false;
  if (ClampParam(min, max, value, result.Message)) result.Warning = true;
  return true;
}

bool TCompiler::CommaOrFail(TFuncResult& result) {
  if (Scanner.TakeChar(',')) return true;
  Fail(result, kMsgBadParameter);
  return false;
}

int64_t TCompiler::ReadTrackLength(const TTrackListItem& track, bool& starOnly) {
  return Scanner.ReadLength(Tracks.TimeBase, track.Length.GetValue(), track.LastStep, starOnly);
}

int64_t TCompiler::SemitonesToBend(int64_t tenThousandths, int bendRange) {
  const double bend = std::nearbyint(8192.0 / bendRange * (static_cast<double>(tenThousandths) / 10000.0));
  return static_cast<int64_t>(std::clamp(bend, -1e12, 1e12));  // far beyond any 14-bit value
}

void TCompiler::FinishTracks() {
  int64_t end = 0;
  if (Tracks.Count() > 0) {
    Tracks.Sync();
    end = Smf.EndTick;
    for (const auto& track : Tracks.Items) {
      end = std::max(end, track->Tick);
      // A final tie leaves its key sounding: release it at the common end.
      if (track->Tied && track->PrevKey >= 1 && track->PrevKey <= 127)
        Smf.AddNoteOff(track->Tick, track->Channel, track->PrevKey);
    }
  }
  Smf.EndTick = end;
}

TTrackListItem* TCompiler::CurrentTrackOr(TFuncResult& result) {
  if (CurrentTrack > MaxTrackIndex) {
    result.Ok = false;
    result.Message = kMsgTrackTooLarge;
    return nullptr;
  }
  return Tracks.GetTrack(CurrentTrack);
}
