#pragma once
// The attributes tree: keys of file ID and attribute name; inline, fork and extents records.

#include "HFSPlus/HFSPlusLib/CHFSPlusBTreeOptionBase.h"

class CHFSPlusAttribute : public CHFSPlusBTreeOptionBase {
 public:
  CHFSPlusAttribute(CHFSPlusVolume* volume, CHFSPlusRawfile* file);

  int Compare(const BTKey& a, const BTKey& b) override;
  std::optional<BTKey> KeyRead(CHFSPlusBTNode& node, std::uint16_t index) override;
  // One line on standard output: key length, file ID, first block and the name's low bytes.
  void KeyPrint(const BTKey& key) override;
  // A record of a type the engine does not know gives no record and no error: a walk steps over it.
  std::optional<BTRecord> DataRead(CHFSPlusBTNode& node, std::uint16_t index) override;
  void DataPrint(const BTRecord& record) override;

  // File ID, then the name unit by unit (a prefix first); the first block is not compared.
  static int CompareKey(const HFSPlusAttrKey& a, const HFSPlusAttrKey& b);
};
