#include "RAWSearch/Formats/Video/Mp4Analyzer.h"

#include <array>
#include <memory>
#include <string_view>

#include "RAWSearch/Formats/Video/FileMP4Analyser.h"
#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"

namespace BruteForce {

namespace {

struct Brand {
  std::string_view text;
  std::uint32_t type;  // 0: MP4 or TREC, by the box after "ftyp"
};
constexpr std::array<Brand, 5> kBrands = {{{"ftypisom", 0},
                                           {"ftypmmp4", 0},
                                           {"ftypM4A", RAW_FILE_TYPE_M4A},
                                           {"ftypM4V", RAW_FILE_TYPE_M4V},
                                           {"ftypmp4", 0}}};

}  // namespace

Mp4Analyzer::Mp4Analyzer() : CBruteForceAnalyser(RAW_FILE_TYPE_MP4, std::make_unique<FileMP4Analyser>()) {}

IRawFileAnalyser* Mp4Analyzer::Create() { return new Mp4Analyzer(); }

int Mp4Analyzer::AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) {
  if (!sector) return 0;
  const quellsy::ByteSpan bytes(sector, CPlainRawFileAnalyser::kTestBytes);
  if (!CPlainRawFileAnalyser::HasText(bytes, 4, "ftyp")) return 0;
  for (const Brand& brand : kBrands) {
    if (!CPlainRawFileAnalyser::HasText(bytes, 4, brand.text, true)) continue;
    scratch.m_uRawFileType = brand.type != 0 ? brand.type : MovAnalyzer::Mp4OrTrec(bytes);
    return 1;
  }
  return 0;
}

CRawFileInfo* Mp4Analyzer::CreateRawFileInfo() { return new MovAnalyzer::MovRawFileInfo(GetType(), Fallback()); }

}  // namespace BruteForce
