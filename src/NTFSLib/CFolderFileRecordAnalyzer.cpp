#include "NTFSLib/CFolderFileRecordAnalyzer.h"

#include "NTFSLib/CNTFSFileRecord.h"
#include "NTFSLib/NTFSLayout.h"

bool CFolderFileRecordAnalyzer::IsValidFolderFileRecordHavingIndexAllocation(const CNTFSFileRecord& record) {
  if (!record.IsValid() || !record.IsFolder()) return false;
  const auto allocation = record.FindAttibute(quellsy::ntfs::kIndexAllocation, 0);
  return allocation.IsValid() && allocation.IsNonResident();
}
