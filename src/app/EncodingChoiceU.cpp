// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/EncodingChoiceU.h"

#include <QFileDialog>
#include <QStringList>
#include <typeinfo>

#include "app/AppTexts.h"
#include "app/AppUtilsQt.h"

namespace encoding_choice {

namespace {

using pelorund::TTextEncoding;

TEncodingChooser gBuiltIn;
TEncodingChooser* gChooser = nullptr;

constexpr TTextEncoding kEncodings[] = {TTextEncoding::Cp932, TTextEncoding::Utf8, TTextEncoding::Utf8Bom};

QString Filter(TTextEncoding encoding) {
  switch (encoding) {
    case TTextEncoding::Utf8:
      return pelorund::DialogFilter(app_texts::kFilterSaveUtf8, "*.mml");
    case TTextEncoding::Utf8Bom:
      return pelorund::DialogFilter(app_texts::kFilterSaveUtf8Bom, "*.mml");
    case TTextEncoding::Cp932:
      break;
  }
  return pelorund::DialogFilter(app_texts::kFilterSave, "*.mml");
}

}  // namespace

std::string_view EncodingName(TTextEncoding encoding) {
  switch (encoding) {
    case TTextEncoding::Utf8:
      return app_texts::kEncodingUtf8;
    case TTextEncoding::Utf8Bom:
      return app_texts::kEncodingUtf8Bom;
    case TTextEncoding::Cp932:
      break;
  }
  return app_texts::kEncodingCp932;
}

std::optional<TSaveChoice> TEncodingChooser::SaveFileName(QWidget* parent, const QString& directory,
                                                          TTextEncoding current) {
  pelorund::TUserPrompts& prompts = pelorund::UserPrompts();
  if (typeid(prompts) != typeid(pelorund::TUserPrompts)) {
    // Prompts of someone else's (tests): their file dialog, the encoding kept.
    const QString chosen = prompts.SaveFileName(parent, directory, Filter(TTextEncoding::Cp932), QStringLiteral("mml"));
    if (chosen.isEmpty()) return std::nullopt;
    return TSaveChoice{chosen, current};
  }
  QStringList filters;
  for (TTextEncoding encoding : kEncodings) filters << Filter(encoding);
  QFileDialog dialog(parent, QString(), directory);
  dialog.setNameFilters(filters);
  dialog.selectNameFilter(Filter(current));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDefaultSuffix(QStringLiteral("mml"));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  const qsizetype index = filters.indexOf(dialog.selectedNameFilter());
  const TTextEncoding chosen = index >= 0 ? kEncodings[index] : current;
  return TSaveChoice{dialog.selectedFiles().constFirst(), chosen};
}

void SetEncodingChooser(TEncodingChooser* chooser) { gChooser = chooser; }

TEncodingChooser& EncodingChooser() { return gChooser != nullptr ? *gChooser : gBuiltIn; }

}  // namespace encoding_choice
