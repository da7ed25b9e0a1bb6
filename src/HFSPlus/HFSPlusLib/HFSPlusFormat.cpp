#include "HFSPlus/HFSPlusLib/HFSPlusFormat.h"

namespace quellsy::hfsplus {
namespace {

HFSPlusForkData ReadFork(FieldReader& r, std::size_t off) {
  HFSPlusForkData fork;
  fork.logicalSize = r.be64(off);
  fork.clumpSize = r.be32(off + 8);
  fork.totalBlocks = r.be32(off + 12);
  for (std::size_t i = 0; i < fork.extents.size(); ++i) {
    fork.extents[i].startBlock = r.be32(off + 16 + 8 * i);
    fork.extents[i].blockCount = r.be32(off + 20 + 8 * i);
  }
  return fork;
}

HFSPlusBSDInfo ReadBSDInfo(FieldReader& r, std::size_t off) {
  HFSPlusBSDInfo info;
  info.ownerID = r.be32(off);
  info.groupID = r.be32(off + 4);
  info.adminFlags = r.u8(off + 8);
  info.ownerFlags = r.u8(off + 9);
  info.fileMode = r.be16(off + 10);
  info.special = r.be32(off + 12);
  return info;
}

std::array<std::uint8_t, 16> ReadSixteen(FieldReader& r, std::size_t off) {
  std::array<std::uint8_t, 16> bytes{};
  const auto span = r.bytes(off, bytes.size());
  std::copy(span.begin(), span.end(), bytes.begin());
  return bytes;
}

// The fields folder and file records keep at the same offsets.
void ReadCommon(FieldReader& r, HFSPlusCatalogCommon& c) {
  c.flags = r.be16(2);
  c.createDate = r.be32(12);
  c.contentModDate = r.be32(16);
  c.attributeModDate = r.be32(20);
  c.accessDate = r.be32(24);
  c.backupDate = r.be32(28);
  c.permissions = ReadBSDInfo(r, 32);
  c.userInfo = ReadSixteen(r, 48);
  c.finderInfo = ReadSixteen(r, 64);
  c.textEncoding = r.be32(80);
}

std::vector<std::uint16_t> ReadUnits(FieldReader& r, std::size_t off, std::size_t count) {
  std::vector<std::uint16_t> units(count);
  for (std::size_t i = 0; i < count; ++i) units[i] = r.be16(off + 2 * i);
  return units;
}

}  // namespace

std::optional<HFSPlusVolumeHeader> ParseVolumeHeader(ByteSpan bytes) {
  FieldReader r(bytes);
  HFSPlusVolumeHeader h;
  h.signature = r.be16(0);
  h.version = r.be16(2);
  h.attributes = r.be32(4);
  h.lastMountedVersion = r.be32(8);
  h.journalInfoBlock = r.be32(12);
  h.createDate = r.be32(16);
  h.modifyDate = r.be32(20);
  h.backupDate = r.be32(24);
  h.checkedDate = r.be32(28);
  h.fileCount = r.be32(32);
  h.folderCount = r.be32(36);
  h.blockSize = r.be32(40);
  h.totalBlocks = r.be32(44);
  h.freeBlocks = r.be32(48);
  h.nextAllocation = r.be32(52);
  h.rsrcClumpSize = r.be32(56);
  h.dataClumpSize = r.be32(60);
  h.nextCatalogID = r.be32(64);
  h.writeCount = r.be32(68);
  h.encodingsBitmap = r.be64(72);
  for (std::size_t i = 0; i < h.finderInfo.size(); ++i) h.finderInfo[i] = r.be32(80 + 4 * i);
  h.allocationFile = ReadFork(r, 112);
  h.extentsFile = ReadFork(r, 192);
  h.catalogFile = ReadFork(r, 272);
  h.attributesFile = ReadFork(r, 352);
  h.startupFile = ReadFork(r, 432);
  if (!r.ok()) return std::nullopt;
  return h;
}

std::optional<BTNodeDescriptor> ParseNodeDescriptor(ByteSpan bytes) {
  FieldReader r(bytes);
  BTNodeDescriptor d;
  d.fLink = r.be32(0);
  d.bLink = r.be32(4);
  d.kind = static_cast<std::int8_t>(r.u8(8));
  d.height = r.u8(9);
  d.numRecords = r.be16(10);
  d.reserved = r.be16(12);
  if (!r.ok()) return std::nullopt;
  return d;
}

std::optional<BTHeaderRec> ParseHeaderRec(ByteSpan bytes) {
  FieldReader r(bytes);
  BTHeaderRec h;
  h.treeDepth = r.be16(0);
  h.rootNode = r.be32(2);
  h.leafRecords = r.be32(6);
  h.firstLeafNode = r.be32(10);
  h.lastLeafNode = r.be32(14);
  h.nodeSize = r.be16(18);
  h.maxKeyLength = r.be16(20);
  h.totalNodes = r.be32(22);
  h.freeNodes = r.be32(26);
  h.clumpSize = r.be32(32);
  h.btreeType = r.u8(36);
  h.keyCompareType = r.u8(37);
  h.attributes = r.be32(38);
  if (!r.ok() || bytes.size() < kHeaderRecSize) return std::nullopt;
  return h;
}

std::optional<HFSPlusForkData> ParseForkData(ByteSpan bytes) {
  FieldReader r(bytes);
  auto fork = ReadFork(r, 0);
  if (!r.ok()) return std::nullopt;
  return fork;
}

std::optional<HFSPlusExtentRecord> ParseExtentRecord(ByteSpan bytes) {
  FieldReader r(bytes);
  HFSPlusExtentRecord record{};
  for (std::size_t i = 0; i < record.size(); ++i) {
    record[i].startBlock = r.be32(8 * i);
    record[i].blockCount = r.be32(8 * i + 4);
  }
  if (!r.ok()) return std::nullopt;
  return record;
}

std::optional<std::size_t> KeySize(ByteSpan record) {
  const auto keyLength = be16(record, 0);
  if (!keyLength || std::size_t{*keyLength} + 2 > record.size()) return std::nullopt;
  return std::size_t{*keyLength} + 2;
}

std::optional<CatalogKeyView> ViewCatalogKey(ByteSpan bytes) {
  FieldReader r(bytes);
  CatalogKeyView key;
  key.keyLength = r.be16(0);
  key.parentID = r.be32(2);
  const std::uint16_t length = r.be16(6);
  if (!r.ok() || length > kMaxCatalogNameUnits || 6 + 2 * std::size_t{length} > key.keyLength) return std::nullopt;
  key.name = r.bytes(8, 2 * std::size_t{length});
  if (!r.ok()) return std::nullopt;
  return key;
}

std::optional<HFSPlusCatalogKey> ParseCatalogKey(ByteSpan bytes) {
  const auto view = ViewCatalogKey(bytes);
  if (!view) return std::nullopt;
  HFSPlusCatalogKey key;
  key.keyLength = view->keyLength;
  key.parentID = view->parentID;
  FieldReader name(view->name);
  key.nodeName = ReadUnits(name, 0, view->name.size() / 2);
  return key;
}

std::optional<HFSPlusExtentKey> ParseExtentKey(ByteSpan bytes) {
  FieldReader r(bytes);
  HFSPlusExtentKey key;
  key.keyLength = r.be16(0);
  key.forkType = r.u8(2);
  key.fileID = r.be32(4);
  key.startBlock = r.be32(8);
  if (!r.ok()) return std::nullopt;
  return key;
}

std::optional<HFSPlusAttrKey> ParseAttrKey(ByteSpan bytes) {
  FieldReader r(bytes);
  HFSPlusAttrKey key;
  key.keyLength = r.be16(0);
  key.fileID = r.be32(4);
  key.startBlock = r.be32(8);
  const std::uint16_t length = r.be16(12);
  if (!r.ok() || length > kMaxAttrNameUnits || 12 + 2 * std::size_t{length} > key.keyLength) return std::nullopt;
  key.name = ReadUnits(r, 14, length);
  if (!r.ok()) return std::nullopt;
  return key;
}

std::optional<BTRecord> ParseCatalogRecord(ByteSpan bytes) {
  FieldReader r(bytes);
  const auto type = static_cast<std::int16_t>(r.be16(0));
  if (!r.ok()) return std::nullopt;
  if (type == kFolderRecord) {
    HFSPlusCatalogFolder f;
    ReadCommon(r, f);
    f.valence = r.be32(4);
    f.folderID = r.be32(8);
    f.folderCount = r.be32(84);
    if (!r.ok()) return std::nullopt;
    return f;
  }
  if (type == kFileRecord) {
    HFSPlusCatalogFile f;
    ReadCommon(r, f);
    f.fileID = r.be32(8);
    f.dataFork = ReadFork(r, 88);
    f.resourceFork = ReadFork(r, 168);
    if (!r.ok()) return std::nullopt;
    return f;
  }
  if (const auto view = ViewCatalogThread(bytes)) {
    HFSPlusCatalogThread t;
    t.recordType = view->recordType;
    t.parentID = view->parentID;
    FieldReader name(view->name);
    t.nodeName = ReadUnits(name, 0, view->name.size() / 2);
    return t;
  }
  return std::nullopt;
}

std::optional<CatalogThreadView> ViewCatalogThread(ByteSpan bytes) {
  FieldReader r(bytes);
  CatalogThreadView t;
  t.recordType = static_cast<std::int16_t>(r.be16(0));
  if (!r.ok() || (t.recordType != kFolderThreadRecord && t.recordType != kFileThreadRecord)) return std::nullopt;
  t.parentID = r.be32(4);
  const std::uint16_t length = r.be16(8);
  if (!r.ok() || length > kMaxCatalogNameUnits) return std::nullopt;
  t.name = r.bytes(10, 2 * std::size_t{length});
  if (!r.ok()) return std::nullopt;
  return t;
}

std::optional<BTRecord> ParseAttrRecord(ByteSpan bytes) {
  FieldReader r(bytes);
  const std::uint32_t type = r.be32(0);
  if (!r.ok()) return std::nullopt;
  if (type == kAttrInlineData) {
    HFSPlusAttrData data;
    data.attrSize = r.be32(12);
    const auto value = r.bytes(kAttrInlineHeaderSize, data.attrSize);
    if (!r.ok()) return std::nullopt;
    data.value.assign(value.begin(), value.end());
    return data;
  }
  if (type == kAttrForkData) {
    HFSPlusAttrForkData fork;
    fork.theFork = ReadFork(r, 8);
    if (!r.ok()) return std::nullopt;
    return fork;
  }
  if (type == kAttrExtents) {
    HFSPlusAttrExtents extents;
    const auto record = ParseExtentRecord(bytes.subspan(std::min<std::size_t>(8, bytes.size())));
    if (!record) return std::nullopt;
    extents.extents = *record;
    return extents;
  }
  return std::nullopt;
}

}  // namespace quellsy::hfsplus
