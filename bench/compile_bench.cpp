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

}  // namespace

BENCHMARK(BM_CompileNotes)->Arg(10'000)->Arg(30'000)->Arg(100'000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
