// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

// Exit statuses shared by every command.
inline constexpr int kExitOk = 0;
inline constexpr int kExitCompileError = 1;
inline constexpr int kExitUsage = 2;  // also file-system errors
inline constexpr int kExitInterrupted = 130;  // play stopped by Ctrl+C (SIGINT) or SIGTERM

/// pelorund-cli compile SOURCE.mml [-o OUT.mid] [--chord-ini FILE] [--log FILE]
int RunCompileCommand(const std::vector<std::string>& args);

/// pelorund-cli import IN.mid [-o OUT.mml|-] [--bend] [--mix-volume] [--direct-velocity]
///                     [--reverse-octave] [--controls-ini FILE]
int RunImportCommand(const std::vector<std::string>& args);

/// pelorund-cli devices
int RunDevicesCommand(const std::vector<std::string>& args);

/// pelorund-cli play FILE.mml|FILE.mid [--device N|NAME] [--from TICK]
int RunPlayCommand(const std::vector<std::string>& args);

/// pelorund-cli render FILE.mml|FILE.mid -o OUT.wav [--soundfont FILE.sf2]
int RunRenderCommand(const std::vector<std::string>& args);
