// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later

// The check as you type on arbitrary bytes taken as an editor's UTF-8 text: conversion to code
// page 932 with its offset table, a compile with the source map, the map's offsets brought back
// to the text, and every look-up. A crash, hang, sanitizer report or an offset outside the text is
// a fault.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "common/SourceText.h"
#include "compiler/CompilerU.h"
#include "compiler/SourceCheckU.h"

namespace {

void Expect(bool condition) {
  if (!condition) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view utf8(reinterpret_cast<const char*>(data), size);
  pelorund::TSourceText text;
  if (!text.Convert(utf8)) {
    Expect(text.BadOffset <= size && text.BadPlace.Row >= 1 && text.BadPlace.Column >= 1);
    return 0;
  }
  for (size_t i = 0; i <= text.Cp932().size(); ++i) Expect(text.Utf8Offset(i) <= size);

  TSourceMap map;
  TCompiler compiler;
  compiler.ChordIni.SetText("[chord]\r\nM=0,4,7\r\nm=0,3,7\r\nM7=0,4,7,11\r\n");
  // Lower limits than a real compile, so that every input finishes quickly.
  compiler.MaxCommands = 2'000'000;
  compiler.MaxEvents = 200'000;
  compiler.SourceMap = &map;
  compiler.SetSource(text.Cp932());
  TFuncResult result;
  compiler.Run(result);
  if (!result.Ok) return 0;

  Expect(MapSongToText(map, utf8));
  for (const TMappedNote& note : map.Notes) Expect(note.Position == kNoPosition || note.Position <= size);
  for (const TNoteSpan& span : map.Spans) Expect(span.Start <= span.End && span.End <= size);
  const size_t step = size / 32 + 1;
  for (size_t position = 0; position <= size; position += step) {
    (void)map.TickAtPosition(position);
    (void)map.TrackAtPosition(position);
  }
  for (size_t i = 0; i < map.Spans.size(); i += map.Spans.size() / 32 + 1) {
    const TNoteSpan& span = map.Spans[i];
    const TNoteSpan* found = map.SpanAt(span.Track, span.Tick);
    Expect(span.Length <= 0 || found != nullptr);
  }
  (void)map.MillisecondsAt(map.EndTick);
  (void)SongLength(map);
  return 0;
}
