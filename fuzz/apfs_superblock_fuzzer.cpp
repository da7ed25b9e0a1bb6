// An APFS container from arbitrary bytes: the probe and its label look-up (512- and 4096-byte sectors), then
// the container walk through superblocks, object maps and volumes, and the final flush.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "APFS/APFSContainerParser.h"
#include "APFS/APFSRecognize.h"
#include "FuzzApfsDelegate.h"
#include "FuzzBytesDevice.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > (1u << 20)) return 0;
  const std::vector<std::uint8_t> bytes(data, data + size);
  for (const unsigned sectorSize : {512u, 4096u}) {
    FuzzBytesDevice device(bytes, sectorSize);
    if (device.GetTotalSectors() == 0) continue;
    std::unique_ptr<IVolumeAnalyze> probe(CreateAPFSVolumeAnalyze(&device, 0));
    if (probe == nullptr) continue;
    char label[APFSRecognize::kLabelSize + 8] = {};
    std::memset(label + APFSRecognize::kLabelSize, '#', 8);
    probe->GetLabel(label, APFSRecognize::kLabelSize);
    if (label[APFSRecognize::kLabelSize] != '#') std::abort();
  }

  FuzzApfsDelegate owner(bytes);
  APFSContainerParser parser(owner, 0, 0);
  parser.WalkContainer();
  parser.FlushPending(~std::uint64_t{0});
  return 0;
}
