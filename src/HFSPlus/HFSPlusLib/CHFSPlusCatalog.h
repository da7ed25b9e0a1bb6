#pragma once
// The catalog tree: keys of parent ID and name, folder, file and thread records.

#include "HFSPlus/HFSPlusLib/CHFSPlusBTreeOptionBase.h"

class CHFSPlusCatalog : public CHFSPlusBTreeOptionBase {
 public:
  CHFSPlusCatalog(CHFSPlusVolume* volume, CHFSPlusRawfile* file);

  int Compare(const BTKey& a, const BTKey& b) override;
  std::optional<BTKey> KeyRead(CHFSPlusBTNode& node, std::uint16_t index) override;
  // Reads the name in place: the search compares many keys and keeps none.
  std::optional<int> CompareKeyAt(CHFSPlusBTNode& node, std::uint16_t index, const BTKey& key) override;
  void KeyPrint(const BTKey&) override {}
  std::optional<BTRecord> DataRead(CHFSPlusBTNode& node, std::uint16_t index) override;
  void DataPrint(const BTRecord&) override {}
  bool IsThreadRecord(CHFSPlusBTNode& node, std::uint16_t index) override;

  // Parent ID first, then the names: case-folded with 0xCF, binary with any other type.
  static int CompareKey(const HFSPlusCatalogKey& a, const HFSPlusCatalogKey& b, std::uint8_t compareType);
  // The comparison the tree is sorted by: 0xCF on every HFS+ volume (which always folds case), else the
  // header record's keyCompareType.
  std::uint8_t KeyCompareType() const { return compareType_; }

 private:
  std::uint8_t compareType_ = quellsy::hfsplus::kCaseFolding;
};
