// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/PianoRollU.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QToolTip>
#include <algorithm>
#include <cmath>

#include "app/AppTexts.h"
#include "app/AppUtilsQt.h"
#include "common/Format.h"

namespace {

constexpr int kKeys = 128;
constexpr int kEndMargin = 48;  // pixels after the song's end

bool IsBlackKey(int key) {
  const int pitch = key % 12;
  return pitch == 1 || pitch == 3 || pitch == 6 || pitch == 8 || pitch == 10;
}

}  // namespace

TPianoRollView::TPianoRollView(QWidget* parent) : QAbstractScrollArea(parent) {
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  viewport()->setMouseTracking(true);
  setMinimumHeight(kRulerHeight + 12 * kKeyHeight);
  UpdateScrollBars();
}

QColor TPianoRollView::ChannelColor(int channel) {
  if (channel == 9) return QColor(110, 110, 110);  // percussion
  // Hues spread so that neighbouring channels differ most.
  const int hue = (channel * 7 % 16) * 360 / 16;
  return QColor::fromHsv(hue, 190, 215);
}

double TPianoRollView::PixelsPerTick() const {
  const int timeBase = song_ ? std::max(1, song_->TimeBase) : 48;
  return static_cast<double>(kPixelsPerBeat) / timeBase;
}

int TPianoRollView::XOfTick(int64_t tick) const {
  return kKeyboardWidth + static_cast<int>(std::lround(static_cast<double>(tick) * PixelsPerTick())) -
         horizontalScrollBar()->value();
}

int TPianoRollView::YOfKey(int key) const {
  return kRulerHeight + (kKeys - 1 - key) * kKeyHeight - verticalScrollBar()->value();
}

QRect TPianoRollView::NoteRect(const TMappedNote& note) const {
  const int left = XOfTick(note.Start);
  const int right = std::max(XOfTick(note.End), left + 2);
  return QRect(left, YOfKey(note.Key), right - left, kKeyHeight);
}

void TPianoRollView::UpdateScrollBars() {
  const int64_t end = song_ ? song_->EndTick : 0;
  const int width = static_cast<int>(std::min<double>(static_cast<double>(end) * PixelsPerTick(), 1e9)) + kEndMargin;
  const int visibleWidth = std::max(0, viewport()->width() - kKeyboardWidth);
  horizontalScrollBar()->setRange(0, std::max(0, width - visibleWidth));
  horizontalScrollBar()->setPageStep(visibleWidth);
  horizontalScrollBar()->setSingleStep(kPixelsPerBeat);
  const int visibleHeight = std::max(0, viewport()->height() - kRulerHeight);
  verticalScrollBar()->setRange(0, std::max(0, kKeys * kKeyHeight - visibleHeight));
  verticalScrollBar()->setPageStep(visibleHeight);
  verticalScrollBar()->setSingleStep(kKeyHeight * 2);
}

void TPianoRollView::SetSong(std::shared_ptr<const TSourceMap> song) {
  song_ = std::move(song);
  UpdateScrollBars();
  PlaceOnKeys();
  viewport()->update();
}

void TPianoRollView::PlaceOnKeys() {
  // The first song places the view on its keys; later ones keep the user's place.
  const int visibleHeight = viewport()->height() - kRulerHeight;
  if (placed_ || !song_ || song_->Notes.empty() || !isVisible() || visibleHeight <= 0) return;
  placed_ = true;
  int low = kKeys;
  int high = -1;
  for (const TMappedNote& note : song_->Notes) {
    low = std::min(low, note.Key);
    high = std::max(high, note.Key);
  }
  const int middle = (kKeys - 1 - (low + high) / 2) * kKeyHeight;
  verticalScrollBar()->setValue(middle - visibleHeight / 2);
}

void TPianoRollView::SetPlayTick(std::optional<int64_t> tick) {
  playTick_ = tick;
  if (tick) {
    const int x = XOfTick(*tick);
    const int width = viewport()->width();
    if (x < kKeyboardWidth || x > width - 16) {
      // Turn the page: the line comes back to a quarter of the view.
      const int content = x - kKeyboardWidth + horizontalScrollBar()->value();
      horizontalScrollBar()->setValue(content - std::max(0, width - kKeyboardWidth) / 4);
    }
  }
  viewport()->update();
}

