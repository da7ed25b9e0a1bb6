#include "NTFSLib/CNTFSFileRecordAnalyzer.h"

#include "NTFSLib/CNTFSDataRunList.h"
#include "NTFSLib/CNTFSFileRecord.h"
#include "NTFSLib/NTFSLayout.h"

bool CNTFSFileRecordAnalyzer::AddDataRunListfromFileRecordBuffer(const CNTFSFileRecord& record,
                                                                 CNTFSDataRunList& list, bool check,
                                                                 std::int64_t& realSize) {
  bool visited = false;
  bool first = true;
  for (unsigned n = 0;; ++n) {
    const CNTFSFileRecordDataRunsAttribute data(record.FindAttibute(quellsy::ntfs::kData, n));
    if (!data.IsValid()) break;
    if (data.IsNamed()) continue;
    if (!data.IsNonResident()) break;
    if (check && !data.IsCompressed()) {
      const std::int64_t clusters = CNTFSDataRunList::GetTotalClusters(data.GetMappingPairs());
      const auto expected = static_cast<std::int64_t>(static_cast<std::uint64_t>(data.GetLastVCN()) + 1 -
                                                      static_cast<std::uint64_t>(data.GetStartingVCN()));
      if (clusters != expected) break;
    }
    visited = true;
    data.GetDataRunList(list);
    if (first) realSize = data.GetRealSize();
    first = false;
  }
  return visited;
}

std::uint32_t CNTFSFileRecordAnalyzer::GetSectorsPerClusterfrom0x80(const CNTFSFileRecord& record) {
  CNTFSDataRunList list;
  std::int64_t realSize = 0;
  if (!AddDataRunListfromFileRecordBuffer(record, list, true, realSize)) return 0;
  return SectorsPerClusterFromSize(realSize, list.GetTotalClusters());
}
