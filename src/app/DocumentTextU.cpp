// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/DocumentTextU.h"

#include <algorithm>

#include "app/AppTexts.h"
#include "common/Cp932.h"
#include "common/Format.h"
#include "common/StrUnit.h"

namespace doc_text {

std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t pos = 0; pos < text.size(); ++pos) {
    if (text[pos] != '\r' && text[pos] != '\n') continue;
    lines.emplace_back(text.substr(start, pos - start));
    if (text[pos] == '\r' && pos + 1 < text.size() && text[pos + 1] == '\n') ++pos;
    start = pos + 1;
  }
  if (start < text.size()) lines.emplace_back(text.substr(start));
  return lines;
}

std::vector<std::string> DocumentLines(std::string_view fileBytes) {
  return SplitLines(fileBytes.substr(0, fileBytes.find('\x1a')));
}

std::vector<std::string> EditorLines(std::string_view text) {
  if (text.empty()) return {};
  std::vector<std::string> lines = SplitLines(text);
  if (text.back() == '\r' || text.back() == '\n') lines.emplace_back();
  return lines;
}

std::string JoinLines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

std::vector<std::string> NewTemplateLines() {
  const std::string rule = "'" + std::string(78, '=');
  const std::string thinRule = "'" + std::string(78, '-');
  std::vector<std::string> lines = {rule, "' ", rule, "%track0", "`GMSYSTEMON", "r1", "%sync"};
  for (int row = 0; row < 4; ++row) {
    std::string line;
    for (int n = row * 4 + 1; n <= row * 4 + 4; ++n) line += pelorund::Format("$mute%2.2d={@mute};  ", n);
    lines.push_back(line);
  }
  lines.emplace_back();
  for (int n = 1; n <= 16; ++n) {
    lines.emplace_back();
    lines.push_back(thinRule);
    lines.emplace_back("' ");
    lines.push_back(thinRule);
    lines.push_back(pelorund::Format("%%track%d  $mute%2.2d", n, n));
    lines.emplace_back("@y2 p64 v127 x100 k64 y0 m0 u127 o4 l16 q0 ");
    lines.emplace_back();
  }
  return lines;
}

std::vector<size_t> TrackPositions(std::string_view cp932Text) {
  const std::string upper = pelorund::UpperAscii(cp932Text);
  std::vector<size_t> positions;
  for (size_t p = pelorund::PosFrom("%TRACK", upper, 1); p != 0;
       p = pelorund::PosFrom("%TRACK", upper, static_cast<int64_t>(p) + 1)) {
    positions.push_back(p);
  }
  return positions;
}

int ClampTrackJump(int value, size_t count) {
  const long long last = 1 - static_cast<long long>(std::min<size_t>(count, 1u << 30));
  return static_cast<int>(std::min<long long>(std::max<long long>(value, last), 0));
}

std::filesystem::path ReplaceExtension(const std::filesystem::path& name, std::string_view extension) {
  std::string text = name.string();
  const size_t dot = text.rfind('.');
  const size_t separator = text.find_last_of(std::string(1, std::filesystem::path::preferred_separator));
  if (dot != std::string::npos && (separator == std::string::npos || dot > separator)) text.resize(dot);
  return text + std::string(extension);
}

std::string CaretPosText(int line, int column) {
  return pelorund::Format(std::string(app_texts::kCaretPosFormat).c_str(), line, column);
}

}  // namespace doc_text
