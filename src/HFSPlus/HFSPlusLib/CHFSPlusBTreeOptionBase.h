#pragma once
// The node access all three trees share: the node size and header record read from node 0, nodes read
// from the tree's special file, root and child numbers; and the tree's search and walk.

#include <memory>
#include <type_traits>
#include <utility>

#include "HFSPlus/HFSPlusLib/CHFSPlusBTNode.h"
#include "HFSPlus/HFSPlusLib/CHFSPlusBTree.h"
#include "HFSPlus/HFSPlusLib/HFSPlusErrors.h"
#include "HFSPlus/HFSPlusLib/IHFSPlusBTreeOption.h"

class CHFSPlusRawfile;
class CHFSPlusVolume;

class CHFSPlusBTreeOptionBase : public IHFSPlusBTreeOption {
 public:
  // Reads the header node; a null volume or file is error 5, an unreadable header node a failure kept in
  // GetLastError.
  CHFSPlusBTreeOptionBase(CHFSPlusVolume* volume, CHFSPlusRawfile* file);
  ~CHFSPlusBTreeOptionBase() override;
  CHFSPlusBTreeOptionBase(const CHFSPlusBTreeOptionBase&) = delete;
  CHFSPlusBTreeOptionBase& operator=(const CHFSPlusBTreeOptionBase&) = delete;

  std::uint32_t GetChild(CHFSPlusBTNode& node, std::uint16_t index) override;
  std::uint32_t GetRoot() override;
  std::unique_ptr<CHFSPlusBTNode> CreateNode(std::uint32_t number) override;
  quellsy::ResultCode GetLastError() override { return lastError_; }
  const BTHeaderRec* GetHeaderRec() override { return header_ ? &*header_ : nullptr; }
  std::uint32_t GetNodeCount() override;

  // Error 2 when the tree could not be made.
  quellsy::ResultCode Search(const BTKey& key, HFSPlusSearchResult& result, std::optional<BTRecord>* record);
  quellsy::ResultCode Traverse(IHFSPlusLeafVisitor* visitor, IProgress* progress);

  std::uint32_t NodeSize() const { return nodeSize_; }

 protected:
  // Whole nodes in `bytes`, at most 2^32 - 1.
  std::uint32_t NodesIn(std::uint64_t bytes) const;
  // The key and data bytes of record `index`; nullopt with the failure kept when the key does not fit.
  std::optional<CHFSPlusBTNode::KeyAndData> SplitRecord(CHFSPlusBTNode& node, std::uint16_t index);
  // For trees whose keys are all one type: compare them; a key of another type sorts first.
  template <typename Key, typename Compare>
  static int CompareAs(const BTKey& a, const BTKey& b, Compare compare) {
    const auto* ka = std::get_if<Key>(&a);
    const auto* kb = std::get_if<Key>(&b);
    if (ka == nullptr || kb == nullptr) return ka == kb ? 0 : (ka == nullptr ? -1 : 1);
    return compare(*ka, *kb);
  }
  // The key of record `index` as parse reads it; error 6 when it does not parse.
  template <typename Parse>
  std::optional<BTKey> ReadKeyWith(CHFSPlusBTNode& node, std::uint16_t index, Parse parse) {
    using Key = typename std::invoke_result_t<Parse, quellsy::ByteSpan>::value_type;
    ClearError();
    const auto parts = SplitRecord(node, index);
    if (!parts) return std::nullopt;
    auto key = parse(parts->key);
    if (!key) {
      Fail(HFS_FAILURE(quellsy::hfsplus::hfserror::kInvalid));
      return std::nullopt;
    }
    return std::optional<BTKey>(std::in_place, std::in_place_type<Key>, std::move(*key));
  }
  // The data bytes of leaf record `index`; a record of any other node kind fails with notLeafError.
  std::optional<quellsy::ByteSpan> LeafData(CHFSPlusBTNode& node, std::uint16_t index, std::uint32_t notLeafError);
  quellsy::ResultCode Fail(quellsy::ResultCode code) { return lastError_ = code; }
  void ClearError() { lastError_ = quellsy::kResultOk; }

  CHFSPlusVolume* volume_;
  CHFSPlusRawfile* file_;

 private:
  quellsy::ResultCode lastError_ = quellsy::kResultOk;
  std::uint32_t nodeSize_ = 0;
  std::optional<BTHeaderRec> header_;
  std::unique_ptr<CHFSPlusBTree> tree_;
};
