#pragma once
// Sizes and extents of deleted files that NTFS cleared, as the volume's log file still remembers them. Until the
// log pages are read it remembers nothing: every question is answered "not found".

#include <cstdint>

#include "NTFSLib/CNTFSDataRunList.h"

class CNTFSFileProperties;
class IStorageDevice;

class CFindFileFromLogFile {
 public:
  // Locates the log file through the $MFT's runs; false when it cannot be read.
  bool Init(IStorageDevice* device, const CNTFSDataRunList& mftRuns, std::uint32_t sectorsPerCluster);
  // Reads the log pages; false when nothing was found.
  bool Analyzer();
  // Gives a deleted file its size and extents back from the log; false when the log knows nothing of it.
  bool ReplaceFileRecordInfo(std::int64_t mftNumber, CNTFSFileProperties& properties) const;
};
