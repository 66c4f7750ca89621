// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
//
// pelorund-cli import end to end: the real files of the shared corpus import and compile back,
// the options reach the text, and bad input ends with a clear message and exit status 2.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "CliTestSupport.h"
#include "import/SmfBytes.h"

namespace {

using namespace cli_test;

// Key 60; a controller 91, a bend to the top and a volume of 63; key 84 (two octaves up).
const std::string kSong =
    smf_bytes::Smf(48, {"00 90 3C 64  30 80 3C 00  00 B0 5B 28  00 E0 7F 7F  00 B0 07 3F  "
                        "00 90 54 64  30 80 54 00  00 FF 2F 00"});

class CliImport : public TTempDirTest {
 protected:
  static bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }
};

TEST_F(CliImport, CorpusFilesImportAndCompileBack) {
  const fs::path corpus = fs::path(SOURCE_DIR) / ".." / "shared" / "corpus" / "midi";
  if (!fs::is_directory(corpus)) GTEST_SKIP() << "no corpus at " << corpus;
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(corpus)) {
    const std::string extension = entry.path().extension().string();
    if (extension == ".mid" || extension == ".kar") files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  ASSERT_FALSE(files.empty());
  for (const fs::path& file : files) {
    for (const std::string flags : {"", " --bend --mix-volume --direct-velocity --reverse-octave"}) {
      SCOPED_TRACE(file.filename().string() + flags);
      const fs::path mml = dir_ / (file.stem().string() + ".mml");
      const fs::path mid = dir_ / (file.stem().string() + ".mid");
      const TRun import = Cli("import " + Quote(file) + " -o " + Quote(mml) + flags);
      ASSERT_EQ(0, import.Status) << import.Out;
      EXPECT_FALSE(Has(import.Out, "warning")) << import.Out;
      const TRun compile = Cli("compile " + Quote(mml) + " -o " + Quote(mid));
      EXPECT_EQ(0, compile.Status) << compile.Out;
      EXPECT_EQ("MThd", Read(mid).substr(0, 4));
    }
  }
}

TEST_F(CliImport, StandardOutputGetsTheSameBytesAsTheDefaultFile) {
  const fs::path song = File("song.mid", kSong);
  const TRun toFile = Cli("import " + Quote(song));
  ASSERT_EQ(0, toFile.Status) << toFile.Out;
  EXPECT_TRUE(Has(toFile.Out, "song.mml")) << toFile.Out;
  const std::string written = Read(dir_ / "song.mml");
  const TRun toStdout = Cli("import " + Quote(song) + " -o -", (dir_ / "stderr.txt").string());
  EXPECT_EQ(0, toStdout.Status);
  EXPECT_EQ(written, toStdout.Out);
  EXPECT_EQ("'" + std::string(78, '=') + "\r\n", written.substr(0, 81));
  EXPECT_EQ("", Read(dir_ / "stderr.txt"));
}

TEST_F(CliImport, FlagsAndControllerNamesReachTheText) {
  const fs::path song = File("song.mid", kSong);
  const fs::path names = File("names.ini", "[ControlChange]\r\n91=Hall\r\n");
  const struct {
    std::string Flags;
    std::vector<std::string> Present;
    std::vector<std::string> Absent;
  } cases[] = {
      {"",
       {"\r\nu-27\r\nc4\r\nh$5B, 40 'Reverb Send Level\r\nv-64\r\n>>c4\r\n"},
       {"%octrev", "y+8191", ",100"}},
      {"--reverse-octave", {"%sync\r\n%octrev\r\n", "\r\nv-64\r\n<<c4\r\n"}, {">>"}},
      {"--bend", {"Level\r\ny+8191\r\n"}, {}},
      {"--direct-velocity", {"\r\nc4,4,100\r\n", "\r\n>>c4,4,100\r\n"}, {"u-27"}},
      {"--mix-volume", {"\r\nv-51\r\n"}, {"v-64"}},
      {"--controls-ini " + Quote(names), {"h$5B, 40 'Hall\r\n"}, {"Reverb"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Flags);
    const TRun run = Cli("import " + Quote(song) + " -o - " + c.Flags);
    ASSERT_EQ(0, run.Status) << run.Out;
    for (const std::string& part : c.Present) EXPECT_TRUE(Has(run.Out, part)) << part;
    for (const std::string& part : c.Absent) EXPECT_FALSE(Has(run.Out, part)) << part;
  }
}

TEST_F(CliImport, BadUsageAndUnreadableFilesExitWithTwo) {
  const fs::path song = File("song.mid", kSong);
  const struct {
    std::string Args;
    std::string Says;
  } cases[] = {
      {"import", "no input file"},
      {"import " + Quote(song) + " --loud", "unknown option --loud"},
      {"import " + Quote(song) + " -o", "-o needs a value"},
      {"import " + Quote(song) + " " + Quote(song), "more than one input file"},
      {"import " + Quote(dir_ / "missing.mid"), "missing.mid\" cannot be read"},
      {"import " + Quote(File("text.mid", "just text")), "text.mid\" is not a Standard MIDI File"},
      {"import " + Quote(File("zero.mid", smf_bytes::Header(1, 0))), "zero.mid\" declares a time base of 0"},
      {"import " + Quote(song) + " --controls-ini " + Quote(dir_ / "none.ini"), "none.ini"},
      {"import " + Quote(song) + " -o " + Quote(dir_ / "no-dir" / "x.mml"), "x.mml"},
      {"import " + Quote(song) + " -o " + Quote(song), "replace its own input"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Args);
    const TRun run = Cli(c.Args);
    EXPECT_EQ(2, run.Status);
    EXPECT_TRUE(Has(run.Out, c.Says)) << run.Out;
  }
  EXPECT_EQ(kSong, Read(song));
}

TEST_F(CliImport, AFailedImportLeavesTheOldTextAlone) {
  File("song.mml", "older");
  const TRun run = Cli("import " + Quote(File("song.mid", "MThd")));
  EXPECT_EQ(2, run.Status);
  EXPECT_EQ("older", Read(dir_ / "song.mml"));
}

TEST_F(CliImport, DamagedFileIsImportedAsFarAsItGoesWithAWarning) {
  // Three track chunks declared, one present, cut inside its second note.
  const fs::path cut =
      File("cut.mid", smf_bytes::Header(3, 48) +
                          smf_bytes::Chunk("MTrk", smf_bytes::Hex("00 90 3C 64  30 80 3C 00  00 90")));
  const TRun run = Cli("import " + Quote(cut));
  EXPECT_EQ(0, run.Status);
  EXPECT_TRUE(Has(run.Out, "warning: '" + cut.string() + "': the file ends inside track chunk 1")) << run.Out;
  EXPECT_TRUE(Has(Read(dir_ / "cut.mml"), "\r\nu-27\r\nc4\r\n"));
}

}  // namespace
