// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/frmChordU.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "app/AppTexts.h"
#include "app/AppUtilsQt.h"
#include "app/EditorTextU.h"
#include "common/InputTextU.h"

using pelorund::FromCp932;

TfrmChord::TfrmChord(QWidget* owner, QsciScintilla* editor, const std::filesystem::path& progressionIni)
    : TToolWindow(owner, TCentre::Owner), ini_(progressionIni), editor_(editor) {
  setWindowTitle(FromCp932(app_texts::kMenuProgression));
  cmbType = new QComboBox(this);
  cmbChord = new QComboBox(this);
  cmbChord->setFixedWidth(450);
  Comment = new QLabel(this);
  Comment->setTextFormat(Qt::PlainText);
  RootKey = new TRadioGroup(
      FromCp932(app_texts::kChordRootGroup),
      {QStringLiteral("C"), QStringLiteral("C# / Db"), QStringLiteral("D"), QStringLiteral("D# / Eb"),
       QStringLiteral("E"), QStringLiteral("F"), QStringLiteral("F# / Gb"), QStringLiteral("G"),
       QStringLiteral("G# / Ab"), QStringLiteral("A"), QStringLiteral("A# / Bb"), QStringLiteral("B")},
      4, this);
  cmbFlag = new TRadioGroup(FromCp932(app_texts::kChordMarkGroup),
                            {QStringLiteral("+"), QStringLiteral("#"), QStringLiteral("-")}, 3, this);
  btnOK = new QPushButton(FromCp932(app_texts::kWrite), this);
  btnCancel = new QPushButton(FromCp932(app_texts::kCancel), this);
  for (QPushButton* button : {btnOK, btnCancel}) button->setAutoDefault(false);

  connect(cmbType, &QComboBox::currentIndexChanged, this, &TfrmChord::cmbTypeChange);
  connect(btnOK, &QPushButton::clicked, this, &TfrmChord::btnOKClick);
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::close);

  auto* comment = new QHBoxLayout;
  comment->addWidget(new QLabel(FromCp932(app_texts::kChordComment), this));
  comment->addWidget(Comment, 1);
  auto* buttons = new QVBoxLayout;
  buttons->addStretch();
  buttons->addWidget(btnOK);
  buttons->addWidget(btnCancel);
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(RootKey, 1);
  bottom->addWidget(cmbFlag, 0, Qt::AlignBottom);
  bottom->addLayout(buttons);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(cmbType, 0, Qt::AlignLeft);
  layout->addWidget(cmbChord, 0, Qt::AlignLeft);
  layout->addLayout(comment);
  layout->addLayout(bottom);
  resize(519, 204);

  // FormCreate: the categories in file order, the first one chosen.
  {
    const QSignalBlocker blocker(cmbType);
    for (const std::string& section : ini_.SectionNames()) {
      sections_.push_back(section);
      cmbType->addItem(FromCp932(section));
    }
    if (cmbType->count() > 0) cmbType->setCurrentIndex(0);
  }
  cmbType->setMinimumContentsLength(20);
  cmbTypeChange();
}

void TfrmChord::cmbTypeChange() {
  const int chosen = cmbType->currentIndex();
  const std::string section = chosen >= 0 ? sections_[static_cast<size_t>(chosen)] : std::string();
  const input_text::TProgressionCategory category = input_text::ReadProgressionCategory(ini_, section);
  Comment->setText(FromCp932(category.Comment));
  cmbChord->clear();
  templates_.clear();
  for (const input_text::TProgression& entry : category.Entries) {
    cmbChord->addItem(FromCp932(entry.Name));
    templates_.push_back(entry.Template);
  }
  if (cmbChord->count() > 0) cmbChord->setCurrentIndex(0);
}

void TfrmChord::btnOKClick() {
  const int chosen = cmbChord->currentIndex();
  if (chosen < 0 || static_cast<size_t>(chosen) >= templates_.size()) return;
  const std::string text = input_text::FillTemplate(templates_[static_cast<size_t>(chosen)],
                                                    RootKey->ItemIndex(), cmbFlag->ItemIndex());
  // An empty template ("登録なし") writes nothing, so it does not delete a selection either.
  if (!text.empty()) editor_text::InsertAtCaret(*editor_, FromCp932(text));
  editor_text::FocusEditor(*editor_);
}
