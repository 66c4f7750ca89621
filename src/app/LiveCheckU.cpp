// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/LiveCheckU.h"

#include <Qsci/qsciscintilla.h>

#include <QHelpEvent>
#include <QLabel>
#include <QTimer>
#include <QToolTip>
#include <algorithm>

#include "app/AppTexts.h"
#include "app/AppUtilsQt.h"
#include "common/FileUtils.h"
#include "common/Format.h"

namespace {

long Sci(const QsciScintilla* editor, unsigned int message, unsigned long wParam = 0, long lParam = 0) {
  return editor->SendScintilla(message, wParam, lParam);
}

/// The editor's whole text, as the UTF-8 bytes it holds.
std::string EditorBytes(const QsciScintilla* editor) {
  const long length = Sci(editor, QsciScintillaBase::SCI_GETLENGTH);
  std::string text(static_cast<size_t>(length) + 1, '\0');
  editor->SendScintilla(QsciScintillaBase::SCI_GETTEXT, static_cast<unsigned long>(length + 1), text.data());
  text.resize(static_cast<size_t>(length));
  return text;
}

}  // namespace

TLiveCheck::TLiveCheck(QsciScintilla* editor, const std::filesystem::path& chordIni, QObject* parent)
    : QObject(parent), editor_(editor), pause_(new QTimer(this)), label_(new QLabel) {
  pause_->setSingleShot(true);
  pause_->setTimerType(Qt::PreciseTimer);  // the pause is what a user waits for: keep it exact
  pause_->setInterval(kPauseMs);
  connect(pause_, &QTimer::timeout, this, &TLiveCheck::Submit);
  connect(editor_, &QsciScintilla::textChanged, this, &TLiveCheck::TextChanged);
  connect(this, &QObject::destroyed, label_, [label = label_] {
    if (label->parent() == nullptr) delete label;  // never placed in a status bar
  });

  errorIndicator_ = editor_->indicatorDefine(QsciScintilla::SquigglePixmapIndicator);
  editor_->setIndicatorForegroundColor(QColor(220, 0, 0), errorIndicator_);
  warningMarker_ = editor_->markerDefine(QsciScintilla::RightTriangle);
  editor_->setMarkerBackgroundColor(QColor(240, 160, 0), warningMarker_);
  editor_->setMarkerForegroundColor(QColor(150, 90, 0), warningMarker_);
  // Margin 1 holds the warning marks beside the line numbers.
  editor_->setMarginType(1, QsciScintilla::SymbolMargin);
  editor_->setMarginMarkerMask(1, 1 << warningMarker_);
  editor_->setMarginWidth(1, 12);
  editor_->viewport()->installEventFilter(this);

  label_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  label_->setMinimumWidth(150);

  const std::string chords = pelorund::ReadFileBytes(chordIni).value_or(std::string());
  runner_ = std::make_unique<TCheckRunner>(
      [this](TCheckOutcome outcome) {
        // From the runner's thread to the window's: the outcome travels in a queued call.
        auto shared = std::make_shared<TCheckOutcome>(std::move(outcome));
        QMetaObject::invokeMethod(this, [this, shared] { Show(std::move(*shared)); }, Qt::QueuedConnection);
      },
      chords);
}

TLiveCheck::~TLiveCheck() { runner_.reset(); }

void TLiveCheck::SetPause(int ms) { pause_->setInterval(std::max(0, ms)); }

void TLiveCheck::CheckNow() {
  lastEdit_ = std::chrono::steady_clock::now();
  pause_->stop();
  Submit();
}

void TLiveCheck::TextChanged() {
  lastEdit_ = std::chrono::steady_clock::now();
  dirty_ = true;
  runner_->Cancel();  // what runs checks a text that is gone
  pause_->start();
}

void TLiveCheck::Submit() {
  dirty_ = false;
  submitted_ = runner_->Submit(EditorBytes(editor_));
}

void TLiveCheck::Show(TCheckOutcome outcome) {
  // An outcome for an older text, or one edited since, would mark the wrong places.
  if (outcome.Generation != submitted_ || dirty_) return;
  const long length = Sci(editor_, QsciScintillaBase::SCI_GETLENGTH);
  editor_->SendScintilla(QsciScintillaBase::SCI_SETINDICATORCURRENT, static_cast<unsigned long>(errorIndicator_));
  editor_->SendScintilla(QsciScintillaBase::SCI_INDICATORCLEARRANGE, 0UL, length);
  editor_->markerDeleteAll(warningMarker_);
  warningHandles_.clear();

  auto clamp = [length](size_t offset) { return std::min<long>(static_cast<long>(offset), length); };
  if (outcome.State == TCheckState::Error || outcome.State == TCheckState::Unencodable) {
    const long start = clamp(outcome.Error.Start);
    const long end = clamp(outcome.Error.End);
    if (end > start) {
      editor_->SendScintilla(QsciScintillaBase::SCI_INDICATORFILLRANGE, static_cast<unsigned long>(start), end - start);
    }
  }
  const size_t marks = std::min<size_t>(outcome.Warnings.size(), kMaxWarningMarks);
  for (size_t i = 0; i < marks; ++i) {
    const TCheckMark& warning = outcome.Warnings[i];
    const long line = Sci(editor_, QsciScintillaBase::SCI_LINEFROMPOSITION, static_cast<unsigned long>(clamp(warning.Start)));
    const int handle = editor_->markerAdd(static_cast<int>(line), warningMarker_);
    if (handle >= 0) warningHandles_.emplace_back(handle, pelorund::FromCp932(warning.Message));
  }

  label_->setText(StatusText(outcome));
  const bool failed = outcome.State != TCheckState::Ok;
  label_->setStyleSheet(failed ? QStringLiteral("color: #c00000;") : QString());
  QString tip;
  if (outcome.State == TCheckState::Error) tip = pelorund::FromCp932(outcome.Error.Message);
  label_->setToolTip(tip);

  if (outcome.Song) lastSong_ = outcome.Song;
  shown_ = std::move(outcome);
  latencyMs_ = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - lastEdit_).count();
  if (shown_->Song) emit SongChanged(lastSong_);
  emit CheckShown();
}

