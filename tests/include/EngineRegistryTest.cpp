#include <gtest/gtest.h>

#include <memory>

#include "include/EngineRegistry.h"
#include "include/FileNode.h"
#include "include/IFileReaderEx.h"
#include "include/IFileSystemSearchController.h"
#include "include/TestFileNode.h"
#include "support/MemoryDevice.h"

namespace {

using quellsy::EngineRegistry;

class FakeQuick : public IQuickFileSystemSearchController {
 public:
  explicit FakeQuick(int tag) : m_tag(tag) {}
  void SetDirecotryTreeBuilder(IDirecotryTreeBuilder*) override {}
  int GetSearchedPartitionInfo(CSearchedPartitionInfo**, int) override { return m_tag; }
  unsigned long long QuickSearchFiles(IStorageDevice*, IProgress*) override { return 0; }
  int m_tag;
};

class FakeComplete : public ICompleteFileSystemSearchController {
 public:
  void SetDirecotryTreeBuilder(IDirecotryTreeBuilder*) override {}
  int GetSearchedPartitionInfo(CSearchedPartitionInfo**, int) override { return 1; }
  void SetDevice(IStorageDevice*) override {}
  void SetBlockSize(int) override {}
  void PreparetoSearch() override {}
  void AnalyzeBlock(long long, long long) override {}
};

class FakeReaderEx : public IFileReaderEx {
 public:
  bool Open(IStorageDevice*, CFileNode*, long long, int) override { return true; }
  bool Read(long long, unsigned char*, int, int& got) override {
    got = 0;
    return true;
  }
};

class EngineRegistryTest : public testing::Test {
 protected:
  void SetUp() override { EngineRegistry::Instance().Reset(); }
  void TearDown() override { EngineRegistry::Instance().Reset(); }
  EngineRegistry& registry = EngineRegistry::Instance();
};

TEST_F(EngineRegistryTest, SearchersByTypeAndReset) {
  EXPECT_EQ(registry.CreateQuickSearcher(FILE_SYSTEM_FAT32), nullptr);
  EXPECT_EQ(registry.CreateCompleteSearcher(SEARCHER_NTFS), nullptr);
  for (enumFILE_SYSTEM_TYPE type : {FILE_SYSTEM_FAT12, FILE_SYSTEM_FAT16, FILE_SYSTEM_FAT32})
    registry.RegisterQuickSearcher(type, [] { return new FakeQuick(32); });
  registry.RegisterQuickSearcher(FILE_SYSTEM_NTFS, [] { return new FakeQuick(35); });
  registry.RegisterQuickSearcher(FILE_SYSTEM_APFS, [] { return nullptr; });  // there is no quick APFS search
  registry.RegisterCompleteSearcher(SEARCHER_NTFS, [] { return new FakeComplete(); });

  std::unique_ptr<IQuickFileSystemSearchController> fat(registry.CreateQuickSearcher(FILE_SYSTEM_FAT16));
  std::unique_ptr<IQuickFileSystemSearchController> ntfs(registry.CreateQuickSearcher(FILE_SYSTEM_NTFS));
  ASSERT_NE(fat, nullptr);
  ASSERT_NE(ntfs, nullptr);
  EXPECT_EQ(fat->GetSearchedPartitionInfo(nullptr, 0), 32);
  EXPECT_EQ(ntfs->GetSearchedPartitionInfo(nullptr, 0), 35);
  EXPECT_EQ(registry.CreateQuickSearcher(FILE_SYSTEM_APFS), nullptr);
  EXPECT_EQ(registry.CreateQuickSearcher(FILE_SYSTEM_EXFAT), nullptr);
  std::unique_ptr<ICompleteFileSystemSearchController> complete(registry.CreateCompleteSearcher(SEARCHER_NTFS));
  ASSERT_NE(complete, nullptr);
  EXPECT_EQ(registry.CreateCompleteSearcher(SEARCHER_FAT), nullptr);
  // The defaults of the optional slots.
  EXPECT_TRUE(complete->SetActivePartition(true));
  EXPECT_FALSE(complete->SetActivePartition(false));
  EXPECT_EQ(complete->GetBitmap(), nullptr);

  registry.Reset();
  EXPECT_EQ(registry.CreateQuickSearcher(FILE_SYSTEM_NTFS), nullptr);
  EXPECT_EQ(registry.CreateCompleteSearcher(SEARCHER_NTFS), nullptr);
}

TEST_F(EngineRegistryTest, NtfsCoreServices) {
  TestFileNode node;
  long long length = 0;
  unsigned char buffer[8] = {};
  EXPECT_EQ(registry.CreateFileReaderEx(), nullptr);
  quellsy::test::MemoryDevice device(4, 512);
  EXPECT_EQ(registry.GetResidentDataRunsStream(node, device, &length, buffer, 8), 0);

  registry.RegisterFileReaderEx([] { return std::make_unique<FakeReaderEx>(); });
  registry.RegisterResidentStream(
      [](CFileNode& n, IStorageDevice&, long long* outLength, unsigned char* out, unsigned int capacity) {
        *outLength = n.GetCurrentNodeID();
        out[0] = static_cast<unsigned char>(capacity);
        return 1;
      },
      [](unsigned long long position, IStorageDevice&, long long* outLength, unsigned char*, unsigned int) {
        *outLength = static_cast<long long>(position);
        return 1;
      });
  EXPECT_NE(registry.CreateFileReaderEx(), nullptr);
  node.SetCurrentNodeID(42);
  EXPECT_EQ(registry.GetResidentDataRunsStream(node, device, &length, buffer, 8), 1);
  EXPECT_EQ(length, 42);
  EXPECT_EQ(buffer[0], 8);
  EXPECT_EQ(registry.GetResidentDataRunsStream(77ull, device, &length, buffer, 8), 1);
  EXPECT_EQ(length, 77);
  EXPECT_EQ(registry.GetResidentDataRunsStream(node, device, nullptr, buffer, 8), 0) << "null output";
  EXPECT_EQ(registry.GetResidentDataRunsStream(77ull, device, &length, nullptr, 8), 0) << "null output";
}

TEST_F(EngineRegistryTest, CompressedReadersBySearcherType) {
  TestFileNode node;
  static int made = 0;
  made = 0;
  registry.RegisterCompressedReader(SEARCHER_NTFS, [](CFileNode&, IStorageDevice*) -> IFileReader* {
    ++made;
    return nullptr;
  });
  EXPECT_EQ(registry.CreateCompressedReader(SEARCHER_HFSPLUS, node, nullptr), nullptr);
  EXPECT_EQ(made, 0);
  EXPECT_EQ(registry.CreateCompressedReader(SEARCHER_NTFS, node, nullptr), nullptr);
  EXPECT_EQ(made, 1);
}

}  // namespace

