// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/pelorundFountain.h"

#include <Qsci/qsciscintilla.h>

#include <string>

#include "app/EditorLineU.h"

namespace {

constexpr int kInBraceState = 1;

long Sci(const QsciScintilla* editor, unsigned int message, unsigned long wParam = 0, long lParam = 0) {
  return editor->SendScintilla(message, wParam, lParam);
}

// The bytes of the editor's UTF-8 buffer from `start` to `end`.
std::string TextRange(const QsciScintilla* editor, long start, long end) {
  std::string bytes(static_cast<size_t>(end - start) + 1, '\0');
  editor->SendScintilla(QsciScintillaBase::SCI_GETTEXTRANGE, start, end, bytes.data());
  bytes.resize(static_cast<size_t>(end - start));
  return bytes;
}

}  // namespace

TPelorundFountain::TPelorundFountain(QObject* parent) : QsciLexerCustom(parent) {}

const char* TPelorundFountain::language() const { return "MML"; }

QString TPelorundFountain::description(int style) const {
  static const char* const kNames[StyleCount] = {"Default", "Ank",    "Comment", "DBCS",  "Int",
                                                 "Str",     "Symbol", "Macro",   "Chord", "Brace"};
  return style >= 0 && style < StyleCount ? QString::fromLatin1(kNames[style]) : QString();
}

QColor TPelorundFountain::defaultColor(int style) const {
  switch (style) {
    case Ank: return QColor(128, 0, 0);
    case DBCS:
    case Comment:
    case Brace: return QColor(128, 128, 128);
    case Int: return QColor(0, 0, 0);
    case Str: return QColor(128, 0, 128);
    case Symbol: return QColor(0, 0, 128);
    case Macro: return QColor(0, 128, 0);
    case Chord: return QColor(0, 0, 255);
    default: return textColor_;
  }
}

QFont TPelorundFountain::defaultFont(int style) const {
  QFont font = font_;
  if (style == Macro) font.setBold(true);
  return font;
}

QColor TPelorundFountain::defaultPaper(int /*style*/) const { return QColor(Qt::white); }

int TPelorundFountain::StyleOf(pelorund::TTokenKind kind) {
  using pelorund::TTokenKind;
  switch (kind) {
    case TTokenKind::Ank: return Ank;
    case TTokenKind::Comment: return Comment;
    case TTokenKind::DBCS: return DBCS;
    case TTokenKind::Int: return Int;
    case TTokenKind::Str: return Str;
    case TTokenKind::Symbol: return Symbol;
    case TTokenKind::Macro: return Macro;
    case TTokenKind::Chord: return Chord;
    case TTokenKind::Brace: return Brace;
  }
  return Default;
}

void TPelorundFountain::SetEditorFont(const QFont& font, const QColor& textColor) {
  font_ = font;
  textColor_ = textColor;
  for (int style = 0; style < StyleCount; ++style) setFont(defaultFont(style), style);
  setColor(textColor, Default);
}

void TPelorundFountain::styleText(int start, int end) {
  const QsciScintilla* ed = editor();
  if (ed == nullptr) return;
  long line = Sci(ed, QsciScintillaBase::SCI_LINEFROMPOSITION, static_cast<unsigned long>(start));
  const long lastLine = Sci(ed, QsciScintillaBase::SCI_LINEFROMPOSITION, static_cast<unsigned long>(end));
  const long length = Sci(ed, QsciScintillaBase::SCI_GETLENGTH);
  bool inBrace = line > 0 && Sci(ed, QsciScintillaBase::SCI_GETLINESTATE, static_cast<unsigned long>(line - 1)) ==
                                 kInBraceState;
  for (; line <= lastLine; ++line) {
    const long lineStart = Sci(ed, QsciScintillaBase::SCI_POSITIONFROMLINE, static_cast<unsigned long>(line));
    const long lineEnd = Sci(ed, QsciScintillaBase::SCI_GETLINEENDPOSITION, static_cast<unsigned long>(line));
    long nextStart = Sci(ed, QsciScintillaBase::SCI_POSITIONFROMLINE, static_cast<unsigned long>(line + 1));
    if (nextStart < lineEnd) nextStart = length;  // the last line

    const editor_line::TLineText text = editor_line::MapLine(TextRange(ed, lineStart, lineEnd));
    tokens_.clear();
    inBrace = pelorund::TokenizeLine(text.Cp932, inBrace, tokens_);

    startStyling(static_cast<int>(lineStart));
    int styled = 0;  // bytes of the line styled so far
    for (const pelorund::TToken& token : tokens_) {
      const int from = text.Utf8OffsetOfChar(token.start);
      const int to = text.Utf8OffsetOfChar(token.start + token.length);
      if (from > styled) setStyling(from - styled, Default);
      setStyling(to - from, StyleOf(token.kind));
      styled = to;
    }
    const int rest = static_cast<int>(nextStart - lineStart) - styled;
    if (rest > 0) setStyling(rest, Default);
    ed->SendScintilla(QsciScintillaBase::SCI_SETLINESTATE, static_cast<unsigned long>(line),
                      static_cast<long>(inBrace ? kInBraceState : 0));
  }
}
