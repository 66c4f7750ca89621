// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CliSource.h"

#include <cstdio>
#include <optional>
#include <string>
#include <system_error>

#include "common/DocumentEncoding.h"
#include "common/FileUtils.h"
#include "common/SourceText.h"

namespace fs = std::filesystem;

bool LoadMmlSource(TCompiler& compiler, const fs::path& file) {
  std::error_code ec;
  const std::optional<std::string> bytes = fs::is_directory(file, ec) ? std::nullopt : pelorund::ReadFileBytes(file);
  const pelorund::TTextEncoding encoding = bytes ? pelorund::DetectEncoding(*bytes) : pelorund::TTextEncoding::Cp932;
  if (!bytes || (encoding == pelorund::TTextEncoding::Cp932 && !compiler.LoadSource(file))) {
    std::fprintf(stderr, "pelorund-cli: cannot read source file '%s'\n", file.c_str());
    return false;
  }
  if (encoding == pelorund::TTextEncoding::Cp932) return true;
  // A UTF-8 source is compiled as the code page 932 text it stands for; a character that code
  // page has no place for stops here, by its place, rather than becoming a "?".
  pelorund::TSourceText text;
  if (!text.Convert(pelorund::DocumentToUtf8(*bytes, encoding))) {
    std::fprintf(stderr,
                 "pelorund-cli: '%s' line %d, column %d: the character there has no Shift-JIS (code page 932) form\n",
                 file.c_str(), text.BadPlace.Row, text.BadPlace.Column);
    return false;
  }
  compiler.SetSource(text.Cp932());
  return true;
}
