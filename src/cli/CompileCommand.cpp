// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "cli/CliArgs.h"
#include "cli/CliCommands.h"
#include "cli/CliSource.h"
#include "common/AppUtils.h"
#include "common/TextCodec.h"
#include "compiler/CompilerU.h"

namespace fs = std::filesystem;

namespace {

struct TCompileOptions {
  fs::path Source;
  fs::path Output;
  fs::path ChordIni;
  fs::path Log;
};

/// Throws std::invalid_argument with the message to show for bad usage.
TCompileOptions ParseOptions(const std::vector<std::string>& args) {
  const TCliArgs parsed = ParseCliArgs(args, {"-o", "--chord-ini", "--log"}, {}, "source file");
  TCompileOptions options{parsed.File, parsed.Value("-o"), parsed.Value("--chord-ini"), parsed.Value("--log")};
  if (options.Output.empty()) options.Output = fs::path(options.Source).replace_extension(".mid");
  return options;
}

}  // namespace

int RunCompileCommand(const std::vector<std::string>& args) {
  TCompileOptions options;
  try {
    options = ParseOptions(args);
  } catch (const std::invalid_argument& error) {
    std::fprintf(stderr, "pelorund-cli compile: %s\nUsage: pelorund-cli compile SOURCE.mml [-o OUT.mid] "
                         "[--chord-ini FILE] [--log FILE]\n", error.what());
    return kExitUsage;
  }

  fs::path chordIni = options.ChordIni;
  if (chordIni.empty()) {
    chordIni = pelorund::FindDataFile("chord.ini");
  } else if (!fs::is_regular_file(chordIni)) {
    std::fprintf(stderr, "pelorund-cli: cannot read chord definitions '%s'\n", chordIni.c_str());
    return kExitUsage;
  }

  TCompiler compiler(chordIni);
  if (!LoadMmlSource(compiler, options.Source)) return kExitUsage;
  TFuncResult result;
  compiler.Compile(options.Output, result, options.Log);

  // The banner and the end line are for the log file; the terminal gets warnings and the error.
  for (size_t i = 1; i < compiler.Log.size(); ++i) {
    if (result.Ok && i + 1 == compiler.Log.size()) break;
    std::fprintf(stderr, "%s\n", pelorund::Cp932ToUtf8(compiler.Log[i]).c_str());
  }
  if (!result.Ok) return kExitCompileError;
  if (compiler.SmfImage.empty()) {
    std::fprintf(stderr, "pelorund-cli: '%s' holds no events; no MIDI file written\n", options.Source.c_str());
  } else {
    std::printf("%s: %zu bytes\n", options.Output.c_str(), compiler.SmfImage.size());
  }
  return kExitOk;
}
