// An exFAT boot sector from arbitrary bytes: the boot-sector test at every sector size, the probe, and the FAT
// windows built from whatever geometry passes. The first byte picks the sector size.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "ExFat/CExFatDBR.h"
#include "ExFat/CExFatVolumeAnalyer.h"
#include "ExFat/CFatTable.h"
#include "FuzzBytesDevice.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2 || size > (1u << 20) + 1) return 0;
  const unsigned sectorSize = 512u << (data[0] % 4);
  FuzzBytesDevice device(std::vector<std::uint8_t>(data + 1, data + size), sectorSize);
  if (device.GetTotalSectors() == 0) return 0;

  const CExFatDBR dbr(device.bytes());
  const bool valid = dbr.IsValid(sectorSize);
  std::unique_ptr<IVolumeAnalyze> analyser(CreateExfatVolumeAnalyze(&device, 0));
  if ((analyser != nullptr) != valid) std::abort();
  if (!valid) return 0;
  if (analyser->GetTotalSector() != dbr.GetTotalSectors()) std::abort();
  char label[4];
  analyser->GetLabel(label, sizeof label);

  CFatTable table;
  table.CreateFatTable(&device, dbr.GetFatStartSector(), dbr.GetSectorsPerFat(), dbr.GetTotalCluster());
  for (std::uint32_t cluster = 0; cluster < 4096; ++cluster) table.GetNextCluster(cluster * 97);
  table.GetNextCluster(0xFFFFFFFF);
  return 0;
}
