// The streaming members on arbitrary content: the header test on the first sector, then the hit grown
// sector by sector (input layout and invariants in FuzzStreamingGrow.h).

#include <cstddef>
#include <cstdint>

#include "FuzzStreamingGrow.h"
#include "RAWSearch/Formats/Archive/GZAnalyzer.h"
#include "RAWSearch/Formats/Audio/MIDAnalyser.h"
#include "RAWSearch/Formats/Document/CMDBAnalyser.h"
#include "RAWSearch/Formats/Document/DbxAnalyser.h"
#include "RAWSearch/Formats/Document/HTMLAnalyser.h"
#include "RAWSearch/Formats/Document/JKSAnalyser.h"
#include "RAWSearch/Formats/Document/NGRRAnalyser.h"
#include "RAWSearch/Formats/Document/PSAFE3Analyser.h"
#include "RAWSearch/Formats/Video/AEPAnalyser.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::vector<FuzzStreamingMember> members = {
      FuzzStreamingOf<RawSpeed::GZAnalyzer>(), FuzzStreamingOf<RawSpeed::HTMLAnalyser>(),
      FuzzStreamingOf<RawSpeed::MIDAnalyser>(), FuzzStreamingOf<RawSpeed::CMDBAnalyser>(),
      FuzzStreamingOf<RawSpeed::PSAFE3Analyser>(), FuzzStreamingOf<RawSpeed::JKSAnalyser>(),
      FuzzStreamingOf<RawSpeed::NGRRAnalyser>(), FuzzStreamingOf<RawSpeed::AEPAnalyser>(),
      FuzzStreamingOf<RawSpeed::DbxAnalyser>()};
  return FuzzStreamingMembers(members, data, size);
}
