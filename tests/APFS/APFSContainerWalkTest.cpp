// The container walk over real containers: one made on macOS (the dfVFS project's sample, checked against
// The Sleuth Kit run at test time) and one filled by a Linux APFS driver (checked against its manifest).

#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "APFS/APFSContainerParser.h"
#include "ApfsImageDelegate.h"
#include "ApfsSleuthKit.h"
#include "support/PublicFixture.h"
#include "support/Sha256.h"
#include "support/TempDir.h"

namespace {

using quellsy::test::ApfsImageDelegate;
using quellsy::test::ReadText;
using quellsy::test::WithoutLeadingDots;

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

TEST(APFSContainerWalk, MacOsContainerMatchesTheSleuthKit) {
  const auto image = quellsy::test::PublicFixture("dfvfs/apfs.raw");
  ASSERT_TRUE(std::filesystem::exists(image));
  quellsy::test::TempDir dir;
  const quellsy::test::ApfsSleuthKit tsk(image, dir.path());
  if (!tsk.Ready()) return;

  Walk walk(image);
  ASSERT_TRUE(walk.owner.IsOpen());
  walk.Run();
  EXPECT_EQ(walk.walkResult, 0);
  EXPECT_TRUE(walk.parser.Walked());
  EXPECT_EQ(walk.parser.ContainerName(), "apfs_test_0");
  const auto live = walk.Live();

  int files = 0;
  for (const quellsy::test::SleuthKitEntry& entry : tsk.Entries()) {
    SCOPED_TRACE(entry.path);
    const auto found = live.find(entry.path);
    ASSERT_NE(found, live.end());
    EXPECT_EQ(found->second->IsDirectory() != 0, entry.kind == "d");
    if (entry.kind != "r") continue;
    std::vector<std::uint8_t> theirs;
    if (tsk.Contents(entry, theirs))
      EXPECT_EQ(walk.owner.Contents(walk.parser, *found->second), theirs);
    else
      EXPECT_EQ(found->second->GetFileSize(), 0);
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
