#include "NTFSLib/CResidentNTFSDataRunList.h"

#include <new>

#include "NTFSLib/CNTFSFileRecordAttribute.h"

void CResidentNTFSDataRunList::InitList(std::int64_t firstSector, std::int64_t length, std::uint32_t offset) {
  const DataRun run{firstSector, length};
  AddDataRun(&run);
  m_offset = offset;
}

IDataRunList* CResidentNTFSDataRunList::Clone() {
  auto* copy = new (std::nothrow) CResidentNTFSDataRunList();
  if (copy == nullptr) return nullptr;
  CopyRunsTo(*copy);
  copy->m_offset = m_offset;
  return copy;
}

CResidentNTFSDataRunList* GetDataRunListfromResidentAttributeBuffer(const CNTFSFileRecordAttribute& attribute,
                                                                    std::int64_t recordSector,
                                                                    std::uint32_t attributeOffset,
                                                                    std::int64_t& size) {
  size = 0;
  if (!attribute.IsValid() || attribute.IsNonResident()) return nullptr;
  auto* list = new (std::nothrow) CResidentNTFSDataRunList();
  if (list == nullptr) return nullptr;
  list->InitList(recordSector, 1, attributeOffset + attribute.GetContentOffset());
  size = attribute.GetContentLength();
  return list;
}
