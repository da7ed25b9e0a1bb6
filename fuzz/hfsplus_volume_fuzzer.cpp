// An HFS+ volume from arbitrary bytes: the header test, the opening with its three trees and fork chains, a
// walk of the catalog, searches in all three trees, an attribute look-up and which special file holds an offset.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "FuzzBytesDevice.h"
#include "HFSPlus/HFSPlusLib/CHFSPlusVolume.h"
#include "include/IProgress.h"

namespace {

class EndlessProgress : public IProgress {
 public:
  void UpdateProgress(_PROGRESS_INFO*) override {}
  int Continued() override { return 1; }
  int shouldBuild() override { return 1; }
};

class Counter : public IHFSPlusLeafVisitor {
 public:
  quellsy::ResultCode VisitLeafRecord(const BTKey&, const BTRecord&) override {
    ++records;
    return quellsy::kResultOk;
  }
  int records = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > (1u << 20)) return 0;
  FuzzBytesDevice device(std::vector<std::uint8_t>(data, data + size), 512);
  if (device.GetTotalSectors() < 3) return 0;
  CHFSPlusVolume::IsValidVolumeHeader(std::span(device.bytes()).subspan(1024, 512));

  CHFSPlusVolume volume(&device, false);
  if (volume.GetVolumeHeader() == nullptr) return 0;
  EndlessProgress progress;
  Counter counter;
  volume.Traverse(4, &counter, &progress);

  HFSPlusSearchResult result;
  std::optional<BTRecord> record;
  HFSPlusCatalogKey catalogKey;
  catalogKey.parentID = 2;
  catalogKey.nodeName = {'a', 'b'};
  catalogKey.keyLength = 10;
  volume.Search(4, BTKey{catalogKey}, result, &record);
  HFSPlusExtentKey extentKey;
  extentKey.fileID = 20;
  extentKey.startBlock = 8;
  volume.Search(3, BTKey{extentKey}, result, &record);
  std::vector<std::uint8_t> value;
  volume.getAttribute(18, "com.example.a", &value);
  for (std::uint64_t offset = 0; offset < device.bytes().size(); offset += 4096) volume.GetNodeBelongToFile(offset);
  return 0;
}
