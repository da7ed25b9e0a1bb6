#include "support/hfsplus/HFSPlusWriter.h"

#include <algorithm>
#include <numeric>
#include <stdexcept>

#include "HFSPlus/HFSPlusLib/HFSPlusUnicode.h"
#include "Utility/ByteReader.h"
#include "Utility/TextConvert.h"
#include "support/Sha256.h"
#include "support/hfsplus/DecmpfsTestEncoder.h"
#include "support/hfsplus/HFSPlusBTreeWriter.h"

namespace quellsy::test {
namespace {

using Bytes = std::vector<std::uint8_t>;
namespace fmt = quellsy::hfsplus;

constexpr std::uint32_t kDate = 0xE1000000;  // 2023 in seconds since 1904
constexpr std::uint16_t kThreadExists = 0x0002;
constexpr std::uint16_t kHasAttributes = 0x0004;
constexpr std::uint16_t kFileMode = 0100644;
constexpr std::uint16_t kFolderMode = 040755;
constexpr std::uint8_t kCompressedOwnerFlag = 0x20;

std::vector<std::uint16_t> Units(const std::u16string& s) { return {s.begin(), s.end()}; }

std::vector<std::uint16_t> AsciiUnits(const std::string& s) {
  return {reinterpret_cast<const unsigned char*>(s.data()), reinterpret_cast<const unsigned char*>(s.data()) + s.size()};
}

void PutFork(FieldWriter& w, std::size_t off, const HFSPlusWrittenFork& fork) {
  w.be64(off, fork.logicalSize);
  w.be32(off + 12, fork.totalBlocks);
  for (std::size_t i = 0; i < 8 && i < fork.extents.size(); ++i) {
    w.be32(off + 16 + 8 * i, fork.extents[i].startBlock);
    w.be32(off + 20 + 8 * i, fork.extents[i].blockCount);
  }
}

// A name as HFS+ stores it: its length in units, then the units.
void PutName(FieldWriter& w, std::size_t at, const std::vector<std::uint16_t>& name) {
  w.be16(at, static_cast<std::uint16_t>(name.size()));
  for (std::size_t i = 0; i < name.size(); ++i) w.be16(at + 2 + 2 * i, name[i]);
}

Bytes CatalogKey(std::uint32_t parentID, const std::vector<std::uint16_t>& name) {
  Bytes key(8 + 2 * name.size());
  FieldWriter w(key);
  w.be16(0, static_cast<std::uint16_t>(6 + 2 * name.size()));
  w.be32(2, parentID);
  PutName(w, 6, name);
  return key;
}

Bytes ThreadRecord(std::int16_t type, std::uint32_t parentID, const std::vector<std::uint16_t>& name) {
  Bytes data(10 + 2 * name.size());
  FieldWriter w(data);
  w.be16(0, static_cast<std::uint16_t>(type));
  w.be32(4, parentID);
  PutName(w, 8, name);
  return data;
}

void PutDates(FieldWriter& w, std::uint32_t id) {
  w.be32(12, kDate + id);
  w.be32(16, kDate + id + 1000);
  w.be32(20, kDate + id + 3000);
  w.be32(24, kDate + id + 2000);
}

Bytes ExtentKey(std::uint32_t fileID, std::uint32_t startBlock) {
  Bytes key(12);
  FieldWriter w(key);
  w.be16(0, 10);
  w.be32(4, fileID);
  w.be32(8, startBlock);
  return key;
}

Bytes ExtentRecord(const std::vector<HFSPlusExtentDescriptor>& extents, std::size_t first) {
  Bytes data(64);
  FieldWriter w(data);
  for (std::size_t i = 0; i < 8 && first + i < extents.size(); ++i) {
    w.be32(8 * i, extents[first + i].startBlock);
    w.be32(8 * i + 4, extents[first + i].blockCount);
  }
  return data;
}

Bytes AttrKey(std::uint32_t fileID, const std::vector<std::uint16_t>& name) {
  Bytes key(14 + 2 * name.size());
  FieldWriter w(key);
  w.be16(0, static_cast<std::uint16_t>(12 + 2 * name.size()));
  w.be32(4, fileID);
  PutName(w, 12, name);
  return key;
}

int UnitOrder(const std::vector<std::uint16_t>& a, const std::vector<std::uint16_t>& b) {
  if (a == b) return 0;
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end()) ? -1 : 1;
}

std::uint64_t RoundUp(std::uint64_t value, std::uint64_t unit) { return (value + unit - 1) / unit * unit; }

}  // namespace

