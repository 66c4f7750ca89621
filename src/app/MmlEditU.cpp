// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/MmlEditU.h"

#include <QPainter>
#include <algorithm>

namespace {

const QColor kMarkColor(128, 128, 128);

long Sci(const QsciScintilla* editor, unsigned int message, unsigned long wParam = 0, long lParam = 0) {
  return editor->SendScintilla(message, wParam, lParam);
}

}  // namespace

TMmlEdit::TMmlEdit(QWidget* parent) : QsciScintilla(parent) {}

void TMmlEdit::paintEvent(QPaintEvent* event) {
  QsciScintilla::paintEvent(event);
  QPainter painter(viewport());
  long textLeft = 0;
  for (int margin = 0; margin < 5; ++margin) {
    textLeft += Sci(this, SCI_GETMARGINWIDTHN, static_cast<unsigned long>(margin));
  }
  painter.setClipRect(QRect(static_cast<int>(textLeft), 0, viewport()->width(), viewport()->height()));
  painter.setPen(kMarkColor);
  const int lastLine = lines() - 1;
  const long first = Sci(this, SCI_GETFIRSTVISIBLELINE);
  const long last = std::min<long>(lastLine, first + Sci(this, SCI_LINESONSCREEN) + 1);
  for (long line = first; line <= last; ++line) {
    const long end = Sci(this, SCI_GETLINEENDPOSITION, static_cast<unsigned long>(line));
    const long x = Sci(this, SCI_POINTXFROMPOSITION, 0, end);
    const long y = Sci(this, SCI_POINTYFROMPOSITION, 0, end);
    const long height = Sci(this, SCI_TEXTHEIGHT, static_cast<unsigned long>(line));
    const QRect cell(static_cast<int>(x) + 2, static_cast<int>(y), 8 * static_cast<int>(height), static_cast<int>(height));
    painter.drawText(cell, Qt::AlignLeft | Qt::AlignVCenter,
                     line == lastLine ? QStringLiteral("[EOF]") : QStringLiteral("\u21B5"));
  }
}
