// Mapping pairs from arbitrary bytes: the test, both decoders, the lookups, the stored packed form, and the
// round trip of well-formed runs through packing.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "NTFSLib/CCompressedDataRunList.h"
#include "NTFSLib/CNTFSDataRunList.h"
#include "NTFSLib/CNoneResidentNTFSDataRunList.h"
#include "NTFSLib/NTFSMappingPairs.h"
#include "include/IDataRunList.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 4096) return 0;
  const quellsy::ByteSpan bytes(data, size);
  namespace ntfs = quellsy::ntfs;

  const bool valid = ntfs::IsValidMappingPairs(bytes);
  ntfs::SumMappingPairLengths(bytes);
  std::vector<ntfs::MappingRun> runs;
  ntfs::DecodeMappingPairs(bytes, 0, runs);

  CNTFSDataRunList list;
  if (list.InitFromBuffer(bytes) != valid) std::abort();
  for (const auto& run : list.GetRuns()) {
    list.GetLCN(run.vcn);
    list.GetVCN(run.lcn);
  }
  list.GetTotalClusters();

  CNoneResidentNTFSDataRunList nonResident;
  nonResident.InitFromBuffer(bytes);
  if (auto packed = CCompressedDataRunList::Compress(&nonResident)) {
    if (IDataRunList* back = packed->Decompress()) back->Release();
  }
  std::size_t consumed = 0;
  if (auto restored = CCompressedDataRunList::Restore(bytes, consumed)) {
    if (consumed > size) std::abort();
    if (IDataRunList* back = restored->Decompress()) back->Release();
  }

  // Runs with non-negative clusters and lengths pack and decode back to themselves.
  if (valid) {
    bool plain = true;
    for (const auto& run : list.GetRuns()) plain = plain && run.length >= 0 && (run.lcn >= 0 || run.lcn == -1);
    if (plain) {
      std::vector<ntfs::MappingRun> back;
      ntfs::DecodeMappingPairs(ntfs::PackMappingPairs(list.GetRuns()), 0, back);
      if (back.size() != list.GetRuns().size()) std::abort();
      for (std::size_t i = 0; i < back.size(); ++i)
        if (back[i].lcn != list.GetRuns()[i].lcn || back[i].length != list.GetRuns()[i].length) std::abort();
    }
  }
  return 0;
}
