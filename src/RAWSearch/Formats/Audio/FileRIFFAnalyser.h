#pragma once
// RIFF files (WAV, AVI, animated cursors, Corel formats): typed by their form and first chunk; the RIFF chunk states the length, exact when
// the form's chunks reach it and in whole sectors otherwise.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"

class FileRIFFAnalyser : public CPlainRawFileAnalyser {
 public:
  // The RIFF chunk's 32-bit length and its 8-byte header, in whole sectors.
  static constexpr std::uint64_t kSizeCap = 0x100001000;

  FileRIFFAnalyser() : CPlainRawFileAnalyser(RAW_FILE_TYPE_RIFF) {}

  // The file type of a RIFF header by its form and first chunk; RIFF when neither is known.
  static std::uint32_t FormType(quellsy::ByteSpan header);
  // The 4-letter sign at `offset` against `sign`, ASCII letters folded to lower case on both sides; a zero
  // byte ends the comparison unmatched.
  static bool CompareSignString(quellsy::ByteSpan bytes, std::size_t offset, std::string_view sign);

 protected:
  int Test(quellsy::ByteSpan sector, CRawFileInfo& hit) override;
  int Measure(CRawFileInfo& hit, PlainFileWindow& window) override;

 private:
  static bool Pair(quellsy::ByteSpan header, std::string_view form, std::string_view chunk);
  static bool ChunksReach(PlainFileWindow& window, std::uint64_t end);
};
