// The journal of an HFS+ volume from arbitrary bytes: the info block and header tests, the circular read at
// offsets taken from the input, and the whole walk with its leaf records checked against the live trees,
// then the quick search's hand-out of what the walk kept.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "FuzzBytesDevice.h"
#include "HFSPlus/HFSPlusLib/CHFSPlusJournal.h"
#include "HFSPlus/HFSPlusLib/CHFSPlusQuickFileSystemSearchProgress.h"
#include "HFSPlus/HFSPlusLib/CHFSPlusVolume.h"
#include "HFSPlus/HFSPlusLib/HFSPlusJournalFormat.h"
#include "Utility/ByteReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > (1u << 20)) return 0;
  const quellsy::ByteSpan bytes(data, size);
  quellsy::hfsplus::ParseJournalInfoBlock(bytes);
  quellsy::hfsplus::ParseJournalHeader(bytes);
  quellsy::hfsplus::ParseBlockListHeader(bytes.first(std::min<std::size_t>(size, 4096)));

  FuzzBytesDevice device(std::vector<std::uint8_t>(data, data + size), 512);
  if (device.GetTotalSectors() < 3) return 0;
  CHFSPlusVolume volume(&device, false);
  CHFSPlusJournal* journal = volume.GetJournal();
  if (journal == nullptr) return 0;
  std::vector<std::uint8_t> buffer(4096);
  const std::uint64_t offset = quellsy::le64(bytes, size - 8).value_or(0);
  journal->Read(offset, buffer.data(), buffer.size());
  if (volume.GetLastError() != quellsy::kResultOk) {
    journal->GetDeleteRecord(nullptr);
    return 0;
  }
  CHFSPlusQuickFileSystemSearchProgress progress(nullptr, true);
  volume.QuickSearchFiles(nullptr, &progress);
  return 0;
}
