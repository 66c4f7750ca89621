// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFont>
#include <QMessageBox>
#include <QString>
#include <exception>
#include <optional>
#include <string>
#include <string_view>

class QWidget;

// The desktop services of the editor (shell open, question boxes, file and font dialogs) and the
// conversion between the core's code page 932 text and Qt's strings.
namespace pelorund {

/// Code page 932 bytes as a QString; bytes that form no character become U+FFFD.
QString FromCp932(std::string_view cp932);
/// The QString as code page 932; nothing when a character has no code page 932 form, and then
/// `badIndex` (when given) receives that character's QString index.
std::optional<std::string> ToCp932(const QString& text, int* badIndex = nullptr);
/// Text that may be either: UTF-8 when it is valid UTF-8, else code page 932.
QString FromUtf8OrCp932(std::string_view text);
/// The message of an exception for a message box (FromUtf8OrCp932 of what()).
QString ErrorText(const std::exception& error);

/// The caption of question boxes without a caption of their own (the main window's title).
void SetAppTitle(const QString& title);
[[nodiscard]] QString AppTitle();

/// Everything that waits for the user or hands work to the desktop. The program uses the Qt
/// dialogs; tests install answers of their own with SetUserPrompts.
class TUserPrompts {
 public:
  virtual ~TUserPrompts() = default;
  /// A question box with a question icon; returns the button chosen.
  virtual QMessageBox::StandardButton Ask(const QString& caption, const QString& text,
                                          QMessageBox::StandardButtons buttons);
  /// An error box.
  virtual void ShowError(const QString& caption, const QString& text);
  /// A plain message box with an OK button.
  virtual void ShowMessage(const QString& caption, const QString& text);
  /// The open dialog; an empty string when cancelled.
  virtual QString OpenFileName(QWidget* parent, const QString& directory, const QString& filter);
  /// The save dialog with `defaultSuffix`, asking before an existing file is replaced; empty when cancelled.
  virtual QString SaveFileName(QWidget* parent, const QString& directory, const QString& filter,
                               const QString& defaultSuffix);
  /// The font dialog offering fixed-pitch fonts; nothing when cancelled.
  virtual std::optional<QFont> ChooseFont(QWidget* parent, const QFont& initial);
  /// Opens a document or web address with the desktop's associated program.
  virtual void OpenTarget(const QString& target);
};

/// Installs `prompts` (not owned; nullptr restores the Qt dialogs).
void SetUserPrompts(TUserPrompts* prompts);
/// The prompts in use.
[[nodiscard]] TUserPrompts& UserPrompts();

/// Asks the desktop to open a file or web address; the outcome is not examined.
void ShellOpen(const QString& target);
/// A plain message captioned with the application title.
void ShowMessage(const QString& text);
/// Yes/No question captioned with the application title; true for Yes.
bool AskYesNo(const QString& text);
/// Yes/No/Cancel question captioned with the application title.
QMessageBox::StandardButton AskYesNoCancel(const QString& text);
/// Yes/No/Cancel question with its own caption.
QMessageBox::StandardButton AskYesNoCancel(const QString& text, const QString& caption);

/// A filter of the form "text|pattern" as a Qt dialog filter, the text shown as it is.
QString DialogFilter(std::string_view cp932Text, const char* pattern);

}  // namespace pelorund