HFSPlusWriter::HFSPlusWriter(HFSPlusWriterOptions options) : options_(std::move(options)) {
  Entry root;
  root.parentID = fmt::kRootParentID;
  root.name = options_.volumeName;
  root.folder = true;
  entries_[fmt::kRootFolderID] = std::move(root);
}

std::uint32_t HFSPlusWriter::AddFolder(std::uint32_t parentID, const std::u16string& name) {
  Entry e;
  e.parentID = parentID;
  e.name = name;
  e.folder = true;
  entries_[nextID_] = std::move(e);
  return nextID_++;
}

std::uint32_t HFSPlusWriter::AddFile(std::uint32_t parentID, const std::u16string& name, std::vector<std::uint8_t> data,
                                     std::uint32_t pieces) {
  Entry e;
  e.parentID = parentID;
  e.name = name;
  e.data = std::move(data);
  e.pieces = pieces;
  entries_[nextID_] = std::move(e);
  return nextID_++;
}

std::uint32_t HFSPlusWriter::AddCompressedFile(std::uint32_t parentID, const std::u16string& name,
                                               std::vector<std::uint8_t> data, std::uint32_t type, std::uint32_t pieces,
                                               bool stored) {
  auto encoded = EncodeDecmpfs(data, type, stored);
  const std::uint32_t id = AddFile(parentID, name, std::move(data), pieces);
  Entry& e = entries_.at(id);
  e.compressed = true;
  e.resource = std::move(encoded.resourceFork);
  AddInlineAttribute(id, "com.apple.decmpfs", std::move(encoded.attribute));
  return id;
}

void HFSPlusWriter::AddInlineAttribute(std::uint32_t fileID, const std::string& name, std::vector<std::uint8_t> value) {
  entries_.at(fileID).attributes.push_back({name, std::move(value), true, {}});
}

void HFSPlusWriter::AddForkAttribute(std::uint32_t fileID, const std::string& name, std::vector<std::uint8_t> value) {
  entries_.at(fileID).attributes.push_back({name, std::move(value), false, {}});
}

HFSPlusWrittenFork HFSPlusWriter::Allocate(std::uint64_t bytes, std::uint32_t pieces) {
  HFSPlusWrittenFork fork;
  fork.logicalSize = bytes;
  const std::uint64_t blocks = (bytes + options_.blockSize - 1) / options_.blockSize;
  fork.totalBlocks = static_cast<std::uint32_t>(blocks);
  if (blocks == 0) return fork;
  pieces = static_cast<std::uint32_t>(std::min<std::uint64_t>(std::max(pieces, 1u), blocks));
  for (std::uint32_t i = 0; i < pieces; ++i) {
    const auto count = static_cast<std::uint32_t>(blocks / pieces + (i < blocks % pieces ? 1 : 0));
    while (cursor_ < used_.size() && used_[cursor_]) ++cursor_;
    if (std::uint64_t{cursor_} + count > used_.size()) throw std::length_error("the volume is full");
    for (std::uint32_t b = 0; b < count; ++b) {
      if (used_[cursor_ + b]) throw std::length_error("allocation ran into a reserved block");
      used_[cursor_ + b] = true;
    }
    fork.extents.push_back({cursor_, count});
    cursor_ += count + 1;  // one free block between pieces keeps them apart
  }
  return fork;
}

std::string HFSPlusWriter::PathOf(std::uint32_t id) const {
  std::string path;
  for (std::uint32_t at = id; at != fmt::kRootFolderID;) {
    const Entry& e = entries_.at(at);
    const auto name = Utf16LeToUtf8(Units(e.name), InvalidUtf16::kReplace).value_or("");
    path = path.empty() ? name : name + "/" + path;
    at = e.parentID;
  }
  return path;
}

