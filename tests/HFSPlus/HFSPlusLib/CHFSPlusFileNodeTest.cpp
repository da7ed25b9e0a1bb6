// The HFS+ file node: catalog records worked out by hand, then the nodes of a written volume compared with
// what was written, compressed files among them.

#include "HFSPlus/HFSPlusLib/CHFSPlusFileNode.h"

#include <gtest/gtest.h>

#include <string>

#include "HFSPlusTestSupport.h"
#include "HFSPlusWrittenVolume.h"
#include "include/IDataRunList.h"
#include "support/TempDir.h"

namespace {

using quellsy::test::VolumeContent;
using quellsy::test::WrittenVolume;

BTKey Key(std::uint32_t parentID, const std::u16string& name, std::size_t leadingZeros = 0) {
  HFSPlusCatalogKey key;
  key.parentID = parentID;
  key.nodeName.assign(leadingZeros, 0);
  for (char16_t unit : name) key.nodeName.push_back(unit);
  key.keyLength = static_cast<std::uint16_t>(6 + 2 * key.nodeName.size());
  return key;
}

HFSPlusCatalogFile File(std::uint32_t id) {
  HFSPlusCatalogFile file;
  file.fileID = id;
  file.createDate = 3061152000;  // 2001-01-01 00:00:00 UTC
  file.contentModDate = 1;
  file.accessDate = 2;
  file.dataFork.logicalSize = 100;
  file.dataFork.totalBlocks = 1;
  file.dataFork.extents[0] = {40, 1};
  return file;
}

HFSPlusCatalogFolder Folder(std::uint32_t id) {
  HFSPlusCatalogFolder folder;
  folder.folderID = id;
  folder.createDate = 3061152000;
  return folder;
}

void SetFinderType(HFSPlusCatalogFile& file, const char* type, const char* creator) {
  std::copy_n(type, 4, file.userInfo.begin());
  std::copy_n(creator, 4, file.userInfo.begin() + 4);
}

struct NodeCase {
  const char* name;
  BTKey key;
  BTRecord record;
  int deleted;
  long long id;
  std::string fileName;
  long long size;
  bool directory;
  bool isDeleted;
  unsigned long long creation;  // FILETIME worked out by hand
};

// FILETIME of 2001-01-01 00:00:00 UTC: the Unix epoch's 116444736000000000 plus 978307200 seconds.
constexpr unsigned long long k2001 = 126227808000000000ull;

HFSPlusCatalogFile ByBlocks() {
  HFSPlusCatalogFile file = File(30);
  file.dataFork.logicalSize = 0;
  file.dataFork.totalBlocks = 3;
  file.dataFork.extents[0] = {50, 3};
  return file;
}

HFSPlusCatalogFile Typed(const char* type, const char* creator) {
  HFSPlusCatalogFile file = File(31);
  SetFinderType(file, type, creator);
  return file;
}

HFSPlusCatalogFile Orphan() {
  HFSPlusCatalogFile file = File(32);
  file.dataFork.logicalSize = 0x80000000;
  return file;
}

HFSPlusCatalogFile Undated() {
  HFSPlusCatalogFile file = File(33);
  file.createDate = 0;
  return file;
}

class FileNodeRecordTest : public ::testing::TestWithParam<NodeCase> {};

TEST_P(FileNodeRecordTest, FillsTheNode) {
  const NodeCase& c = GetParam();
  CHFSPlusFileNode node(nullptr, &c.key, &c.record, c.deleted);
  EXPECT_EQ(node.GetCurrentNodeID(), c.id);
  EXPECT_EQ(std::string(node.GetFileName()), c.fileName);
  EXPECT_EQ(node.GetFileSize(), c.size);
  EXPECT_EQ(node.IsDirectory() != 0, c.directory);
  EXPECT_EQ(node.IsDeleted() != 0, c.isDeleted);
  EXPECT_EQ(node.GetCreationTime(), c.creation);
  EXPECT_EQ(node.GetSearcheType(), SEARCHER_HFSPLUS);
  EXPECT_EQ(node.GetAttribute(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Records, FileNodeRecordTest,
    ::testing::Values(
        NodeCase{"LiveFile", Key(2, u"a.txt"), File(20), 0, 20, "a.txt", 100, false, false, k2001},
        NodeCase{"DeletedFileSizedByBlocks", Key(2, u"gone"), ByBlocks(), 1, 30, "gone", 12288, false, true, k2001},
        NodeCase{"PrivateDataFolder", Key(2, u"HFS+ Private Data", 4), Folder(18), 0, 18, "HFS+ Private Data", 0,
                 true, false, k2001},
        NodeCase{"HardLinkIsAFolder", Key(2, u"link"), Typed("hlnk", "hfs+"), 0, 31, "link", 100, true, false, k2001},
        NodeCase{"HardLinkTypeOtherCreator", Key(2, u"link"), Typed("hlnk", "ttxt"), 0, 31, "link", 100, false, false,
                 k2001},
        NodeCase{"FolderAliasIsAFolder", Key(2, u"alias"), Typed("fdrp", "MACS"), 0, 31, "alias", 100, true, false,
                 k2001},
        NodeCase{"DeletedRootStaysLive", Key(1, u"Macintosh HD"), Folder(2), 1, 2, "Macintosh HD", 0, true, false,
                 k2001},
        NodeCase{"DeletedFolder", Key(2, u"old"), Folder(40), 1, 40, "old", 0, true, true, k2001},
        NodeCase{"RootParentHasNoID", Key(0, u""), Folder(1), 0, -1, "", 0, true, false, 0},
        NodeCase{"UnicodeName", Key(2, u"caf\u00e9 \u2013 \u65e5\u672c"), File(21), 0, 21,
                 "caf\xc3\xa9 \xe2\x80\x93 \xe6\x97\xa5\xe6\x9c\xac", 100, false, false, k2001},
        NodeCase{"DecomposedNameKept", Key(2, u"Re\u0301sume\u0301"), File(22), 0, 22, "Re\xcc\x81sume\xcc\x81", 100,
                 false, false, k2001},
        // No parent, no name and over 1 GiB: a damaged record keeps ID and size but gets no times and no mark.
        NodeCase{"HugeOrphanLeftBare", Key(0, u""), Orphan(), 1, 32, "", 0x80000000, false, false, 0},
        NodeCase{"ZeroCreateDate", Key(2, u"undated"), Undated(), 0, 33, "undated", 100, false, false, 0},
        NodeCase{"ThreadHasNoID", Key(25, u""), HFSPlusCatalogThread{4, 2, {'x'}}, 0, -1, "", 0, false, false, 0}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(FileNodeTest, TimesAndPlacement) {
  const BTKey key = Key(2, u"f");
  const BTRecord record = File(20);
  CHFSPlusFileNode node(nullptr, 4242, 3, &key, &record);
  EXPECT_EQ(node.GetMetadataStartPosition(), 4242);
  EXPECT_EQ(node.GetBelongedPartition(), 3);
  EXPECT_EQ(node.GetParentNodeID(), 2);
  EXPECT_EQ(node.GetModificationTime(), CHFSPlusFileNode::kFileTimeOf1904 + 10000000ull);
  EXPECT_EQ(node.GetLastAccessTime(), CHFSPlusFileNode::kFileTimeOf1904 + 20000000ull);
  EXPECT_EQ(node.Clone(), &node);
  node.MarkDeleted();
  EXPECT_EQ(node.IsDeleted(), 1);
  node.UpdateFileSize(7);
  EXPECT_EQ(node.GetFileSize(), 7);
  EXPECT_EQ(CHFSPlusFileNode::TimeConvert(0), 0u);
}

TEST(FileNodeTest, NameFilteredByDot) {
  const BTKey key = Key(2, u" ..hidden");
  const BTRecord record = File(20);
  CHFSPlusFileNode node(nullptr, &key, &record, 0);
  EXPECT_STREQ(node.GetFileName(), " ..hidden");
  node.FilterFileNameByDot();
  EXPECT_STREQ(node.GetFileName(), "hidden");
}

std::vector<HFSPlusExtentDescriptor> RunsOf(const IDataRunList* list) {
  std::vector<HFSPlusExtentDescriptor> out;
  auto* runs = const_cast<IDataRunList*>(list);
  if (runs == nullptr) return out;
  for (DataRun* run = runs->GetFirst(); run != nullptr; run = runs->GetNext())
    out.push_back({static_cast<std::uint32_t>(run->lcn), static_cast<std::uint32_t>(run->length)});
  return out;
}

// Adjacent pieces merge into one run, so both sides are compared merged.
std::vector<HFSPlusExtentDescriptor> Merged(const std::vector<HFSPlusExtentDescriptor>& extents) {
  std::vector<HFSPlusExtentDescriptor> out;
  for (const auto& e : extents) {
    if (!out.empty() && out.back().startBlock + out.back().blockCount == e.startBlock)
      out.back().blockCount += e.blockCount;
    else
      out.push_back(e);
  }
  return out;
}

// Builds a node for every folder and file record the catalog walk meets.
class NodeCollector : public IHFSPlusLeafVisitor {
 public:
  explicit NodeCollector(CHFSPlusVolume* volume) : volume_(volume) {}
  quellsy::ResultCode VisitLeafRecord(const BTKey& key, const BTRecord& record) override {
    auto node = std::make_unique<CHFSPlusFileNode>(volume_, &key, &record, 0);
    if (node->GetCurrentNodeID() != -1) nodes[static_cast<std::uint32_t>(node->GetCurrentNodeID())] = std::move(node);
    return quellsy::kResultOk;
  }
  std::map<std::uint32_t, std::unique_ptr<CHFSPlusFileNode>> nodes;

 private:
  CHFSPlusVolume* volume_;
};

std::vector<std::uint8_t> Text(std::size_t size) {
  const std::string words = "recovered files keep every byte they had; ";
  std::vector<std::uint8_t> out;
  while (out.size() < size) out.push_back(static_cast<std::uint8_t>(words[out.size() % words.size()]));
  return out;
}

TEST(FileNodeTest, WrittenVolumeNodesMatchWhatWasWritten) {
  quellsy::test::HFSPlusWriterOptions options;
  options.totalBlocks = 2048;
  WrittenVolume v = quellsy::test::WriteVolume(
      options,
      [](VolumeContent& c) {
        quellsy::test::StandardContent(c, 4096);
        c.Compressed(2, u"inline-zlib.txt", Text(1500), 3);
        c.Compressed(2, u"inline-lzvn.txt", Text(1800), 7);
        c.Compressed(2, u"fork-zlib.bin", quellsy::test::PatternBytes(200000, 9), 4, 2);
        c.Compressed(2, u"fork-lzvn.txt", Text(140000), 8, 3);
      },
      512);
  ASSERT_EQ(v.volume->GetLastError(), quellsy::kResultOk);
  NodeCollector collector(v.volume.get());
  quellsy::test::CountingProgress progress;
  ASSERT_EQ(v.volume->Traverse(4, &collector, &progress), quellsy::kResultOk);
  ASSERT_FALSE(v.ids.empty());
  for (const auto& [path, id] : v.ids) {
    SCOPED_TRACE(path);
    ASSERT_TRUE(collector.nodes.count(id));
    const CHFSPlusFileNode& node = *collector.nodes[id];
    EXPECT_EQ(path.substr(path.rfind('/') + 1), node.GetFileName());
    const auto file = v.files.find(path);
    EXPECT_EQ(node.IsDirectory() != 0, file == v.files.end());
    if (file == v.files.end()) continue;
    EXPECT_EQ(node.GetFileSize(), static_cast<long long>(file->second.size()));
    const bool compressed = path.find("inline-") != std::string::npos || path.find("fork-") != std::string::npos;
    EXPECT_EQ(node.IsCompressed() != 0, compressed);
    const auto& fork = compressed ? v.writer->ResourceFork(id) : v.writer->DataFork(id);
    EXPECT_EQ(RunsOf(node.GetDataRunList()), Merged(fork.extents));
    if (compressed) {
      EXPECT_EQ(node.GetResourceForkSize(), fork.logicalSize);
    }
  }
}

// Pieces 9 and on that the live extents tree lost are taken from the deleted extents the journal gave back.
TEST(FileNodeTest, RunsPastEightFromDeletedExtents) {
  quellsy::test::HFSPlusWriterOptions options;
  WrittenVolume v = quellsy::test::WriteVolume(options, [](VolumeContent& c) { c.File(2, u"a", 10); }, 512);
  ASSERT_EQ(v.volume->GetLastError(), quellsy::kResultOk);
  HFSPlusCatalogFile file = File(500);
  std::vector<HFSPlusExtentDescriptor> expected;
  for (std::uint32_t i = 0; i < 8; ++i) file.dataFork.extents[i] = {600 + 2 * i, 1};
  HFSPlusExtentRecord overflow{};
  overflow[0] = {700, 3};
  overflow[1] = {710, 2};
  file.dataFork.totalBlocks = 13;
  file.dataFork.logicalSize = 13 * 4096;
  for (const auto& e : file.dataFork.extents) expected.push_back(e);
  expected.push_back(overflow[0]);
  expected.push_back(overflow[1]);
  HFSPlusExtentKey key;
  key.fileID = 500;
  key.startBlock = 8;
  v.volume->AddDeletedExtent(key, overflow);
  const BTKey catalogKey = Key(2, u"lost");
  const BTRecord record = file;
  CHFSPlusFileNode node(v.volume.get(), &catalogKey, &record, 1);
  EXPECT_EQ(RunsOf(node.GetDataRunList()), expected);
}

}  // namespace
