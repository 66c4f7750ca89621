// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later

// Compiles arbitrary bytes as an MML source, in memory. Any crash, hang, sanitizer report or
// uncaught exception is a fault: every source, however malformed, must end in a result.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "compiler/CompilerU.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TCompiler compiler;  // no chord.ini: the chords come from the text below
  compiler.ChordIni.SetText("[chord]\r\nM=0,4,7\r\nm=0,3,7\r\nM7=0,4,7,11\r\n");
  // Lower limits than a real compile, so that every input finishes quickly.
  compiler.MaxCommands = 2'000'000;
  compiler.MaxEvents = 200'000;
  compiler.SetSource(std::string_view(reinterpret_cast<const char*>(data), size));

  TFuncResult result;
  compiler.Run(result);
  // The log text is what a user reads: format it too.
  const std::string log = compiler.LogText();
  (void)log;
  return 0;
}
