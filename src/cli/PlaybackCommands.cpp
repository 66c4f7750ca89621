// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
//
// devices, play and render: the song (an .mml compiled in memory, or a Standard MIDI File) goes
// to a MIDI device in real time or through the built-in synthesizer into a WAV file.
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "cli/CliArgs.h"
#include "cli/CliCommands.h"
#include "cli/CliSource.h"
#include "common/AppUtils.h"
#include "common/FileUtils.h"
#include "common/TextCodec.h"
#include "compiler/CompilerU.h"
#include "playback/smf_play.h"
#include "playback/smf_play_texts.h"
#include "playback/smf_render.h"

namespace fs = std::filesystem;

namespace {

volatile std::sig_atomic_t gInterrupted = 0;

void OnInterrupt(int) { gInterrupted = 1; }

/// SIGINT and SIGTERM set gInterrupted while it lives; the previous handlers come back after.
class TInterruptGuard {
 public:
  TInterruptGuard() {
    gInterrupted = 0;
    struct sigaction action {};
    action.sa_handler = &OnInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &oldInt_);
    sigaction(SIGTERM, &action, &oldTerm_);
  }
  ~TInterruptGuard() {
    sigaction(SIGINT, &oldInt_, nullptr);
    sigaction(SIGTERM, &oldTerm_, nullptr);
  }
  TInterruptGuard(const TInterruptGuard&) = delete;
  TInterruptGuard& operator=(const TInterruptGuard&) = delete;

 private:
  struct sigaction oldInt_ {};
  struct sigaction oldTerm_ {};
};

std::string Utf8(const std::string& cp932) { return pelorund::Cp932ToUtf8(cp932); }

bool IsMmlFile(const fs::path& file) {
  std::string extension = file.extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return extension == ".mml";
}

/// The song as an SMF image: an .mml compiled in memory (its warnings and error printed as the
/// compile command prints them), any other file read as it is. Nothing, with `status` set, when
/// there is nothing to play.
std::optional<std::vector<uint8_t>> LoadSong(const fs::path& file, int& status) {
  if (!IsMmlFile(file)) {
    const std::optional<std::string> bytes = pelorund::ReadFileBytes(file);
    if (!bytes) {
      std::fprintf(stderr, "pelorund-cli: cannot read MIDI file '%s'\n", file.c_str());
      status = kExitUsage;
      return std::nullopt;
    }
    return std::vector<uint8_t>(bytes->begin(), bytes->end());
  }
  TCompiler compiler(pelorund::FindDataFile("chord.ini"));
  if (!LoadMmlSource(compiler, file)) {
    status = kExitUsage;
    return std::nullopt;
  }
  TFuncResult result;
  compiler.Run(result);
  // The banner and the end line are for the log file; the terminal gets warnings and the error.
  for (size_t i = 1; i < compiler.Log.size(); ++i) {
    if (result.Ok && i + 1 == compiler.Log.size()) break;
    std::fprintf(stderr, "%s\n", Utf8(compiler.Log[i]).c_str());
  }
  if (!result.Ok) {
    status = kExitCompileError;
    return std::nullopt;
  }
  if (compiler.SmfImage.empty()) {
    std::fprintf(stderr, "pelorund-cli: '%s' holds no events; nothing to play\n", file.c_str());
    status = kExitOk;
    return std::nullopt;
  }
  return std::move(compiler.SmfImage);
}

/// A device id from a number (-1 is the default device) or a name (exact, else a part of
/// exactly one name). Throws std::invalid_argument naming the problem.
int ResolveDevice(TMidiOut& out, const std::string& arg) {
  const std::string list = out.GetDeviceList();
  std::vector<std::string> names;  // list position k is device k - 1
  for (size_t start = 0, end; (end = list.find("\r\n", start)) != std::string::npos; start = end + 2)
    names.push_back(list.substr(start, end - start));
  int id = 0;
  const auto [rest, error] = std::from_chars(arg.data(), arg.data() + arg.size(), id);
  if (error == std::errc() && rest == arg.data() + arg.size()) {
    if (id < -1 || id + 1 >= static_cast<int>(names.size()))
      throw std::invalid_argument("no device " + arg + " (see pelorund-cli devices)");
    return id;
  }
  const std::string wanted = pelorund::Utf8ToCp932(arg).value_or(arg);
  for (size_t k = 0; k < names.size(); ++k)
    if (names[k] == wanted) return static_cast<int>(k) - 1;
  int found = -2;
  for (size_t k = 0; k < names.size(); ++k) {
    if (names[k].find(wanted) == std::string::npos) continue;
    if (found != -2) throw std::invalid_argument("more than one device matches '" + arg + "'");
    found = static_cast<int>(k) - 1;
  }
  if (found == -2) throw std::invalid_argument("no device matches '" + arg + "' (see pelorund-cli devices)");
  return found;
}

struct TPlayOptions {
  fs::path File;
  std::string Device;
  int32_t From = 0;
  fs::path Output;
  fs::path SoundFont;
};

/// Throws std::invalid_argument with the message to show for bad usage. `render` selects the
/// options of the render command.
TPlayOptions ParseOptions(const std::vector<std::string>& args, bool render) {
  const TCliArgs parsed = render ? ParseCliArgs(args, {"-o", "--soundfont"}, {}, "song file")
                                 : ParseCliArgs(args, {"--device", "--from"}, {}, "song file");
  TPlayOptions options;
  options.File = parsed.File;
  options.Device = parsed.Value("--device");
  options.Output = parsed.Value("-o");
  options.SoundFont = parsed.Value("--soundfont");
  if (parsed.Values.count("--from") != 0) {
    const std::string from = parsed.Value("--from");
    const auto [rest, error] = std::from_chars(from.data(), from.data() + from.size(), options.From);
    if (error != std::errc() || rest != from.data() + from.size() || options.From < 0)
      throw std::invalid_argument("--from needs a tick count of 0 or more, not '" + from + "'");
  }
  if (render && options.Output.empty()) options.Output = fs::path(options.File).replace_extension(".wav");
  return options;
}

