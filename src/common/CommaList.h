// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace pelorund {

/// Splits a comma list (values of chord.ini and progression.ini). Items are separated by "," or
/// blanks; blanks and control characters around items are skipped; an item that begins with a
/// double quote runs to the closing quote, "" inside standing for one quote; an unquoted item ends
/// at the first blank, control character or ","; a "," as the very last byte adds an empty item.
std::vector<std::string> SplitCommaList(std::string_view text);

}  // namespace pelorund
