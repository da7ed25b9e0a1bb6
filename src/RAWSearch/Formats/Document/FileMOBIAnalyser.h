#pragma once
// Mobipocket e-books measured from their record table: the entry of the last record gives that record's
// offset, and the last record is the 4-byte end-of-file record.

#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"

namespace RawSpeed {

class FileMOBIAnalyser : public CPlainRawFileAnalyser {
 public:
  FileMOBIAnalyser() : CPlainRawFileAnalyser(RAW_FILE_TYPE_MOBI) {}

  // The database type and creator "BOOKMOBI" at offset 60, letters compared without case.
  static bool IsBook(quellsy::ByteSpan sector);
  // File offset of the record table's entry for the last of `records` records.
  static long long LastRecordEntry(std::uint32_t records);

 protected:
  int Test(quellsy::ByteSpan sector, CRawFileInfo& hit) override;
  int Measure(CRawFileInfo& hit, PlainFileWindow& window) override;
};

}  // namespace RawSpeed
