#pragma once
// Which analyser claims a sector: the map by the sector's first 32-bit word, then the multimap by its
// first 16-bit word (equal keys in insertion order), then the keyless list. A sector whose first
// 32-bit word is zero goes to the list only. Used by the signature search for every sector and by
// whoever tests content against a copy of the registry's containers.

#include "RAWSearch/Framework/CRawFileInfo.h"
#include "RAWSearch/Registry/CRawFileAnalyserListSingle.h"

// `sector` holds at least sectorSize bytes (and sectorSize >= 4). Map and multimap analysers with the
// block-context interface are asked through AnalyseBufferEx (any non-zero result claims), the others
// through AnalyseBuffer (only exactly 1 claims). The claiming analyser has filled scratch.
IRawFileAnalyser* GetAnalyserFromMap(CRawFileAnalyserListSingle::AnalyserMap& map, unsigned char* sector,
                                     CRawFileInfo& scratch, unsigned sectorSize, long long sectorNumber,
                                     const CRawFileInfo::SearchContext& context);
IRawFileAnalyser* GetAnalyserFromMultiMap(CRawFileAnalyserListSingle::AnalyserMultimap& multimap,
                                          unsigned char* sector, CRawFileInfo& scratch, unsigned sectorSize,
                                          long long sectorNumber, const CRawFileInfo::SearchContext& context);
// Any non-zero AnalyseBuffer result claims.
IRawFileAnalyser* GetAnalyserFromList(CRawFileAnalyserListSingle::AnalyserList& list, unsigned char* sector,
                                      CRawFileInfo& scratch);
// The three in order, over the registry's set (0 search, 1 reference).
IRawFileAnalyser* FindAnalyser(CRawFileAnalyserListSingle& registry, int set, unsigned char* sector,
                               CRawFileInfo& scratch, unsigned sectorSize, long long sectorNumber,
                               const CRawFileInfo::SearchContext& context);
