#pragma once
// Searchers, sinks and a filter that record what a recovery controller does with them, registered with the
// engine registry for the length of a test.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "include/EngineRegistry.h"
#include "include/IDataRunList.h"
#include "include/IFileSystemSearchController.h"
#include "include/IRecoveryFilter.h"
#include "include/SearchPartitionInfoStruct.h"

class CSearchedPartitionInfo;
class IStorageDevice;
class TBitmap;

namespace quellsy::test {

// One call a searcher received, in the order of the whole test ("33 SetBlockSize 8192").
using CallLog = std::vector<std::string>;

// A node a fake searcher hands the tree builder when it ends.
struct FakeNode {
  std::string name;
  long long id;
  long long parentId;
  bool directory = false;
  long long size = 0;
  std::vector<DataRun> runs;  // in clusters of the searcher's first partition record
};

// What a fake complete searcher of one type does; the test keeps it, the searchers point to it.
struct FakeSearcherScript {
  std::vector<CSearchedPartitionInfo> partitions;  // reported by GetSearchedPartitionInfo
  std::vector<FakeNode> nodes;                     // delivered at EndSearch when building
  long long rootId = 5;
  // First bytes of every block's first sector, read through the device the searcher was given.
  std::vector<std::vector<std::uint8_t>> blockHeads;
  std::set<std::thread::id> blockThreads;  // the threads AnalyzeBlock ran on
  IStorageDevice* device = nullptr;
  TBitmap* bitmap = nullptr;
  std::map<long long, unsigned int>* fileSectorMap = nullptr;
  IProgress* progressSink = nullptr;
  int created = 0;
  int destroyed = 0;
};

class FakeCompleteSearcher : public ICompleteFileSystemSearchController {
 public:
  FakeCompleteSearcher(_tagSearcherType type, CallLog& log, FakeSearcherScript& script);
  ~FakeCompleteSearcher() override;

  void SetDirecotryTreeBuilder(IDirecotryTreeBuilder* builder) override;
  int GetSearchedPartitionInfo(CSearchedPartitionInfo** out, int capacity) override;
  void SetDevice(IStorageDevice* device) override;
  void SetBlockSize(int sectors) override;
  void PreparetoSearch() override;
  void EndSearch(int buildTree) override;
  void AnalyzeBlock(long long firstSector, long long sectorCount) override;
  void SetIProgressSink(IProgress* progress) override;
  void SetBitmap(TBitmap* bitmap) override;
  void SetFileSectorMap(std::map<long long, unsigned int>* map) override;
  bool SetActivePartition(bool active) override;

 private:
  void Log(const std::string& call);

  _tagSearcherType m_type;
  CallLog& m_log;
  FakeSearcherScript& m_script;
  IDirecotryTreeBuilder* m_builder = nullptr;
};

class FakeQuickSearcher : public IQuickFileSystemSearchController {
 public:
  FakeQuickSearcher(CallLog& log, FakeSearcherScript& script);
  ~FakeQuickSearcher() override;
  void SetDirecotryTreeBuilder(IDirecotryTreeBuilder* builder) override;
  int GetSearchedPartitionInfo(CSearchedPartitionInfo** out, int capacity) override;
  unsigned long long QuickSearchFiles(IStorageDevice* device, IProgress* progress) override;

 private:
  CallLog& m_log;
  FakeSearcherScript& m_script;
};

// Registers fakes for the test's lifetime and empties the registry afterwards.
class FakeEngines {
 public:
  FakeEngines();
  ~FakeEngines();
  FakeEngines(const FakeEngines&) = delete;
  FakeEngines& operator=(const FakeEngines&) = delete;

  void AddComplete(_tagSearcherType type);
  void AddQuick(enumFILE_SYSTEM_TYPE type);
  // A quick searcher whose factory gives null, as the APFS engine's does.
  void AddNullQuick(enumFILE_SYSTEM_TYPE type);
  FakeSearcherScript& Script(int type) { return m_scripts[type]; }

  CallLog log;

 private:
  std::map<int, FakeSearcherScript> m_scripts;
};

// Records every progress report; Continued() answers true for the first `continues` calls.
class RecordingProgress : public IProgress {
 public:
  struct Report {
    std::uint32_t status;
    std::uint64_t total;
    std::uint64_t current;
    bool operator==(const Report&) const = default;
  };

  void UpdateProgress(_PROGRESS_INFO* info) override;
  int Continued() override;
  int shouldBuild() override { return build; }

  std::vector<Report> reports;
  long long continues = -1;  // -1: always go on
  int build = 1;
  int continuedCalls = 0;
};

class AcceptAllFilter : public IRecoveryFilter {
 public:
  int ShowNormalFiles() const override { return 1; }
  void SetScanType(_SCAN_TYPE) override {}
  int IsFileNodeValid(IFileNode* node) override { return node ? 1 : 0; }
  void SetFilterTypes(unsigned int) override {}
  _FILTER_TYPE GetNodeFileType(IFileNode*) override { return FILTER_TYPE_OTHER; }
  void Release() override {}
};

}  // namespace quellsy::test
