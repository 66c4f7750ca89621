// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <Qsci/qsciscintilla.h>

/// The MML editor control: QScintilla that also draws a grey mark at every line end and behind
/// the last line.
class TMmlEdit : public QsciScintilla {
  Q_OBJECT
 public:
  /// An empty editor.
  explicit TMmlEdit(QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* event) override;
};
