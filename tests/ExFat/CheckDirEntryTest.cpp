// The entry-set checksum against the sets the FUSE driver wrote (it computes the sums itself), live and deleted.

#include <gtest/gtest.h>

#include "ExFat/ExFatDirEntry.h"
#include "Utility/ByteReader.h"
#include "support/TempDir.h"
#include "support/fixtures/ExFatImages.h"

namespace quellsy::test {
namespace {

struct RootSets {
  std::vector<std::vector<std::uint8_t>> live;
  std::vector<std::vector<std::uint8_t>> deleted;
};

// The entry sets of the root directory's first cluster, read with the boot sector's offsets.
RootSets ReadRootSets(const std::vector<std::uint8_t>& image) {
  const std::uint32_t sectorSize = 1u << image.at(108);
  const std::uint32_t clusterBytes = sectorSize << image.at(109);
  const std::uint64_t heap = le32(image, 88).value();
  const std::uint64_t root = le32(image, 96).value();
  const std::size_t first = static_cast<std::size_t>((heap * sectorSize) + (root - 2) * clusterBytes);
  RootSets sets;
  for (std::size_t at = first; at < first + clusterBytes && image.at(at) != 0; at += 32) {
    if (image[at] != 0x85 && image[at] != 0x05) continue;
    const std::size_t length = 32 * (std::size_t{image[at + 1]} + 1);
    std::vector<std::uint8_t> set(image.begin() + static_cast<std::ptrdiff_t>(at),
                                  image.begin() + static_cast<std::ptrdiff_t>(at + length));
    (image[at] == 0x85 ? sets.live : sets.deleted).push_back(set);
  }
  return sets;
}

std::uint16_t Stored(const std::vector<std::uint8_t>& set) { return le16(set, 2).value(); }

TEST(ExFatCheckDirEntry, SetsWrittenByTheDriverPassLiveAndDeleted) {
  const ExFatImages* images = ExFatImages::Get();
  if (!images->MissingCapability().empty()) GTEST_SKIP() << images->MissingCapability();
  ASSERT_TRUE(images->Made()) << images->Why();
  const RootSets sets = ReadRootSets(ReadFile(images->Image("exfat.img")));
  // The root holds the folders, the top files and three deleted sets (two files and a folder).
  ASSERT_GE(sets.live.size(), 10u);
  ASSERT_GE(sets.deleted.size(), 3u);
  for (const auto& set : sets.live) {
    EXPECT_TRUE(CheckDirEntry(set, static_cast<std::uint32_t>(set.size()), Stored(set)));
    auto damaged = set;
    damaged.back() ^= 0x01;
    EXPECT_FALSE(CheckDirEntry(damaged, static_cast<std::uint32_t>(damaged.size()), Stored(set)));
  }
  for (const auto& set : sets.deleted) {
    const auto length = static_cast<std::uint32_t>(set.size());
    EXPECT_TRUE(CheckDirEntry(set, length, Stored(set)));
    // The stored sum is the one of the set in use: it still holds with the in-use bits set again...
    auto live = set;
    for (std::size_t at = 0; at < live.size(); at += 32) live[at] |= 0x80;
    EXPECT_TRUE(CheckDirEntry(live, length, Stored(set)));
    // ... and one byte changed anywhere but the checksum field breaks it.
    auto damaged = set;
    damaged[5] ^= 0x10;
    EXPECT_FALSE(CheckDirEntry(damaged, length, Stored(set)));
  }
}

TEST(ExFatCheckDirEntry, EmptyAndOverlongLengths) {
  const std::vector<std::uint8_t> none;
  EXPECT_TRUE(CheckDirEntry(none, 0, 0));
  EXPECT_FALSE(CheckDirEntry(none, 0, 1));
  const std::vector<std::uint8_t> one(32, 0);
  EXPECT_FALSE(CheckDirEntry(one, 64, 0));
  // 32 zero bytes sum to 0 whatever the rotation.
  EXPECT_TRUE(CheckDirEntry(one, 32, 0));
}

TEST(ExFatCheckDirEntry, ChecksumBytesAreSkipped) {
  // Bytes 2 and 3 never count: any values there give the same sum. One byte of 1 at offset 1 after
  // byte 0 = 0: sum = rotr(0) + 1 = 1, and the 28 zero bytes 4 to 31 rotate it right 28 times (a 16-bit
  // rotation): 1 ror 28 = 1 rol 4 = 16.
  std::vector<std::uint8_t> entry(32, 0);
  entry[1] = 1;
  entry[2] = 0xAB;
  entry[3] = 0xCD;
  EXPECT_TRUE(CheckDirEntry(entry, 32, 16));
}

}  // namespace
}  // namespace quellsy::test