constexpr const char* kPlayUsage =
    "Usage: pelorund-cli play FILE.mml|FILE.mid [--device N|NAME] [--from TICK]\n";
constexpr const char* kRenderUsage =
    "Usage: pelorund-cli render FILE.mml|FILE.mid -o OUT.wav [--soundfont FILE.sf2]\n";

void PrintProgress(const TSmfPlayer& player, int32_t length, bool terminal) {
  const int32_t position = std::min(player.Position.load(), length);
  if (terminal) {
    std::printf("\r  tick %d / %d   tempo %d   ", position, length, player.Tempo.load());
  } else {
    std::printf("  tick %d / %d   tempo %d\n", position, length, player.Tempo.load());
  }
  std::fflush(stdout);
}

}  // namespace

int RunDevicesCommand(const std::vector<std::string>& args) {
  if (!args.empty()) {
    std::fprintf(stderr, "pelorund-cli devices: takes no arguments\nUsage: pelorund-cli devices\n");
    return kExitUsage;
  }
  TMidiOut out;
  const std::string list = out.GetDeviceList();
  int id = -1;
  for (size_t start = 0, end; (end = list.find("\r\n", start)) != std::string::npos; start = end + 2)
    std::printf("%3d  %s\n", id++, Utf8(list.substr(start, end - start)).c_str());
  return kExitOk;
}

int RunPlayCommand(const std::vector<std::string>& args) {
  TPlayOptions options;
  try {
    options = ParseOptions(args, false);
  } catch (const std::invalid_argument& error) {
    std::fprintf(stderr, "pelorund-cli play: %s\n%s", error.what(), kPlayUsage);
    return kExitUsage;
  }
  int status = kExitOk;
  const std::optional<std::vector<uint8_t>> song = LoadSong(options.File, status);
  if (!song) return status;

  TSmfPlayer player;
  int device = -1;
  try {
    player.LoadFromStream(*song);
    if (!options.Device.empty()) device = ResolveDevice(player.MidiOut, options.Device);
  } catch (const std::invalid_argument& error) {
    std::fprintf(stderr, "pelorund-cli play: %s\n", error.what());
    return kExitUsage;
  } catch (const std::runtime_error& error) {  // ESmfReadSMF: code page 932
    std::fprintf(stderr, "pelorund-cli: %s: %s\n", options.File.c_str(), Utf8(error.what()).c_str());
    return kExitUsage;
  }
  const std::string deviceName = Utf8(player.MidiOut.GetDeviceName(device));
  if (!player.MidiOut.Open(device)) {
    std::fprintf(stderr, "pelorund-cli: %s (%d %s)\n",
                 Utf8(std::string(smf_play_texts::kPortUnavailable)).c_str(), device, deviceName.c_str());
    return kExitUsage;
  }
  const int32_t length = player.GetLength();
  const bool terminal = ::isatty(STDOUT_FILENO) != 0;
  std::printf("playing %s on %d %s: %d ticks from tick %d (Ctrl+C stops)\n", options.File.c_str(), device,
              deviceName.c_str(), length, options.From);
  std::fflush(stdout);

  const TInterruptGuard guard;
  player.Position = options.From;
  player.Play();
  auto lastLine = std::chrono::steady_clock::now();
  const auto lineEvery = terminal ? std::chrono::milliseconds(100) : std::chrono::milliseconds(1000);
  while (player.Playing && !gInterrupted) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    if (std::chrono::steady_clock::now() - lastLine >= lineEvery) {
      PrintProgress(player, length, terminal);
      lastLine = std::chrono::steady_clock::now();
    }
  }
  if (gInterrupted) {
    player.Stop();
    if (terminal) std::printf("\n");
    std::printf("stopped at tick %d; all notes off\n", player.Position.load());
    return kExitInterrupted;
  }
  PrintProgress(player, length, terminal);
  if (terminal) std::printf("\n");
  // The last notes' release still sounds on a synthesizer; the port closes after it.
  for (int i = 0; i < 50 && !gInterrupted; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  player.Stop();
  std::printf("played to the end\n");
  return kExitOk;
}

int RunRenderCommand(const std::vector<std::string>& args) {
  TPlayOptions options;
  try {
    options = ParseOptions(args, true);
  } catch (const std::invalid_argument& error) {
    std::fprintf(stderr, "pelorund-cli render: %s\n%s", error.what(), kRenderUsage);
    return kExitUsage;
  }
  if (!options.SoundFont.empty() && !fs::is_regular_file(options.SoundFont)) {
    std::fprintf(stderr, "pelorund-cli: cannot read SoundFont '%s'\n", options.SoundFont.c_str());
    return kExitUsage;
  }
  int status = kExitOk;
  const std::optional<std::vector<uint8_t>> song = LoadSong(options.File, status);
  if (!song) return status;
  try {
    const TRenderInfo info = RenderSmfToWav(*song, options.Output, options.SoundFont);
    std::printf("%s: %.1f s (the song %.1f s and its release), %ju bytes\n", options.Output.c_str(),
                info.Seconds, info.SongSeconds, info.FileBytes);
  } catch (const std::runtime_error& error) {  // ESmfReadSMF, ESmfPlayer: code page 932
    std::fprintf(stderr, "pelorund-cli: %s: %s\n", options.File.c_str(), Utf8(error.what()).c_str());
    return kExitUsage;
  }
  return kExitOk;
}
