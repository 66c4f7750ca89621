// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/AppUtils.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>

namespace pelorund {
namespace {

// Files created beside the test executable; removed again at the end of each test.
class AppUtilsTest : public testing::Test {
 protected:
  void SetUp() override {
    name_ = "pelorund-data-" + std::to_string(::getpid()) + ".ini";
    local_ = GetAppDir() / name_;
    installed_ = (GetAppDir() / ".." / "share" / "pelorund" / name_).lexically_normal();
  }
  void TearDown() override {
    std::filesystem::remove(local_);
    std::filesystem::remove(installed_);
  }

  static void Touch(const std::filesystem::path& file) {
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file) << "[x]\n";
  }

  std::string name_;
  std::filesystem::path local_;
  std::filesystem::path installed_;
};

TEST_F(AppUtilsTest, AppDirHoldsThisExecutable) {
  EXPECT_TRUE(std::filesystem::is_regular_file(GetAppDir() / "AppUtils_test"));
}

TEST_F(AppUtilsTest, FindDataFilePrefersTheProgramDirectory) {
  EXPECT_EQ(FindDataFile(name_), local_) << "neither exists";
  Touch(installed_);
  EXPECT_EQ(FindDataFile(name_), installed_);
  Touch(local_);
  EXPECT_EQ(FindDataFile(name_), local_);
}

TEST_F(AppUtilsTest, WritableAppDirIsTheProgramDirectoryWhenWritable) {
  if (::access(GetAppDir().c_str(), W_OK) != 0) GTEST_SKIP() << "program directory is read-only";
  EXPECT_EQ(WritableAppDir(), GetAppDir());
}

}  // namespace
}  // namespace pelorund