const TMappedNote* TPianoRollView::NoteAt(const QPoint& point) const {
  if (!song_ || point.x() < kKeyboardWidth || point.y() < kRulerHeight) return nullptr;
  for (auto note = song_->Notes.rbegin(); note != song_->Notes.rend(); ++note) {
    if (NoteRect(*note).contains(point)) return &*note;
  }
  return nullptr;
}

void TPianoRollView::paintEvent(QPaintEvent*) {
  QPainter painter(viewport());
  const QRect area = viewport()->rect();
  const int width = area.width();
  const int height = area.height();
  painter.fillRect(area, Qt::white);

  // Key lanes.
  painter.setClipRect(QRect(kKeyboardWidth, kRulerHeight, width - kKeyboardWidth, height - kRulerHeight));
  for (int key = 0; key < kKeys; ++key) {
    const int y = YOfKey(key);
    if (y + kKeyHeight < kRulerHeight || y > height) continue;
    if (IsBlackKey(key)) painter.fillRect(kKeyboardWidth, y, width - kKeyboardWidth, kKeyHeight, QColor(242, 242, 246));
    if (key % 12 == 0) painter.fillRect(kKeyboardWidth, y + kKeyHeight - 1, width - kKeyboardWidth, 1, QColor(215, 215, 225));
  }

  // Beats and bars at 4/4.
  const int timeBase = song_ ? std::max(1, song_->TimeBase) : 48;
  const int64_t firstBeat = std::max<int64_t>(0, static_cast<int64_t>((horizontalScrollBar()->value()) / PixelsPerTick()) / timeBase);
  for (int64_t beat = firstBeat;; ++beat) {
    const int x = XOfTick(beat * timeBase);
    if (x > width) break;
    painter.fillRect(x, kRulerHeight, 1, height - kRulerHeight, beat % 4 == 0 ? QColor(180, 180, 195) : QColor(232, 232, 238));
  }

  // Notes, channel by channel in their colours.
  if (song_) {
    const QRect visible(kKeyboardWidth, kRulerHeight, width - kKeyboardWidth, height - kRulerHeight);
    for (const TMappedNote& note : song_->Notes) {
      const QRect rect = NoteRect(note);
      if (!rect.intersects(visible)) continue;
      QColor fill = ChannelColor(note.Channel);
      fill.setAlpha(110 + note.Velocity);
      painter.fillRect(rect, fill);
      painter.setPen(ChannelColor(note.Channel).darker(160));
      painter.drawRect(rect.adjusted(0, 0, -1, -1));
    }
  }

  // The play position.
  if (playTick_) {
    const int x = XOfTick(*playTick_);
    painter.fillRect(x, kRulerHeight, 2, height - kRulerHeight, QColor(220, 0, 0));
  }

  // The ruler: bar numbers above, tempo changes below.
  painter.setClipRect(QRect(kKeyboardWidth, 0, width - kKeyboardWidth, kRulerHeight));
  painter.fillRect(kKeyboardWidth, 0, width - kKeyboardWidth, kRulerHeight, QColor(236, 236, 236));
  painter.setPen(QColor(60, 60, 60));
  QFont small = font();
  small.setPointSizeF(std::max(6.0, small.pointSizeF() * 0.8));
  painter.setFont(small);
  for (int64_t bar = firstBeat / 4;; ++bar) {
    const int x = XOfTick(bar * 4 * timeBase);
    if (x > width) break;
    painter.fillRect(x, 0, 1, kRulerHeight / 2, QColor(120, 120, 120));
    painter.drawText(x + 3, kRulerHeight / 2 - 3, QString::number(bar + 1));
  }
  if (song_) {
    painter.setPen(QColor(0, 90, 170));
    auto tempoMark = [&](int64_t tick, int bpm) {
      const int x = XOfTick(tick);
      if (x < kKeyboardWidth - 40 || x > width) return;
      painter.fillRect(x, kRulerHeight / 2, 1, kRulerHeight / 2, QColor(0, 90, 170));
      painter.drawText(x + 3, kRulerHeight - 4,
                       pelorund::FromCp932(pelorund::Format(std::string(app_texts::kPianoRollTempo).c_str(), bpm)));
    };
    // The tempo the song starts at, as the player chooses it, unless a tempo event stands at 0.
    const std::vector<TTempoChange>& tempos = song_->Tempos;
    if (tempos.empty() || tempos.front().Tick > 0)
      tempoMark(0, tempos.empty() || tempos.front().Bpm < 30 ? 120 : tempos.front().Bpm);
    for (const TTempoChange& tempo : tempos) tempoMark(tempo.Tick, tempo.Bpm);
  }
  if (playTick_) {
    const int x = XOfTick(*playTick_);
    painter.fillRect(x, 0, 2, kRulerHeight, QColor(220, 0, 0));
  }
  painter.setClipping(false);
  painter.fillRect(kKeyboardWidth, kRulerHeight - 1, width - kKeyboardWidth, 1, QColor(150, 150, 150));

  // The keyboard, with the octave of every C.
  painter.setClipRect(QRect(0, kRulerHeight, kKeyboardWidth, height - kRulerHeight));
  painter.fillRect(0, kRulerHeight, kKeyboardWidth, height - kRulerHeight, Qt::white);
  for (int key = 0; key < kKeys; ++key) {
    const int y = YOfKey(key);
    if (y + kKeyHeight < kRulerHeight || y > height) continue;
    if (IsBlackKey(key)) painter.fillRect(0, y, kKeyboardWidth * 3 / 5, kKeyHeight, QColor(40, 40, 40));
    if (key % 12 == 0) {
      painter.fillRect(0, y + kKeyHeight - 1, kKeyboardWidth, 1, QColor(150, 150, 150));
      painter.setPen(QColor(60, 60, 60));
      painter.drawText(QRect(0, y + kKeyHeight - 12, kKeyboardWidth - 2, 12), Qt::AlignRight | Qt::AlignVCenter,
                       QStringLiteral("C%1").arg(key / 12 - 1));
    }
  }
  painter.setClipping(false);
  painter.fillRect(kKeyboardWidth - 1, 0, 1, height, QColor(150, 150, 150));
  painter.fillRect(0, 0, kKeyboardWidth - 1, kRulerHeight, QColor(236, 236, 236));
}

