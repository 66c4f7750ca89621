// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "mml/MacroListU.h"

#include "common/Cp932.h"
#include "compiler/CompilerMessages.h"

bool TMacroList::Define(size_t position, std::string_view name) {
  if (!Running.empty()) {
    Message = kMsgDefineWhileRunning;
    return false;
  }
  items_[pelorund::UpperAscii(name)] = TMacroListItem{position, 0, false, {}};
  return true;
}

bool TMacroList::Jump(size_t& position, std::string_view name) {
  const auto found = items_.find(pelorund::UpperAscii(name));
  if (found == items_.end()) {
    Message = kMsgUndefinedMacro;
    return false;
  }
  TMacroListItem& macro = found->second;
  if (macro.Active) {  // catches direct and indirect recursion
    Message = kMsgRecursiveMacro;
    return false;
  }
  macro.ReturnTo = position;
  macro.Active = true;
  macro.Caller = Running;
  Running = found->first;
  position = macro.Body;
  return true;
}

bool TMacroList::JumpBack(size_t& position) {
  const auto found = Running.empty() ? items_.end() : items_.find(Running);
  if (found == items_.end()) {
    Message = kMsgNoRunningMacro;
    return false;
  }
  TMacroListItem& macro = found->second;
  macro.Active = false;
  Running = macro.Caller;
  position = macro.ReturnTo;
  return true;
}
