#include "HFSPlus/HFSPlusLib/CHFSPlusVolume.h"

#include <gtest/gtest.h>

#include "HFSPlus/HFSPlusLib/CHFSPlusCatalog.h"
#include "HFSPlus/HFSPlusLib/CHFSPlusFileCache.h"
#include "HFSPlus/HFSPlusLib/CHFSPlusRawfile.h"
#include "HFSPlus/HFSPlusLib/HFSPlusErrors.h"
#include "HFSPlusTestSupport.h"
#include "HFSPlusWrittenVolume.h"
#include "Utility/ByteReader.h"
#include "support/TempDir.h"

namespace quellsy::test {
namespace {

namespace fmt = quellsy::hfsplus;

// Walks the catalog and checks that every folder and file written is found under its path, and that every
// file reads back byte for byte through its extents.
void ExpectWalkFindsEverything(WrittenVolume& v) {
  CatalogListing listing;
  CountingProgress progress;
  ASSERT_EQ(v.volume->Traverse(4, &listing, &progress), kResultOk);
  const auto entries = listing.Entries();
  EXPECT_EQ(entries.size(), v.ids.size());
  EXPECT_EQ(listing.records(), static_cast<int>(v.writer->CatalogLeafRecords()));
  for (const auto& [path, id] : v.ids) {
    const auto found = entries.find(id);
    ASSERT_NE(found, entries.end()) << path;
    EXPECT_EQ(found->second.path, path);
    const auto data = v.files.find(path);
    EXPECT_EQ(found->second.folder, data == v.files.end()) << path;
    if (data != v.files.end()) {
      EXPECT_EQ(ReadFork(*v.volume, id, found->second.dataFork), data->second) << path;
    }
  }
}

std::u16string NameOf(const std::string& path) {
  const std::string name = path.substr(path.rfind('/') + 1);
  std::u16string units;
  for (std::size_t i = 0; i < name.size();) {  // decodes the UTF-8 the test itself wrote
    const auto c = static_cast<unsigned char>(name[i]);
    if (c < 0x80) {
      units += static_cast<char16_t>(c);
      i += 1;
    } else if (c < 0xE0) {
      units += static_cast<char16_t>(((c & 0x1F) << 6) | (name[i + 1] & 0x3F));
      i += 2;
    } else {
      units += static_cast<char16_t>(((c & 0x0F) << 12) | ((name[i + 1] & 0x3F) << 6) | (name[i + 2] & 0x3F));
      i += 3;
    }
  }
  return units;
}

struct GeometryCase {
  const char* name;
  bool hfsx;
  std::uint8_t compareType;
  std::uint32_t blockSize;
  unsigned sectorSize;  // 0: the device does not know its sector size
  std::uint16_t catalogNodeSize;
  std::uint16_t maxRecordsPerNode;
};

void PrintTo(const GeometryCase& c, std::ostream* os) { *os << c.name; }

class VolumeGeometry : public ::testing::TestWithParam<GeometryCase> {};

TEST_P(VolumeGeometry, OpensWalksAndSearchesEveryKey) {
  const auto& c = GetParam();
  HFSPlusWriterOptions options;
  options.hfsx = c.hfsx;
  options.keyCompareType = c.compareType;
  options.blockSize = c.blockSize;
  options.totalBlocks = static_cast<std::uint32_t>((4u << 20) / c.blockSize);
  options.catalogNodeSize = c.catalogNodeSize;
  options.maxRecordsPerNode = c.maxRecordsPerNode;
  auto v = WriteVolume(options, [&](VolumeContent& content) { StandardContent(content, c.blockSize); }, c.sectorSize);
  ASSERT_EQ(v.volume->GetLastError(), kResultOk);
  EXPECT_EQ(v.volume->GetSectorSize(), c.sectorSize == 0 ? 512u : c.sectorSize);
  const auto* header = v.volume->GetVolumeHeader();
  ASSERT_NE(header, nullptr);
  EXPECT_EQ(header->signature, c.hfsx ? 0x4858 : 0x482B);
  EXPECT_EQ(header->blockSize, c.blockSize);
  EXPECT_EQ(header->totalBlocks, options.totalBlocks);
  EXPECT_TRUE(CHFSPlusVolume::IsValidVolumeHeader(v.image->Read(1024, 512)));
  const std::uint8_t expectedCompare = c.hfsx ? c.compareType : fmt::kCaseFolding;
  EXPECT_EQ(v.volume->GetKeyCompareType(), expectedCompare);
  if (c.maxRecordsPerNode != 0) {
    EXPECT_GE(v.writer->CatalogDepth(), 3);
  }

  ExpectWalkFindsEverything(v);

  for (const auto& [path, id] : v.ids) {
    const auto parent = path.find('/') == std::string::npos ? fmt::kRootFolderID : v.ids.at(path.substr(0, path.rfind('/')));
    HFSPlusSearchResult result;
    std::optional<BTRecord> record;
    ASSERT_EQ(v.volume->Search(4, BTKey{CatalogKeyOf(parent, NameOf(path))}, result, &record), kResultOk) << path;
    ASSERT_EQ(result.found, 1) << path;
    ASSERT_TRUE(record.has_value());
    const auto* file = std::get_if<HFSPlusCatalogFile>(&*record);
    const auto* folder = std::get_if<HFSPlusCatalogFolder>(&*record);
    EXPECT_EQ(file != nullptr ? file->fileID : folder->folderID, id) << path;

    // The thread record of the ID names the parent.
    ASSERT_EQ(v.volume->Search(4, BTKey{CatalogKeyOf(id, u"")}, result, &record), kResultOk);
    ASSERT_EQ(result.found, 1);
    EXPECT_EQ(std::get<HFSPlusCatalogThread>(*record).parentID, parent);
  }

  // The same name in other case: one file to a volume that folds case, none to a binary one.
  HFSPlusSearchResult result;
  const auto docs = v.ids.at("Users/alice/Documents");
  ASSERT_EQ(v.volume->Search(4, BTKey{CatalogKeyOf(docs, u"abc.TXT")}, result, nullptr), kResultOk);
  EXPECT_EQ(result.found, expectedCompare == fmt::kCaseFolding ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, VolumeGeometry,
    ::testing::Values(GeometryCase{"hfsplus_4k_blocks", false, 0xCF, 4096, 512, 4096, 0},
                      GeometryCase{"hfsplus_512_blocks", false, 0xCF, 512, 512, 4096, 0},
                      GeometryCase{"hfsplus_512_blocks_4k_sectors", false, 0xCF, 512, 4096, 4096, 0},
                      GeometryCase{"hfsplus_4k_sectors", false, 0xCF, 4096, 4096, 8192, 0},
                      GeometryCase{"sector_size_unknown", false, 0xCF, 4096, 0, 4096, 0},
                      GeometryCase{"hfsx_folding", true, 0xCF, 4096, 512, 4096, 0},
                      GeometryCase{"hfsx_binary", true, 0xBC, 4096, 512, 4096, 0},
                      GeometryCase{"index_levels", false, 0xCF, 4096, 512, 4096, 3},
                      GeometryCase{"hfsx_binary_index_levels", true, 0xBC, 512, 4096, 512, 3}),
    [](const auto& test) { return std::string(test.param.name); });

struct CompareTypeCase {
  const char* name;
  bool hfsx;
  std::uint8_t stored;    // keyCompareType written into the catalog's header record
  std::uint8_t expected;  // the comparison the volume uses
};

void PrintTo(const CompareTypeCase& c, std::ostream* os) { *os << c.name; }

class CatalogCompareType : public ::testing::TestWithParam<CompareTypeCase> {};

// HFS+ always folds case whatever its header record says; only HFSX chooses by keyCompareType.
TEST_P(CatalogCompareType, ChosenBySignatureThenHeaderRecord) {
  const auto& c = GetParam();
  HFSPlusWriterOptions options;
  options.hfsx = c.hfsx;
  auto v = WriteVolume(options, [](VolumeContent& content) { content.File(2, u"Mixed.Case", 5); });
  const auto& catalog = v.writer->SpecialFork(fmt::kCatalogFileID).extents.front();
  v.image->Write(std::uint64_t{catalog.startBlock} * 4096 + 14 + 37, std::vector<std::uint8_t>{c.stored});
  v.Open(512);
  ASSERT_EQ(v.volume->GetLastError(), kResultOk);
  EXPECT_EQ(v.volume->GetKeyCompareType(), c.expected);
  HFSPlusSearchResult result;
  ASSERT_EQ(v.volume->Search(4, BTKey{CatalogKeyOf(2, u"mixed.case")}, result, nullptr), kResultOk);
  EXPECT_EQ(result.found, c.expected == fmt::kCaseFolding ? 1 : 0);
  ASSERT_EQ(v.volume->Search(4, BTKey{CatalogKeyOf(2, u"Mixed.Case")}, result, nullptr), kResultOk);
  EXPECT_EQ(result.found, 1);
}

INSTANTIATE_TEST_SUITE_P(Cases, CatalogCompareType,
                         ::testing::Values(CompareTypeCase{"hfsplus_folding", false, 0xCF, 0xCF},
                                           CompareTypeCase{"hfsplus_zero", false, 0x00, 0xCF},
                                           CompareTypeCase{"hfsplus_binary", false, 0xBC, 0xCF},
                                           CompareTypeCase{"hfsx_folding", true, 0xCF, 0xCF},
                                           CompareTypeCase{"hfsx_binary", true, 0xBC, 0xBC},
                                           CompareTypeCase{"hfsx_zero", true, 0x00, 0x00}),
                         [](const auto& test) { return std::string(test.param.name); });

TEST(VolumeOpen, RefusesNullDeviceAndShortImage) {
  CHFSPlusVolume none(nullptr, false);
  EXPECT_EQ(ErrorOf(none.GetLastError()), 5u);
  EXPECT_EQ(none.GetVolumeHeader(), nullptr);

  auto tiny = std::make_shared<SparseImage>(1024);
  SparseDevice device(tiny, 512);
  CHFSPlusVolume shortVolume(&device, false);
  EXPECT_EQ(ErrorOf(shortVolume.GetLastError()), 0xEu);
}

TEST(VolumeSearch, UnsupportedFileIDsAndMissingKeys) {
  auto v = WriteVolume({}, [](VolumeContent& c) { StandardContent(c, 4096); });
  HFSPlusSearchResult result;
  EXPECT_EQ(ErrorOf(v.volume->Search(6, BTKey{CatalogKeyOf(2, u"x")}, result, nullptr)), 3u);
  CountingProgress progress;
  EXPECT_EQ(ErrorOf(v.volume->Traverse(3, nullptr, &progress)), 3u);
}

TEST(VolumeSearch, AbsentKeyBetweenTwoRecordsPointsAtTheLarger) {
  auto v = WriteVolume({}, [](VolumeContent& c) {
    c.File(2, u"b01", 10);
    c.File(2, u"b03", 10);
  });
  HFSPlusSearchResult larger;
  ASSERT_EQ(v.volume->Search(4, BTKey{CatalogKeyOf(2, u"b03")}, larger, nullptr), kResultOk);
  ASSERT_EQ(larger.found, 1);
  HFSPlusSearchResult between;
  std::optional<BTRecord> record = BTRecord{HFSPlusExtentRecord{}};
  ASSERT_EQ(v.volume->Search(4, BTKey{CatalogKeyOf(2, u"b02")}, between, &record), kResultOk);
  EXPECT_EQ(between.found, 0);
  EXPECT_EQ(between.node, larger.node);
  EXPECT_EQ(between.index, larger.index);
  EXPECT_FALSE(record.has_value());

  // Past every key of the tree: nothing found, nothing pointed at.
  HFSPlusSearchResult after;
  ASSERT_EQ(v.volume->Search(4, BTKey{CatalogKeyOf(0xFFFFFFF0, u"z")}, after, nullptr), kResultOk);
  EXPECT_EQ(after.found, 0);
  EXPECT_EQ(after.node, 0u);
}

TEST(VolumeSearch, KeyBeforeTheWholeIndexFails) {
  HFSPlusWriterOptions options;
  options.maxRecordsPerNode = 3;
  auto v = WriteVolume(options, [](VolumeContent& c) { StandardContent(c, 4096); });
  ASSERT_GE(v.writer->CatalogDepth(), 2);
  HFSPlusSearchResult result;
  const auto code = v.volume->Search(4, BTKey{CatalogKeyOf(0, u"a")}, result, nullptr);
  EXPECT_TRUE(IsFailure(code));
  EXPECT_EQ(ErrorOf(code), 6u);
  EXPECT_EQ(result.found, 0);
}

TEST(OverflowExtents, FilesAndCatalogPastEightExtentsReadBack) {
  HFSPlusWriterOptions options;
  options.catalogPieces = 12;
  options.maxRecordsPerNode = 3;  // the extents tree gets index levels too
  auto v = WriteVolume(options, [](VolumeContent& c) {
    StandardContent(c, 4096);
    for (int i = 0; i < 4; ++i) c.File(2, u"many" + std::u16string(1, static_cast<char16_t>(u'a' + i)), 40 * 4096, 33);
  });
  ASSERT_EQ(v.volume->GetLastError(), kResultOk);
  EXPECT_EQ(v.volume->GetCatalogFile()->Extents().size(), 12u);
  ExpectWalkFindsEverything(v);

  // Offsets inside the catalog's last piece and a file's 30th piece, and one in the gap before it.
  const auto& catalog = v.writer->SpecialFork(fmt::kCatalogFileID).extents;
  EXPECT_EQ(v.volume->GetNodeBelongToFile(std::uint64_t{catalog.back().startBlock} * 4096 + 100), fmt::kCatalogFileID);
  const auto id = v.ids.at("manyc");
  const auto& fork = v.writer->DataFork(id);
  ASSERT_EQ(fork.extents.size(), 33u);
  HFSPlusSearchResult result;
  std::optional<BTRecord> record;
  ASSERT_EQ(v.volume->Search(4, BTKey{CatalogKeyOf(2, u"manyc")}, result, &record), kResultOk);
  const auto& dataFork = std::get<HFSPlusCatalogFile>(*record).dataFork;
  const std::uint64_t inPiece = std::uint64_t{fork.extents[29].startBlock} * 4096 + 4095;
  EXPECT_TRUE(v.volume->IsBelongToFile(id, dataFork, inPiece));
  EXPECT_FALSE(v.volume->IsBelongToFile(id, dataFork, std::uint64_t{fork.extents[29].startBlock - 1} * 4096));
  EXPECT_EQ(v.volume->GetNodeBelongToFile(inPiece), 0u);
  const auto& alloc = v.writer->SpecialFork(fmt::kAllocationFileID).extents.front();
  EXPECT_EQ(v.volume->GetNodeBelongToFile(std::uint64_t{alloc.startBlock} * 4096), fmt::kAllocationFileID);
  const auto& extents = v.writer->SpecialFork(fmt::kExtentsFileID).extents.front();
  EXPECT_EQ(v.volume->GetNodeBelongToFile(std::uint64_t{extents.startBlock} * 4096 + 1), fmt::kExtentsFileID);
  const auto& attrs = v.writer->SpecialFork(fmt::kAttributesFileID).extents.front();
  EXPECT_EQ(v.volume->GetNodeBelongToFile(std::uint64_t{attrs.startBlock} * 4096 + 2), fmt::kAttributesFileID);
}

TEST(OverflowExtents, ExtentsFileNeedingOverflowFailsTheVolume) {
  HFSPlusWriterOptions options;
  options.extentsPieces = 9;
  options.maxRecordsPerNode = 2;
  auto v = WriteVolume(options, [](VolumeContent& c) {
    for (int i = 0; i < 9; ++i) c.File(2, u"f" + std::u16string(1, static_cast<char16_t>(u'a' + i)), 12 * 4096, 12);
  });
  ASSERT_GT(v.writer->SpecialFork(fmt::kExtentsFileID).extents.size(), 8u);
  EXPECT_TRUE(IsFailure(v.volume->GetLastError()));
  EXPECT_EQ(ErrorOf(v.volume->GetLastError()), 6u);
}

TEST(OverflowExtents, RecordThatAddsNoBlocksEndsTheChain) {
  auto v = WriteVolume({}, [](VolumeContent& c) { c.File(2, u"split", 12 * 4096, 12); });
  // Zero the overflow record's extents: the chain must stop there, not search the same key again.
  const auto& extentsFile = v.writer->SpecialFork(fmt::kExtentsFileID).extents.front();
  const std::uint64_t leaf = std::uint64_t{extentsFile.startBlock} * 4096 + 4096;  // node 1
  v.image->Write(leaf + 14 + 12, std::vector<std::uint8_t>(64, 0));
  v.Open(512);
  ASSERT_EQ(v.volume->GetLastError(), kResultOk);
  HFSPlusSearchResult result;
  std::optional<BTRecord> record;
  ASSERT_EQ(v.volume->Search(4, BTKey{CatalogKeyOf(2, u"split")}, result, &record), kResultOk);
  const auto& fork = std::get<HFSPlusCatalogFile>(*record).dataFork;
  CHFSPlusRawfile file(v.volume.get(), v.ids.at("split"), fork);
  EXPECT_EQ(ErrorOf(file.GetLastError()), 6u);
  EXPECT_FALSE(v.volume->IsBelongToFile(v.ids.at("split"), fork, 0));
}

TEST(DamagedTree, IndexLinkBackToTheRootEndsSearchAndWalk) {
  HFSPlusWriterOptions options;
  options.maxRecordsPerNode = 3;
  auto v = WriteVolume(options, [](VolumeContent& c) { StandardContent(c, 4096); });
  const auto* header = v.volume->GetCatalog()->GetHeaderRec();
  ASSERT_NE(header, nullptr);
  const std::uint32_t root = header->rootNode;
  const auto& catalog = v.writer->SpecialFork(fmt::kCatalogFileID).extents.front();
  const std::uint64_t rootAt = std::uint64_t{catalog.startBlock} * 4096 + std::uint64_t{root} * 4096;
  // Record 0 of the root: its key, then the child number; point the child at the root itself.
  const auto node = v.image->Read(rootAt, 4096);
  const std::size_t record0 = be16(node, 4094).value();
  const std::size_t keySize = be16(node, record0).value() + 2u;
  std::vector<std::uint8_t> self(4);
  FieldWriter(self).be32(0, root);
  v.image->Write(rootAt + record0 + keySize, self);
  v.Open(512);
  ASSERT_EQ(v.volume->GetLastError(), kResultOk);

  HFSPlusSearchResult result;
  const auto code = v.volume->Search(4, BTKey{CatalogKeyOf(1, u"QuellsyHFS")}, result, nullptr);
  EXPECT_EQ(ErrorOf(code), 6u);
  CatalogListing listing;
  CountingProgress progress;
  EXPECT_EQ(ErrorOf(v.volume->Traverse(4, &listing, &progress)), 6u);
}

// The real catalog's nodes and keys, counting the nodes a tree reads through it.
class CountingCatalog final : public IHFSPlusBTreeOption {
 public:
  explicit CountingCatalog(IHFSPlusBTreeOption& real) : real_(real) {}
  int Compare(const BTKey& a, const BTKey& b) override { return real_.Compare(a, b); }
  std::optional<BTKey> KeyRead(CHFSPlusBTNode& node, std::uint16_t index) override { return real_.KeyRead(node, index); }
  void KeyPrint(const BTKey& key) override { real_.KeyPrint(key); }
  std::optional<BTRecord> DataRead(CHFSPlusBTNode& node, std::uint16_t index) override {
    return real_.DataRead(node, index);
  }
  void DataPrint(const BTRecord& record) override { real_.DataPrint(record); }
  std::uint32_t GetChild(CHFSPlusBTNode& node, std::uint16_t index) override { return real_.GetChild(node, index); }
  std::uint32_t GetRoot() override { return real_.GetRoot(); }
  std::unique_ptr<CHFSPlusBTNode> CreateNode(std::uint32_t number) override {
    auto node = real_.CreateNode(number);
    ++(node && node->Descriptor()->kind == fmt::kIndexNode ? indexReads : otherReads);
    return node;
  }
  ResultCode GetLastError() override { return real_.GetLastError(); }
  const BTHeaderRec* GetHeaderRec() override { return real_.GetHeaderRec(); }
  std::uint32_t GetNodeCount() override { return real_.GetNodeCount(); }

  int indexReads = 0;
  int otherReads = 0;

 private:
  IHFSPlusBTreeOption& real_;
};

TEST(TreeSearch, ReadsEveryIndexNodeOnceAcrossManySearches) {
  HFSPlusWriterOptions options;
  options.maxRecordsPerNode = 3;
  auto v = WriteVolume(options, [](VolumeContent& c) { StandardContent(c, 4096); });
  ASSERT_EQ(v.volume->GetLastError(), kResultOk);
  ASSERT_GE(v.writer->CatalogDepth(), 3);
  CHFSPlusCatalog& catalog = *v.volume->GetCatalog();
  int indexNodes = 0;
  for (std::uint32_t number = 0; number < catalog.GetNodeCount(); ++number) {
    const auto node = catalog.CreateNode(number);
    indexNodes += node && node->Descriptor()->kind == fmt::kIndexNode ? 1 : 0;
  }
  CountingCatalog counting(catalog);
  CHFSPlusBTree tree(&counting);
  int searches = 0;
  for (const auto& [path, id] : v.ids) {
    HFSPlusSearchResult result;
    ASSERT_EQ(tree.Search(BTKey{CatalogKeyOf(id, u"")}, result, nullptr), kResultOk) << path;  // its thread record
    EXPECT_EQ(result.found, 1) << path;
    ++searches;
  }
  ASSERT_GT(searches, 2 * indexNodes);
  // Each search reads its leaf; the index nodes above the leaves are read once for all of them.
  EXPECT_EQ(counting.otherReads, searches);
  EXPECT_LE(counting.indexReads, indexNodes);
}

struct StopCase {
  const char* name;
  std::uint16_t maxRecords;  // 0: one leaf
  int allowed;               // questions answered true
  int visited;               // leaf records the visitor gets
  std::uint32_t error;       // 0 or the error number
};

void PrintTo(const StopCase& c, std::ostream* os) { *os << c.name; }

class StoppedWalk : public ::testing::TestWithParam<StopCase> {};

TEST_P(StoppedWalk, StopsBeforeTheNextRecordOrNode) {
  const auto& c = GetParam();
  HFSPlusWriterOptions options;
  options.maxRecordsPerNode = c.maxRecords;
  // Root, its folder and thread, four files with their threads: 10 leaf records.
  auto v = WriteVolume(options, [](VolumeContent& content) {
    for (char16_t n = u'a'; n < u'e'; ++n) content.File(2, std::u16string(1, n), 10);
  });
  ASSERT_EQ(v.writer->CatalogLeafRecords(), 10u);
  CatalogListing listing;
  CountingProgress progress(c.allowed);
  const auto code = v.volume->Traverse(4, &listing, &progress);
  EXPECT_EQ(ErrorOf(code), c.error);
  EXPECT_EQ(listing.records(), c.visited);
}

// Questions: one before every node and one before every record (index records included).
INSTANTIATE_TEST_SUITE_P(
    Cases, StoppedWalk,
    ::testing::Values(StopCase{"refused_before_root", 0, 0, 0, 0xD}, StopCase{"refused_at_first_record", 0, 1, 0, 0},
                      StopCase{"five_records", 0, 6, 5, 0}, StopCase{"all_records", 0, -1, 10, 0},
                      // Two leaves of 5 under one root: root, index record, leaf, its 5 records, the
                      // second index record, the second leaf, its records.
                      StopCase{"refused_at_second_index_record", 5, 8, 5, 0},
                      StopCase{"refused_before_second_leaf", 5, 9, 5, 0xD},
                      StopCase{"refused_inside_second_leaf", 5, 12, 7, 0}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(StoppedWalk, NothingWithoutProgress) {
  auto v = WriteVolume({}, [](VolumeContent& c) { c.File(2, u"a", 1); });
  CatalogListing listing;
  EXPECT_EQ(v.volume->Traverse(4, &listing, nullptr), kResultOk);
  EXPECT_EQ(listing.records(), 0);
}

TEST(Attributes, InlineValuesForkRecordsAndDeletedOnes) {
  HFSPlusWriterOptions options;
  options.maxRecordsPerNode = 3;  // index levels in the attributes tree
  const auto small = PatternBytes(37, 5);
  const auto big = PatternBytes(3 * 4096 + 1, 6);
  std::uint32_t a = 0;
  std::uint32_t b = 0;
  auto v = WriteVolume(options, [&](VolumeContent& c) {
    a = c.File(2, u"a.txt", 10);
    b = c.File(2, u"b.txt", 10);
    for (int i = 0; i < 5; ++i) {
      c.writer().AddInlineAttribute(a, "com.example.n" + std::to_string(i), PatternBytes(3 + i, 9 + i));
    }
    c.writer().AddInlineAttribute(b, "com.example.small", small);
    c.writer().AddInlineAttribute(b, "com.example.empty", {});
    c.writer().AddForkAttribute(b, "com.example.big", big);
  });
  ASSERT_EQ(v.volume->GetLastError(), kResultOk);

  std::vector<std::uint8_t> value;
  EXPECT_EQ(v.volume->getAttribute(b, "com.example.small", &value), small.size());
  EXPECT_EQ(value, small);
  EXPECT_EQ(v.volume->getAttribute(b, "com.example.empty", &value), 0u);
  EXPECT_TRUE(value.empty());
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(v.volume->getAttribute(a, ("com.example.n" + std::to_string(i)).c_str(), &value), 3u + i);
    EXPECT_EQ(value, PatternBytes(3 + i, 9 + i));
  }
  EXPECT_EQ(v.volume->getAttribute(a, "com.example.small", &value), 0u);  // another file's name

  ::testing::internal::CaptureStderr();
  EXPECT_EQ(v.volume->getAttribute(b, "com.example.big", &value), 0u);
  EXPECT_NE(::testing::internal::GetCapturedStderr().find("unsupported attribute node format"), std::string::npos);
  EXPECT_TRUE(value.empty());

  // The fork record itself is found by a search and its data read back through its extents.
  HFSPlusAttrKey key;
  key.fileID = b;
  for (const char ch : std::string("com.example.big")) key.name.push_back(static_cast<std::uint16_t>(ch));
  key.keyLength = static_cast<std::uint16_t>(12 + 2 * key.name.size());
  HFSPlusSearchResult result;
  std::optional<BTRecord> record;
  ASSERT_EQ(v.volume->Search(8, BTKey{key}, result, &record), kResultOk);
  ASSERT_EQ(result.found, 1);
  const auto& fork = std::get<HFSPlusAttrForkData>(*record).theFork;
  EXPECT_EQ(fork.logicalSize, big.size());
  EXPECT_EQ(ReadFork(*v.volume, b, fork), big);

  // A deleted attribute is found when the live tree has none; the newest entry of a key wins.
  HFSPlusAttrKey gone = key;
  gone.name = {'o', 'l', 'd'};
  HFSPlusAttrData older{2, {1, 2}};
  HFSPlusAttrData newer{3, {7, 8, 9}};
  v.volume->AddDeletedAttribute(gone, older);
  v.volume->AddDeletedAttribute(gone, newer);
  EXPECT_EQ(v.volume->getAttribute(b, "old", &value), 3u);
  EXPECT_EQ(value, newer.value);
}

TEST(DeletedLists, FirstEqualKeyNewestFirst) {
  auto v = WriteVolume({}, [](VolumeContent& c) { c.File(2, u"a", 1); });
  HFSPlusExtentKey key;
  key.fileID = 99;
  key.startBlock = 8;
  HFSPlusExtentRecord first{};
  first[0] = {100, 5};
  HFSPlusExtentRecord second{};
  second[0] = {200, 6};
  v.volume->AddDeletedExtent(key, first);
  v.volume->AddDeletedExtent(key, second);
  HFSPlusSearchResult result;
  std::optional<BTRecord> record;
  ASSERT_EQ(v.volume->FindDeleteExtent(key, result, &record), kResultOk);
  ASSERT_EQ(result.found, 1);
  EXPECT_EQ(std::get<HFSPlusExtentRecord>(*record)[0], (HFSPlusExtentDescriptor{200, 6}));
  key.startBlock = 9;
  EXPECT_EQ(v.volume->FindDeleteExtent(key, result, &record), kResultOk);
  EXPECT_EQ(result.found, 0);

  HFSPlusCatalogThread thread{4, 77, {'x'}};
  v.volume->AddDeletedCatalog(CatalogKeyOf(500, u"Gone.TXT"), thread);
  ASSERT_EQ(v.volume->FindDeleteCatalog(CatalogKeyOf(500, u"gone.txt"), result, &record), kResultOk);
  EXPECT_EQ(result.found, 1);  // the catalog compares as the volume does: folding case
  EXPECT_EQ(std::get<HFSPlusCatalogThread>(*record).parentID, 77u);
}

TEST(RestoreOpen, NoCatalogButAttributesAndExtentsWork) {
  std::uint32_t id = 0;
  auto v = WriteVolume({}, [&](VolumeContent& c) {
    id = c.File(2, u"split", 12 * 4096, 12);
    c.writer().AddInlineAttribute(id, "com.example.kept", {1, 2, 3});
  });
  v.Open(512, true);
  // Opened for a restored scan: without its catalog the volume is still usable, and says so.
  EXPECT_EQ(v.volume->GetLastError(), kResultOk);
  EXPECT_EQ(v.volume->GetCatalogFile(), nullptr);
  std::vector<std::uint8_t> value;
  EXPECT_EQ(v.volume->getAttribute(id, "com.example.kept", &value), 3u);
  HFSPlusExtentKey key;
  key.fileID = id;
  key.startBlock = 8;
  HFSPlusSearchResult result;
  std::optional<BTRecord> record;
  ASSERT_EQ(v.volume->Search(3, BTKey{key}, result, &record), kResultOk);
  EXPECT_EQ(result.found, 1);
  EXPECT_EQ(std::get<HFSPlusExtentRecord>(*record)[0], v.writer->DataFork(id).extents[8]);
}

TEST(CatalogCache, HoldsRecentPiecesOnlyAndReadsTheRestFromTheDevice) {
  constexpr std::uint64_t kMiB = 1 << 20;
  constexpr std::uint64_t kPiece = CHFSPlusFileCache::kPieceBytes;
  HFSPlusWriterOptions options;
  options.totalBlocks = static_cast<std::uint32_t>(16 * kMiB / 4096);
  options.catalogMinBytes = 3 * CHFSPlusFileCache::kCacheLimit;
  auto v = WriteVolume(options, [](VolumeContent& c) { c.File(2, u"a", 1); });
  ASSERT_EQ(v.volume->GetLastError(), kResultOk);
  auto* catalog = v.volume->GetCatalogFile();
  // A catalog three times the limit is never held whole.
  EXPECT_EQ(catalog->CachedBytes(), CHFSPlusFileCache::kCacheLimit);
  const auto& extent = v.writer->SpecialFork(fmt::kCatalogFileID).extents.front();
  ASSERT_EQ(v.writer->SpecialFork(fmt::kCatalogFileID).extents.size(), 1u);
  const std::uint64_t base = std::uint64_t{extent.startBlock} * 4096;
  const std::uint64_t far = 2 * CHFSPlusFileCache::kCacheLimit + 5 * kPiece;  // past the last node in use
  const auto first = PatternBytes(64, 21);
  v.image->Write(base + far, first);

  std::vector<std::uint8_t> got(64);
  v.device->ResetCounters();
  ASSERT_EQ(catalog->Read(far, got.data(), got.size()), got.size());
  EXPECT_EQ(got, first);
  EXPECT_GT(v.device->SectorsRead(), 0);
  // Read again: from memory, even after the device changed under it.
  v.image->Write(base + far, PatternBytes(64, 22));
  v.device->ResetCounters();
  ASSERT_EQ(catalog->Read(far, got.data(), got.size()), got.size());
  EXPECT_EQ(got, first);
  EXPECT_EQ(v.device->SectorsRead(), 0);
  // A piece that takes the same place in the cache pushes it out: the device's bytes are read again.
  ASSERT_EQ(catalog->Read(far - CHFSPlusFileCache::kCacheLimit, got.data(), got.size()), got.size());
  ASSERT_EQ(catalog->Read(far, got.data(), got.size()), got.size());
  EXPECT_EQ(got, PatternBytes(64, 22));

  // A read across pieces (the later ones read ahead in one go) comes back whole.
  const std::uint64_t from = CHFSPlusFileCache::kCacheLimit + 40 * kPiece - 100;
  const auto across = PatternBytes(3 * kPiece, 23);
  v.image->Write(base + from, across);
  std::vector<std::uint8_t> spanning(across.size());
  ASSERT_EQ(catalog->Read(from, spanning.data(), spanning.size()), spanning.size());
  EXPECT_EQ(spanning, across);
}

TEST(LargeVolume, OffsetsAboveFourGiB) {
  HFSPlusWriterOptions options;
  options.totalBlocks = 3u << 20;             // 12 GiB of 4 KiB blocks
  options.allocationStart = (1u << 20) + 77;  // everything above 4 GiB
  auto v = WriteVolume(options, [](VolumeContent& c) { StandardContent(c, 4096); });
  ASSERT_EQ(v.volume->GetLastError(), kResultOk);
  ExpectWalkFindsEverything(v);
  const auto& catalog = v.writer->SpecialFork(fmt::kCatalogFileID).extents.front();
  const std::uint64_t inCatalog = std::uint64_t{catalog.startBlock} * 4096 + 5;
  ASSERT_GT(inCatalog, 4ull << 30);
  EXPECT_EQ(v.volume->GetNodeBelongToFile(inCatalog), fmt::kCatalogFileID);
  EXPECT_EQ(v.volume->GetNodeBelongToFile(inCatalog - (4ull << 30)), 0u);  // the same offset cut to 32 bits

  // A file's piece above 4 GiB, through its own fork record.
  const auto id = v.ids.at("Users/alice/Pictures/fragments.bin");
  HFSPlusSearchResult result;
  std::optional<BTRecord> record;
  ASSERT_EQ(v.volume->Search(4, BTKey{CatalogKeyOf(v.ids.at("Users/alice/Pictures"), u"fragments.bin")}, result, &record),
            kResultOk);
  const auto& fork = std::get<HFSPlusCatalogFile>(*record).dataFork;
  const std::uint64_t piece = std::uint64_t{v.writer->DataFork(id).extents[5].startBlock} * 4096;
  EXPECT_TRUE(v.volume->IsBelongToFile(id, fork, piece));
  EXPECT_FALSE(v.volume->IsBelongToFile(id, fork, piece - (4ull << 30)));
}

}  // namespace
}  // namespace quellsy::test
