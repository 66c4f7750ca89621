// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
//
// The real device path end to end: a JACK server with the dummy driver, FluidSynth as a JACK MIDI
// client whose audio jack_rec records, and pelorund-cli play sending to FluidSynth's port through
// RtMidi's JACK API. Everything the test starts is stopped again, whatever happens.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "common/FileUtils.h"
#include "common/TextCodec.h"
#include "playback/WavTestSupport.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

/// A program started by the test; stopped (SIGTERM, then SIGKILL) when it goes out of scope.
class TChild {
 public:
  /// Starts `argv` with its output in `log`; with `feedStdin` its standard input is a pipe that
  /// stays open until Stop (FluidSynth's shell ends at the end of its input).
  TChild(const std::vector<std::string>& argv, const fs::path& log, bool feedStdin = false) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    int pipeEnds[2] = {-1, -1};
    if (feedStdin && pipe(pipeEnds) == 0) {
      posix_spawn_file_actions_adddup2(&actions, pipeEnds[0], STDIN_FILENO);
      posix_spawn_file_actions_addclose(&actions, pipeEnds[1]);
      stdin_ = pipeEnds[1];
    } else {
      posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    }
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    std::vector<char*> args;
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    if (posix_spawnp(&pid_, args[0], &actions, nullptr, args.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    if (pipeEnds[0] >= 0) close(pipeEnds[0]);
  }
  ~TChild() { Stop(); }
  TChild(const TChild&) = delete;
  TChild& operator=(const TChild&) = delete;

  [[nodiscard]] bool Started() const { return pid_ > 0; }

  /// Waits up to `seconds` for the program to end by itself; true when it has.
  bool Wait(double seconds) {
    const auto until = Clock::now() + std::chrono::duration<double>(seconds);
    while (pid_ > 0) {
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return true;
      }
      if (Clock::now() > until) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
  }

  void Stop() {
    if (stdin_ >= 0) close(stdin_);
    stdin_ = -1;
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    if (!Wait(3)) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
      pid_ = -1;
    }
  }

 private:
  pid_t pid_ = -1;
  int stdin_ = -1;
};

int Command(const std::string& command) {
  const int status = std::system((command + " >/dev/null 2>&1").c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool OnPath(const std::string& tool) { return Command("command -v " + tool) == 0; }

std::string Tail(const fs::path& log) {
  const std::string text = pelorund::ReadFileBytes(log).value_or("");
  return text.size() > 1500 ? text.substr(text.size() - 1500) : text;
}

class CliJackPlay : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("pelorund-jack-" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    // Every JACK client of this test, pelorund-cli included, finds this server and no other.
    server_ = "pelorund-test-" + std::to_string(::getpid());
    setenv("JACK_DEFAULT_SERVER", server_.c_str(), 1);
    setenv("JACK_NO_START_SERVER", "1", 1);
  }
  void TearDown() override {
    unsetenv("JACK_DEFAULT_SERVER");
    fs::remove_all(dir_);
  }

  /// Waits until jack_lsp lists the port.
  static bool WaitForPort(const std::string& port, double seconds) {
    const auto until = Clock::now() + std::chrono::duration<double>(seconds);
    while (Clock::now() < until) {
      if (Command("jack_lsp | grep -qx '" + port + "'") == 0) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
  }

  fs::path dir_;
  std::string server_;
};

TEST_F(CliJackPlay, FluidSynthRecordingSoundsWhileTheSongPlays) {
  for (const char* tool : {"jackd", "jack_lsp", "jack_wait", "jack_rec", "fluidsynth"})
    ASSERT_TRUE(OnPath(tool)) << tool << " is missing; scripts/install-deps.sh installs it";
  const fs::path soundFont = "/usr/share/sounds/sf2/TimGM6mb.sf2";
  ASSERT_TRUE(fs::is_regular_file(soundFont))
      << "timgm6mb-soundfont is missing; scripts/install-deps.sh installs it";

  // Eight quarter notes at 120 beats per minute: four seconds of sound.
  const fs::path song = dir_ / "scale.mml";
  pelorund::WriteFileAtomic(song, "o4 l4 c d e f g a b > c");
  const double songSeconds = 4.0;

  TChild jackd({"jackd", "--no-realtime", "-n", server_, "-d", "dummy", "-r", "44100", "-p", "512"},
               dir_ / "jackd.log");
  ASSERT_TRUE(jackd.Started());
  if (Command("jack_wait -w -t 10") != 0)
    GTEST_SKIP() << "the JACK server with the dummy driver does not start on this machine:\n"
                 << Tail(dir_ / "jackd.log");

  const std::string client = "pelofs";
  TChild fluid({"fluidsynth", "-a", "jack", "-m", "jack", "-g", "1.0", "-o", "audio.jack.id=" + client, "-o",
                "midi.jack.id=" + client, "-o", "synth.reverb.active=0", "-o", "synth.chorus.active=0",
                soundFont.string()},
               dir_ / "fluidsynth.log", true);
  ASSERT_TRUE(fluid.Started());
  if (!WaitForPort(client + ":midi_00", 15) || !WaitForPort(client + ":left", 5))
    GTEST_SKIP() << "FluidSynth registers no JACK ports on this machine:\n" << Tail(dir_ / "fluidsynth.log");

  const fs::path wavFile = dir_ / "recording.wav";
  const double recordSeconds = songSeconds + 6;
  TChild recorder({"jack_rec", "-f", wavFile.string(), "-d", std::to_string(static_cast<int>(recordSeconds)),
                   client + ":left", client + ":right"},
                  dir_ / "jack_rec.log");
  ASSERT_TRUE(recorder.Started());
  const auto recordStart = Clock::now();
  std::this_thread::sleep_for(std::chrono::milliseconds(700));  // jack_rec connects its ports

  const auto playStart = Clock::now();
  const std::string cli = (fs::path(BIN_DIR) / "pelorund-cli").string();
  const int played = Command("'" + cli + "' play '" + song.string() + "' --device " + client + ":midi_00 >'" +
                             (dir_ / "play.log").string() + "' 2>&1");
  const double playAt = std::chrono::duration<double>(playStart - recordStart).count();
  ASSERT_EQ(0, played) << Tail(dir_ / "play.log");
  ASSERT_TRUE(recorder.Wait(recordSeconds + 10)) << Tail(dir_ / "jack_rec.log");
  fluid.Stop();
  jackd.Stop();

  const std::optional<wav_test::TWav> wav = wav_test::ReadWav(wavFile);
  ASSERT_TRUE(wav) << Tail(dir_ / "jack_rec.log");
  ASSERT_GT(wav->Seconds(), recordSeconds - 1);
  // The sound starts once the song plays (the recording may have begun a little after its
  // program), then no quarter of a second of the song is silent.
  double onset = -1;
  for (double t = 0; t < wav->Seconds() && onset < 0; t += 0.01)
    if (wav->Rms(t, t + 0.01) > 0.01) onset = t;
  ASSERT_GE(onset, 0) << "the recording is silent";
  EXPECT_LT(wav->Rms(0, std::max(0.0, onset - 0.05)), 0.001) << "sound before the song started";
  EXPECT_GT(onset, playAt - 0.8);
  EXPECT_LT(onset, playAt + 2.0);
  for (double t = onset; t + 0.25 <= onset + songSeconds - 0.1; t += 0.25) {
    SCOPED_TRACE("at " + std::to_string(t) + " s");
    EXPECT_GT(wav->Rms(t, t + 0.25), 0.01);
  }
}

}  // namespace
