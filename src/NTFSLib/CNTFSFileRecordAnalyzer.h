#pragma once
// Run lists of a record's unnamed data attributes, and the cluster size they imply.

#include <cstdint>

class CNTFSDataRunList;
class CNTFSFileRecord;

class CNTFSFileRecordAnalyzer {
 public:
  // Walks the data attributes (0x80) in order: named ones are skipped, a resident one ends the walk; with check
  // set, an uncompressed attribute whose mapping pairs do not cover last VCN + 1 - starting VCN clusters ends it.
  // Each one's runs are added at its starting VCN; realSize gets the first one's real size. True when at least
  // one was visited.
  static bool AddDataRunListfromFileRecordBuffer(const CNTFSFileRecord& record, CNTFSDataRunList& list, bool check,
                                                 std::int64_t& realSize);
  // Sectors per cluster from the real size over the checked runs' clusters; 0 when it cannot be told.
  static std::uint32_t GetSectorsPerClusterfrom0x80(const CNTFSFileRecord& record);
};
