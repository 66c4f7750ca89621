// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
//
// Compile time and memory for generated songs of growing size: prints figures, asserts nothing.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <string>

#include "compiler/CompilerU.h"

namespace {

constexpr const char* kChords = "[chord]\r\nM=0,4,7\r\nm7=0,3,7,10\r\nM7=0,4,7,11\r\n";

/// A song of `notes` notes over four tracks: melodies with ties and accidentals, and chords.
std::string GenerateSong(int notes) {
  static const char* const kBars[] = {
      "c8 d8 e-8 f8 g4&g8 a+8 ",     // 6 notes, one tie
      "o3 @C c(M7)2 g(m7)2 @CS o4 ",  // 2 chord notes
      "e16 f+16 g16 a16 b4. r8 ",     // 5 notes
      "c4^16 d8.&d32 e8,12,90 ",      // 4 notes, a tie
  };
  static const int kNotesPerBar[] = {6, 2, 5, 4};
  std::string source;
  source.reserve(static_cast<size_t>(notes) * 6);
  for (int written = 0, bar = 0; written < notes; ++bar) {
    const int track = bar % 4;
    source += "%TRACK" + std::to_string(track + 1) + " ";
    source += kBars[track];
    written += kNotesPerBar[track];
    if (bar % 64 == 63) source += "\r\n";
  }
  return source;
}

/// A song of about `notes` notes on four tracks, written with macros and loops; with `shaped`,
/// every track also has a pitch-bend or modulation LFO, an expression envelope and glides.
std::string GenerateShapedSong(int notes, bool shaped) {
  std::string source = "$Run=c8 d8 e8 f8 g4 a8 b8;\r\n$Turn=[e8 d8 | c8 d8]3 e4;\r\n";  // 7 and 8 notes
  const std::string shape[4] = {"@MSET 1,24,80,*12,0 @MW2 @M @XSET *12,20,*36,-30 @X ",
                                "@MSET 0,48,40 @M @XSET *6,10,*6,-10 @XW2 @X ",
                                "@MSET 1,0,\\0.25,*16,4 @M ",
                                "@XSET *24,-40 @XR4 @X "};
  const int perTrack = notes / 4;
  for (int track = 0; track < 4; ++track) {
    source += "%TRACK" + std::to_string(track + 1) + " o" + std::to_string(3 + track % 3) + " ";
    if (shaped) source += shape[track];
    // One pass of the loop: both macros and a glide pair, 17 notes.
    const int passes = perTrack / 17;
    source += "[$Run $Turn " + std::string(shaped ? "g4~c4" : "g4 c4") + "]" + std::to_string(passes) + "\r\n";
  }
  return source;
}

long PeakRssKiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

void BM_CompileNotes(benchmark::State& state) {
  const int notes = static_cast<int>(state.range(0));
  const std::string source = GenerateSong(notes);
  size_t bytes = 0;
  for (auto _ : state) {
    TCompiler compiler;
    compiler.ChordIni.SetText(kChords);
    compiler.SetSource(source);
    TFuncResult result;
    compiler.Run(result);
    if (!result.Ok) state.SkipWithError(result.Message.c_str());
    bytes = compiler.SmfImage.size();
    benchmark::DoNotOptimize(bytes);
  }
  state.counters["notes/s"] = benchmark::Counter(static_cast<double>(notes) * state.iterations(),
                                                 benchmark::Counter::kIsRate);
  state.counters["smf_bytes"] = static_cast<double>(bytes);
  state.counters["peak_rss_MiB"] = static_cast<double>(PeakRssKiB()) / 1024.0;
}

void BM_CompileShaped(benchmark::State& state) {
  const bool shaped = state.range(0) != 0;
  const std::string source = GenerateShapedSong(100'000, shaped);
  size_t events = 0;
  for (auto _ : state) {
    TCompiler compiler;
    compiler.SetSource(source);
    TFuncResult result;
    compiler.Run(result);
    if (!result.Ok) state.SkipWithError(result.Message.c_str());
    events = compiler.Smf.Count();
    benchmark::DoNotOptimize(events);
  }
  state.SetLabel(shaped ? "loops+macros, LFO/envelope/glides" : "loops+macros, plain notes");
  state.counters["events"] = static_cast<double>(events);
  state.counters["events/s"] =
      benchmark::Counter(static_cast<double>(events) * state.iterations(), benchmark::Counter::kIsRate);
  state.counters["peak_rss_MiB"] = static_cast<double>(PeakRssKiB()) / 1024.0;
}

}  // namespace

// peak_rss_MiB is the process's peak so far: the benchmarks run in order of growing memory, so
// each figure is its own peak (or run one with --benchmark_filter).
BENCHMARK(BM_CompileNotes)->Arg(10'000)->Arg(30'000)->Arg(100'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CompileShaped)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
