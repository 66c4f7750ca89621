// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/frmWarningU.h"

#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <optional>
#include <string>

#include "app/AppTexts.h"
#include "app/AppUtilsQt.h"
#include "app/DocumentTextU.h"
#include "common/FileUtils.h"

TfrmWarning::TfrmWarning(QWidget* owner) : QDialog(owner) {
  setWindowTitle(pelorund::FromCp932(app_texts::kWarningCaption));
  setModal(false);
  Memo1 = new QPlainTextEdit(this);
  Memo1->setReadOnly(true);
  Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
  Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  btnOK = new QPushButton(pelorund::FromCp932(app_texts::kClose), this);
  connect(btnOK, &QPushButton::clicked, this, &TfrmWarning::btnOKClick);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(btnOK);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Memo1);
  layout->addLayout(buttons);
  resize(410, 223);
}

void TfrmWarning::LoadLog(const std::filesystem::path& fileName) {
  Memo1->clear();
  const std::optional<std::string> bytes = pelorund::ReadFileBytes(fileName);
  if (!bytes) return;
  QStringList lines;
  for (const std::string& line : doc_text::SplitLines(*bytes)) lines << pelorund::FromCp932(line);
  Memo1->setPlainText(lines.join(QLatin1Char('\n')));
}

void TfrmWarning::btnOKClick() { close(); }
