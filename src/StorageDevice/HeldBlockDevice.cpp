#include "StorageDevice/HeldBlockDevice.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

// The bytes of [first, first + count) when the block holds all of them, else null.
const unsigned char* HeldRange(const SharedSectorBlock* block, unsigned sectorSize, long long first, long long count) {
  if (!block || count <= 0 || first < block->first || count > block->sectors ||
      first - block->first > block->sectors - count)
    return nullptr;
  return block->data + static_cast<std::size_t>(first - block->first) * sectorSize;
}

// Copies the sectors of [first, first + count) that the block holds from `first` on into buffer; how many it
// copied (0 when the block does not hold `first`).
long long CopyHeld(const SharedSectorBlock* block, unsigned sectorSize, void* buffer, long long first, long long count) {
  if (!block || !buffer || count <= 0 || first < block->first || first >= block->first + block->sectors) return 0;
  // Only the sectors the block really holds; a short last block never serves what lies past it.
  const long long inside = std::min(count, block->first + block->sectors - first);
  std::memcpy(buffer, block->data + static_cast<std::size_t>(first - block->first) * sectorSize,
              static_cast<std::size_t>(inside) * sectorSize);
  return inside;
}

// The block, when it starts at `first` and holds exactly `count` sectors, else null.
std::shared_ptr<const SharedSectorBlock> WholeBlock(const std::shared_ptr<const SharedSectorBlock>& block,
                                                    long long first, long long count) {
  if (!block || first != block->first || count != block->sectors) return nullptr;
  return block;
}

}  // namespace

CHeldBlockDevice::CHeldBlockDevice(IStorageDevice* outside)
    : m_outside(outside), m_sectorSize(outside ? outside->GetSectorSize() : 512) {}

bool CHeldBlockDevice::ReadSector(void* buffer, long long first, long long count) {
  if (!m_outside) return false;
  const long long inside = CopyHeld(m_block.get(), m_sectorSize, buffer, first, count);
  if (inside == count) return true;
  return m_outside->ReadSector(static_cast<std::uint8_t*>(buffer) + static_cast<std::size_t>(inside) * m_sectorSize,
                               first + inside, count - inside);
}

const unsigned char* CHeldBlockDevice::HeldSectors(long long first, long long count) {
  return HeldRange(m_block.get(), m_sectorSize, first, count);
}

std::shared_ptr<const SharedSectorBlock> CHeldBlockDevice::ShareHeldBlock(long long first, long long count) {
  return WholeBlock(m_block, first, count);
}
