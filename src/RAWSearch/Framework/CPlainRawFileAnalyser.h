#pragma once
// The frame of the plain analysers: one class per format that tests a sector's leading bytes and,
// when the header does not give the file's length, measures the file afterwards by re-reading the
// device from the file's first sector. Plain analysers keep no per-hit state; their hits are plain
// CRawFileInfo records.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "RAWSearch/Framework/IRawFileAnalyser.h"
#include "Utility/ByteReader.h"

class PlainFileWindow;

class CPlainRawFileAnalyser : public IRawFileAnalyser {
 public:
  // What a test may read from a sector's first byte: the smallest sector the search accepts. The
  // search buffer always holds at least this much behind every sector it offers.
  static constexpr std::size_t kTestBytes = 512;

  using IRawFileAnalyser::IRawFileAnalyser;

  // Refuses a null sector; otherwise the member's Test over the sector's first kTestBytes bytes.
  int AnalyseBuffer(unsigned char* sector, CRawFileInfo& hit) final;
  // Opens the read window at the hit's start sector and hands it to the member's Measure. Reads fail
  // without a device, so a null one measures nothing.
  int GetRawFileSize(CRawFileInfo& hit, IStorageDevice* device) final;

  // True when `text` stands at `offset` of `bytes`; ASCII letters compared without case when asked.
  static bool HasText(quellsy::ByteSpan bytes, std::size_t offset, std::string_view text, bool ignoreCase = false);
  // A size that is not a multiple of the sector size grows to the next multiple.
  static std::uint64_t RoundUpToSectors(std::uint64_t size, unsigned sectorSize);

 protected:
  // 1 when the sector starts a file of the member's format (after setting the hit's type and, when
  // the header tells it, its size), else 0.
  virtual int Test(quellsy::ByteSpan sector, CRawFileInfo& hit) = 0;
  // Sets the hit's size and returns 1, or returns 0 leaving the size when the file's structure cannot
  // be read again. Members whose test gives the size derive from CHeaderSizedRawFileAnalyser.
  virtual int Measure(CRawFileInfo& hit, PlainFileWindow& window) = 0;

  // Sets the hit's type and size (0 = still to be measured) and returns 1.
  static int Claim(CRawFileInfo& hit, std::uint32_t type, std::uint64_t size);
  int Claim(CRawFileInfo& hit, std::uint64_t size) const { return Claim(hit, m_uType, size); }
};

// The plain analysers whose header test already gives the file's size: measuring keeps that size.
class CHeaderSizedRawFileAnalyser : public CPlainRawFileAnalyser {
 public:
  using CPlainRawFileAnalyser::CPlainRawFileAnalyser;

 protected:
  int Measure(CRawFileInfo& hit, PlainFileWindow& window) final;
};
