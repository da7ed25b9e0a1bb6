#pragma once
// The one place where the core finds the engines: each engine library registers its factories here
// (through its own registration function, called by RegisterBuiltInEngines()), and the core asks.
// The core never includes an engine's header. Tests register fakes and call Reset().

#include <array>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "include/FileSystemType.h"
#include "include/SearcherType.h"

class CFileNode;
class ICompleteFileSystemSearchController;
class IFileReader;
class IFileReaderEx;
class IQuickFileSystemSearchController;
class IStorageDevice;
class IVolumeAnalyze;

namespace quellsy {

// Volume analysers are asked in this order; the first that recognises the volume wins.
enum class VolumeProbe : int { kFat = 0, kExfat, kNtfs, kHfsPlus, kApfs };
constexpr std::size_t kVolumeProbeCount = 5;

using QuickSearcherFactory = std::function<IQuickFileSystemSearchController*()>;
using CompleteSearcherFactory = std::function<ICompleteFileSystemSearchController*()>;
using VolumeAnalyzerFactory = std::function<IVolumeAnalyze*(IStorageDevice* device, unsigned long long firstSector)>;
using FileReaderExFactory = std::function<std::unique_ptr<IFileReaderEx>()>;
// Copies a resident data value into out (at most capacity bytes) and its length into *outLength; non-zero on
// success.
using ResidentStreamByNode =
    std::function<int(CFileNode& node, IStorageDevice& device, long long* outLength, unsigned char* out,
                      unsigned int capacity)>;
using ResidentStreamByRecord =
    std::function<int(unsigned long long recordPosition, IStorageDevice& device, long long* outLength,
                      unsigned char* out, unsigned int capacity)>;
// A new compressed-data reader for a node of that searcher's kind (device: the volume it lies on, may be
// ignored); null when it cannot be made.
using CompressedReaderFactory = std::function<IFileReader*(CFileNode& node, IStorageDevice* device)>;

class EngineRegistry {
 public:
  static EngineRegistry& Instance();

  // Forgets every registration (tests).
  void Reset();

  void RegisterQuickSearcher(enumFILE_SYSTEM_TYPE type, QuickSearcherFactory factory);
  // Null when no engine serves that file-system type or the engine could not make one.
  IQuickFileSystemSearchController* CreateQuickSearcher(enumFILE_SYSTEM_TYPE type) const;

  void RegisterCompleteSearcher(_tagSearcherType searcher, CompleteSearcherFactory factory);
  ICompleteFileSystemSearchController* CreateCompleteSearcher(_tagSearcherType searcher) const;

  void RegisterVolumeAnalyzer(VolumeProbe probe, VolumeAnalyzerFactory factory);
  // The registered analysers' factories, in probe order (absent ones left out).
  std::vector<VolumeAnalyzerFactory> VolumeAnalyzersInProbeOrder() const;

  // The NTFS engine's reader of recycle-bin information files.
  void RegisterFileReaderEx(FileReaderExFactory factory);
  // Null when no engine offers one.
  std::unique_ptr<IFileReaderEx> CreateFileReaderEx() const;

  void RegisterResidentStream(ResidentStreamByNode byNode, ResidentStreamByRecord byRecord);
  // 0 when no engine offers it, a pointer is null, or the engine fails.
  int GetResidentDataRunsStream(CFileNode& node, IStorageDevice& device, long long* outLength, unsigned char* out,
                                unsigned int capacity) const;
  int GetResidentDataRunsStream(unsigned long long recordPosition, IStorageDevice& device, long long* outLength,
                                unsigned char* out, unsigned int capacity) const;

  // Compressed readers by searcher type (NTFS 35, HFS+ 31), for nodes that cannot make their own (restored nodes).
  void RegisterCompressedReader(_tagSearcherType searcher, CompressedReaderFactory factory);
  IFileReader* CreateCompressedReader(_tagSearcherType searcher, CFileNode& node, IStorageDevice* device) const;

 private:
  EngineRegistry() = default;

  mutable std::mutex m_lock;
  std::map<enumFILE_SYSTEM_TYPE, QuickSearcherFactory> m_quick;
  std::map<_tagSearcherType, CompleteSearcherFactory> m_complete;
  std::array<VolumeAnalyzerFactory, kVolumeProbeCount> m_analyzers;
  FileReaderExFactory m_fileReaderEx;
  ResidentStreamByNode m_residentByNode;
  ResidentStreamByRecord m_residentByRecord;
  std::map<_tagSearcherType, CompressedReaderFactory> m_compressed;
};

}  // namespace quellsy
