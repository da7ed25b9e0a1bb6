#include "ExFat/CExFatDBR.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::uint16_t kSignature = 0xAA55;
constexpr char kName[] = "EXFAT   ";
constexpr std::size_t kNameOffset = 3;
constexpr std::size_t kZeroAreaStart = 11;
constexpr std::size_t kZeroAreaEnd = 64;
constexpr std::uint32_t kMinSectorShift = 9;
constexpr std::uint32_t kMaxSectorShift = 12;
// 32 MiB clusters at most.
constexpr std::uint32_t kMaxClusterShiftSum = 25;

}  // namespace

CExFatDBR::CExFatDBR(quellsy::ByteSpan sector) {
  std::copy_n(sector.begin(), std::min(sector.size(), kSize), m_bytes.begin());
}

bool CExFatDBR::IsValid(std::uint32_t sectorSize) const {
  if (Le16(510) != kSignature || std::memcmp(m_bytes.data() + kNameOffset, kName, sizeof(kName) - 1) != 0)
    return false;
  if (std::any_of(m_bytes.begin() + kZeroAreaStart, m_bytes.begin() + kZeroAreaEnd, [](auto b) { return b != 0; }))
    return false;
  const std::uint32_t sectorShift = GetBytesPerSectorShift();
  const std::uint32_t clusterShift = GetSectorsPerClusterShift();
  if (sectorShift < kMinSectorShift || sectorShift > kMaxSectorShift || (1u << sectorShift) != sectorSize)
    return false;
  if (sectorShift + clusterShift > kMaxClusterShiftSum) return false;
  if (GetNumberOfFat() != 1 && GetNumberOfFat() != 2) return false;

  const std::uint64_t volume = GetTotalSectors();
  const std::uint64_t fatStart = GetFatStartSector();
  const std::uint64_t fatLength = GetSectorsPerFat();
  const std::uint64_t heapStart = GetDataRegionStartSector();
  const std::uint64_t clusters = GetTotalCluster();
  if (fatLength == 0 || heapStart == 0 || fatStart == 0 || volume == 0 || clusters == 0) return false;
  if (GetRootDirStartCluster() < 2) return false;
  if (fatStart > volume || heapStart > volume || fatStart + fatLength > heapStart) return false;
  // clusters - 1 < 2^32 and the shift is at most 16: no overflow in 64 bits.
  return ((clusters - 1) << clusterShift) + heapStart <= volume;
}
