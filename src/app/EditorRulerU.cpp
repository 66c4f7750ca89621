// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/EditorRulerU.h"

#include <Qsci/qsciscintilla.h>

#include <QPainter>
#include <algorithm>

namespace {

long Sci(const QsciScintilla* editor, unsigned int message, unsigned long wParam = 0, long lParam = 0) {
  return editor->SendScintilla(message, wParam, lParam);
}

}  // namespace

TEditorRuler::TEditorRuler(QsciScintilla* editor, QWidget* parent) : QWidget(parent), editor_(editor) {
  setAutoFillBackground(false);
  connect(editor_, &QsciScintillaBase::SCN_UPDATEUI, this, qOverload<>(&QWidget::update));
}

QSize TEditorRuler::sizeHint() const { return {100, fontMetrics().height() + 6}; }

void TEditorRuler::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  painter.fillRect(rect(), QColor(192, 192, 192));
  const long charWidth = editor_->SendScintilla(QsciScintillaBase::SCI_TEXTWIDTH, 0UL, "0");
  if (charWidth <= 0) return;
  // The ruler and the editor share their left edge. Column 0 starts behind the editor's frame,
  // its margins and the text's own left padding, less the horizontal scroll.
  long areaLeft = editor_->viewport()->x();
  for (int margin = 0; margin < 5; ++margin) {
    areaLeft += Sci(editor_, QsciScintillaBase::SCI_GETMARGINWIDTHN, static_cast<unsigned long>(margin));
  }
  const long textLeft = areaLeft + Sci(editor_, QsciScintillaBase::SCI_GETMARGINLEFT) -
                        Sci(editor_, QsciScintillaBase::SCI_GETXOFFSET);
  const int bottom = height() - 1;
  painter.setPen(Qt::black);
  QFont small = font();
  small.setPointSizeF(small.pointSizeF() * 0.8);
  painter.setFont(small);
  const long clipLeft = areaLeft;
  for (long column = std::max(0L, (clipLeft - textLeft) / charWidth);; ++column) {
    const long x = textLeft + column * charWidth;
    if (x > width()) break;
    if (x < clipLeft) continue;
    const int tick = column % 10 == 0 ? 7 : (column % 5 == 0 ? 5 : 2);
    painter.drawLine(static_cast<int>(x), bottom, static_cast<int>(x), bottom - tick);
    if (column % 10 == 0 && column > 0) painter.drawText(static_cast<int>(x) + 2, bottom - 3, QString::number(column));
  }
  // The caret's column, wherever the caret stands (also beyond the end of its line).
  const long caret = Sci(editor_, QsciScintillaBase::SCI_GETCURRENTPOS);
  const long caretX = Sci(editor_, QsciScintillaBase::SCI_POINTXFROMPOSITION, 0, caret) + editor_->viewport()->x() +
                      Sci(editor_, QsciScintillaBase::SCI_GETSELECTIONNCARETVIRTUALSPACE, 0) * charWidth;
  if (caretX >= clipLeft) painter.fillRect(QRect(static_cast<int>(caretX), 1, static_cast<int>(charWidth), 3), Qt::blue);
}
