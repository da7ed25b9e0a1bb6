#pragma once
// What the generic B-tree walk needs to know of one tree: how its keys compare and how its keys and
// records are read, plus the node access shared by all three trees.

#include <cstdint>
#include <memory>
#include <optional>

#include "HFSPlus/HFSPlusLib/HFSPlusFormat.h"
#include "Utility/ResultCode.h"

class CHFSPlusBTNode;

// Gets each leaf record of a walk; a failing code ends the walk with it.
class IHFSPlusLeafVisitor {
 public:
  virtual ~IHFSPlusLeafVisitor() = default;
  virtual quellsy::ResultCode VisitLeafRecord(const BTKey& key, const BTRecord& record) = 0;
  // A visitor that makes nothing of catalog thread records is not given them: the walk passes each one that
  // reads whole by without parsing it.
  virtual bool WantsThreads() const { return true; }
};

class IHFSPlusBTreeOption {
 public:
  virtual ~IHFSPlusBTreeOption() = default;
  // -1, 0 or 1 as a sorts before, with or after b.
  virtual int Compare(const BTKey& a, const BTKey& b) = 0;
  virtual std::optional<BTKey> KeyRead(CHFSPlusBTNode& node, std::uint16_t index) = 0;
  // Compare(key of record `index`, key) without keeping the record's key; nullopt when it does not read.
  virtual std::optional<int> CompareKeyAt(CHFSPlusBTNode& node, std::uint16_t index, const BTKey& key) {
    const auto recordKey = KeyRead(node, index);
    if (!recordKey) return std::nullopt;
    return Compare(*recordKey, key);
  }
  virtual void KeyPrint(const BTKey& key) = 0;
  virtual std::optional<BTRecord> DataRead(CHFSPlusBTNode& node, std::uint16_t index) = 0;
  virtual void DataPrint(const BTRecord& record) = 0;
  // True for a leaf record whose key and data both read, the data as a catalog thread; false in any other
  // tree.
  virtual bool IsThreadRecord(CHFSPlusBTNode& /*node*/, std::uint16_t /*index*/) { return false; }
  // The child node number of index record `index`; 0 on failure.
  virtual std::uint32_t GetChild(CHFSPlusBTNode& node, std::uint16_t index) = 0;
  virtual std::uint32_t GetRoot() = 0;
  // Node `number` read from the tree's file; null when it cannot be read or fails the node test.
  virtual std::unique_ptr<CHFSPlusBTNode> CreateNode(std::uint32_t number) = 0;
  virtual quellsy::ResultCode GetLastError() = 0;
  virtual const BTHeaderRec* GetHeaderRec() = 0;
  // How many whole nodes of the tree's file lie on the device: the bound of every walk over its links.
  virtual std::uint32_t GetNodeCount() = 0;
};
