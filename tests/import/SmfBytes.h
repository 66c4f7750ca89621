// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Builds small Standard MIDI Files for the import tests from readable hexadecimal text, so a test
// shows every byte of its input.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace smf_bytes {

/// The bytes of hexadecimal pairs separated by blanks: Hex("00 90 3C 64").
inline std::string Hex(std::string_view text) {
  std::string bytes;
  auto digit = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    throw std::invalid_argument("not a hexadecimal digit");
  };
  for (size_t i = 0; i < text.size();) {
    if (text[i] == ' ') {
      ++i;
      continue;
    }
    if (i + 1 >= text.size()) throw std::invalid_argument("odd number of hexadecimal digits");
    bytes += static_cast<char>(digit(text[i]) * 16 + digit(text[i + 1]));
    i += 2;
  }
  return bytes;
}

/// A 16- or 32-bit number, most significant byte first.
inline std::string BigEndian(uint32_t value, int bytes) {
  std::string out;
  for (int i = bytes - 1; i >= 0; --i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
  return out;
}

/// A variable-length quantity.
inline std::string VarLen(uint32_t value) {
  std::string out(1, static_cast<char>(value & 0x7F));
  while ((value >>= 7) != 0) out.insert(out.begin(), static_cast<char>(0x80 | (value & 0x7F)));
  return out;
}

/// A chunk: the tag, the body's length and the body.
inline std::string Chunk(std::string_view tag, std::string_view body) {
  return std::string(tag) + BigEndian(static_cast<uint32_t>(body.size()), 4) + std::string(body);
}

/// The header chunk with the declared number of tracks (which need not match what follows).
inline std::string Header(int tracks, int division, int format = 1) {
  return Chunk("MThd", BigEndian(format, 2) + BigEndian(tracks, 2) + BigEndian(division, 2));
}

/// A whole file: the header and one "MTrk" chunk per body, bodies given in hexadecimal text.
inline std::string Smf(int division, const std::vector<std::string>& trackBodies) {
  std::string file = Header(static_cast<int>(trackBodies.size()), division, trackBodies.size() == 1 ? 0 : 1);
  for (const std::string& body : trackBodies) file += Chunk("MTrk", Hex(body));
  return file;
}

}  // namespace smf_bytes
