#pragma once
// Whether a candidate cluster looks like the start of a deleted file's content: through the signature
// search's sector-to-type map and extension table during a complete search, else by reading the cluster's
// first sector and asking the signature search's reference analysers (and a PE test).

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "FATLib/CFATWindowCache.h"
#include "FATLib/FATBuildGeometry.h"
#include "RAWSearch/Registry/CRawFileAnalyserListSingle.h"

class IStorageDevice;

class CFATClusterContentTest {
 public:
  using FileSectorMap = std::map<long long, unsigned int>;

  CFATClusterContentTest(IStorageDevice* device, const FATBuildGeometry& geometry);

  // The signature search's map from sector to file type (not owned), used while SetQuickScan(true).
  void SetFileSectorMap(const FileSectorMap* map) { m_fileSectorMap = map; }
  void SetQuickScan(bool quickScan) { m_quickScan = quickScan; }
  // The extension of the deleted file whose cluster is looked for (empty: none).
  void SetLastExtension(std::string extension) { m_lastExtension = std::move(extension); }

  // Analysers of the caller's instead of the registry's (tests). Not owned: the registry, or the caller, keeps
  // them alive.
  void SetAnalysers(const CRawFileAnalyserListSingle::AnalyserList& list,
                    const CRawFileAnalyserListSingle::AnalyserMap& map,
                    const CRawFileAnalyserListSingle::AnalyserMultimap& multimap);
  // Copies the registry's reference set once, while no analysers are held. The copies do not own the
  // analysers: the registry keeps them for the life of the process.
  bool IniRawDllValue();

  // True when the candidate is rejected. flag with a candidate above 0x10000 accepts without a test.
  bool bReviseFAT32FileFirstClu(std::uint64_t candidate, bool flag);

 private:
  bool RejectedByFileSectorMap(std::uint64_t sector) const;
  bool RejectedByContent(std::uint64_t sector);
  bool IsPortableExecutable() const;

  IStorageDevice* m_device;
  FATBuildGeometry m_geometry;
  std::uint32_t m_bytesPerSector;
  const FileSectorMap* m_fileSectorMap = nullptr;
  bool m_quickScan = false;
  std::string m_lastExtension;
  CRawFileAnalyserListSingle::AnalyserList m_list;
  CRawFileAnalyserListSingle::AnalyserMap m_map;
  CRawFileAnalyserListSingle::AnalyserMultimap m_multimap;
  // One sector followed by zeros: analysers may look a little past the sector they are shown.
  std::vector<std::uint8_t> m_sector;
  // The candidates of files deleted near each other lie near each other, a band apart: read a window at a time.
  CFATWindowCache m_around;
};
