#pragma once
// Folders whose index has grown out of the record into index-allocation clusters.

class CNTFSFileRecord;

class CFolderFileRecordAnalyzer {
 public:
  // The directory flag is set and the first index allocation (0xA0) is non-resident.
  static bool IsValidFolderFileRecordHavingIndexAllocation(const CNTFSFileRecord& record);
};
