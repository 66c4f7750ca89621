// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/frmFindU.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>
#include <optional>
#include <string>

#include "app/AppTexts.h"
#include "app/AppUtilsQt.h"
#include "app/EditorTextU.h"
#include "common/Cp932.h"
#include "common/StrUnit.h"

using pelorund::FromCp932;

QMenu* AttachEditMenu(QLineEdit* edit) {
  auto* menu = new QMenu(edit);
  auto entry = [menu](std::string_view text, QKeyCombination key) {
    QAction* action = menu->addAction(FromCp932(text));
    // The box handles the keys itself; the menu only shows them.
    action->setShortcut(QKeySequence(key));
    action->setShortcutContext(Qt::WidgetShortcut);
    return action;
  };
  QObject::connect(entry(app_texts::kMenuCut, Qt::CTRL | Qt::Key_X), &QAction::triggered, edit,
                   &QLineEdit::cut);
  QObject::connect(entry(app_texts::kMenuCopy, Qt::CTRL | Qt::Key_C), &QAction::triggered, edit,
                   &QLineEdit::copy);
  QObject::connect(entry(app_texts::kMenuPaste, Qt::CTRL | Qt::Key_V), &QAction::triggered, edit,
                   &QLineEdit::paste);
  edit->setContextMenuPolicy(Qt::CustomContextMenu);
  QObject::connect(edit, &QWidget::customContextMenuRequested, menu,
                   [menu, edit](const QPoint& pos) { menu->exec(edit->mapToGlobal(pos)); });
  return menu;
}

TfrmFind::TfrmFind(QWidget* owner, QsciScintilla* editor)
    : TToolWindow(owner, TCentre::Desktop), editor_(editor) {
  setWindowTitle(FromCp932(app_texts::kFindCaption));
  edtKey = new QLineEdit(this);
  KeyMenu = AttachEditMenu(edtKey);
  ComboBox1 = new QComboBox(this);
  chkUpperCase = new QCheckBox(FromCp932(app_texts::kFindMatchCase), this);
  chkUpperCase->setChecked(true);
  btnFind = new QPushButton(FromCp932(app_texts::kFindCaption), this);
  Button1 = new QPushButton(FromCp932(app_texts::kClose), this);
  // Enter in the search box finds; no button takes Enter for itself.
  for (QPushButton* button : {btnFind, Button1}) button->setAutoDefault(false);

  connect(edtKey, &QLineEdit::returnPressed, this, &TfrmFind::btnFindClick);
  connect(ComboBox1, &QComboBox::activated, this, &TfrmFind::ComboBox1Change);
  connect(btnFind, &QPushButton::clicked, this, &TfrmFind::btnFindClick);
  connect(Button1, &QPushButton::clicked, this, &QDialog::close);
  connect(new QShortcut(QKeySequence(Qt::Key_F3), this), &QShortcut::activated, this,
          &TfrmFind::btnFindClick);

  auto* options = new QGroupBox(FromCp932(app_texts::kFindOptions), this);
  auto* optionsLayout = new QVBoxLayout(options);
  optionsLayout->addWidget(chkUpperCase);

  auto* layout = new QGridLayout(this);
  layout->addWidget(new QLabel(FromCp932(app_texts::kFindKeyLabel), this), 0, 0);
  layout->addWidget(edtKey, 0, 1);
  layout->addWidget(new QLabel(FromCp932(app_texts::kFindHistoryLabel), this), 1, 0);
  layout->addWidget(ComboBox1, 1, 1);
  layout->addWidget(options, 2, 0, 1, 2);
  auto* buttons = new QVBoxLayout;
  buttons->addWidget(btnFind);
  buttons->addWidget(Button1);
  buttons->addStretch();
  layout->addLayout(buttons, 0, 2, 3, 1);
  layout->setRowStretch(3, 1);
  layout->setColumnStretch(1, 1);
  resize(411, 172);
}

void TfrmFind::AddHistory(const std::string& key) {
  for (int i = ComboBox1->count() - 1; i >= 0; --i) {
    const std::optional<std::string> entry = pelorund::ToCp932(ComboBox1->itemText(i));
    if (entry && pelorund::SameTextAscii(*entry, key)) ComboBox1->removeItem(i);
  }
  ComboBox1->addItem(FromCp932(key));
  ComboBox1->setCurrentIndex(ComboBox1->count() - 1);
}

void TfrmFind::ComboBox1Change() {
  if (ComboBox1->currentIndex() >= 0) edtKey->setText(ComboBox1->currentText());
}

void TfrmFind::btnFindClick() {
  const editor_text::TEditorText editor(*editor_);
  // A search text with a character outside code page 932 cannot occur in the text.
  const std::optional<std::string> typed = pelorund::ToCp932(edtKey->text());
  std::string key = typed.value_or(std::string());
  std::string text = editor.Text();
  if (!chkUpperCase->isChecked()) {
    // Letters inside double-byte characters stay as they are: folding them would make "ア" match "ヂ".
    key = pelorund::UpperAscii(key);
    text = pelorund::UpperAscii(text);
  }
  if (typed) AddHistory(key);

  // One character after the caret (or the selection's start), so that the match just found is
  // skipped without starting inside a double-byte character.
  const size_t caret = editor.SelStart();
  size_t p = typed ? pelorund::PosFrom(key, text,
                                       static_cast<int64_t>(caret + 1 + pelorund::CharLengthAt(text, caret)))
                   : 0;
  if (p == 0 && typed) p = pelorund::PosFrom(key, text, 1);
  if (p == 0) {
    const QString shown = typed ? FromCp932(key) : edtKey->text();
    pelorund::ShowMessage(QLatin1Char('"') + shown + QLatin1Char('"') +
                          FromCp932(app_texts::kMsgFindNotFound));
    return;
  }
  editor_text::FocusEditor(*editor_);
  editor.Select(p - 1, key.size());
  close();
}
