#pragma once
// The partition record of an NTFS volume.

#include "include/SearchPartitionInfoStruct.h"

class CSearchedNTFSPartitionInfo : public CSearchedPartitionInfo {
 public:
  using CSearchedPartitionInfo::CSearchedPartitionInfo;

  int GetType() const override { return 0; }
  CSearchedPartitionInfo* Clone() const override;
};
