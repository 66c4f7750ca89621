// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <QLabel>

class QPushButton;

/// A label that hands its own text to the desktop when clicked.
class TLinkLabel : public QLabel {
  Q_OBJECT
 public:
  /// Red and underlined.
  explicit TLinkLabel(const QString& text, QWidget* parent);

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
};

/// The version window "バージョン情報": the program's name and version, the credit line and the
/// address of the project's page.
class TfrmAbout : public QDialog {
  Q_OBJECT
 public:
  /// Hidden until shown; Esc and "閉じる" close it.
  explicit TfrmAbout(QWidget* owner);

  QLabel* lblName;
  QLabel* lblCredit;
  TLinkLabel* lblLink;
  QPushButton* btnOK;
};
