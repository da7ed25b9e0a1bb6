#pragma once
// A per-format analyser of the signature search. The search offers it sectors (AnalyseBuffer); on a
// claim it makes the hit record (CreateRawFileInfo) and later sizes hits still without a size
// (GetRawFileSize). Analysers may keep per-hit state between a claim and CreateRawFileInfo.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "RAWSearch/Framework/RawFileType.h"

class CRawFileInfo;
class ISpecialRawFileAnalyser;
class IStorageDevice;

class IRawFileAnalyser {
 public:
  explicit IRawFileAnalyser(std::uint32_t type) : m_uType(type) {}
  virtual ~IRawFileAnalyser() = default;
  IRawFileAnalyser(const IRawFileAnalyser&) = delete;
  IRawFileAnalyser& operator=(const IRawFileAnalyser&) = delete;

  // Sets info's size from the device (the ring of recent blocks during the search, the real device
  // at its end) and returns non-zero on success. Every family says how it sizes: no default.
  virtual int GetRawFileSize(CRawFileInfo& info, IStorageDevice* device) = 0;
  // `sector` points into the search buffer: the previous block lies before it, and 4096 zero bytes
  // follow the current block. To claim the sector, set scratch's type (and size when known) and
  // return 1.
  virtual int AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch);
  virtual std::string GetRawFileName();
  virtual std::string GetRawFileTime();
  // A new record for the hit just claimed; null drops the hit.
  virtual CRawFileInfo* CreateRawFileInfo();
  // The block-context interface of analysers that have it, else null.
  virtual ISpecialRawFileAnalyser* GetSpecialRawFile();

  // A 32-bit little-endian value that stands at `offset` of every sector the analyser claims (in the
  // bits of `mask`). Analysers without a leading key give one when they can, so the search offers them
  // only the sectors that hold it.
  struct Anchor {
    std::uint32_t offset;
    std::uint32_t value;
    // The bits of the word that must equal value's.
    std::uint32_t mask = 0xFFFFFFFFu;
  };
  virtual std::optional<Anchor> ClaimAnchor() const { return std::nullopt; }
  // Every sector the analyser claims holds one of these; analysers with several forms list them all.
  virtual std::vector<Anchor> ClaimAnchors() const {
    if (const std::optional<Anchor> anchor = ClaimAnchor()) return {*anchor};
    return {};
  }

  std::uint32_t GetType() const { return m_uType; }

 protected:
  // A RAW_FILE_TYPE, or kRawFileTypePerHit for analysers that set the type per hit.
  std::uint32_t m_uType;
};
