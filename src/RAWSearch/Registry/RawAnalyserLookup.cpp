#include "RAWSearch/Registry/RawAnalyserLookup.h"

#include "RAWSearch/Framework/IRawFileAnalyser.h"
#include "RAWSearch/Framework/ISpecialRawFileAnalyser.h"
#include "Utility/ByteReader.h"

namespace {

// The sector's first 32-bit word; 0 also when the sector is too short to have one.
unsigned FirstWord(const unsigned char* sector, unsigned sectorSize) {
  return quellsy::le32(quellsy::ByteSpan(sector, sectorSize), 0).value_or(0);
}

bool Claims(IRawFileAnalyser* analyser, unsigned char* sector, CRawFileInfo& scratch, unsigned sectorSize,
            long long sectorNumber, const CRawFileInfo::SearchContext& context) {
  if (!analyser) return false;
  if (ISpecialRawFileAnalyser* special = analyser->GetSpecialRawFile())
    return special->AnalyseBufferEx(sector, scratch, sectorSize, sectorNumber, context.llBufferFirstSector,
                                    context.llBlockEndSector) != 0;
  return analyser->AnalyseBuffer(sector, scratch) == 1;
}

}  // namespace

IRawFileAnalyser* GetAnalyserFromMap(CRawFileAnalyserListSingle::AnalyserMap& map, unsigned char* sector,
                                     CRawFileInfo& scratch, unsigned sectorSize, long long sectorNumber,
                                     const CRawFileInfo::SearchContext& context) {
  const unsigned word = FirstWord(sector, sectorSize);
  if (word == 0) return nullptr;
  const auto found = map.find(word);
  if (found == map.end()) return nullptr;
  return Claims(found->second, sector, scratch, sectorSize, sectorNumber, context) ? found->second : nullptr;
}

IRawFileAnalyser* GetAnalyserFromMultiMap(CRawFileAnalyserListSingle::AnalyserMultimap& multimap,
                                          unsigned char* sector, CRawFileInfo& scratch, unsigned sectorSize,
                                          long long sectorNumber, const CRawFileInfo::SearchContext& context) {
  const unsigned word = FirstWord(sector, sectorSize);
  if (word == 0) return nullptr;
  const auto [first, last] = multimap.equal_range(static_cast<unsigned short>(word & 0xFFFF));
  for (auto it = first; it != last; ++it)
    if (Claims(it->second, sector, scratch, sectorSize, sectorNumber, context)) return it->second;
  return nullptr;
}

IRawFileAnalyser* GetAnalyserFromList(CRawFileAnalyserListSingle::AnalyserList& list, unsigned char* sector,
                                      CRawFileInfo& scratch) {
  for (IRawFileAnalyser* analyser : list)
    if (analyser && analyser->AnalyseBuffer(sector, scratch) != 0) return analyser;
  return nullptr;
}

IRawFileAnalyser* FindAnalyser(CRawFileAnalyserListSingle& registry, int set, unsigned char* sector,
                               CRawFileInfo& scratch, unsigned sectorSize, long long sectorNumber,
                               const CRawFileInfo::SearchContext& context) {
  if (IRawFileAnalyser* found =
          GetAnalyserFromMap(registry.GetAnalyserMap(set), sector, scratch, sectorSize, sectorNumber, context))
    return found;
  if (IRawFileAnalyser* found = GetAnalyserFromMultiMap(registry.GetAnalyserMultimap(set), sector, scratch,
                                                        sectorSize, sectorNumber, context))
    return found;
  return GetAnalyserFromList(registry.GetAnalyserList(set), sector, scratch);
}
