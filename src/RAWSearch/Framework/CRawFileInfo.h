#pragma once
// One signature-search hit: where a file starts, what it is, how long it is (0 while unknown), and
// what its content says about its name and label. Records that find their own end sector by sector
// override the three virtual operations.

#include <cstdint>
#include <string>

#include "RAWSearch/Framework/RawFileType.h"

class IRawFileAnalyser;

class CRawFileInfo {
 public:
  // What the search tells a record about the sector it is shown.
  struct SearchContext {
    // Sector number of the search buffer's first byte (the previous block's first sector; 0 for
    // the first block). The bytes from there up to the sector shown may be read behind it.
    long long llBufferFirstSector = 0;
    // First sector after the current block.
    long long llBlockEndSector = 0;
    // 4 when the sector's first 32-bit word is 0, else 0.
    std::uint32_t uLeadingZeroBytes = 0;
    // Zero bytes at the sector's end, in whole 32-bit words, at most 8 words: 0, 4, ..., 32.
    std::uint32_t uTrailingZeroBytes = 0;
    // The hit just made at this same sector, when it is not the record being asked.
    CRawFileInfo* pSameSectorHit = nullptr;
  };

  CRawFileInfo() = default;
  virtual ~CRawFileInfo() = default;
  CRawFileInfo(const CRawFileInfo&) = delete;
  CRawFileInfo& operator=(const CRawFileInfo&) = delete;

  // True for records that grow themselves: the search then calls CalcRawSize for every following
  // sector until it returns 1.
  virtual bool WhetherImplementGuess();
  // The record leaves the search's active records without a size: on eviction (with the current
  // sector), after CalcRawSize gave up, and at the end of the search (null, -1).
  virtual void WillBeRemove(unsigned char* sector, long long sectorNumber);
  // 1 when the record is finished (size final, or 0 when left unsized); anything else asks for the
  // next sector. `sector` points into the search buffer (see SearchContext for what lies behind it).
  virtual int CalcRawSize(unsigned char* sector, int sectorSize, long long sectorNumber, SearchContext& context);

  std::string GetRawFileName();
  void SetRawFileName(std::string name);
  const std::string& GetRawFileTime() const { return m_strTime; }
  void SetRawFileTime(std::string time) { m_strTime = std::move(time); }
  void SetRawFileTagAndValue(RAW_FILE_TAG tag, std::string value);
  void GetRawFileTagAndValue(RAW_FILE_TAG& tag, std::string& value) const;

  // Absolute sector on the searched device where the file starts.
  long long m_llStartSector = 0;
  // File size in bytes; 0 = still unknown. Growing records keep their running length here.
  std::uint64_t m_ullSize = 0;
  std::uint32_t m_uRawFileType = RAW_FILE_TYPE_NONE;
  // Type number of the analyser that made the hit.
  std::uint32_t m_uAnalyserType = 0xFFFF;
  // Sizes the hit; not owned. A record may switch it to a fallback analyser in WillBeRemove.
  IRawFileAnalyser* m_pAnalyser = nullptr;
  // The file runs past the end of the searched device: its size was cut to what the device holds.
  bool m_bIncomplete = false;

 private:
  std::string m_strName;
  std::string m_strTime;
  RAW_FILE_TAG m_uTag = RAW_FILE_TAG_NONE;
  std::string m_strTagValue;
};
