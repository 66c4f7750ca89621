// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/StrToIntListU.h"

/// Holds the MML source of one compile and does all reading of it. Blanks, line comments ('),
/// nested brace comments and double-byte text are skipped here, so no reader above ever sees
/// them. No read raises an error: absent input is reported through the returned value.
class TScanner {
 public:
  TScanner();

  /// The 40 interval names (case-sensitive) with their semitones; used by ReadChordSpec.
  TStrToIntList IntervalNames;

  /// Index of the next unread byte. Loops and macros assign it to jump; it never passes Size().
  size_t Cursor = 0;

  /// The text becomes the source (cut at its first NUL byte); Cursor goes to its start.
  void SetText(std::string_view text);
  /// Reads the file, re-joins its lines with CR LF after each; false (old text kept) on failure.
  bool LoadSource(const std::filesystem::path& fileName);
  [[nodiscard]] const std::string& Text() const { return text_; }
  [[nodiscard]] size_t Size() const { return text_.size(); }
  [[nodiscard]] bool AtEnd() const { return Cursor >= text_.size(); }

  /// Row (from 1) and column (0-based characters since the line start) of Cursor.
  void GetPosition(int& column, int& row) const;
  /// The same for any position of the text.
  void GetPositionAt(size_t position, int& column, int& row) const;

  /// Skips blanks, comments and double-byte characters; returns the byte then at Cursor (0 at the end).
  char SkipBlanks();
  /// One command word: a character, "%"/"@" with the letters after it, or "`" with a word; "" at the end.
  std::string NextCommand();
  /// A run of ASCII letters at Cursor ("" when none).
  std::string ReadLetters();
  /// A run of ASCII letters, digits and "_" at Cursor ("" when none).
  std::string ReadWord();
  /// Decimal digits after blanks; -1 when none or above 2147483647.
  int ReadNumber();
  /// "$" with up to eight hex digits (two's complement), or else decimal digits; -1 when absent.
  int ReadHexNumber();
  /// Digits and "." as a decimal in ten-thousandths (1.5 gives 15000); -10000 when absent or malformed.
  int64_t ReadDecimal();
  /// Optional sign, then ReadNumber; true when the number part was present.
  bool ReadSignedNumber(int& value);
  /// Optional sign, then ReadHexNumber; true when the number part was present.
  bool ReadSignedHexNumber(int& value);
  /// Sign only directly at Cursor, then ReadDecimal; true when the decimal part was present.
  bool ReadSignedDecimal(int64_t& value);
  /// A length expression ("4.", "8^16", "*30", "2_8") in ticks. Computed in 64 bits, so the result
  /// may lie outside the 32-bit range; callers bound it. Terms without digits are `defaultTicks`,
  /// a bare "*" is `starTicks` and sets `starWithoutNumber`.
  int64_t ReadLength(int timeBase, int64_t defaultTicks, int64_t starTicks, bool& starWithoutNumber);
  /// One ASCII letter after blanks; ' ' (nothing consumed) when none.
  char ReadLetter();
  /// "#", "+" or "-" at Cursor; ' ' when none.
  char ReadAccidental();
  /// "!", "+", "-", "=" or "?" at Cursor; ' ' when none.
  char ReadModifier();
  /// After blanks, consumes `c` when it stands at Cursor.
  bool TakeChar(char c);
  /// After blanks, tells whether `c` stands at Cursor, consuming nothing more.
  bool PeekChar(char c);
  /// After blanks, a double-quoted string (to the next quote or the end); "" when no quote.
  std::string ReadQuoted();
  /// "(" name ["," interval name] ")" at Cursor. `interval` is 0 without a bass, -1 for an
  /// unknown interval name. False, with nothing consumed, when no "(" stands at Cursor.
  bool ReadChordSpec(std::string& name, int& interval);
  /// Moves past the next ";" outside comments; false at the end of the text.
  bool SkipToSemicolon();

 private:
  [[nodiscard]] uint8_t ByteAt(size_t pos) const { return static_cast<uint8_t>(text_[pos]); }
  // The byte at Cursor, 0 at the end (the text holds no NUL, so 0 means nothing else).
  [[nodiscard]] uint8_t Current() const { return AtEnd() ? 0 : ByteAt(Cursor); }
  // The bytes from `start` up to Cursor ("" when Cursor did not move past `start`).
  [[nodiscard]] std::string Since(size_t start) const;
  // Bytes of the character at `pos` (< Size()): 2 for a lead byte with a byte after it.
  [[nodiscard]] size_t CharLength(size_t pos) const;
  void SkipChar();  // one character, a double-byte character whole
  void SkipLineComment();
  void SkipBraceComment();
  std::string ReadDigits();

  std::string text_;
  std::vector<size_t> lineStarts_{0};  // byte offset where each row begins
  // Where the last position count ended, so counting along a row is linear overall.
  mutable size_t cachedRow_ = 0;
  mutable size_t cachedPosition_ = 0;
  mutable int cachedColumn_ = 0;
};
