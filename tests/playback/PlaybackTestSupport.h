// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Standard MIDI File images written byte by byte, and recorded messages as short hex text, so a
// playback test states its input and its expected output in one readable place.

#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <span>
#include <string>
#include <vector>

#include "common/TextCodec.h"
#include "playback/recording_backend.h"

namespace playback_test {

/// The bytes of a literal, zero bytes included (the closing zero left out).
template <size_t N>
std::string B(const char (&literal)[N]) {
  return std::string(literal, N - 1);
}

inline std::string Be(uint32_t value, int bytes) {
  std::string out;
  for (int i = bytes - 1; i >= 0; --i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
  return out;
}

/// A track chunk around `events` (delta times included), its length taken from them.
inline std::string Track(const std::string& events) {
  return "MTrk" + Be(static_cast<uint32_t>(events.size()), 4) + events;
}

/// A header chunk; `headerLength` is what the length field claims (the chunk holds 6 bytes).
inline std::string Header(int format, int tracks, int division, uint32_t headerLength = 6) {
  return "MThd" + Be(headerLength, 4) + Be(static_cast<uint32_t>(format), 2) +
         Be(static_cast<uint32_t>(tracks), 2) + Be(static_cast<uint32_t>(division), 2);
}

/// A whole file of the given tracks' event bytes.
inline std::string Smf(int format, int division, std::initializer_list<std::string> tracks) {
  std::string out = Header(format, static_cast<int>(tracks.size()), division);
  for (const std::string& track : tracks) out += Track(track);
  return out;
}

inline std::span<const uint8_t> Bytes(const std::string& bytes) {
  return {reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()};
}

/// "90 3C 64" for a message's bytes.
inline std::string Hex(const std::vector<uint8_t>& bytes) {
  std::string out;
  char byte[4];
  for (size_t i = 0; i < bytes.size(); ++i) {
    std::snprintf(byte, sizeof byte, "%s%02X", i ? " " : "", bytes[i]);
    out += byte;
  }
  return out;
}

/// The messages' bytes, one "90 3C 64" line each.
inline std::vector<std::string> Lines(const std::vector<TRecordedMessage>& messages) {
  std::vector<std::string> out;
  for (const TRecordedMessage& message : messages) out.push_back(Hex(message.Bytes));
  return out;
}

/// Code page 932 bytes of a UTF-8 text, for comparing messages.
inline std::string Cp932(const std::string& utf8) { return pelorund::Utf8ToCp932(utf8).value(); }

}  // namespace playback_test
