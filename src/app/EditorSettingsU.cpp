// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/EditorSettingsU.h"

#include <charconv>

#include "common/Cp932.h"
#include "common/Format.h"
#include "common/IniFile.h"

namespace editor_settings {

namespace {

constexpr std::string_view kSection = "MainForm";

struct TNamedColor {
  std::string_view Name;
  TColorValue Value;
};

// The colour table of the settings file: the sixteen basic colours and the special values.
constexpr TNamedColor kColorTable[] = {
    {"clBlack", 0x000000},   {"clMaroon", 0x000080}, {"clGreen", 0x008000},   {"clOlive", 0x008080},
    {"clNavy", 0x800000},    {"clPurple", 0x800080}, {"clTeal", 0x808000},    {"clGray", 0x808080},
    {"clSilver", 0xC0C0C0},  {"clRed", 0x0000FF},    {"clLime", 0x00FF00},    {"clYellow", 0x00FFFF},
    {"clBlue", 0xFF0000},    {"clFuchsia", 0xFF00FF}, {"clAqua", 0xFFFF00},   {"clWhite", 0xFFFFFF},
    {"clNone", kColorNone},  {"clDefault", kColorDefault},
};

std::optional<int> ParseDecimal(std::string_view text) {
  int value = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (ec != std::errc() || ptr != end || text.empty()) return std::nullopt;
  return value;
}

}  // namespace

std::optional<TColorValue> ColorFromText(std::string_view text) {
  for (const TNamedColor& entry : kColorTable) {
    if (pelorund::SameTextAscii(entry.Name, text)) return entry.Value;
  }
  if (text.size() < 2 || text.size() > 9 || text[0] != '$') return std::nullopt;
  uint32_t value = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data() + 1, end, value, 16);
  if (ec != std::errc() || ptr != end) return std::nullopt;
  return value;
}

std::string ColorToText(TColorValue color) {
  for (const TNamedColor& entry : kColorTable) {
    if (entry.Value == color) return std::string(entry.Name);
  }
  return pelorund::Format("$%.8X", color);
}

std::optional<uint32_t> ColorRgb(TColorValue color) {
  if ((color & 0xFF000000u) != 0) return std::nullopt;  // system and special colours
  const uint32_t red = color & 0xFF;
  const uint32_t green = (color >> 8) & 0xFF;
  const uint32_t blue = (color >> 16) & 0xFF;
  return (red << 16) | (green << 8) | blue;
}

bool TEditorSettings::Exists() const {
  std::error_code ec;
  return std::filesystem::is_regular_file(file_, ec);
}

void TEditorSettings::WriteKey(std::string_view key, std::string_view value) const {
  pelorund::TIniFile ini(file_);
  ini.WriteString(kSection, key, value);
  ini.SaveToFile(file_);
}

std::optional<std::string> TEditorSettings::ReadKey(std::string_view key) const {
  const pelorund::TIniFile ini(file_);
  if (!ini.ValueExists(kSection, key)) return std::nullopt;
  return ini.ReadString(kSection, key);
}

int TEditorSettings::ReadIntegerKey(std::string_view key, int missing, int malformed) const {
  const std::optional<std::string> text = ReadKey(key);
  if (!text) return missing;
  return ParseDecimal(*text).value_or(malformed);
}

void TEditorSettings::WriteGeometry(const TWindowGeometry& geometry) const {
  WriteKey("Top", std::to_string(geometry.Top));
  WriteKey("Left", std::to_string(geometry.Left));
  WriteKey("Height", std::to_string(geometry.Height));
  WriteKey("Width", std::to_string(geometry.Width));
}

TWindowGeometry TEditorSettings::ReadGeometry() const {
  TWindowGeometry geometry;
  geometry.Top = ReadIntegerKey("Top", 0, 0);
  geometry.Left = ReadIntegerKey("Left", 640, 0);
  geometry.Height = ReadIntegerKey("Height", 3, 0);
  geometry.Width = ReadIntegerKey("Width", 4, 0);
  return geometry;
}

void TEditorSettings::WriteFont(const TFontSettings& font) const {
  WriteKey("Font_FontName", font.Name);
  WriteKey("Font_FontSize", std::to_string(font.Size));
  WriteKey("Font_FontColor", ColorToText(font.Color));
  WriteKey("Font_FontStyle", std::to_string(font.Style));
  WriteKey("Font_FontCharset", std::to_string(font.Charset));
}

TFontSettings TEditorSettings::ReadFont(const TFontSettings& current) const {
  TFontSettings font = current;
  font.Name = ReadKey("Font_FontName").value_or(current.Name);
  font.Size = ReadIntegerKey("Font_FontSize", current.Size, current.Size);
  if (const std::optional<std::string> color = ReadKey("Font_FontColor")) {
    font.Color = ColorFromText(*color).value_or(current.Color);
  }
  font.Style = ReadIntegerKey("Font_FontStyle", current.Style, 0);
  font.Charset = ReadIntegerKey("Font_FontCharset", current.Charset, 0);
  return font;
}

}  // namespace editor_settings
