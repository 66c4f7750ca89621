// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "CompileTestSupport.h"

namespace {

using testing_support::ExpectLogCases;
using testing_support::TLogCase;

/// The keys struck, in order.
std::string Keys(const std::string& source) {
  std::string keys;
  for (const std::string& event : testing_support::CompileEvents(source)) {
    const size_t on = event.find(" on ");
    if (on == std::string::npos) continue;
    const int key = std::stoi(event.substr(on + 4));
    keys += "c d ef g a b"[key % 12];
  }
  return keys;
}

TEST(Loops, PassesBreaksAndNesting) {
  const struct {
    const char* Source;
    const char* Keys;
  } cases[] = {
      {"[c]3", "ccc"},        {"[c|d]3", "cdcdc"},    {"[[c]2 d]2", "ccdccd"},
      {"[c]1", "cc"},         {"[c]0", "cc"},         {"[c", "c"},
      {"[c|d|e]2", "cdec"},   {"[[c|d]2 e]2", "cdcecdce"},
      {"$A=cde; $A $A", "cdecde"},
      {"$a=c; $A", "c"},      {"$A=c $B; $B=d; $A", "cd"},
      {"$A=[c|d]2; $A e", "cdce"},
      {"$A=c {;} d; $A", "cd"},  // a ";" in a comment does not end the body
      {"$A=c ' ; \r\n d; $A", "cd"},
      {"$Part_1=e; $part_1 $PART_1", "ee"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Source);
    EXPECT_EQ(c.Keys, Keys(c.Source));
  }
}

TEST(Loops, ErrorsAndWarnings) {
  const TLogCase cases[] = {
      // The position is where reading goes on: back at the start after the first arrival.
      {"[c]1", {"注意:[Y1,X1]: ｢]｣ : 値が書き換えられました.  1  ->  2",
                "注意:[Y1,X4]: ｢]｣ : 値が書き換えられました.  1  ->  2"}},
      {"c]2", {"停止:[Y1,X3]: ｢]｣ : 対応するループがありません."}},
      {"|", {"停止:[Y1,X1]: ｢|｣ : 対応するループがありません."}},
      {"[c]", {"停止:[Y1,X3]: ｢]｣ : パラメータの指定に誤りがあります."}},
      {"$A=c $A; $A", {"停止:[Y1,X7]: ｢$｣ : マクロの再帰ジャンプは出来ません."}},
      {"$A=c $B; $B=$A; $A", {"停止:[Y1,X14]: ｢$｣ : マクロの再帰ジャンプは出来ません."}},
      {"$A=c $B=d; $A", {"停止:[Y1,X8]: ｢$｣ : マクロジャンプ中に新たなマクロは定義できません."}},
      {"; c", {"停止:[Y1,X1]: ｢;｣ : マクロジャンプは実行されていません."}},
      {"$X", {"停止:[Y1,X2]: ｢$｣ : 未定義のマクロです."}},
      {"$=c;", {"停止:[Y1,X1]: ｢$｣ : マクロ名は省略できません."}},
      // A ";" inside quotes does end the body: what follows the quote is read as commands.
      {"$A=%TEXT \"x;\" c; $A", {"停止:[Y1,X13]: ｢\"｣ : 未定義のコマンド又は文法エラーです."}},
  };
  ExpectLogCases(cases);
}

TEST(Parallel, VoicesStartTogetherAndTheTrackGoesOnAfterTheLongest) {
  const testing_support::TEventCase cases[] = {
      {"/c1/e2/g4: d", {"0 on 60 127", "0 on 64 127", "0 on 67 127", "48 off 67", "96 off 64", "192 off 60",
                        "192 on 62 127", "240 off 62"}},
      {"/c4/e4: /d4/f4:", {"0 on 60 127", "0 on 64 127", "48 off 60", "48 off 64", "48 on 62 127", "48 on 65 127",
                           "96 off 62", "96 off 65"}},
      {"c &d", {"0 on 60 127", "48 bend 16383", "96 off 60"}},
      {"c v100 & d", {"0 on 60 127", "48 off 60", "48 cc 7 100", "48 on 62 127", "96 off 62"}},
  };
  testing_support::ExpectEventCases(cases);
  const TLogCase errors[] = {
      {":", {"停止:[Y1,X1]: ｢:｣ : 対応する平行表記がありません."}},
      {"/c %TRACK 2", {"停止:[Y1,X11]: ｢%TRACK｣ : 並列表記中のトラック変更はできません."}},
  };
  ExpectLogCases(errors);
}

TEST(Macros, LongChainsOfCallsReturnToTheTop) {
  std::string source;
  constexpr int kDepth = 5000;
  for (int i = 0; i < kDepth; ++i) source += "$M" + std::to_string(i) + "=$M" + std::to_string(i + 1) + " c;\n";
  source += "$M" + std::to_string(kDepth) + "=d;\n$M0 e";
  testing_support::TTestCompile run(source);
  run.Run();
  ASSERT_TRUE(run.Result.Ok) << pelorund::Cp932ToUtf8(run.Result.Message);
  EXPECT_EQ(2u * (kDepth + 2), run.EventLines().size());  // d, then every c on the way back, then e
  EXPECT_EQ("0 on 62 127", run.EventLines().front());
}

}  // namespace
