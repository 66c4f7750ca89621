// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "CompileTestSupport.h"

namespace {

using testing_support::ExpectEventCases;
using testing_support::ExpectLogCases;
using testing_support::TEventCase;
using testing_support::TLogCase;

TEST(AtCommands, ChannelKeyShiftBendRangeAndVelocityOffsets) {
  const TEventCase cases[] = {
      {"@CH1 c", {"0 on 60 127", "48 off 60"}},
      {"@CH16 c", {"0 ch15 on 60 127", "48 ch15 off 60"}},
      {"@CH0 c", {"0 on 60 127", "48 off 60"}},
      {"@CH17 c", {"0 ch15 on 60 127", "48 ch15 off 60"}},
      {"@K12 c", {"0 on 72 127", "48 off 72"}},
      {"%TRANSPOSE 1 @K12 c", {"0 on 73 127", "48 off 73"}},
      {"@K-2 c @K+2 c", {"0 on 58 127", "48 off 58", "48 on 62 127", "96 off 62"}},
      {"@K12 N60,4", {"0 on 60 127", "48 off 60"}},  // key numbers are not shifted
      {"@Y12 c&d", {"0 cc 101 0", "0 cc 100 0", "0 cc 6 12", "0 cc 38 0", "0 on 60 127", "48 bend 9557", "96 off 60"}},
      {"@Y200", {"0 cc 101 0", "0 cc 100 0", "0 cc 6 127", "0 cc 38 0"}},
      {"@U5 @U-5 c c c", {"0 on 60 127", "48 off 60", "48 on 60 122", "96 off 60", "96 on 60 127", "144 off 60"}},
      {"@U-10,-20 c c", {"0 on 60 117", "48 off 60", "48 on 60 107", "96 off 60"}},
      {"@MUTE c4 @MUTEOFF d4", {"48 on 62 127", "96 off 62"}},
      {"@C c(M) @CS c", {"0 on 60 127", "0 on 64 127", "0 on 67 127", "48 off 60", "48 off 64", "48 off 67",
                         "48 on 60 127", "96 off 60"}},
  };
  ExpectEventCases(cases);
}

TEST(AtCommands, GlideStepThinsTheBends) {
  const std::vector<std::string> events = testing_support::CompileEvents("@W4 c~d");
  ASSERT_EQ(14u, events.size());  // note-on, bends at 4, 8 ... 44, the target at 48, note-off
  EXPECT_EQ("4 bend 8889", events[1]);
  EXPECT_EQ("44 bend 15861", events[11]);
  EXPECT_EQ("48 bend 16383", events[12]);
}

TEST(AtCommands, WarningsAndErrors) {
  const TLogCase cases[] = {
      {"@CH0", {"注意:[Y1,X4]: ｢@CH｣ : 値が書き換えられました.  -1  ->  0"}},
      {"@ch17", {"注意:[Y1,X5]: ｢@ch｣ : 値が書き換えられました.  16  ->  15"}},
      {"@Q0", {"注意:[Y1,X3]: ｢@Q｣ : 値が書き換えられました.  0  ->  1"}},
      {"@Y200", {"注意:[Y1,X5]: ｢@Y｣ : 値が書き換えられました.  200  ->  127"}},
      {"@W0", {"注意:[Y1,X3]: ｢@W｣ : 値が書き換えられました.  0  ->  1"}},
      {"@CH", {"停止:[Y1,X3]: ｢@CH｣ : パラメータの指定に誤りがあります."}},
      {"@U1,,2", {"停止:[Y1,X4]: ｢@U｣ : パラメータの指定に誤りがあります."}},
      // A note letter right after an @-command without parameters joins its word.
      {"@Cc4", {"停止:[Y1,X3]: ｢@Cc｣ : 未定義のコマンド又は文法エラーです."}},
  };
  ExpectLogCases(cases);
}

}  // namespace
