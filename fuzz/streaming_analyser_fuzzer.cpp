// The streaming members on arbitrary content: the header test on the first sector, then the hit grown
// sector by sector (input layout and invariants in FuzzStreamingGrow.h).

#include <cstddef>
#include <cstdint>

#include "FuzzStreamingGrow.h"
#include "RAWSearch/Formats/Archive/GZAnalyzer.h"
#include "RAWSearch/Formats/Archive/RARAnalyser.h"
#include "RAWSearch/Formats/Archive/SITAnalyser.h"
#include "RAWSearch/Formats/Archive/TARAnalyser.h"
#include "RAWSearch/Formats/Audio/MIDAnalyser.h"
#include "RAWSearch/Formats/Audio/SIBAnalyser.h"
#include "RAWSearch/Formats/Document/CMDBAnalyser.h"
#include "RAWSearch/Formats/Document/DbxAnalyser.h"
#include "RAWSearch/Formats/Document/HTMLAnalyser.h"
#include "RAWSearch/Formats/Document/InddAnalyser.h"
#include "RAWSearch/Formats/Document/JKSAnalyser.h"
#include "RAWSearch/Formats/Document/MOBIAnalyser.h"
#include "RAWSearch/Formats/Document/NGRRAnalyser.h"
#include "RAWSearch/Formats/Document/ONEAnalyser.h"
#include "RAWSearch/Formats/Document/PSAFE3Analyser.h"
#include "RAWSearch/Formats/Document/RTFAnalyser.h"
#include "RAWSearch/Formats/Image/New3DSAnalyser.h"
#include "RAWSearch/Formats/Image/PNGAnalyser.h"
#include "RAWSearch/Formats/Image/PSDAnalyser.h"
#include "RAWSearch/Formats/Image/PSPAnalyser.h"
#include "RAWSearch/Formats/Image/WpgAnalyser.h"
#include "RAWSearch/Formats/Video/AEPAnalyser.h"
#include "RAWSearch/Formats/Video/MLvAnalyser.h"
#include "RAWSearch/Formats/Video/MxfAnalyser.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::vector<FuzzStreamingMember> members = {
      FuzzStreamingOf<RawSpeed::GZAnalyzer>(), FuzzStreamingOf<RawSpeed::HTMLAnalyser>(),
      FuzzStreamingOf<RawSpeed::MIDAnalyser>(), FuzzStreamingOf<RawSpeed::CMDBAnalyser>(),
      FuzzStreamingOf<RawSpeed::PSAFE3Analyser>(), FuzzStreamingOf<RawSpeed::JKSAnalyser>(),
      FuzzStreamingOf<RawSpeed::NGRRAnalyser>(), FuzzStreamingOf<RawSpeed::AEPAnalyser>(),
      FuzzStreamingOf<RawSpeed::DbxAnalyser>(), FuzzStreamingOf<RawSpeed::PNGAnalyser>(),
      FuzzStreamingOf<RawSpeed::TARAnalyser>(), FuzzStreamingOf<RawSpeed::RARAnalyser>(),
      FuzzStreamingOf<RawSpeed::RTFAnalyser>(), FuzzStreamingOf<RawSpeed::PSDAnalyser>(),
      FuzzStreamingOf<RawSpeed::PSPAnalyser>(), FuzzStreamingOf<RawSpeed::MOBIAnalyser>(),
      FuzzStreamingOf<RawSpeed::SIBAnalyser>(), FuzzStreamingOf<RawSpeed::WpgAnalyser>(),
      FuzzStreamingOf<RawSpeed::MxfAnalyser>(), FuzzStreamingOf<RawSpeed::SITAnalyser>(),
      FuzzStreamingOf<RawSpeed::InddAnalyser>(), FuzzStreamingOf<RawSpeed::MLvAnalyser>(),
      FuzzStreamingOf<RawSpeed::New3DSAnalyser>(), FuzzStreamingOf<RawSpeed::OneAnalyser>()};
  return FuzzStreamingMembers(members, data, size);
}
