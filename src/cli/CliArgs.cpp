// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CliArgs.h"

#include <algorithm>
#include <stdexcept>

TCliArgs ParseCliArgs(const std::vector<std::string>& args, std::initializer_list<std::string> valueOptions,
                      std::initializer_list<std::string> flags, const std::string& fileWhat) {
  auto listed = [](std::initializer_list<std::string> names, const std::string& arg) {
    return std::find(names.begin(), names.end(), arg) != names.end();
  };
  TCliArgs parsed;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (listed(valueOptions, arg)) {
      if (i + 1 >= args.size()) throw std::invalid_argument("option " + arg + " needs a value");
      parsed.Values[arg] = args[++i];
    } else if (listed(flags, arg)) {
      parsed.Flags.insert(arg);
    } else if (arg.size() > 1 && arg[0] == '-') {
      throw std::invalid_argument("unknown option " + arg);
    } else if (parsed.File.empty()) {
      parsed.File = arg;
    } else {
      throw std::invalid_argument("more than one " + fileWhat + ": " + arg);
    }
  }
  if (parsed.File.empty()) throw std::invalid_argument("no " + fileWhat + " given");
  return parsed;
}
