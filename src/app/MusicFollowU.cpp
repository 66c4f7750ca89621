// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/MusicFollowU.h"

#include <Qsci/qsciscintilla.h>

#include <QEvent>
#include <QTimer>
#include <algorithm>

#include "playback/smf_play.h"

namespace {

// Edits recorded beyond this are not worth replaying: the highlight then stops.
constexpr size_t kMaxEdits = 100'000;

long Sci(const QsciScintilla* editor, unsigned int message, unsigned long wParam = 0, long lParam = 0) {
  return editor->SendScintilla(message, wParam, lParam);
}

}  // namespace

TMusicFollower::TMusicFollower(QsciScintilla* editor, QObject* parent)
    : QObject(parent), editor_(editor), timer_(new QTimer(this)) {
  timer_->setInterval(kStepMs);
  connect(timer_, &QTimer::timeout, this, &TMusicFollower::Step);
  indicator_ = editor_->indicatorDefine(QsciScintilla::FullBoxIndicator);
  editor_->setIndicatorForegroundColor(QColor(255, 200, 40, 150), indicator_);
  editor_->setIndicatorDrawUnder(true, indicator_);
  connect(editor_, &QsciScintillaBase::SCN_MODIFIED, this,
          [this](int position, int type, const char*, int length, int, int, int, int, int, int) {
            Modified(position, type, length);
          });
  editor_->installEventFilter(this);
  editor_->viewport()->installEventFilter(this);
}

void TMusicFollower::MarkSnapshot() { edits_.clear(); }

void TMusicFollower::Start(std::shared_ptr<const TSourceMap> song, const TSmfPlayer* player) {
  song_ = std::move(song);
  player_ = song_ ? player : nullptr;
  shown_ = nullptr;
  if (player_ != nullptr) timer_->start();
}

void TMusicFollower::Stop() {
  const bool was = player_ != nullptr;
  timer_->stop();
  player_ = nullptr;
  shown_ = nullptr;
  Highlight(0, 0);
  if (was) emit Finished();
}

void TMusicFollower::Modified(int position, int type, int length) {
  const bool inserted = (type & QsciScintillaBase::SC_MOD_INSERTTEXT) != 0;
  const bool deleted = (type & QsciScintillaBase::SC_MOD_DELETETEXT) != 0;
  if ((!inserted && !deleted) || length <= 0 || position < 0) return;
  if (edits_.size() >= kMaxEdits) {
    song_.reset();  // too much changed to trace the song's text any longer
    return;
  }
  edits_.push_back({static_cast<size_t>(position), static_cast<size_t>(length), inserted});
}

size_t TMusicFollower::ToCurrent(size_t offset) const {
  for (const TEdit& edit : edits_) {
    if (edit.Inserted) {
      if (offset >= edit.Position) offset += edit.Length;
    } else if (offset >= edit.Position + edit.Length) {
      offset -= edit.Length;
    } else if (offset > edit.Position) {
      offset = edit.Position;  // inside deleted text
    }
  }
  return offset;
}

size_t TMusicFollower::ToSnapshot(size_t offset) const {
  for (auto edit = edits_.rbegin(); edit != edits_.rend(); ++edit) {
    if (!edit->Inserted) {
      if (offset >= edit->Position) offset += edit->Length;
    } else if (offset >= edit->Position + edit->Length) {
      offset -= edit->Length;
    } else if (offset > edit->Position) {
      offset = edit->Position;  // inside inserted text
    }
  }
  return offset;
}

const TNoteSpan* TMusicFollower::FollowTick(int64_t tick) {
  if (!song_) {
    Highlight(0, 0);
    return nullptr;
  }
  const long caret = Sci(editor_, QsciScintillaBase::SCI_GETCURRENTPOS);
  const std::optional<int> track = song_->TrackAtPosition(ToSnapshot(static_cast<size_t>(std::max(0L, caret))));
  const TNoteSpan* span = song_->SpanAt(track.value_or(0), tick);
  if (span == shown_) return span;
  shown_ = span;
  if (span == nullptr) {
    Highlight(0, 0);
    return nullptr;
  }
  const size_t start = ToCurrent(span->Start);
  const size_t end = std::max(ToCurrent(span->End), start);
  Highlight(start, end);
  const bool typing = std::chrono::steady_clock::now() - lastInput_ < std::chrono::milliseconds(kTypingPauseMs);
  if (!typing) editor_->SendScintilla(QsciScintillaBase::SCI_SCROLLRANGE, static_cast<unsigned long>(end), static_cast<long>(start));
  return span;
}

void TMusicFollower::Highlight(size_t start, size_t end) {
  const long length = Sci(editor_, QsciScintillaBase::SCI_GETLENGTH);
  editor_->SendScintilla(QsciScintillaBase::SCI_SETINDICATORCURRENT, static_cast<unsigned long>(indicator_));
  editor_->SendScintilla(QsciScintillaBase::SCI_INDICATORCLEARRANGE, 0UL, length);
  const long from = std::min<long>(static_cast<long>(start), length);
  const long to = std::min<long>(static_cast<long>(end), length);
  if (to > from) editor_->SendScintilla(QsciScintillaBase::SCI_INDICATORFILLRANGE, static_cast<unsigned long>(from), to - from);
}

void TMusicFollower::Step() {
  if (player_ == nullptr) return;
  if (!player_->Playing) {
    Stop();
    return;
  }
  const int32_t tick = player_->Position;
  emit PlayTick(tick);
  FollowTick(tick);
}

bool TMusicFollower::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type == QEvent::KeyPress || type == QEvent::MouseButtonPress || type == QEvent::Wheel) {
    lastInput_ = std::chrono::steady_clock::now();
  }
  return QObject::eventFilter(watched, event);
}
