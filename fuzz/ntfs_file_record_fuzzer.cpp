// FILE records (and the other multi-sector NTFS structures) from arbitrary bytes: the tests, the fix-up, every
// attribute reader, the meta-file and label readers, and a multi-record file whose extension records and
// attribute list are read from the same bytes taken as a volume.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "FuzzBytesDevice.h"
#include "NTFSLib/CCommonFileRecordInfo.h"
#include "NTFSLib/CFolderFileRecordAnalyzer.h"
#include "NTFSLib/CIndexRecord.h"
#include "NTFSLib/CMFTInfo.h"
#include "NTFSLib/CMetaFileRecordTypeAnalyzer.h"
#include "NTFSLib/CNTFSDBR.h"
#include "NTFSLib/CNTFSFileRecord.h"
#include "NTFSLib/CNTFSFileRecordAnalyzer.h"
#include "NTFSLib/CNTFSMultiFileRecord.h"
#include "NTFSLib/CRCRDRecord.h"
#include "NTFSLib/CVolumeFileAnalyzer.h"
#include "NTFSLib/NTFSLayout.h"

namespace {
void ReadEveryAttribute(const CNTFSFileRecord& record) {
  for (const std::uint32_t offset : record.AttributeOffsets()) {
    const CNTFSFileRecordAttribute attribute(record.Bytes(), offset);
    if (!attribute.IsValid()) continue;
    attribute.GetNameUnits();
    attribute.GetContent();
    const CNTFSFileRecordFileNameAttribute name(attribute);
    name.GetFileName();
    name.GetParentMftNumber();
    const CNTFSFileRecordDataRunsAttribute runs(attribute);
    CNTFSDataRunList list;
    runs.GetDataRunList(list);
    runs.GetSectorsPerCluster();
    CNTFSFileRecordIndexRootAttribute(attribute).GetMFTFileRecordNumberfrom0x90();
  }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > (1u << 16)) return 0;
  const std::vector<std::uint8_t> original(data, data + size);
  const quellsy::ByteSpan bytes(original);

  CNTFSFileRecord::IsValid(bytes);
  const CNTFSFileRecord record(bytes);
  ReadEveryAttribute(record);
  CMetaFileRecordTypeAnalyzer::GetMetaFileRecordIndex(record);
  CMetaFileRecordTypeAnalyzer::IsValidMetaFileRecord(record);
  CVolumeFileAnalyzer::GetLabel(record);
  char label[8];
  CVolumeFileAnalyzer::GetLabel(record, label, sizeof label);
  CFolderFileRecordAnalyzer::IsValidFolderFileRecordHavingIndexAllocation(record);
  CNTFSDataRunList runs;
  std::int64_t realSize = 0;
  CNTFSFileRecordAnalyzer::AddDataRunListfromFileRecordBuffer(record, runs, true, realSize);
  CNTFSFileRecordAnalyzer::GetSectorsPerClusterfrom0x80(record);
  CMFTInfo().Build(record, 0);
  CCommonFileRecordInfo().Build(record, 0);

  // A borrowed buffer is fixed up in place and must be handed back as it was.
  std::vector<std::uint8_t> borrowed = original;
  { const CNTFSFileRecord inPlace(borrowed.data(), borrowed.size(), false); }
  if (borrowed != original) std::abort();

  CIndexRecord::IsValid(bytes);
  CIndexRecord::GetParentFileReference(bytes);
  CRCRDRecord::IsValid(bytes);
  CRestartPage::IsValidRestartRecord(bytes);
  CNTFSDBR::IsFullValidDBR(bytes);

  // The same bytes as a small volume: 4 KiB clusters, the $MFT in its first eight clusters.
  FuzzBytesDevice device(original, 512);
  NTFSVolumeGeometry geometry;
  geometry.sectorsPerCluster = 8;
  geometry.recordSize = record.IsValid() ? static_cast<std::uint32_t>(record.RecordSize()) : 1024;
  CNTFSDataRunList mft;
  mft.AddDataRun({0, 0, 8});
  auto extensions = CNTFSMultiFileRecord::InitExtendFileRecord(bytes, 0, device, geometry, mft);
  if (extensions.size() > quellsy::ntfs::kMaxAttributeListBytes) std::abort();
  CNTFSMultiFileRecord multi(bytes, 0, &device, geometry, mft, std::move(extensions));
  for (unsigned n = 0; n < 64; ++n)
    if (!multi.FindAttibute(0x30, n)) break;
  CNTFSMultiFileRecord::ParseAttributeList(bytes);
  return 0;
}
