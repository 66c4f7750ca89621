// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/frmHelpU.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextCursor>
#include <QUrl>
#include <QVBoxLayout>
#include <optional>
#include <string>

#include "app/AppTexts.h"
#include "app/AppUtilsQt.h"
#include "common/FileUtils.h"

TfrmHelp::TfrmHelp(QWidget* owner) : QDialog(owner) {
  setWindowTitle(pelorund::FromCp932(app_texts::kHelpCaption));
  setModal(false);
  Browser = new QTextBrowser(this);
  Browser->setOpenLinks(false);
  connect(Browser, &QTextBrowser::anchorClicked, this, &TfrmHelp::LinkClicked);
  btnOK = new QPushButton(pelorund::FromCp932(app_texts::kClose), this);
  connect(btnOK, &QPushButton::clicked, this, &QDialog::close);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(btnOK);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Browser);
  layout->addLayout(buttons);
  resize(720, 560);
}

namespace {

// The link name of a heading: lower case, blanks as "-", other signs dropped.
QString HeadingAnchor(const QString& heading) {
  QString anchor;
  for (const QChar c : heading.trimmed().toLower()) {
    if (c.isLetterOrNumber() || c == QLatin1Char('-') || c == QLatin1Char('_')) {
      anchor += c;
    } else if (c == QLatin1Char(' ')) {
      anchor += QLatin1Char('-');
    }
  }
  return anchor;
}

}  // namespace

bool TfrmHelp::ShowHeading(const QString& anchor) {
  for (QTextBlock block = Browser->document()->begin(); block.isValid(); block = block.next()) {
    if (block.blockFormat().headingLevel() > 0 && HeadingAnchor(block.text()) == anchor) {
      QTextCursor cursor(block);
      Browser->setTextCursor(cursor);
      // Put the heading at the top rather than just into view.
      Browser->moveCursor(QTextCursor::End);
      Browser->setTextCursor(cursor);
      return true;
    }
  }
  return false;
}

void TfrmHelp::LinkClicked(const QUrl& link) {
  if (link.isRelative() && link.path().isEmpty() && link.hasFragment()) {
    ShowHeading(link.fragment());
  } else if (link.isRelative()) {
    pelorund::ShellOpen(QString::fromStdString((manualDir_ / link.path().toStdString()).lexically_normal().string()));
  } else {
    pelorund::ShellOpen(link.toString());
  }
}

void TfrmHelp::LoadManual(const std::filesystem::path& fileName) {
  manualDir_ = fileName.parent_path();
  const std::optional<std::string> bytes = pelorund::ReadFileBytes(fileName);
  if (!bytes) {
    Browser->setPlainText(pelorund::FromCp932(app_texts::kMsgNoManual));
    return;
  }
  Browser->setMarkdown(pelorund::FromUtf8OrCp932(*bytes));
}
