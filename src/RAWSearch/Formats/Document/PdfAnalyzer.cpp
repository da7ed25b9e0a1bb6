#include "RAWSearch/Formats/Document/PdfAnalyzer.h"

#include <algorithm>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "RAWSearch/Formats/Document/FilePDFAnalyser.h"
#include "RAWSearch/Framework/PdfEndWalk.h"
#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"
#include "RAWSearch/Framework/OffsetFetch.h"
#include "RAWSearch/Framework/RawSearchApi.h"
#include "RAWSearch/Framework/RawUtility.h"

namespace BruteForce {

namespace {

constexpr unsigned char kEndMark[] = {'%', '%', 'E', 'O', 'F'};
constexpr int kEndMarkLength = sizeof kEndMark;
constexpr std::uint32_t kFullZeroTail = 32;
// With a full zero tail the mark is looked for from this far before the sector's end back to this
// far before the sector's start.
constexpr int kFullTailBack = 44;
constexpr int kLookBehind = 16;

bool Contains(const unsigned char* data, int length, std::string_view text) {
  return Apimemstr(data, length, reinterpret_cast<const unsigned char*>(text.data()), static_cast<int>(text.size())) !=
         nullptr;
}

}  // namespace

PdfAnalyzer::PdfAnalyzer() : CBruteForceAnalyser(RAW_FILE_TYPE_PDF, std::make_unique<FilePDFAnalyser>()) {}

IRawFileAnalyser* PdfAnalyzer::Create() { return new PdfAnalyzer(); }

int PdfAnalyzer::AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) {
  if (!sector) return 0;
  const std::uint32_t type = FilePDFAnalyser::DocumentType({sector, CPlainRawFileAnalyser::kTestBytes});
  if (type == RAW_FILE_TYPE_NONE) return 0;
  scratch.m_uRawFileType = type;
  return 1;
}

CRawFileInfo* PdfAnalyzer::CreateRawFileInfo() { return new PdfRawFileInfo(Fallback()); }

PdfAnalyzer::PdfRawFileInfo::PdfRawFileInfo(IRawFileAnalyser* fallback)
    : CBruteForceRawFileInfo(RAW_FILE_TYPE_PDF, fallback) {}

int PdfAnalyzer::PdfRawFileInfo::CalcRawSize(unsigned char* sector, int sectorSize, long long sectorNumber,
                                             SearchContext& context) {
  if (!sector || sectorSize < 64 || sectorNumber < m_llStartSector) return 1;
  const long long offset = (sectorNumber - m_llStartSector) * sectorSize;
  // The search holds the sector after this one too unless this is the block's last.
  const bool more = context.llBlockEndSector - sectorNumber > 1;
  if (m_bMetadataPending && m_titleAnalyzer.ObtainPerSecPDFInformation(sector, sectorSize, more, m_information)) {
    if (m_information[FileProperty::kAuthor].find("Illustrator") != std::string::npos)
      m_uRawFileType = RAW_FILE_TYPE_AI;
    m_bMetadataPending = false;
  }
  if (m_bAiPending) {
    JudgeAI(sector, std::min(more ? 2 * sectorSize : sectorSize, kAiBytes));
    m_bAiPending = false;
  }
  if (offset > kCap) return EndOrHandOver(sectorNumber);
  // Another document begins: this one ended before it.
  if (offset > 0 && CPlainRawFileAnalyser::HasText({sector, 8}, 0, "%PDF-")) return EndOrHandOver(sectorNumber);

  // The walk reads everything the search holds of the file, from the block before this one on.
  const HeldFile held = HeldBytesOf(sector, sectorSize, m_llStartSector, sectorNumber, context);
  m_walk.Advance(held.bytes, held.first);
  if (m_walk.GetState() == PdfEndWalk::State::kDone) {
    // The document information is read from every sector of the file: the end's own sector finishes it.
    const std::uint64_t end = m_walk.End() != 0 ? m_walk.End() : m_walk.MarkEnd();
    if (end > static_cast<std::uint64_t>(offset + sectorSize)) return 2;
    return EndOrHandOver(sectorNumber);
  }
  // An end mark was found: what follows it is still being read.
  if (m_walk.MarkEnd() != 0) return 2;

  // No end mark the walk can read: the zero-tail rule.
  if (context.uTrailingZeroBytes < 4) return 2;
  if (!HasEndMark(sector, sectorSize, sectorNumber, context)) return 2;
  // A file that ends this early is measured from the device rather than grown on into what follows.
  if (offset < kMinSize) return HandOver();
  Name(sectorNumber);
  m_ullSize = static_cast<std::uint64_t>(ClosingEnd(sector, sectorSize, sectorNumber, offset, context));
  return 1;
}

