// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
//
// %-directives: track choice and synchronisation.
#include "compiler/CompilerMessages.h"
#include "compiler/CompilerU.h"

void TCompiler::DoTrack(const std::string&, TFuncResult& result) {
  int track = 0;
  if (!Scanner.ReadSignedNumber(track)) {
    result.Ok = false;
    result.Message = kMsgBadParameter;
    return;
  }
  if (InParallel) {
    result.Ok = false;
    result.Message = kMsgTrackInParallel;
    return;
  }
  result.Warning = ClampParam(0, 2147483647, track, result.Message);
  // Every track up to the number is created on use; refuse here, where the user wrote it.
  if (track > MaxTrackIndex) {
    result.Ok = false;
    result.Message = kMsgTrackTooLarge;
    return;
  }
  CurrentTrack = track;
  result.Ok = true;
}

void TCompiler::DoSync(const std::string&, TFuncResult& result) {
  Tracks.Sync();
  result.Ok = true;
}
