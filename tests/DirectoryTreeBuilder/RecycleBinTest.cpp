#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "DirectoryTreeBuilder/RecyclerFilter.h"
#include "DirectoryTreeBuilder/TreeBuilderFixture.h"
#include "include/EngineRegistry.h"
#include "include/IFileReaderEx.h"
#include "include/SearchPartitionInfoStruct.h"
#include "support/MemoryDevice.h"

namespace quellsy::test {
namespace {

constexpr long long kRoot = 5;

// A "$I" file as Windows writes it: version 1 keeps 260 path units at 24, version 2 a counted path at 28.
std::vector<std::uint8_t> InfoFile(int version, const std::u16string& path) {
  std::vector<std::uint8_t> bytes(version == 1 ? 24 + 520 : 28 + 2 * (path.size() + 1), 0);
  bytes[0] = static_cast<std::uint8_t>(version);
  bytes[8] = 0x34;  // original size
  bytes[16] = 0x12;  // deletion time
  std::size_t offset = 24;
  if (version == 2) {
    bytes[24] = static_cast<std::uint8_t>(path.size() + 1);
    offset = 28;
  }
  for (std::size_t i = 0; i < path.size(); ++i) {
    bytes[offset + 2 * i] = static_cast<std::uint8_t>(path[i] & 0xFF);
    bytes[offset + 2 * i + 1] = static_cast<std::uint8_t>(path[i] >> 8);
  }
  return bytes;
}

// Stands in for the NTFS engine's reader: serves each info node's bytes and records how it was opened.
struct InfoFiles {
  std::map<const CFileNode*, std::vector<std::uint8_t>> contents;
  std::vector<std::pair<long long, int>> opens;  // (origin, sectors per cluster)
};

class FakeInfoReader : public IFileReaderEx {
 public:
  explicit FakeInfoReader(InfoFiles& files) : files_(files) {}
  bool Open(IStorageDevice*, CFileNode* node, long long start, int sectorsPerCluster) override {
    files_.opens.emplace_back(start, sectorsPerCluster);
    const auto found = files_.contents.find(node);
    if (found == files_.contents.end()) return false;
    data_ = &found->second;
    return true;
  }
  bool Read(long long offset, unsigned char* buffer, int length, int& got) override {
    got = 0;
    if (data_ == nullptr || offset < 0 || static_cast<std::size_t>(offset) > data_->size()) return false;
    const std::size_t start = static_cast<std::size_t>(offset);
    const std::size_t count = std::min(static_cast<std::size_t>(length), data_->size() - start);
    std::copy_n(data_->begin() + offset, count, buffer);
    got = static_cast<int>(count);
    return true;
  }

 private:
  InfoFiles& files_;
  const std::vector<std::uint8_t>* data_ = nullptr;
};

class RecycleBinTest : public TreeBuilderFixture {
 protected:
  void SetUp() override {
    TreeBuilderFixture::SetUp();
    EngineRegistry::Instance().Reset();
    EngineRegistry::Instance().RegisterFileReaderEx([this] { return std::make_unique<FakeInfoReader>(files); });
    partition.SetClusterOrigin(2048);
    partition.SetSectorsPerCluster(8);
  }
  void TearDown() override { EngineRegistry::Instance().Reset(); }

  // A "$I" node with its bytes.
  TreeTestNode* Info(const std::string& name, long long id, long long parent, const std::vector<std::uint8_t>& bytes) {
    TreeTestNode* node = File(name, id, parent, static_cast<long long>(bytes.size()));
    files.contents[node] = bytes;
    return node;
  }

