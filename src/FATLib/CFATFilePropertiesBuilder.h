#pragma once
// Turns the raw entries of one file (its long-name entries, then its short entry) into a properties record.

#include <memory>
#include <string>

#include "FATLib/CFATFileProperties.h"
#include "Utility/ByteReader.h"

class CTempFATDirEntry;

class CFATFilePropertiesBuilder {
 public:
  // Walks the entries in 32-byte steps up to the first short entry. The name is the gathered long name when
  // it is valid (and, for an entry still in use, carries the short name's checksum), else the 8.3 name. Null
  // when there is no short entry or the long name is too long.
  static std::unique_ptr<CFATFileProperties> BuildFATFilePropertyFromDirEntryBuffer(
      quellsy::MutableByteSpan entries);
  // Name, size, attribute, the three times and the deleted state of one short entry. The first clusters and
  // the metadata sector are the caller's to set.
  static std::unique_ptr<CFATFileProperties> BuildFATFilePropertyFromDirEntry(const std::string& name,
                                                                              const CTempFATDirEntry& entry);
  // The 8.3 name with the lower-case flags of byte 12 applied (base 0x08, extension 0x10), as systems that
  // write them show the name.
  static std::string ShortName(const CTempFATDirEntry& entry);
};
