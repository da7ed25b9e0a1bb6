#pragma once
// Whether a restored file may be copied out as saved. A scan-result file has no checksum over its nodes: one
// flipped byte must not turn a saved file into a copy of terabytes, or into one that reads past its volume. A file
// passes when every run it reads lies inside the partition record data recovery will read it through and inside
// the device, and its size is bounded by them (plus its sparse runs, which read nothing; a resident value by what
// one file record holds).

#include <string>
#include <vector>

#include "DataRecovery/DataRecovery.h"

class CFileNode;
class CSearchedPartitionInfo;
class IStorageDevice;

namespace SaveRestoreResult {

class RestoredNodeCheck {
 public:
  // The records of the node's searcher, as data recovery will be given them, and the device it will read.
  RestoredNodeCheck(std::vector<CSearchedPartitionInfo*>& records, IStorageDevice* device);

  // Empty when the node may be copied (folders and empty files always may); otherwise why not, in words.
  std::string Refusal(CFileNode& node);

 private:
  IStorageDevice* device_;
  CDataRecovery recovery_;  // picks the record as a copy will
};

}  // namespace SaveRestoreResult
