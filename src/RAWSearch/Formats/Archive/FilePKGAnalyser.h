#pragma once
// Installer packages: xar archives, measured by the data heap that their compressed table of contents
// describes, and the packages whose header states their length.

#include <cstdint>

#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"

class TiXmlElement;

class FilePKGAnalyser : public CPlainRawFileAnalyser {
 public:
  // Longer packages measure as their header and table of contents only.
  static constexpr std::uint64_t kSizeCap = 0x280000000;
  // A larger table of contents, packed or unpacked, is no package's.
  static constexpr std::uint64_t kTocCap = 0x300000;

  FilePKGAnalyser() : CPlainRawFileAnalyser(RAW_FILE_TYPE_PKG) {}

  // The length a 7F "PKG" header states, when the header is one and the length within the cap.
  static bool PkgSignFileSize(quellsy::ByteSpan header, std::uint64_t& size);

 protected:
  int Test(quellsy::ByteSpan sector, CRawFileInfo& hit) override;
  int Measure(CRawFileInfo& hit, PlainFileWindow& window) override;
};
