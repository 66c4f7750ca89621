// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractScrollArea>
#include <QDockWidget>
#include <QRect>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

#include "compiler/SourceMapU.h"

/// The compiled song as a piano roll: time to the right, keys upwards, each channel's notes in a
/// colour of their own, bar lines and numbers at 4/4, the tempo where it changes, and the play
/// position as a red line that the view keeps in sight. Clicking a note tells the command that
/// struck it (NoteClicked).
class TPianoRollView : public QAbstractScrollArea {
  Q_OBJECT
 public:
  static constexpr int kRulerHeight = 30;
  static constexpr int kKeyboardWidth = 34;
  static constexpr int kKeyHeight = 5;
  static constexpr int kPixelsPerBeat = 24;

  explicit TPianoRollView(QWidget* parent = nullptr);

  /// Shows `song` (nullptr: nothing); the view keeps its place while the song grows or shrinks.
  void SetSong(std::shared_ptr<const TSourceMap> song);
  [[nodiscard]] const std::shared_ptr<const TSourceMap>& Song() const { return song_; }
  /// The play position (nothing hides the line); the view scrolls along to keep it in sight.
  void SetPlayTick(std::optional<int64_t> tick);
  [[nodiscard]] std::optional<int64_t> PlayTick() const { return playTick_; }
  /// The note drawn at a point of the viewport (the one drawn last), nullptr where there is none.
  [[nodiscard]] const TMappedNote* NoteAt(const QPoint& point) const;
  /// Where a note is drawn, in viewport coordinates.
  [[nodiscard]] QRect NoteRect(const TMappedNote& note) const;
  /// A note's colour: one hue per channel.
  [[nodiscard]] static QColor ChannelColor(int channel);

 signals:
  /// A note was clicked: the source offset of its command.
  void NoteClicked(size_t position);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool viewportEvent(QEvent* event) override;

 private:
  [[nodiscard]] double PixelsPerTick() const;
  [[nodiscard]] int XOfTick(int64_t tick) const;
  [[nodiscard]] int YOfKey(int key) const;
  void UpdateScrollBars();
  /// Scrolls the song's keys into the middle of the view, once the view has a size.
  void PlaceOnKeys();

  std::shared_ptr<const TSourceMap> song_;
  std::optional<int64_t> playTick_;
  bool placed_ = false;  // the first song with notes was placed in view
};

/// The piano roll as a dock of the main window, hidden until asked for.
class TPianoRollDock : public QDockWidget {
  Q_OBJECT
 public:
  explicit TPianoRollDock(QWidget* parent = nullptr);
  TPianoRollView* View = nullptr;
};
