// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/frmReplaceU.h"

#include <Qsci/qsciscintilla.h>

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <optional>
#include <string>

#include "app/AppTexts.h"
#include "app/AppUtilsQt.h"
#include "app/EditorTextU.h"
#include "app/frmFindU.h"
#include "common/Cp932.h"
#include "common/StrUnit.h"

using pelorund::FromCp932;

TfrmReplace::TfrmReplace(QWidget* owner, QsciScintilla* editor)
    : TToolWindow(owner, TCentre::Desktop), editor_(editor) {
  setWindowTitle(FromCp932(app_texts::kReplaceCaption));
  edtKey = new QLineEdit(this);
  KeyMenu = AttachEditMenu(edtKey);
  edtReplace = new QLineEdit(this);
  ReplaceMenu = AttachEditMenu(edtReplace);
  chkUpperCase = new QCheckBox(FromCp932(app_texts::kFindMatchCase), this);
  chkUpperCase->setChecked(true);
  chkSelectArea = new QCheckBox(FromCp932(app_texts::kReplaceInSelection), this);
  btnReplace = new QPushButton(FromCp932(app_texts::kReplaceCaption), this);
  btnReplaceAll = new QPushButton(FromCp932(app_texts::kReplaceAll), this);
  Button1 = new QPushButton(FromCp932(app_texts::kClose), this);
  for (QPushButton* button : {btnReplace, btnReplaceAll, Button1}) button->setAutoDefault(false);

  connect(btnReplace, &QPushButton::clicked, this, &TfrmReplace::btnReplaceClick);
  connect(btnReplaceAll, &QPushButton::clicked, this, &TfrmReplace::btnReplaceAllClick);
  connect(Button1, &QPushButton::clicked, this, &QDialog::close);

  auto* options = new QGroupBox(FromCp932(app_texts::kFindOptions), this);
  auto* optionsLayout = new QVBoxLayout(options);
  optionsLayout->addWidget(chkUpperCase);
  optionsLayout->addWidget(chkSelectArea);

  auto* layout = new QGridLayout(this);
  layout->addWidget(new QLabel(FromCp932(app_texts::kFindKeyLabel), this), 0, 0);
  layout->addWidget(edtKey, 0, 1);
  layout->addWidget(new QLabel(FromCp932(app_texts::kReplaceTextLabel), this), 1, 0);
  layout->addWidget(edtReplace, 1, 1);
  layout->addWidget(options, 2, 0, 1, 2);
  auto* buttons = new QVBoxLayout;
  buttons->addWidget(btnReplace);
  buttons->addWidget(btnReplaceAll);
  buttons->addWidget(Button1);
  buttons->addStretch();
  layout->addLayout(buttons, 0, 2, 3, 1);
  layout->setRowStretch(3, 1);
  layout->setColumnStretch(1, 1);
  resize(351, 176);
}

void TfrmReplace::btnReplaceClick() {
  const editor_text::TEditorText editor(*editor_);
  const std::optional<std::string> typed = pelorund::ToCp932(edtKey->text());
  const std::string key = typed.value_or(std::string());
  std::string foldedKey = key;
  std::string text = editor.Text();
  if (!chkUpperCase->isChecked()) {
    foldedKey = pelorund::UpperAscii(foldedKey);
    text = pelorund::UpperAscii(text);
  }
  // From the caret itself, so that a match selected by a find is replaced first.
  size_t p = typed ? pelorund::PosFrom(foldedKey, text, static_cast<int64_t>(editor.SelStart() + 1)) : 0;
  if (p == 0 && typed) p = pelorund::PosFrom(foldedKey, text, 1);
  if (p == 0) {
    const QString shown = typed ? FromCp932(foldedKey) : edtKey->text();
    pelorund::ShowMessage(FromCp932(app_texts::kMsgReplaceNotFoundHead) + shown +
                          FromCp932(app_texts::kMsgReplaceNotFoundTail));
    return;
  }
  const QString question = QLatin1Char('"') + edtKey->text() + QLatin1Char('"') +
                           FromCp932(app_texts::kAskReplaceFound) + QStringLiteral("\r\n\"") +
                           edtReplace->text() + QLatin1Char('"') + FromCp932(app_texts::kAskReplaceWith);
  if (!pelorund::AskYesNo(question)) return;
  editor_text::FocusEditor(*editor_);
  editor.Replace(p - 1, key.size(), edtReplace->text());
}

void TfrmReplace::btnReplaceAllClick() {
  if (!pelorund::AskYesNo(FromCp932(app_texts::kAskReplaceAll))) return;
  const editor_text::TEditorText editor(*editor_);
  const std::optional<std::string> key = pelorund::ToCp932(edtKey->text());
  if (!key) return;  // a character outside code page 932 occurs nowhere
  const bool inSelection = chkSelectArea->isChecked();
  const size_t base = inSelection ? editor.SelStart() : 0;
  const std::string subject = inSelection ? editor.SelText() : editor.Text();
  std::vector<size_t> offsets = editor_text::ReplaceOffsets(subject, *key);
  for (size_t& offset : offsets) offset += base;
  const long selEnd = editor.PositionOf(editor.SelStart() + editor.SelLength());
  const long growth = editor.ReplaceEach(offsets, key->size(), edtReplace->text());
  // The selection gives way to its replaced text with the caret behind it, as when it is typed over.
  if (inSelection && !offsets.empty()) {
    editor_->SendScintilla(QsciScintillaBase::SCI_GOTOPOS, static_cast<unsigned long>(selEnd + growth));
  }
}
