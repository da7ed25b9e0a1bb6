#pragma once
// The HFS+ on-disk records the engine reads, in host order. Everything on disk is big-endian; each record is
// parsed as a whole, field by field through the bounded reader, right after it is read.

#include <array>
#include <cstdint>
#include <optional>
#include <variant>
#include <vector>

#include "Utility/ByteReader.h"

namespace quellsy::hfsplus {

constexpr std::uint16_t kSignatureHFSPlus = 0x482B;  // "H+"
constexpr std::uint16_t kSignatureHFSX = 0x4858;     // "HX"
constexpr std::uint64_t kVolumeHeaderOffset = 1024;
constexpr std::size_t kVolumeHeaderSize = 512;
constexpr std::uint32_t kJournaledBit = 1u << 13;

constexpr std::uint32_t kRootParentID = 1;
constexpr std::uint32_t kRootFolderID = 2;
constexpr std::uint32_t kExtentsFileID = 3;
constexpr std::uint32_t kCatalogFileID = 4;
constexpr std::uint32_t kAllocationFileID = 6;
constexpr std::uint32_t kStartupFileID = 7;
constexpr std::uint32_t kAttributesFileID = 8;
constexpr std::uint32_t kFirstUserCatalogNodeID = 16;

constexpr std::uint8_t kCaseFolding = 0xCF;
constexpr std::uint8_t kBinaryCompare = 0xBC;

constexpr std::uint8_t kDataFork = 0x00;
constexpr std::uint8_t kResourceFork = 0xFF;

// Node kinds of the descriptor.
constexpr std::int8_t kLeafNode = -1;
constexpr std::int8_t kIndexNode = 0;
constexpr std::int8_t kHeaderNode = 1;
constexpr std::int8_t kMapNode = 2;
constexpr std::size_t kNodeDescriptorSize = 14;
constexpr std::size_t kHeaderRecSize = 106;

// Catalog record types.
constexpr std::int16_t kFolderRecord = 1;
constexpr std::int16_t kFileRecord = 2;
constexpr std::int16_t kFolderThreadRecord = 3;
constexpr std::int16_t kFileThreadRecord = 4;
constexpr std::size_t kFolderRecordSize = 88;
constexpr std::size_t kFileRecordSize = 248;
constexpr std::size_t kThreadRecordMinSize = 10;

// Attribute record types.
constexpr std::uint32_t kAttrInlineData = 0x10;
constexpr std::uint32_t kAttrForkData = 0x20;
constexpr std::uint32_t kAttrExtents = 0x30;
constexpr std::size_t kAttrInlineHeaderSize = 16;
constexpr std::size_t kAttrForkDataSize = 88;
constexpr std::size_t kAttrExtentsSize = 72;

constexpr std::size_t kMaxCatalogNameUnits = 255;
constexpr std::size_t kMaxAttrNameUnits = 127;
constexpr std::size_t kExtentKeySize = 12;
constexpr std::size_t kExtentRecordSize = 64;
constexpr std::size_t kForkDataSize = 80;

}  // namespace quellsy::hfsplus

struct HFSPlusExtentDescriptor {
  std::uint32_t startBlock = 0;
  std::uint32_t blockCount = 0;
  bool operator==(const HFSPlusExtentDescriptor&) const = default;
};
using HFSPlusExtentRecord = std::array<HFSPlusExtentDescriptor, 8>;

struct HFSPlusForkData {
  std::uint64_t logicalSize = 0;
  std::uint32_t clumpSize = 0;
  std::uint32_t totalBlocks = 0;
  HFSPlusExtentRecord extents{};
};

struct HFSPlusVolumeHeader {
  std::uint16_t signature = 0;
  std::uint16_t version = 0;
  std::uint32_t attributes = 0;
  std::uint32_t lastMountedVersion = 0;
  std::uint32_t journalInfoBlock = 0;
  std::uint32_t createDate = 0;
  std::uint32_t modifyDate = 0;
  std::uint32_t backupDate = 0;
  std::uint32_t checkedDate = 0;
  std::uint32_t fileCount = 0;
  std::uint32_t folderCount = 0;
  std::uint32_t blockSize = 0;
  std::uint32_t totalBlocks = 0;
  std::uint32_t freeBlocks = 0;
  std::uint32_t nextAllocation = 0;
  std::uint32_t rsrcClumpSize = 0;
  std::uint32_t dataClumpSize = 0;
  std::uint32_t nextCatalogID = 0;
  std::uint32_t writeCount = 0;
  std::uint64_t encodingsBitmap = 0;
  std::array<std::uint32_t, 8> finderInfo{};
  HFSPlusForkData allocationFile;
  HFSPlusForkData extentsFile;
  HFSPlusForkData catalogFile;
  HFSPlusForkData attributesFile;
  HFSPlusForkData startupFile;

  // Finder-info words 6 and 7 together.
  std::uint64_t VolumeIdentifier() const {
    return (std::uint64_t{finderInfo[6]} << 32) | finderInfo[7];
  }
};

struct BTNodeDescriptor {
  std::uint32_t fLink = 0;
  std::uint32_t bLink = 0;
  std::int8_t kind = 0;
  std::uint8_t height = 0;
  std::uint16_t numRecords = 0;
  std::uint16_t reserved = 0;
};

