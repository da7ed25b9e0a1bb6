#include "RAWSearch/Formats/Document/FilePDFAnalyser.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "RAWSearch/Framework/PdfEndWalk.h"
#include "RAWSearch/Framework/CRawFileInfo.h"
#include "RAWSearch/Framework/OffsetFetch.h"
#include "RAWSearch/Framework/PlainFileWindow.h"
#include "RAWSearch/Framework/RawSearchApi.h"

namespace {

constexpr std::string_view kPdfStart = "%PDF-";
constexpr std::string_view kPostScript = "%!PS-Adobe";
constexpr std::string_view kIllustrator = "Adobe Illustrator";
constexpr std::string_view kEps = " EPSF-";
constexpr std::string_view kEnd = "%%EOF";
// The file ends this far past the start of its end mark (the mark and a line break).
constexpr std::uint64_t kEndPastMark = FilePDFAnalyser::kClosingBytes;
// How far before a sector the end of the previous one is searched for a mark: the mark and CR LF.
constexpr std::uint64_t kMarkReach = kEndPastMark;

bool Contains(quellsy::ByteSpan bytes, std::string_view text) {
  return Apimemstr(bytes.data(), static_cast<int>(bytes.size()), reinterpret_cast<const unsigned char*>(text.data()),
                   static_cast<int>(text.size())) != nullptr;
}

// The offset of the first "%%EOF" in `bytes`, if any.
std::optional<std::size_t> FindEnd(quellsy::ByteSpan bytes) {
  const unsigned char* found =
      Apimemstr(bytes.data(), static_cast<int>(bytes.size()), reinterpret_cast<const unsigned char*>(kEnd.data()),
                static_cast<int>(kEnd.size()));
  if (!found) return std::nullopt;
  return static_cast<std::size_t>(found - bytes.data());
}

quellsy::ByteSpan UpToZero(quellsy::ByteSpan bytes) {
  const auto zero = std::find(bytes.begin(), bytes.end(), 0);
  return bytes.first(static_cast<std::size_t>(zero - bytes.begin()));
}

}  // namespace

bool FilePDFAnalyser::IsContainPdfKeyWords(const char* text) {
  if (!text) return false;
  static constexpr const char* kKeyWords[] = {" 0 obj",      "xref\r\n",      "xref\r",      "xref\n",
                                              "trailr\r\n",  "trailr\r",      "trailr\n",    "startxref\r\n",
                                              "startxref\r", "startxref\n"};
  return std::any_of(std::begin(kKeyWords), std::end(kKeyWords),
                     [text](const char* word) { return std::strstr(text, word) != nullptr; });
}

std::uint32_t FilePDFAnalyser::DocumentType(quellsy::ByteSpan bytes) {
  if (HasText(bytes, 0, kPdfStart)) return RAW_FILE_TYPE_PDF;
  if (HasText(bytes, 0, kPostScript) && Contains(bytes, kIllustrator) && !Contains(bytes, kEps))
    return RAW_FILE_TYPE_AI;
  return RAW_FILE_TYPE_NONE;
}

bool FilePDFAnalyser::ClosesWithEndMark(quellsy::ByteSpan data) {
  for (const std::string_view lineEnd : {"", "\r", "\n", "\r\n"}) {
    const std::size_t closing = kEnd.size() + lineEnd.size();
    if (data.size() >= closing && HasText(data, data.size() - closing, kEnd) &&
        HasText(data, data.size() - lineEnd.size(), lineEnd))
      return true;
  }
  return false;
}

std::size_t FilePDFAnalyser::DataLength(quellsy::ByteSpan sector) {
  const auto last = std::find_if(sector.rbegin(), sector.rend(), [](std::uint8_t b) { return b != 0; });
  return static_cast<std::size_t>(sector.rend() - last);
}

int FilePDFAnalyser::Test(quellsy::ByteSpan sector, CRawFileInfo& hit) {
  const std::uint32_t type = DocumentType(sector.first(std::min(sector.size(), kClaimAiBytes)));
  return type == RAW_FILE_TYPE_NONE ? 0 : Claim(hit, type, 0);
}

std::uint64_t FilePDFAnalyser::WalkToEnd(PlainFileWindow& window) {
  PdfEndWalk walk;
  WalkThroughWindow(window, walk, kSizeCap, PdfEndWalk::kLookBehind);
  return walk.End() != 0 ? walk.End() : walk.MarkEnd();
}

int FilePDFAnalyser::Measure(CRawFileInfo& hit, PlainFileWindow& window) {
  const unsigned sectorSize = window.SectorSize();
  if (sectorSize == 0) return 0;
  for (std::uint64_t k = 0; k < kAiSearchBytes; ++k) {
    const quellsy::ByteSpan from = window.At(k);
    if (from.empty()) return 0;
    if (HasText(from, 0, kPostScript) && Contains(UpToZero(from), kIllustrator)) {
      hit.m_uRawFileType = RAW_FILE_TYPE_AI;
      break;
    }
  }
  if (const std::uint64_t walked = WalkToEnd(window)) {
    hit.m_ullSize = walked;
    return 1;
  }
  // No end mark the walk can read: every sector from the first is looked at for one before a zero tail.
  std::uint64_t p = 0;
  std::uint64_t end = 0;
  for (; p <= kSizeCap; p += sectorSize) {
    const quellsy::ByteSpan sector = window.Bytes(p, sectorSize);
    if (sector.empty()) return 0;
    // Another document begins: this one ended before it.
    if (p != 0 && HasText(sector, 0, kPdfStart)) {
      end = p;
      break;
    }
    const quellsy::ByteSpan tail = sector.last(4);
    if (std::any_of(tail.begin(), tail.end(), [](std::uint8_t b) { return b != 0; })) continue;
    const std::uint64_t dataEnd = p + DataLength(sector);
    if (const auto mark = FindEnd(sector)) {
      end = p + *mark + kEndPastMark;
    } else if (p >= kMarkReach) {
      // A mark cut by the sector boundary, or closing the previous sector with its line break: the
      // file ends in this sector, or where the previous one ends.
      const quellsy::ByteSpan across = window.Bytes(p - kMarkReach, kMarkReach + kEnd.size());
      if (const auto cut = FindEnd(across)) end = std::max(p, p - kMarkReach + *cut + kEnd.size());
    }
    if (end == 0) continue;
    if (dataEnd >= kClosingBytes && ClosesWithEndMark(window.Bytes(dataEnd - kClosingBytes, kClosingBytes))) {
      hit.m_ullSize = dataEnd;
      return 1;
    }
    break;
  }
  hit.m_ullSize = RoundUpToSectors(end == 0 ? p : end, sectorSize);
  return 1;
}