std::vector<ImageManifestEntry> HFSPlusWriter::ManifestOf(bool deleted) const {
  std::vector<ImageManifestEntry> manifest;
  for (const auto& [id, e] : entries_) {
    if (e.folder || e.deleted != deleted) continue;
    ImageManifestEntry m;
    m.path = PathOf(id);
    m.size = e.data.size();
    m.sha256 = Sha256Hex(e.data);
    m.deleted = deleted;
    manifest.push_back(std::move(m));
  }
  return manifest;
}

std::vector<ImageManifestEntry> HFSPlusWriter::Manifest() const { return ManifestOf(false); }

std::vector<ImageManifestEntry> HFSPlusWriter::DeletedManifest() const { return ManifestOf(true); }

void HFSPlusWriter::Delete(std::uint32_t id) { entries_.at(id).deleted = true; }

void HFSPlusWriter::LogTransaction(std::vector<HFSPlusLoggedNode> nodes) { transactions_.push_back(std::move(nodes)); }

void HFSPlusWriter::RecordsOf(std::uint32_t id, std::uint32_t accessDate, TreeRecords& out) {
  const Entry& e = entries_.at(id);
  const auto name = Units(e.name);
  Bytes record(e.folder ? fmt::kFolderRecordSize : fmt::kFileRecordSize, 0);
  FieldWriter w(record);
  PutDates(w, id);
  if (accessDate != 0) w.be32(24, accessDate);
  w.be32(8, id);
  if (e.folder) {
    w.be16(0, static_cast<std::uint16_t>(fmt::kFolderRecord));
    w.be32(4, valence_[id]);
    w.be16(42, kFolderMode);
    w.be32(84, subfolders_[id]);
  } else {
    w.be16(0, static_cast<std::uint16_t>(fmt::kFileRecord));
    w.be16(2, static_cast<std::uint16_t>(kThreadExists | (e.attributes.empty() ? 0 : kHasAttributes)));
    w.be16(42, kFileMode);
    PutFork(w, 88, e.fork);
    if (e.compressed) w.u8(41, kCompressedOwnerFlag);
    PutFork(w, 168, e.resourceFork);
  }
  out.catalog.push_back({e.parentID, name, record});
  const auto threadType = e.folder ? fmt::kFolderThreadRecord : fmt::kFileThreadRecord;
  out.catalog.push_back({id, {}, ThreadRecord(threadType, e.parentID, name)});

  auto sorted = e.attributes;
  std::sort(sorted.begin(), sorted.end(), [](const Attribute& a, const Attribute& b) {
    return UnitOrder(AsciiUnits(a.name), AsciiUnits(b.name)) < 0;
  });
  for (const auto& a : sorted) {
    Bytes data;
    if (a.inlineData) {
      data.assign(fmt::kAttrInlineHeaderSize + RoundUp(a.value.size(), 2), 0);
      FieldWriter aw(data);
      aw.be32(0, fmt::kAttrInlineData);
      aw.be32(12, static_cast<std::uint32_t>(a.value.size()));
      std::copy(a.value.begin(), a.value.end(), data.begin() + fmt::kAttrInlineHeaderSize);
    } else {
      data.assign(fmt::kAttrForkDataSize, 0);
      FieldWriter aw(data);
      aw.be32(0, fmt::kAttrForkData);
      PutFork(aw, 8, a.fork);
    }
    out.attributes.emplace_back(AttrKey(id, AsciiUnits(a.name)), data);
  }

  // Overflow extents of a fork with more than eight pieces.
  std::uint32_t blocks = 0;
  for (std::size_t i = 0; i < e.fork.extents.size(); ++i) {
    if (i >= 8 && i % 8 == 0) out.overflow[{id, blocks}] = ExtentRecord(e.fork.extents, i);
    blocks += e.fork.extents[i].blockCount;
  }
}

void HFSPlusWriter::SortCatalog(std::vector<CatalogRecord>& records) const {
  const bool fold = !options_.hfsx || options_.keyCompareType == fmt::kCaseFolding;
  std::sort(records.begin(), records.end(), [fold](const CatalogRecord& a, const CatalogRecord& b) {
    if (a.parentID != b.parentID) return a.parentID < b.parentID;
    return (fold ? fmt::FastUnicodeCompare(a.name, b.name) : UnitOrder(a.name, b.name)) < 0;
  });
}

