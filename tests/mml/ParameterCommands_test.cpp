// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "CompileTestSupport.h"

namespace {

using testing_support::ExpectEventCases;
using testing_support::ExpectLogCases;
using testing_support::TEventCase;
using testing_support::TLogCase;

TEST(ValueProtocol, ModifiersOnTheHolder) {
  const TEventCase cases[] = {
      {"V127 V+10 V-5", {"0 cc 7 127", "0 cc 7 127", "0 cc 7 127"}},  // stored 137, 132: reads clamp
      {"V100 V? V50 V!", {"0 cc 7 100", "0 cc 7 50", "0 cc 7 100"}},
      {"V?", {}},
      {"V100 V+5", {"0 cc 7 100", "0 cc 7 105"}},
      {"V100 V +5", {"0 cc 7 100", "0 cc 7 5"}},  // the modifier must touch the letter
      {"V100 V+-5", {"0 cc 7 100", "0 cc 7 95"}},
      {"V200 V-50", {"0 cc 7 127", "0 cc 7 127"}},
      {"V=64", {"0 cc 7 64"}},
      {"M64 P0 X80", {"0 cc 1 64", "0 cc 10 0", "0 cc 11 80"}},
      {"X80 c", {"0 cc 11 80", "0 on 60 127", "48 off 60"}},  // the note finds 80 already written
      {"X80 X? X100 X! c", {"0 cc 11 80", "0 cc 11 100", "0 cc 11 80", "0 on 60 127", "48 off 60"}},
  };
  ExpectEventCases(cases);
}

TEST(ValueProtocol, MissingNumberFailsAndKeepsTheHolder) {
  const TLogCase cases[] = {
      {"V", {"停止:[Y1,X1]: ｢V｣ : パラメータの指定に誤りがあります."}},
      {"V+ c", {"停止:[Y1,X3]: ｢V｣ : パラメータの指定に誤りがあります."}},
      {"o5 O= c", {"停止:[Y1,X6]: ｢O｣ : パラメータの指定に誤りがあります."}},
  };
  ExpectLogCases(cases);
}

TEST(ParameterCommands, ProgramTempoAndMasterVolume) {
  const TEventCase cases[] = {
      {"@1", {"0 pc 0"}},
      {"@0", {"0 pc 0"}},
      {"@129", {"0 pc 127"}},
      {"@10 @+2", {"0 pc 9", "0 pc 10"}},  // "+2" adds one: the number counts from 1
      {"@5 @-3", {"0 pc 4", "0 pc 2"}},
      {"@?", {}},
      {"T0", {"0 tempo 1"}},
      {"T2000", {"0 tempo 1000"}},
      {"c T150 d", {"0 on 60 127", "48 off 60", "48 tempo 150", "48 on 62 127", "96 off 62"}},
      {"W100", {"0 sysex 7F 7F 04 01 00 64"}},
  };
  ExpectEventCases(cases);
}

TEST(ParameterCommands, DetuneAndPitchBend) {
  const TEventCase cases[] = {
      {"K70", {"0 cc 101 0", "0 cc 100 1", "0 cc 6 70", "0 cc 38 0"}},
      {"K?", {}},
      {"%BENDDETUNE K80", {"0 bend 9216"}},  // 8192 + 16 / 2 * 128
      {"Y0", {}},                            // the centre was the last bend
      {"Y100", {"0 bend 8292"}},
      {"Y100 Y+100", {"0 bend 8292", "0 bend 8392"}},
      {"Y=-9000", {"0 bend 0"}},
      {"Y-8192", {"0 bend 0"}},
      {"Y8191", {"0 bend 16383"}},
      {"Y\\1", {"0 bend 12288"}},
      {"Y \\-0.5", {"0 bend 6144"}},
      {"Y\\ 1", {"0 bend 12288"}},
      {"Y100 Y!", {"0 bend 8292", "0 bend 8192"}},
      {"Y100 Y? Y0 Y!", {"0 bend 8292", "0 bend 8192", "0 bend 8292"}},
      {"@Y12 Y\\1", {"0 cc 101 0", "0 cc 100 0", "0 cc 6 12", "0 cc 38 0", "0 bend 8875"}},
  };
  ExpectEventCases(cases);
  const TLogCase errors[] = {
      {"Y\\", {"停止:[Y1,X2]: ｢Y｣ : パラメータの指定に誤りがあります."}},
      {"Y\\ -1", {"停止:[Y1,X3]: ｢Y｣ : パラメータの指定に誤りがあります."}},  // a sign must touch "\\"
  };
  ExpectLogCases(errors);
}

TEST(ParameterCommands, GatesOctavesAndLengths) {
  const TEventCase cases[] = {
      {"Q60 c4", {"0 on 60 127", "0 off 60"}},
      {"Q12 c4", {"0 on 60 127", "36 off 60"}},
      {"@Q50 Q? c4", {"0 on 60 127", "48 off 60"}},  // "Q?" leaves the ratio gate
      {"@Q50 c4", {"0 on 60 127", "24 off 60"}},
      {"%GATEBASE 200 @Q50 c4", {"0 on 60 127", "12 off 60"}},
      {"@Q1 c64", {"0 on 60 127", "1 off 60"}},  // a ratio gate is at least one tick
      {"@Q80 c4", {"0 on 60 127", "38 off 60"}},
      {"O=-3 c", {"0 on 1 127", "48 off 1"}},
      {"O-3 c", {"0 on 24 127", "48 off 24"}},
      {"o4 > c", {"0 on 72 127", "48 off 72"}},
      {"%OCTREV o4 > c", {"0 on 48 127", "48 off 48"}},
      {"%OCTREV %OCTREV o4 > c", {"0 on 72 127", "48 off 72"}},
      {"L8 c", {"0 on 60 127", "24 off 60"}},
      {"L8. c", {"0 on 60 127", "36 off 60"}},
      {"L*96 c", {"0 on 60 127", "96 off 60"}},
      {"L8 L c", {"0 on 60 127", "24 off 60"}},  // a bare L keeps the length
      {"U90 c U+10 d", {"0 on 60 90", "48 off 60", "48 on 62 100", "96 off 62"}},
      {"%TIMEBASE 96 c", {"0 on 60 127", "48 off 60"}},  // the default length stays 48 ticks
      {"%TIMEBASE 480 c4", {"0 on 60 127", "480 off 60"}},
  };
  ExpectEventCases(cases);
}

TEST(ParameterCommands, ControllerPairs) {
  const TEventCase cases[] = {
      {"H7,100", {"0 cc 7 100"}},
      {"H$07,$64", {"0 cc 7 100"}},
      {"H 7 , 100", {"0 cc 7 100"}},
      {"H200,5", {"0 cc 127 5"}},
      {"H200,300", {"0 cc 127 127"}},
      {"I0,0 S12,0", {"0 cc 101 0", "0 cc 100 0", "0 cc 6 12", "0 cc 38 0"}},
      {"J1,2", {"0 cc 99 1", "0 cc 98 2"}},
  };
  ExpectEventCases(cases);
  const TLogCase logs[] = {
      {"H200,5", {"注意:[Y1,X6]: ｢H｣ : 値が書き換えられました.  200  ->  127"}},
      {"H200,300", {"注意:[Y1,X8]: ｢H｣ : 値が書き換えられました.  300  ->  127"}},
      {"H-1,5", {"注意:[Y1,X5]: ｢H｣ : 値が書き換えられました.  -1  ->  0"}},
      {"H7", {"停止:[Y1,X2]: ｢H｣ : パラメータの指定に誤りがあります."}},
      {"H7,", {"停止:[Y1,X3]: ｢H｣ : パラメータの指定に誤りがあります."}},
  };
  ExpectLogCases(logs);
}

TEST(ParameterCommands, SystemExclusive) {
  const TEventCase cases[] = {
      // The empty item is the Roland checksum over the bytes from the address on.
      {"Z$F0,$41,$10,$42,$12,$40,$00,$7F,$00,,$F7", {"0 sysex 41 10 42 12 40 00 7F 00 41"}},
      {"Z$F0,$41,$10,$42,$12,$40,$00,$40,,$F7", {"0 sysex 41 10 42 12 40 00 40 00"}},
      {"Z240,65,247", {"0 sysex 41"}},
      {"Z $F0 , $7E , $F7", {"0 sysex 7E"}},
  };
  ExpectEventCases(cases);
  const TLogCase logs[] = {
      {"Z$F0,$F7", {"停止:[Y1,X8]: ｢Z｣ : パラメータが足りません."}},
      {"Z", {"停止:[Y1,X1]: ｢Z｣ : パラメータが足りません."}},
      {"Z$F0,$80,$F7", {"停止:[Y1,X12]: ｢Z｣ : エクスクルーシブデータの指定に問題があります."}},
      {"Z$F0,1,2", {"停止:[Y1,X8]: ｢Z｣ : エクスクルーシブデータの指定に問題があります."}},
      {"Z$F0,1,$100,$F7", {"停止:[Y1,X11]: ｢Z｣ : パラメータが足りません."}},  // 256 ends the list
  };
  ExpectLogCases(logs);
}

TEST(ParameterCommands, SystemExclusiveOfMoreThan253BytesFails) {
  std::string source = "Z$F0";
  for (int i = 0; i < 252; ++i) source += ",1";
  source += ",$F7";
  testing_support::TTestCompile run(source);
  run.Run();
  EXPECT_FALSE(run.Result.Ok);
  EXPECT_NE(std::string::npos, pelorund::Cp932ToUtf8(run.Result.Message).find("パラメータが足りません."));
}

}  // namespace
