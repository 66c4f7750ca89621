// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <string_view>

namespace pelorund {

/// The directory of the running executable.
std::filesystem::path GetAppDir();

/// A vocabulary or data file: the program directory's, else ../share/pelorund/ beside it
/// (an installed program); the program directory's path when neither exists.
std::filesystem::path FindDataFile(std::string_view name);

/// Where the program writes its own files (settings, logs, backups): the program directory when
/// it is writable, else $XDG_DATA_HOME/pelorund (default ~/.local/share/pelorund), created on demand.
std::filesystem::path WritableAppDir();

}  // namespace pelorund
