// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string_view>

// The messages of the player and of offline rendering (code page 932).
namespace smf_play_texts {

// MIDIポートが開けません。
inline constexpr std::string_view kPortUnavailable =
    "\x4d\x49\x44\x49\x83\x7c\x81\x5b\x83\x67\x82\xaa\x8a\x4a\x82\xaf\x82\xdc\x82\xb9"
    "\x82\xf1\x81\x42";

// 曲が長すぎます。
inline constexpr std::string_view kSongTooLong =
    "\x8b\xc8\x82\xaa\x92\xb7\x82\xb7\x82\xac\x82\xdc\x82\xb7\x81\x42";

// WAVファイルを書き込めません:
inline constexpr std::string_view kWavUnwritable =
    "\x57\x41\x56\x83\x74\x83\x40\x83\x43\x83\x8b\x82\xf0\x8f\x91\x82\xab\x8d\x9e\x82"
    "\xdf\x82\xdc\x82\xb9\x82\xf1\x3a\x20";

}  // namespace smf_play_texts
