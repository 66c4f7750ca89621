// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Running pelorund-cli (and other programs) from the end-to-end tests, each test in a fresh folder.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "common/FileUtils.h"
#include "common/TextCodec.h"

namespace cli_test {

namespace fs = std::filesystem;

struct TRun {
  int Status = -1;
  std::string Out;  // what the command printed on stdout (and stderr, unless kept apart)
};

/// Runs a shell command; stderr joins stdout unless `stderrFile` names where it goes.
inline TRun Shell(const std::string& command, const std::string& stderrFile = "") {
  TRun run;
  const std::string redirect = stderrFile.empty() ? " 2>&1" : " 2>'" + stderrFile + "'";
  FILE* pipe = popen((command + redirect).c_str(), "r");
  if (!pipe) return run;
  std::array<char, 4096> buffer{};
  while (size_t n = fread(buffer.data(), 1, buffer.size(), pipe)) run.Out.append(buffer.data(), n);
  const int status = pclose(pipe);
  run.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

inline std::string Quote(const fs::path& path) { return "'" + path.string() + "'"; }

inline std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

/// Runs the built pelorund-cli with `args` (already quoted where needed).
inline TRun Cli(const std::string& args, const std::string& stderrFile = "") {
  return Shell(Quote(fs::path(BIN_DIR) / "pelorund-cli") + " " + args, stderrFile);
}

/// Reads an SMF with the independent parser (Debian's python3 and mido): one line per event.
inline TRun DumpSmf(const fs::path& smf, const std::string& options = "") {
  return Shell("/usr/bin/python3 " + Quote(fs::path(SOURCE_DIR) / "tests" / "cli" / "smf_dump.py") + " " + options +
               (options.empty() ? "" : " ") + Quote(smf));
}

/// A fresh, empty folder for each test, removed afterwards.
class TTempDirTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = fs::temp_directory_path() /
           ("pelorund-" + std::string(test->test_suite_name()) + "-" + test->name() + "-" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  /// Writes `bytes` to a file of the test folder.
  fs::path File(const std::string& name, const std::string& bytes) {
    const fs::path file = dir_ / name;
    pelorund::WriteFileAtomic(file, bytes);
    return file;
  }
  /// Writes a source given in UTF-8 as code page 932.
  fs::path Source(const std::string& name, const std::string& utf8) {
    return File(name, pelorund::Utf8ToCp932(utf8).value());
  }
  static std::string Read(const fs::path& file) { return pelorund::ReadFileBytes(file).value_or("<missing>"); }

  fs::path dir_;
};

}  // namespace cli_test
