// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
//
// Import speed and memory: prints figures, asserts nothing.
//
//   import_bench                      the largest file of the shared corpus, then a generated SMF
//                                     of 1,000,000 events
//   import_bench FILE.mid             that file
//   import_bench --generate N         a generated SMF of N events
//
// Each case runs in a child process of its own, so its peak memory (the child's maximum resident
// set size) is its own. Times are the best of three runs inside the child.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <string>

#include "common/FileUtils.h"
#include "import/smf2mmlU.h"

namespace {

namespace fs = std::filesystem;

void VarLen(std::string& out, uint32_t value) {
  std::string bytes(1, static_cast<char>(value & 0x7F));
  while ((value >>= 7) != 0) bytes.insert(bytes.begin(), static_cast<char>(0x80 | (value & 0x7F)));
  out += bytes;
}

void BigEndian(std::string& out, uint32_t value, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

/// A format 1 file at 480 ticks per quarter note: sixteen tracks, one per channel, of sixteenth
/// notes in running status with chords, volume changes and pitch bends; `events` events in all,
/// the end-of-track events included.
std::string GenerateSmf(long events) {
  const long perTrack = events / 16;
  std::string file = "MThd";
  BigEndian(file, 6, 4);
  BigEndian(file, 1, 2);
  BigEndian(file, 16, 2);
  BigEndian(file, 480, 2);
  for (int channel = 0; channel < 16; ++channel) {
    std::string body;
    long written = 0;
    const long want = perTrack + (channel < events % 16 ? 1 : 0) - 1;  // and the end of the track
    auto event = [&](uint32_t delta, std::initializer_list<int> bytes) {
      VarLen(body, delta);
      for (int b : bytes) body += static_cast<char>(b);
      ++written;
    };
    event(0, {0xC0 | channel, channel * 7 % 128});
    for (long step = 0;; ++step) {
      const long left = want - written;
      if (left <= 0) break;
      const int key = 36 + static_cast<int>((step * 5 + channel * 3) % 48);
      const int velocity = 40 + static_cast<int>(step * 13 % 80);
      if (left == 1) {
        event(0, {0xA0 | channel, key, 10});
        continue;
      }
      if (step % 16 == 0 && left >= 4) {
        event(0, {0xB0 | channel, 7, static_cast<int>(60 + step % 60)});
        event(0, {0xE0 | channel, 0, static_cast<int>(step % 128)});
      }
      const bool chord = step % 4 == 0 && want - written >= 6;
      event(0, {0x90 | channel, key, velocity});
      if (chord) {
        event(0, {key + 4, velocity});  // running status
        event(0, {key + 7, velocity});
      }
      event(100, {0x80 | channel, key, 0});
      if (chord) {
        event(0, {0x80 | channel, key + 4, 0});
        event(0, {0x80 | channel, key + 7, 0});
      }
      if (written < want) event(20, {0xA0 | channel, key, 10});  // fills the step with a key pressure
    }
    VarLen(body, 0);
    body += "\xFF\x2F";
    body += '\0';
    file += "MTrk";
    BigEndian(file, static_cast<uint32_t>(body.size()), 4);
    file += body;
  }
  return file;
}

double Seconds(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }

/// Imports `file` three times and prints the figures of the fastest run.
int RunCase(const std::string& label, const fs::path& file) {
  const auto size = fs::file_size(file);
  double bestImport = 1e9;
  double bestText = 1e9;
  size_t events = 0;
  size_t textBytes = 0;
  for (int run = 0; run < 3; ++run) {
    smf2mmlU::TSmf2Mml converter{fs::path()};
    const auto start = std::chrono::steady_clock::now();
    converter.Import(file);
    const auto imported = std::chrono::steady_clock::now();
    const std::string mml = smf2mmlU::MakeMml(converter);
    const auto written = std::chrono::steady_clock::now();
    bestImport = std::min(bestImport, Seconds(imported - start));
    bestText = std::min(bestText, Seconds(written - imported));
    events = converter.EventsRead;
    textBytes = mml.size();
  }
  std::printf("%s\n", label.c_str());
  std::printf("  file            %s (%ju bytes)\n", file.c_str(), static_cast<uintmax_t>(size));
  std::printf("  events read     %zu\n", events);
  std::printf("  Import          %8.3f s  %12.0f events/s\n", bestImport,
              static_cast<double>(events) / bestImport);
  std::printf("  MakeMml         %8.3f s  (%zu bytes of MML)\n", bestText, textBytes);
  std::printf("  both            %8.3f s  %12.0f events/s\n", bestImport + bestText,
              static_cast<double>(events) / (bestImport + bestText));
  std::fflush(stdout);
  return 0;
}

/// Runs `work` in a child process and prints the child's peak memory.
int InChild(const std::function<int()>& work) {
  std::fflush(stdout);  // or the child prints the parent's pending lines again
  const pid_t pid = fork();
  if (pid < 0) return 1;
  if (pid == 0) std::_Exit(work());
  int status = 0;
  rusage usage{};
  if (wait4(pid, &status, 0, &usage) != pid) return 1;
  std::printf("  peak memory     %.1f MiB (maximum resident set of the process)\n\n",
              static_cast<double>(usage.ru_maxrss) / 1024.0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

int Generated(long events) {
  const fs::path file =
      fs::temp_directory_path() / ("pelorund-import-bench-" + std::to_string(getpid()) + ".mid");
  pelorund::WriteFileAtomic(file, GenerateSmf(events));
  const int status =
      InChild([&] { return RunCase("generated SMF of " + std::to_string(events) + " events", file); });
  fs::remove(file);
  return status;
}

fs::path LargestCorpusFile() {
  const fs::path corpus = fs::path(SOURCE_DIR) / ".." / "shared" / "corpus" / "midi";
  fs::path largest;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(corpus, ec)) {
    if (entry.path().extension() != ".mid") continue;
    if (largest.empty() || entry.file_size() > fs::file_size(largest)) largest = entry.path();
  }
  return largest;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    if (argc == 3 && std::string(argv[1]) == "--generate") return Generated(std::atol(argv[2]));
    if (argc == 2) return InChild([&] { return RunCase("file", argv[1]); });
    if (argc != 1) {
      std::fprintf(stderr, "usage: import_bench [FILE.mid | --generate EVENTS]\n");
      return 2;
    }
    const fs::path largest = LargestCorpusFile();
    std::printf("baseline: a child that imports nothing\n");
    int status = InChild([] { return 0; });
    if (largest.empty()) {
      std::printf("no corpus found beside the repository; skipping the corpus file\n\n");
    } else {
      status |= InChild([&] { return RunCase("largest corpus file", largest); });
    }
    status |= Generated(1'000'000);
    return status;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "import_bench: %s\n", error.what());
    return 1;
  }
}
