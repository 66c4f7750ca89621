// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
//
// @-commands: per-track switches.
#include "compiler/CompilerU.h"

void TCompiler::DoChordMode(const std::string& word, TFuncResult& result) {
  TTrackListItem* track = CurrentTrackOr(result);
  if (!track) return;
  track->ChordMode = word == "@C";
  result.Ok = true;
}
