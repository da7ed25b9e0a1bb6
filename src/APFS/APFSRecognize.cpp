#include "APFS/APFSRecognize.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <set>
#include <vector>

#include "APFS/ApfsFormat.h"
#include "include/IStorageDevice.h"

using namespace quellsy;
using namespace quellsy::apfs;

namespace {

constexpr std::uint32_t kMaxPasses = 32;
// The first mapping's physical address of a 4096-byte root node: value area end (4096 - 40) less the value
// offset, plus 8 for the flags and size before the address.
constexpr std::size_t kFirstMappingBase = 4064;
constexpr std::uint64_t kMagicAndBlockSize = 0x000010004253584Eull;

constexpr unsigned kMaxSectorSize = 64 * 1024;

}  // namespace

bool APFSRecognize::ReadBlock(std::uint64_t block, std::uint8_t* out) {
  const unsigned sectorSize = m_device->GetSectorSize();
  if (sectorSize == 0 || sectorSize > kMaxSectorSize || block > (static_cast<std::uint64_t>(INT64_MAX) >> 13))
    return false;
  // The sectors that hold the block, into a buffer of at least one block (sectors may be larger).
  const std::uint64_t byte = block * kBlockSize;
  const std::uint64_t offset = byte % sectorSize;
  const std::uint64_t sectors = (offset + kBlockSize + sectorSize - 1) / sectorSize;
  const std::uint64_t first = m_startSector + byte / sectorSize;
  if (first > static_cast<std::uint64_t>(INT64_MAX)) return false;
  std::vector<std::uint8_t> buffer(static_cast<std::size_t>(sectors * sectorSize), 0);
  if (!m_device->ReadSector(buffer.data(), static_cast<long long>(first), static_cast<long long>(sectors)))
    return false;
  std::memcpy(out, buffer.data() + offset, kBlockSize);
  return true;
}

bool APFSRecognize::FindLabel(std::uint64_t objectMap, char* label, int size) {
  std::vector<std::uint8_t> block(kBlockSize, 0);
  if (!ReadBlock(objectMap, block.data())) return false;
  const std::uint64_t root = FieldReader(block).le64(48);
  if (!ReadBlock(root, block.data())) return false;
  FieldReader node(block);
  const std::uint16_t subtype = node.le16(28);
  const std::uint16_t valueOffset = node.le16(58);
  // Past 4064 the address would lie before the block.
  if (subtype != kSubtypeObjectMap || valueOffset < 1 || valueOffset > kFirstMappingBase) return false;
  const std::uint64_t volume = node.le64(kFirstMappingBase - valueOffset);
  if (!ReadBlock(volume, block.data()) || FieldReader(block).le32(32) != kVolumeMagic) return false;
  const std::size_t copy = std::min<std::size_t>(static_cast<std::size_t>(size), kLabelSize);
  std::strncpy(label, reinterpret_cast<const char*>(block.data() + kVolumeNameOffset), copy);
  return true;
}

void APFSRecognize::GetLabel(char* label, int size) {
  if (label == nullptr || size < 1 || m_device == nullptr) return;
  std::vector<std::uint8_t> superblock(kBlockSize, 0);
  if (!ReadBlock(0, superblock.data()) || !IsObjectValid(superblock)) return;
  std::set<std::uint64_t> seen;
  for (std::uint32_t pass = 0; pass < kMaxPasses && label[0] == '\0'; ++pass) {
    FieldReader sb(superblock);
    const std::uint64_t next = sb.le32(136);
    FindLabel(sb.le64(160), label, size);
    if (label[0] != '\0' || !seen.insert(next).second) return;
    ReadBlock(next, superblock.data());
  }
}

IVolumeAnalyze* CreateAPFSVolumeAnalyze(IStorageDevice* device, unsigned long long startSector) {
  if (device == nullptr) return nullptr;
  const long long total = device->GetTotalSectors();
  if (startSector > static_cast<unsigned long long>(INT64_MAX) || total < 0) return nullptr;
  const unsigned sectorSize = device->GetSectorSize() != 0 ? device->GetSectorSize() : 512;
  if (sectorSize > kMaxSectorSize) return nullptr;
  std::vector<std::uint8_t> sector(std::max<std::size_t>(sectorSize, 512), 0);
  if (!device->ReadSector(sector.data(), static_cast<long long>(startSector), 1)) return nullptr;
  FieldReader r(sector);
  const std::uint16_t type = r.le16(24), subtype = r.le16(28);
  const std::uint64_t magic = r.le64(32);
  if (!r.ok() || type < 1 || type > 31 || subtype > 31 || magic != kMagicAndBlockSize) return nullptr;
  const std::uint64_t start = startSector;
  const std::uint64_t all = static_cast<std::uint64_t>(total);
  return new APFSRecognize(device, startSector, all > start ? all - start : 0);
}
