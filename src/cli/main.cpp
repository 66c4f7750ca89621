// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "cli/CliCommands.h"

namespace {

constexpr const char* kUsage =
    "Usage:\n"
    "  pelorund-cli compile SOURCE.mml [-o OUT.mid] [--chord-ini FILE] [--log FILE]\n"
    "  pelorund-cli --help | --version\n"
    "\n"
    "compile  turns an MML source (code page 932) into a Standard MIDI File.\n"
    "         -o           output file (default: SOURCE with the extension .mid)\n"
    "         --chord-ini  chord definitions to use instead of the program's chord.ini\n"
    "         --log        also write the compile log (code page 932, CR LF) to FILE\n"
    "         Exit status: 0 compiled (warnings allowed), 1 compile error, 2 usage or file error.\n";

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) {
    std::fputs(kUsage, stderr);
    return kExitUsage;
  }
  const std::string& command = args.front();
  const std::vector<std::string> rest(args.begin() + 1, args.end());
  try {
    if (command == "--help" || command == "-h") {
      std::fputs(kUsage, stdout);
      return kExitOk;
    }
    if (command == "--version") {
      std::printf("pelorund-cli %s\n", PELORUND_VERSION);
      return kExitOk;
    }
    if (command == "compile") return RunCompileCommand(rest);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "pelorund-cli: %s\n", error.what());
    return kExitUsage;
  }
  std::fprintf(stderr, "pelorund-cli: unknown command '%s'\n\n%s", command.c_str(), kUsage);
  return kExitUsage;
}
