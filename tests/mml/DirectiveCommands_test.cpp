// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "CompileTestSupport.h"

namespace {

using testing_support::ExpectEventCases;
using testing_support::ExpectLogCases;
using testing_support::TEventCase;
using testing_support::TLogCase;

TEST(Directives, SettingsForAllTracks) {
  const TEventCase cases[] = {
      {"%TRANSPOSE -12 c", {"0 on 48 127", "48 off 48"}},
      {"%TRANSPOSE 5 N60,4", {"0 on 60 127", "48 off 60"}},
      {"%TRANSPOSE 2 %TRACK1 c", {"0 on 62 127", "48 off 62"}},
      {"%BENDRESO Y100", {}},  // 8292 rounds down to the centre already written
      {"%BENDRESO Y1000", {"0 bend 9088"}},
      {"%BENDRESO %BENDRESO Y100", {"0 bend 8292"}},
  };
  ExpectEventCases(cases);
}

TEST(Directives, TextEvents) {
  const TEventCase cases[] = {
      {"%TEXT \"abc\"", {"0 meta 1 abc"}},
      {"%COPYRIGHT \"(c) 2026\"", {"0 meta 2 (c) 2026"}},
      {"c %MARKER \"A\"", {"0 on 60 127", "48 off 60", "48 meta 6 A"}},
      {"%CUEPOINT \"go\" %TEXT \"unclosed", {"0 meta 7 go", "0 meta 1 unclosed"}},
      {"%TEXT \"\"", {}},
      {"%TEXT abc", {"0 on 69 127", "48 off 69", "48 on 71 127", "96 off 71", "96 on 60 127", "144 off 60"}},
      {"%TEXT \"\x83\x7d\x83\x43\"", {"0 meta 1 \x83\x7d\x83\x43"}},  // double-byte text stays whole
  };
  ExpectEventCases(cases);
}

TEST(Directives, PercussionLetters) {
  const TEventCase cases[] = {
      {"%SETPARC b,36 %PARC b4 B4 %PARCOFF b4",
       {"0 on 36 127", "48 off 36", "48 on 71 127", "96 off 71", "96 on 71 127", "144 off 71"}},
      {"%SETPARC v,42 %PARC v100", {"0 on 42 127", "1 off 42"}},  // a note of length 100, not a volume
      {"%SETPARC r,38 %PARC r8 R8 r8", {"0 on 38 127", "24 off 38", "48 on 38 127", "72 off 38"}},
      {"%SETPARC k,36 %PARC k K70", {"0 on 36 127", "48 off 36", "48 cc 101 0", "48 cc 100 1", "48 cc 6 70", "48 cc 38 0"}},
      {"%SETPARC b,36 %SETPARC b,38 %PARC o2 %TRANSPOSE 3 b", {"0 on 38 127", "48 off 38"}},
      {"%SETPARC c,36 %PARC @CH10 c8,,90&c8", {"0 ch9 on 36 90", "48 ch9 off 36"}},
  };
  ExpectEventCases(cases);
}

TEST(Directives, WarningsAndErrors) {
  const TLogCase cases[] = {
      {"%TRACK -1", {"注意:[Y1,X9]: ｢%TRACK｣ : 値が書き換えられました.  -1  ->  0"}},
      {"%TIMEBASE 0", {"注意:[Y1,X11]: ｢%TIMEBASE｣ : 値が書き換えられました.  0  ->  1"}},
      {"%timebase 70000", {"注意:[Y1,X15]: ｢%timebase｣ : 値が書き換えられました.  70000  ->  32767"}},
      {"%GATEBASE 0", {"注意:[Y1,X11]: ｢%GATEBASE｣ : 値が書き換えられました.  0  ->  1"}},
      {"%SETPARC b,200", {"注意:[Y1,X14]: ｢%SETPARC｣ : 値が書き換えられました.  200  ->  127"}},
      {"%SETPARC 1,36", {"停止:[Y1,X9]: ｢%SETPARC｣ : a-z及びA-Zの範囲の文字を指定して下さい."}},
      {"%SETPARC b 36", {"停止:[Y1,X11]: ｢%SETPARC｣ : パラメータの指定に誤りがあります."}},
      {"%TRACK", {"停止:[Y1,X6]: ｢%TRACK｣ : パラメータの指定に誤りがあります."}},
      {"%TRANSPOSE x", {"停止:[Y1,X11]: ｢%TRANSPOSE｣ : パラメータの指定に誤りがあります."}},
      {"%TRACK 10000", {"停止:[Y1,X12]: ｢%TRACK｣ : トラック番号が大きすぎます(最大9999)."}},
      {"%TRACK 2147483647 c", {"停止:[Y1,X17]: ｢%TRACK｣ : トラック番号が大きすぎます(最大9999)."}},
  };
  ExpectLogCases(cases);
}

TEST(Directives, TimeBaseGoesIntoTheHeader) {
  testing_support::TTestCompile run("%TIMEBASE 480 c4");
  run.Run();
  ASSERT_GE(run.Compiler.SmfImage.size(), 14u);
  EXPECT_EQ(0x01, run.Compiler.SmfImage[12]);
  EXPECT_EQ(0xE0, run.Compiler.SmfImage[13]);
}

}  // namespace
