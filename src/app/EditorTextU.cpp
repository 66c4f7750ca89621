// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/EditorTextU.h"

#include <Qsci/qsciscintilla.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "common/StrUnit.h"

namespace editor_text {

namespace {

constexpr size_t kLineBreak = 2;  // CR LF

long Sci(const QsciScintilla& editor, unsigned int message, unsigned long wParam = 0, long lParam = 0) {
  return editor.SendScintilla(message, wParam, lParam);
}

}  // namespace

TEditorText::TEditorText(QsciScintilla& editor) : editor_(editor) {
  const long length = Sci(editor, QsciScintillaBase::SCI_GETLENGTH);
  std::string utf8(static_cast<size_t>(length) + 1, '\0');
  editor.SendScintilla(QsciScintillaBase::SCI_GETTEXT, static_cast<unsigned long>(length) + 1,
                       static_cast<void*>(utf8.data()));
  utf8.resize(static_cast<size_t>(length));

  // Line by line, whatever break the editor holds, so that every break counts as CR LF.
  const long lines = std::max(Sci(editor, QsciScintillaBase::SCI_GETLINECOUNT), 1L);
  for (long line = 0; line < lines; ++line) {
    const long start = Sci(editor, QsciScintillaBase::SCI_POSITIONFROMLINE, static_cast<unsigned long>(line));
    const long end = Sci(editor, QsciScintillaBase::SCI_GETLINEENDPOSITION, static_cast<unsigned long>(line));
    if (line > 0) text_ += "\r\n";
    lineOffsets_.push_back(text_.size());
    linePositions_.push_back(start);
    lineEnds_.push_back(end);
    lines_.push_back(editor_line::MapLine(std::string_view(utf8).substr(
        static_cast<size_t>(start), static_cast<size_t>(std::max(end - start, 0L)))));
    text_ += lines_.back().Cp932;
  }

  const long selStart = Sci(editor, QsciScintillaBase::SCI_GETSELECTIONSTART);
  const long selEnd = Sci(editor, QsciScintillaBase::SCI_GETSELECTIONEND);
  selStart_ = OffsetOf(selStart);
  selEnd_ = std::max(OffsetOf(selEnd), selStart_);
}

long TEditorText::PositionOf(size_t offset) const {
  // The last line that starts at or before the offset.
  const auto it = std::upper_bound(lineOffsets_.begin(), lineOffsets_.end(), offset);
  const size_t line = static_cast<size_t>(std::max<ptrdiff_t>(it - lineOffsets_.begin() - 1, 0));
  const size_t within = offset - lineOffsets_[line];
  const size_t length = lines_[line].Cp932.size();
  if (within <= length) return linePositions_[line] + lines_[line].Utf8OffsetOfCp932(within);
  // Inside the line break: between CR and LF where the editor holds both, else the next line.
  const long next = line + 1 < linePositions_.size() ? linePositions_[line + 1] : lineEnds_[line];
  return std::min(lineEnds_[line] + static_cast<long>(within - length), next);
}

size_t TEditorText::OffsetOf(long position) const {
  const auto it = std::upper_bound(linePositions_.begin(), linePositions_.end(), position);
  const size_t line = static_cast<size_t>(std::max<ptrdiff_t>(it - linePositions_.begin() - 1, 0));
  const long column = std::max(position - linePositions_[line], 0L);
  const long length = lineEnds_[line] - linePositions_[line];
  if (column <= length) {
    return lineOffsets_[line] +
           static_cast<size_t>(lines_[line].Cp932OffsetOfUtf8(static_cast<size_t>(column)));
  }
  return lineOffsets_[line] + lines_[line].Cp932.size() +
         std::min(static_cast<size_t>(column - length), kLineBreak);
}

void TEditorText::Select(size_t start, size_t length) const {
  const long from = PositionOf(start);
  const long to = PositionOf(start + length);
  editor_.SendScintilla(QsciScintillaBase::SCI_SETSEL, static_cast<unsigned long>(from), to);
}

void TEditorText::Replace(size_t start, size_t length, const QString& text) const {
  const long from = PositionOf(start);
  const long to = PositionOf(start + length);
  const QByteArray utf8 = text.toUtf8();
  editor_.SendScintilla(QsciScintillaBase::SCI_SETTARGETRANGE, static_cast<unsigned long>(from), to);
  editor_.SendScintilla(QsciScintillaBase::SCI_REPLACETARGET, static_cast<uintptr_t>(utf8.size()),
                        utf8.constData());
  editor_.SendScintilla(QsciScintillaBase::SCI_SETSEL, static_cast<unsigned long>(from),
                        from + static_cast<long>(utf8.size()));
}

long TEditorText::ReplaceEach(const std::vector<size_t>& offsets, size_t keyLength,
                              const QString& text) const {
  if (offsets.empty()) return 0;
  const QByteArray utf8 = text.toUtf8();
  const long inserted = static_cast<long>(utf8.size());
  long growth = 0;
  // From the back, so that the positions of the occurrences before stay valid.
  editor_.SendScintilla(QsciScintillaBase::SCI_BEGINUNDOACTION);
  for (auto it = offsets.rbegin(); it != offsets.rend(); ++it) {
    const long from = PositionOf(*it);
    const long to = PositionOf(*it + keyLength);
    editor_.SendScintilla(QsciScintillaBase::SCI_SETTARGETRANGE, static_cast<unsigned long>(from), to);
    editor_.SendScintilla(QsciScintillaBase::SCI_REPLACETARGET, static_cast<uintptr_t>(inserted),
                          utf8.constData());
    growth += inserted - (to - from);
  }
  editor_.SendScintilla(QsciScintillaBase::SCI_ENDUNDOACTION);
  return growth;
}

std::vector<size_t> ReplaceOffsets(std::string_view text, std::string_view key) {
  std::vector<size_t> offsets;
  size_t p = pelorund::PosFrom(key, text, 1);
  while (p != 0) {
    offsets.push_back(p - 1);
    // The text behind an occurrence is the same before and after it is replaced.
    p = pelorund::PosFrom(key, text, static_cast<int64_t>(p + key.size()));
  }
  return offsets;
}

void InsertAtCaret(QsciScintilla& editor, const QString& text) { editor.replaceSelectedText(text); }

void FocusEditor(QsciScintilla& editor) {
  editor.activateWindow();
  editor.setFocus();
}

}  // namespace editor_text
