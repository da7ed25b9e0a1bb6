#pragma once
// Measures a file made of QuickTime / ISO base-media boxes by walking its top-level boxes from the
// hit's first sector.

#include <cstdint>

class CRawFileInfo;
class IStorageDevice;

class CRawBoxFileAnalyser {
 public:
  // The first box's size must be positive (its type is not looked at); then up to 500 further boxes
  // of the types a movie file ends with are stepped over. The hit's size becomes the offset where
  // the walk ended; false when the first read fails or nothing was measured.
  static bool GetFileSize(CRawFileInfo& hit, IStorageDevice* device);

  static constexpr int kMaxBoxes = 500;
  // A box offset below 2^31 plus a box size below 2^31: the largest size a walk can give.
  static constexpr std::uint64_t kSizeCap = 2 * (std::uint64_t{0x80000000} - 1);
};
