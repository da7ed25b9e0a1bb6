#include "Formats/StreamingGrow.h"

#include "JpegTestData.h"

namespace quellsy::test::formats {

Grown Grow(BruteForce::CBruteForceAnalyser& analyser, const Bytes& file, const Bytes& behind,
           long long zeroSectorsBehind) {
  Bytes image(kStart * kSector, 0);
  image.insert(image.end(), file.begin(), file.end());
  image.insert(image.end(), behind.begin(), behind.end());
  image.resize(image.size() + static_cast<std::size_t>(zeroSectorsBehind) * kSector, 0);
  Grown out;
  CRawFileInfo scratch;
  Bytes first(image.begin() + kStart * kSector, image.begin() + (kStart + 1) * kSector);
  first.resize(4096, 0);
  out.claimed = analyser.AnalyseBuffer(first.data(), scratch);
  if (!out.claimed) return out;
  std::unique_ptr<CRawFileInfo> record(analyser.CreateRawFileInfo());
  record->m_llStartSector = kStart;
  record->m_pAnalyser = &analyser;
  const GrowOutcome outcome = GrowRecord(*record, ImageSectors(image, kSector), kSector, kSectorsPerBlock,
                                         static_cast<long long>(image.size() / kSector) - kStart);
  out.result = outcome.result;
  out.lastSector = outcome.sector;
  out.type = record->m_uRawFileType;
  out.size = record->m_ullSize;
  out.name = record->GetRawFileName();
  record->WillBeRemove(nullptr, -1);
  out.analyserAfterRemoval = record->m_pAnalyser;
  return out;
}

}  // namespace quellsy::test::formats
