// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "compiler/ScannerU.h"

#include <algorithm>
#include <fstream>
#include <limits>
#include <system_error>

#include "common/Cp932.h"

namespace {

constexpr int64_t kInt64Max = std::numeric_limits<int64_t>::max();
constexpr int64_t kInt64Min = std::numeric_limits<int64_t>::min();
constexpr int64_t kNoDecimal = -10000;

struct TIntervalName {
  const char* Name;
  int Semitones;
};

// Some sizes differ from the textbook ones (e.g. "aug2" is 3, "dim3" is 3); existing sources
// rely on exactly these values.
constexpr TIntervalName kIntervalNames[] = {
    {"m2", 1},  {"b9", 1},    {"dim2", 1}, {"-2", 1},                          //
    {"M2", 2},  {"9", 2},                                                      //
    {"m3", 3},  {"#9", 3},    {"aug2", 3}, {"+2", 3}, {"dim3", 3}, {"-3", 3},  //
    {"M3", 4},                                                                 //
    {"P4", 5},  {"11", 5},    {"aug3", 5}, {"+3", 5}, {"dim4", 5}, {"-4", 5},  //
    {"Tri", 6}, {"#11", 6},   {"aug4", 6}, {"+4", 6}, {"dim5", 6}, {"-5", 6},  //
    {"P5", 7},                                                                 //
    {"m6", 8},  {"b13", 8},   {"aug5", 8}, {"+5", 8}, {"dim6", 8}, {"-6", 8},  //
    {"M6", 9},  {"13", 9},    {"aug6", 9}, {"+6", 9},                          //
    {"m7", 10}, {"dim7", 10}, {"-7", 10},                                      //
    {"M7", 11},
};

constexpr bool IsBlank(uint8_t b) { return b == 0x09 || b == 0x0A || b == 0x0D || b == 0x20; }
constexpr bool IsDigit(uint8_t b) { return b >= '0' && b <= '9'; }
constexpr bool IsLetter(uint8_t b) { return (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z'); }

int HexValue(uint8_t b) {
  if (IsDigit(b)) return b - '0';
  if (b >= 'a' && b <= 'f') return b - 'a' + 10;
  if (b >= 'A' && b <= 'F') return b - 'A' + 10;
  return -1;
}

// Length terms may come from caller-given defaults of any size, so sums saturate instead of
// overflowing.
int64_t SaturatingAdd(int64_t a, int64_t b) {
  if (b > 0 && a > kInt64Max - b) return kInt64Max;
  if (b < 0 && a < kInt64Min - b) return kInt64Min;
  return a + b;
}

std::string TrimControls(std::string_view s) {
  size_t first = 0;
  size_t last = s.size();
  while (first < last && static_cast<uint8_t>(s[first]) <= 0x20) ++first;
  while (last > first && static_cast<uint8_t>(s[last - 1]) <= 0x20) --last;
  return std::string(s.substr(first, last - first));
}

// Splits at CR LF, lone CR and lone LF and ends every line with CR LF.
std::string NormalizeLineEnds(std::string_view raw) {
  std::string out;
  out.reserve(raw.size() + raw.size() / 16 + 2);
  for (size_t i = 0; i < raw.size(); ++i) {
    const char c = raw[i];
    if (c == '\r') {
      out += "\r\n";
      if (i + 1 < raw.size() && raw[i + 1] == '\n') ++i;
    } else if (c == '\n') {
      out += "\r\n";
    } else {
      out += c;
    }
  }
  if (!raw.empty() && raw.back() != '\r' && raw.back() != '\n') out += "\r\n";
  return out;
}

}  // namespace

TScanner::TScanner() {
  IntervalNames.SetCaseSensitive(true);
  for (const auto& [name, semitones] : kIntervalNames) IntervalNames.AddName(name, semitones);
}

void TScanner::SetText(std::string_view text) {
  text_ = std::string(text.substr(0, text.find('\0')));
  Cursor = 0;
  // Rows begin after each LF that stands as a character of its own (not as a trail byte).
  lineStarts_.assign(1, 0);
  for (size_t i = 0; i < text_.size(); i += CharLength(i))
    if (ByteAt(i) == '\n') lineStarts_.push_back(i + 1);
  cachedRow_ = 0;
  cachedPosition_ = 0;
  cachedColumn_ = 0;
}

bool TScanner::LoadSource(const std::filesystem::path& fileName) {
  std::error_code ec;
  if (std::filesystem::is_directory(fileName, ec)) return false;
  std::ifstream in(fileName, std::ios::binary);
  if (!in) return false;
  std::string raw;
  char buffer[65536];
  while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
    raw.append(buffer, static_cast<size_t>(in.gcount()));
  }
  if (in.bad()) return false;
  SetText(NormalizeLineEnds(raw));
  return true;
}

void TScanner::GetPosition(int& column, int& row) const { GetPositionAt(Cursor, column, row); }

void TScanner::GetPositionAt(size_t position, int& column, int& row) const {
  const size_t end = std::min(position, text_.size());
  // Warnings are reported at rising positions, so counting resumes where the last count ended.
  const size_t rowIndex =
      static_cast<size_t>(std::upper_bound(lineStarts_.begin(), lineStarts_.end(), end) - lineStarts_.begin()) - 1;
  if (rowIndex != cachedRow_ || cachedPosition_ > end) {
    cachedRow_ = rowIndex;
    cachedPosition_ = lineStarts_[rowIndex];
    cachedColumn_ = 0;
  }
  for (; cachedPosition_ < end; cachedPosition_ += CharLength(cachedPosition_)) ++cachedColumn_;
  row = static_cast<int>(rowIndex) + 1;
  column = cachedColumn_;
}

size_t TScanner::CharLength(size_t pos) const {
  return (pelorund::IsLeadByte(ByteAt(pos)) && pos + 1 < text_.size()) ? 2 : 1;
}

std::string TScanner::Since(size_t start) const {
  return start < Cursor ? text_.substr(start, Cursor - start) : std::string();
}

void TScanner::SkipChar() {
  if (AtEnd()) return;
  Cursor += CharLength(Cursor);
}

void TScanner::SkipLineComment() {
  ++Cursor;  // the apostrophe
  while (!AtEnd() && ByteAt(Cursor) != '\r' && ByteAt(Cursor) != '\n') SkipChar();
}

void TScanner::SkipBraceComment() {
  // A depth counter, not recursion: the nesting depth is up to the source.
  size_t depth = 0;
  while (!AtEnd()) {
    const uint8_t b = ByteAt(Cursor);
    if (b == '{') {
      ++depth;
      ++Cursor;
    } else if (b == '}') {
      ++Cursor;
      if (--depth == 0) return;
    } else {
      SkipChar();  // whole, so a trail byte 0x7D never closes the comment
    }
  }
}

char TScanner::SkipBlanks() {
  while (!AtEnd()) {
    const uint8_t b = ByteAt(Cursor);
    if (IsBlank(b)) {
      ++Cursor;
    } else if (b == '\'') {
      SkipLineComment();
    } else if (b == '{') {
      SkipBraceComment();
    } else if (pelorund::IsLeadByte(b)) {
      SkipChar();
    } else {
      return static_cast<char>(b);
    }
  }
  return '\0';
}

std::string TScanner::NextCommand() {
  SkipBlanks();
  if (AtEnd()) return {};
  // The skip has eaten every double-byte character, so the word starts with a single byte.
  const char first = text_[Cursor++];
  std::string word(1, first);
  if (first == '%' || first == '@') {
    word += ReadLetters();
  } else if (first == '`') {
    word += ReadWord();
  }
  return word;
}

std::string TScanner::ReadLetters() {
  const size_t start = Cursor;
  while (IsLetter(Current())) ++Cursor;
  return Since(start);
}

std::string TScanner::ReadWord() {
  const size_t start = Cursor;
  for (uint8_t b = Current(); IsLetter(b) || IsDigit(b) || b == '_'; b = Current()) ++Cursor;
  return Since(start);
}

std::string TScanner::ReadDigits() {
  const size_t start = Cursor;
  while (IsDigit(Current())) ++Cursor;
  return Since(start);
}

int TScanner::ReadNumber() {
  SkipBlanks();
  const std::string digits = ReadDigits();
  if (digits.empty()) return -1;
  int64_t value = 0;
  for (const char c : digits) {
    value = value * 10 + (c - '0');
    if (value > std::numeric_limits<int32_t>::max()) return -1;  // the whole run is consumed
  }
  return static_cast<int>(value);
}

int TScanner::ReadHexNumber() {
  if (SkipBlanks() != '$') return ReadNumber();
  ++Cursor;
  const size_t start = Cursor;
  while (HexValue(Current()) >= 0) ++Cursor;
  if (Cursor == start) return -1;
  uint32_t value = 0;
  int significant = 0;
  for (size_t i = start; i < Cursor; ++i) {
    const int digit = HexValue(ByteAt(i));
    if (significant == 0 && digit == 0) continue;
    if (++significant > 8) return -1;
    value = (value << 4) | static_cast<uint32_t>(digit);
  }
  return static_cast<int32_t>(value);  // two's complement: $FFFFFFFF is -1
}

int64_t TScanner::ReadDecimal() {
  SkipBlanks();
  const size_t start = Cursor;
  for (uint8_t b = Current(); IsDigit(b) || b == '.'; b = Current()) ++Cursor;
  const std::string run = Since(start);
  const size_t point = run.find('.');
  if (run.empty() || run == "." || std::count(run.begin(), run.end(), '.') > 1) return kNoDecimal;

  const std::string_view whole = std::string_view(run).substr(0, point);
  const std::string_view fraction =
      point == std::string::npos ? std::string_view() : std::string_view(run).substr(point + 1);

  int64_t integer = 0;
  for (const char c : whole) {
    const int digit = c - '0';
    if (integer > (kInt64Max - digit) / 10) return kNoDecimal;
    integer = integer * 10 + digit;
  }

  // Exact decimal rounding to four places, round half to even: the fifth and later digits are
  // compared with one half, so "0.00005" gives 0 and "0.00015" gives 2 (no binary float error).
  int64_t tenThousandths = 0;
  for (size_t i = 0; i < 4; ++i) {
    tenThousandths = tenThousandths * 10 + (i < fraction.size() ? fraction[i] - '0' : 0);
  }
  if (fraction.size() > 4) {
    const std::string_view rest = fraction.substr(4);
    const bool aboveHalf =
        rest[0] > '5' || (rest[0] == '5' && rest.find_first_not_of('0', 1) != std::string_view::npos);
    const bool exactlyHalf = rest[0] == '5' && !aboveHalf;
    // integer*10000 is even, so the last four places alone decide which neighbour is even.
    const bool odd = (tenThousandths % 2) != 0;
    if (aboveHalf || (exactlyHalf && odd)) ++tenThousandths;  // 10000 carries into the sum below
  }

  if (integer > (kInt64Max - tenThousandths) / 10000) return kNoDecimal;
  return integer * 10000 + tenThousandths;
}

bool TScanner::ReadSignedNumber(int& value) {
  const char sign = SkipBlanks();
  if (sign == '+' || sign == '-') ++Cursor;
  const int number = ReadNumber();
  if (number < 0) return false;
  value = sign == '-' ? -number : number;
  return true;
}

bool TScanner::ReadSignedHexNumber(int& value) {
  const char sign = SkipBlanks();
  if (sign == '+' || sign == '-') ++Cursor;
  // $80000000 and above come out negative and so count as absent; negating them could overflow.
  const int number = ReadHexNumber();
  if (number < 0) return false;
  value = sign == '-' ? -number : number;
  return true;
}

bool TScanner::ReadSignedDecimal(int64_t& value) {
  const uint8_t sign = Current();  // no skip: a sign after blanks is not taken
  if (sign == '+' || sign == '-') ++Cursor;
  const int64_t number = ReadDecimal();
  if (number < 0) return false;
  value = sign == '-' ? -number : number;
  return true;
}

int64_t TScanner::ReadLength(int timeBase, int64_t defaultTicks, int64_t starTicks, bool& starWithoutNumber) {
  starWithoutNumber = false;
  int64_t total = 0;
  int64_t sign = 1;
  for (;;) {
    int64_t term = 0;
    if (SkipBlanks() == '*') {
      ++Cursor;
      const int ticks = ReadNumber();
      if (ticks < 0) {
        term = starTicks;
        starWithoutNumber = true;
      } else {
        term = ticks;
      }
    } else {
      const int divisor = ReadNumber();
      if (divisor < 0) {
        term = defaultTicks;
      } else if (divisor > 0) {
        term = static_cast<int64_t>(timeBase) * 4 / divisor;
      }
      // Dots must follow directly: "4 ." leaves the point for the caller.
      int64_t increment = term;
      while (Current() == '.') {
        ++Cursor;
        increment /= 2;
        term = SaturatingAdd(term, increment);
      }
    }
    // A saturated term is never negated (-min would overflow).
    total = SaturatingAdd(total, sign > 0 ? term : (term == kInt64Min ? kInt64Max : -term));

    const char next = SkipBlanks();
    if (next == '^') {
      sign = 1;
    } else if (next == '_') {
      sign = -1;
    } else {
      return total;
    }
    ++Cursor;
  }
}

char TScanner::ReadLetter() {
  const char c = SkipBlanks();
  if (!IsLetter(static_cast<uint8_t>(c))) return ' ';
  ++Cursor;
  return c;
}

char TScanner::ReadAccidental() {
  const uint8_t b = Current();
  if (b != '#' && b != '+' && b != '-') return ' ';
  ++Cursor;
  return static_cast<char>(b);
}

char TScanner::ReadModifier() {
  const uint8_t b = Current();
  if (b != '!' && b != '+' && b != '-' && b != '=' && b != '?') return ' ';
  ++Cursor;
  return static_cast<char>(b);
}

bool TScanner::TakeChar(char c) {
  if (!PeekChar(c)) return false;
  ++Cursor;
  return true;
}

bool TScanner::PeekChar(char c) {
  SkipBlanks();
  return !AtEnd() && text_[Cursor] == c;
}

std::string TScanner::ReadQuoted() {
  if (SkipBlanks() != '"') return {};
  ++Cursor;
  const size_t start = Cursor;
  while (!AtEnd() && ByteAt(Cursor) != '"') SkipChar();
  std::string quoted = Since(start);
  if (!AtEnd()) ++Cursor;  // the closing quote
  return quoted;
}

bool TScanner::ReadChordSpec(std::string& name, int& interval) {
  name.clear();
  interval = 0;
  if (Current() != '(') return false;
  ++Cursor;

  size_t start = Cursor;
  while (!AtEnd() && ByteAt(Cursor) != ')' && ByteAt(Cursor) != ',') SkipChar();
  name = TrimControls(Since(start));

  if (Current() == ',') {
    ++Cursor;
    start = Cursor;
    while (!AtEnd() && ByteAt(Cursor) != ')') SkipChar();
    const std::string intervalName = TrimControls(Since(start));
    if (!IntervalNames.FindName(intervalName, interval)) interval = -1;
  }

  if (Current() == ')') ++Cursor;
  return true;
}

bool TScanner::SkipToSemicolon() {
  for (;;) {
    const char c = SkipBlanks();
    if (AtEnd()) return false;
    SkipChar();
    if (c == ';') return true;
  }
}
