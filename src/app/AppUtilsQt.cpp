// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AppUtilsQt.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFontDialog>
#include <QUrl>

#include "common/TextCodec.h"

namespace pelorund {

namespace {

QString gAppTitle;
TUserPrompts gQtPrompts;
TUserPrompts* gPrompts = nullptr;

bool IsValidUtf8(std::string_view text) {
  size_t i = 0;
  while (i < text.size()) {
    const auto b = static_cast<unsigned char>(text[i]);
    size_t extra = 0;
    if (b < 0x80) {
      extra = 0;
    } else if (b >= 0xC2 && b <= 0xDF) {
      extra = 1;
    } else if (b >= 0xE0 && b <= 0xEF) {
      extra = 2;
    } else if (b >= 0xF0 && b <= 0xF4) {
      extra = 3;
    } else {
      return false;
    }
    if (text.size() - i <= extra) return false;
    for (size_t k = 1; k <= extra; ++k) {
      if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
    }
    i += extra + 1;
  }
  return true;
}

}  // namespace

QString FromCp932(std::string_view cp932) { return QString::fromStdString(Cp932ToUtf8(cp932)); }

std::optional<std::string> ToCp932(const QString& text, int* badIndex) {
  const QByteArray utf8 = text.toUtf8();
  size_t badOffset = 0;
  std::optional<std::string> cp932 = Utf8ToCp932(std::string_view(utf8.constData(), static_cast<size_t>(utf8.size())),
                                                 &badOffset);
  if (!cp932 && badIndex != nullptr) {
    *badIndex = static_cast<int>(QString::fromUtf8(utf8.constData(), static_cast<qsizetype>(badOffset)).size());
  }
  return cp932;
}

QString FromUtf8OrCp932(std::string_view text) {
  return IsValidUtf8(text) ? QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())) : FromCp932(text);
}

QString ErrorText(const std::exception& error) { return FromUtf8OrCp932(error.what()); }

void SetAppTitle(const QString& title) { gAppTitle = title; }

QString AppTitle() { return gAppTitle; }

QMessageBox::StandardButton TUserPrompts::Ask(const QString& caption, const QString& text,
                                              QMessageBox::StandardButtons buttons) {
  QString shown = text;
  QMessageBox box(QMessageBox::Question, caption, shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n")), buttons);
  return static_cast<QMessageBox::StandardButton>(box.exec());
}

void TUserPrompts::ShowError(const QString& caption, const QString& text) {
  QMessageBox box(QMessageBox::Critical, caption, text, QMessageBox::Ok);
  box.exec();
}

void TUserPrompts::ShowMessage(const QString& caption, const QString& text) {
  QString shown = text;
  QMessageBox box(QMessageBox::NoIcon, caption, shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n")),
                  QMessageBox::Ok);
  box.exec();
}

QString TUserPrompts::OpenFileName(QWidget* parent, const QString& directory, const QString& filter) {
  return QFileDialog::getOpenFileName(parent, QString(), directory, filter);
}

QString TUserPrompts::SaveFileName(QWidget* parent, const QString& directory, const QString& filter,
                                   const QString& defaultSuffix) {
  QFileDialog dialog(parent, QString(), directory, filter);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDefaultSuffix(defaultSuffix);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().constFirst();
}

std::optional<QFont> TUserPrompts::ChooseFont(QWidget* parent, const QFont& initial) {
  bool ok = false;
  const QFont font = QFontDialog::getFont(&ok, initial, parent, QString(), QFontDialog::MonospacedFonts);
  if (!ok) return std::nullopt;
  return font;
}

void TUserPrompts::OpenTarget(const QString& target) {
  QDesktopServices::openUrl(QUrl::fromUserInput(target, QDir::currentPath(), QUrl::AssumeLocalFile));
}

void SetUserPrompts(TUserPrompts* prompts) { gPrompts = prompts; }

TUserPrompts& UserPrompts() { return gPrompts != nullptr ? *gPrompts : gQtPrompts; }

void ShellOpen(const QString& target) { UserPrompts().OpenTarget(target); }

void ShowMessage(const QString& text) { UserPrompts().ShowMessage(AppTitle(), text); }

bool AskYesNo(const QString& text) {
  return UserPrompts().Ask(AppTitle(), text, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

QMessageBox::StandardButton AskYesNoCancel(const QString& text) { return AskYesNoCancel(text, AppTitle()); }

QMessageBox::StandardButton AskYesNoCancel(const QString& text, const QString& caption) {
  return UserPrompts().Ask(caption, text, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
}

QString DialogFilter(std::string_view cp932Text, const char* pattern) {
  // Qt reads the patterns from the last parentheses; the text itself stays as it is.
  const QString text = FromCp932(cp932Text);
  const QString patterns = QLatin1Char('(') + QString::fromLatin1(pattern) + QLatin1Char(')');
  return text.endsWith(patterns) ? text : text + QLatin1Char(' ') + patterns;
}

}  // namespace pelorund

