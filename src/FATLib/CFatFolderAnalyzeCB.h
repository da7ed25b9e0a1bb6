#pragma once
// Told about each counted short entry while CFATFolderAnalyser walks a sector.

#include <cstdint>

class CFATFolderAnalyser;
class CTempFATDirEntry;

class CFatFolderAnalyzeCB {
 public:
  virtual ~CFatFolderAnalyzeCB() = default;
  // verdict: the analysis so far; index: the entry's position in the sector; bothDotsSeen: "." and ".."
  // have both been met.
  virtual void OnDirEntry(const CFATFolderAnalyser& verdict, const CTempFATDirEntry& entry, std::uint32_t marker,
                          std::uint32_t index, std::uint16_t bothDotsSeen, void* context) = 0;
};
