// Which found files get a picture and how many of their bytes are read, against the rules worked out by hand,
// and the read itself through a data-recovery object.

#include "Bridge/KDThumbnailSource.h"

#include <gtest/gtest.h>

#include <cstring>

#include "BridgeTestNodes.h"
#include "Bridge/KDUIScan.h"
#include "include/IFileReader.h"
#include "support/TempDir.h"

namespace quellsy::test {
namespace {

constexpr std::uint64_t kMiB = 1024 * 1024;

struct PlanCase {
  _FILTER_TYPE type;
  const char* name;
  std::uint64_t size;
  ThumbnailRoute route;
  std::uint64_t limit;
};

TEST(ThumbnailSource, PlansByTypeExtensionAndSize) {
  const PlanCase cases[] = {
      {FILTER_TYPE_PICTURE, "a.jpg", 0, ThumbnailRoute::kIcon, 0},
      {FILTER_TYPE_PICTURE, "a.jpg", 100 * kMiB, ThumbnailRoute::kPicture, 100 * kMiB},
      {FILTER_TYPE_PICTURE, "a.jpg", 100 * kMiB + 1, ThumbnailRoute::kIcon, 0},
      {FILTER_TYPE_PICTURE, "IMG_0001.CR2", 25 * kMiB, ThumbnailRoute::kRawPreview, 25 * kMiB},
      {FILTER_TYPE_OTHER, "scan.Dng", 3000, ThumbnailRoute::kRawPreview, 3000},
      {FILTER_TYPE_PICTURE, "big.cr2", 200 * kMiB, ThumbnailRoute::kIcon, 0},
      {FILTER_TYPE_PICTURE, "layers.psd", 4000, ThumbnailRoute::kRawPreviewOrPicture, 4000},
      {FILTER_TYPE_OTHER, "sony.ARW", 4000, ThumbnailRoute::kRawPreview, 4000},
      {FILTER_TYPE_MOVIE, "clip.avi", 60 * kMiB, ThumbnailRoute::kMovie, 2 * kMiB},
      {FILTER_TYPE_MOVIE, "clip.avi", 40 * kMiB, ThumbnailRoute::kMovie, 40 * kMiB},
      {FILTER_TYPE_MOVIE, "clip.MOV", 60 * kMiB, ThumbnailRoute::kMovie, 2 * kMiB},
      {FILTER_TYPE_MOVIE, "tiny.mp4", 1000, ThumbnailRoute::kMovie, 1000},
      {FILTER_TYPE_MOVIE, "clip.mkv", 1000, ThumbnailRoute::kIcon, 0},
      {FILTER_TYPE_DOCUMENT, "letter.doc", 1000, ThumbnailRoute::kIcon, 0},
      {FILTER_TYPE_PICTURE, "noextension", 1000, ThumbnailRoute::kPicture, 1000},
  };
  for (const auto& c : cases) {
    const auto plan = KDThumbnailSource::PlanThumbnail(c.type, c.name, c.size);
    EXPECT_EQ(plan.route, c.route) << c.name << " " << c.size;
    EXPECT_EQ(plan.byteLimit, c.limit) << c.name << " " << c.size;
  }
  EXPECT_EQ(KDThumbnailSource::LowerExtension("IMG.0001.CR2"), ".cr2");
  EXPECT_EQ(KDThumbnailSource::LowerExtension("README"), "");
}

// A reader over bytes held in memory; reads from `failAt` on report an error.
class MemoryReader final : public IFileReader {
 public:
  MemoryReader(const std::vector<std::uint8_t>& bytes, long long failAt, int* released)
      : bytes_(bytes), failAt_(failAt), released_(released) {}
  unsigned int ReadData(long long offset, char* buffer, unsigned int length, int* error) override {
    if (offset >= failAt_) {
      *error = 1;
      return 0;
    }
    const auto count = std::min<std::size_t>(length, bytes_.size() - static_cast<std::size_t>(offset));
    std::memcpy(buffer, bytes_.data() + offset, count);
    *error = 0;
    return static_cast<unsigned int>(count);
  }
  IFileReader* Clone() override { return new MemoryReader(bytes_, failAt_, released_); }
  long long GetDataSize() const override { return static_cast<long long>(bytes_.size()); }
  int IsCompressFile() override { return 0; }
  void Release() override {
    ++*released_;
    delete this;
  }

 private:
  const std::vector<std::uint8_t>& bytes_;
  long long failAt_;
  int* released_;
};

class MemoryRecovery final : public IDataRecovery {
 public:
  std::vector<std::uint8_t> bytes;
  long long failAt = -1;
  bool failCopies = false;
  int released = 0;

