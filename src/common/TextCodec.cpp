// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/TextCodec.h"

#include <iconv.h>

#include <cerrno>

namespace pelorund {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

// One iconv conversion descriptor, closed when it goes out of scope.
class TIconv {
 public:
  TIconv(const char* to, const char* from) : handle_(iconv_open(to, from)) {}
  ~TIconv() {
    if (Valid()) iconv_close(handle_);
  }
  TIconv(const TIconv&) = delete;
  TIconv& operator=(const TIconv&) = delete;

  [[nodiscard]] bool Valid() const { return handle_ != reinterpret_cast<iconv_t>(-1); }

  // Converts as much of `in` as it can, appending to `out`; advances `in` past what was converted.
  // Returns 0 when all was converted, else the errno that stopped it (EILSEQ or EINVAL).
  int Convert(std::string_view& in, std::string& out) {
    char buffer[256];
    while (!in.empty()) {
      char* inPtr = const_cast<char*>(in.data());
      size_t inLeft = in.size();
      char* outPtr = buffer;
      size_t outLeft = sizeof buffer;
      const size_t rc = iconv(handle_, &inPtr, &inLeft, &outPtr, &outLeft);
      const int error = rc == static_cast<size_t>(-1) ? errno : 0;
      out.append(buffer, static_cast<size_t>(outPtr - buffer));
      in.remove_prefix(in.size() - inLeft);
      if (error != 0 && error != E2BIG) return error;
    }
    return 0;
  }

 private:
  iconv_t handle_;
};

}  // namespace

std::string Cp932ToUtf8(std::string_view cp932) {
  std::string result;
  result.reserve(cp932.size() * 3 / 2);
  TIconv codec("UTF-8", "CP932");
  if (!codec.Valid()) {
    // Without the converter only ASCII can be trusted.
    for (const char c : cp932) {
      if (static_cast<unsigned char>(c) < 0x80) {
        result += c;
      } else {
        result += kReplacement;
      }
    }
    return result;
  }
  while (!cp932.empty()) {
    if (codec.Convert(cp932, result) == 0) break;
    // The byte at the front starts no character: mark it and go on with the next one.
    result += kReplacement;
    cp932.remove_prefix(1);
  }
  return result;
}

std::optional<std::string> Utf8ToCp932(std::string_view utf8, size_t* badOffset) {
  std::string result;
  result.reserve(utf8.size());
  std::string_view rest = utf8;
  TIconv codec("CP932", "UTF-8");
  if (!codec.Valid()) {
    for (size_t i = 0; i < utf8.size(); ++i) {
      if (static_cast<unsigned char>(utf8[i]) >= 0x80) {
        if (badOffset != nullptr) *badOffset = i;
        return std::nullopt;
      }
    }
    return std::string(utf8);
  }
  if (codec.Convert(rest, result) != 0) {
    if (badOffset != nullptr) *badOffset = utf8.size() - rest.size();
    return std::nullopt;
  }
  return result;
}

}  // namespace pelorund
