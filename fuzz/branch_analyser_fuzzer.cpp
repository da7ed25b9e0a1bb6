// The branch members on arbitrary content: the header test on the first sector, then the hit grown
// sector by sector (input layout and invariants in FuzzStreamingGrow.h).

#include <cstddef>
#include <cstdint>

#include "FuzzStreamingGrow.h"
#include "RAWSearch/Formats/Archive/DMGAnalyser.h"
#include "RAWSearch/Formats/Archive/LZHAnalyser.h"
#include "RAWSearch/Formats/Audio/OGGAnalyser.h"
#include "RAWSearch/Formats/Image/CRWAnalyser.h"
#include "RAWSearch/Formats/Image/SVGAnalyser.h"
#include "RAWSearch/Formats/Image/X3FAnalyser.h"
#include "RAWSearch/Formats/Video/FLVAnalyser.h"
#include "RAWSearch/Formats/Video/MPGAnalyser.h"
#include "RAWSearch/Formats/Video/RM_RMVBAnalyser.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::vector<FuzzStreamingMember> members = {
      FuzzStreamingOf<Brance::LZHAnalyser>(), FuzzStreamingOf<Brance::CRWAnalyser>(),
      FuzzStreamingOf<Brance::OGGAnalyser>(), FuzzStreamingOf<Brance::MPGAnalyser>(),
      FuzzStreamingOf<Brance::FLVAnalyser>(), FuzzStreamingOf<Brance::SVGAnalyser>(),
      FuzzStreamingOf<Brance::DMGAnalyser>(), FuzzStreamingOf<Brance::X3FAnalyser>(),
      FuzzStreamingOf<Brance::RM_RMVBAnalyser>()};
  return FuzzStreamingMembers(members, data, size);
}
