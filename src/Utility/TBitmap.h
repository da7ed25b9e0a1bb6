#pragma once
// A bit array over a device's sectors or clusters: the complete scan marks what a file system
// already accounts for, and the signature search steps over it. Bit i is bit (i mod 8) of byte i / 8.

#include <cstdint>
#include <memory>

class TBitmap {
 public:
  TBitmap() = default;
  ~TBitmap() = default;
  TBitmap(const TBitmap&) = delete;
  TBitmap& operator=(const TBitmap&) = delete;

  // 0 when bitCount < 1, when the array would need 4 GiB or more, or when memory is short (nothing
  // changes then). Otherwise replaces the array by a zeroed one of bitCount bits and returns 1.
  int CreateBitmap(long long bitCount, unsigned int unit);

  // Sets (value != 0) or clears bits first .. min(first + count - 1, last bit). 0 when first is
  // outside the map, 1 otherwise (also for count 0, which changes nothing).
  int SetBit(long long first, int value, unsigned int count);

  // Non-zero (the bit's mask within its byte) when the bit is set; 0 outside the map or when unset.
  int GetBit(long long index) const;

  unsigned char* GetBitmapData() const { return bits_.get(); }
  long long GetMaxBitIndex() const { return highestBit_; }
  std::uint32_t GetBitmapSize() const { return static_cast<std::uint32_t>(byteCount_); }
  // Sectors that one bit stands for; kept for the users, not used by the bitmap itself.
  unsigned int GetUnit() const { return unit_; }

  // Frees the array; the unit stays. Returns 1.
  int DestroyBitmap();

 private:
  std::unique_ptr<unsigned char[]> bits_;
  std::uint64_t byteCount_ = 0;
  long long highestBit_ = 0;
  unsigned int unit_ = 1;
};
