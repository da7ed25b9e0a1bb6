#include "RAWSearch/Formats/Video/FileMP4Analyser.h"

#include <array>
#include <string_view>

#include "RAWSearch/Framework/CRawBoxFileAnalyser.h"
#include "RAWSearch/Framework/CRawFileInfo.h"
#include "RAWSearch/Framework/PlainFileWindow.h"

namespace {

struct Brand {
  std::string_view text;
  RAW_FILE_TYPE type;
};
constexpr std::array<Brand, 5> kBrands = {{{"ftypisom", RAW_FILE_TYPE_MP4},
                                           {"ftypmp41", RAW_FILE_TYPE_MP4},
                                           {"ftypmp42", RAW_FILE_TYPE_MP4},
                                           {"ftypM4A ", RAW_FILE_TYPE_M4A},
                                           {"ftypM4V ", RAW_FILE_TYPE_M4V}}};

}  // namespace

int FileMP4Analyser::Test(quellsy::ByteSpan sector, CRawFileInfo& hit) {
  if (!HasText(sector, 4, "ftyp")) return 0;
  for (const Brand& brand : kBrands)
    if (HasText(sector, 4, brand.text, true)) return Claim(hit, brand.type, 0);
  return 0;
}

int FileMP4Analyser::Measure(CRawFileInfo& hit, PlainFileWindow& window) {
  return CRawBoxFileAnalyser::GetFileSize(hit, window.Device()) ? 1 : 0;
}
