#pragma once
// Sizes a file by searching for its end signature (for example "</html>") in the sectors that
// follow its start, through the read window.

#include <cstdint>

class CRawFileInfo;
class IStorageDevice;

struct SearchSignCodeInfo {
  static constexpr std::uint32_t kMaxSignLength = 64;
  static constexpr std::uint64_t kDefaultMaxSize = 0xD000000;

  char sign[kMaxSignLength];
  std::uint32_t signLength;
  std::uint64_t maxSize;  // 0 = kDefaultMaxSize
};

class SearchSignFileAnalyser {
 public:
  // Always 1; sets info's size. Only sectors whose last 2 bytes are zero (where a file may end) are
  // searched, from the file's start up to the maximum size: the size ends just behind the signature;
  // without one, where a sector ending in 8 zero bytes follows the data (case-sensitive search) or
  // where the search stopped. Case-insensitive matches the all-lower or all-upper signature.
  int SearchEndSignCode(CRawFileInfo& info, IStorageDevice* device, const SearchSignCodeInfo& sign,
                        int caseSensitive);
};
