// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

// Exit statuses shared by every command.
inline constexpr int kExitOk = 0;
inline constexpr int kExitCompileError = 1;
inline constexpr int kExitUsage = 2;  // also file-system errors

/// pelorund-cli compile SOURCE.mml [-o OUT.mid] [--chord-ini FILE] [--log FILE]
int RunCompileCommand(const std::vector<std::string>& args);