HFSPlusLoggedBlock HFSPlusWriter::LoggedNode(const HFSPlusLoggedNode& logged) {
  TreeRecords records;
  for (std::uint32_t id : logged.ids) RecordsOf(id, logged.accessDate, records);
  std::vector<Bytes> keys;
  std::vector<Bytes> data;
  std::uint16_t nodeSize = options_.catalogNodeSize;
  if (logged.tree == fmt::kCatalogFileID) {
    SortCatalog(records.catalog);
    for (const auto& r : records.catalog) {
      keys.push_back(CatalogKey(r.parentID, r.name));
      data.push_back(r.data);
    }
  } else if (logged.tree == fmt::kExtentsFileID) {
    nodeSize = options_.extentsNodeSize;
    for (const auto& [key, record] : records.overflow) {
      keys.push_back(ExtentKey(key.first, key.second));
      data.push_back(record);
    }
  } else {
    nodeSize = options_.attributesNodeSize;
    for (const auto& [key, record] : records.attributes) {
      keys.push_back(key);
      data.push_back(record);
    }
  }
  std::vector<Bytes> nodeRecords;
  for (std::size_t i = 0; i < keys.size(); ++i) {
    Bytes r = keys[i];
    if (logged.index) {
      r.resize(r.size() + 4, 0);
      FieldWriter(r).be32(keys[i].size(), 1);  // a child pointer
    } else {
      r.insert(r.end(), data[i].begin(), data[i].end());
    }
    nodeRecords.push_back(std::move(r));
  }
  HFSPlusLoggedBlock block;
  block.bytes = BuildHFSPlusNode(nodeSize, logged.index ? fmt::kIndexNode : fmt::kLeafNode, logged.index ? 2 : 1,
                                 nodeRecords);
  // Where the tree's first leaf lies: the place such a node is logged for.
  const HFSPlusWrittenFork& fork = special_.at(logged.tree);
  const std::uint64_t first = std::uint64_t{fork.extents.at(0).startBlock} * options_.blockSize;
  block.volumeOffset = first + (fork.logicalSize > nodeSize ? nodeSize : 0);
  return block;
}

