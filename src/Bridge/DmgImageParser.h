#pragma once
// Decides whether a disk image file can be read flat, sector n at byte n x 512, and fills the
// record the DMG device reads it with. UDIF images (a "koly" trailer) are accepted only when every
// stored chunk already lies at its own sector's offset; encrypted images and compressed chunks are
// refused. Files without a trailer are raw images.

#include <string>

#include "Platform/PlistReader.h"
#include "include/IStorageDeviceData.h"

namespace quellsy {

// The part of the trailer the chunk checks need.
struct DmgTrailerLayout {
  std::uint64_t dataForkOffset = 0;
  std::uint64_t dataForkLength = 0;
  std::uint64_t sectorCount = 0;
};

// Largest property list read from an image; real block tables are a few megabytes at most.
constexpr std::uint64_t kMaxDmgPropertyListBytes = 64ull << 20;

// 1 accepted (sector count and file size filled), 0 refused; `reason` gets a sentence saying why.
int ParseDmgFile(const std::string& path, CDMGDeviceInfoStruct& record, std::string* reason = nullptr);

// 1 when every "blkx" dictionary holds a consistent block table whose chunks can be read flat.
int ParseChunkEntry(const platform::PlistNode& blkx, const DmgTrailerLayout& layout, std::string* reason = nullptr);

}  // namespace quellsy
