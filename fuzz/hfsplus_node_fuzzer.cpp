// One B-tree node from arbitrary bytes: the node test, record access, the tree guess, and every key and record
// parser over each record.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "HFSPlus/HFSPlusLib/CHFSPlusBTNode.h"

using namespace quellsy::hfsplus;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 32768) return 0;
  std::vector<std::uint8_t> bytes(data, data + size);
  const bool valid = CHFSPlusBTNode::IsValidNode(bytes);
  CHFSPlusBTNode node(std::move(bytes));
  if (valid != node.Descriptor().has_value()) std::abort();
  const std::uint16_t count = node.GetRecordCount();
  for (std::uint16_t i = 0; i < count; ++i) {
    const auto record = node.GetRecord(i);
    if (!record) std::abort();  // a valid node's records all lie inside it
    if (record->data() < node.Bytes().data() || record->data() + record->size() > node.Bytes().data() + node.NodeSize()) {
      std::abort();
    }
    const auto parts = node.GetKeyAndData(i);
    if (!parts) continue;
    ParseCatalogKey(parts->key);
    ParseExtentKey(parts->key);
    ParseAttrKey(parts->key);
    ParseCatalogRecord(parts->data);
    ParseAttrRecord(parts->data);
    ParseExtentRecord(parts->data);
    IsValidCatalogThread(parts->data);
  }
  const auto tree = node.TestNodeBelongToFile();
  if (tree != 0 && tree != kCatalogFileID && tree != kExtentsFileID && tree != kAttributesFileID) std::abort();
  return 0;
}
