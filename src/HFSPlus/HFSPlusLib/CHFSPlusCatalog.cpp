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
  const auto view = ViewCatalogKey(parts->key);
  if (!view) {
    Fail(HFS_FAILURE(hfserror::kInvalid));
    return std::nullopt;
  }
  if (view->parentID != sought->parentID) return view->parentID < sought->parentID ? -1 : 1;
  const std::size_t length = view->name.size() / 2;
  std::array<std::uint16_t, kMaxCatalogNameUnits> units;
  for (std::size_t i = 0; i < length; ++i) units[i] = be16(view->name, 2 * i).value_or(0);
  const std::span<const std::uint16_t> name(units.data(), length);
  return compareType_ == kCaseFolding ? FastUnicodeCompare(name, sought->nodeName)
                                      : BinaryUnicodeCompare(name, sought->nodeName);
}

bool CHFSPlusCatalog::IsThreadRecord(CHFSPlusBTNode& node, std::uint16_t index) {
  if (!node.Descriptor() || node.Descriptor()->kind != kLeafNode) return false;
  const auto parts = node.GetKeyAndData(index);
  return parts && ViewCatalogKey(parts->key) && ViewCatalogThread(parts->data);
}

std::optional<BTRecord> CHFSPlusCatalog::DataRead(CHFSPlusBTNode& node, std::uint16_t index) {
  const auto data = LeafData(node, index, hfserror::kInvalid);
  if (!data) return std::nullopt;
  auto record = ParseCatalogRecord(*data);
  if (!record) Fail(HFS_FAILURE(hfserror::kInvalid));
  return record;
}