struct BTHeaderRec {
  std::uint16_t treeDepth = 0;
  std::uint32_t rootNode = 0;
  std::uint32_t leafRecords = 0;
  std::uint32_t firstLeafNode = 0;
  std::uint32_t lastLeafNode = 0;
  std::uint16_t nodeSize = 0;
  std::uint16_t maxKeyLength = 0;
  std::uint32_t totalNodes = 0;
  std::uint32_t freeNodes = 0;
  std::uint32_t clumpSize = 0;
  std::uint8_t btreeType = 0;
  std::uint8_t keyCompareType = 0;
  std::uint32_t attributes = 0;
};

using HFSUniStr255 = std::vector<std::uint16_t>;  // at most 255 units

struct HFSPlusCatalogKey {
  std::uint16_t keyLength = 0;
  std::uint32_t parentID = 0;
  HFSUniStr255 nodeName;
};

struct HFSPlusExtentKey {
  std::uint16_t keyLength = 10;
  std::uint8_t forkType = 0;
  std::uint32_t fileID = 0;
  std::uint32_t startBlock = 0;
};

struct HFSPlusAttrKey {
  std::uint16_t keyLength = 0;
  std::uint32_t fileID = 0;
  std::uint32_t startBlock = 0;
  std::vector<std::uint16_t> name;  // at most 127 units
};

// Any of the three trees' keys.
using BTKey = std::variant<HFSPlusCatalogKey, HFSPlusExtentKey, HFSPlusAttrKey>;

struct HFSPlusBSDInfo {
  std::uint32_t ownerID = 0;
  std::uint32_t groupID = 0;
  std::uint8_t adminFlags = 0;
  std::uint8_t ownerFlags = 0;
  std::uint16_t fileMode = 0;
  std::uint32_t special = 0;
};

// What folder and file records share.
struct HFSPlusCatalogCommon {
  std::uint16_t flags = 0;
  std::uint32_t createDate = 0;
  std::uint32_t contentModDate = 0;
  std::uint32_t attributeModDate = 0;
  std::uint32_t accessDate = 0;
  std::uint32_t backupDate = 0;
  HFSPlusBSDInfo permissions;
  std::array<std::uint8_t, 16> userInfo{};
  std::array<std::uint8_t, 16> finderInfo{};
  std::uint32_t textEncoding = 0;
};

struct HFSPlusCatalogFolder : HFSPlusCatalogCommon {
  std::uint32_t valence = 0;
  std::uint32_t folderID = 0;
  std::uint32_t folderCount = 0;
};

struct HFSPlusCatalogFile : HFSPlusCatalogCommon {
  std::uint32_t fileID = 0;
  HFSPlusForkData dataFork;
  HFSPlusForkData resourceFork;
};

struct HFSPlusCatalogThread {
  std::int16_t recordType = 0;  // folder thread 3, file thread 4
  std::uint32_t parentID = 0;
  HFSUniStr255 nodeName;
};

struct HFSPlusAttrData {
  std::uint32_t attrSize = 0;
  std::vector<std::uint8_t> value;
};

struct HFSPlusAttrForkData {
  HFSPlusForkData theFork;
};

struct HFSPlusAttrExtents {
  HFSPlusExtentRecord extents{};
};

// A leaf record of any of the three trees.
using BTRecord = std::variant<HFSPlusCatalogFolder, HFSPlusCatalogFile, HFSPlusCatalogThread, HFSPlusExtentRecord,
                              HFSPlusAttrData, HFSPlusAttrForkData, HFSPlusAttrExtents>;

namespace quellsy::hfsplus {

// Each parser reads one record from the start of `bytes`; nullopt when the record does not fit or is not one.
std::optional<HFSPlusVolumeHeader> ParseVolumeHeader(ByteSpan bytes);
std::optional<BTNodeDescriptor> ParseNodeDescriptor(ByteSpan bytes);
std::optional<BTHeaderRec> ParseHeaderRec(ByteSpan bytes);
std::optional<HFSPlusForkData> ParseForkData(ByteSpan bytes);
std::optional<HFSPlusExtentRecord> ParseExtentRecord(ByteSpan bytes);
// A catalog key's fields where they lie, after the checks every reader of a catalog key makes: the fixed
// fields present, a name of at most 255 units that fits both the key's length and the bytes.
struct CatalogKeyView {
  std::uint16_t keyLength = 0;
  std::uint32_t parentID = 0;
  ByteSpan name;  // the name's units, big-endian
};
std::optional<CatalogKeyView> ViewCatalogKey(ByteSpan bytes);
std::optional<HFSPlusCatalogKey> ParseCatalogKey(ByteSpan bytes);
// A thread record's fields where they lie, after the checks its parser makes.
struct CatalogThreadView {
  std::int16_t recordType = 0;
  std::uint32_t parentID = 0;
  ByteSpan name;  // the name's units, big-endian
};
std::optional<CatalogThreadView> ViewCatalogThread(ByteSpan bytes);
std::optional<HFSPlusExtentKey> ParseExtentKey(ByteSpan bytes);
std::optional<HFSPlusAttrKey> ParseAttrKey(ByteSpan bytes);
// A catalog leaf record by its type: folder, file or thread.
std::optional<BTRecord> ParseCatalogRecord(ByteSpan bytes);
// An attributes leaf record by its type; nullopt also for a type the engine does not know.
std::optional<BTRecord> ParseAttrRecord(ByteSpan bytes);

// The stored size of a key: its keyLength field plus the field itself; nullopt when it does not fit.
std::optional<std::size_t> KeySize(ByteSpan record);

}  // namespace quellsy::hfsplus
