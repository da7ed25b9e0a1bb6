#pragma once
// The Apple partition map: a driver descriptor ("ER") in sector 0, then one map entry ("PM", or the
// older "TS") per block. All fields are big-endian.

#include <list>

#include "PartitionTableAnalyze/PartitionEntry.h"
#include "Utility/ResultCode.h"
#include "include/IStorageDevice.h"

class CAPMAnaly {
 public:
  static constexpr std::uint32_t kMaxEntries = 31;
  static constexpr std::size_t kEntrySize = 512;

  // Lists every map entry with a valid signature (free-space entries too), numbered from 1, with
  // start and count in the disk's sectors. A damaged map gives error 6; what was listed before a
  // failed read stays listed.
  static quellsy::ResultCode Analyze(IStorageDevice* disk, std::list<PartitionEntry>& out);
};
