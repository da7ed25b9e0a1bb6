#pragma once
// The second base of analysers that need the block around a sector: the search calls AnalyseBufferEx
// instead of AnalyseBuffer for them, and any non-zero result claims the sector.

class CRawFileInfo;

class ISpecialRawFileAnalyser {
 public:
  virtual ~ISpecialRawFileAnalyser() = default;

  virtual int AnalyseBufferEx(unsigned char* data, CRawFileInfo& scratch, long long sectorSize, long long sector,
                              long long bufferFirstSector, long long blockEndSector) = 0;
};
