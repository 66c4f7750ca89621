// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/ToolWindowU.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QMenu;
class QPushButton;
class QsciScintilla;

/// Gives a one-line edit box the context menu cut, copy, paste acting on that box.
QMenu* AttachEditMenu(QLineEdit* edit);

/// The find window "検索": searches the editor's text (code page 932 bytes) for the search text,
/// from one character after the caret, wrapping to the start; keeps a history for the program's life.
class TfrmFind : public TToolWindow {
  Q_OBJECT
 public:
  /// Searches `editor` (not owned); hidden until opened.
  TfrmFind(QWidget* owner, QsciScintilla* editor);

  QLineEdit* edtKey;
  QComboBox* ComboBox1;
  QCheckBox* chkUpperCase;
  QPushButton* btnFind;
  QPushButton* Button1;
  QMenu* KeyMenu;

 public slots:
  /// Finds the next occurrence and selects it (closing this window), or shows "は、見つかりませんでした。".
  void btnFindClick();
  /// A history entry was chosen: it becomes the search text.
  void ComboBox1Change();

 private:
  void AddHistory(const std::string& key);

  QsciScintilla* editor_;
};
