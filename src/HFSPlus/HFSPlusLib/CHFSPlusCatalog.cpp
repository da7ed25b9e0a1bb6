#include "HFSPlus/HFSPlusLib/CHFSPlusCatalog.h"

#include "HFSPlus/HFSPlusLib/CHFSPlusVolume.h"
#include "HFSPlus/HFSPlusLib/HFSPlusErrors.h"
#include "HFSPlus/HFSPlusLib/HFSPlusUnicode.h"

using namespace quellsy;
using namespace quellsy::hfsplus;

CHFSPlusCatalog::CHFSPlusCatalog(CHFSPlusVolume* volume, CHFSPlusRawfile* file)
    : CHFSPlusBTreeOptionBase(volume, file) {
  const auto* header = volume != nullptr ? volume->GetVolumeHeader() : nullptr;
  const bool hfsx = header != nullptr && header->signature == kSignatureHFSX;
  if (hfsx && GetHeaderRec() != nullptr) compareType_ = GetHeaderRec()->keyCompareType;
}

int CHFSPlusCatalog::CompareKey(const HFSPlusCatalogKey& a, const HFSPlusCatalogKey& b, std::uint8_t compareType) {
  if (a.parentID != b.parentID) return a.parentID < b.parentID ? -1 : 1;
  return compareType == kCaseFolding ? FastUnicodeCompare(a.nodeName, b.nodeName)
                                     : BinaryUnicodeCompare(a.nodeName, b.nodeName);
}

int CHFSPlusCatalog::Compare(const BTKey& a, const BTKey& b) {
  const auto* ka = std::get_if<HFSPlusCatalogKey>(&a);
  const auto* kb = std::get_if<HFSPlusCatalogKey>(&b);
  if (ka == nullptr || kb == nullptr) return ka == kb ? 0 : (ka == nullptr ? -1 : 1);
  return CompareKey(*ka, *kb, compareType_);
}

std::optional<BTKey> CHFSPlusCatalog::KeyRead(CHFSPlusBTNode& node, std::uint16_t index) {
  ClearError();
  const auto parts = SplitRecord(node, index);
  if (!parts) return std::nullopt;
  auto key = ParseCatalogKey(parts->key);
  if (!key) {
    Fail(HFS_FAILURE(hfserror::kInvalid));
    return std::nullopt;
  }
  return std::optional<BTKey>(std::in_place, std::in_place_type<HFSPlusCatalogKey>, std::move(*key));
}

std::optional<BTRecord> CHFSPlusCatalog::DataRead(CHFSPlusBTNode& node, std::uint16_t index) {
  ClearError();
  if (node.Descriptor()->kind != kLeafNode) {
    Fail(HFS_FAILURE(hfserror::kInvalid));
    return std::nullopt;
  }
  const auto parts = SplitRecord(node, index);
  if (!parts) return std::nullopt;
  auto record = ParseCatalogRecord(parts->data);
  if (!record) Fail(HFS_FAILURE(hfserror::kInvalid));
  return record;
}
