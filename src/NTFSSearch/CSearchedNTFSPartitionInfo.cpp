#include "NTFSSearch/CSearchedNTFSPartitionInfo.h"

#include <new>

CSearchedPartitionInfo* CSearchedNTFSPartitionInfo::Clone() const {
  return new (std::nothrow) CSearchedNTFSPartitionInfo(*this);
}
