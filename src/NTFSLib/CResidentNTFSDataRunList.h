#pragma once
// The run list of a file whose data lives inside its FILE record: one run (the record's first sector, length 1)
// and the data's byte offset from the record's start.

#include <cstdint>

#include "include/DataRunList.h"

class CResidentNTFSDataRunList : public CDataRunList {
 public:
  CResidentNTFSDataRunList() { SetResident(true); }

  void InitList(std::int64_t firstSector, std::int64_t length, std::uint32_t offset);

  long long GetOffset() override { return m_offset; }
  int GetDataRunListType() override { return 1; }
  IDataRunList* Clone() override;

 private:
  std::uint32_t m_offset = 0;
};

class CNTFSFileRecordAttribute;

// A resident list for a resident attribute at attributeOffset in the record at recordSector (offset: the
// attribute's offset plus its content offset), and the content length; null when the attribute is not a
// readable resident one.
CResidentNTFSDataRunList* GetDataRunListfromResidentAttributeBuffer(const CNTFSFileRecordAttribute& attribute,
                                                                    std::int64_t recordSector,
                                                                    std::uint32_t attributeOffset,
                                                                    std::int64_t& size);
