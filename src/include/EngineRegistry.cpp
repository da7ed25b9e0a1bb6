#include "include/EngineRegistry.h"

#include "include/IFileReaderEx.h"

namespace quellsy {

EngineRegistry& EngineRegistry::Instance() {
  static EngineRegistry registry;
  return registry;
}

void EngineRegistry::Reset() {
  std::lock_guard<std::mutex> hold(m_lock);
  m_quick.clear();
  m_complete.clear();
  m_analyzers = {};
  m_fileReaderEx = nullptr;
  m_residentByNode = nullptr;
  m_residentByRecord = nullptr;
  m_compressed.clear();
}

namespace {

// Factories are copied out under the lock and called outside it, so an engine's constructor may ask the registry.
template <typename Value>
Value Snapshot(std::mutex& lock, const Value& value) {
  std::lock_guard<std::mutex> hold(lock);
  return value;
}

template <typename Map, typename Key>
typename Map::mapped_type Find(std::mutex& lock, const Map& map, Key key) {
  std::lock_guard<std::mutex> hold(lock);
  const auto found = map.find(key);
  return found != map.end() ? found->second : typename Map::mapped_type{};
}

template <typename Map, typename Key, typename Factory>
void Put(std::mutex& lock, Map& map, Key key, Factory factory) {
  std::lock_guard<std::mutex> hold(lock);
  map[key] = std::move(factory);
}

}  // namespace

void EngineRegistry::RegisterQuickSearcher(enumFILE_SYSTEM_TYPE type, QuickSearcherFactory factory) {
  Put(m_lock, m_quick, type, std::move(factory));
}

IQuickFileSystemSearchController* EngineRegistry::CreateQuickSearcher(enumFILE_SYSTEM_TYPE type) const {
  const QuickSearcherFactory factory = Find(m_lock, m_quick, type);
  return factory ? factory() : nullptr;
}

void EngineRegistry::RegisterCompleteSearcher(_tagSearcherType searcher, CompleteSearcherFactory factory) {
  Put(m_lock, m_complete, searcher, std::move(factory));
}

ICompleteFileSystemSearchController* EngineRegistry::CreateCompleteSearcher(_tagSearcherType searcher) const {
  const CompleteSearcherFactory factory = Find(m_lock, m_complete, searcher);
  return factory ? factory() : nullptr;
}

void EngineRegistry::RegisterVolumeAnalyzer(VolumeProbe probe, VolumeAnalyzerFactory factory) {
  const auto slot = static_cast<std::size_t>(probe);
  if (slot < kVolumeProbeCount) Put(m_lock, m_analyzers, slot, std::move(factory));
}

std::vector<VolumeAnalyzerFactory> EngineRegistry::VolumeAnalyzersInProbeOrder() const {
  std::lock_guard<std::mutex> hold(m_lock);
  std::vector<VolumeAnalyzerFactory> factories;
  for (const VolumeAnalyzerFactory& factory : m_analyzers)
    if (factory) factories.push_back(factory);
  return factories;
}

void EngineRegistry::RegisterFileReaderEx(FileReaderExFactory factory) {
  std::lock_guard<std::mutex> hold(m_lock);
  m_fileReaderEx = std::move(factory);
}

std::unique_ptr<IFileReaderEx> EngineRegistry::CreateFileReaderEx() const {
  const FileReaderExFactory factory = Snapshot(m_lock, m_fileReaderEx);
  return factory ? factory() : nullptr;
}

void EngineRegistry::RegisterResidentStream(ResidentStreamByNode byNode, ResidentStreamByRecord byRecord) {
  std::lock_guard<std::mutex> hold(m_lock);
  m_residentByNode = std::move(byNode);
  m_residentByRecord = std::move(byRecord);
}

int EngineRegistry::GetResidentDataRunsStream(CFileNode& node, IStorageDevice& device, long long* outLength,
                                              unsigned char* out, unsigned int capacity) const {
  if (outLength == nullptr || out == nullptr) return 0;
  const ResidentStreamByNode stream = Snapshot(m_lock, m_residentByNode);
  return stream ? stream(node, device, outLength, out, capacity) : 0;
}

int EngineRegistry::GetResidentDataRunsStream(unsigned long long recordPosition, IStorageDevice& device,
                                              long long* outLength, unsigned char* out,
                                              unsigned int capacity) const {
  if (outLength == nullptr || out == nullptr) return 0;
  const ResidentStreamByRecord stream = Snapshot(m_lock, m_residentByRecord);
  return stream ? stream(recordPosition, device, outLength, out, capacity) : 0;
}

void EngineRegistry::RegisterCompressedReader(_tagSearcherType searcher, CompressedReaderFactory factory) {
  Put(m_lock, m_compressed, searcher, std::move(factory));
}

IFileReader* EngineRegistry::CreateCompressedReader(_tagSearcherType searcher, CFileNode& node,
                                                    IStorageDevice* device) const {
  const CompressedReaderFactory factory = Find(m_lock, m_compressed, searcher);
  return factory ? factory(node, device) : nullptr;
}

}  // namespace quellsy
