#pragma once
// The catalog file read through a bounded cache of its most recent 4 KiB pieces. The walk reads every node once,
// in order (so a run of pieces is read at once); the journal's look-ups come back to the same index nodes again
// and again. Reading a large catalog whole into fresh memory first would cost more than all the reads it saves.

#include <cstdint>
#include <memory>
#include <vector>

#include "HFSPlus/HFSPlusLib/CHFSPlusRawfile.h"

class CHFSPlusFileCache : public CHFSPlusRawfile {
 public:
  static constexpr std::uint64_t kPieceBytes = 4096;
  // The most the cache holds, whatever the catalog's size.
  static constexpr std::uint64_t kCacheLimit = 4 << 20;
  // Pieces read at once while the reads go on in order.
  static constexpr std::uint64_t kReadAhead = 16;

  CHFSPlusFileCache(CHFSPlusVolume* volume, std::uint32_t fileID, const HFSPlusForkData& fork);

  // From the cache where the pieces are held or can be read whole; anything else (the part past the last whole
  // piece, a piece with an unreadable sector) straight through the chain.
  std::uint64_t Read(std::uint64_t offset, std::uint8_t* buffer, std::uint64_t length) override;

  // Bytes the cache can hold: at most kCacheLimit, and no more than the catalog's whole pieces.
  std::uint64_t CachedBytes() const { return slots_ * kPieceBytes; }

 private:
  // Reads piece (and the ones after it when the reads go on in order) into its slot; false when it cannot.
  bool Fill(std::uint64_t piece);

  std::uint64_t pieces_ = 0;  // whole pieces the chain covers on the device
  std::uint64_t slots_ = 0;
  // Taken when first needed; not zero-filled, a slot counts only once its tag says what it holds.
  std::unique_ptr<std::uint8_t[]> pool_;
  std::vector<std::uint64_t> tags_;  // the piece each slot holds, plus one; 0 for none
  std::uint64_t nextInOrder_ = 0;    // the piece after the last one read
};
