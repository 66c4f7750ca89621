// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/AppUtils.h"

#include <fcntl.h>
#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <system_error>

namespace pelorund {

namespace {

// True when a file can be created (and removed again) in `dir`.
bool IsWritableDir(const std::filesystem::path& dir) {
  const std::filesystem::path probe = dir / (".pelorund-probe-" + std::to_string(::getpid()));
  const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  ::close(fd);
  return ::unlink(probe.c_str()) == 0;
}

std::filesystem::path HomeDir() {
  const char* home = std::getenv("HOME");
  if (home != nullptr && *home != '\0') return home;
  const passwd* entry = ::getpwuid(::getuid());
  if (entry != nullptr && entry->pw_dir != nullptr) return entry->pw_dir;
  return {};
}

}  // namespace

std::filesystem::path GetAppDir() {
  std::error_code ec;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (!ec && exe.has_parent_path()) return exe.parent_path();
  std::filesystem::path current = std::filesystem::current_path(ec);
  return ec ? std::filesystem::path(".") : current;
}

std::filesystem::path FindDataFile(std::string_view name) {
  const std::filesystem::path appDir = GetAppDir();
  const std::filesystem::path local = appDir / name;
  std::error_code ec;
  if (std::filesystem::exists(local, ec)) return local;
  const std::filesystem::path installed = (appDir / ".." / "share" / "pelorund" / name).lexically_normal();
  if (std::filesystem::exists(installed, ec)) return installed;
  return local;
}

std::filesystem::path WritableAppDir() {
  const std::filesystem::path appDir = GetAppDir();
  if (IsWritableDir(appDir)) return appDir;

  std::filesystem::path base;
  // XDG asks to ignore a relative XDG_DATA_HOME.
  const char* xdg = std::getenv("XDG_DATA_HOME");
  if (xdg != nullptr && *xdg != '\0' && std::filesystem::path(xdg).is_absolute()) {
    base = xdg;
  } else {
    const std::filesystem::path home = HomeDir();
    if (home.empty()) return appDir;
    base = home / ".local" / "share";
  }
  const std::filesystem::path dir = base / "pelorund";
  // A failure here surfaces when a file is written there, with that file's name.
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  return dir;
}

}  // namespace pelorund
