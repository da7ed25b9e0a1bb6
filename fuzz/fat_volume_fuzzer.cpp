// A FAT volume from arbitrary bytes: the probe (boot sector and label walk), the tables built from the boot
// sector's geometry, and the directory-sector test and entry names on every sector.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "FATLib/CFATFolderAnalyser.h"
#include "FATLib/CFatVolumeAnalyze.h"
#include "FATLib/CTempFATDBR.h"
#include "FATLib/CTempFATDirEntry.h"
#include "FATLib/IFATTable.h"
#include "FATLib/IFATTableFactory.h"
#include "FuzzBytesDevice.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > (1u << 20)) return 0;
  FuzzBytesDevice device(std::vector<std::uint8_t>(data, data + size), 512);
  if (device.GetTotalSectors() == 0) return 0;

  std::unique_ptr<IVolumeAnalyze> analyser(CreateFatVolumeAnalyze(&device, 0));
  char label[CFatVolumeAnalyze::kLabelSize + 1] = {};
  analyser->GetLabel(label, CFatVolumeAnalyze::kLabelSize);
  if (std::strlen(label) >= CFatVolumeAnalyze::kLabelSize) std::abort();

  const CTempFATDBR dbr(std::span(device.bytes()).first(512), 512);
  if (dbr.IsValidDBR()) {
    std::unique_ptr<IFATTable> table(IFATTableFactory::CreateFATTable(
        &device, dbr.GetReservedSector(), dbr.GetFileSystemType(), dbr.GetSectorsPerFat(), 1, 1));
    for (std::uint32_t cluster = 0; cluster < 4096; ++cluster) table->GetNextCluster(cluster);
  }

  CFATFolderAnalyser folder(512);
  for (std::size_t offset = 0; offset < device.bytes().size(); offset += 512) {
    const quellsy::MutableByteSpan sector = std::span(device.bytes()).subspan(offset, 512);
    if (folder.AnalyseSector(sector) && folder.GetKind() == CFATFolderAnalyser::kNotDirectory) std::abort();
    for (std::size_t entry = 0; entry < 512; entry += 32) {
      const CTempFATDirEntry view(sector.subspan(entry, 32));
      if (view.IsLongFileNameEntry()) view.GetLongFileName();
      else if (view.IsValidFATDirEntry(1)) view.GetShortName(view.IsVolumeLabel() ? 1 : 0);
    }
  }
  return 0;
}
