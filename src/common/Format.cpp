// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/Format.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace pelorund {

namespace {

// Turns every "x" conversion into "X"; flags, width, precision and length stay as they are.
std::string UpperHexConversions(const char* format) {
  std::string result(format);
  size_t pos = 0;
  while ((pos = result.find('%', pos)) != std::string::npos) {
    ++pos;
    if (pos < result.size() && result[pos] == '%') {
      ++pos;
      continue;
    }
    // Skip flags, width, precision and length modifiers up to the conversion letter.
    while (pos < result.size() && std::strchr("-+ #0123456789.*'hlLqjzt", result[pos]) != nullptr) ++pos;
    if (pos < result.size() && result[pos] == 'x') result[pos] = 'X';
  }
  return result;
}

}  // namespace

std::string Format(const char* format, ...) {
  const std::string fmt = UpperHexConversions(format);
  va_list args;
  va_start(args, format);
  va_list copy;
  va_copy(copy, args);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
  const int length = std::vsnprintf(nullptr, 0, fmt.c_str(), copy);
  va_end(copy);
  std::string result;
  if (length > 0) {
    result.resize(static_cast<size_t>(length));
    // The buffer of a std::string has room for the terminating zero vsnprintf writes.
    std::vsnprintf(result.data(), result.size() + 1, fmt.c_str(), args);
  }
#pragma GCC diagnostic pop
  va_end(args);
  return result;
}

}  // namespace pelorund
