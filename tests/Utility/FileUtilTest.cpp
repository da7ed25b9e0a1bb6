#include "Utility/FileUtil.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "support/TempDir.h"

namespace {

TEST(FileUtil, ValidUtf8) {
  struct Case {
    const char* text;
    bool valid;
  };
  const Case cases[] = {
      {"", true},
      {"plain ascii", true},
      {"\xC3\xA9t\xC3\xA9", true},                 // été
      {"\xE2\x82\xAC", true},                      // €
      {"\xF0\x9F\x98\x80", true},                  // emoji
      {"\xC3", false},                             // cut short
      {"\xC0\xAF", false},                         // overlong
      {"\xE0\x80\xAF", false},                     // overlong
      {"\xED\xA0\x80", false},                     // surrogate
      {"\xF4\x90\x80\x80", false},                 // past U+10FFFF
      {"\xFF", false},
  };
  for (const auto& c : cases) EXPECT_EQ(isValidString(c.text), c.valid) << c.text;
  EXPECT_FALSE(isValidString(nullptr));
}

TEST(FileUtil, FileSize) {
  quellsy::test::TempDir dir;
  quellsy::test::WriteFile(dir / "a", std::vector<std::uint8_t>(1234, 1));
  quellsy::test::WriteFile(dir / "empty", {});
  EXPECT_EQ(GetFileSize((dir / "a").c_str()), 1234u);
  EXPECT_EQ(GetFileSize((dir / "empty").c_str()), 0u);
  EXPECT_EQ(GetFileSize((dir / "missing").c_str()), 0u);
  EXPECT_EQ(GetFileSize(nullptr), 0u);
}

TEST(FileUtil, CopyKeepsContentsAndTimesOfATree) {
  quellsy::test::TempDir dir;
  std::filesystem::create_directories(dir / "from/sub");
  const auto bytes = quellsy::test::PatternBytes(5000);
  quellsy::test::WriteFile(dir / "from/sub/file.bin", bytes);
  const timespec old[2] = {{1'000'000'000, 0}, {1'000'000'000, 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, (dir / "from/sub/file.bin").c_str(), old, 0), 0);

  ASSERT_EQ(CopyFileA((dir / "from").c_str(), (dir / "to").c_str(), 0), 0);
  EXPECT_EQ(quellsy::test::ReadFile(dir / "to/sub/file.bin"), bytes);
  struct stat info {};
  ASSERT_EQ(stat((dir / "to/sub/file.bin").c_str(), &info), 0);
  EXPECT_EQ(info.st_mtim.tv_sec, 1'000'000'000);
  EXPECT_EQ(CopyFileA((dir / "missing").c_str(), (dir / "x").c_str(), 0), -1);
}

}  // namespace
