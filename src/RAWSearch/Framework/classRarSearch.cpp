#include "RAWSearch/Framework/classRarSearch.h"

#include <cstdint>
#include <optional>

#include "Utility/ByteReader.h"

namespace {

enum BlockType : std::uint8_t {
  kMarker = 0x72,
  kArchive = 0x73,
  kFile = 0x74,
  kComment = 0x75,
  kAuthenticity = 0x76,
  kSub = 0x77,
  kRecovery = 0x78,
  kAuthenticity2 = 0x79,
  kNewSub = 0x7A,
  kEnd = 0x7B,
};

constexpr std::uint16_t kBaseHeaderBytes = 7;
constexpr std::uint16_t kLongHeaderBytes = 10;
constexpr std::uint8_t kHostSystemLimit = 5;

// The block's length, or nothing when its header is not valid or lies partly outside `block`.
std::optional<std::uint64_t> BlockLength(quellsy::ByteSpan block) {
  quellsy::FieldReader fields(block);
  const std::uint8_t type = fields.u8(2);
  const std::uint16_t headerSize = fields.le16(5);
  if (!fields.ok() || type <= kMarker || type > kEnd || headerSize < kBaseHeaderBytes) return std::nullopt;

  std::uint64_t added = 0;
  switch (type) {
    case kArchive:
      if (headerSize < kLongHeaderBytes) return std::nullopt;
      break;
    case kFile: {
      const std::uint32_t packed = fields.le32(7);
      const std::uint32_t unpacked = fields.le32(11);
      const std::uint8_t host = fields.u8(15);
      if (packed > unpacked || host >= kHostSystemLimit) return std::nullopt;
      added = packed;
      break;
    }
    case kSub:
      if (fields.u8(13) != 0) return std::nullopt;
      added = fields.le32(7);
      break;
    case kComment:
      added = fields.le16(7);
      break;
    case kAuthenticity:
      break;
    case kAuthenticity2:
      return std::nullopt;
    default:  // recovery record, new sub block, end of archive
      if (headerSize < kLongHeaderBytes) return std::nullopt;
      added = fields.le32(7);
      break;
  }
  if (!fields.ok()) return std::nullopt;
  return std::uint64_t{headerSize} + added;
}

std::optional<std::uint64_t> BlockLength(const unsigned char* block, int available) {
  if (!block || available < kBaseHeaderBytes) return std::nullopt;
  return BlockLength(quellsy::ByteSpan(block, static_cast<std::size_t>(available)));
}

}  // namespace

bool classRarSearch::GetBlockSize(const unsigned char* block, int available, unsigned int* sizeLow,
                                  unsigned int* sizeHigh) {
  const std::optional<std::uint64_t> length = BlockLength(block, available);
  if (!length) return false;
  if (sizeLow) *sizeLow = static_cast<unsigned int>(*length & 0xFFFFFFFFu);
  if (sizeHigh) *sizeHigh = static_cast<unsigned int>(*length >> 32);
  return true;
}

bool classRarSearch::IsValidHead(const unsigned char* block, int available) {
  return BlockLength(block, available).has_value();
}
