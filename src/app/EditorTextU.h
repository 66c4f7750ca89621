// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "app/EditorLineU.h"

class QsciScintilla;

// The editor's whole text as the program counts it: code page 932 bytes, lines joined by CR LF,
// and the exact way between those byte offsets and the editor control's own positions.
namespace editor_text {

/// A snapshot of the editor's text. Offsets are 0-based bytes of Text(); they refer to the text
/// as taken, so a change of the editor's text needs a new snapshot.
class TEditorText {
 public:
  /// Takes the editor's text and selection now.
  explicit TEditorText(QsciScintilla& editor);

  /// The whole text in code page 932, lines joined by CR LF; a character without a code page
  /// 932 form stands as "?", so every character keeps its place.
  [[nodiscard]] const std::string& Text() const { return text_; }
  /// Offset of the selection's start (the caret when nothing is selected).
  [[nodiscard]] size_t SelStart() const { return selStart_; }
  /// Bytes selected.
  [[nodiscard]] size_t SelLength() const { return selEnd_ - selStart_; }
  /// The selected bytes.
  [[nodiscard]] std::string SelText() const { return text_.substr(selStart_, selEnd_ - selStart_); }

  /// The editor position of a byte offset; inside a double-byte character, that character's start.
  [[nodiscard]] long PositionOf(size_t offset) const;
  /// The byte offset of an editor position.
  [[nodiscard]] size_t OffsetOf(long position) const;

  /// Selects `length` bytes from `start`, the caret at the end, scrolled into view.
  void Select(size_t start, size_t length) const;
  /// Replaces `length` bytes at `start` by `text` (one undo step) and selects what was inserted.
  void Replace(size_t start, size_t length, const QString& text) const;
  /// Replaces `keyLength` bytes at each offset (ascending, not overlapping) by `text`, all in one
  /// undo step; the rest of the text stays untouched. Returns how far the editor positions behind
  /// the last occurrence moved.
  long ReplaceEach(const std::vector<size_t>& offsets, size_t keyLength, const QString& text) const;

 private:
  QsciScintilla& editor_;
  std::string text_;
  std::vector<editor_line::TLineText> lines_;
  std::vector<size_t> lineOffsets_;  // offset of each line in text_
  std::vector<long> linePositions_;  // editor position of each line's start
  std::vector<long> lineEnds_;       // editor position of each line's end (before its break)
  size_t selStart_ = 0;
  size_t selEnd_ = 0;
};

/// 0-based offsets of the occurrences that ReplaceText with `all` replaces in `text`, in order:
/// the first PosFrom from the start, each next one from behind the previous occurrence.
std::vector<size_t> ReplaceOffsets(std::string_view text, std::string_view key);

/// Inserts the text at the caret, replacing any selection; the caret ends behind it.
void InsertAtCaret(QsciScintilla& editor, const QString& text);

/// Gives the editor the focus and activates its window.
void FocusEditor(QsciScintilla& editor);

}  // namespace editor_text
