#pragma once
// The checks every image record passes before its geometry is trusted: qim and DMG records come
// from user files and saved scans, and the program runs as root.

#include <cstdint>

namespace quellsy {

enum class ImageRecordCheck {
  kOk,
  kShortHead,
  kBadMagic,
  kBadRecordLength,
  kShortRecord,
  kSizeMismatch,
  kBadSectorSize,
  kDataOffsetPastEnd,
  kSectorCountPastEnd,
};

// A text for the log.
const char* DescribeImageRecordCheck(ImageRecordCheck check);

// 512, 1024, 2048 or 4096.
bool IsSupportedImageSectorSize(std::uint64_t sectorSize);

// The sector size is supported, the data offset lies within the file and the sectors fit behind it.
ImageRecordCheck CheckImageGeometry(std::uint64_t sectorSize, std::uint64_t sectorCount, std::uint64_t dataOffset,
                                    std::uint64_t fileSize);

}  // namespace quellsy
