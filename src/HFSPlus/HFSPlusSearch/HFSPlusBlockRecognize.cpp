#include "HFSPlus/HFSPlusSearch/HFSPlusBlockRecognize.h"

#include <algorithm>

#include "HFSPlus/HFSPlusLib/CHFSPlusBTNode.h"
#include "HFSPlus/HFSPlusLib/CHFSPlusVolume.h"

namespace quellsy::hfsplus {

namespace {
constexpr std::size_t kPiece = 512;
constexpr std::size_t kReservedOffset = 52;
constexpr std::uint8_t kInfoBlockFill = 0xDB;
}  // namespace

std::optional<HFSPlusVolumeHeader> RecogniseVolumeHeader(ByteSpan sector) {
  if (sector.size() < kPiece) return std::nullopt;
  std::optional<HFSPlusVolumeHeader> found;
  int headers = 0;
  for (std::size_t at = 0; at + kPiece <= sector.size(); at += kPiece) {
    const ByteSpan piece = sector.subspan(at, kPiece);
    if (std::all_of(piece.begin(), piece.end(), [](std::uint8_t b) { return b == 0; })) continue;
    if (!CHFSPlusVolume::IsValidVolumeHeader(piece)) break;
    found = ParseVolumeHeader(piece);
    ++headers;
  }
  if (headers != 1) return std::nullopt;
  return found;
}

std::optional<JournalInfoBlock> RecogniseJournalInfoBlock(ByteSpan sector) {
  if (sector.size() <= kJournalInfoBlockSize) return std::nullopt;
  const auto block = ParseJournalInfoBlock(sector);
  if (!block || block->offset % 512 != 0 || block->size % 512 != 0) return std::nullopt;
  const auto reserved = sector.subspan(kReservedOffset, kJournalInfoBlockSize - kReservedOffset);
  if (!std::all_of(reserved.begin(), reserved.end(), [](std::uint8_t b) { return b == 0; })) return std::nullopt;
  const auto tail = sector.subspan(kJournalInfoBlockSize);
  if (!std::all_of(tail.begin(), tail.end(), [](std::uint8_t b) { return b == kInfoBlockFill; })) return std::nullopt;
  return block;
}

std::optional<JournalHeader> RecogniseJournalHeader(ByteSpan sector) {
  const auto header = ParseJournalHeader(sector);
  if (!header || header->magic != kJournalMagic || header->endian != kJournalEndian) return std::nullopt;
  return header;
}

bool StartsLeafOrHeaderNode(ByteSpan sector) {
  const auto descriptor = ParseNodeDescriptor(sector);
  if (!descriptor || descriptor->reserved != 0) return false;
  return (descriptor->kind == kLeafNode && descriptor->height == 1) ||
         (descriptor->kind == kHeaderNode && descriptor->height == 0);
}

bool MayHoldRecord(ByteSpan sector) {
  if (sector.size() < kNodeDescriptorSize) return false;
  const auto first = be16(sector, 0);
  if (first == kSignatureHFSPlus || first == kSignatureHFSX) return true;
  // A header may sit in a later piece only behind an all-zero first one.
  if (sector.size() > kPiece && std::all_of(sector.begin(), sector.begin() + kPiece, [](std::uint8_t b) { return b == 0; }))
    return true;
  if (sector.size() > kJournalInfoBlockSize && sector[kReservedOffset] == 0 && sector.back() == kInfoBlockFill)
    return true;
  if (le32(sector, 0) == kJournalMagic) return true;
  const auto kind = static_cast<std::int8_t>(sector[8]);
  const std::uint8_t height = sector[9];
  return ((kind == kLeafNode && height == 1) || (kind == kHeaderNode && height == 0)) && sector[12] == 0 &&
         sector[13] == 0;
}

SectorGate FirstLookGate(std::uint32_t sectorSize) {
  const auto is = [](std::uint8_t value) { return [value](std::uint8_t b) { return b == value; }; };
  const auto oneOf = [](std::uint8_t a, std::uint8_t c) { return [a, c](std::uint8_t b) { return b == a || b == c; }; };
  const auto magic = [](int shift) { return static_cast<std::uint8_t>(kJournalMagic >> shift); };
  std::vector<SectorGate::Kind> kinds{
      // A volume header's signature.
      {{0, is(kSignatureHFSPlus >> 8)},
       {1, oneOf(static_cast<std::uint8_t>(kSignatureHFSPlus), static_cast<std::uint8_t>(kSignatureHFSX))}},
      // A journal info block: reserved byte 52 zero, the fill up to the sector's last byte.
      {{kReservedOffset, is(0)}, {sectorSize - 1, is(kInfoBlockFill)}},
      // A journal header's magic, little-endian.
      {{0, is(magic(0))}, {1, is(magic(8))}},
      // A leaf (kind -1, height 1) or header node (kind 1, height 0) with its reserved bytes 12 and 13 zero.
      {{8, oneOf(static_cast<std::uint8_t>(kLeafNode), static_cast<std::uint8_t>(kHeaderNode))}, {9, oneOf(0, 1)},
       {12, is(0)},
       {13, is(0)}},
  };
  // A sector larger than 512 bytes may hold a header behind 512 leading zeros.
  constexpr std::uint32_t kHeaderBytes = 512;
  if (sectorSize > kHeaderBytes)
    kinds.push_back({{0, is(0)}, {1, is(0)}, {8, is(0)}, {9, is(0)}, {12, is(0)}, {13, is(0)}, {kReservedOffset, is(0)}});
  return SectorGate(kinds);
}

std::uint32_t FitNodeSize(ByteSpan bytes, std::uint32_t sectorSize) {
  if (sectorSize == 0) return 0;
  for (std::uint64_t size = sectorSize; size <= kMaxNodeBytes && size <= bytes.size(); size *= 2) {
    if (CHFSPlusBTNode::IsValidNode(bytes.first(static_cast<std::size_t>(size)))) return static_cast<std::uint32_t>(size);
  }
  return 0;
}

}  // namespace quellsy::hfsplus
