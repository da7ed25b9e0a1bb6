// The HFS+ quick searcher over written volumes: deleted nodes from the journal and live ones from the catalog,
// the progress totals, stopping, the partition record, and the volume's life after the searcher.

#include <gtest/gtest.h>

#include <memory>

#include "Engines/BuiltInEngines.h"
#include "HFSPlus/HFSPlusLib/CHFSPlusFileNode.h"
#include "HFSPlus/HFSPlusLib/CHFSPlusVolume.h"
#include "HFSPlus/HFSPlusSearch/CHFSPlusQuickFileSystemSearchController.h"
#include "HFSPlus/HFSPlusSearch/CHFSPlusVolumeAnalyze.h"
#include "../HFSPlusLib/HFSPlusWrittenVolume.h"
#include "include/EngineRegistry.h"
#include "include/IFileReader.h"
#include "include/SearchPartitionInfoStruct.h"
#include "support/RecordingTreeBuilder.h"
#include "support/TempDir.h"

namespace quellsy::test {
namespace {

namespace fmt = quellsy::hfsplus;

// Keeps the last record it was sent; stops once it has been sent stopAt records (never when 0).
class RecordingSink : public IProgress {
 public:
  explicit RecordingSink(int stopAt = 0) : stopAt_(stopAt) {}
  void UpdateProgress(_PROGRESS_INFO* info) override {
    last_ = *info;
    ++reports_;
  }
  int Continued() override { return stopAt_ == 0 || reports_ < stopAt_ ? 1 : 0; }
  int shouldBuild() override { return 1; }
  const _PROGRESS_INFO& last() const { return last_; }

