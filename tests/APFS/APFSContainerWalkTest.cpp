// The container walk over real containers: one made on macOS (the dfVFS project's sample, checked against
// The Sleuth Kit run at test time) and one filled by a Linux APFS driver (checked against its manifest).

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>

#include "APFS/APFSContainerParser.h"
#include "ApfsImageDelegate.h"
#include "support/FixtureScript.h"
#include "support/PublicFixture.h"
#include "support/Sha256.h"
#include "support/TempDir.h"

namespace {

using quellsy::test::ApfsImageDelegate;

// The walk as the deep search starts it: container at sector 0, walked, then the final flush.
struct Walk {
  explicit Walk(const std::filesystem::path& image) : owner(image), parser(owner, 0, 0) {}
  void Run() {
    walkResult = parser.WalkContainer();
    parser.FlushPending(~std::uint64_t{0});
  }
  std::map<std::string, APFSFileNode*> Live() const {
    std::map<std::string, APFSFileNode*> byPath;
    for (APFSFileNode* node : owner.handed)
      if (!node->IsDeleted()) byPath[ApfsImageDelegate::PathOf(*node)] = node;
    return byPath;
  }
  ApfsImageDelegate owner;
  APFSContainerParser parser;
  int walkResult = 1;
};

std::string ReadText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& path) {
  const std::string text = ReadText(path);
  return {text.begin(), text.end()};
}

// The engine shows names without their leading dot.
std::string WithoutLeadingDots(const std::string& path) {
  std::string out;
  std::istringstream parts(path);
  for (std::string part; std::getline(parts, part, '/');) {
    if (part.size() >= 2 && part[0] == '.') part.erase(0, 1);
    out += (out.empty() ? "" : "/") + part;
  }
  return out;
}

TEST(APFSContainerWalk, MacOsContainerMatchesTheSleuthKit) {
  const auto image = quellsy::test::PublicFixture("dfvfs/apfs.raw");
  ASSERT_TRUE(std::filesystem::exists(image));
  quellsy::test::TempDir dir;
  const auto pool = dir.path() / "pstat.txt", listing = dir.path() / "fls.txt";
  QUELLSY_REQUIRE_FIXTURE(quellsy::test::RunFixtureCommand("pstat '" + image.string() + "' > '" + pool.string() + "'"));
  const std::string poolText = ReadText(pool);
  const std::string label = "APSB Block Number: ";
  const std::size_t at = poolText.find(label);
  ASSERT_NE(at, std::string::npos) << poolText;
  const std::size_t digits = at + label.size();
  const std::string superblock = poolText.substr(digits, poolText.find_first_not_of("0123456789", digits) - digits);
  ASSERT_FALSE(superblock.empty()) << poolText;
  QUELLSY_REQUIRE_FIXTURE(quellsy::test::RunFixtureCommand("fls -r -p -P apfs -B " + superblock + " '" +
                                                           image.string() + "' > '" + listing.string() + "'"));

  Walk walk(image);
  ASSERT_TRUE(walk.owner.IsOpen());
  walk.Run();
  EXPECT_EQ(walk.walkResult, 0);
  EXPECT_TRUE(walk.parser.Walked());
  EXPECT_EQ(walk.parser.ContainerName(), "apfs_test_0");
  const auto live = walk.Live();

  std::istringstream lines(ReadText(listing));
  int files = 0;
  for (std::string line; std::getline(lines, line);) {
    // "r/r 42:\tpath": the kind, the inode number, then the path after a tab.
    const std::size_t space = line.find(' '), colon = line.find(":\t");
    ASSERT_TRUE(line.size() > 3 && line[1] == '/' && space != std::string::npos && colon != std::string::npos &&
                space < colon)
        << line;
    const std::string kind = line.substr(0, 1), inode = line.substr(space + 1, colon - space - 1);
    const std::string path = WithoutLeadingDots(line.substr(colon + 2));
    SCOPED_TRACE(path);
    const auto found = live.find(path);
    ASSERT_NE(found, live.end());
    EXPECT_EQ(found->second->IsDirectory() != 0, kind == "d");
    if (kind != "r") continue;
    const auto content = dir.path() / ("inode-" + inode);
    // A file with no data stream (only a resource fork) has nothing for icat to give: it must be empty here.
    const std::string c = "'" + content.string() + "'";
    QUELLSY_REQUIRE_FIXTURE(quellsy::test::RunFixtureCommand(
        "icat -P apfs -B " + superblock + " '" + image.string() + "' " + inode + " > " + c + " 2> " + c +
        ".err || { grep -q 'Attribute .* not found' " + c + ".err && : > " + c + ".none; }"));
    if (std::filesystem::exists(content.string() + ".none"))
      EXPECT_EQ(found->second->GetFileSize(), 0);
    else
      EXPECT_EQ(walk.owner.Contents(walk.parser, *found->second), ReadBytes(content));
    ++files;
  }
  EXPECT_GE(files, 6);
}

TEST(APFSContainerWalk, LinuxMadeContainerGivesEveryLiveFileByteForByte) {
  const auto manifest = quellsy::test::PublicFixture("linux-made/apfs-deleted.manifest.tsv");
  const std::filesystem::path image = QUELLSY_APFS_DELETED_IMAGE;
  ASSERT_TRUE(std::filesystem::exists(image)) << "the build unpacks it from linux-made/apfs-deleted.img.xz";

  Walk walk(image);
  ASSERT_TRUE(walk.owner.IsOpen());
  walk.Run();
  EXPECT_EQ(walk.walkResult, 0);
  const auto live = walk.Live();

  std::istringstream rows(ReadText(manifest));
  std::string row;
  std::getline(rows, row);  // heading
  int allocated = 0;
  while (std::getline(rows, row)) {
    std::istringstream fields(row);
    std::string path, size, sha, state;
    std::getline(fields, path, '\t');
    std::getline(fields, size, '\t');
    std::getline(fields, sha, '\t');
    std::getline(fields, state, '\t');
    if (state != "allocated") continue;
    ++allocated;
    SCOPED_TRACE(path);
    const auto found = live.find(WithoutLeadingDots(path));
    ASSERT_NE(found, live.end());
    EXPECT_FALSE(found->second->IsDirectory());
    EXPECT_EQ(found->second->GetFileSize(), std::stoll(size));
    EXPECT_EQ(quellsy::test::Sha256Hex(walk.owner.Contents(walk.parser, *found->second)), sha);
  }
  EXPECT_EQ(allocated, 44);
}

}  // namespace
