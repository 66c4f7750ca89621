// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

#include "cli/CliArgs.h"
#include "cli/CliCommands.h"
#include "common/AppUtils.h"
#include "common/FileUtils.h"
#include "import/smf2mmlU.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kImportUsage =
    "Usage: pelorund-cli import IN.mid [-o OUT.mml|-] [--bend] [--mix-volume] [--direct-velocity] "
    "[--reverse-octave] [--controls-ini FILE]\n";

struct TImportOptions {
  fs::path Input;
  fs::path Output;  // "-" for stdout
  fs::path ControlsIni;
  bool WriteBend = false;
  bool MixVolume = false;
  bool DirectVelocity = false;
  bool ReverseOctave = false;
};

/// Throws std::invalid_argument with the message to show for bad usage.
TImportOptions ParseOptions(const std::vector<std::string>& args) {
  const TCliArgs parsed = ParseCliArgs(args, {"-o", "--controls-ini"},
                                       {"--bend", "--mix-volume", "--direct-velocity", "--reverse-octave"},
                                       "input file");
  TImportOptions options;
  options.Input = parsed.File;
  options.Output = parsed.Value("-o");
  options.ControlsIni = parsed.Value("--controls-ini");
  options.WriteBend = parsed.Has("--bend");
  options.MixVolume = parsed.Has("--mix-volume");
  options.DirectVelocity = parsed.Has("--direct-velocity");
  options.ReverseOctave = parsed.Has("--reverse-octave");
  if (options.Output.empty()) options.Output = fs::path(options.Input).replace_extension(".mml");
  return options;
}

bool WriteToStdout(const std::string& bytes) {
  return std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size() && std::fflush(stdout) == 0;
}

}  // namespace

int RunImportCommand(const std::vector<std::string>& args) {
  TImportOptions options;
  try {
    options = ParseOptions(args);
  } catch (const std::invalid_argument& error) {
    std::fprintf(stderr, "pelorund-cli import: %s\n%s", error.what(), kImportUsage);
    return kExitUsage;
  }
  const bool toStdout = options.Output == "-";
  std::error_code ec;
  if (!toStdout && fs::equivalent(options.Input, options.Output, ec)) {
    std::fprintf(stderr,
                 "pelorund-cli: the MML text would replace its own input '%s'; name another file with -o\n",
                 options.Input.c_str());
    return kExitUsage;
  }

  fs::path controlsIni = options.ControlsIni;
  if (controlsIni.empty()) {
    controlsIni = pelorund::FindDataFile("controls.ini");
  } else if (!fs::is_regular_file(controlsIni)) {
    std::fprintf(stderr, "pelorund-cli: cannot read controller names '%s'\n", controlsIni.c_str());
    return kExitUsage;
  }

  smf2mmlU::TSmf2Mml converter(controlsIni);
  converter.WriteBend = options.WriteBend;
  converter.MixVolume = options.MixVolume;
  converter.DirectVelocity = options.DirectVelocity;
  converter.ReverseOctave = options.ReverseOctave;
  std::string mml;
  try {
    converter.Import(options.Input);  // its messages name the file
  } catch (const smf2mmlU::ESmf2Mml& error) {
    std::fprintf(stderr, "pelorund-cli: %s\n", error.what());
    return kExitUsage;
  }
  try {
    mml = smf2mmlU::MakeMml(converter);
  } catch (const smf2mmlU::ESmf2Mml& error) {
    std::fprintf(stderr, "pelorund-cli: '%s' %s\n", options.Input.c_str(), error.what());
    return kExitUsage;
  }
  // A damaged file is imported as far as it could be read; say what was left out.
  for (const std::string& problem : converter.Problems)
    std::fprintf(stderr, "pelorund-cli: warning: '%s': %s\n", options.Input.c_str(), problem.c_str());

  if (toStdout) {
    if (!WriteToStdout(mml)) {
      std::fprintf(stderr, "pelorund-cli: cannot write the MML text to the standard output\n");
      return kExitUsage;
    }
    return kExitOk;
  }
  pelorund::WriteFileAtomic(options.Output, mml);  // throws, naming the file; main reports it
  std::printf("%s: %zu bytes\n", options.Output.c_str(), mml.size());
  return kExitOk;
}
