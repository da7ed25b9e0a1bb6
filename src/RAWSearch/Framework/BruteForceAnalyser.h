#pragma once
// The frame of the analysers that grow each hit sector by sector while the search streams past,
// finding the file's end without a second pass over the device. Each member pairs an analyser with a
// hit record nested in it; the analyser owns a plain analyser of the same format as its fallback, and
// a record that leaves the growing set without an end hands itself to that fallback, which then sizes
// it from the device.

#include <cstdint>
#include <memory>

#include "RAWSearch/Framework/CRawFileInfo.h"
#include "RAWSearch/Framework/IRawFileAnalyser.h"

namespace BruteForce {

class CBruteForceAnalyser : public IRawFileAnalyser {
 public:
  // `fallback` may be null for members without a plain counterpart.
  CBruteForceAnalyser(std::uint32_t type, std::unique_ptr<IRawFileAnalyser> fallback);

  // The family never sizes from the device itself: 0, nothing changed.
  int GetRawFileSize(CRawFileInfo& info, IStorageDevice* device) final;

  IRawFileAnalyser* Fallback() const { return m_pFallback.get(); }

 private:
  std::unique_ptr<IRawFileAnalyser> m_pFallback;
};

class CBruteForceRawFileInfo : public CRawFileInfo {
 public:
  // The record's type is the member's; `fallback` (not owned, may be null) sizes it after removal.
  CBruteForceRawFileInfo(std::uint32_t type, IRawFileAnalyser* fallback);

  bool WhetherImplementGuess() final { return true; }
  // Puts the fallback in place of the analyser; a member with a closing step of its own overrides
  // this and calls it last.
  void WillBeRemove(unsigned char* sector, long long sectorNumber) override;
  // Names the record "start-end_" by its start sector and the sector it ended in.
  void SetStemName(long long endSector);

 protected:
  IRawFileAnalyser* Fallback() const { return m_pFallback; }

 private:
  IRawFileAnalyser* m_pFallback;
};

}  // namespace BruteForce