  InfoFiles files;
  CSearchedPartitionInfo partition;
  MemoryDevice device{16, 512};
};

TEST_F(RecycleBinTest, DeletedFilesAndFoldersGetTheirOriginalNames) {
  builder->SetPartitonDevice(&partition, &device);
  builder->AddSearcherInfo(SEARCHER_NTFS, kRoot);
  const std::vector<TreeTestNode*> nodes = {
      Dir("$Recycle.Bin", 40, kRoot),
      Dir("S-1-5-21-1", 41, 40),
      Info("$IAB12CD.txt", 42, 41, InfoFile(2, u"C:\\Users\\bob\\Documents\\report.txt")),
      File("$RAB12CD.txt", 43, 41, 5000),
      Info("$IXY99ZZ.jpg", 44, 41, InfoFile(1, u"D:\\Photos\\\u00e9t\u00e9 \u6771\u4eac \U0001F600.jpg")),
      File("$RXY99ZZ.jpg", 45, 41, 9000),
      Info("$IBAD000.doc", 46, 41, InfoFile(2, u"no drive\\here.doc")),
      File("$RBAD000.doc", 47, 41, 100),
      Dir("$RFOLDER", 48, 41),
      Info("$IFOLDER", 49, 41, InfoFile(1, u"C:\\Users\\bob\\Old Stuff")),
      File("inside.txt", 50, 48, 10),
  };
  for (TreeTestNode* node : nodes) ASSERT_EQ(1, Offer(node)) << node->tag();
  EXPECT_TRUE(sink->events().empty());  // held until the flush

  builder->FlashBuild(SEARCHER_NTFS);
  const std::string bin = "Disk1(NTFS)/$Recycle.Bin/S-1-5-21-1/";
  std::vector<std::string> paths = sink->DeliveredPaths();
  std::sort(paths.begin(), paths.end());
  std::vector<std::string> expected = {
      "Disk1(NTFS)/$Recycle.Bin", bin.substr(0, bin.size() - 1), bin + "report.txt",
      bin + "\u00e9t\u00e9 \u6771\u4eac \U0001F600.jpg", bin + "$RBAD000.doc", bin + "Old Stuff",
      bin + "Old Stuff/inside.txt"};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(expected, paths);
  for (IFileNode* node : sink->Delivered()) EXPECT_EQ(1, node->IsDeleted()) << node->GetFileName();
  for (const char* info : {"$IAB12CD.txt", "$IXY99ZZ.jpg", "$IBAD000.doc", "$IFOLDER"})
    EXPECT_TRUE(WasReleased(info)) << info;
  for (const auto& open : files.opens) EXPECT_EQ((std::pair<long long, int>(2048, 8)), open);
  EXPECT_EQ(4u, files.opens.size());
}

TEST_F(RecycleBinTest, RenamingDependsOnSearcherDeviceAndPartitionRecord) {
  struct Case {
    const char* what;
    _tagSearcherType searcher;
    bool record;
    bool device;
    const char* name;
    std::vector<std::pair<long long, int>> opens;
  };
  const std::vector<Case> cases = {
      {"NTFS, property record", SEARCHER_NTFS, true, true, "report.txt", {{2048, 8}}},
      {"FAT, property record", SEARCHER_FAT, true, true, "report.txt", {{2048, 8}}},
      {"exFAT, node's own name", SEARCHER_EXFAT, true, true, "own:report.txt", {{2048, 8}}},
      {"HFS+ keeps its name", SEARCHER_HFSPLUS, true, true, "$RAB12CD.txt", {{2048, 8}}},
      {"no record: origin 0, 2 sectors", SEARCHER_NTFS, false, true, "report.txt", {{0, 2}}},
      {"no device: nothing read", SEARCHER_NTFS, true, false, "$RAB12CD.txt", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Reset();
    files = InfoFiles();
    builder->SetPartitonDevice(c.record ? &partition : nullptr, c.device ? &device : nullptr);
    builder->AddSearcherInfo(c.searcher, kRoot);
    TreeTestNode* data = File("$RAB12CD.txt", 43, kRoot, 5000);
    ASSERT_EQ(1, Offer(Info("$IAB12CD.txt", 42, kRoot, InfoFile(2, u"C:\\Users\\bob\\report.txt")), c.searcher));
    ASSERT_EQ(1, Offer(data, c.searcher));
    builder->FlashBuild(c.searcher);
    ASSERT_EQ((std::vector<IFileNode*>{data}), sink->Delivered());
    EXPECT_STREQ(c.name, data->GetFileName());
    EXPECT_EQ(c.opens, files.opens);
  }
}

TEST_F(RecycleBinTest, InfoFilesTooLargeOrUnreadableLeaveTheNameAlone) {
  builder->SetPartitonDevice(&partition, &device);
  builder->AddSearcherInfo(SEARCHER_NTFS, kRoot);
  std::vector<std::uint8_t> large = InfoFile(2, u"C:\\big.txt");
  large.resize(1025);
  ASSERT_EQ(1, Offer(Info("$IBIG.txt", 42, kRoot, large)));
  ASSERT_EQ(1, Offer(File("$RBIG.txt", 43, kRoot)));
  ASSERT_EQ(1, Offer(File("$IGONE.txt", 44, kRoot, 544)));  // the reader knows nothing of it
  ASSERT_EQ(1, Offer(File("$RGONE.txt", 45, kRoot)));
  builder->FlashBuild(SEARCHER_NTFS);
  EXPECT_NE(nullptr, sink->Find("$RBIG.txt"));
  EXPECT_NE(nullptr, sink->Find("$RGONE.txt"));
  EXPECT_EQ(1u, files.opens.size());
}

TEST_F(RecycleBinTest, HeldNodesStayWithTheirOwnSearcher) {
  builder->SetPartitonDevice(&partition, &device);
  builder->AddSearcherInfo(SEARCHER_NTFS, kRoot);
  builder->AddSearcherInfo(SEARCHER_FAT, kRoot);
  ASSERT_EQ(1, Offer(Dir("$Recycle.Bin", 40, kRoot), SEARCHER_NTFS));
  ASSERT_EQ(1, Offer(File("in-bin.txt", 41, 40), SEARCHER_NTFS));
  ASSERT_EQ(1, Offer(File("photo.jpg", 41, 40), SEARCHER_FAT));  // same IDs, another file system

  builder->FlashBuild(SEARCHER_FAT);
  EXPECT_EQ("Disk1(FAT/FAT32)/Other lost files/photo.jpg", RecordingTreeSink::PathOf(sink->Find("photo.jpg")));
  EXPECT_EQ(0, sink->Find("photo.jpg")->IsDeleted());
  EXPECT_EQ(nullptr, sink->Find("in-bin.txt"));

  builder->FlashBuild(SEARCHER_NTFS);
  EXPECT_EQ("Disk1(NTFS)/$Recycle.Bin/in-bin.txt", RecordingTreeSink::PathOf(sink->Find("in-bin.txt")));
}

TEST_F(RecycleBinTest, ApfsHasNoRecycleBin) {
  builder->AddSearcherInfo(SEARCHER_APFS, 2);
  ASSERT_EQ(1, Offer(Dir("$Recycle.Bin", 40, 2), SEARCHER_APFS));
  ASSERT_EQ(1, Offer(File("$R1.txt", 41, 40), SEARCHER_APFS));
  builder->FlashBuild(SEARCHER_APFS);
  EXPECT_EQ(0, sink->Find("$R1.txt")->IsDeleted());
}

TEST(RecyclerFilterTest, Names) {
  struct Case {
    const char* name;
    bool bin;
    bool info;
    bool data;
  };
  const std::vector<Case> cases = {
      {"$Recycle.Bin", true, false, true},  {"$RECYCLE.BIN", true, false, true}, {"RECYCLER", true, false, false},
      {"recycled", true, false, false},     {"$RECYCLE.BI0", true, false, true}, {"$Recycle", false, false, true},
      {"$IAB12CD.txt", false, true, false}, {"#I0001.txt", false, true, false},   {"$RAB12CD.txt", false, false, true},
      {"#R0001.txt", false, false, true},   {"$RmMetadata", false, false, false}, {"$Reparse", false, false, false},
      {"$Repair", false, false, false},     {"$R", false, false, false},          {"RAB12CD.txt", false, false, false},
      {"", false, false, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.bin, CRecyclerFilter::IsRecycleBinName(c.name)) << c.name;
    EXPECT_EQ(c.info, CRecyclerFilter::IsInfoFileName(c.name)) << c.name;
    EXPECT_EQ(c.data, CRecyclerFilter::IsDataFileName(c.name)) << c.name;
  }
  EXPECT_FALSE(CRecyclerFilter::IsRecycleBinName(nullptr));
}

TEST(RecyclerFilterTest, IsRecycleBinLooksAtTheNodeAndItsLinkedAncestors) {
  TreeTestNode bin("$Recycle.Bin", true, 40, 5, 0, nullptr);
  TreeTestNode binNamedFile("$Recycle.Bin", false, 41, 5, 0, nullptr);
  TreeTestNode sid("S-1-5", true, 42, 40, 0, nullptr);
  TreeTestNode file("a.txt", false, 43, 42, 1, nullptr);
  TreeTestNode unlinked("b.txt", false, 44, 42, 1, nullptr);
  ASSERT_EQ(1, bin.AddChild(&sid));
  ASSERT_EQ(1, sid.AddChild(&file));
  EXPECT_TRUE(CRecyclerFilter::IsRecycleBin(&bin));
  EXPECT_TRUE(CRecyclerFilter::IsRecycleBin(&file));
  EXPECT_FALSE(CRecyclerFilter::IsRecycleBin(&binNamedFile));  // a file, not a folder
  EXPECT_FALSE(CRecyclerFilter::IsRecycleBin(&unlinked));      // parent IDs are not followed
  EXPECT_FALSE(CRecyclerFilter::IsRecycleBin(nullptr));
  sid.RemoveChild(&file);
  bin.RemoveChild(&sid);
}

}  // namespace
}  // namespace quellsy::test
