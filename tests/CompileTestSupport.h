// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Compiles small sources in memory and describes the resulting events as short text lines, so a
// test states the whole expected file content in one readable table.

#include <cstdio>
#include <string>
#include <vector>

#include "common/TextCodec.h"
#include "compiler/CompilerU.h"

namespace testing_support {

/// The chord definitions the note tests rely on.
inline constexpr const char* kTestChords =
    "[chord]\r\nM=0,4,7\r\nm=0,3,7\r\nM7=0,4,7,11\r\nm7=0,3,7,10\r\n";

/// One event as "tick kind data": "0 on 60 127", "48 off 60", "48 bend 16383", "0 cc 11 100",
/// "0 pc 5", "0 tempo 120", "0 sysex 7E 7F 09 01", "0 meta 6 Q00". A channel other than the
/// first is written after the tick: "0 ch4 on 60 127".
inline std::string Describe(const SmfU::TSmfEvent& event) {
  using namespace SmfU;
  std::string text = std::to_string(event.Tick) + " ";
  const int channel = event.Status & 0x0F;
  if (event.Status < 0xF0 && channel != 0) text += "ch" + std::to_string(channel) + " ";
  auto hex = [](const std::vector<uint8_t>& bytes, size_t count) {
    std::string out;
    char byte[4];
    for (size_t i = 0; i < count; ++i) {
      std::snprintf(byte, sizeof byte, "%s%02X", i ? " " : "", bytes[i]);
      out += byte;
    }
    return out;
  };
  if (auto* on = dynamic_cast<const TSmfNoteOn*>(&event))
    return text + "on " + std::to_string(on->Note) + " " + std::to_string(on->Velocity);
  if (auto* off = dynamic_cast<const TSmfNoteOff*>(&event)) return text + "off " + std::to_string(off->Note);
  if (auto* bend = dynamic_cast<const TSmfPitchBend*>(&event)) return text + "bend " + std::to_string(bend->Value);
  if (auto* cc = dynamic_cast<const TSmfControlChange*>(&event))
    return text + "cc " + std::to_string(cc->Controller) + " " + std::to_string(cc->Value);
  if (auto* pc = dynamic_cast<const TSmfProgramChange*>(&event)) return text + "pc " + std::to_string(pc->Program);
  if (auto* tempo = dynamic_cast<const TSmfTempo*>(&event)) return text + "tempo " + std::to_string(tempo->Bpm);
  if (auto* sysex = dynamic_cast<const TSmfSysEx*>(&event))
    return text + "sysex " + hex(sysex->Data, sysex->Data.size() - 1);  // without the closing F7
  if (auto* meta = dynamic_cast<const TSmfMeta*>(&event))
    return text + "meta " + std::to_string(meta->MetaType) + " " + std::string(meta->Data.begin(), meta->Data.end());
  return text + "?";
}

/// The events of the compiler's list in their current order.
inline std::vector<std::string> Events(const TCompiler& compiler) {
  std::vector<std::string> lines;
  for (size_t i = 0; i < compiler.Smf.Count(); ++i) lines.push_back(Describe(compiler.Smf.Event(i)));
  return lines;
}

/// A compiler with the test chords and a fixed clock.
struct TTestCompile {
  TCompiler Compiler;
  TFuncResult Result;

  explicit TTestCompile(const std::string& source) {
    Compiler.ChordIni.SetText(kTestChords);
    Compiler.Now = [] { return std::string("2026/01/02 03:04:05"); };
    Compiler.SetSource(source);
  }
  /// Runs the compile; afterwards the event list is what the file holds (sorted, overlaps merged).
  TTestCompile& Run() {
    Compiler.Run(Result);
    return *this;
  }
  [[nodiscard]] std::vector<std::string> EventLines() const { return Events(Compiler); }
  /// The log lines between the banner and the end line.
  [[nodiscard]] std::vector<std::string> MiddleLogLines() const {
    const auto& log = Compiler.Log;
    const size_t end = Result.Ok && log.size() >= 2 ? log.size() - 1 : log.size();
    return std::vector<std::string>(log.begin() + 1, log.begin() + static_cast<long>(end));
  }
};

/// Events of a successful compile of `source`; the test fails when it did not compile.
inline std::vector<std::string> CompileEvents(const std::string& source) {
  TTestCompile run(source);
  run.Run();
  EXPECT_TRUE(run.Result.Ok) << source << ": " << run.Result.Message;
  return run.EventLines();
}

/// A source and the events its file holds.
struct TEventCase {
  const char* Source;
  std::vector<std::string> Events;
};

template <size_t N>
void ExpectEventCases(const TEventCase (&cases)[N]) {
  for (const TEventCase& c : cases) {
    SCOPED_TRACE(c.Source);
    EXPECT_EQ(c.Events, CompileEvents(c.Source));
  }
}

/// The log lines in UTF-8 between the banner and the end line.
inline std::vector<std::string> Utf8Lines(const std::vector<std::string>& lines) {
  std::vector<std::string> out;
  for (const std::string& line : lines) out.push_back(pelorund::Cp932ToUtf8(line));
  return out;
}

/// A source and its log lines (warnings, or warnings and the error), in UTF-8.
struct TLogCase {
  const char* Source;
  std::vector<std::string> Lines;
};

template <size_t N>
void ExpectLogCases(const TLogCase (&cases)[N]) {
  for (const TLogCase& c : cases) {
    SCOPED_TRACE(c.Source);
    TTestCompile run(c.Source);
    run.Run();
    EXPECT_EQ(c.Lines, Utf8Lines(run.MiddleLogLines()));
  }
}

}  // namespace testing_support
