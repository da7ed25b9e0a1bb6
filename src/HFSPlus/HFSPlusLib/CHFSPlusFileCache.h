#pragma once
// The catalog file, read once into memory (up to 256 MiB) because the walk and the complete search read it
// node by node; what lies past the cached part is read from the device.

#include <cstdint>
#include <memory>

#include "HFSPlus/HFSPlusLib/CHFSPlusRawfile.h"

class CHFSPlusFileCache : public CHFSPlusRawfile {
 public:
  static constexpr std::uint64_t kCacheLimit = 0x10000000;

  CHFSPlusFileCache(CHFSPlusVolume* volume, std::uint32_t fileID, const HFSPlusForkData& fork);

  // From the cache when offset lies in it (cut short at its end), else through the chain.
  std::uint64_t Read(std::uint64_t offset, std::uint8_t* buffer, std::uint64_t length) override;

  std::uint64_t CachedBytes() const { return cacheBytes_; }

 private:
  // Not zero-filled first: the read fills it whole, or it is dropped.
  std::unique_ptr<std::uint8_t[]> cache_;
  std::uint64_t cacheBytes_ = 0;
};
