#include "support/hfsplus/HFSPlusBTreeWriter.h"

#include <stdexcept>

#include "Utility/ByteReader.h"

namespace quellsy::test {
namespace {

constexpr std::size_t kDescriptor = 14;
constexpr std::int8_t kLeaf = -1;
constexpr std::int8_t kIndex = 0;
constexpr std::int8_t kHeader = 1;

}  // namespace

std::vector<std::uint8_t> BuildHFSPlusNode(std::uint16_t nodeSize, std::int8_t kind, std::uint8_t height,
                                           const std::vector<std::vector<std::uint8_t>>& records) {
  std::vector<std::uint8_t> node(nodeSize, 0);
  FieldWriter w(node);
  w.u8(8, static_cast<std::uint8_t>(kind));
  w.u8(9, height);
  w.be16(10, static_cast<std::uint16_t>(records.size()));
  std::size_t offset = kDescriptor;
  for (std::size_t i = 0; i < records.size(); ++i) {
    // The records and the offsets behind them must fit before anything is copied.
    if (offset + records[i].size() + 2 * (records.size() + 1) > nodeSize) throw std::logic_error("node overflow");
    w.be16(nodeSize - 2 - 2 * i, static_cast<std::uint16_t>(offset));
    std::copy(records[i].begin(), records[i].end(), node.begin() + static_cast<std::ptrdiff_t>(offset));
    offset += records[i].size();
  }
  w.be16(nodeSize - 2 - 2 * records.size(), static_cast<std::uint16_t>(offset));
  if (!w.ok()) throw std::logic_error("node overflow");
  return node;
}

namespace {

void Link(std::vector<std::uint8_t>& file, std::uint16_t nodeSize, std::uint32_t number, std::uint32_t fLink,
          std::uint32_t bLink) {
  FieldWriter w{MutableByteSpan(file).subspan(std::size_t{number} * nodeSize, nodeSize)};
  w.be32(0, fLink);
  w.be32(4, bLink);
}

struct Level {
  std::vector<std::uint32_t> numbers;
  std::vector<std::vector<std::uint8_t>> firstKeys;
};

}  // namespace

HFSPlusBuiltTree BuildHFSPlusTree(const HFSPlusTreeShape& shape, const std::vector<HFSPlusTreeRecord>& records,
                                  std::uint64_t minBytes) {
  const std::uint16_t nodeSize = shape.nodeSize;
  std::vector<std::vector<std::uint8_t>> nodes;  // nodes[i] is node i + 1
  HFSPlusBuiltTree tree;

  // Packs records of one level into nodes of the given kind; returns the level's node numbers and first keys.
  auto pack = [&](const std::vector<std::vector<std::uint8_t>>& level, const std::vector<std::vector<std::uint8_t>>& keys,
                  std::int8_t kind, std::uint8_t height) {
    Level out;
    std::vector<std::vector<std::uint8_t>> current;
    std::size_t used = kDescriptor + 2;  // the free-space slot
    auto flush = [&]() {
      nodes.push_back(BuildHFSPlusNode(nodeSize, kind, height, current));
      out.numbers.push_back(static_cast<std::uint32_t>(nodes.size()));
      current.clear();
      used = kDescriptor + 2;
    };
    for (std::size_t i = 0; i < level.size(); ++i) {
      const std::size_t need = level[i].size() + 2;
      // Index nodes take at least two records, or the levels would never narrow to one root.
      const std::size_t most = kind == kIndex ? std::max<std::size_t>(shape.maxRecordsPerNode, 2) : shape.maxRecordsPerNode;
      const bool full = shape.maxRecordsPerNode != 0 && current.size() == most;
      if (!current.empty() && (used + need > nodeSize || full)) flush();
      if (used + need > nodeSize) throw std::logic_error("record larger than a node");
      if (current.empty()) out.firstKeys.push_back(keys[i]);
      current.push_back(level[i]);
      used += need;
    }
    if (!current.empty()) flush();
    return out;
  };

  std::vector<std::vector<std::uint8_t>> leafRecords;
  std::vector<std::vector<std::uint8_t>> leafKeys;
  for (const auto& r : records) {
    auto bytes = r.key;
    bytes.insert(bytes.end(), r.data.begin(), r.data.end());
    leafRecords.push_back(std::move(bytes));
    leafKeys.push_back(r.key);
  }
  std::vector<Level> levels;
  if (!records.empty()) levels.push_back(pack(leafRecords, leafKeys, kLeaf, 1));
  while (!levels.empty() && levels.back().numbers.size() > 1) {
    const Level& below = levels.back();
    std::vector<std::vector<std::uint8_t>> indexRecords;
    for (std::size_t i = 0; i < below.numbers.size(); ++i) {
      auto bytes = below.firstKeys[i];
      bytes.resize(bytes.size() + 4);
      FieldWriter{MutableByteSpan(bytes).last(4)}.be32(0, below.numbers[i]);
      indexRecords.push_back(std::move(bytes));
    }
    const auto height = static_cast<std::uint8_t>(levels.size() + 1);
    levels.push_back(pack(indexRecords, below.firstKeys, kIndex, height));
  }

  tree.usedNodes = static_cast<std::uint32_t>(nodes.size() + 1);
  const std::uint64_t bytes = std::max<std::uint64_t>(std::uint64_t{tree.usedNodes} * nodeSize, minBytes);
  tree.totalNodes = static_cast<std::uint32_t>((bytes + nodeSize - 1) / nodeSize);
  tree.bytes.assign(std::uint64_t{tree.totalNodes} * nodeSize, 0);
  for (std::size_t i = 0; i < nodes.size(); ++i) {
    std::copy(nodes[i].begin(), nodes[i].end(), tree.bytes.begin() + static_cast<std::ptrdiff_t>((i + 1) * nodeSize));
  }
  for (const auto& level : levels) {
    for (std::size_t i = 0; i < level.numbers.size(); ++i) {
      Link(tree.bytes, nodeSize, level.numbers[i], i + 1 < level.numbers.size() ? level.numbers[i + 1] : 0,
           i > 0 ? level.numbers[i - 1] : 0);
    }
  }
  if (!levels.empty()) {
    tree.rootNode = levels.back().numbers.front();
    tree.depth = static_cast<std::uint16_t>(levels.size());
    tree.leafNodes = levels.front().numbers;
  }

  // Header node: header record, 128 bytes of user data, the map of used nodes.
  std::vector<std::uint8_t> header(106, 0);
  FieldWriter h(header);
  h.be16(0, tree.depth);
  h.be32(2, tree.rootNode);
  h.be32(6, static_cast<std::uint32_t>(records.size()));
  h.be32(10, tree.leafNodes.empty() ? 0 : tree.leafNodes.front());
  h.be32(14, tree.leafNodes.empty() ? 0 : tree.leafNodes.back());
  h.be16(18, nodeSize);
  h.be16(20, shape.maxKeyLength);
  h.be32(22, tree.totalNodes);
  h.be32(26, tree.totalNodes - tree.usedNodes);
  h.be32(32, nodeSize);
  h.u8(36, 0);
  h.u8(37, shape.keyCompareType);
  h.be32(38, shape.attributes);
  std::vector<std::uint8_t> map(nodeSize - 256, 0);
  if (tree.usedNodes > map.size() * 8) throw std::logic_error("more nodes than one map record holds");
  for (std::uint32_t n = 0; n < tree.usedNodes; ++n) map[n / 8] |= static_cast<std::uint8_t>(0x80u >> (n % 8));
  const auto headerNode = BuildHFSPlusNode(nodeSize, kHeader, 0, {header, std::vector<std::uint8_t>(128, 0), map});
  std::copy(headerNode.begin(), headerNode.end(), tree.bytes.begin());
  return tree;
}

}  // namespace quellsy::test