 private:
  int stopAt_;
  _PROGRESS_INFO last_{};
  int reports_ = 0;
};

struct Searched {
  WrittenVolume volume;
  std::unique_ptr<RecordingTreeBuilder> builder = std::make_unique<RecordingTreeBuilder>();
  std::unique_ptr<IQuickFileSystemSearchController> searcher{CreateHFSPlusQuickSearcher()};
  unsigned long long result = 0;
  std::map<std::string, std::uint32_t> deletedIDs;
};

// Ten live files in three folders, and four deleted records: three files (one inside a deleted folder) and
// the folder.
Searched SearchTenFilesThreeFoldersFourDeleted(IProgress* progress) {
  Searched s;
  HFSPlusWriterOptions options;
  options.journal.enabled = true;
  s.volume = WriteVolume(options, [&](VolumeContent& c) {
    const std::uint32_t a = c.Folder(2, u"a");
    const std::uint32_t b = c.Folder(a, u"b");
    c.Folder(2, u"c");
    for (int i = 0; i < 10; ++i) c.File(i < 5 ? a : b, std::u16string(u"f") + static_cast<char16_t>(u'0' + i), 100 + i);
    HFSPlusWriter& w = c.writer();
    const std::uint32_t gone = w.AddFolder(2, u"gone");
    s.deletedIDs["gone"] = gone;
    s.deletedIDs["x.bin"] = w.AddFile(gone, u"x.bin", PatternBytes(5000, 11));
    s.deletedIDs["y.bin"] = w.AddFile(a, u"y.bin", PatternBytes(9000, 12), 10);
    s.deletedIDs["z.bin"] = w.AddFile(2, u"z.bin", PatternBytes(1, 13));
    for (const auto& [name, id] : s.deletedIDs) w.Delete(id);
  });
  s.volume.volume.reset();
  s.searcher->SetDirecotryTreeBuilder(s.builder.get());
  s.result = s.searcher->QuickSearchFiles(s.volume.device.get(), progress);
  return s;
}

TEST(HFSPlusQuickSearch, HandsDeletedThenLiveNodesAndCountsThem) {
  RecordingSink sink;
  Searched s = SearchTenFilesThreeFoldersFourDeleted(&sink);
  EXPECT_EQ(s.result, kResultOk);
  // 4 deleted + 10 files + 3 folders + 1 (the root folder).
  EXPECT_EQ(sink.last().total, 18u);
  EXPECT_EQ(sink.last().current, 18u);
  EXPECT_EQ(sink.last().status, PROGRESS_STATUS_FINISHED);
  ASSERT_EQ(s.builder->searchers().size(), 1u);
  EXPECT_EQ(s.builder->searchers()[0], std::make_pair(SEARCHER_HFSPLUS, 2LL));
  EXPECT_EQ(s.builder->flushes(), std::vector<_tagSearcherType>{SEARCHER_HFSPLUS});
  const auto& nodes = s.builder->nodes();
  ASSERT_EQ(nodes.size(), 18u);
  // The deleted ones first, none of them a thread.
  for (std::size_t i = 0; i < nodes.size(); ++i) {
    EXPECT_EQ(nodes[i].deleted, i < 4) << nodes[i].name;
    EXPECT_EQ(nodes[i].searcher, SEARCHER_HFSPLUS);
  }
  for (const auto& [name, id] : s.deletedIDs) {
    const auto* node = s.builder->Find(name);
    ASSERT_NE(node, nullptr) << name;
    EXPECT_TRUE(node->deleted);
    EXPECT_EQ(node->id, id);
    EXPECT_EQ(node->directory, name == "gone");
  }
  EXPECT_EQ(s.builder->Find("x.bin")->parentId, s.deletedIDs["gone"]);
  // Ten pieces of 9000 bytes on 4096-byte blocks: three blocks in three runs, all from the logged record.
  std::uint64_t blocks = 0;
  for (const auto& run : s.builder->Find("y.bin")->runs) blocks += static_cast<std::uint64_t>(run.length);
  EXPECT_EQ(blocks, 3u);
}

TEST(HFSPlusQuickSearch, VolumeWithoutJournalIsSearchedThroughItsCatalogAlone) {
  WrittenVolume v = WriteVolume({}, [](VolumeContent& c) { StandardContent(c, 4096); });
  RecordingTreeBuilder builder;
  RecordingSink sink;
  std::unique_ptr<IQuickFileSystemSearchController> searcher(CreateHFSPlusQuickSearcher());
  searcher->SetDirecotryTreeBuilder(&builder);
  EXPECT_EQ(searcher->QuickSearchFiles(v.device.get(), &sink), kResultOk);
  // The files, the four folders of the standard tree and the root folder.
  const std::size_t expected = v.files.size() + 4 + 1;
  EXPECT_EQ(builder.nodes().size(), expected);
  EXPECT_EQ(sink.last().total, expected);
  for (const auto& node : builder.nodes()) EXPECT_FALSE(node.deleted) << node.name;
  for (const auto& [path, data] : v.files) {
    const std::string name = path.substr(path.rfind('/') + 1);
    const auto* node = builder.Find(name);
    ASSERT_NE(node, nullptr) << path;
    EXPECT_EQ(node->size, static_cast<long long>(data.size()));
  }
}

TEST(HFSPlusQuickSearch, StopInTheDeletedLoopStillHandsThePairInHand) {
  // The walk reports four finds; the first deleted node makes the fifth report, and the question before the
  // second pair is answered stop: that pair is still handed over, the rest and the catalog walk are not.
  RecordingSink sink(5);
  Searched s = SearchTenFilesThreeFoldersFourDeleted(&sink);
  ASSERT_EQ(s.builder->nodes().size(), 2u);
  EXPECT_TRUE(s.builder->nodes()[0].deleted);
  EXPECT_TRUE(s.builder->nodes()[1].deleted);
  EXPECT_EQ(s.builder->flushes().size(), 1u);
}

TEST(HFSPlusQuickSearch, PartitionRecordCoversTheWholeDevice) {
  RecordingSink sink;
  Searched s = SearchTenFilesThreeFoldersFourDeleted(&sink);
  EXPECT_EQ(s.searcher->GetSearchedPartitionInfo(nullptr, 0), 1);
  CSearchedPartitionInfo* out[1] = {nullptr};
  EXPECT_EQ(s.searcher->GetSearchedPartitionInfo(out, 0), 0);
  ASSERT_EQ(s.searcher->GetSearchedPartitionInfo(out, 1), 1);
  std::unique_ptr<CSearchedPartitionInfo> record(out[0]);
  EXPECT_EQ(record->GetFileSystemType(), FILE_SYSTEM_HFSPLUS);
  EXPECT_EQ(record->GetPartitionIndex(), 0);
  EXPECT_EQ(record->GetSectorsPerCluster(), 4096u / 512u);
  EXPECT_EQ(record->GetStartSector(), 0);
  EXPECT_EQ(record->GetClusterOrigin(), 0);
  // 1024 blocks of 4096 bytes.
  EXPECT_EQ(record->GetTotalSectors(), 1024u * 8u);
  auto* controller = dynamic_cast<CHFSPlusQuickFileSystemSearchController*>(s.searcher.get());
  ASSERT_NE(controller, nullptr);
  EXPECT_EQ(record->GetPrivateData(), reinterpret_cast<std::uintptr_t>(controller->GetPrivateData()));
}

TEST(HFSPlusQuickSearch, DeviceThatIsNoVolumeGivesFailureAndNoNodes) {
  auto image = std::make_shared<SparseImage>(1 << 20);
  SparseDevice device(image, 512);
  RecordingTreeBuilder builder;
  RecordingSink sink;
  std::unique_ptr<IQuickFileSystemSearchController> searcher(CreateHFSPlusQuickSearcher());
  searcher->SetDirecotryTreeBuilder(&builder);
  EXPECT_TRUE(IsFailure(searcher->QuickSearchFiles(&device, &sink)));
  EXPECT_TRUE(builder.nodes().empty());
  EXPECT_TRUE(builder.flushes().empty());
  EXPECT_EQ(sink.last().status, PROGRESS_STATUS_FINISHED);
  // No device, no builder.
  EXPECT_TRUE(IsFailure(searcher->QuickSearchFiles(nullptr, &sink)));
  std::unique_ptr<IQuickFileSystemSearchController> unset(CreateHFSPlusQuickSearcher());
  EXPECT_TRUE(IsFailure(unset->QuickSearchFiles(&device, &sink)));
}

// The volume stays open while a node holds it, after the searcher has gone, and closes with the last node.
TEST(HFSPlusQuickSearch, VolumeLivesAsLongAsItsNodes) {
  std::uint32_t id = 0;
  const std::vector<std::uint8_t> data = PatternBytes(70000, 21);
  HFSPlusWriterOptions options;
  options.journal.enabled = true;
  WrittenVolume v = WriteVolume(options, [&](VolumeContent& c) {
    id = c.writer().AddCompressedFile(2, u"packed.txt", data, 4);
    c.writer().Delete(id);
  });
  v.volume.reset();
  auto builder = std::make_unique<RecordingTreeBuilder>();
  std::unique_ptr<IQuickFileSystemSearchController> searcher(CreateHFSPlusQuickSearcher());
  searcher->SetDirecotryTreeBuilder(builder.get());
  ASSERT_EQ(searcher->QuickSearchFiles(v.device.get(), nullptr), kResultOk);
  const auto* found = builder->Find("packed.txt");
  ASSERT_NE(found, nullptr);
  ASSERT_TRUE(found->deleted);
  auto* node = dynamic_cast<CHFSPlusFileNode*>(found->node);
  ASSERT_NE(node, nullptr);
  const std::weak_ptr<CHFSPlusVolume> volume = node->GetVolume()->weak_from_this();
  searcher.reset();
  ASSERT_FALSE(volume.expired());
  // The compressed content, through the decmpfs attribute the journal gave back.
  node->UpdateNodeInfo();
  EXPECT_EQ(node->GetFileSize(), static_cast<long long>(data.size()));
  std::unique_ptr<IFileReader, void (*)(IFileReader*)> reader(node->CreateCompressFileReader(nullptr),
                                                              [](IFileReader* r) { r->Release(); });
  ASSERT_NE(reader, nullptr);
  std::vector<std::uint8_t> got(data.size());
  EXPECT_EQ(reader->ReadData(0, reinterpret_cast<char*>(got.data()), static_cast<unsigned>(got.size()), nullptr),
            got.size());
  EXPECT_EQ(got, data);
  reader.reset();
  builder.reset();
  EXPECT_TRUE(volume.expired());
}

TEST(HFSPlusQuickSearch, RegisteredForTypeEightAndAsTheFourthProbe) {
  EngineRegistry::Instance().Reset();
  RegisterBuiltInEngines();
  std::unique_ptr<IQuickFileSystemSearchController> searcher(
      EngineRegistry::Instance().CreateQuickSearcher(FILE_SYSTEM_HFSPLUS));
  EXPECT_NE(dynamic_cast<CHFSPlusQuickFileSystemSearchController*>(searcher.get()), nullptr);
  WrittenVolume v = WriteVolume({}, [](VolumeContent& c) { c.File(2, u"a", 1); });
  int recognised = 0;
  for (const auto& factory : EngineRegistry::Instance().VolumeAnalyzersInProbeOrder()) {
    std::unique_ptr<IVolumeAnalyze> probe(factory(v.device.get(), 0));
    if (probe && probe->GetFileSystemType() == FILE_SYSTEM_HFSPLUS) ++recognised;
  }
  EXPECT_EQ(recognised, 1);
  EngineRegistry::Instance().Reset();
}

}  // namespace
}  // namespace quellsy::test
