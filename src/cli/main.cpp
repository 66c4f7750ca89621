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
    "  pelorund-cli import IN.mid [-o OUT.mml|-] [--bend] [--mix-volume] [--direct-velocity]\n"
    "                      [--reverse-octave] [--controls-ini FILE]\n"
    "  pelorund-cli play FILE.mml|FILE.mid [--device N|NAME] [--from TICK]\n"
    "  pelorund-cli render FILE.mml|FILE.mid -o OUT.wav [--soundfont FILE.sf2]\n"
    "  pelorund-cli devices\n"
    "  pelorund-cli --help | --version\n"
    "\n"
    "compile  turns an MML source (code page 932) into a Standard MIDI File.\n"
    "         -o           output file (default: SOURCE with the extension .mid)\n"
    "         --chord-ini  chord definitions to use instead of the program's chord.ini\n"
    "         --log        also write the compile log (code page 932, CR LF) to FILE\n"
    "         Exit status: 0 compiled (warnings allowed), 1 compile error, 2 usage or file error.\n"
    "\n"
    "import   turns a Standard MIDI File into MML text (code page 932, CR LF).\n"
    "         -o                 output file, - for the standard output (default: IN with the extension .mml)\n"
    "         --bend             write pitch bends as y commands (left out otherwise)\n"
    "         --mix-volume       write volume and expression as one combined v\n"
    "         --direct-velocity  give every note its velocity instead of relative u commands\n"
    "         --reverse-octave   swap the octave marks < and > (the text starts with %octrev)\n"
    "         --controls-ini     controller names to use instead of the program's controls.ini\n"
    "         Exit status: 0 imported (warnings allowed), 2 usage or file error, or no readable SMF.\n"
    "\n"
    "play     plays a song in real time (an .mml is compiled first), showing the position and tempo.\n"
    "         --device  a number or a name from the devices command (default: -1, the default device)\n"
    "         --from    the tick to start at\n"
    "         Ctrl+C stops with all notes off. Exit status: 0 played, 1 compile error,\n"
    "         2 usage, file or device error, 130 stopped by Ctrl+C.\n"
    "\n"
    "render   turns a song into a WAV file (44.1 kHz, 16-bit stereo) through the built-in synthesizer,\n"
    "         faster than real time and without any device; the release of the last notes is included.\n"
    "         -o           output file (default: FILE with the extension .wav)\n"
    "         --soundfont  the SoundFont to use (default: the system's General MIDI SoundFont)\n"
    "         Exit status: 0 rendered, 1 compile error, 2 usage, file or synthesizer error.\n"
    "\n"
    "devices  lists the MIDI output devices, numbered from -1 (the default device).\n";

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
    if (command == "import") return RunImportCommand(rest);
    if (command == "devices") return RunDevicesCommand(rest);
    if (command == "play") return RunPlayCommand(rest);
    if (command == "render") return RunRenderCommand(rest);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "pelorund-cli: %s\n", error.what());
    return kExitUsage;
  }
  std::fprintf(stderr, "pelorund-cli: unknown command '%s'\n\n%s", command.c_str(), kUsage);
  return kExitUsage;
}
