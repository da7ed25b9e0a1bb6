// Reading found files' data outside the recovery path: the cluster reader over the runs (fragmented, sparse and
// resident files), the resident value of a record, and the volume analyser, over mkntfs/ntfs-3g volumes whose
// files hold known text.

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "NTFSLib/NtfsImages.h"
#include "NTFSSearch/CFileReaderEx.h"
#include "NTFSSearch/CNTFSFileNode.h"
#include "NTFSSearch/CNTFSQuickSearch.h"
#include "NTFSSearch/CNTFSVolumeAnalyer.h"
#include "NTFSSearch/NTFSResidentData.h"
#include "support/MemoryDevice.h"
#include "support/RecordingTreeBuilder.h"
#include "support/Sha256.h"

namespace {

using namespace quellsy::test;
namespace fs = std::filesystem;

class QuietProgress : public IProgress {
 public:
  void UpdateProgress(_PROGRESS_INFO*) override {}
  int Continued() override { return 1; }
  int shouldBuild() override { return 1; }
};

// What make-ntfs-images.sh writes into a file: its path inside the volume, one line after another.
std::vector<std::uint8_t> WrittenContent(const NtfsManifestFile& file) {
  const std::string line = file.path.substr(1) + "\n";
  std::vector<std::uint8_t> bytes(file.size);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(line[i % line.size()]);
  return bytes;
}

class NtfsFileReading : public testing::Test {
 protected:
  void SetUp() override {
    const NtfsImages* images = NtfsImages::Generated();
    ASSERT_TRUE(images->Available()) << images->Why();
    m_image = images->Image("ntfs-512.img");
    m_device = std::make_unique<FileDevice>(m_image.path, 512);
    m_searcher.SetDirecotryTreeBuilder(&m_builder);
    QuietProgress progress;
    ASSERT_EQ(m_searcher.QuickSearchFiles(m_device.get(), &progress), 0u);
    CSearchedPartitionInfo* partition = nullptr;
    ASSERT_EQ(m_searcher.GetSearchedPartitionInfo(&partition, 1), 1);
    m_partition.reset(partition);
  }

  // The node of a manifest file and the bytes it was written with (checked against the manifest's hash).
  CNTFSFileNode* Node(const std::string& path, std::vector<std::uint8_t>& content) {
    const NtfsManifestFile* file = m_image.File(path);
    EXPECT_NE(file, nullptr) << path;
    if (file == nullptr) return nullptr;
    content = WrittenContent(*file);
    EXPECT_EQ(Sha256Hex(content), file->sha256) << path;
    for (const auto& node : m_builder.nodes())
      if (node.id == static_cast<long long>(file->mftNumber)) return dynamic_cast<CNTFSFileNode*>(node.node);
    ADD_FAILURE() << "not found: " << path;
    return nullptr;
  }

