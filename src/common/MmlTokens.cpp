// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/MmlTokens.h"

#include <cstdint>

#include "common/Cp932.h"

namespace pelorund {

namespace {

bool IsBlank(uint8_t b) { return b != 0x09 && b >= 0x01 && b <= 0x20; }
bool IsDigitRun(uint8_t b) { return (b >= '0' && b <= '9') || b == '.' || b == '*' || b == '^' || b == '_'; }
bool IsLetter(uint8_t b) { return (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z'); }
bool IsWordByte(uint8_t b) { return IsLetter(b) || (b >= '0' && b <= '9') || b == '_'; }
bool IsHalfWidthKana(uint8_t b) { return b >= 0xA1 && b <= 0xDF; }

// Walks one line byte by byte while counting characters, so tokens come out in characters.
class TLineReader {
 public:
  explicit TLineReader(std::string_view line) : line_(line) {}

  [[nodiscard]] bool AtEnd() const { return pos_ >= line_.size(); }
  [[nodiscard]] uint8_t Current() const { return static_cast<uint8_t>(line_[pos_]); }
  [[nodiscard]] int Chars() const { return chars_; }

  // One character; a double-byte character whole, so its trail byte is never looked at alone.
  void Step() {
    pos_ += CharLengthAt(line_, pos_);
    ++chars_;
  }
  void SkipBlanks() {
    while (!AtEnd() && IsBlank(Current())) Step();
  }
  // Steps up to and including the first `close`; false when the line ended first.
  bool StepPast(uint8_t close) {
    while (!AtEnd()) {
      const bool found = Current() == close;
      Step();
      if (found) return true;
    }
    return false;
  }
  template <class Pred>
  void StepWhile(Pred pred) {
    while (!AtEnd() && pred(Current())) Step();
  }

 private:
  std::string_view line_;
  size_t pos_ = 0;
  int chars_ = 0;
};

}  // namespace

bool TokenizeLine(std::string_view cp932Line, bool inBrace, std::vector<TToken>& out) {
  TLineReader in(cp932Line);
  auto emit = [&](int start, TTokenKind kind) {
    if (in.Chars() > start) out.push_back({start, in.Chars() - start, kind});
  };

  if (inBrace) {
    in.SkipBlanks();
    const int start = in.Chars();
    inBrace = !in.StepPast('}');
    emit(start, TTokenKind::Brace);
  }
  while (true) {
    in.SkipBlanks();
    if (in.AtEnd()) break;
    const int start = in.Chars();
    const uint8_t b = in.Current();
    if (b == '{') {
      inBrace = !in.StepPast('}');
      emit(start, TTokenKind::Brace);
    } else if (IsDigitRun(b) && b != '.') {
      in.StepWhile(IsDigitRun);
      emit(start, TTokenKind::Int);
    } else if (IsLetter(b)) {
      in.Step();
      emit(start, TTokenKind::Ank);
    } else if (b == '%' || b == '@') {
      in.Step();
      in.StepWhile(IsLetter);
      emit(start, TTokenKind::Symbol);
    } else if (b == '$' || b == '`') {
      in.Step();
      in.StepWhile(IsWordByte);
      emit(start, TTokenKind::Symbol);
    } else if (b == '\'') {
      in.StepWhile([](uint8_t) { return true; });
      emit(start, TTokenKind::Comment);
    } else if (b == '"') {
      in.Step();
      in.StepPast('"');
      emit(start, TTokenKind::Str);
    } else if (b == '(') {
      in.Step();
      in.StepPast(')');
      emit(start, TTokenKind::Chord);
    } else if (b == '/' || b == ':' || b == '[' || b == ']' || b == '|') {
      in.Step();
      emit(start, TTokenKind::Macro);
    } else if (IsLeadByte(b)) {
      in.StepWhile(IsLeadByte);
      emit(start, TTokenKind::DBCS);
    } else if (IsHalfWidthKana(b)) {
      in.StepWhile(IsHalfWidthKana);
      emit(start, TTokenKind::DBCS);
    } else if (b == '\t') {
      in.Step();  // tabs take the editor's own colour
    } else {
      in.Step();
      emit(start, TTokenKind::Symbol);
    }
  }
  return inBrace;
}

}  // namespace pelorund
