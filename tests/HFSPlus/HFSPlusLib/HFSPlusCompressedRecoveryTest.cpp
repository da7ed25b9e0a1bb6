// Compressed files of every handled type written by the test writer, copied out through the engine core's data
// recovery and compared byte for byte with what was written; ranges read at offsets across 4 MiB steps.

#include <gtest/gtest.h>

#include <memory>

#include "DataRecovery/DataRecovery.h"
#include "DataRecovery/RecoveryTestSupport.h"
#include "HFSPlus/HFSPlusLib/CHFSPlusCompressFileReader.h"
#include "HFSPlus/HFSPlusLib/CHFSPlusFileNode.h"
#include "HFSPlusTestSupport.h"
#include "HFSPlusWrittenVolume.h"
#include "include/IFileReader.h"
#include "support/TempDir.h"

namespace {

using quellsy::test::VolumeContent;
using quellsy::test::WrittenVolume;
using Bytes = std::vector<std::uint8_t>;

Bytes Text(std::size_t size, std::uint32_t seed) {
  // Compressible but not periodic: words picked by a small generator.
  static const char* const kWords[] = {"volume ", "catalog ", "extent ", "fork ", "block ", "node ", "record\n"};
  Bytes out;
  std::uint32_t state = seed;
  while (out.size() < size) {
    state = state * 1103515245u + 12345u;
    for (const char* w = kWords[(state >> 16) % 7]; *w != 0 && out.size() < size; ++w)
      out.push_back(static_cast<std::uint8_t>(*w));
  }
  return out;
}

struct CompressedCase {
  std::u16string name;
  std::uint32_t type;
  Bytes data;
  std::uint32_t pieces;
  bool stored;
};

std::vector<CompressedCase> Cases() {
  return {
      {u"one-byte", 3, Bytes{'Q'}, 1, false},
      {u"zlib-inline", 3, Text(1900, 1), 1, false},
      {u"zlib-inline-stored", 3, Text(600, 2), 1, true},
      {u"lzvn-inline", 7, Text(1800, 3), 1, false},
      {u"lzvn-inline-stored", 7, Text(700, 4), 1, true},
      {u"zlib-fork", 4, quellsy::test::PatternBytes(200000, 5), 2, false},
      {u"zlib-fork-exact-block", 4, Text(65536, 6), 1, false},
      {u"zlib-fork-stored", 4, Text(70000, 7), 1, true},
      {u"lzvn-fork", 8, Text(140000, 8), 3, false},
      {u"lzvn-fork-stored", 8, Text(65537, 9), 2, true},
      {u"lzvn-fork-large", 8, Text(5 * 1024 * 1024 + 333, 10), 4, false},
  };
}

class CollectNodes : public IHFSPlusLeafVisitor {
 public:
  explicit CollectNodes(CHFSPlusVolume* volume) : volume_(volume) {}
  quellsy::ResultCode VisitLeafRecord(const BTKey& key, const BTRecord& record) override {
    if (std::holds_alternative<HFSPlusCatalogFile>(record)) {
      auto node = std::make_unique<CHFSPlusFileNode>(volume_, &key, &record, 0);
      nodes[node->GetFileName()] = std::move(node);
    }
    return quellsy::kResultOk;
  }
  std::map<std::string, std::unique_ptr<CHFSPlusFileNode>> nodes;

 private:
  CHFSPlusVolume* volume_;
};

struct RecoveryDeleter {
  void operator()(CDataRecovery* recovery) const { recovery->Release(); }
};

class CompressedRecovery : public ::testing::Test {
 protected:
  void SetUp() override {
    quellsy::test::HFSPlusWriterOptions options;
    options.totalBlocks = 4096;
    volume = quellsy::test::WriteVolume(
        options,
        [](VolumeContent& c) {
          for (auto& k : Cases()) c.Compressed(2, k.name, k.data, k.type, k.pieces, k.stored);
          c.File(2, u"plain.bin", 9000, 2);
        },
        512);
    ASSERT_EQ(volume.volume->GetLastError(), quellsy::kResultOk);
    collector = std::make_unique<CollectNodes>(volume.volume.get());
    quellsy::test::CountingProgress progress;
    ASSERT_EQ(volume.volume->Traverse(4, collector.get(), &progress), quellsy::kResultOk);
    searcher.records.push_back(quellsy::test::Record(8, 0, FILE_SYSTEM_HFSPLUS));
    ASSERT_EQ(recovery->Initialize(&searcher, volume.device.get()), quellsy::kResultOk);
  }

