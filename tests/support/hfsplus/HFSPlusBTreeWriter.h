#pragma once
// Packs sorted records into the nodes of one HFS+ B-tree file: header node 0 with its map, leaves, then index
// levels up to a single root, with sibling links on every level.

#include <cstdint>
#include <vector>

namespace quellsy::test {

struct HFSPlusTreeRecord {
  std::vector<std::uint8_t> key;  // keyLength field included
  std::vector<std::uint8_t> data;
};

struct HFSPlusTreeShape {
  std::uint16_t nodeSize = 4096;
  std::uint16_t maxKeyLength = 516;
  std::uint8_t keyCompareType = 0;
  std::uint32_t attributes = 6;  // big keys and variable index keys
  // 0: as many records as fit in a node; a small number makes index levels with few records.
  std::uint16_t maxRecordsPerNode = 0;
};

struct HFSPlusBuiltTree {
  std::vector<std::uint8_t> bytes;  // the whole file, totalNodes x nodeSize
  std::uint32_t rootNode = 0;
  std::uint16_t depth = 0;
  std::uint32_t usedNodes = 0;
  std::uint32_t totalNodes = 0;
  std::vector<std::uint32_t> leafNodes;  // in key order
};

// One node: descriptor (no links), the records in order and their offset table.
std::vector<std::uint8_t> BuildHFSPlusNode(std::uint16_t nodeSize, std::int8_t kind, std::uint8_t height,
                                           const std::vector<std::vector<std::uint8_t>>& records);

// records must be sorted by the tree's order. minBytes grows the file; its extra nodes are free.
HFSPlusBuiltTree BuildHFSPlusTree(const HFSPlusTreeShape& shape, const std::vector<HFSPlusTreeRecord>& records,
                                  std::uint64_t minBytes);

}  // namespace quellsy::test
