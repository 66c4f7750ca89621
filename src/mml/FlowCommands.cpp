// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
//
// Loops, macros and parallel notation: commands that move the reading position or the time.
#include <algorithm>
#include <limits>

#include "compiler/CompilerMessages.h"
#include "compiler/CompilerU.h"

void TCompiler::RegisterFlowCommands() {
  static constexpr TCommandEntry kFlowCommands[] = {
      {"[", &TCompiler::DoLoopOpen},       {"|", &TCompiler::DoLoopBreak},
      {"]", &TCompiler::DoLoopClose},      {"$", &TCompiler::DoMacro},
      {";", &TCompiler::DoMacroReturn},    {"/", &TCompiler::DoParallelVoice},
      {":", &TCompiler::DoParallelEnd},
  };
  RegisterFamily(kFlowCommands);
}

void TCompiler::DoLoopOpen(const std::string&, TFuncResult& result) {
  Loops.Open(Scanner.Cursor);
  result.Ok = true;
}

void TCompiler::DoLoopBreak(const std::string&, TFuncResult& result) {
  result.Ok = Loops.Break(Scanner.Cursor);
  if (!result.Ok) result.Message = Loops.Message;
}

void TCompiler::DoLoopClose(const std::string&, TFuncResult& result) {
  int count = 0;
  // The count is read and checked at every arrival, but only the first arrival uses it.
  if (!ReadClamped(2, std::numeric_limits<int32_t>::max(), count, result)) return;
  result.Ok = Loops.Close(Scanner.Cursor, count);
  if (!result.Ok) result.Message = Loops.Message;
}

void TCompiler::DoMacro(const std::string&, TFuncResult& result) {
  const std::string name = Scanner.ReadWord();
  if (name.empty()) return Fail(result, kMsgMacroNameMissing);
  if (Scanner.TakeChar('=')) {
    result.Ok = Macros.Define(Scanner.Cursor, name);
    if (!result.Ok) {
      result.Message = Macros.Message;
      return;
    }
    // The body is compiled at each call, in the state of that moment.
    Scanner.SkipToSemicolon();
    return;
  }
  result.Ok = Macros.Jump(Scanner.Cursor, name);
  if (!result.Ok) result.Message = Macros.Message;
}

void TCompiler::DoMacroReturn(const std::string&, TFuncResult& result) {
  result.Ok = Macros.JumpBack(Scanner.Cursor);
  if (!result.Ok) result.Message = Macros.Message;
}

void TCompiler::DoParallelVoice(const std::string&, TFuncResult& result) {
  TTrackListItem* track = CurrentTrackOr(result);
  if (!track) return;
  if (!InParallel) {
    InParallel = true;
    ParallelStart = track->Tick;
    ParallelEnd = track->Tick;
    ParallelVoice = 1;
  } else {
    ParallelEnd = std::max(ParallelEnd, track->Tick);
    track->Tick = ParallelStart;
    ++ParallelVoice;
  }
  result.Ok = true;
}

void TCompiler::DoParallelEnd(const std::string&, TFuncResult& result) {
  ParallelVoice = 0;
  if (!InParallel) return Fail(result, kMsgNoOpenParallel);
  TTrackListItem* track = CurrentTrackOr(result);
  if (!track) return;
  ParallelEnd = std::max(ParallelEnd, track->Tick);
  track->Tick = ParallelEnd;
  InParallel = false;
  result.Ok = true;
}
