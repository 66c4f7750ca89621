// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <string_view>

/// One macro "$name=body;".
struct TMacroListItem {
  size_t Body = 0;       // just after the "=" of the definition
  size_t ReturnTo = 0;   // where ";" continues after the current call
  bool Active = false;   // called and not yet returned
  std::string Caller;    // the macro that was running at the call, restored by ";"
};

/// Macro definitions by name (ASCII case ignored) and the chain of running calls.
class TMacroList {
 public:
  /// Defines (or redefines) `name` with its body at `position`; refused while a macro runs.
  bool Define(size_t position, std::string_view name);
  /// Calls `name`: remembers `position` to return to and moves it to the body.
  bool Jump(size_t& position, std::string_view name);
  /// ";": returns from the running macro to where it was called.
  bool JumpBack(size_t& position);
  [[nodiscard]] int Count() const { return static_cast<int>(items_.size()); }

  std::string Running;  // name of the macro being executed; empty when none runs
  std::string Message;  // text of the last failure

 private:
  std::map<std::string, TMacroListItem> items_;  // keyed by the upper-cased name
};
