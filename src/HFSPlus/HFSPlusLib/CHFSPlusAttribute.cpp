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

int CHFSPlusAttribute::Compare(const BTKey& a, const BTKey& b) { return CompareAs<HFSPlusAttrKey>(a, b, CompareKey); }

std::optional<BTKey> CHFSPlusAttribute::KeyRead(CHFSPlusBTNode& node, std::uint16_t index) {
  return ReadKeyWith(node, index, ParseAttrKey);
}

std::optional<BTRecord> CHFSPlusAttribute::DataRead(CHFSPlusBTNode& node, std::uint16_t index) {
  const auto data = LeafData(node, index, hfserror::kInvalid);
  return data ? ParseAttrRecord(*data) : std::nullopt;
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
