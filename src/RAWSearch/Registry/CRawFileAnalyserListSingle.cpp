#include "RAWSearch/Registry/CRawFileAnalyserListSingle.h"

#include "RAWSearch/Framework/IRawFileAnalyser.h"
#include "RAWSearch/Registry/RawAnalyserTables.h"

CRawFileAnalyserListSingle* CRawFileAnalyserListSingle::CreateInstance() {
  static CRawFileAnalyserListSingle registry;
  return &registry;
}

CRawFileAnalyserListSingle::CRawFileAnalyserListSingle() { BuildFromTables(m_reference); }

CRawFileAnalyserListSingle::~CRawFileAnalyserListSingle() {
  Clear(m_search);
  Clear(m_reference);
}

CRawFileAnalyserListSingle::AnalyserMap& CRawFileAnalyserListSingle::GetAnalyserMap(int set) {
  return set ? m_reference.map : m_search.map;
}

CRawFileAnalyserListSingle::AnalyserMultimap& CRawFileAnalyserListSingle::GetAnalyserMultimap(int set) {
  return set ? m_reference.multimap : m_search.multimap;
}

CRawFileAnalyserListSingle::AnalyserList& CRawFileAnalyserListSingle::GetAnalyserList(int set) {
  return set ? m_reference.list : m_search.list;
}

void CRawFileAnalyserListSingle::ReinitAnalyzeList(IRecoveryFilter*) {
  Clear(m_search);
  if (m_searchSetBuilder)
    m_searchSetBuilder(m_search.map, m_search.multimap, m_search.list);
  else
    BuildFromTables(m_search);
}

void CRawFileAnalyserListSingle::ClearSearchSet() { Clear(m_search); }

void CRawFileAnalyserListSingle::SetSearchSetBuilder(SearchSetBuilder builder) {
  m_searchSetBuilder = std::move(builder);
}

void CRawFileAnalyserListSingle::Clear(AnalyserSet& set) {
  ClearMapContents(set.map);
  ClearMultiMapContents(set.multimap);
  ClearListContents(set.list);
}

void CRawFileAnalyserListSingle::BuildFromTables(AnalyserSet& set) {
  BuildRawFileAnalyserMap(set.map);
  BuildRawFileListMultimap(set.multimap);
  BuildRawFileAnalyserList(set.list);
}

void ClearMapContents(CRawFileAnalyserListSingle::AnalyserMap& map) {
  for (auto& [key, analyser] : map) delete analyser;
  map.clear();
}

void ClearMultiMapContents(CRawFileAnalyserListSingle::AnalyserMultimap& multimap) {
  for (auto& [key, analyser] : multimap) delete analyser;
  multimap.clear();
}

void ClearListContents(CRawFileAnalyserListSingle::AnalyserList& list) {
  for (IRawFileAnalyser* analyser : list) delete analyser;
  list.clear();
}
