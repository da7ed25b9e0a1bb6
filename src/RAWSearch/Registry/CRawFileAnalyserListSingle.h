#pragma once
// The process-wide analyser registry: two sets of (list, map by 32-bit key, multimap by 16-bit key),
// each owning its analysers. Set 0 is the search set, rebuilt with fresh analysers before every
// signature search; set 1 is the reference set the FAT engine tests candidate clusters against,
// built once.

#include <functional>
#include <list>
#include <map>

class IRawFileAnalyser;
class IRecoveryFilter;

class CRawFileAnalyserListSingle {
 public:
  using AnalyserList = std::list<IRawFileAnalyser*>;
  using AnalyserMap = std::map<unsigned int, IRawFileAnalyser*>;
  using AnalyserMultimap = std::multimap<unsigned short, IRawFileAnalyser*>;
  // Fills an empty search set in place of the tables (tests).
  using SearchSetBuilder = std::function<void(AnalyserMap&, AnalyserMultimap&, AnalyserList&)>;

  static constexpr int kSearchSet = 0;
  static constexpr int kReferenceSet = 1;

  // The one registry; the first call builds the reference set.
  static CRawFileAnalyserListSingle* CreateInstance();

  CRawFileAnalyserListSingle(const CRawFileAnalyserListSingle&) = delete;
  CRawFileAnalyserListSingle& operator=(const CRawFileAnalyserListSingle&) = delete;

  // The reference set's container for a non-zero set, the search set's for 0.
  AnalyserMap& GetAnalyserMap(int set);
  AnalyserMultimap& GetAnalyserMultimap(int set);
  AnalyserList& GetAnalyserList(int set);

  // Replaces the search set with fresh analysers. The filter is not consulted.
  void ReinitAnalyzeList(IRecoveryFilter* filter);
  // Deletes the search set's analysers and empties it.
  void ClearSearchSet();
  // From the next ReinitAnalyzeList on, the search set is filled by `builder` instead of the tables;
  // an empty function restores the tables.
  void SetSearchSetBuilder(SearchSetBuilder builder);

 private:
  struct AnalyserSet {
    AnalyserList list;
    AnalyserMap map;
    AnalyserMultimap multimap;
  };

  CRawFileAnalyserListSingle();
  ~CRawFileAnalyserListSingle();

  static void Clear(AnalyserSet& set);
  static void BuildFromTables(AnalyserSet& set);

  AnalyserSet m_search;
  AnalyserSet m_reference;
  SearchSetBuilder m_searchSetBuilder;
};

// Delete every analyser of the container (null entries skipped), then empty it.
void ClearMapContents(CRawFileAnalyserListSingle::AnalyserMap& map);
void ClearMultiMapContents(CRawFileAnalyserListSingle::AnalyserMultimap& multimap);
void ClearListContents(CRawFileAnalyserListSingle::AnalyserList& list);
