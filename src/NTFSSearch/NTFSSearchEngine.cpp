#include "NTFSSearch/NTFSSearchEngine.h"

#include <memory>

#include "DataRecovery/CompressFileReader.h"
#include "NTFSSearch/CFileReaderEx.h"
#include "NTFSSearch/CNTFSFileNode.h"
#include "NTFSSearch/CNTFSQuickSearch.h"
#include "NTFSSearch/CNTFSSearchController.h"
#include "NTFSSearch/CNTFSVolumeAnalyer.h"
#include "NTFSSearch/NTFSResidentData.h"
#include "NTFSSearch/NTFSSearchErrors.h"
#include "include/EngineRegistry.h"

void RegisterNTFSSearchEngine() {
  quellsy::RegisterResultWords(quellsy::ntfssearch::kResultWords);
  auto& registry = quellsy::EngineRegistry::Instance();
  registry.RegisterQuickSearcher(FILE_SYSTEM_NTFS, [] { return CreateNTFSQuickSearcher(); });
  registry.RegisterCompleteSearcher(SEARCHER_NTFS, [] { return CreateNTFSSearcher(); });
  registry.RegisterVolumeAnalyzer(quellsy::VolumeProbe::kNtfs, [](IStorageDevice* device, unsigned long long sector) {
    return CreateNTFSVolumeAnalyze(device, sector);
  });
  registry.RegisterFileReaderEx([] { return std::make_unique<CFileReaderEx>(); });
  registry.RegisterResidentStream(
      [](CFileNode& node, IStorageDevice& device, long long* length, unsigned char* out, unsigned int capacity) {
        auto* ntfsNode = dynamic_cast<CNTFSFileNode*>(&node);
        std::int64_t got = 0;
        if (ntfsNode == nullptr || length == nullptr || out == nullptr ||
            GetResidentDataRunsStream(*ntfsNode, device, &got, out, capacity) == 0)
          return 0;
        *length = got;
        return 1;
      },
      [](unsigned long long recordSector, IStorageDevice& device, long long* length, unsigned char* out,
         unsigned int capacity) {
        std::int64_t got = 0;
        if (length == nullptr || out == nullptr ||
            GetResidentDataRunsStream(recordSector, device, &got, out, capacity) == 0)
          return 0;
        *length = got;
        return 1;
      });
  registry.RegisterCompressedReader(SEARCHER_NTFS, [](CFileNode&, IStorageDevice*) -> IFileReader* {
    return new (std::nothrow) CCompressFileReader();
  });
}
