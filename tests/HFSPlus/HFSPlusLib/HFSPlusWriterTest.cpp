// The test-side writer checked against an independent reader: The Sleuth Kit lists every folder and file the
// writer put on its volumes and reads every file's bytes back.

#include <gtest/gtest.h>

#include <fstream>

#include "HFSPlusWrittenVolume.h"
#include "support/FixtureScript.h"
#include "support/Sha256.h"
#include "support/TempDir.h"

namespace quellsy::test {
namespace {

struct WriterCase {
  const char* name;
  HFSPlusWriterOptions options;
};

void PrintTo(const WriterCase& c, std::ostream* os) { *os << c.name; }

HFSPlusWriterOptions With(std::function<void(HFSPlusWriterOptions&)> change) {
  HFSPlusWriterOptions options;
  change(options);
  return options;
}

class WriterAgainstTheSleuthKit : public ::testing::TestWithParam<WriterCase> {};

TEST_P(WriterAgainstTheSleuthKit, ListsAndReadsWhatWasWritten) {
  const auto& c = GetParam();
  auto v = WriteVolume(c.options, [&](VolumeContent& content) {
    StandardContent(content, c.options.blockSize);
    content.File(2, u"many", 40 * std::size_t{c.options.blockSize} + 3, 30);
  });
  TempDir dir;
  v.image->WriteFile(dir / (std::string(c.name) + ".img"));
  std::string why;
  ASSERT_TRUE(RunFixtureScript("tests/HFSPlus/HFSPlusLib/tsk-listing.sh", dir.path(), "sleuthkit missing", why)) << why;

  std::map<std::string, std::pair<std::uint32_t, bool>> listed;  // path -> ID, folder
  std::ifstream fls(dir / (std::string(c.name) + ".fls"));
  std::string line;
  while (std::getline(fls, line)) {
    const auto colon = line.find(':');
    const auto id = static_cast<std::uint32_t>(std::stoul(line.substr(4, colon - 4)));
    if (id >= hfsplus::kFirstUserCatalogNodeID) listed[line.substr(line.find('\t') + 1)] = {id, line[0] == 'd'};
  }
  EXPECT_EQ(listed.size(), v.ids.size());
  for (const auto& [path, id] : v.ids) {
    const auto found = listed.find(path);
    ASSERT_NE(found, listed.end()) << path;
    EXPECT_EQ(found->second.first, id) << path;
    const auto data = v.files.find(path);
    EXPECT_EQ(found->second.second, data == v.files.end()) << path;
    if (data != v.files.end()) {
      EXPECT_EQ(ReadFile(dir / (std::string(c.name) + ".files") / std::to_string(id)), data->second) << path;
    }
  }
  // The writer's own manifest agrees with what it was given.
  const auto manifest = v.writer->Manifest();
  EXPECT_EQ(manifest.size(), v.files.size());
  for (const auto& entry : manifest) {
    ASSERT_TRUE(v.files.contains(entry.path)) << entry.path;
    EXPECT_EQ(entry.size, v.files.at(entry.path).size());
    EXPECT_EQ(entry.sha256, Sha256Hex(v.files.at(entry.path)));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Volumes, WriterAgainstTheSleuthKit,
    ::testing::Values(WriterCase{"hfsplus_4k", {}},
                      WriterCase{"hfsplus_512", With([](auto& o) {
                                   o.blockSize = 512;
                                   o.totalBlocks = 8192;
                                 })},
                      WriterCase{"hfsx_binary", With([](auto& o) {
                                   o.hfsx = true;
                                   o.keyCompareType = 0xBC;
                                 })},
                      WriterCase{"index_levels_and_fragmented_catalog", With([](auto& o) {
                                   o.maxRecordsPerNode = 3;
                                   o.catalogPieces = 12;
                                 })}),
    [](const auto& test) { return std::string(test.param.name); });

}  // namespace
}  // namespace quellsy::test
