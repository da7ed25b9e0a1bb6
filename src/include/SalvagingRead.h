#pragma once
// Metadata reads that keep every sector the device can still give. A read that fails is read again in halves,
// down to single sectors, so that one bad sector costs only the bytes it holds (zeros in the buffer) instead of
// the whole span: one unreadable sector inside the $MFT, a folder or a B-tree node then loses one record, not
// every record read with it.

#include <cstddef>
#include <vector>

#include "Utility/MessageCenter.h"
#include "Utility/RawRead.h"

class IStorageDevice;

namespace quellsy {

struct SalvagedRead {
  // Sectors of the device that stayed unreadable, ascending, neighbours merged; they read as zeros.
  std::vector<BadSectorRange> unreadable;
  // The device refused the request (an argument it does not take, such as a span past its end or a null
  // buffer) or stopped taking reads (every raw-read worker stalled, or the device says it stopped answering):
  // nothing more was tried, and none of it counts as a bad sector.
  bool refused = false;

  bool Whole() const { return unreadable.empty() && !refused; }
  // True when [first, first + count) holds an unreadable sector.
  bool Lost(long long first, long long count) const;
  // True when some sector of [first, first + count) was read.
  bool AnyRead(long long first, long long count) const;
};

// Whether the ranges that stay unreadable are pushed as bad-sector events: not when the sectors were read (and
// reported) before, as when a block already searched is read again.
enum class UnreadableRanges { kReport, kReportedBefore };

// Reads `count` sectors from `first` into buffer (count x sector size bytes). Each range that stays unreadable
// is pushed once as a bad-sector event in the device's sectors; the device's own event for each failed read is
// held back meanwhile, so a failing disk is reported range by range, not read by read.
SalvagedRead ReadSectorsSalvaging(IStorageDevice& device, void* buffer, long long first, long long count,
                                  UnreadableRanges ranges = UnreadableRanges::kReport);
// As above into lent storage, from `at` bytes into it: the first read goes straight into it (see
// IStorageDevice::ReadSectorInto), the pieces read again go through the device's copying read.
SalvagedRead ReadSectorsSalvagingInto(IStorageDevice& device, RawReadBuffer& buffer, long long first,
                                      long long count, std::size_t at);

}  // namespace quellsy
