// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <filesystem>

class QPushButton;
class QTextBrowser;

/// The help window: the language manual (Markdown) shown inside the program.
class TfrmHelp : public QDialog {
  Q_OBJECT
 public:
  /// Hidden until shown; Esc and "閉じる" close it.
  explicit TfrmHelp(QWidget* owner);

  /// Shows the manual file; a missing file shows a line saying so.
  void LoadManual(const std::filesystem::path& fileName);

  /// Scrolls to the heading whose link name (as Markdown sites make them) is `anchor`; false
  /// when there is none.
  bool ShowHeading(const QString& anchor);

  QTextBrowser* Browser;
  QPushButton* btnOK;

 private:
  void LinkClicked(const QUrl& link);
  std::filesystem::path manualDir_;
};
