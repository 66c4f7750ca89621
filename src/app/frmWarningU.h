// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <filesystem>

class QPlainTextEdit;
class QPushButton;

/// The compile log window "コンパイラログ": shows the log of a compile with warnings.
class TfrmWarning : public QDialog {
  Q_OBJECT
 public:
  /// Hidden until shown; Esc and "閉じる" close it.
  explicit TfrmWarning(QWidget* owner);

  /// Empties Memo1, then shows the file's lines (code page 932) in it; an unreadable file leaves it empty.
  void LoadLog(const std::filesystem::path& fileName);

  QPlainTextEdit* Memo1;
  QPushButton* btnOK;

 private slots:
  void btnOKClick();
};
