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
  auto bytes = std::make_unique_for_overwrite<std::uint8_t[]>(static_cast<std::size_t>(size));
  if (ReadThroughChain(0, bytes.get(), size) == size) {
    cache_ = std::move(bytes);
    cacheBytes_ = size;
  } else {
    // An unreadable sector costs the node that holds it, not the catalog: the nodes are read one by one.
    lastError_ = quellsy::kResultOk;
  }
}

std::uint64_t CHFSPlusFileCache::Read(std::uint64_t offset, std::uint8_t* buffer, std::uint64_t length) {
  if (offset < cacheBytes_) {
    const std::uint64_t count = std::min<std::uint64_t>(cacheBytes_ - offset, length);
    std::memcpy(buffer, cache_.get() + offset, count);
    return count;
  }
  return ReadThroughChain(offset, buffer, length);
}
