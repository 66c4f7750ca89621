// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "CompileTestSupport.h"

namespace {

using testing_support::ExpectEventCases;
using testing_support::ExpectLogCases;
using testing_support::TEventCase;
using testing_support::TLogCase;

TEST(Presets, FixedMessages) {
  const TEventCase cases[] = {
      {"`GMSYSTEMON", {"0 sysex 7E 7F 09 01"}},
      {"`gmsystemoff", {"0 sysex 7E 7F 09 02"}},
      {"`GM2SYSTEMON", {"0 sysex 7E 7F 09 03"}},
      {"`GSRESET", {"0 sysex 41 10 42 12 40 00 7F 00 41"}},
      {"`SC88SINGLE", {"0 sysex 41 10 42 12 00 00 7F 00 01"}},
      {"`SC88DOUBLE", {"0 sysex 41 10 42 12 00 00 7F 01 00"}},
      {"`XGSYSTEMON", {"0 sysex 43 10 4C 00 00 7E 00"}},
      {"`MUBASIC", {"0 sysex 43 10 49 00 00 12 00"}},
      {"`MU100NATIVE", {"0 sysex 43 10 49 00 00 12 01"}},
      {"`ATS_PLAYFROM", {"0 meta 6 Q00"}},
      {"`ATS_PLAYTO", {"0 meta 6 Q0F"}},
      {"`ATS_START", {"0 meta 7 START"}},
      {"`ATS_STOP", {"0 meta 7 STOP"}},
      {"`MLD_LOOPFROM", {"0 cc 101 0", "0 cc 100 0", "0 cc 6 22", "0 cc 38 0"}},
      {"@CH5 c `MLD_LOOPTO c", {"0 ch4 on 60 127", "48 ch4 off 60", "48 cc 101 0", "48 cc 100 0", "48 cc 6 23",
                                "48 cc 38 0", "48 ch4 on 60 127", "96 ch4 off 60"}},
  };
  ExpectEventCases(cases);
}

TEST(Presets, MessagesWithValues) {
  const TEventCase cases[] = {
      {"`ATS_ALCH 5", {"0 meta 127 \x43\x02\x01\x01\x05\x01"}},
      {"`ATS_HVCH 200", {"0 meta 127 \x43\x02\x01\x02\x7F\x01"}},
      {"`ATS_XFCUE 7", {"0 meta 127 \x43\x7B\x02\x07"}},
      {"`ATS_USER 9", {"0 sysex 43 79 06 7F 10 09"}},
      {"`ATS_SPPAIR 1, 2 ,3", {"0 sysex 43 79 06 7F 08 01 02 03"}},
      {"`ATS_SPPAN 4,5,6", {"0 sysex 43 79 06 7F 0B 04 05 06"}},
      {"`ATS_SPCOUNT 3", {"0 sysex 43 79 06 7F 07 03"}},
  };
  ExpectEventCases(cases);
}

TEST(Presets, ExactBytesInTheFile) {
  testing_support::TTestCompile run("`ATS_XFCUE 0 `ATS_CHSTATE 1,2,300,4,5,6,7,8,9,10,11,12,13,14,15,16");
  run.Run();
  ASSERT_TRUE(run.Result.Ok);
  const std::vector<uint8_t>& smf = run.Compiler.SmfImage;
  const std::vector<uint8_t> expected = {
      0x00, 0xFF, 0x7F, 0x04, 0x43, 0x7B, 0x02, 0x00,  // the value 0 is data, not an end
      0x00, 0xFF, 0x7F, 0x14, 0x43, 0x02, 0x00, 0x04, 1, 2, 127, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16,
      0x00, 0xFF, 0x2F, 0x00};
  ASSERT_EQ(22u + expected.size(), smf.size());
  EXPECT_EQ(expected, std::vector<uint8_t>(smf.begin() + 22, smf.end()));
}

TEST(Presets, WarningsAndErrors) {
  const TLogCase cases[] = {
      {"`ATS_ALCH 200", {"注意:[Y1,X13]: ｢`ATS_ALCH｣ : 値が書き換えられました.  200  ->  127"}},
      {"`ATS_ALCH -1", {"注意:[Y1,X12]: ｢`ATS_ALCH｣ : 値が書き換えられました.  -1  ->  0"}},
      {"`ATS_CHSTATE 1,2,300,4,5,6,7,8,9,10,11,12,13,14,15,16",
       {"注意:[Y1,X53]: ｢`ATS_CHSTATE｣ : 値が書き換えられました.  300  ->  127"}},
      {"`ATS_SPPAIR 1,2", {"停止:[Y1,X15]: ｢`ATS_SPPAIR｣ : パラメータの指定に誤りがあります."}},
      {"`ATS_SPPAIR 1,2,3,4", {"停止:[Y1,X18]: ｢,｣ : 未定義のコマンド又は文法エラーです."}},
      {"`ATS_USER", {"停止:[Y1,X9]: ｢`ATS_USER｣ : パラメータの指定に誤りがあります."}},
      {"`GMRESET", {"停止:[Y1,X8]: ｢`GMRESET｣ : 未定義のコマンド又は文法エラーです."}},
  };
  ExpectLogCases(cases);
}

TEST(Presets, WrittenAtTheTrackTimeWithoutMovingIt) {
  const TEventCase cases[] = {
      {"c `GMSYSTEMON d", {"0 on 60 127", "48 off 60", "48 sysex 7E 7F 09 01", "48 on 62 127", "96 off 62"}},
      {"%TRACK2 r `ATS_START", {"48 meta 7 START"}},
  };
  ExpectEventCases(cases);
}

}  // namespace
