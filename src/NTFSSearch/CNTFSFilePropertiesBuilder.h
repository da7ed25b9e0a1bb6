#pragma once
// Turns a file's records into its properties: name and parent from the file names, times and DOS bits from the
// standard information, size and extents from the unnamed data attributes.

#include <cstdint>

class CNTFSFileProperties;
class CNTFSMultiFileRecord;

class CNTFSFilePropertiesBuilder {
 public:
  // New properties, or null when the file's records are invalid or carry no usable name. parentMFTNumber gets the
  // parent folder's MFT number when one is known (left alone otherwise).
  static CNTFSFileProperties* BuildFileProperties(std::int64_t recordSector, CNTFSMultiFileRecord& multiRecord,
                                                  std::uint32_t bytesPerCluster, std::int64_t& parentMFTNumber);
  // A negative size of a non-resident file becomes the bytes of all its clusters.
  static void AdjustFileSizeAccordinttoDataRunsWhenFileSizeLessThanZero(CNTFSFileProperties& properties,
                                                                       std::uint32_t sectorsPerCluster);
};

class CIsMetaFileRecordNumber {
 public:
  // The MFT numbers below 24 belong to the meta files and the records reserved for them.
  static bool IsMetaFileRecord(std::int64_t mftNumber) { return mftNumber >= 0 && mftNumber < 24; }
};
