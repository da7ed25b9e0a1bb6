#include "HFSPlus/HFSPlusLib/CHFSPlusCatalog.h"

#include <array>
#include <span>

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
  return CompareAs<HFSPlusCatalogKey>(a, b, [this](const HFSPlusCatalogKey& ka, const HFSPlusCatalogKey& kb) {
    return CompareKey(ka, kb, compareType_);
  });
}

std::optional<BTKey> CHFSPlusCatalog::KeyRead(CHFSPlusBTNode& node, std::uint16_t index) {
  return ReadKeyWith(node, index, ParseCatalogKey);
}

std::optional<int> CHFSPlusCatalog::CompareKeyAt(CHFSPlusBTNode& node, std::uint16_t index, const BTKey& key) {
  const auto* sought = std::get_if<HFSPlusCatalogKey>(&key);
  if (sought == nullptr) return CHFSPlusBTreeOptionBase::CompareKeyAt(node, index, key);
  ClearError();
  const auto parts = SplitRecord(node, index);
  if (!parts) return std::nullopt;
  // The same checks as ParseCatalogKey, on the bytes where they lie.
  const auto keyLength = be16(parts->key, 0);
  const auto parentID = be32(parts->key, 2);
  const auto length = be16(parts->key, 6);
  if (!keyLength || !parentID || !length || *length > kMaxCatalogNameUnits ||
      6 + 2 * std::size_t{*length} > *keyLength || 8 + 2 * std::size_t{*length} > parts->key.size()) {
    Fail(HFS_FAILURE(hfserror::kInvalid));
    return std::nullopt;
  }
  if (*parentID != sought->parentID) return *parentID < sought->parentID ? -1 : 1;
  std::array<std::uint16_t, kMaxCatalogNameUnits> units;
  for (std::size_t i = 0; i < *length; ++i) units[i] = *be16(parts->key, 8 + 2 * i);
  const std::span<const std::uint16_t> name(units.data(), *length);
  return compareType_ == kCaseFolding ? FastUnicodeCompare(name, sought->nodeName)
                                      : BinaryUnicodeCompare(name, sought->nodeName);
}

std::optional<BTRecord> CHFSPlusCatalog::DataRead(CHFSPlusBTNode& node, std::uint16_t index) {
  const auto data = LeafData(node, index, hfserror::kInvalid);
  if (!data) return std::nullopt;
  auto record = ParseCatalogRecord(*data);
  if (!record) Fail(HFS_FAILURE(hfserror::kInvalid));
  return record;
}
