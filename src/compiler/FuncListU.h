// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

/// The outcome of a command handler and of a whole compile.
struct TFuncResult {
  bool Ok = true;
  /// The command succeeded but changed one of its values; Message holds the warning text.
  bool Warning = false;
  /// Error text when !Ok, warning text when Warning, the log's end line after a finished compile.
  std::string Message;
  /// 0-based character column and 1-based row of the scanner when an error or warning was logged.
  int Column = 0;
  int Row = 0;
};

/// Binds command words to their handlers. Names compare byte for byte (case-sensitive).
class TFuncList {
 public:
  using THandler = std::function<void(const std::string& word, TFuncResult& result)>;

  struct TFuncItem {
    THandler Handler;
  };

  TFuncList() = default;
  TFuncList(const TFuncList&) = delete;
  TFuncList& operator=(const TFuncList&) = delete;
  virtual ~TFuncList() { ClearHandlers(); }

  /// Binds `name` to a member function of `owner`; a later registration of a name wins.
  template <class T>
  void RegisterCommand(std::string_view name, void (T::*handler)(const std::string&, TFuncResult&), T* owner) {
    RegisterHandler(name, [handler, owner](const std::string& word, TFuncResult& result) {
      (owner->*handler)(word, result);
    });
  }
  void RegisterHandler(std::string_view name, THandler handler);

  /// Calls the handler of `word`; an unknown word sets Ok false with the "undefined command" text.
  /// Changes nothing in `result` on the path through a handler.
  void CallFunc(const std::string& word, TFuncResult& result);

  [[nodiscard]] bool HasCommand(std::string_view name) const { return items_.count(std::string(name)) != 0; }
  [[nodiscard]] size_t CommandCount() const { return items_.size(); }
  void ClearHandlers() { items_.clear(); }

 private:
  std::unordered_map<std::string, std::unique_ptr<TFuncItem>> items_;
};
