// The branch members on arbitrary content: the header test on the first sector, then the hit grown
// sector by sector (input layout and invariants in FuzzStreamingGrow.h).

#include <cstddef>
#include <cstdint>

#include "FuzzStreamingGrow.h"
#include "RAWSearch/Formats/Archive/LZHAnalyser.h"
#include "RAWSearch/Formats/Image/CRWAnalyser.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::vector<FuzzStreamingMember> members = {FuzzStreamingOf<Brance::LZHAnalyser>(),
                                                           FuzzStreamingOf<Brance::CRWAnalyser>()};
  return FuzzStreamingMembers(members, data, size);
}
