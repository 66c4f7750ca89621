// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPoint>
#include <QString>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

#include "compiler/SourceCheckU.h"

class QEvent;
class QLabel;
class QTimer;
class QsciScintilla;

/// The check as you type: a pause after the last edit compiles the editor's text in the
/// background (in memory, no file, no log), then marks the first error with a red wavy line, puts
/// a mark in the margin beside each warning, tells both messages as tooltips and shows the song's
/// length (or the error's place) in its status label. An edit cancels a check that runs; the
/// window never waits for one.
class TLiveCheck : public QObject {
  Q_OBJECT
 public:
  static constexpr int kPauseMs = 400;
  static constexpr int kMaxWarningMarks = 1000;

  /// Watches `editor`; checks use the chord definitions of `chordIni` (read once).
  TLiveCheck(QsciScintilla* editor, const std::filesystem::path& chordIni, QObject* parent = nullptr);
  /// Cancels a running check and waits for its thread.
  ~TLiveCheck() override;

  /// The pause between the last edit and the check (ms).
  void SetPause(int ms);
  /// Checks the text as it is now, without the pause.
  void CheckNow();

  /// The outcome whose marks are shown; nothing before the first.
  [[nodiscard]] const TCheckOutcome* Shown() const { return shown_ ? &*shown_ : nullptr; }
  /// The last song that compiled; kept while later texts fail.
  [[nodiscard]] std::shared_ptr<const TSourceMap> LastSong() const { return lastSong_; }
  /// The status bar label: the length, or where the error is.
  [[nodiscard]] QLabel* StatusLabel() const { return label_; }
  /// The editor's indicator of the error's wavy line.
  [[nodiscard]] int ErrorIndicator() const { return errorIndicator_; }
  /// The editor's marker of warning lines.
  [[nodiscard]] int WarningMarker() const { return warningMarker_; }
  /// The tooltip for a point of the editor's viewport: the error's message over its wavy line,
  /// the warnings of a marked line over the margin; empty elsewhere.
  [[nodiscard]] QString TipAt(const QPoint& viewportPoint) const;
  /// Milliseconds from the last edit (or CheckNow) to the marks of the outcome shown last.
  [[nodiscard]] double LastLatencyMs() const { return latencyMs_; }

 signals:
  /// An outcome's marks and status are shown.
  void CheckShown();
  /// A text compiled: the song it makes (offsets of the editor's text as it was checked).
  void SongChanged(std::shared_ptr<const TSourceMap> song);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void TextChanged();
  void Submit();
  void Show(TCheckOutcome outcome);
  [[nodiscard]] QString StatusText(const TCheckOutcome& outcome) const;

  QsciScintilla* editor_;
  QTimer* pause_;
  QLabel* label_;
  int errorIndicator_ = -1;
  int warningMarker_ = -1;
  uint64_t submitted_ = 0;
  bool dirty_ = false;  // edited since the last submit
  std::optional<TCheckOutcome> shown_;
  std::vector<std::pair<int, QString>> warningHandles_;  // marker handle, message
  std::shared_ptr<const TSourceMap> lastSong_;
  std::chrono::steady_clock::time_point lastEdit_;
  double latencyMs_ = 0;
  std::unique_ptr<TCheckRunner> runner_;  // last: its thread ends before the rest goes
};
