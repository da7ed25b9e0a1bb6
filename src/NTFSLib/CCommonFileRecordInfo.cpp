#include "NTFSLib/CCommonFileRecordInfo.h"

#include "NTFSLib/CNTFSFileRecord.h"
#include "NTFSLib/NTFSLayout.h"

bool CCommonFileRecordInfo::Build(const CNTFSFileRecord& record, std::int64_t sector) {
  if (!record.IsValid() || record.IsExtendFileRecord()) return false;
  const CNTFSFileRecordFileNameAttribute name(record.FindAttibute(quellsy::ntfs::kFileName, 0));
  if (!name.IsValid()) return false;
  m_directory = record.IsFolder();
  m_sector = sector;
  m_parent = static_cast<std::int64_t>(name.GetParentMftNumber());
  m_own = record.HasXPNumberOfthisMFTRecord() ? std::int64_t{record.GetXPNumberOfthisMFTRecord()} : -1;
  m_mftNumber = m_own;
  return true;
}
