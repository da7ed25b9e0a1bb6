#pragma once
// The update sequence ("fix-up") of multi-sector NTFS structures: the last word of every 512-byte stride is
// replaced on disk by the update-sequence number, and its real value kept in the array after that number.

#include <cstddef>
#include <cstdint>

#include "Utility/ByteReader.h"

namespace quellsy::ntfs {

struct UpdateSequence {
  std::size_t offset = 0;   // of the update-sequence number; the array follows it
  std::size_t strides = 0;  // 512-byte strides it protects

  // Every protected stride ends with the number (no strides checks out).
  bool Matches(ByteSpan bytes) const;
  // Puts the array's words in place; false (nothing written) when the array or a stride lies outside.
  bool Apply(MutableByteSpan bytes) const;
  // Copies each stride's last word into the array and writes the number in its place.
  bool Restore(MutableByteSpan bytes) const;

 private:
  bool Fits(std::size_t size) const;
};

}  // namespace quellsy::ntfs
