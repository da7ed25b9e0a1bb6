#pragma once
// Where a device read puts its sectors: memory the caller keeps, or a buffer the caller lends (from a given byte
// into it) so that the raw-read routine fills it in place.

#include <cstddef>

#include "Utility/RawRead.h"
#include "include/IStorageDevice.h"

namespace quellsy::storage {

class ReadTarget {
 public:
  explicit ReadTarget(void* memory) : memory_(static_cast<unsigned char*>(memory)) {}
  explicit ReadTarget(RawReadBuffer& lent, std::size_t at = 0) : lent_(&lent), at_(at) {}

  // Where the bytes are now (a timed-out read gives a lent buffer new storage); null when there are none.
  unsigned char* data() const {
    if (!lent_) return memory_;
    return lent_->data() && at_ <= lent_->capacity() ? lent_->data() + at_ : nullptr;
  }
  // Room for `count` sectors: a lent buffer knows its capacity, for kept memory the caller answers.
  bool Holds(long long count, unsigned sectorSize) const { return !lent_ || lent_->Holds(count, sectorSize, at_); }
  // The raw-read routine for the target's kind: the length, or 0 when any piece failed.
  long long ReadFile(int fd, long long offset, long long length) const {
    return lent_ ? KDReadAsyncDataInto(*lent_, fd, offset, length, at_) : KDReadAsyncData(memory_, fd, offset, length);
  }
  // The device's read for the target's kind.
  bool ReadFrom(IStorageDevice& device, long long first, long long count) const {
    return lent_ ? device.ReadSectorInto(*lent_, first, count, at_) : device.ReadSector(memory_, first, count);
  }

 private:
  unsigned char* memory_ = nullptr;
  RawReadBuffer* lent_ = nullptr;
  std::size_t at_ = 0;
};

}  // namespace quellsy::storage