  WrittenVolume volume;
  std::unique_ptr<CollectNodes> collector;
  quellsy::test::FakeSearcher searcher;
  std::unique_ptr<CDataRecovery, RecoveryDeleter> recovery{CreateDataRecoveryObj()};
};

TEST_F(CompressedRecovery, EveryTypeCopiedOutByteForByte) {
  quellsy::test::TempDir dir;
  for (const auto& [path, data] : volume.files) {
    SCOPED_TRACE(path);
    ASSERT_TRUE(collector->nodes.count(path));
    CHFSPlusFileNode& node = *collector->nodes[path];
    EXPECT_EQ(node.IsCompressed() != 0, path != "plain.bin");
    ASSERT_EQ(recovery->RecoverNodeTo(&node, (dir / path).c_str(), nullptr, 0), quellsy::kResultOk);
    EXPECT_EQ(quellsy::test::ReadFile(dir / path), data);
  }
}

TEST_F(CompressedRecovery, RangesAtOffsetsAcrossBlocksAndSteps) {
  for (const char* path : {"lzvn-fork-large", "zlib-fork", "lzvn-inline", "zlib-fork-stored"}) {
    SCOPED_TRACE(path);
    const Bytes& data = volume.files.at(path);
    std::unique_ptr<IFileReader, void (*)(IFileReader*)> reader(
        collector->nodes.at(path)->CreateCompressFileReader(nullptr), [](IFileReader* r) { r->Release(); });
    ASSERT_NE(reader, nullptr);
    EXPECT_EQ(reader->GetDataSize(), static_cast<long long>(data.size()));
    EXPECT_EQ(reader->IsCompressFile(), 1);
    const std::uint64_t size = data.size();
    const std::vector<std::pair<std::uint64_t, unsigned>> ranges = {
        {0, 4u << 20}, {4u << 20, 4u << 20}, {65535, 3}, {(4u << 20) + 12345, 70000}, {size - 10, 100}, {size, 10}};
    for (const auto& [offset, length] : ranges) {
      if (offset > size) continue;
      SCOPED_TRACE(offset);
      Bytes out(length);
      const unsigned got = reader->ReadData(static_cast<long long>(offset), reinterpret_cast<char*>(out.data()),
                                            length, nullptr);
      const std::size_t want = std::min<std::uint64_t>(length, size - offset);
      ASSERT_EQ(got, want);
      EXPECT_TRUE(std::equal(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(want),
                             data.begin() + static_cast<std::ptrdiff_t>(offset)));
    }
  }
}

// Without its "com.apple.decmpfs" attribute a file has no compressed content to give.
TEST_F(CompressedRecovery, FileWithoutDecmpfsAttributeReadsAsEmpty) {
  CHFSPlusFileNode& plain = *collector->nodes.at("plain.bin");
  CHFSPlusCompressFileReader reader(volume.volume.get(), &plain);
  Bytes out(100, 0xAA);
  EXPECT_EQ(reader.ReadData(0, reinterpret_cast<char*>(out.data()), 100, nullptr), 0u);
  EXPECT_EQ(out, Bytes(100, 0xAA));
  CHFSPlusCompressFileReader noVolume(nullptr, &plain);
  EXPECT_EQ(noVolume.ReadData(0, reinterpret_cast<char*>(out.data()), 100, nullptr), 0u);
}

}  // namespace
