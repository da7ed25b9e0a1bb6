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

int CHFSPlusExtents::Compare(const BTKey& a, const BTKey& b) { return CompareAs<HFSPlusExtentKey>(a, b, CompareKey); }

std::optional<BTKey> CHFSPlusExtents::KeyRead(CHFSPlusBTNode& node, std::uint16_t index) {
  return ReadKeyWith(node, index, [](ByteSpan key) -> std::optional<HFSPlusExtentKey> {
    return key.size() == kExtentKeySize ? ParseExtentKey(key) : std::nullopt;
  });
}

std::optional<BTRecord> CHFSPlusExtents::DataRead(CHFSPlusBTNode& node, std::uint16_t index) {
  const auto data = LeafData(node, index, hfserror::kDeviceRead);
  if (!data) return std::nullopt;
  auto record = ParseExtentRecord(*data);
  if (!record) {
    Fail(HFS_FAILURE(hfserror::kInvalid));
    return std::nullopt;
  }
  return BTRecord{*record};
}
