// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <QGroupBox>
#include <QStringList>
#include <vector>

class QButtonGroup;
class QRadioButton;
class QShowEvent;

/// A secondary window of the editor: hidden until opened, modeless, on top of the main window,
/// closed by Esc, centred on the desktop or on its owner each time it is shown.
class TToolWindow : public QDialog {
  Q_OBJECT
 public:
  enum class TCentre { Desktop, Owner };

  /// `closeIconOnly` leaves the title bar with its close icon alone.
  TToolWindow(QWidget* owner, TCentre centre, bool closeIconOnly = false);

  /// Shows the window (or brings it to the front) and gives it the focus.
  void Open();

 signals:
  /// The window is being shown.
  void Shown();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  TCentre centre_;
};

/// A titled group of radio buttons laid out in columns, read and set by index.
class TRadioGroup : public QGroupBox {
  Q_OBJECT
 public:
  /// The first item is chosen.
  TRadioGroup(const QString& caption, const QStringList& items, int columns, QWidget* parent);

  /// Index of the chosen item.
  [[nodiscard]] int ItemIndex() const;
  /// Chooses an item without emitting Clicked; an index out of range is ignored.
  void SetItemIndex(int index);
  /// The button of an item (0-based; nullptr out of range).
  [[nodiscard]] QRadioButton* Button(int index) const;

 signals:
  /// The user chose the item.
  void Clicked(int index);

 private:
  QButtonGroup* group_;
  std::vector<QRadioButton*> buttons_;
};
