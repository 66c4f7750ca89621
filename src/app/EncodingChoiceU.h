// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <optional>
#include <string_view>

#include "common/DocumentEncoding.h"

class QWidget;

// The encoding of the document: its name in the status bar and its choice in the save dialog.
namespace encoding_choice {

/// The encoding's name for the status bar (code page 932).
std::string_view EncodingName(pelorund::TTextEncoding encoding);

/// A file name and the encoding to save it in.
struct TSaveChoice {
  QString FileName;
  pelorund::TTextEncoding Encoding = pelorund::TTextEncoding::Cp932;
};

/// The save dialog of "名前を付けて保存". The program's offers one filter per encoding (the
/// first, "ソースファイル(*.mml)", is code page 932), `current` chosen to begin with. While other
/// prompts than the Qt dialogs are installed (tests), it asks their SaveFileName and keeps `current`.
class TEncodingChooser {
 public:
  virtual ~TEncodingChooser() = default;
  /// Nothing when cancelled.
  virtual std::optional<TSaveChoice> SaveFileName(QWidget* parent, const QString& directory,
                                                  pelorund::TTextEncoding current);
};

/// Installs `chooser` (not owned; nullptr restores the built-in one).
void SetEncodingChooser(TEncodingChooser* chooser);
/// The chooser in use.
[[nodiscard]] TEncodingChooser& EncodingChooser();

}  // namespace encoding_choice
