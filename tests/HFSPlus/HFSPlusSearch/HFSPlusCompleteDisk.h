#pragma once
// Disk images assembled from written HFS+ volumes for the complete search: each volume placed at a sector of
// an otherwise empty disk, given its own creation date and identifier and a last change after its records were made (the
// writer stamps every volume alike and before its records), so that volumes can be told apart.

#include <cstdint>
#include <memory>
#include <vector>

#include "support/ImageBuilder.h"
#include "support/hfsplus/HFSPlusWriter.h"
#include "support/hfsplus/SparseImage.h"

namespace quellsy::test {

struct PlacedVolume {
  std::uint64_t offset = 0;  // bytes from the disk's start
  std::vector<ImageManifestEntry> live;
  std::vector<ImageManifestEntry> deleted;
  std::uint32_t createDate = 0;
  std::uint32_t blockSize = 0;
  std::uint64_t journalOffset = 0;
};

// Writes the volume's bytes into disk at offset, with its own creation date and identifier (both headers).
PlacedVolume PlaceVolume(SparseImage& disk, std::uint64_t offset, HFSPlusWriter& writer, std::uint32_t createDate);
// A journaled volume of blocks x 4096 bytes with the standard content plus `tag` in its file names and one
// deleted file, placed at offset.
PlacedVolume PlaceStandardVolume(SparseImage& disk, std::uint64_t offset, std::uint32_t blocks, std::uint32_t createDate,
                                 const std::u16string& tag);

}  // namespace quellsy::test
