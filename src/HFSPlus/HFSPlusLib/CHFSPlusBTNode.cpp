#include "HFSPlus/HFSPlusLib/CHFSPlusBTNode.h"

#include <algorithm>

#include "HFSPlus/HFSPlusLib/HFSPlusErrors.h"

using namespace quellsy;
using namespace quellsy::hfsplus;

namespace {

constexpr std::size_t kMinNodeSize = 512;

// The u16 at `offset` of a node already known to be at least that long.
std::uint16_t OffsetAt(ByteSpan node, std::size_t offset) { return be16(node, offset).value_or(0); }

}  // namespace

CHFSPlusBTNode::CHFSPlusBTNode(ByteSpan bytes)
    : bytes_(std::make_unique_for_overwrite<std::uint8_t[]>(bytes.size())), size_(bytes.size()) {
  std::copy(bytes.begin(), bytes.end(), bytes_.get());
  Check();
}

CHFSPlusBTNode::CHFSPlusBTNode(std::unique_ptr<std::uint8_t[]> bytes, std::size_t size)
    : bytes_(std::move(bytes)), size_(bytes_ ? size : 0) {
  Check();
}

void CHFSPlusBTNode::Check() {
  if (IsValidNode(Bytes())) {
    descriptor_ = ParseNodeDescriptor(Bytes());
  } else {
    lastError_ = HFS_FAILURE(hfserror::kInvalid);
  }
}

bool CHFSPlusBTNode::IsValidNode(ByteSpan node) {
  const std::size_t size = node.size();
  if (size < kMinNodeSize || size % kMinNodeSize != 0) return false;
  const auto descriptor = ParseNodeDescriptor(node);
  if (!descriptor) return false;
  const auto kind = descriptor->kind;
  if (kind != kLeafNode && kind != kIndexNode && kind != kHeaderNode && kind != kMapNode) return false;
  if (kind == kLeafNode && descriptor->height != 1) return false;
  if (kind == kHeaderNode && descriptor->height != 0) return false;
  if (OffsetAt(node, size - 2) != kNodeDescriptorSize) return false;
  // Offsets of records 1 .. numRecords - 1 and of the free space, each above the one before it and below
  // its own slot in the table at the node's end.
  std::size_t previous = kNodeDescriptorSize;
  for (std::size_t i = 2; i <= std::size_t{descriptor->numRecords} + 1; ++i) {
    if (2 * i > size - kNodeDescriptorSize) return false;
    const std::size_t slot = size - 2 * i;
    const std::size_t offset = OffsetAt(node, slot);
    if (offset <= previous || offset > slot) return false;
    previous = offset;
  }
  return true;
}

std::uint16_t CHFSPlusBTNode::GetRecordCount() {
  if (!descriptor_) {
    lastError_ = HFS_FAILURE(hfserror::kMissing);
    return 0;
  }
  return descriptor_->numRecords;
}

std::optional<ByteSpan> CHFSPlusBTNode::GetRecord(std::uint16_t index) {
  if (!descriptor_) {
    lastError_ = HFS_FAILURE(hfserror::kMissing);
    return std::nullopt;
  }
  if (index >= descriptor_->numRecords) {
    lastError_ = HFS_FAILURE(hfserror::kBadArgument);
    return std::nullopt;
  }
  const ByteSpan bytes = Bytes();
  const std::size_t start = OffsetAt(bytes, size_ - 2 - 2 * std::size_t{index});
  const std::size_t end = OffsetAt(bytes, size_ - 4 - 2 * std::size_t{index});
  return bytes.subspan(start, end - start);
}

std::optional<CHFSPlusBTNode::KeyAndData> CHFSPlusBTNode::GetKeyAndData(std::uint16_t index) {
  const auto record = GetRecord(index);
  if (!record) return std::nullopt;
  const auto keySize = KeySize(*record);
  if (!keySize) {
    lastError_ = HFS_FAILURE(hfserror::kInvalid);
    return std::nullopt;
  }
  return KeyAndData{record->first(*keySize), record->subspan(*keySize)};
}

std::uint32_t CHFSPlusBTNode::TestNodeBelongToFile() {
  std::uint32_t verdict = 0;
  const std::uint16_t count = GetRecordCount();
  for (std::uint16_t i = 0; i < count; ++i) {
    const auto record = GetRecord(i);
    if (!record) return verdict;
    const auto keySize = KeySize(*record);
    if (!keySize || *keySize >= size_) return verdict;
    const auto data = record->subspan(*keySize);
    const auto type = be16(data, 0).value_or(0);
    const bool catalog = IsValidCatalogThread(data) ||
                         (data.size() == kFolderRecordSize && type == kFolderRecord) ||
                         (data.size() == kFileRecordSize && type == kFileRecord);
    if (catalog) return kCatalogFileID;
    // An attribute record's type is a whole u32.
    const auto attrType = be32(data, 0).value_or(0);
    if ((data.size() == kAttrForkDataSize && attrType == kAttrForkData) ||
        (data.size() == kAttrExtentsSize && attrType == kAttrExtents)) {
      verdict = kAttributesFileID;
    } else if (data.size() == kExtentRecordSize) {
      verdict = kExtentsFileID;
    }
  }
  return verdict;
}

bool IsValidCatalogThread(ByteSpan data) {
  if (data.size() < kThreadRecordMinSize) return false;
  const auto type = static_cast<std::int16_t>(be16(data, 0).value_or(0));
  if (type != kFolderThreadRecord && type != kFileThreadRecord) return false;
  const std::size_t length = be16(data, 8).value_or(0);
  return length * 2 + kThreadRecordMinSize == data.size();
}
