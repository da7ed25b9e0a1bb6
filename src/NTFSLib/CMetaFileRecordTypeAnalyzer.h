#pragma once
// Which meta file a FILE record is: the fifteen system files by MFT number and name.

#include <cstdint>
#include <string_view>

#include "Utility/ByteReader.h"

class CNTFSFileRecord;

struct NTFSMetaFile {
  std::uint32_t mftNumber;
  std::u16string_view name;
};

class CMetaFileRecordTypeAnalyzer {
 public:
  static constexpr std::uint32_t kNotMetaFile = 0xFFFFFFFF;

  // The fifteen meta files in MFT-number order.
  static const NTFSMetaFile* MetaFiles(std::size_t& count);

  // MFT number of a valid base record whose first file name is a meta file's, else kNotMetaFile.
  static std::uint32_t GetMetaFileRecordIndex(const CNTFSFileRecord& record);
  // A meta file's record that is also hidden and system.
  static bool IsValidMetaFileRecord(const CNTFSFileRecord& record);
  // A valid record, hidden and system, whose first file name is name.
  static bool IsMetaFile(const CNTFSFileRecord& record, std::u16string_view name);

  static bool IsVolumeFileRecord(const CNTFSFileRecord& r) { return IsMetaFile(r, u"$Volume"); }
  static bool IsMFTFileRecord(const CNTFSFileRecord& r) { return IsMetaFile(r, u"$MFT"); }
  static bool IsMFTMirrFileRecord(const CNTFSFileRecord& r) { return IsMetaFile(r, u"$MFTMirr"); }
  static bool IsLogFileRecord(const CNTFSFileRecord& r) { return IsMetaFile(r, u"$LogFile"); }
  static bool IsBitmapFileRecord(const CNTFSFileRecord& r) { return IsMetaFile(r, u"$Bitmap"); }
  static bool IsAttrDefFileRecord(const CNTFSFileRecord& r) { return IsMetaFile(r, u"$AttrDef"); }
  static bool IsUpCaseFileRecord(const CNTFSFileRecord& r) { return IsMetaFile(r, u"$UpCase"); }
};

class CIsMetaFileRecord {
 public:
  // Buffers below 1024 bytes are refused; otherwise IsValidMetaFileRecord.
  static bool IsMetaFileRecord(quellsy::ByteSpan buffer);
  // The same for a record already fixed up.
  static bool IsMetaFileRecord(const CNTFSFileRecord& record);
};
