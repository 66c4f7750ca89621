// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
//
// The MML text of an import: the whole text of a one-note file, and the lines that each kind of
// event gives, with and without the four options.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "import/SmfBytes.h"
#include "import/smf2mmlU.h"

namespace {

using namespace smf2mmlU;
using smf_bytes::Smf;

struct TOptions {
  bool Bend = false;
  bool Mix = false;
  bool Direct = false;
  bool Reverse = false;
};

std::string Mml(const std::string& file, TOptions options = {}, const std::string& controlNames = "") {
  TSmf2Mml converter{std::filesystem::path()};
  converter.ControlNames.SetText(controlNames);
  converter.WriteBend = options.Bend;
  converter.MixVolume = options.Mix;
  converter.DirectVelocity = options.Direct;
  converter.ReverseOctave = options.Reverse;
  converter.ImportBytes(file);
  return MakeMml(converter);
}

std::vector<std::string> SplitCrLf(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
    lines.push_back(text.substr(start, end - start));
  lines.push_back(text.substr(start));
  return lines;
}

/// The lines of the block of MIDI channel `channel` (1-16) after its head line, up to the empty
/// line that opens the next block.
std::vector<std::string> Block(const std::string& mml, int channel) {
  const std::vector<std::string> lines = SplitCrLf(mml);
  const std::string head =
      "%track" + std::to_string(channel) + "  $mute" + (channel < 10 ? "0" : "") + std::to_string(channel);
  std::vector<std::string> block;
  bool inside = false;
  for (const std::string& line : lines) {
    if (inside && line.empty()) break;
    if (inside) block.push_back(line);
    if (line == head) inside = true;
  }
  return block;
}

const std::string kRuler = std::string(78, '=');
const std::string kDash = std::string(78, '-');

TEST(MmlText, OneNoteFileGivesTheWholeText) {
  const std::string mml = Mml(Smf(48, {"00 90 3C 64  30 80 3C 00  00 FF 2F 00"}));
  std::string expected = "'" + kRuler + "\r\n' \r\n'" + kRuler + "\r\n%track0\r\n'`GMSYSTEMON\r\n%sync\r\n" +
                         "$mute01={@mute};  $mute02={@mute};  $mute03={@mute};  $mute04={@mute};  \r\n"
                         "$mute05={@mute};  $mute06={@mute};  $mute07={@mute};  $mute08={@mute};  \r\n"
                         "$mute09={@mute};  $mute10={@mute};  $mute11={@mute};  $mute12={@mute};  \r\n"
                         "$mute13={@mute};  $mute14={@mute};  $mute15={@mute};  $mute16={@mute};  \r\n"
                         "\r\n";
  const char* const mutes[] = {"01", "02", "03", "04", "05", "06", "07", "08",
                               "09", "10", "11", "12", "13", "14", "15", "16"};
  for (int channel = 1; channel <= 16; ++channel) {
    expected += "\r\n'" + kDash + "\r\n' \r\n'" + kDash + "\r\n%track" + std::to_string(channel) + "  $mute" +
                mutes[channel - 1] + "\r\n@y2 p64 v127 x100 y0 m0 u127 o4 l16 q0\r\n";
    expected += channel == 1 ? "u-27\r\nc4\r\n" : "r4\r\n";
  }
  EXPECT_EQ(expected, mml);
}

TEST(MmlText, ReverseOctaveIsDeclaredInTheHeader) {
  const std::vector<std::string> lines = SplitCrLf(Mml(Smf(48, {"00 FF 2F 00"}), {.Reverse = true}));
  ASSERT_GT(lines.size(), 8u);
  EXPECT_EQ((std::vector<std::string>{"%track0", "'`GMSYSTEMON", "%sync", "%octrev"}),
            std::vector<std::string>(lines.begin() + 3, lines.begin() + 7));
}

TEST(MmlText, EventsBecomeTheirLines) {
  const std::string defaults = "@y2 p64 v127 x100 y0 m0 u127 o4 l16 q";
  const std::string triad = "00 90 3C 7F  00 90 40 7F  00 90 43 7F  30 80 3C 00  00 80 40 00  00 80 43 00";
  const std::string triad100 = "00 90 3C 64  00 90 40 64  00 90 43 64  30 80 3C 00  00 80 40 00  00 80 43 00";
  // Kick and snare, each 20 ticks long on a 24-tick step.
  const std::string drums = "00 9# 24 64  14 8# 24 00  04 9# 26 50  14 8# 26 00  04 FF 2F 00";
  auto onChannel = [](std::string text, char channel) {
    for (char& c : text)
      if (c == '#') c = channel;
    return text;
  };
  const std::string octaves = "00 90 3C 7F  30 80 3C 00  00 90 54 7F  30 80 54 00  00 90 3C 7F  30 80 3C 00";
  const std::string volumes = "00 B0 07 3F  30 B0 0B 40  30 FF 2F 00";
  const struct {
    const char* Name;
    std::string File;
    TOptions Options;
    int Channel;
    std::vector<std::string> Lines;
  } cases[] = {
      {"a chord shares one line", Smf(48, {triad}), {}, 1, {defaults + "0", "c0,4 e0,4 g4"}},
      {"a chord with direct velocity",
       Smf(48, {triad100}),
       {.Direct = true},
       1,
       {defaults + "0", "c0,4,100 e0,4,100 g4,4,100"}},
      {"a chord whose velocities differ is split",
       Smf(48, {"00 90 3C 64  00 90 40 6E  00 90 43 6E  "
                "30 80 3C 00  00 80 40 00  00 80 43 00"}),
       {},
       1,
       {defaults + "0", "u-27", "c0,4 u+10", "e0,4 g4"}},
      {"drums on channel 10 carry gate and velocity, q stays 0",
       Smf(48, {onChannel(drums, '9')}),
       {},
       10,
       {defaults + "0", "<<c8,*20,100", "d8,*20,80"}},
      {"the same notes on channel 1 use the gate difference",
       Smf(48, {onChannel(drums, '0')}),
       {},
       1,
       {defaults + "4", "u-27", "<<c8", "u-20", "d8"}},
      {"the most frequent gate difference wins, the smallest on a tie",
       Smf(48, {"00 90 3C 64  14 80 3C 00  04 90 3C 64  14 80 3C 00  04 90 3C 64  12 80 3C 00  "
                "06 90 3C 64  12 80 3C 00  06 FF 2F 00"}),
       {},
       1,
       {defaults + "4", "u-27", "c8", "c8", "c8,16.", "c8,16."}},
      {"octave marks", Smf(48, {octaves}), {}, 1, {defaults + "0", "c4", ">>c4", "<<c4"}},
      {"octave marks reversed",
       Smf(48, {octaves}),
       {.Reverse = true},
       1,
       {defaults + "0", "c4", "<<c4", ">>c4"}},
      {"volume and expression", Smf(48, {volumes}), {}, 1, {defaults + "0", "v-64r4", "x-36r4"}},
      {"volume and expression mixed",
       Smf(48, {volumes}),
       {.Mix = true},
       1,
       {defaults + "0", "v-51r4", "v-18r4"}},
      {"a bend to the top",
       Smf(48, {"00 E0 7F 7F  30 FF 2F 00"}),
       {.Bend = true},
       1,
       {defaults + "0", "y+8191", "r4"}},
      {"no bends without the option", Smf(48, {"00 E0 7F 7F  30 FF 2F 00"}), {}, 1, {defaults + "0", "r4"}},
      {"program 0", Smf(48, {"00 C0 00  30 FF 2F 00"}), {}, 1, {defaults + "0", "@1r4"}},
      {"tempo, pan and modulation",
       Smf(48, {"00 FF 51 03 07 A1 20  00 B0 0A 20  00 B0 01 05  30 FF 2F 00"}),
       {},
       1,
       {defaults + "0", "t120", "p-32", "m5r4"}},
      {"a tempo above 255",
       Smf(48, {"00 FF 51 03 03 0D 40  30 FF 2F 00"}),
       {},
       1,
       {defaults + "0", "t300r4"}},
      {"a rest of 200 ticks", Smf(48, {"81 48 FF 2F 00"}), {}, 2, {defaults + "0", "r1^*8"}},
      {"system exclusive",
       Smf(48, {"00 F0 05 41 10 42 12 F7  30 F0 03 7E 7F F7  30 FF 2F 00"}),
       {},
       1,
       {defaults + "0", "z$F0,$41,$10,$42,$12,$F7 '", "r4", "z$F0,$7E,$7F,$F7 '", "r4"}},
      {"system exclusive without its F7 keeps its last byte",
       Smf(48, {"00 F0 02 43 10"}),
       {},
       1,
       {defaults + "0", "z$F0,$43,$10,$F7 '"}},
      {"controllers 0 and 32 to 51 give only rests",
       Smf(48, {"00 B0 00 01  00 B0 20 02  00 B0 33 03  00 B0 34 04  "
                "00 B0 5B 28  30 B0 20 00  30 FF 2F 00"}),
       {},
       1,
       {defaults + "0", "h$34,  4 '", "h$5B, 40 'Reverb", "r4", "r4"}},
      {"meta texts",
       Smf(48, {"00 FF 01 05 61 22 62 22 63  00 FF 03 03 54 7B 7D  00 FF 05 02 6C 00  00 FF 06 00  "
                "00 FF 04 03 82 A0 20  00 FF 08 02 50 4E  00 FF 01 01 00  00 FF 02 03 41 42 E5  "
                "30 FF 2F 00"}),
       {},
       1,
       {defaults + "0", "%TEXT \"a\"b\"c\"", "{%TRACKNAME \"T()\"}", "{%LYRIC \"l\"}",
        "{%INSTRUMENT \"\x82\xA0 \"}", "%COPYRIGHT \"AB\xE5 \"r4"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    EXPECT_EQ(c.Lines, Block(Mml(c.File, c.Options, "[ControlChange]\r\n91=Reverb\r\n"), c.Channel));
  }
}

TEST(MmlText, LengthsAreWrittenInLengthNotation) {
  const struct {
    int64_t Ticks;
    const char* Step;
    const char* Gate;
  } cases[] = {
      {0, "0", "0"},         {3, "64", "*3"},       {6, "32", "*6"},         {9, "32.", "*9"},
      {12, "16", "16"},      {36, "8.", "8."},      {132, "2._16", "2._16"}, {156, "1_8.", "1_8."},
      {168, "2..", "2.."},   {192, "1", "1"},       {7, "*7", "*7"},         {193, "1^*1", "1^*1"},
      {200, "1^*8", "1^*8"}, {195, "1^64", "1^*3"}, {384, "1^1", "1^1"},     {624, "1^1^1^4", "1^1^1^4"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Ticks);
    EXPECT_EQ(c.Step, StepLength(c.Ticks));
    EXPECT_EQ(c.Gate, GateLength(c.Ticks));
  }
  EXPECT_EQ("", RestText(0));
  EXPECT_EQ("r1^*8", RestText(200));
}

TEST(MmlText, TextLargerThanTheLimitIsRefused) {
  TSmf2Mml converter{std::filesystem::path()};
  converter.ImportBytes(Smf(48, {"00 90 3C 64  30 80 3C 00"}));
  converter.MaxTextSize = 500;
  EXPECT_THROW(MakeMml(converter), ESmf2Mml);
}

}  // namespace
