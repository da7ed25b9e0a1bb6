#include "NTFSLib/CMetaFileRecordTypeAnalyzer.h"

#include <array>
#include <string>

#include "NTFSLib/CNTFSFileRecord.h"
#include "NTFSLib/NTFSLayout.h"

namespace {
constexpr std::array<NTFSMetaFile, 15> kMetaFiles{{
    {0, u"$MFT"},     {1, u"$MFTMirr"}, {2, u"$LogFile"}, {3, u"$Volume"}, {4, u"$AttrDef"},
    {5, u"."},        {6, u"$Bitmap"},  {7, u"$Boot"},    {8, u"$BadClus"}, {9, u"$Secure"},
    {10, u"$UpCase"}, {11, u"$Extend"}, {32, u"$Quota"},  {33, u"$ObjId"}, {34, u"$Reparse"},
}};

bool FirstNameIs(const CNTFSFileRecord& record, std::u16string_view name) {
  const CNTFSFileRecordFileNameAttribute fileName(record.FindAttibute(quellsy::ntfs::kFileName, 0));
  if (!fileName.IsValid()) return false;
  const auto units = fileName.GetFileNameUnits();
  return std::u16string(units.begin(), units.end()) == name;
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
  for (const NTFSMetaFile& meta : kMetaFiles)
    if (FirstNameIs(record, meta.name)) return meta.mftNumber;
  return kNotMetaFile;
}

bool CMetaFileRecordTypeAnalyzer::IsValidMetaFileRecord(const CNTFSFileRecord& record) {
  return GetMetaFileRecordIndex(record) != kNotMetaFile && HiddenAndSystem(record);
}

bool CMetaFileRecordTypeAnalyzer::IsMetaFile(const CNTFSFileRecord& record, std::u16string_view name) {
  return record.IsValid() && HiddenAndSystem(record) && FirstNameIs(record, name);
}

bool CIsMetaFileRecord::IsMetaFileRecord(quellsy::ByteSpan buffer) {
  if (buffer.size() < quellsy::ntfs::kMinRecordSize) return false;
  const CNTFSFileRecord record(buffer);
  return CMetaFileRecordTypeAnalyzer::IsValidMetaFileRecord(record);
}
