#include "RecoveryController/FakeSearchers.h"

#include <algorithm>
#include <mutex>
#include <thread>

#include "include/DataRunList.h"
#include "include/IProgress.h"
#include "include/IStorageDevice.h"
#include "include/TestFileNode.h"

namespace quellsy::test {

namespace {

int ClonePartitions(const std::vector<CSearchedPartitionInfo>& partitions, CSearchedPartitionInfo** out,
                    int capacity) {
  const int count = static_cast<int>(partitions.size());
  if (!out) return count;
  if (capacity < count) return 0;
  for (int i = 0; i < count; ++i) out[i] = partitions[static_cast<std::size_t>(i)].Clone();
  return count;
}

}  // namespace

FakeCompleteSearcher::FakeCompleteSearcher(_tagSearcherType type, CallLog& log, FakeSearcherScript& script)
    : m_type(type), m_log(log), m_script(script) {
  ++m_script.created;
}

FakeCompleteSearcher::~FakeCompleteSearcher() {
  // The controller must still hold the device it gave: a freed read-ahead device shows here under ASan.
  if (m_script.device) m_script.device->GetTotalSectors();
  ++m_script.destroyed;
}

void FakeCompleteSearcher::Log(const std::string& call) {
  // Searchers analyse blocks on threads of their own and share the log.
  static std::mutex logLock;
  const std::lock_guard lock(logLock);
  m_log.push_back(std::to_string(m_type) + " " + call);
}

void FakeCompleteSearcher::SetDirecotryTreeBuilder(IDirecotryTreeBuilder* builder) {
  m_builder = builder;
  Log("SetDirecotryTreeBuilder");
}

int FakeCompleteSearcher::GetSearchedPartitionInfo(CSearchedPartitionInfo** out, int capacity) {
  return ClonePartitions(m_script.partitions, out, capacity);
}

void FakeCompleteSearcher::SetDevice(IStorageDevice* device) {
  m_script.device = device;
  Log("SetDevice");
}

void FakeCompleteSearcher::SetBlockSize(int sectors) { Log("SetBlockSize " + std::to_string(sectors)); }

void FakeCompleteSearcher::PreparetoSearch() { Log("PreparetoSearch"); }

void FakeCompleteSearcher::EndSearch(int buildTree) {
  Log("EndSearch " + std::to_string(buildTree));
  if (!buildTree || !m_builder || m_script.nodes.empty()) return;
  m_builder->AddSearcherInfo(m_type, m_script.rootId);
  for (const FakeNode& wanted : m_script.nodes) {
    auto* node = new TestFileNode(wanted.name, wanted.directory, wanted.id, wanted.parentId);
    node->m_size = wanted.size;
    node->m_searcher = m_type;
    if (!wanted.runs.empty()) {
      auto* runs = new CDataRunList();
      for (const DataRun& run : wanted.runs) runs->AddDataRun(&run);
      node->SetDataRunList(runs);
    }
    if (!m_builder->AddNode(node, m_type)) node->Release();
  }
  m_builder->FlashBuild(m_type);
}

void FakeCompleteSearcher::AnalyzeBlock(long long firstSector, long long sectorCount) {
  Log("AnalyzeBlock " + std::to_string(firstSector) + " " + std::to_string(sectorCount));
  std::vector<std::uint8_t> head(m_script.device ? m_script.device->GetSectorSize() : 0);
  if (!head.empty()) m_script.device->ReadSector(head.data(), firstSector, 1);
  head.resize(std::min<std::size_t>(head.size(), 16));
  m_script.blockHeads.push_back(head);
  m_script.blockThreads.insert(std::this_thread::get_id());
}

void FakeCompleteSearcher::SetIProgressSink(IProgress* progress) {
  m_script.progressSink = progress;
  Log("SetIProgressSink");
}

void FakeCompleteSearcher::SetBitmap(TBitmap* bitmap) {
  m_script.bitmap = bitmap;
  Log("SetBitmap");
}

void FakeCompleteSearcher::SetFileSectorMap(std::map<long long, unsigned int>* map) {
  m_script.fileSectorMap = map;
  Log("SetFileSectorMap");
}

bool FakeCompleteSearcher::SetActivePartition(bool active) {
  Log(std::string("SetActivePartition ") + (active ? "1" : "0"));
  return active;
}

FakeQuickSearcher::FakeQuickSearcher(CallLog& log, FakeSearcherScript& script) : m_log(log), m_script(script) {
  ++m_script.created;
}

FakeQuickSearcher::~FakeQuickSearcher() { ++m_script.destroyed; }

void FakeQuickSearcher::SetDirecotryTreeBuilder(IDirecotryTreeBuilder* builder) {
  m_log.push_back(builder ? "quick SetDirecotryTreeBuilder" : "quick SetDirecotryTreeBuilder null");
}

int FakeQuickSearcher::GetSearchedPartitionInfo(CSearchedPartitionInfo** out, int capacity) {
  return ClonePartitions(m_script.partitions, out, capacity);
}

unsigned long long FakeQuickSearcher::QuickSearchFiles(IStorageDevice* device, IProgress* progress) {
  m_script.device = device;
  m_script.progressSink = progress;
  m_log.push_back("quick QuickSearchFiles");
  return 0x0112000100000001ULL;  // a failure the controller does not pass on
}

FakeEngines::FakeEngines() { EngineRegistry::Instance().Reset(); }

FakeEngines::~FakeEngines() { EngineRegistry::Instance().Reset(); }

void FakeEngines::AddComplete(_tagSearcherType type) {
  FakeSearcherScript& script = m_scripts[type];
  EngineRegistry::Instance().RegisterCompleteSearcher(
      type, [this, type, &script] { return new FakeCompleteSearcher(type, log, script); });
}

void FakeEngines::AddQuick(enumFILE_SYSTEM_TYPE type) {
  FakeSearcherScript& script = m_scripts[type];
  EngineRegistry::Instance().RegisterQuickSearcher(type, [this, &script] { return new FakeQuickSearcher(log, script); });
}

void FakeEngines::AddNullQuick(enumFILE_SYSTEM_TYPE type) {
  FakeSearcherScript& script = m_scripts[type];
  EngineRegistry::Instance().RegisterQuickSearcher(type, [&script]() -> IQuickFileSystemSearchController* {
    ++script.created;
    return nullptr;
  });
}

void RecordingProgress::UpdateProgress(_PROGRESS_INFO* info) {
  reports.push_back({info->status, info->total, info->current});
}

int RecordingProgress::Continued() {
  ++continuedCalls;
  if (continues < 0) return 1;
  if (continues == 0) return 0;
  --continues;
  return 1;
}

}  // namespace quellsy::test
