#include "NTFSSearch/CNTFSFilePropertiesBuilder.h"

#include <algorithm>
#include <memory>

#include "NTFSLib/CNTFSDataRunList.h"
#include "NTFSLib/CNTFSMultiFileRecord.h"
#include "NTFSLib/CNoneResidentNTFSDataRunList.h"
#include "NTFSLib/CResidentNTFSDataRunList.h"
#include "NTFSLib/NTFSLayout.h"
#include "NTFSSearch/CNTFSFileProperties.h"
#include "include/IDataRunList.h"

namespace ntfs = quellsy::ntfs;
using Props = CNTFSFilePropertiesStruct;

namespace {

constexpr std::uint8_t kWin32Namespace = 1;
constexpr std::uint32_t kDosPermissionBits = Props::kReadOnly | Props::kHidden | Props::kSystem | Props::kArchive;
constexpr std::size_t kStandardInformationTimes = 0x30;

struct ListDeleter {
  void operator()(IDataRunList* list) const {
    if (list != nullptr) list->Release();
  }
};
using ListPtr = std::unique_ptr<IDataRunList, ListDeleter>;

bool TakeFileName(CNTFSMultiFileRecord& multiRecord, Props& record, std::int64_t& parent) {
  const auto first = multiRecord.FindAttibute(ntfs::kFileName, 0);
  if (!first) return false;
  const auto second = multiRecord.FindAttibute(ntfs::kFileName, 1);
  const CNTFSFileRecordFileNameAttribute a(first->attribute);
  const CNTFSFileRecordFileNameAttribute b = second ? CNTFSFileRecordFileNameAttribute(second->attribute) : a;
  // Windows writes the short name first and the long one second.
  const CNTFSFileRecordFileNameAttribute& chosen = second && b.GetNameSpace() == kWin32Namespace ? b : a;
  const auto parentOf = [](const CNTFSFileRecordFileNameAttribute& n) {
    return static_cast<std::int64_t>(n.GetParentMftNumber());
  };
  if (second && parentOf(b) >= 5)
    parent = parentOf(b);
  else if (parentOf(a) >= 5)
    parent = parentOf(a);
  else
    parent = parentOf(chosen);
  if (chosen.GetFileNameLength() == 0) return false;
  record.name = chosen.GetFileName();
  if (record.name.empty()) return false;
  if (chosen.IsDirectory()) record.attributes |= Props::kDirectory;
  record.creationTime = chosen.GetCreationTime();
  record.modificationTime = chosen.GetModificationTime();
  record.lastAccessTime = chosen.GetLastAccessTime();
  record.fileSize = chosen.GetFileRealSize();
  return true;
}

void TakeStandardInformation(CNTFSMultiFileRecord& multiRecord, Props& record) {
  const auto found = multiRecord.FindAttibute(ntfs::kStandardInformation, 0);
  if (!found) return;
  const CNTFSFileRecordStandardInformationAttribute info(found->attribute);
  if (info.IsNonResident() || info.GetContent().size() < kStandardInformationTimes + 8) return;
  record.creationTime = info.GetCreationTime();
  record.modificationTime = info.GetModificationTime();
  record.lastAccessTime = info.GetLastAccessTime();
  record.attributes |= static_cast<std::uint16_t>(info.GetDosPermissions() & kDosPermissionBits);
}

// The unnamed data attributes in order: a resident one is the whole value; non-resident ones add their runs.
ListPtr TakeData(CNTFSMultiFileRecord& multiRecord, std::uint32_t bytesPerCluster, Props& record) {
  CNTFSDataRunList runs;
  bool sawNonResident = false;
  for (unsigned n = 0;; ++n) {
    const auto found = multiRecord.FindAttibute(ntfs::kData, n);
    if (!found) break;
    const CNTFSFileRecordDataRunsAttribute data(found->attribute);
    if (data.IsNamed()) continue;
    if (data.IsCompressed()) record.attributes |= Props::kCompressed;
    if (data.IsEncrypted()) record.attributes |= Props::kEncrypted;
    if (!data.IsNonResident()) {
      std::int64_t size = 0;
      ListPtr resident(
          GetDataRunListfromResidentAttributeBuffer(data, found->recordSector, found->offsetInRecord, size));
      if (resident) {
        record.fileSize = size;
        return resident;
      }
      break;
    }
    sawNonResident = true;
    data.GetDataRunList(runs);
    // The first extent's sizes are the stream's; the name's copy of them is often stale.
    if (data.GetStartingVCN() == 0) record.fileSize = data.GetRealSize();
  }
  if (!sawNonResident) return nullptr;
  runs.Sort();
  std::int64_t clusters = 0;
  ListPtr list(BuildNonResidentDataRunListfromNTFSDataRunList(runs, clusters));
  if (record.fileSize < 0) record.fileSize = 0;
  if (bytesPerCluster != 0 && bytesPerCluster % 512 == 0) {
    const std::int64_t allocated = std::int64_t{bytesPerCluster} * clusters;
    if (record.fileSize == 0 && allocated != 0)
      record.fileSize = allocated;
    else
      record.fileSize = std::min(record.fileSize, allocated);
  }
  return list;
}

}  // namespace

CNTFSFileProperties* CNTFSFilePropertiesBuilder::BuildFileProperties(std::int64_t recordSector,
                                                                     CNTFSMultiFileRecord& multiRecord,
                                                                     std::uint32_t bytesPerCluster,
                                                                     std::int64_t& parentMFTNumber) {
  if (!multiRecord.IsValid()) return nullptr;
  Props record;
  std::int64_t parent = -1;
  if (!TakeFileName(multiRecord, record, parent)) return nullptr;
  if (parent != -1) parentMFTNumber = parent;
  TakeStandardInformation(multiRecord, record);
  record.recordSector = recordSector;
  if (!multiRecord.IsinUse()) record.state |= Props::kStateDeleted;
  ListPtr list = TakeData(multiRecord, bytesPerCluster, record);
  bool exact = false;
  if (list) CCompressedDataRunList::Compress(list.get(), record.runs, &exact);
  // The list just built goes on with the record (the node takes it), unless packing changed what it holds.
  if (!exact) list.reset();
  if ((record.attributes & Props::kCompressed) != 0 && (record.attributes & Props::kEncrypted) != 0)
    record.attributes &= static_cast<std::uint16_t>(~Props::kCompressed);
  record.fileRecordIndex = multiRecord.GetMainFileRecordIndex();
  CNTFSFileProperties* properties = CNTFSFileProperties::Create();
  if (properties != nullptr) properties->Init(std::move(record), list.release());
  return properties;
}

void CNTFSFilePropertiesBuilder::AdjustFileSizeAccordinttoDataRunsWhenFileSizeLessThanZero(
    CNTFSFileProperties& properties, std::uint32_t sectorsPerCluster) {
  if (properties.GetFileSize() >= 0) return;
  IDataRunList* runs = properties.GetDataRunList();
  if (runs == nullptr || runs->GetOffset() != 0) return;
  std::int64_t clusters = 0;
  for (DataRun* run = runs->GetFirst(); run != nullptr; run = runs->GetNext()) clusters += run->length;
  properties.SetFileSize(std::int64_t{sectorsPerCluster} * clusters * 512);
}
