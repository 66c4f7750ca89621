// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "compiler/SourceMapU.h"

class QEvent;
class QTimer;
class QsciScintilla;
class TSmfPlayer;

/// Follows the music in the text: while a song plays, the note or rest that sounds now on the
/// caret's track is highlighted in the editor, which scrolls to it unless the user is typing.
/// The song's offsets are those of the text when it was taken (MarkSnapshot); edits made since
/// are replayed onto them, so the highlight stays on its command while the user types.
class TMusicFollower : public QObject {
  Q_OBJECT
 public:
  static constexpr int kStepMs = 50;
  static constexpr int kTypingPauseMs = 1500;  // no scrolling this long after a key or a click

  explicit TMusicFollower(QsciScintilla* editor, QObject* parent = nullptr);

  /// The editor's text is taken now: edits from here on are recorded.
  void MarkSnapshot();
  /// Follows `song` (offsets of the last snapshot) while `player` plays; not owned.
  void Start(std::shared_ptr<const TSourceMap> song, const TSmfPlayer* player);
  /// Stops following and takes the highlight away.
  void Stop();
  /// Highlights what lasts over `tick` on the caret's track; returns it (nullptr: nothing).
  const TNoteSpan* FollowTick(int64_t tick);

  /// The editor offset now of an offset of the snapshot text.
  [[nodiscard]] size_t ToCurrent(size_t snapshotOffset) const;
  /// The snapshot offset of an editor offset now.
  [[nodiscard]] size_t ToSnapshot(size_t currentOffset) const;
  /// The editor's indicator of the highlight.
  [[nodiscard]] int Indicator() const { return indicator_; }
  [[nodiscard]] bool Following() const { return player_ != nullptr; }

 signals:
  /// The play position, every step while following.
  void PlayTick(qint64 tick);
  /// Following ended (stopped, or the song reached its end).
  void Finished();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct TEdit {
    size_t Position;
    size_t Length;
    bool Inserted;
  };
  void Step();
  void Modified(int position, int type, int length);
  void Highlight(size_t start, size_t end);

  QsciScintilla* editor_;
  QTimer* timer_;
  int indicator_ = -1;
  std::vector<TEdit> edits_;
  std::shared_ptr<const TSourceMap> song_;
  const TSmfPlayer* player_ = nullptr;
  const TNoteSpan* shown_ = nullptr;
  std::chrono::steady_clock::time_point lastInput_{};
};
