// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The editor seen by character indices of its whole text (a CR LF counts two), so that a test
// states selections the way they look, whatever bytes the characters take.

#include <Qsci/qsciscintilla.h>

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <utility>

#include "AppTestSupport.h"

namespace app_test {

/// The editor position (UTF-8 bytes) of a character index of the whole text.
inline long EditorPosition(const QsciScintilla& editor, int index) {
  return static_cast<long>(editor.text().left(index).toUtf8().size());
}

/// Selects the characters from `from` to `to` (the caret at `to`).
inline void SelectChars(QsciScintilla& editor, int from, int to) {
  editor.SendScintilla(QsciScintillaBase::SCI_SETSEL,
                       static_cast<unsigned long>(EditorPosition(editor, from)), EditorPosition(editor, to));
}

/// Puts the caret before the character with that index.
inline void PlaceCaret(QsciScintilla& editor, int index) { SelectChars(editor, index, index); }

/// The selection as character indices (start, end).
inline std::pair<int, int> SelectionChars(const QsciScintilla& editor) {
  const QByteArray utf8 = editor.text().toUtf8();
  auto index = [&utf8](long position) {
    return static_cast<int>(QString::fromUtf8(utf8.left(position)).size());
  };
  return {index(editor.SendScintilla(QsciScintillaBase::SCI_GETSELECTIONSTART)),
          index(editor.SendScintilla(QsciScintillaBase::SCI_GETSELECTIONEND))};
}

/// The entry of the main window's menu bar with that caption (the caption of its menu first).
inline QAction* MenuEntry(QMainWindow& window, const QString& menu, const QString& entry) {
  for (QAction* top : window.menuBar()->actions()) {
    if (top->text() != menu || top->menu() == nullptr) continue;
    for (QAction* action : top->menu()->actions()) {
      if (action->text() == entry) return action;
    }
  }
  return nullptr;
}

}  // namespace app_test
