// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string_view>
#include <vector>

// The token rules of the editor's MML colouring, free of any editor control.
namespace pelorund {

/// The colour classes of MML text.
enum class TTokenKind { Ank, Comment, DBCS, Int, Str, Symbol, Macro, Chord, Brace };

/// One coloured stretch of a line, in characters (a double-byte character counts one).
struct TToken {
  int start;
  int length;
  TTokenKind kind;
};

/// Appends the tokens of one line (code page 932, without its line break) to `out`; `inBrace`
/// says whether an earlier line left a brace comment open. Blanks and tabs get no token.
/// Returns whether the line ends inside a brace comment.
bool TokenizeLine(std::string_view cp932Line, bool inBrace, std::vector<TToken>& out);

}  // namespace pelorund
