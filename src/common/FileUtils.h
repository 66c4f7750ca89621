// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace pelorund {

/// The whole file as bytes, or nothing when it cannot be opened or read.
std::optional<std::string> ReadFileBytes(const std::filesystem::path& fileName);

/// Replaces the file atomically: writes a temporary file beside it, then renames it over the old
/// one, so a failed write never damages what was there. Throws std::runtime_error naming the file.
void WriteFileAtomic(const std::filesystem::path& fileName, std::string_view bytes);

}  // namespace pelorund
