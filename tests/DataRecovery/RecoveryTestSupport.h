#pragma once
// Doubles for the data-recovery tests: nodes with run lists, partition records, a searcher that hands out records,
// a progress sink that records and can stop, and helpers for expected bytes.

#include <sys/stat.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "include/DataRunList.h"
#include "include/IFileSystemSearchController.h"
#include "include/IProgress.h"
#include "include/SearchPartitionInfoStruct.h"
#include "include/TestFileNode.h"

namespace quellsy::test {

// A file node with runs; the test keeps it alive for as long as readers use it.
class RunNode : public TestFileNode {
 public:
  RunNode(long long size, const std::vector<DataRun>& runs, bool resident = false) : TestFileNode("file") {
    m_size = size;
    auto* list = new CDataRunList();
    list->SetResident(resident);
    for (const DataRun& run : runs) list->AddDataRun(&run);
    SetDataRunList(list);
  }
};

inline CSearchedPartitionInfo Record(std::uint32_t sectorsPerCluster, long long origin = 0,
                                     enumFILE_SYSTEM_TYPE type = FILE_SYSTEM_FAT32) {
  CSearchedPartitionInfo record;
  record.SetSectorsPerCluster(sectorsPerCluster);
  record.SetClusterOrigin(origin);
  record.SetFileSystemType(type);
  return record;
}

// Hands out clones of its records, following the count-first protocol.
class FakeSearcher : public IQuickFileSystemSearchController {
 public:
  std::vector<CSearchedPartitionInfo> records;
  int queries = 0;
  bool emptyOnSecondQuery = false;

  void SetDirecotryTreeBuilder(IDirecotryTreeBuilder*) override {}
  int GetSearchedPartitionInfo(CSearchedPartitionInfo** out, int capacity) override {
    ++queries;
    const int count = static_cast<int>(records.size());
    if (out == nullptr) return count;
    if (capacity < count || emptyOnSecondQuery) return 0;
    for (int i = 0; i < count; ++i) out[i] = records[static_cast<std::size_t>(i)].Clone();
    return count;
  }
  unsigned long long QuickSearchFiles(IStorageDevice*, IProgress*) override { return 0; }
};

// Keeps every record it is given; Continued() asks `keepGoing` (continue when unset).
class RecordingProgress : public IProgress {
 public:
  std::vector<_PROGRESS_INFO> updates;
  std::function<bool(const RecordingProgress&)> keepGoing;

  void UpdateProgress(_PROGRESS_INFO* info) override { updates.push_back(*info); }
  int Continued() override { return !keepGoing || keepGoing(*this) ? 1 : 0; }
  int shouldBuild() override { return 1; }
};

inline timespec ModificationTime(const std::filesystem::path& path) {
  struct stat info {};
  stat(path.c_str(), &info);
  return info.st_mtim;
}


struct ManifestLine {
  std::string path;
  std::uint64_t size = 0;
  std::string sha256;
};

// "path<TAB>size<TAB>sha256<TAB>deleted" lines.
inline std::vector<ManifestLine> ReadManifestLines(const std::filesystem::path& manifest) {
  std::vector<ManifestLine> lines;
  std::ifstream in(manifest);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    ManifestLine entry;
    std::string size;
    if (std::getline(fields, entry.path, '\t') && std::getline(fields, size, '\t') &&
        std::getline(fields, entry.sha256, '\t')) {
      entry.size = std::stoull(size);
      lines.push_back(entry);
    }
  }
  return lines;
}

}  // namespace quellsy::test
