// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace pelorund {

/// printf-style formatting whose hexadecimal digits are always upper case, also for "%x".
/// Width right-aligns with blanks; a precision on an integer pads with zeros ("%.3d" of 5 is "005").
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace pelorund
