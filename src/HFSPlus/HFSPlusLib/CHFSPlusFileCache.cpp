#include "HFSPlus/HFSPlusLib/CHFSPlusFileCache.h"

#include <algorithm>
#include <cstring>

#include "HFSPlus/HFSPlusLib/CHFSPlusVolume.h"

CHFSPlusFileCache::CHFSPlusFileCache(CHFSPlusVolume* volume, std::uint32_t fileID, const HFSPlusForkData& fork)
    : CHFSPlusRawfile(volume, fileID, fork) {
  if (lastError_ != quellsy::kResultOk || volume == nullptr) return;
  // Never more than the chain covers or the device holds, so a header that claims a huge catalog on a small
  // device sizes nothing.
  pieces_ = std::min(ChainBytes(), volume->DeviceBytes()) / kPieceBytes;
  slots_ = std::min(pieces_, kCacheLimit / kPieceBytes);
}

bool CHFSPlusFileCache::Fill(std::uint64_t piece) {
  if (!pool_) {
    pool_ = std::make_unique_for_overwrite<std::uint8_t[]>(static_cast<std::size_t>(slots_ * kPieceBytes));
    tags_.assign(static_cast<std::size_t>(slots_), 0);
  }
  const std::uint64_t slot = piece % slots_;
  const std::uint64_t run =
      piece == nextInOrder_ ? std::min({kReadAhead, pieces_ - piece, slots_ - slot}) : std::uint64_t{1};
  // A failed read leaves no error behind: the read of the bytes asked for decides.
  const quellsy::ResultCode before = lastError_;
  for (std::uint64_t count = run;; count = 1) {
    std::fill_n(tags_.begin() + static_cast<std::ptrdiff_t>(slot), count, 0);
    const std::uint64_t bytes = count * kPieceBytes;
    if (ReadThroughChain(piece * kPieceBytes, pool_.get() + slot * kPieceBytes, bytes) == bytes) {
      for (std::uint64_t i = 0; i < count; ++i) tags_[slot + i] = piece + i + 1;
      nextInOrder_ = piece + count;
      lastError_ = before;
      return true;
    }
    lastError_ = before;
    // An unreadable sector further on costs only its own piece.
    if (count == 1) return false;
  }
}

std::uint64_t CHFSPlusFileCache::Read(std::uint64_t offset, std::uint8_t* buffer, std::uint64_t length) {
  std::uint64_t copied = 0;
  while (copied < length) {
    const std::uint64_t at = offset + copied;
    const std::uint64_t piece = at / kPieceBytes;
    if (piece >= pieces_ || slots_ == 0) break;
    const std::uint64_t slot = piece % slots_;
    if (tags_.empty() || tags_[slot] != piece + 1) {
      if (!Fill(piece)) break;
    }
    const std::uint64_t within = at % kPieceBytes;
    const std::uint64_t count = std::min(kPieceBytes - within, length - copied);
    std::memcpy(buffer + copied, pool_.get() + slot * kPieceBytes + within, static_cast<std::size_t>(count));
    copied += count;
  }
  if (copied == length) return copied;
  return copied + ReadThroughChain(offset + copied, buffer + copied, length - copied);
}
