// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

// The main window's settings file: one section "MainForm" with the window geometry and the
// editor font. Every read or write opens the file, handles one key and closes it again.
namespace editor_settings {

/// A colour as the settings file knows it: 0x00BBGGRR, or one of the special values below.
using TColorValue = uint32_t;
inline constexpr TColorValue kColorNone = 0x1FFFFFFF;     // "clNone": the editor's default colour
inline constexpr TColorValue kColorDefault = 0x20000000;  // "clDefault"

/// A colour name of the colour table ("clNavy") or "$" and eight hexadecimal digits; nothing
/// for other text.
std::optional<TColorValue> ColorFromText(std::string_view text);
/// The table's name of the colour, else "$" and eight upper-case hexadecimal digits.
std::string ColorToText(TColorValue color);
/// Red, green and blue of a colour that names one; nothing for the default and system colours.
std::optional<uint32_t> ColorRgb(TColorValue color);

struct TWindowGeometry {
  int Top = 0;
  int Left = 0;
  int Height = 0;
  int Width = 0;
};

struct TFontSettings {
  std::string Name;  // code page 932
  int Size = 0;      // points
  TColorValue Color = kColorNone;
  int Style = 0;     // 1 bold, 2 italic, 4 underline, 8 strike-out
  int Charset = 0;   // 128 is Shift-JIS
};

class TEditorSettings {
 public:
  /// Settings kept in `file` (which need not exist yet).
  explicit TEditorSettings(std::filesystem::path file) : file_(std::move(file)) {}

  /// The settings file.
  [[nodiscard]] const std::filesystem::path& File() const { return file_; }
  /// Whether the settings file exists.
  [[nodiscard]] bool Exists() const;

  /// Writes Top, Left, Height and Width; throws std::runtime_error when the file cannot be written.
  void WriteGeometry(const TWindowGeometry& geometry) const;
  /// Missing keys give Top 0, Left 640, Height 3, Width 4; a value that is no integer reads as 0.
  [[nodiscard]] TWindowGeometry ReadGeometry() const;

  /// Writes the five "Font_" keys; throws std::runtime_error when the file cannot be written.
  void WriteFont(const TFontSettings& font) const;
  /// The font of the file; a missing key, a size or colour that cannot be read keep `current`'s
  /// value; a style or character set that is no integer reads as 0.
  [[nodiscard]] TFontSettings ReadFont(const TFontSettings& current) const;

 private:
  void WriteKey(std::string_view key, std::string_view value) const;
  [[nodiscard]] std::optional<std::string> ReadKey(std::string_view key) const;
  [[nodiscard]] int ReadIntegerKey(std::string_view key, int missing, int malformed) const;

  std::filesystem::path file_;
};

}  // namespace editor_settings
