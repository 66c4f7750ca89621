// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ToolWindowU.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QRadioButton>
#include <QScreen>
#include <QShowEvent>
#include <algorithm>

TToolWindow::TToolWindow(QWidget* owner, TCentre centre, bool closeIconOnly)
    : QDialog(owner), centre_(centre) {
  setModal(false);
  if (closeIconOnly) {
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  }
}

void TToolWindow::Open() {
  show();
  raise();
  activateWindow();
}

void TToolWindow::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!event->spontaneous()) {
    QRect area;
    if (centre_ == TCentre::Owner && parentWidget() != nullptr) {
      area = parentWidget()->window()->frameGeometry();
    } else if (const QScreen* desktop = screen()) {
      area = desktop->availableGeometry();
    }
    if (area.isValid()) {
      QRect frame = frameGeometry();
      frame.moveCenter(area.center());
      move(frame.topLeft());
    }
    emit Shown();
  }
}

TRadioGroup::TRadioGroup(const QString& caption, const QStringList& items, int columns, QWidget* parent)
    : QGroupBox(caption, parent), group_(new QButtonGroup(this)) {
  auto* layout = new QGridLayout(this);
  layout->setContentsMargins(6, 2, 6, 2);
  layout->setVerticalSpacing(0);
  columns = std::max(columns, 1);
  for (int i = 0; i < items.size(); ++i) {
    auto* button = new QRadioButton(items[i], this);
    group_->addButton(button, i);
    layout->addWidget(button, i / columns, i % columns);
    buttons_.push_back(button);
  }
  SetItemIndex(0);
  connect(group_, &QButtonGroup::idClicked, this, &TRadioGroup::Clicked);
}

int TRadioGroup::ItemIndex() const { return group_->checkedId(); }

void TRadioGroup::SetItemIndex(int index) {
  if (QRadioButton* button = Button(index)) button->setChecked(true);
}

QRadioButton* TRadioGroup::Button(int index) const {
  return index >= 0 && static_cast<size_t>(index) < buttons_.size() ? buttons_[static_cast<size_t>(index)]
                                                                    : nullptr;
}
