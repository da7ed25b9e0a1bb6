#pragma once
// The node access all three trees share: the node size and header record read from node 0, nodes read
// from the tree's special file, root and child numbers; and the tree's search and walk.

#include <memory>

#include "HFSPlus/HFSPlusLib/CHFSPlusBTNode.h"
#include "HFSPlus/HFSPlusLib/CHFSPlusBTree.h"
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
  // The key and data bytes of record `index`; nullopt with the failure kept when the key does not fit.
  std::optional<CHFSPlusBTNode::KeyAndData> SplitRecord(CHFSPlusBTNode& node, std::uint16_t index);
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
