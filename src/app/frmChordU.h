// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "app/ToolWindowU.h"
#include "common/IniFile.h"

class QComboBox;
class QLabel;
class QPushButton;
class QsciScintilla;

/// The chord progression window "コード進行入力": a category and a progression of
/// progression.ini, a root for degree Ⅰ and an accidental mark; writes the progression's template
/// with «[0]» to «[11]» replaced by note names at the editor's caret.
class TfrmChord : public TToolWindow {
  Q_OBJECT
 public:
  /// Reads progression.ini once (a missing file reads as empty) and writes into `editor` (not owned).
  TfrmChord(QWidget* owner, QsciScintilla* editor, const std::filesystem::path& progressionIni);

  QComboBox* cmbType;
  QComboBox* cmbChord;
  QLabel* Comment;
  TRadioGroup* RootKey;
  TRadioGroup* cmbFlag;
  QPushButton* btnOK;
  QPushButton* btnCancel;

  /// The templates parallel to the entries of cmbChord (code page 932).
  [[nodiscard]] const std::vector<std::string>& Templates() const { return templates_; }

 public slots:
  /// Shows the chosen category's comment and progressions, the first one chosen.
  void cmbTypeChange();
  /// Writes the chosen progression for the chosen root and mark; the window stays open.
  void btnOKClick();

 private:
  pelorund::TIniFile ini_;
  std::vector<std::string> sections_;   // parallel to cmbType
  std::vector<std::string> templates_;  // parallel to cmbChord
  QsciScintilla* editor_;
};
