#include "NTFSSearch/NTFSResidentData.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "NTFSLib/CNTFSFileRecord.h"
#include "NTFSLib/NTFSLayout.h"
#include "NTFSSearch/CNTFSFileNode.h"
#include "include/IStorageDevice.h"
#include "include/SalvagingRead.h"

namespace ntfs = quellsy::ntfs;

namespace {

// A record is at most 4 KiB; the read starts at the record's sector, which may hold smaller records before it.
bool ReadRecordAt(IStorageDevice& device, std::int64_t position, std::vector<std::uint8_t>& out) {
  const std::uint32_t sectorSize = device.GetSectorSize() == 0 ? 512 : device.GetSectorSize();
  if (position < 0 || sectorSize > ntfs::kMaxRecordSize) return false;
  const std::int64_t first = position / sectorSize;
  const auto skip = static_cast<std::size_t>(position % sectorSize);
  const std::size_t sectors = (skip + ntfs::kMaxRecordSize + sectorSize - 1) / sectorSize;
  std::vector<std::uint8_t> raw(sectors * sectorSize, 0);
  // A short device or an unreadable sector after the record leaves zeros; the record test decides.
  quellsy::ReadSectorsSalvaging(device, raw.data(), first, static_cast<long long>(sectors));
  out.assign(raw.begin() + static_cast<std::ptrdiff_t>(skip),
             raw.begin() + static_cast<std::ptrdiff_t>(skip + ntfs::kMaxRecordSize));
  return true;
}

// 1: the first unnamed data attribute is resident and copied; 0: it is not resident or does not fit; -1: the
// record holds none.
int CopyFromRecord(const std::vector<std::uint8_t>& bytes, bool base, std::int64_t* length, std::uint8_t* buffer,
                   std::uint32_t size) {
  if (!CNTFSFileRecordHeader::IsValid(bytes)) return base ? 0 : -1;
  const CNTFSFileRecord record(quellsy::ByteSpan(bytes).first(CNTFSFileRecordHeader::RecordSize(bytes)));
  if (!record.IsValid() || record.IsExtendFileRecord() == base) return base ? 0 : -1;
  for (unsigned n = 0;; ++n) {
    const CNTFSFileRecordAttribute data = record.FindAttibute(ntfs::kData, n);
    if (!data.IsValid()) return -1;
    if (data.IsNamed()) continue;
    if (data.IsNonResident()) return 0;
    const quellsy::ByteSpan content = data.GetContent();
    if (content.size() != data.GetContentLength() || content.size() > size) return 0;
    std::memcpy(buffer, content.data(), content.size());
    *length = static_cast<std::int64_t>(content.size());
    return 1;
  }
}

}  // namespace

int GetResidentDataRunsStream(CNTFSFileNode& node, IStorageDevice& device, std::int64_t* length, std::uint8_t* buffer,
                              std::uint32_t size) {
  CNTFSFileProperties* properties = node.GetNTFSFileProperties();
  if (properties == nullptr || node.IsDirectory() != 0 || length == nullptr || buffer == nullptr) return 0;
  const std::uint32_t sectorSize = device.GetSectorSize() == 0 ? 512 : device.GetSectorSize();
  std::vector<std::uint8_t> bytes;
  if (!ReadRecordAt(device, properties->GetFileRecordStartSector() * sectorSize, bytes)) return 0;
  const int inBase = CopyFromRecord(bytes, true, length, buffer, size);
  if (inBase >= 0) return inBase;
  for (const CAttributeListExtendFileRecordInfo& extension : properties->GetExtendFileRecordInfoList()) {
    if (!ReadRecordAt(device, extension.position, bytes)) continue;
    const int found = CopyFromRecord(bytes, false, length, buffer, size);
    if (found >= 0) return found;
  }
  return 0;
}

int GetResidentDataRunsStream(std::uint64_t recordSector, IStorageDevice& device, std::int64_t* length,
                              std::uint8_t* buffer, std::uint32_t size) {
  if (length == nullptr || buffer == nullptr) return 0;
  const std::uint32_t sectorSize = device.GetSectorSize() == 0 ? 512 : device.GetSectorSize();
  std::vector<std::uint8_t> bytes;
  if (!ReadRecordAt(device, static_cast<std::int64_t>(recordSector * sectorSize), bytes)) return 0;
  return std::max(0, CopyFromRecord(bytes, true, length, buffer, size));
}
