#pragma once
// The extents overflow tree: keys of file ID, fork and first block; records of eight extents.

#include "HFSPlus/HFSPlusLib/CHFSPlusBTreeOptionBase.h"

class CHFSPlusExtents : public CHFSPlusBTreeOptionBase {
 public:
  CHFSPlusExtents(CHFSPlusVolume* volume, CHFSPlusRawfile* file);

  int Compare(const BTKey& a, const BTKey& b) override;
  std::optional<BTKey> KeyRead(CHFSPlusBTNode& node, std::uint16_t index) override;
  void KeyPrint(const BTKey&) override {}
  std::optional<BTRecord> DataRead(CHFSPlusBTNode& node, std::uint16_t index) override;
  void DataPrint(const BTRecord&) override {}

  // File ID, then fork type, then first block, as unsigned numbers; the key lengths last.
  static int CompareKey(const HFSPlusExtentKey& a, const HFSPlusExtentKey& b);
};
