// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>

#include "compiler/CompilerU.h"

/// Loads an MML source, code page 932 or UTF-8, into the compiler. Says why on stderr and returns
/// false when the file cannot be read or holds a character code page 932 has no place for.
bool LoadMmlSource(TCompiler& compiler, const std::filesystem::path& file);