  ResultCode Initialize(IFileSystemSearchController*, IStorageDevice*) override { return 0; }
  IFileReader* SetRecoverNode(IFileNode* node) override {
    return node ? new MemoryReader(bytes, failAt < 0 ? LLONG_MAX : failAt, &released) : nullptr;
  }
  // Writes the first byteLimit bytes (all for 0), or fails when told to.
  ResultCode RecoverTo(const char* path, IProgress*, int byteLimit) override {
    if (failCopies) return 1;
    const auto count = byteLimit > 0 ? std::min<std::size_t>(static_cast<std::size_t>(byteLimit), bytes.size())
                                     : bytes.size();
    WriteFile(path, std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + static_cast<long>(count)));
    return 0;
  }
  unsigned int ReadSmallJPG(char*, unsigned int) override { return 0; }
  void Release() override {}
  void SetDestinationFolder(const char*) override {}
  ResultCode RecoverNodeTo(IFileNode*, const char*, IProgress*, int) override { return 0; }
  ResultCode RecoverNodeToFile(IFileNode*, int, IProgress*, int) override { return 0; }
};

TEST(ThumbnailSource, ReadsTheFirstBytesThroughTheRecovery) {
  MemoryRecovery recovery;
  recovery.bytes = PatternBytes(3 * kMiB + 17, 5);
  BridgeTestNode node(std::string("clip.mov"), false);

  const auto first = KDThumbnailSource::ReadNodeBytes(&recovery, &node, 2 * kMiB);
  ASSERT_TRUE(first);
  EXPECT_TRUE(std::equal(first->begin(), first->end(), recovery.bytes.begin()));
  EXPECT_EQ(first->size(), 2 * kMiB);
  const auto whole = KDThumbnailSource::ReadNodeBytes(&recovery, &node, 50 * kMiB);
  ASSERT_TRUE(whole);
  EXPECT_EQ(*whole, recovery.bytes);
  EXPECT_EQ(recovery.released, 2);

  recovery.failAt = static_cast<long long>(kMiB);
  EXPECT_FALSE(KDThumbnailSource::ReadNodeBytes(&recovery, &node, 2 * kMiB));
  EXPECT_EQ(recovery.released, 3);
  EXPECT_FALSE(KDThumbnailSource::ReadNodeBytes(nullptr, &node, 10));
  EXPECT_FALSE(KDThumbnailSource::ReadNodeBytes(&recovery, nullptr, 10));
}

TEST(ThumbnailSource, CopiesForThePreviewerIntoAFolderThatGoes) {
  MemoryRecovery recovery;
  recovery.bytes = PatternBytes(3 * kMiB, 9);
  BridgeTestNode node(std::string("IMG_0001.CR2"), false);
  std::filesystem::path folder;
  {
    const auto plan = KDThumbnailSource::PlanThumbnail(FILTER_TYPE_MOVIE, "clip.mov", recovery.bytes.size());
    const auto copy = KDThumbnailSource::CopyForPreview(&recovery, &node, plan);
    ASSERT_TRUE(copy);
    folder = copy->folder.path();
    EXPECT_EQ(copy->file.filename(), "thumbnail.mov");
    const auto bytes = ReadFile(copy->file);
    ASSERT_EQ(bytes.size(), 2 * kMiB);
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), recovery.bytes.begin()));
    EXPECT_EQ(std::filesystem::status(folder).permissions() & std::filesystem::perms::others_all,
              std::filesystem::perms::none);
  }
  EXPECT_FALSE(std::filesystem::exists(folder));

  const auto raw = KDThumbnailSource::PlanThumbnail(FILTER_TYPE_PICTURE, "IMG_0001.CR2", recovery.bytes.size());
  const auto whole = KDThumbnailSource::CopyForPreview(&recovery, &node, raw);
  ASSERT_TRUE(whole);
  EXPECT_EQ(ReadFile(whole->file), recovery.bytes);
  // Pictures are decoded from memory and icons need nothing: no copy.
  EXPECT_FALSE(KDThumbnailSource::CopyForPreview(
      &recovery, &node, KDThumbnailSource::PlanThumbnail(FILTER_TYPE_PICTURE, "a.jpg", 100)));
  recovery.failCopies = true;
  EXPECT_FALSE(KDThumbnailSource::CopyForPreview(&recovery, &node, raw));
}

TEST(ThumbnailSource, NoScanNoReaderNoFilterNoPlan) {
  BridgeTestNode node(std::string("a.jpg"), false);
  EXPECT_EQ(KDThumbnailSource::DataRecoveryForNode(nullptr), nullptr);
  // No scan has run in this process.
  ASSERT_EQ(KDUIScan::instance()->GetRecoveryController(), nullptr);
  EXPECT_EQ(KDThumbnailSource::DataRecoveryForNode(&node), nullptr);
  EXPECT_EQ(KDThumbnailSource::PlanForNode(nullptr).route, ThumbnailRoute::kIcon);
}

}  // namespace
}  // namespace quellsy::test
