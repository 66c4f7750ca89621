// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <Qsci/qscilexercustom.h>

#include <QColor>
#include <QFont>
#include <vector>

#include "common/MmlTokens.h"

/// Colours MML text in the editor: each line is split by pelorund::TokenizeLine, with the brace
/// comment state of the line before it kept as the editor's line state, and each token's
/// characters get the style of its kind.
class TPelorundFountain : public QsciLexerCustom {
  Q_OBJECT
 public:
  /// The styles, one per token kind; Default covers blanks, tabs and line breaks.
  enum TStyle { Default = 0, Ank, Comment, DBCS, Int, Str, Symbol, Macro, Chord, Brace, StyleCount };

  explicit TPelorundFountain(QObject* parent = nullptr);

  /// "MML".
  const char* language() const override;
  /// The style's name; empty for a number that is no style.
  QString description(int style) const override;
  /// The colour of a token kind; Default has the editor font's colour.
  QColor defaultColor(int style) const override;
  /// The editor font; bold for Macro.
  QFont defaultFont(int style) const override;
  /// White: tokens have no background of their own.
  QColor defaultPaper(int style) const override;
  /// Styles whole lines from the one holding `start` through the one holding `end`.
  void styleText(int start, int end) override;

  /// Every style takes the font (Macro stays bold); Default takes `textColor`.
  void SetEditorFont(const QFont& font, const QColor& textColor);
  /// The style of a token kind.
  static int StyleOf(pelorund::TTokenKind kind);

 private:
  std::vector<pelorund::TToken> tokens_;
  QFont font_;
  QColor textColor_{Qt::black};
};
