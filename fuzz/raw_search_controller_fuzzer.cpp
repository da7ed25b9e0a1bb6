// The signature search over arbitrary device content with the registry's real analysers: every sector
// is offered, hits are followed, pending hits sized through the ring and at the end, and the result
// nodes are made. Invariants: the search ends, and every delivered file has a showable name (valid
// UTF-8, no leading dot, at most 255 bytes) and one run inside the device.
//
// Input: byte 0 picks the sector size, byte 1 the block size in sectors (1 to 64), the rest is the
// device's content, cut to whole blocks (at most 64 blocks).

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "RAWSearch/Controller/CBufferStorageDevice.h"
#include "RAWSearch/Controller/CRAWSearchController.h"
#include "RAWSearch/Controller/RawSearchState.h"
#include "Utility/FileUtil.h"
#include "include/IDataRunList.h"
#include "include/IFileNode.h"

namespace {

constexpr unsigned kSectorSizes[] = {512, 1024, 4096};
constexpr std::size_t kMaxBlocks = 64;

// Takes every node, checks it, and releases it with itself.
class CheckingTreeBuilder : public IDirecotryTreeBuilder {
 public:
  explicit CheckingTreeBuilder(long long deviceSectors) : deviceSectors_(deviceSectors) {}
  ~CheckingTreeBuilder() override {
    for (IFileNode* node : nodes_) node->Release();
  }
  int Initialize(const char*, IDrirectoryTree*, IRecoveryFilter*) override { return 1; }
  int AddNode(IFileNode* node, _tagSearcherType) override {
    nodes_.push_back(node);
    const char* name = node->GetFileName();
    if (!name || !isValidString(name) || std::strlen(name) > 255) std::abort();
    if (node->IsDirectory()) return 1;
    if (name[0] == '.' || name[0] == ' ' || node->GetFileSize() <= 0) std::abort();
    IDataRunList* runs = node->GetDataRunList();
    const DataRun* run = runs ? runs->GetFirst() : nullptr;
    if (!run || run->lcn < 0 || run->lcn >= deviceSectors_) std::abort();
    return 1;
  }
  void AddSearcherInfo(_tagSearcherType, long long) override {}
  void FlashBuild(_tagSearcherType) override {}
  void Release() override {}
  void SetPartitonDevice(CSearchedPartitionInfo*, IStorageDevice*) override {}

 private:
  long long deviceSectors_;
  std::vector<IFileNode*> nodes_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  const unsigned sectorSize = kSectorSizes[data[0] % std::size(kSectorSizes)];
  const unsigned blockSectors = 1 + data[1] % 64;
  const std::size_t blockBytes = std::size_t{blockSectors} * sectorSize;
  const std::size_t blocks = std::min(kMaxBlocks, (size - 2 + blockBytes - 1) / blockBytes);
  std::vector<char> content(blocks * blockBytes, 0);
  std::memcpy(content.data(), data + 2, std::min(size - 2, content.size()));

  // The ring device doubles as the scanned device: it holds every block in order.
  CBufferStorageDevice device;
  if (!device.InitBufferDevice(nullptr, 0, sectorSize, blockSectors, static_cast<unsigned>(blocks))) return 0;
  for (std::size_t b = 0; b < blocks; ++b) device.AddBlockToBuffer(content.data() + b * blockBytes);

  CheckingTreeBuilder builder(device.GetTotalSectors());
  {
    CRAWSearchController searcher;
    searcher.SetDevice(&device);
    searcher.SetBlockSize(static_cast<int>(blockSectors));
    searcher.SetDirecotryTreeBuilder(&builder);
    searcher.PreparetoSearch();
    for (long long first = 0; first < device.GetTotalSectors(); first += blockSectors)
      searcher.AnalyzeBlock(first, std::min<long long>(blockSectors, device.GetTotalSectors() - first));
    searcher.EndSearch(1);
  }
  ResetRawSearchState();
  return 0;
}
