// The NTFS quick scan over arbitrary volume bytes: the boot sector, the $MFT's record (or its mirror) and its
// runs, the walk of every FILE record, the properties built from each, then the volume analyser, the resident
// values and the cluster reader on every node found. The input is the volume, cut to whole 512-byte sectors.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "FuzzBytesDevice.h"
#include "FuzzKeepingBuilder.h"
#include "NTFSLib/NTFSPublicFunction.h"
#include "NTFSSearch/CFileReaderEx.h"
#include "NTFSSearch/CNTFSFileNode.h"
#include "NTFSSearch/CNTFSQuickSearch.h"
#include "NTFSSearch/CNTFSVolumeAnalyer.h"
#include "NTFSSearch/NTFSResidentData.h"

namespace {

class Progress : public IProgress {
 public:
  void UpdateProgress(_PROGRESS_INFO* info) override {
    if (info->status == PROGRESS_STATUS_RUNNING && info->current > info->total) std::abort();
    finished = info->status == PROGRESS_STATUS_FINISHED;
  }
  int Continued() override { return 1; }
  int shouldBuild() override { return 1; }

  bool finished = false;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 512 || size > (2u << 20)) return 0;
  FuzzBytesDevice device(std::vector<std::uint8_t>(data, data + size), 512);
  std::unique_ptr<IVolumeAnalyze> analyser(CreateNTFSVolumeAnalyze(&device, 0));
  if (analyser) analyser->GetTotalSector();
  FuzzKeepingBuilder builder;
  Progress progress;
  CNTFSQuickSearch searcher;
  searcher.SetDirecotryTreeBuilder(&builder);
  searcher.QuickSearchFiles(&device, &progress);
  // Every outcome ends with the final record.
  if (!progress.finished) std::abort();
  CSearchedPartitionInfo* partition = nullptr;
  if (searcher.GetSearchedPartitionInfo(&partition, 1) != 1) std::abort();
  std::vector<std::uint8_t> value(4096);
  std::vector<std::uint8_t> read(2048);
  for (IFileNode* found : builder.nodes()) {
    auto* node = dynamic_cast<CNTFSFileNode*>(found);
    if (node == nullptr) std::abort();
    std::int64_t length = 0;
    if (GetResidentDataRunsStream(*node, device, &length, value.data(), static_cast<std::uint32_t>(value.size())) != 0 &&
        (length < 0 || static_cast<std::size_t>(length) > value.size()))
      std::abort();
    CFileReaderEx reader;
    int got = 0;
    if (reader.Open(&device, node, partition) && reader.Read(0, read.data(), static_cast<int>(read.size()), got) &&
        (got < 0 || static_cast<std::size_t>(got) > read.size()))
      std::abort();
    IFileNode* copy = node->Clone();
    if (copy != nullptr) copy->Release();
  }
  delete partition;
  NTFSPublicFunction::ResetDeviceSectorSize();
  return 0;
}
