// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#include <QApplication>

#include "app/MmlcplEditorU.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Pelorund"));
  TfrmMmlcplEditor window(QApplication::arguments().mid(1));
  window.show();
  return QApplication::exec();
}
