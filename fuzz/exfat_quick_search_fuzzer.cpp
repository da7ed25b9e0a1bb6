// The exFAT quick scan over arbitrary volume bytes: boot sector, FAT windows, allocation bitmap, and the walk of
// every folder, live and deleted, with the runs of every file found. The first byte picks the sector size.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "ExFat/CExFatQuickSearch.h"
#include "FuzzBytesDevice.h"
#include "FuzzFinishingProgress.h"
#include "FuzzKeepingBuilder.h"
#include "include/IDataRunList.h"

namespace {

// Runs start inside the cluster heap and are never empty.
class RunCheckingBuilder : public FuzzKeepingBuilder {
 protected:
  void Check(IFileNode& node) override {
    IDataRunList* runs = node.GetDataRunList();
    if (runs == nullptr) return;
    for (DataRun* run = runs->GetFirst(); run != nullptr; run = runs->GetNext())
      if (run->lcn < 0 || run->length <= 0) std::abort();
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2 || size > (1u << 20) + 1) return 0;
  FuzzBytesDevice device(std::vector<std::uint8_t>(data + 1, data + size), 512u << (data[0] % 4));
  RunCheckingBuilder builder;
  FuzzFinishingProgress progress;
  CExFatQuickSearch searcher;
  searcher.SetDirecotryTreeBuilder(&builder);
  // A volume it cannot read ends with a code of its own; every outcome, failed or not, ends with the final record.
  searcher.QuickSearchFiles(&device, &progress);
  if (!progress.finished) std::abort();
  return 0;
}
