#include "Utility/TBitmap.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

int TBitmap::CreateBitmap(long long bitCount, unsigned int unit) {
  if (bitCount < 1) return 0;
  const auto bytes = (static_cast<std::uint64_t>(bitCount) + 7) / 8;
  if (bytes > std::numeric_limits<std::uint32_t>::max()) return 0;
  std::unique_ptr<unsigned char[]> fresh(new (std::nothrow) unsigned char[bytes]);
  if (!fresh) return 0;
  std::memset(fresh.get(), 0, bytes);
  bits_ = std::move(fresh);
  byteCount_ = bytes;
  highestBit_ = bitCount - 1;
  unit_ = unit;
  return 1;
}

int TBitmap::SetBit(long long first, int value, unsigned int count) {
  if (first < 0 || first > highestBit_) return 0;
  if (count == 0 || !bits_) return 1;
  const long long last = std::min(first + static_cast<long long>(count) - 1, highestBit_);
  const unsigned char fill = value ? 0xFF : 0x00;
  auto setRange = [&](long long from, long long to) {  // bits from..to within one byte
    const auto mask = static_cast<unsigned char>(((1u << (to - from + 1)) - 1) << (from % 8));
    unsigned char& byte = bits_[from / 8];
    byte = value ? (byte | mask) : (byte & static_cast<unsigned char>(~mask));
  };
  long long bit = first;
  if (bit % 8 != 0) {
    const long long headEnd = std::min(last, (bit / 8) * 8 + 7);
    setRange(bit, headEnd);
    bit = headEnd + 1;
  }
  // Whole bytes in one go: the HFS+ searcher marks the blocks of big files.
  if (bit <= last && last - bit + 1 >= 8) {
    const long long wholeBytes = (last - bit + 1) / 8;
    std::memset(bits_.get() + bit / 8, fill, static_cast<size_t>(wholeBytes));
    bit += wholeBytes * 8;
  }
  if (bit <= last) setRange(bit, last);
  return 1;
}

int TBitmap::GetBit(long long index) const {
  if (index < 0 || index > highestBit_ || !bits_) return 0;
  return bits_[index / 8] & (1 << (index % 8));
}

int TBitmap::DestroyBitmap() {
  bits_.reset();
  byteCount_ = 0;
  highestBit_ = 0;
  return 1;
}
