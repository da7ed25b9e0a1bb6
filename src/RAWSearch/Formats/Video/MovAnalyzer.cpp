#include "RAWSearch/Formats/Video/MovAnalyzer.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"

namespace BruteForce {

namespace {

constexpr std::size_t kFtypAt = 4;
constexpr std::uint32_t kSmallestFtyp = 16;
// Bigger "ftyp" boxes are left to the MP4 and 3GP analysers.
constexpr std::uint32_t kLargestFtyp = 83;
// Compatible brands are looked at only in boxes shorter than this.
constexpr std::uint32_t kBrandListLimit = 336;

// The brands the MP4 and 3GP analysers claim when the table knows them in no case of letters.
constexpr std::array<std::string_view, 8> kClaimedElsewhere = {"ftypisom", "ftyp3gp4", "ftyp3g2a", "ftypmmp4",
                                                               "ftypM4A ", "ftypM4V ", "ftypmp41", "ftypmp42"};

bool StartsWith(std::string_view text, std::string_view head) { return text.substr(0, head.size()) == head; }

// The compatible brands of a small "ftyp" box decide between M4A, M4V and MP4.
std::uint32_t ByCompatibleBrands(quellsy::ByteSpan box, quellsy::ByteSpan sector, std::uint32_t otherwise) {
  std::string_view brands;
  if (box.size() > 16) brands = {reinterpret_cast<const char*>(box.data()) + 16, box.size() - 16};
  brands = brands.substr(0, brands.find('\0'));
  if (brands.find("M4A") != std::string_view::npos) return RAW_FILE_TYPE_M4A;
  if (brands.find("M4V") != std::string_view::npos) return RAW_FILE_TYPE_M4V;
  if (brands.find("avc1") != std::string_view::npos) return MovAnalyzer::Mp4OrTrec(sector);
  if (brands.find("mp41") != std::string_view::npos)
    return brands == "mp41" ? RAW_FILE_TYPE_M4A : MovAnalyzer::Mp4OrTrec(sector);
  return otherwise == RAW_FILE_TYPE_MP4 ? MovAnalyzer::Mp4OrTrec(sector) : otherwise;
}

}  // namespace

MovAnalyzer::MovAnalyzer() : MovAnalyzer(RAW_FILE_TYPE_MOV, nullptr) {}

MovAnalyzer::MovAnalyzer(std::uint32_t type, std::unique_ptr<IRawFileAnalyser> fallback)
    : CBruteForceAnalyser(type, std::move(fallback)) {}

IRawFileAnalyser* MovAnalyzer::Create() { return new MovAnalyzer(); }

std::uint32_t MovAnalyzer::Mp4OrTrec(quellsy::ByteSpan sector) {
  return CPlainRawFileAnalyser::HasText(sector, 28, "free", true) ? RAW_FILE_TYPE_TREC : RAW_FILE_TYPE_MP4;
}

std::uint32_t MovAnalyzer::getTypeByMajorBrand(quellsy::ByteSpan box) {
  if (box.size() < 12) return RAW_FILE_TYPE_NONE;
  const std::uint32_t size = quellsy::be32(box, 0).value_or(0);
  const quellsy::ByteSpan sector = box;
  box = box.first(std::min<std::size_t>(box.size(), size));
  const std::string_view brand(reinterpret_cast<const char*>(sector.data()) + 8, 4);
  const auto is = [&brand](std::string_view head) { return StartsWith(brand, head); };

  if (is("3g2") || is("3ge") || is("3gp") || is("3gs") || is("KDDI")) return RAW_FILE_TYPE_3GP;
  if (is("M4A")) return RAW_FILE_TYPE_M4A;
  if (is("M4V")) return RAW_FILE_TYPE_M4V;
  if (is("F4A") || is("F4B") || is("F4P") || is("F4V") || is("MSNV") || is("NDA") || is("avc1") || is("msnv") ||
      is("mmp4"))
    return Mp4OrTrec(sector);
  if ((is("NDS") || is("NDX")) && std::string_view("CHMPS").find(brand[3]) != std::string_view::npos)
    return Mp4OrTrec(sector);
  if (is("qt ")) return RAW_FILE_TYPE_MOV;
  const bool iso = brand == "iso2" || brand == "isom";
  if (!iso && !is("mp4")) return RAW_FILE_TYPE_NONE;
  const std::uint32_t otherwise = iso ? RAW_FILE_TYPE_MOV : RAW_FILE_TYPE_MP4;
  if (size >= kBrandListLimit) return otherwise == RAW_FILE_TYPE_MP4 ? Mp4OrTrec(sector) : otherwise;
  return ByCompatibleBrands(box, sector, otherwise);
}

int MovAnalyzer::AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) {
  if (!sector) return 0;
  const quellsy::ByteSpan bytes(sector, CPlainRawFileAnalyser::kTestBytes);
  if (!CPlainRawFileAnalyser::HasText(bytes, kFtypAt, "ftyp")) return 0;
  const std::uint32_t size = *quellsy::be32(bytes, 0);
  if (size < kSmallestFtyp || size > kLargestFtyp) return 0;
  std::uint32_t type = getTypeByMajorBrand(bytes);
  if (type == RAW_FILE_TYPE_NONE) {
    for (std::string_view claimed : kClaimedElsewhere)
      if (CPlainRawFileAnalyser::HasText(bytes, kFtypAt, claimed, true)) return 0;
    type = RAW_FILE_TYPE_MOV;
  }
  scratch.m_uRawFileType = type;
  return 1;
}

CRawFileInfo* MovAnalyzer::CreateRawFileInfo() { return new MovRawFileInfo(GetType(), Fallback()); }

std::optional<IRawFileAnalyser::Anchor> MovAnalyzer::ClaimAnchor() const {
  return Anchor{kFtypAt, *quellsy::le32(quellsy::ByteSpan(reinterpret_cast<const std::uint8_t*>("ftyp"), 4), 0)};
}

}  // namespace BruteForce