QString TLiveCheck::StatusText(const TCheckOutcome& outcome) const {
  namespace t = app_texts;
  switch (outcome.State) {
    case TCheckState::Unencodable:
      return pelorund::FromCp932(
          pelorund::Format(std::string(t::kMsgUnencodable).c_str(), outcome.Place.Row, outcome.Place.Column));
    case TCheckState::Error: {
      const auto start = static_cast<unsigned long>(
          std::min<long>(static_cast<long>(outcome.Error.Start), Sci(editor_, QsciScintillaBase::SCI_GETLENGTH)));
      const long line = Sci(editor_, QsciScintillaBase::SCI_LINEFROMPOSITION, start);
      const long lineStart = Sci(editor_, QsciScintillaBase::SCI_POSITIONFROMLINE, static_cast<unsigned long>(line));
      const long column = Sci(editor_, QsciScintillaBase::SCI_COUNTCHARACTERS, static_cast<unsigned long>(lineStart),
                              static_cast<long>(start));
      return pelorund::FromCp932(pelorund::Format(std::string(t::kCheckErrorFormat).c_str(), static_cast<int>(line) + 1,
                                                  static_cast<int>(column) + 1));
    }
    case TCheckState::Ok:
    case TCheckState::Cancelled:
      break;
  }
  if (!outcome.Song) return {};
  const TSongLength length = SongLength(*outcome.Song);
  std::string text = pelorund::Format(std::string(t::kSongLengthFormat).c_str(), static_cast<long long>(length.Bars),
                                      static_cast<long long>(length.Beats), static_cast<long long>(length.Seconds / 60),
                                      static_cast<long long>(length.Seconds % 60));
  if (!outcome.Warnings.empty())
    text += pelorund::Format(std::string(t::kCheckWarningsFormat).c_str(), static_cast<int>(outcome.Warnings.size()));
  return pelorund::FromCp932(text);
}

QString TLiveCheck::TipAt(const QPoint& point) const {
  if (!shown_) return {};
  int margins = 0;
  const long count = Sci(editor_, QsciScintillaBase::SCI_GETMARGINS);
  for (long i = 0; i < count; ++i) margins += static_cast<int>(Sci(editor_, QsciScintillaBase::SCI_GETMARGINWIDTHN, static_cast<unsigned long>(i)));
  QStringList tips;
  if (point.x() < margins) {
    const long position = Sci(editor_, QsciScintillaBase::SCI_POSITIONFROMPOINT, static_cast<unsigned long>(margins),
                              point.y());
    const long line = Sci(editor_, QsciScintillaBase::SCI_LINEFROMPOSITION, static_cast<unsigned long>(position));
    for (const auto& [handle, message] : warningHandles_) {
      if (Sci(editor_, QsciScintillaBase::SCI_MARKERLINEFROMHANDLE, static_cast<unsigned long>(handle)) == line)
        tips << message;
    }
    return tips.join(QLatin1Char('\n'));
  }
  const long position = Sci(editor_, QsciScintillaBase::SCI_POSITIONFROMPOINTCLOSE, static_cast<unsigned long>(point.x()),
                            point.y());
  if (position < 0) return {};
  // The wavy line moves with edits; the message belongs to it until the next check.
  if (Sci(editor_, QsciScintillaBase::SCI_INDICATORVALUEAT, static_cast<unsigned long>(errorIndicator_), position) != 0) {
    if (shown_->State == TCheckState::Unencodable) return StatusText(*shown_);
    return pelorund::FromCp932(shown_->Error.Message);
  }
  return {};
}

bool TLiveCheck::eventFilter(QObject* watched, QEvent* event) {
  if (watched == editor_->viewport() && event->type() == QEvent::ToolTip) {
    const auto* help = static_cast<QHelpEvent*>(event);
    const QString tip = TipAt(help->pos());
    if (!tip.isEmpty()) {
      QToolTip::showText(help->globalPos(), tip, editor_->viewport());
      return true;
    }
    QToolTip::hideText();
  }
  return QObject::eventFilter(watched, event);
}