void TPianoRollView::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    if (const TMappedNote* note = NoteAt(event->position().toPoint()); note && note->Position != kNoPosition) {
      emit NoteClicked(note->Position);
      return;
    }
  }
  QAbstractScrollArea::mousePressEvent(event);
}

void TPianoRollView::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  UpdateScrollBars();
  PlaceOnKeys();
}

bool TPianoRollView::viewportEvent(QEvent* event) {
  if (event->type() == QEvent::ToolTip) {
    const auto* help = static_cast<QHelpEvent*>(event);
    if (const TMappedNote* note = NoteAt(help->pos())) {
      QToolTip::showText(help->globalPos(),
                         pelorund::FromCp932(pelorund::Format(std::string(app_texts::kPianoRollNoteTip).c_str(),
                                                              note->Channel + 1, note->Key, note->Velocity,
                                                              static_cast<long long>(note->Start),
                                                              static_cast<long long>(note->End))),
                         viewport());
    } else {
      QToolTip::hideText();
    }
    return true;
  }
  return QAbstractScrollArea::viewportEvent(event);
}

TPianoRollDock::TPianoRollDock(QWidget* parent)
    : QDockWidget(pelorund::FromCp932(app_texts::kPianoRollCaption), parent), View(new TPianoRollView(this)) {
  setObjectName(QStringLiteral("PianoRollDock"));
  setAllowedAreas(Qt::BottomDockWidgetArea | Qt::TopDockWidgetArea);
  setWidget(View);
}
