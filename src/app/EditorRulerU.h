// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

class QsciScintilla;

/// The column ruler above the editor: a tick per column, a number every ten, and a mark at the
/// caret's column. It follows the editor's horizontal scrolling and font.
class TEditorRuler : public QWidget {
  Q_OBJECT
 public:
  /// Repaints whenever the editor updates its view.
  explicit TEditorRuler(QsciScintilla* editor, QWidget* parent = nullptr);
  /// One line of the ruler's font high.
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QsciScintilla* editor_;
};
