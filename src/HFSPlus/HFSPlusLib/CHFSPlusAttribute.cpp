#include "HFSPlus/HFSPlusLib/CHFSPlusAttribute.h"

#include <cstdio>

#include "HFSPlus/HFSPlusLib/HFSPlusErrors.h"

using namespace quellsy;
using namespace quellsy::hfsplus;

CHFSPlusAttribute::CHFSPlusAttribute(CHFSPlusVolume* volume, CHFSPlusRawfile* file)
    : CHFSPlusBTreeOptionBase(volume, file) {}

int CHFSPlusAttribute::CompareKey(const HFSPlusAttrKey& a, const HFSPlusAttrKey& b) {
  if (a.fileID != b.fileID) return a.fileID < b.fileID ? -1 : 1;
  const std::size_t common = std::min(a.name.size(), b.name.size());
  for (std::size_t i = 0; i < common; ++i) {
    if (a.name[i] != b.name[i]) return a.name[i] < b.name[i] ? -1 : 1;
  }
  if (a.name.size() == b.name.size()) return 0;
  return a.name.size() < b.name.size() ? -1 : 1;
}

int CHFSPlusAttribute::Compare(const BTKey& a, const BTKey& b) {
  const auto* ka = std::get_if<HFSPlusAttrKey>(&a);
  const auto* kb = std::get_if<HFSPlusAttrKey>(&b);
  if (ka == nullptr || kb == nullptr) return ka == kb ? 0 : (ka == nullptr ? -1 : 1);
  return CompareKey(*ka, *kb);
}

std::optional<BTKey> CHFSPlusAttribute::KeyRead(CHFSPlusBTNode& node, std::uint16_t index) {
  ClearError();
  const auto parts = SplitRecord(node, index);
  if (!parts) return std::nullopt;
  auto key = ParseAttrKey(parts->key);
  if (!key) {
    Fail(HFS_FAILURE(hfserror::kInvalid));
    return std::nullopt;
  }
  return std::optional<BTKey>(std::in_place, std::in_place_type<HFSPlusAttrKey>, std::move(*key));
}

std::optional<BTRecord> CHFSPlusAttribute::DataRead(CHFSPlusBTNode& node, std::uint16_t index) {
  ClearError();
  if (node.Descriptor()->kind != kLeafNode) {
    Fail(HFS_FAILURE(hfserror::kInvalid));
    return std::nullopt;
  }
  const auto parts = SplitRecord(node, index);
  if (!parts) return std::nullopt;
  return ParseAttrRecord(parts->data);
}

void CHFSPlusAttribute::KeyPrint(const BTKey& key) {
  const auto* k = std::get_if<HFSPlusAttrKey>(&key);
  if (k == nullptr) return;
  std::printf("keyLength:%u\tfileID:%u\tstartBlock:%u\tName:", k->keyLength, k->fileID, k->startBlock);
  for (const std::uint16_t unit : k->name) {
    const auto low = static_cast<char>(unit & 0xFF);
    if (low != '\r') std::putchar(low);
  }
}

void CHFSPlusAttribute::DataPrint(const BTRecord&) { std::putchar('\n'); }
