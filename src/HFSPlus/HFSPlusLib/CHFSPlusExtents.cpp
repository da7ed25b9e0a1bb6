#include "HFSPlus/HFSPlusLib/CHFSPlusExtents.h"

#include "HFSPlus/HFSPlusLib/HFSPlusErrors.h"

using namespace quellsy;
using namespace quellsy::hfsplus;

namespace {
template <typename T>
int Order(T a, T b) {
  return a == b ? 0 : (a < b ? -1 : 1);
}
}  // namespace

CHFSPlusExtents::CHFSPlusExtents(CHFSPlusVolume* volume, CHFSPlusRawfile* file)
    : CHFSPlusBTreeOptionBase(volume, file) {}

int CHFSPlusExtents::CompareKey(const HFSPlusExtentKey& a, const HFSPlusExtentKey& b) {
  if (const int o = Order(a.fileID, b.fileID); o != 0) return o;
  if (const int o = Order(a.forkType, b.forkType); o != 0) return o;
  if (const int o = Order(a.startBlock, b.startBlock); o != 0) return o;
  return Order(a.keyLength, b.keyLength);
}

int CHFSPlusExtents::Compare(const BTKey& a, const BTKey& b) {
  const auto* ka = std::get_if<HFSPlusExtentKey>(&a);
  const auto* kb = std::get_if<HFSPlusExtentKey>(&b);
  if (ka == nullptr || kb == nullptr) return ka == kb ? 0 : (ka == nullptr ? -1 : 1);
  return CompareKey(*ka, *kb);
}

std::optional<BTKey> CHFSPlusExtents::KeyRead(CHFSPlusBTNode& node, std::uint16_t index) {
  ClearError();
  const auto parts = SplitRecord(node, index);
  if (!parts) return std::nullopt;
  auto key = parts->key.size() == kExtentKeySize ? ParseExtentKey(parts->key) : std::nullopt;
  if (!key) {
    Fail(HFS_FAILURE(hfserror::kInvalid));
    return std::nullopt;
  }
  return std::optional<BTKey>(std::in_place, std::in_place_type<HFSPlusExtentKey>, *key);
}

std::optional<BTRecord> CHFSPlusExtents::DataRead(CHFSPlusBTNode& node, std::uint16_t index) {
  ClearError();
  if (node.Descriptor()->kind != kLeafNode) {
    Fail(HFS_FAILURE(hfserror::kDeviceRead));
    return std::nullopt;
  }
  const auto parts = SplitRecord(node, index);
  if (!parts) return std::nullopt;
  auto record = ParseExtentRecord(parts->data);
  if (!record) {
    Fail(HFS_FAILURE(hfserror::kInvalid));
    return std::nullopt;
  }
  return BTRecord{*record};
}
