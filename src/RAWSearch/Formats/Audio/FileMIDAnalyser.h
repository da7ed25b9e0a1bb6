#pragma once
// Standard MIDI files: measured by walking the track chunks.

#include <cstdint>
#include <optional>

#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"

class FileMIDAnalyser : public CPlainRawFileAnalyser {
 public:
  // A track walk that would pass this ends the file here.
  static constexpr std::uint64_t kSizeCap = 0xD000000;

  // Offset of the header's track count, which the walk must meet for an end to the byte.
  static constexpr std::uint64_t kTrackCountAt = 10;

  FileMIDAnalyser() : CPlainRawFileAnalyser(RAW_FILE_TYPE_MID) {}

  // The file's end once the walk of `walked` tracks stops at `walkEnd`: the walk's end when the header
  // `stated` that many tracks, otherwise (other chunks, a lost track) in whole sectors.
  static std::uint64_t WalkedEnd(std::uint64_t walkEnd, unsigned walked, std::optional<std::uint16_t> stated,
                                 unsigned sectorSize);

 protected:
  int Test(quellsy::ByteSpan sector, CRawFileInfo& hit) override;
  int Measure(CRawFileInfo& hit, PlainFileWindow& window) override;
};
