#include "HFSPlus/HFSPlusLib/CHFSPlusFileCache.h"

#include <cstring>

#include "HFSPlus/HFSPlusLib/CHFSPlusVolume.h"

CHFSPlusFileCache::CHFSPlusFileCache(CHFSPlusVolume* volume, std::uint32_t fileID, const HFSPlusForkData& fork)
    : CHFSPlusRawfile(volume, fileID, fork) {
  if (lastError_ != quellsy::kResultOk || volume == nullptr) return;
  // Never more than the chain covers or the device holds, so a header that claims a huge catalog on a small
  // device sizes nothing.
  std::uint64_t size = std::min(ChainBytes(), kCacheLimit);
  size = std::min(size, volume->DeviceBytes());
  std::vector<std::uint8_t> bytes(size);
  if (ReadThroughChain(0, bytes.data(), size) == size) cache_ = std::move(bytes);
}

std::uint64_t CHFSPlusFileCache::Read(std::uint64_t offset, std::uint8_t* buffer, std::uint64_t length) {
  if (offset < cache_.size()) {
    const std::uint64_t count = std::min<std::uint64_t>(cache_.size() - offset, length);
    std::memcpy(buffer, cache_.data() + offset, count);
    return count;
  }
  return ReadThroughChain(offset, buffer, length);
}
