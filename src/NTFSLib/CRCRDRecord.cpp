#include "NTFSLib/CRCRDRecord.h"

#include <cstring>

#include "NTFSLib/NTFSLayout.h"
#include "NTFSLib/NTFSUpdateSequence.h"

using quellsy::ByteSpan;

namespace {
constexpr std::size_t kStrides = CRCRDRecord::kPageSize / quellsy::ntfs::kFixupStride;
constexpr std::size_t kRecordSequenceOffset = 0x28;
constexpr std::size_t kRestartSequenceOffset = 0x1E;
constexpr std::uint64_t kClientNtfs = 0x5300460054004Eull;  // "NTFS" in UTF-16LE

bool Magic(ByteSpan buffer, const char* magic) { return buffer.size() >= 4 && std::memcmp(buffer.data(), magic, 4) == 0; }

quellsy::ntfs::UpdateSequence PageSequence(std::size_t offset) { return {offset, kStrides}; }
}  // namespace

bool CRCRDRecord::IsValidMagicNumber(ByteSpan buffer) { return Magic(buffer, "RCRD"); }

bool CRCRDRecord::IsValidRCRDRecordFirstSector(ByteSpan buffer) {
  return buffer.size() >= quellsy::ntfs::kFixupStride && IsValidMagicNumber(buffer);
}

bool CRCRDRecord::IsValidUpdateSequence(ByteSpan buffer) {
  return buffer.size() >= kPageSize && PageSequence(kRecordSequenceOffset).Matches(buffer.first(kPageSize));
}

bool CRCRDRecord::IsValid(ByteSpan buffer) {
  if (buffer.size() < kPageSize || !IsValidMagicNumber(buffer)) return false;
  if (quellsy::le16(buffer, 0x06).value_or(0) != kStrides + 1) return false;
  if (quellsy::le16(buffer, 0x04).value_or(0) != kRecordSequenceOffset) return false;
  return IsValidUpdateSequence(buffer);
}

bool CRCRDRecord::Unfixup(quellsy::MutableByteSpan buffer) {
  return IsValid(buffer) && PageSequence(kRecordSequenceOffset).Apply(buffer.first(kPageSize));
}

ByteSpan CRCRDRecord::GetRecordHead(ByteSpan buffer) {
  if (buffer.size() < 0x40 || !IsValidMagicNumber(buffer)) return {};
  return buffer.first(0x40);
}

ByteSpan CRCRDRecord::GetOperationRecordHeader(ByteSpan buffer) { return buffer.size() >= 48 ? buffer : ByteSpan{}; }

bool CRestartPage::IsValidRestartRecordHeader(ByteSpan buffer) {
  return buffer.size() >= 152 && Magic(buffer, "RSTR") && quellsy::le64(buffer, 0x90).value_or(0) == kClientNtfs;
}

bool CRestartPage::IsValidRestartRecord(ByteSpan buffer) {
  return buffer.size() >= CRCRDRecord::kPageSize && IsValidRestartRecordHeader(buffer) &&
         PageSequence(kRestartSequenceOffset).Matches(buffer.first(CRCRDRecord::kPageSize));
}
