// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "compiler/FuncListU.h"

#include <gtest/gtest.h>

#include "common/TextCodec.h"

namespace {

struct TRecorder {
  std::string Calls;
  void First(const std::string& word, TFuncResult& result) {
    Calls += "first:" + word + ";";
    result.Ok = true;
  }
  void Second(const std::string& word, TFuncResult& result) {
    Calls += "second:" + word + ";";
    result.Ok = true;
  }
};

TEST(FuncList, LaterRegistrationWins) {
  TFuncList table;
  TRecorder recorder;
  table.RegisterCommand("C", &TRecorder::First, &recorder);
  table.RegisterCommand("C", &TRecorder::Second, &recorder);
  TFuncResult result;
  table.CallFunc("C", result);
  EXPECT_EQ("second:C;", recorder.Calls);
  EXPECT_EQ(1u, table.CommandCount());
}

TEST(FuncList, NamesAreCaseSensitive) {
  TFuncList table;
  TRecorder recorder;
  table.RegisterCommand("*A", &TRecorder::First, &recorder);
  table.RegisterCommand("*a", &TRecorder::Second, &recorder);
  TFuncResult result;
  table.CallFunc("*a", result);
  table.CallFunc("*A", result);
  EXPECT_EQ("second:*a;first:*A;", recorder.Calls);
  table.CallFunc("*b", result);
  EXPECT_FALSE(result.Ok);
}

TEST(FuncList, UnknownWordFailsAndLeavesThePositionAlone) {
  TFuncList table;
  TFuncResult result;
  result.Warning = true;
  result.Column = 7;
  result.Row = 3;
  table.CallFunc("a", result);
  EXPECT_FALSE(result.Ok);
  EXPECT_EQ("未定義のコマンド又は文法エラーです.", pelorund::Cp932ToUtf8(result.Message));
  EXPECT_TRUE(result.Warning);
  EXPECT_EQ(7, result.Column);
  EXPECT_EQ(3, result.Row);
}

TEST(FuncList, SuccessfulHandlerKeepsTheMessage) {
  TFuncList table;
  TRecorder recorder;
  table.RegisterCommand("A", &TRecorder::First, &recorder);
  TFuncResult result;
  result.Message = "earlier";
  table.CallFunc("A", result);
  EXPECT_TRUE(result.Ok);
  EXPECT_EQ("earlier", result.Message);
}

}  // namespace
