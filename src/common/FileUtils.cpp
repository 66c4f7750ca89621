// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/FileUtils.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <system_error>

namespace pelorund {

namespace {

[[noreturn]] void ThrowWriteError(const std::filesystem::path& fileName, const std::string& reason) {
  throw std::runtime_error("Cannot write \"" + fileName.string() + "\": " + reason);
}

// A name beside the target that no other writer (process or thread) picks at the same time.
std::filesystem::path TemporaryNameFor(const std::filesystem::path& fileName) {
  static thread_local std::mt19937_64 engine{std::random_device{}()};
  std::ostringstream suffix;
  suffix << ".tmp-" << ::getpid() << "-" << std::hex << engine();
  std::filesystem::path temp = fileName;
  temp += suffix.str();
  return temp;
}

// Writes all bytes to the open descriptor; returns 0 or the errno of the failure.
int WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    bytes.remove_prefix(static_cast<size_t>(written));
  }
  return 0;
}

}  // namespace

std::optional<std::string> ReadFileBytes(const std::filesystem::path& fileName) {
  std::error_code ec;
  if (std::filesystem::is_directory(fileName, ec)) return std::nullopt;
  std::ifstream in(fileName, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream bytes;
  bytes << in.rdbuf();
  if (in.bad()) return std::nullopt;
  return std::move(bytes).str();
}

void WriteFileAtomic(const std::filesystem::path& fileName, std::string_view bytes) {
  const std::filesystem::path temp = TemporaryNameFor(fileName);
  // O_EXCL: never write through a file (or link) that is already there.
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) ThrowWriteError(fileName, std::strerror(errno));

  // A replaced file keeps its permissions.
  struct stat old {};
  int error = 0;
  if (::stat(fileName.c_str(), &old) == 0 && ::fchmod(fd, old.st_mode & 07777) != 0) error = errno;
  if (error == 0) error = WriteAll(fd, bytes);
  if (error == 0 && ::fsync(fd) != 0) error = errno;
  if (::close(fd) != 0 && error == 0) error = errno;
  if (error != 0) {
    std::error_code ignored;
    std::filesystem::remove(temp, ignored);
    ThrowWriteError(fileName, std::strerror(error));
  }

  std::error_code ec;
  std::filesystem::rename(temp, fileName, ec);
  if (ec) {
    std::error_code ignored;
    std::filesystem::remove(temp, ignored);
    ThrowWriteError(fileName, ec.message());
  }
}

}  // namespace pelorund
