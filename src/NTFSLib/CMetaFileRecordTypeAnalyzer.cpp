#include "NTFSLib/CMetaFileRecordTypeAnalyzer.h"

#include <array>
#include <optional>
#include <string>

#include "NTFSLib/CNTFSFileRecord.h"
#include "NTFSLib/NTFSLayout.h"

namespace {
constexpr std::array<NTFSMetaFile, 15> kMetaFiles{{
    {0, u"$MFT"},     {1, u"$MFTMirr"}, {2, u"$LogFile"}, {3, u"$Volume"}, {4, u"$AttrDef"},
    {5, u"."},        {6, u"$Bitmap"},  {7, u"$Boot"},    {8, u"$BadClus"}, {9, u"$Secure"},
    {10, u"$UpCase"}, {11, u"$Extend"}, {32, u"$Quota"},  {33, u"$ObjId"}, {34, u"$Reparse"},
}};

// Where a file name attribute's name units start.
constexpr std::size_t kFileNameUnitsAt = 0x5A;

// The units of a file name attribute equal the name: compared in place.
bool NameIs(const CNTFSFileRecordFileNameAttribute& fileName, std::u16string_view name) {
  if (!fileName.IsValid() || fileName.GetFileNameLength() != name.size()) return false;
  const quellsy::ByteSpan bytes = fileName.Bytes();
  for (std::size_t i = 0; i < name.size(); ++i)
    if (quellsy::le16(bytes, kFileNameUnitsAt + 2 * i) != std::optional<std::uint16_t>(name[i])) return false;
  return true;
}

bool FirstNameIs(const CNTFSFileRecord& record, std::u16string_view name) {
  return NameIs(CNTFSFileRecordFileNameAttribute(record.FindAttibute(quellsy::ntfs::kFileName, 0)), name);
}

bool HiddenAndSystem(const CNTFSFileRecord& record) {
  const CNTFSFileRecordStandardInformationAttribute info(
      record.FindAttibute(quellsy::ntfs::kStandardInformation, 0));
  return info.IsValid() && info.IsHiddenAndSystem();
}
}  // namespace

const NTFSMetaFile* CMetaFileRecordTypeAnalyzer::MetaFiles(std::size_t& count) {
  count = kMetaFiles.size();
  return kMetaFiles.data();
}

std::uint32_t CMetaFileRecordTypeAnalyzer::GetMetaFileRecordIndex(const CNTFSFileRecord& record) {
  if (!record.IsValid() || record.IsExtendFileRecord()) return kNotMetaFile;
  const CNTFSFileRecordFileNameAttribute fileName(record.FindAttibute(quellsy::ntfs::kFileName, 0));
  for (const NTFSMetaFile& meta : kMetaFiles)
    if (NameIs(fileName, meta.name)) return meta.mftNumber;
  return kNotMetaFile;
}

bool CMetaFileRecordTypeAnalyzer::IsValidMetaFileRecord(const CNTFSFileRecord& record) {
  // The cheaper test first: few records are hidden system files.
  return HiddenAndSystem(record) && GetMetaFileRecordIndex(record) != kNotMetaFile;
}

bool CMetaFileRecordTypeAnalyzer::IsMetaFile(const CNTFSFileRecord& record, std::u16string_view name) {
  return record.IsValid() && HiddenAndSystem(record) && FirstNameIs(record, name);
}

bool CIsMetaFileRecord::IsMetaFileRecord(quellsy::ByteSpan buffer) {
  if (buffer.size() < quellsy::ntfs::kMinRecordSize) return false;
  const CNTFSFileRecord record(buffer);
  return IsMetaFileRecord(record);
}

bool CIsMetaFileRecord::IsMetaFileRecord(const CNTFSFileRecord& record) {
  return CMetaFileRecordTypeAnalyzer::IsValidMetaFileRecord(record);
}
