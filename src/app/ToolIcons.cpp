// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ToolIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

constexpr int kSize = 20;

void Page(QPainter& p, const QRectF& r) {
  QPainterPath path;
  path.moveTo(r.left(), r.top());
  path.lineTo(r.right() - 4, r.top());
  path.lineTo(r.right(), r.top() + 4);
  path.lineTo(r.right(), r.bottom());
  path.lineTo(r.left(), r.bottom());
  path.closeSubpath();
  p.setBrush(Qt::white);
  p.drawPath(path);
}

void Arrow(QPainter& p, bool back) {
  QPainterPath path;
  const double x0 = back ? 15 : 5;
  const double x1 = back ? 5 : 15;
  path.moveTo(x0, 15);
  path.cubicTo(x0, 6, x1, 6, x1, 10);
  p.setBrush(Qt::NoBrush);
  p.drawPath(path);
  p.setBrush(p.pen().color());
  const QPointF head[] = {{x1 - 3.5, 8.5}, {x1 + 3.5, 8.5}, {x1, 13}};
  p.drawPolygon(head, 3);
}

void Paint(QPainter& p, TToolIcon kind) {
  const QColor ink(40, 40, 60);
  p.setPen(QPen(ink, 1.4));
  switch (kind) {
    case TToolIcon::New:
      Page(p, QRectF(4.5, 2.5, 11, 15));
      break;
    case TToolIcon::Open:
      p.setBrush(QColor(240, 200, 90));
      p.drawRect(QRectF(2.5, 6.5, 15, 10));
      p.drawRect(QRectF(2.5, 4.5, 6, 2));
      break;
    case TToolIcon::Save:
      p.setBrush(QColor(90, 120, 200));
      p.drawRect(QRectF(3.5, 3.5, 13, 13));
      p.setBrush(Qt::white);
      p.drawRect(QRectF(6.5, 3.5, 7, 5));
      p.drawRect(QRectF(5.5, 11.5, 9, 5));
      break;
    case TToolIcon::Undo:
      p.setPen(QPen(QColor(30, 90, 170), 2));
      Arrow(p, true);
      break;
    case TToolIcon::Redo:
      p.setPen(QPen(QColor(30, 90, 170), 2));
      Arrow(p, false);
      break;
    case TToolIcon::Cut:
      p.setBrush(Qt::NoBrush);
      p.drawEllipse(QPointF(6, 15), 2.5, 2.5);
      p.drawEllipse(QPointF(14, 15), 2.5, 2.5);
      p.drawLine(QPointF(7.5, 13), QPointF(13, 3));
      p.drawLine(QPointF(12.5, 13), QPointF(7, 3));
      break;
    case TToolIcon::Copy:
      Page(p, QRectF(2.5, 2.5, 9, 11));
      Page(p, QRectF(8.5, 6.5, 9, 11));
      break;
    case TToolIcon::Paste:
      p.setBrush(QColor(200, 160, 100));
      p.drawRect(QRectF(3.5, 4.5, 12, 13));
      p.setBrush(QColor(160, 160, 160));
      p.drawRect(QRectF(6.5, 2.5, 6, 3));
      Page(p, QRectF(9.5, 8.5, 8, 10));
      break;
    case TToolIcon::Play: {
      p.setPen(Qt::NoPen);
      p.setBrush(QColor(30, 150, 60));
      const QPointF triangle[] = {{5, 3}, {17, 10}, {5, 17}};
      p.drawPolygon(triangle, 3);
      break;
    }
    case TToolIcon::Stop:
      p.setPen(Qt::NoPen);
      p.setBrush(QColor(190, 40, 40));
      p.drawRect(QRectF(4, 4, 12, 12));
      break;
  }
}

}  // namespace

QIcon MakeToolIcon(TToolIcon kind) {
  QPixmap pixmap(kSize, kSize);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  Paint(painter, kind);
  painter.end();
  return QIcon(pixmap);
}
