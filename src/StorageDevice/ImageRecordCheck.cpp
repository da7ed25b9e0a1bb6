#include "StorageDevice/ImageRecordCheck.h"

namespace quellsy {

const char* DescribeImageRecordCheck(ImageRecordCheck check) {
  switch (check) {
    case ImageRecordCheck::kOk: return "valid";
    case ImageRecordCheck::kShortHead: return "file too short for its header";
    case ImageRecordCheck::kBadMagic: return "not a qim image";
    case ImageRecordCheck::kBadRecordLength: return "information record of unexpected length";
    case ImageRecordCheck::kShortRecord: return "information record cut short";
    case ImageRecordCheck::kSizeMismatch: return "file size differs from the recorded end (incomplete image)";
    case ImageRecordCheck::kBadSectorSize: return "unsupported sector size";
    case ImageRecordCheck::kDataOffsetPastEnd: return "data offset past the end of the file";
    case ImageRecordCheck::kSectorCountPastEnd: return "more sectors than the file holds";
  }
  return "unknown";
}

bool IsSupportedImageSectorSize(std::uint64_t sectorSize) {
  return sectorSize == 512 || sectorSize == 1024 || sectorSize == 2048 || sectorSize == 4096;
}

ImageRecordCheck CheckImageGeometry(std::uint64_t sectorSize, std::uint64_t sectorCount, std::uint64_t dataOffset,
                                    std::uint64_t fileSize) {
  if (!IsSupportedImageSectorSize(sectorSize)) return ImageRecordCheck::kBadSectorSize;
  if (dataOffset > fileSize) return ImageRecordCheck::kDataOffsetPastEnd;
  if (sectorCount > (fileSize - dataOffset) / sectorSize) return ImageRecordCheck::kSectorCountPastEnd;
  return ImageRecordCheck::kOk;
}

}  // namespace quellsy