  NtfsImage m_image;
  std::unique_ptr<FileDevice> m_device;
  RecordingTreeBuilder m_builder;
  CNTFSQuickSearch m_searcher;
  std::unique_ptr<CSearchedPartitionInfo> m_partition;
};

TEST_F(NtfsFileReading, AReadPastTheEndIsCutToTheFile) {
  std::vector<std::uint8_t> content;
  CNTFSFileNode* node = Node("/small.txt", content);
  ASSERT_NE(node, nullptr);
  CFileReaderEx reader;
  ASSERT_TRUE(reader.Open(m_device.get(), node, m_partition.get()));
  std::vector<std::uint8_t> buffer(1024, 0xEE);
  int got = 0;
  ASSERT_TRUE(reader.Read(0, buffer.data(), 1024, got));
  ASSERT_EQ(got, 600);
  EXPECT_EQ(std::vector<std::uint8_t>(buffer.begin(), buffer.begin() + got), content);
  EXPECT_FALSE(reader.Read(600, buffer.data(), 10, got));
}

TEST_F(NtfsFileReading, ReadsAcrossEveryRunBoundaryOfAFragmentedFile) {
  std::vector<std::uint8_t> content;
  CNTFSFileNode* node = Node("/docs/deep/fragmented.bin", content);
  ASSERT_NE(node, nullptr);
  CFileReaderEx reader;
  ASSERT_TRUE(reader.Open(m_device.get(), node, m_partition.get()));
  const long long clusterBytes = m_partition->GetSectorsPerCluster() * 512LL;
  long long boundary = 0;
  int boundaries = 0;
  for (DataRun* run = node->GetDataRunList()->GetFirst(); run != nullptr; run = node->GetDataRunList()->GetNext()) {
    boundary += run->length * clusterBytes;
    if (boundary >= static_cast<long long>(content.size())) break;
    ++boundaries;
    for (int pass = 0; pass < 2; ++pass) {  // the same bytes again: the reader keeps no state between reads
      std::vector<std::uint8_t> buffer(300);
      int got = 0;
      ASSERT_TRUE(reader.Read(boundary - 100, buffer.data(), 300, got));
      ASSERT_EQ(got, 300);
      EXPECT_EQ(0, std::memcmp(buffer.data(), content.data() + boundary - 100, 300)) << "at " << boundary;
    }
  }
  EXPECT_GE(boundaries, 1);
}

TEST_F(NtfsFileReading, SparseClustersReadAsZeros) {
  std::vector<std::uint8_t> unused;
  const NtfsManifestFile* file = m_image.File("/sparse.bin");
  ASSERT_NE(file, nullptr);
  CNTFSFileNode* node = nullptr;
  for (const auto& n : m_builder.nodes())
    if (n.id == static_cast<long long>(file->mftNumber)) node = dynamic_cast<CNTFSFileNode*>(n.node);
  ASSERT_NE(node, nullptr);
  CFileReaderEx reader;
  ASSERT_TRUE(reader.Open(m_device.get(), node, m_partition.get()));
  // The script wrote 5000 bytes of "middle\n" lines at 300 x 4096 into an otherwise empty file.
  const long long at = 300 * 4096LL;
  std::vector<std::uint8_t> buffer(5200, 0xEE);
  int got = 0;
  ASSERT_TRUE(reader.Read(at - 100, buffer.data(), 5200, got));
  ASSERT_EQ(got, 5200);
  for (int i = 0; i < 100; ++i) EXPECT_EQ(buffer[i], 0) << i;
  const std::string line = "middle\n";
  for (int i = 0; i < 5000; ++i) ASSERT_EQ(buffer[100 + i], line[i % line.size()]) << i;
  for (int i = 5100; i < 5200; ++i) EXPECT_EQ(buffer[i], 0) << i;
}

TEST_F(NtfsFileReading, ResidentValuesComeFromTheirRecord) {
  std::vector<std::uint8_t> content;
  CNTFSFileNode* node = Node("/tiny.txt", content);
  ASSERT_NE(node, nullptr);
  ASSERT_NE(node->GetDataRunList(), nullptr);
  ASSERT_EQ(node->GetDataRunList()->IsResident(), 1);
  CFileReaderEx reader;
  ASSERT_TRUE(reader.Open(m_device.get(), node, m_partition.get()));
  std::vector<std::uint8_t> buffer(100);
  int got = 0;
  ASSERT_TRUE(reader.Read(0, buffer.data(), 100, got));
  ASSERT_EQ(got, 40);
  EXPECT_EQ(std::vector<std::uint8_t>(buffer.begin(), buffer.begin() + got), content);
  EXPECT_FALSE(reader.Read(40, buffer.data(), 10, got));

  std::int64_t length = 0;
  std::vector<std::uint8_t> value(4096);
  const auto sector = static_cast<std::uint64_t>(node->GetNTFSFileProperties()->GetFileRecordStartSector());
  ASSERT_EQ(GetResidentDataRunsStream(sector, *m_device, &length, value.data(), 4096), 1);
  ASSERT_EQ(length, 40);
  EXPECT_EQ(std::vector<std::uint8_t>(value.begin(), value.begin() + 40), content);
  // A value larger than the caller's buffer is not copied.
  EXPECT_EQ(GetResidentDataRunsStream(*node, *m_device, &length, value.data(), 39), 0);
}

TEST_F(NtfsFileReading, EmptyFilesAndNullArgumentsCannotBeOpened) {
  CFileReaderEx reader;
  std::vector<std::uint8_t> content;
  CNTFSFileNode* node = Node("/small.txt", content);
  EXPECT_FALSE(reader.Open(nullptr, node, 0, 2));
  EXPECT_FALSE(reader.Open(m_device.get(), nullptr, 0, 2));
  EXPECT_FALSE(reader.Open(m_device.get(), node, 0, 0));
  CNTFSFileNode empty;
  EXPECT_FALSE(reader.Open(m_device.get(), &empty, 0, 2));
}

TEST(CNTFSVolumeAnalyer, RecognisesVolumesByTheirBootSector) {
  const NtfsImages* images = NtfsImages::Generated();
  ASSERT_TRUE(images->Available()) << images->Why();
  for (const auto& [name, sectorSize] : {std::pair<const char*, unsigned>{"ntfs-512.img", 512}, {"ntfs-4k.img", 4096}}) {
    SCOPED_TRACE(name);
    NtfsImage image = images->Image(name);
    const fs::path path = image.path;
    FileDevice device(path, sectorSize);
    std::unique_ptr<IVolumeAnalyze> analyser(CreateNTFSVolumeAnalyze(&device, 0));
    ASSERT_NE(analyser, nullptr);
    EXPECT_EQ(analyser->GetFileSystemType(), FILE_SYSTEM_NTFS);
    // mkntfs gives the volume every sector but the last, which holds the backup boot sector.
    EXPECT_EQ(analyser->GetTotalSector(), fs::file_size(path) / sectorSize - 1);
    // The label mkntfs was given, cut to the buffer and terminated.
    char label[8];
    std::memset(label, 0x7F, sizeof label);
    analyser->GetLabel(label, 4);
    EXPECT_EQ(std::string(label), image.facts["label"].substr(0, 3));
    EXPECT_EQ(label[4], 0x7F);
    analyser->GetLabel(label, sizeof label);
    EXPECT_EQ(std::string(label), image.facts["label"]);
    EXPECT_EQ(CreateNTFSVolumeAnalyze(&device, 1), nullptr);
  }
  EXPECT_EQ(CreateNTFSVolumeAnalyze(nullptr, 0), nullptr);
  MemoryDevice zeros(8, 512);
  EXPECT_EQ(CreateNTFSVolumeAnalyze(&zeros, 0), nullptr);
}

}  // namespace
