// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/FileUtils.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pelorund {
namespace {

class FileUtilsTest : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("pelorund-files-" + std::to_string(::getpid()) + "-" +
            testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  [[nodiscard]] size_t EntryCount() const {
    return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(dir_), {}));
  }

  std::filesystem::path dir_;
};

TEST_F(FileUtilsTest, WritesAndReplacesBinaryBytes) {
  const std::filesystem::path file = dir_ / "out.mid";
  const std::string first("MThd\0\x01\r\n\x1a\xff", 10);
  WriteFileAtomic(file, first);
  EXPECT_EQ(ReadFileBytes(file), first);

  ASSERT_EQ(::chmod(file.c_str(), 0640), 0);
  WriteFileAtomic(file, "short");
  EXPECT_EQ(ReadFileBytes(file), "short");
  EXPECT_EQ(std::filesystem::status(file).permissions() & std::filesystem::perms::mask,
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                std::filesystem::perms::group_read);

  WriteFileAtomic(file, "");
  EXPECT_EQ(ReadFileBytes(file), "");
  EXPECT_EQ(EntryCount(), 1U) << "a temporary file was left behind";
}

TEST_F(FileUtilsTest, ReadFailures) {
  EXPECT_EQ(ReadFileBytes(dir_ / "absent"), std::nullopt);
  EXPECT_EQ(ReadFileBytes(dir_), std::nullopt);
}

TEST_F(FileUtilsTest, FailedWriteThrowsAndLeavesNothing) {
  const std::filesystem::path file = dir_ / "missing-dir" / "out.ini";
  try {
    WriteFileAtomic(file, "data");
    FAIL() << "no exception";
  } catch (const std::runtime_error& e) {
    const std::string message = e.what();
    EXPECT_NE(message.find(file.string()), std::string::npos) << message;
    EXPECT_NE(message.find("No such file or directory"), std::string::npos) << message;
  }
  EXPECT_EQ(EntryCount(), 0U);
}

TEST_F(FileUtilsTest, FailedRenameKeepsTheTarget) {
  // The target is a non-empty directory: the rename fails after the temporary file was written.
  const std::filesystem::path target = dir_ / "target";
  std::filesystem::create_directories(target / "inner");
  EXPECT_THROW(WriteFileAtomic(target, "data"), std::runtime_error);
  EXPECT_TRUE(std::filesystem::is_directory(target / "inner"));
  EXPECT_EQ(EntryCount(), 1U) << "a temporary file was left behind";
}

}  // namespace
}  // namespace pelorund
