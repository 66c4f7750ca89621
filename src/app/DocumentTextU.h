// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

// The editor's document as text, free of any window: file lines, the new-document template,
// track positions and file names.
namespace doc_text {

/// Lines split at CR LF, CR or LF; a line break at the very end starts no further line.
std::vector<std::string> SplitLines(std::string_view text);
/// The lines of a document file: the bytes up to the first 0x1A, split by SplitLines.
std::vector<std::string> DocumentLines(std::string_view fileBytes);
/// The lines of an editor's text: every line break parts two lines, so a break at the end leaves
/// an empty last line; an empty text has no line.
std::vector<std::string> EditorLines(std::string_view text);
/// Every line followed by CR LF.
std::string JoinLines(const std::vector<std::string>& lines);

/// The 124 lines of a new document.
std::vector<std::string> NewTemplateLines();

/// 1-based byte positions of every "%TRACK" (ASCII letters in any case), in text order.
std::vector<size_t> TrackPositions(std::string_view cp932Text);
/// The track-jump value forced between the last occurrence (1 - count) and the first (0).
int ClampTrackJump(int value, size_t count);

/// `name` cut at the last "." of its file name (when there is one), then `extension` appended.
std::filesystem::path ReplaceExtension(const std::filesystem::path& name, std::string_view extension);

/// The caret panel's text: "%5d 行:%4d 桁" of a 1-based line and column (code page 932).
std::string CaretPosText(int line, int column);

}  // namespace doc_text
