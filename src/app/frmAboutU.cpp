// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/frmAboutU.h"

#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/AppTexts.h"
#include "app/AppUtilsQt.h"

namespace {

constexpr const char* kProjectAddress = "https://www.gnu.org/licenses/gpl-3.0.html";

}  // namespace

TLinkLabel::TLinkLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
  setCursor(Qt::PointingHandCursor);
  QFont underlined = font();
  underlined.setUnderline(true);
  setFont(underlined);
  QPalette palette = this->palette();
  palette.setColor(QPalette::WindowText, Qt::red);
  setPalette(palette);
}

void TLinkLabel::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) pelorund::ShellOpen(text());
  QLabel::mouseReleaseEvent(event);
}

TfrmAbout::TfrmAbout(QWidget* owner) : QDialog(owner) {
  setWindowTitle(pelorund::FromCp932(app_texts::kAboutCaption));
  setModal(false);
  lblName = new QLabel(QStringLiteral("Pelorund %1").arg(QStringLiteral(PELORUND_VERSION)), this);
  QFont large = lblName->font();
  large.setPointSizeF(large.pointSizeF() * 1.6);
  large.setBold(true);
  lblName->setFont(large);
  lblCredit = new QLabel(pelorund::FromCp932(app_texts::kAboutCredit) +
                             QStringLiteral("\nCopyright (C) Pelorund contributors, GPL-3.0-or-later"),
                         this);
  lblLink = new TLinkLabel(QString::fromLatin1(kProjectAddress), this);
  btnOK = new QPushButton(pelorund::FromCp932(app_texts::kClose), this);
  connect(btnOK, &QPushButton::clicked, this, &QDialog::close);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(btnOK);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(lblName);
  layout->addWidget(lblCredit);
  layout->addWidget(lblLink);
  layout->addStretch();
  layout->addLayout(buttons);
}
