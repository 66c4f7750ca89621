// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "compiler/FuncListU.h"

#include "compiler/CompilerMessages.h"

void TFuncList::RegisterHandler(std::string_view name, THandler handler) {
  items_[std::string(name)] = std::make_unique<TFuncItem>(TFuncItem{std::move(handler)});
}

void TFuncList::CallFunc(const std::string& word, TFuncResult& result) {
  const auto found = items_.find(word);
  if (found == items_.end()) {
    result.Ok = false;
    result.Message = kMsgUndefinedCommand;
    return;
  }
  if (!found->second || !found->second->Handler) {
    result.Ok = false;
    result.Message = kMsgInternalCallFunc;
    return;
  }
  found->second->Handler(word, result);
}
