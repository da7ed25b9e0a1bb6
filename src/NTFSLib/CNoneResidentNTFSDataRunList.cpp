#include "NTFSLib/CNoneResidentNTFSDataRunList.h"

#include <new>
#include <vector>

#include "NTFSLib/CNTFSDataRunList.h"

void CNoneResidentNTFSDataRunList::InitFromBuffer(quellsy::ByteSpan bytes) {
  std::vector<quellsy::ntfs::MappingRun> runs;
  quellsy::ntfs::DecodeMappingPairs(bytes, 0, runs);
  for (const auto& run : runs) {
    const DataRun copy{run.lcn, run.length};
    AddDataRun(&copy);
  }
}

IDataRunList* CNoneResidentNTFSDataRunList::Clone() {
  auto* copy = new (std::nothrow) CNoneResidentNTFSDataRunList();
  if (copy != nullptr) CopyRunsTo(*copy);
  return copy;
}

CNoneResidentNTFSDataRunList* BuildNonResidentDataRunListfromNTFSDataRunList(const CNTFSDataRunList& list,
                                                                              std::int64_t& clusters) {
  clusters = 0;
  if (list.IsEmpty()) return nullptr;
  auto* result = new (std::nothrow) CNoneResidentNTFSDataRunList();
  if (result == nullptr) return nullptr;
  for (const CDataRun& run : list.GetRuns()) {
    const DataRun copy{run.lcn, run.length};
    result->AddDataRun(&copy);
  }
  clusters = list.GetTotalClusters();
  return result;
}
