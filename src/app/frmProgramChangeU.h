// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "app/ToolWindowU.h"

class QComboBox;
class QPushButton;
class QsciScintilla;

/// The window "音色とコントロール": an instrument, a controller or a special command of
/// controls.ini chosen by name; writes «@n 'name», «h$XX,  0 'name» or the command at the caret.
class TfrmProgramChange : public TToolWindow {
  Q_OBJECT
 public:
  /// Lists the program changes of `controlsIni`; writes into `editor` (not owned).
  TfrmProgramChange(QWidget* owner, QsciScintilla* editor, std::filesystem::path controlsIni);

  QComboBox* cmbProgram;
  TRadioGroup* RadioGroup1;
  QPushButton* btnOK;
  QPushButton* btnCancel;

 public slots:
  /// Reads controls.ini afresh and lists the 128 names of the chosen kind, entry 0 chosen.
  void DataLoad();
  /// Writes the chosen entry at the caret, focuses the editor and closes this window.
  void btnOKClick();

 private:
  std::filesystem::path controlsIni_;
  std::vector<std::string> names_;  // code page 932, parallel to cmbProgram
  QsciScintilla* editor_;
};