int PdfAnalyzer::PdfRawFileInfo::EndOrHandOver(long long sectorNumber) {
  const std::uint64_t end = m_walk.End() != 0 ? m_walk.End() : m_walk.MarkEnd();
  // A file that ends this early is measured from the device rather than grown on into what follows.
  if (end < static_cast<std::uint64_t>(kMinSize)) return HandOver();
  Name(sectorNumber);
  m_ullSize = end;
  return 1;
}

void PdfAnalyzer::PdfRawFileInfo::Name(long long sectorNumber) {
  PdfTagDealwith(m_information);
  if (GetRawFileName().empty()) SetStemName(sectorNumber);
}

bool PdfAnalyzer::PdfRawFileInfo::HasEndMark(const unsigned char* sector, int sectorSize, long long sectorNumber,
                                             const SearchContext& context) const {
  const auto zeroTail = static_cast<int>(std::min<std::uint32_t>(context.uTrailingZeroBytes, kFullZeroTail));
  if (context.uTrailingZeroBytes < kFullZeroTail)
    return RawUtility::FindMagicInBuffer(sector, sectorSize, zeroTail - 4, kEndMark, kEndMarkLength) != 0;
  // A mark may reach back into the previous sector when the search still holds it.
  const int behind = sectorNumber > context.llBufferFirstSector && sectorNumber > m_llStartSector ? kLookBehind : 0;
  return RawUtility::FindMagicInBuffer(sector - behind, sectorSize + behind, kFullTailBack, kEndMark, kEndMarkLength) !=
         0;
}

long long PdfAnalyzer::PdfRawFileInfo::ClosingEnd(const unsigned char* sector, int sectorSize, long long sectorNumber,
                                                  long long offset, const SearchContext& context) const {
  const auto size = static_cast<std::size_t>(sectorSize);
  const std::size_t data = FilePDFAnalyser::DataLength({sector, size});
  // The closing mark may start in the previous sector when the search still holds it.
  const std::size_t behind = sectorNumber > context.llBufferFirstSector && sectorNumber > m_llStartSector
                                 ? std::min(FilePDFAnalyser::kClosingBytes, size)
                                 : 0;
  const std::size_t reach = std::min(data + behind, FilePDFAnalyser::kClosingBytes);
  if (FilePDFAnalyser::ClosesWithEndMark({sector + data - reach, reach})) return offset + static_cast<long long>(data);
  return offset + sectorSize;
}

int PdfAnalyzer::PdfRawFileInfo::HandOver() {
  m_ullSize = 0;
  return 1;
}

void PdfAnalyzer::PdfRawFileInfo::JudgeAI(const unsigned char* sector, int length) {
  static constexpr std::string_view kPostScript = "%!PS-Adobe";
  static constexpr std::string_view kIllustrator = "Adobe Illustrator";
  const auto* found = Apimemstr(sector, length, reinterpret_cast<const unsigned char*>(kPostScript.data()),
                                static_cast<int>(kPostScript.size()));
  if (!found) return;
  const auto from = static_cast<int>(found - sector);
  if (Contains(found, length - from, kIllustrator)) m_uRawFileType = RAW_FILE_TYPE_AI;
}

void PdfAnalyzer::PdfRawFileInfo::PdfTagDealwith(const FileProperty& information) {
  const std::string& title = information[FileProperty::kTitle];
  const std::string& producer = information[FileProperty::kProducer];
  const std::string& creator = information[FileProperty::kAuthor];
  const std::string& author = information[FileProperty::kLastAuthor];
  const std::string& created = information[FileProperty::kCreationTime];
  const std::string& modified = information[FileProperty::kModificationTime];

  std::string label = "unknown";
  for (const std::string* candidate : {&author, &creator, &producer})
    if (!candidate->empty()) {
      label = *candidate;
      break;
    }
  std::string name;
  for (const std::string* candidate : {&title, &author, &creator, &producer})
    if (!candidate->empty()) {
      name = *candidate + modified;
      break;
    }
  if (name.empty()) name = created;
  if (!name.empty()) SetRawFileName(name);
  if (!m_bMetadataPending && (!name.empty() || !created.empty()))
    SetRawFileTagAndValue(m_uRawFileType == RAW_FILE_TYPE_PDF ? RAW_FILE_TAG_PDF : RAW_FILE_TAG_AI, label);
  if (!created.empty()) SetRawFileTime(created);
}

void PdfAnalyzer::PdfRawFileInfo::WillBeRemove(unsigned char* sector, long long sectorNumber) {
  if (!m_bMetadataPending) PdfTagDealwith(m_information);
  CBruteForceRawFileInfo::WillBeRemove(sector, sectorNumber);
}

}  // namespace BruteForce
