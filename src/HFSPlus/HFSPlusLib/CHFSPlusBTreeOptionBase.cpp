#include "HFSPlus/HFSPlusLib/CHFSPlusBTreeOptionBase.h"

#include <algorithm>
#include <vector>

#include "HFSPlus/HFSPlusLib/CHFSPlusRawfile.h"
#include "HFSPlus/HFSPlusLib/CHFSPlusVolume.h"
#include "HFSPlus/HFSPlusLib/HFSPlusErrors.h"

using namespace quellsy;
using namespace quellsy::hfsplus;

namespace {
constexpr std::size_t kFirstSectorSize = 512;
}  // namespace

CHFSPlusBTreeOptionBase::CHFSPlusBTreeOptionBase(CHFSPlusVolume* volume, CHFSPlusRawfile* file)
    : volume_(volume), file_(file) {
  if (volume == nullptr || file == nullptr) {
    Fail(HFS_FAILURE(hfserror::kBadArgument));
    return;
  }
  std::vector<std::uint8_t> first(kFirstSectorSize);
  if (file->Read(0, first.data(), first.size()) != first.size()) {
    Fail(HFS_FAILURE(hfserror::kShortRead));
    return;
  }
  const auto peek = ParseHeaderRec(ByteSpan(first).subspan(kNodeDescriptorSize));
  if (!peek || peek->nodeSize == 0) {
    Fail(HFS_FAILURE(hfserror::kInvalid));
    return;
  }
  nodeSize_ = peek->nodeSize;
  auto headerNode = CreateNode(0);
  if (!headerNode) return;
  const auto record = headerNode->GetRecord(0);
  header_ = record ? ParseHeaderRec(*record) : std::nullopt;
  if (!header_) {
    Fail(HFS_FAILURE(hfserror::kInvalid));
    return;
  }
  tree_ = std::make_unique<CHFSPlusBTree>(this);
}

CHFSPlusBTreeOptionBase::~CHFSPlusBTreeOptionBase() = default;

std::unique_ptr<CHFSPlusBTNode> CHFSPlusBTreeOptionBase::CreateNode(std::uint32_t number) {
  if (file_ == nullptr || nodeSize_ == 0) {
    Fail(HFS_FAILURE(hfserror::kMissing));
    return nullptr;
  }
  if (number >= GetNodeCount()) {
    // Past the device's end a node cannot be read; past the file's extents there is none.
    Fail(HFS_FAILURE(number < NodesIn(file_->ChainBytes()) ? hfserror::kShortRead : hfserror::kInvalid));
    return nullptr;
  }
  // Read straight into the node's own buffer: the walk and the searches read tens of thousands of nodes.
  auto bytes = std::make_unique_for_overwrite<std::uint8_t[]>(nodeSize_);
  if (file_->Read(std::uint64_t{number} * nodeSize_, bytes.get(), nodeSize_) != nodeSize_) {
    Fail(HFS_FAILURE(hfserror::kShortRead));
    return nullptr;
  }
  auto node = std::make_unique<CHFSPlusBTNode>(std::move(bytes), nodeSize_);
  if (!node->Descriptor()) {
    Fail(node->GetLastError());
    return nullptr;
  }
  return node;
}

std::uint32_t CHFSPlusBTreeOptionBase::NodesIn(std::uint64_t bytes) const {
  if (nodeSize_ == 0) return 0;
  const std::uint64_t count = bytes / nodeSize_;
  return count > UINT32_MAX ? UINT32_MAX : static_cast<std::uint32_t>(count);
}

std::uint32_t CHFSPlusBTreeOptionBase::GetNodeCount() {
  if (file_ == nullptr || volume_ == nullptr) return 0;
  // Extents that claim more than the device holds (a damaged header, a volume cut short) add no node that
  // could be read, and must not size the walk's bitmap of nodes.
  return NodesIn(std::min(file_->ChainBytes(), volume_->DeviceBytes()));
}

std::uint32_t CHFSPlusBTreeOptionBase::GetRoot() {
  if (!header_) {
    Fail(HFS_FAILURE(hfserror::kMissing));
    return 0;
  }
  return header_->rootNode;
}

std::optional<CHFSPlusBTNode::KeyAndData> CHFSPlusBTreeOptionBase::SplitRecord(CHFSPlusBTNode& node,
                                                                               std::uint16_t index) {
  auto parts = node.GetKeyAndData(index);
  if (!parts) Fail(node.GetLastError());
  return parts;
}

std::optional<ByteSpan> CHFSPlusBTreeOptionBase::LeafData(CHFSPlusBTNode& node, std::uint16_t index,
                                                          std::uint32_t notLeafError) {
  ClearError();
  if (node.Descriptor()->kind != kLeafNode) {
    Fail(HFS_FAILURE(notLeafError));
    return std::nullopt;
  }
  const auto parts = SplitRecord(node, index);
  if (!parts) return std::nullopt;
  return parts->data;
}

std::uint32_t CHFSPlusBTreeOptionBase::GetChild(CHFSPlusBTNode& node, std::uint16_t index) {
  if (!node.Descriptor() || node.Descriptor()->kind != kIndexNode) {
    Fail(HFS_FAILURE(hfserror::kInvalid));
    return 0;
  }
  const auto parts = SplitRecord(node, index);
  if (!parts) return 0;
  const auto child = be32(parts->data, 0);
  if (!child) {
    Fail(HFS_FAILURE(hfserror::kInvalid));
    return 0;
  }
  return *child;
}

ResultCode CHFSPlusBTreeOptionBase::Search(const BTKey& key, HFSPlusSearchResult& result,
                                           std::optional<BTRecord>* record) {
  if (!tree_) return HFS_FAILURE(hfserror::kMissing);
  return tree_->Search(key, result, record);
}

ResultCode CHFSPlusBTreeOptionBase::Traverse(IHFSPlusLeafVisitor* visitor, IProgress* progress) {
  if (!tree_) return HFS_FAILURE(hfserror::kMissing);
  return tree_->Traverse(visitor, progress);
}
