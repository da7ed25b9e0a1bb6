#pragma once
// The run list a non-resident file carries to the recovery readers: (first cluster, length) pairs, a negative
// first cluster being sparse.

#include "Utility/ByteReader.h"
#include "include/DataRunList.h"

class CNTFSDataRunList;

class CNoneResidentNTFSDataRunList : public CDataRunList {
 public:
  // Decodes mapping pairs without the list test, stopping at a zero header, at the span's end, or at a field
  // wider than eight bytes.
  void InitFromBuffer(quellsy::ByteSpan bytes);

  int GetDataRunListType() override { return 2; }
  IDataRunList* Clone() override;
};

// A new non-resident list with the (LCN, length) pairs of list in order, and their cluster sum; null for an
// empty list.
CNoneResidentNTFSDataRunList* BuildNonResidentDataRunListfromNTFSDataRunList(const CNTFSDataRunList& list,
                                                                              std::int64_t& clusters);
