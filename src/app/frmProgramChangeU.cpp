// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/frmProgramChangeU.h"

#include <QComboBox>
#include <QGridLayout>
#include <QPushButton>
#include <utility>

#include "app/AppTexts.h"
#include "app/AppUtilsQt.h"
#include "app/EditorTextU.h"
#include "common/IniFile.h"
#include "common/InputTextU.h"

using pelorund::FromCp932;

TfrmProgramChange::TfrmProgramChange(QWidget* owner, QsciScintilla* editor, std::filesystem::path controlsIni)
    : TToolWindow(owner, TCentre::Owner, true), controlsIni_(std::move(controlsIni)), editor_(editor) {
  setWindowTitle(FromCp932(app_texts::kControlsCaption));
  cmbProgram = new QComboBox(this);
  cmbProgram->setFixedWidth(283);
  cmbProgram->setMaxVisibleItems(20);
  RadioGroup1 =
      new TRadioGroup(FromCp932(app_texts::kControlsKindGroup),
                      {FromCp932(app_texts::kControlsProgramChange),
                       FromCp932(app_texts::kControlsControlChange), FromCp932(app_texts::kControlsExtend)},
                      1, this);
  btnOK = new QPushButton(FromCp932(app_texts::kWrite), this);
  btnCancel = new QPushButton(FromCp932(app_texts::kClose), this);
  for (QPushButton* button : {btnOK, btnCancel}) button->setAutoDefault(false);

  connect(RadioGroup1, &TRadioGroup::Clicked, this, &TfrmProgramChange::DataLoad);
  connect(btnOK, &QPushButton::clicked, this, &TfrmProgramChange::btnOKClick);
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::close);

  auto* layout = new QGridLayout(this);
  layout->addWidget(cmbProgram, 0, 0, 1, 2);
  layout->addWidget(RadioGroup1, 1, 0, 2, 1);
  layout->addWidget(btnOK, 1, 1, Qt::AlignBottom);
  layout->addWidget(btnCancel, 2, 1, Qt::AlignTop);
  layout->setColumnStretch(0, 1);
  resize(311, 119);
  DataLoad();
}

void TfrmProgramChange::DataLoad() {
  const auto kind = static_cast<input_text::TControlKind>(RadioGroup1->ItemIndex());
  // Read each time, so that edits of the file show the next time a kind is chosen.
  names_ = input_text::ReadControlNames(pelorund::TIniFile(controlsIni_), kind);
  cmbProgram->clear();
  for (const std::string& name : names_) cmbProgram->addItem(FromCp932(name));
  cmbProgram->setCurrentIndex(0);
}

void TfrmProgramChange::btnOKClick() {
  const int chosen = cmbProgram->currentIndex();
  if (chosen < 0 || static_cast<size_t>(chosen) >= names_.size()) return;
  const std::string text =
      input_text::ControlText(static_cast<input_text::TControlKind>(RadioGroup1->ItemIndex()), chosen,
                              names_[static_cast<size_t>(chosen)]);
  // An empty special command writes nothing, so it does not delete a selection either.
  if (!text.empty()) editor_text::InsertAtCaret(*editor_, FromCp932(text));
  editor_text::FocusEditor(*editor_);
  close();
}