std::shared_ptr<SparseImage> HFSPlusWriter::Build() {
  const std::uint64_t blockSize = options_.blockSize;
  const std::uint64_t volumeBytes = blockSize * options_.totalBlocks;
  used_.assign(options_.totalBlocks, false);
  const auto headBlocks = static_cast<std::uint32_t>(RoundUp(1536, blockSize) / blockSize);
  for (std::uint32_t b = 0; b < headBlocks; ++b) used_[b] = true;
  for (std::uint64_t b = (volumeBytes - 1024) / blockSize; b < options_.totalBlocks; ++b) used_[b] = true;
  cursor_ = std::max(headBlocks, options_.allocationStart);

  special_[fmt::kAllocationFileID] = Allocate(RoundUp((options_.totalBlocks + 7) / 8, blockSize), 1);
  HFSPlusWrittenFork infoBlock;
  HFSPlusWrittenFork journalFork;
  if (options_.journal.enabled) {
    infoBlock = Allocate(blockSize, 1);
    journalFork = Allocate(options_.journal.bytes, 1);
    journalOffset_ = std::uint64_t{journalFork.extents.at(0).startBlock} * blockSize;
  }
  for (auto& [id, e] : entries_) {
    if (!e.folder) e.fork = Allocate(e.compressed ? 0 : e.data.size(), e.pieces);
    if (!e.resource.empty()) e.resourceFork = Allocate(e.resource.size(), e.pieces);
    for (auto& a : e.attributes) {
      if (!a.inlineData) a.fork = Allocate(a.value.size(), 1);
    }
  }

  // The live trees: a record and a thread per folder and file that was not deleted.
  for (const auto& [id, e] : entries_) {
    if (id == fmt::kRootFolderID || e.deleted) continue;
    ++valence_[e.parentID];
    if (e.folder) ++subfolders_[e.parentID];
  }
  std::uint32_t files = 0;
  std::uint32_t folders = 0;
  TreeRecords live;
  for (const auto& [id, e] : entries_) {
    if (e.deleted) continue;
    RecordsOf(id, 0, live);
    if (id == fmt::kRootFolderID) continue;
    ++(e.folder ? folders : files);
  }
  SortCatalog(live.catalog);
  std::vector<HFSPlusTreeRecord> catalogRecords;
  for (const auto& r : live.catalog) catalogRecords.push_back({CatalogKey(r.parentID, r.name), r.data});

  // Each tree is built once to learn its size, then again at the size of the blocks it is given.
  auto buildTree = [&](const HFSPlusTreeShape& shape, const std::vector<HFSPlusTreeRecord>& records,
                       std::uint64_t minBytes) {
    const auto first = BuildHFSPlusTree(shape, records, minBytes);
    const std::uint64_t unit = std::max<std::uint64_t>(blockSize, shape.nodeSize);
    return BuildHFSPlusTree(shape, records, RoundUp(first.bytes.size(), unit));
  };
  HFSPlusTreeShape catalogShape;
  catalogShape.nodeSize = options_.catalogNodeSize;
  catalogShape.maxKeyLength = 516;
  catalogShape.keyCompareType = options_.hfsx ? options_.keyCompareType : fmt::kCaseFolding;
  catalogShape.maxRecordsPerNode = options_.maxRecordsPerNode;
  const auto catalogTree = buildTree(catalogShape, catalogRecords, options_.catalogMinBytes);
  catalogDepth_ = catalogTree.depth;
  catalogLeafRecords_ = static_cast<std::uint32_t>(catalogRecords.size());
  special_[fmt::kCatalogFileID] = Allocate(catalogTree.bytes.size(), options_.catalogPieces);

  std::vector<HFSPlusTreeRecord> attrRecords;
  for (const auto& [key, data] : live.attributes) attrRecords.push_back({key, data});
  HFSPlusTreeShape attrShape;
  attrShape.nodeSize = options_.attributesNodeSize;
  attrShape.maxKeyLength = 266;
  attrShape.maxRecordsPerNode = options_.maxRecordsPerNode;
  const auto attrTree = buildTree(attrShape, attrRecords, 0);
  special_[fmt::kAttributesFileID] = Allocate(attrTree.bytes.size(), 1);

  // Overflow extents, sorted by file ID and first block; the catalog and attributes files' own come last,
  // once they are allocated.
  auto addOverflow = [&](std::uint32_t fileID, const HFSPlusWrittenFork& fork) {
    std::uint32_t blocks = 0;
    for (std::size_t i = 0; i < fork.extents.size(); ++i) {
      if (i >= 8 && i % 8 == 0) live.overflow[{fileID, blocks}] = ExtentRecord(fork.extents, i);
      blocks += fork.extents[i].blockCount;
    }
  };
  addOverflow(fmt::kCatalogFileID, special_[fmt::kCatalogFileID]);
  addOverflow(fmt::kAttributesFileID, special_[fmt::kAttributesFileID]);
  std::vector<HFSPlusTreeRecord> extentRecords;
  for (const auto& [key, data] : live.overflow) extentRecords.push_back({ExtentKey(key.first, key.second), data});
  HFSPlusTreeShape extentsShape;
  extentsShape.nodeSize = options_.extentsNodeSize;
  extentsShape.maxKeyLength = 10;
  extentsShape.attributes = 2;
  extentsShape.maxRecordsPerNode = options_.maxRecordsPerNode;
  const auto extentsTree = buildTree(extentsShape, extentRecords, 0);
  special_[fmt::kExtentsFileID] = Allocate(extentsTree.bytes.size(), options_.extentsPieces);

  auto image = std::make_shared<SparseImage>(volumeBytes);
  auto place = [&](const HFSPlusWrittenFork& fork, const Bytes& bytes) {
    std::uint64_t done = 0;
    for (const auto& extent : fork.extents) {
      const std::uint64_t piece = std::min<std::uint64_t>(extent.blockCount * blockSize, bytes.size() - done);
      image->Write(extent.startBlock * blockSize, std::span(bytes).subspan(done, piece));
      done += piece;
    }
  };
  // A deleted entry's blocks are free again; its content stays in them.
  auto release = [&](const HFSPlusWrittenFork& fork) {
    for (const auto& extent : fork.extents) {
      for (std::uint32_t b = 0; b < extent.blockCount; ++b) used_[extent.startBlock + b] = false;
    }
  };
  bool anyDeleted = false;
  for (const auto& [id, e] : entries_) {
    if (!e.compressed) place(e.fork, e.data);
    place(e.resourceFork, e.resource);
    for (const auto& a : e.attributes) {
      if (!a.inlineData) place(a.fork, a.value);
      if (e.deleted) release(a.fork);
    }
    if (e.deleted) {
      release(e.fork);
      release(e.resourceFork);
      anyDeleted = true;
    }
  }
  place(special_[fmt::kCatalogFileID], catalogTree.bytes);
  place(special_[fmt::kAttributesFileID], attrTree.bytes);
  place(special_[fmt::kExtentsFileID], extentsTree.bytes);

  if (options_.journal.enabled) {
    if (transactions_.empty() && anyDeleted) {
      std::vector<std::uint32_t> deleted;
      for (const auto& [id, e] : entries_) {
        if (e.deleted) deleted.push_back(id);
      }
      std::vector<HFSPlusLoggedNode> nodes{{fmt::kCatalogFileID, deleted, false, 0}};
      TreeRecords probe;
      for (std::uint32_t id : deleted) RecordsOf(id, 0, probe);
      if (!probe.overflow.empty()) nodes.push_back({fmt::kExtentsFileID, deleted, false, 0});
      if (!probe.attributes.empty()) nodes.push_back({fmt::kAttributesFileID, deleted, false, 0});
      transactions_.push_back(std::move(nodes));
    }
    std::vector<HFSPlusTransaction> transactions;
    for (const auto& t : transactions_) {
      HFSPlusTransaction blocks;
      for (const auto& node : t) blocks.push_back(LoggedNode(node));
      transactions.push_back(std::move(blocks));
    }
    journal_ = WriteHFSPlusJournal(options_.journal, transactions);
    place(journalFork, journal_.bytes);
    place(infoBlock, WriteHFSPlusJournalInfoBlock(journalOffset_, options_.journal.bytes, options_.blockSize));
  }

  Bytes bitmap(special_[fmt::kAllocationFileID].logicalSize, 0);
  for (std::size_t b = 0; b < used_.size(); ++b) {
    if (used_[b]) bitmap[b / 8] |= static_cast<std::uint8_t>(0x80u >> (b % 8));
  }
  place(special_[fmt::kAllocationFileID], bitmap);

  const auto freeBlocks = static_cast<std::uint32_t>(std::count(used_.begin(), used_.end(), false));
  Bytes header(fmt::kVolumeHeaderSize, 0);
  FieldWriter w(header);
  w.be16(0, options_.hfsx ? fmt::kSignatureHFSX : fmt::kSignatureHFSPlus);
  w.be16(2, options_.hfsx ? 5 : 4);
  w.be32(4, 0x100 | (options_.journal.enabled ? fmt::kJournaledBit : 0));  // cleanly unmounted
  w.be32(8, options_.journal.enabled ? 0x4846534A : 0x31302E30);  // "HFSJ" for a journaled volume
  w.be32(12, options_.journal.enabled ? infoBlock.extents.at(0).startBlock : 0);
  w.be32(16, kDate);
  w.be32(20, kDate + 1);
  w.be32(32, files);
  w.be32(36, folders);
  w.be32(40, options_.blockSize);
  w.be32(44, options_.totalBlocks);
  w.be32(48, freeBlocks);
  w.be32(52, cursor_);
  w.be32(56, options_.blockSize);
  w.be32(60, options_.blockSize);
  w.be32(64, nextID_);
  w.be32(68, 1);
  w.be64(72, 1);
  w.be32(104, 0x51554C4C);  // volume identifier, words 6 and 7 of the Finder info
  w.be32(108, kDate);
  PutFork(w, 112, special_[fmt::kAllocationFileID]);
  PutFork(w, 192, special_[fmt::kExtentsFileID]);
  PutFork(w, 272, special_[fmt::kCatalogFileID]);
  PutFork(w, 352, special_[fmt::kAttributesFileID]);
  image->Write(fmt::kVolumeHeaderOffset, header);
  image->Write(volumeBytes - 1024, header);
  return image;
}

}  // namespace quellsy::test
