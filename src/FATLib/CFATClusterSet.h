#pragma once
// The clusters a walk of one volume has already read, one bit each over the volume's cluster numbers: a
// corrupt chain through every cluster costs the bitmap (at most 32 MiB for FAT32), never more.

#include <cstdint>

#include "FATLib/FATBuildGeometry.h"
#include "Utility/TBitmap.h"

class CFATClusterSet {
 public:
  // Cluster numbers stop below the first end-of-chain mark.
  static constexpr std::uint64_t kMaxClusterLimit = 0x0FFFFFF8;

  // Empty until the first walker sizes it.
  CFATClusterSet() = default;
  CFATClusterSet(const CFATClusterSet&) = delete;
  CFATClusterSet& operator=(const CFATClusterSet&) = delete;

  // The cluster numbers a volume of this geometry can have (cluster 2 up to its sectors' worth), cut to the
  // FAT32 range. 0 without a cluster size.
  static std::uint64_t ClusterLimit(const FATBuildGeometry& geometry);
  // Makes the bitmap for cluster numbers below `limit`; a set already sized keeps its size and contents.
  void SizeFor(std::uint64_t limit);

  // True when the cluster was not in the set and now is. A cluster outside the bitmap (or every cluster
  // when the bitmap could not be made) counts as already read, so a walk stops there.
  bool Insert(std::uint64_t cluster);
  bool Contains(std::uint64_t cluster) const;
  // Bytes the bitmap holds.
  std::uint64_t BitmapBytes() const { return m_bits.GetBitmapSize(); }

 private:
  std::uint64_t m_limit = 0;
  TBitmap m_bits;
};
