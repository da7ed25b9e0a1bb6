// Private temporary folders: files written into them get safe names, never replace a file or follow a link,
// and go with the folder.

#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <vector>

#include "Platform/UserPaths.h"

namespace quellsy::platform {
namespace {

std::vector<std::uint8_t> ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(PrivateTempFiles, NamesAreMadeSafeAndNothingIsOverwritten) {
  const std::pair<const char*, const char*> names[] = {
      {"clip.mp4", "clip.mp4"}, {"../../etc/passwd", "_._.._etc_passwd"}, {".hidden", "_hidden"},
      {"a b\nc.jpg", "a_b_c.jpg"}, {"", "file"}};
  for (const auto& [name, safe] : names) EXPECT_EQ(SafeTempFileName(name), safe) << name;
  EXPECT_EQ(SafeTempFileName(std::string(100, 'x') + ".jpeg"), std::string(59, 'x') + ".jpeg");

  auto folder = PrivateTempDir::Make();
  ASSERT_TRUE(folder);
  const auto written = folder->WriteFile("one.bin", "abc", 3);
  ASSERT_TRUE(written);
  EXPECT_EQ(written->parent_path(), folder->path());
  EXPECT_FALSE(folder->WriteFile("one.bin", "xyz", 3)) << "an existing file is never replaced";
  std::filesystem::create_symlink("/etc/hostname", folder->path() / "link");
  EXPECT_FALSE(folder->WriteFile("link", "xyz", 3)) << "a link is never followed";
  EXPECT_EQ(ReadAll(*written), (std::vector<std::uint8_t>{'a', 'b', 'c'}));
  const auto path = folder->path();
  folder.reset();
  EXPECT_FALSE(std::filesystem::exists(path));
}

}  // namespace
}  // namespace quellsy::platform
