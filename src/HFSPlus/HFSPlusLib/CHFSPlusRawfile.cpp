#include "HFSPlus/HFSPlusLib/CHFSPlusRawfile.h"

#include <cinttypes>
#include <cstdio>

#include "HFSPlus/HFSPlusLib/CHFSPlusVolume.h"
#include "HFSPlus/HFSPlusLib/HFSPlusErrors.h"
#include "HFSPlus/HFSPlusLib/HFSPlusForkExtents.h"

using namespace quellsy;
using namespace quellsy::hfsplus;

CHFSPlusRawfile::CHFSPlusRawfile(CHFSPlusVolume* volume, std::uint32_t fileID, const HFSPlusForkData& fork)
    : volume_(volume), fileID_(fileID) {
  if (volume == nullptr) {
    lastError_ = HFS_FAILURE(hfserror::kBadArgument);
    return;
  }
  lastError_ = ForEachForkExtent(*volume, fileID, kDataFork, fork, [this](const HFSPlusExtentDescriptor& extent) {
    chain_.push_back(extent);
    return true;
  });
}

std::uint64_t CHFSPlusRawfile::ChainBytes() const {
  const auto* header = volume_ != nullptr ? volume_->GetVolumeHeader() : nullptr;
  if (header == nullptr) return 0;
  std::uint64_t blocks = 0;
  for (const auto& extent : chain_) blocks += extent.blockCount;
  return blocks * header->blockSize;
}

std::uint64_t CHFSPlusRawfile::Read(std::uint64_t offset, std::uint8_t* buffer, std::uint64_t length) {
  return ReadThroughChain(offset, buffer, length);
}

std::uint64_t CHFSPlusRawfile::ReadThroughChain(std::uint64_t offset, std::uint8_t* buffer, std::uint64_t length) {
  const auto* header = volume_ != nullptr ? volume_->GetVolumeHeader() : nullptr;
  if (header == nullptr) {
    lastError_ = volume_ != nullptr ? volume_->GetLastError() : HFS_FAILURE(hfserror::kBadArgument);
    return 0;
  }
  if (chain_.empty()) {
    lastError_ = HFS_FAILURE(hfserror::kMissing);
    return 0;
  }
  const std::uint64_t blockSize = header->blockSize;
  std::uint64_t copied = 0;
  std::uint64_t skip = offset;  // bytes still to pass before the wanted range starts
  for (const auto& extent : chain_) {
    if (copied == length) break;
    const std::uint64_t extentBytes = std::uint64_t{extent.blockCount} * blockSize;
    if (skip >= extentBytes) {
      skip -= extentBytes;
      continue;
    }
    const std::uint64_t piece = std::min(extentBytes - skip, length - copied);
    const std::uint64_t at = std::uint64_t{extent.startBlock} * blockSize + skip;
    const std::uint64_t got = volume_->Read(at, buffer + copied, piece);
    copied += got;
    skip = 0;
    if (got != piece) {
      lastError_ = HFS_FAILURE(hfserror::kShortRead);
      std::printf("Location%" PRIu64 "Size%" PRIu64 "\n", offset + copied, length - copied);
      return copied;
    }
  }
  if (copied != length) {
    lastError_ = HFS_FAILURE(hfserror::kInvalid);
    std::printf("Location%" PRIu64 "Size%" PRIu64 "\n", offset + copied, length - copied);
  }
  return copied;
}
