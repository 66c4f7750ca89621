// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/ToolWindowU.h"

class QCheckBox;
class QLineEdit;
class QMenu;
class QPushButton;
class QsciScintilla;

/// The replace window "置換": replaces the search text in the editor's text (code page 932
/// bytes) one occurrence at a time after a question, or all at once in the text or the selection.
class TfrmReplace : public TToolWindow {
  Q_OBJECT
 public:
  /// Works on `editor` (not owned); hidden until opened.
  TfrmReplace(QWidget* owner, QsciScintilla* editor);

  QLineEdit* edtKey;
  QLineEdit* edtReplace;
  QCheckBox* chkUpperCase;
  QCheckBox* chkSelectArea;
  QPushButton* btnReplace;
  QPushButton* btnReplaceAll;
  QPushButton* Button1;
  QMenu* KeyMenu;
  QMenu* ReplaceMenu;

 public slots:
  /// Finds the search text from the caret on (wrapping), asks, replaces it and selects the replacement.
  void btnReplaceClick();
  /// Asks once, then replaces every occurrence (letter case exact) in the selection or the whole text.
  void btnReplaceAllClick();

 private:
  QsciScintilla* editor_;
};
