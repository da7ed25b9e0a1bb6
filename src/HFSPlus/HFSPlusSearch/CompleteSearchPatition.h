#pragma once
// One HFS+ volume the complete search found or expects: where it lies, the structures seen of it, and the
// volume opened over it once a catalog record was placed in it.

#include <cstdint>
#include <memory>
#include <optional>

#include "HFSPlus/HFSPlusLib/HFSPlusFormat.h"
#include "HFSPlus/HFSPlusLib/HFSPlusJournalFormat.h"
#include "include/IStorageDevice.h"

class CHFSPlusVolume;

struct CompleteSearchPatition {
  std::int64_t start = 0;
  std::int64_t count = 0;
  std::uint32_t blockSize = 4096;
  // Nodes of this partition the tree builder took.
  std::uint32_t files = 0;
  std::uint32_t folders = 0;
  std::optional<HFSPlusVolumeHeader> header;
  std::int64_t headerSector = -1;
  std::optional<JournalInfoBlock> journalInfoBlock;
  std::int64_t journalInfoBlockSector = -1;
  std::optional<JournalHeader> journalHeader;
  std::int64_t journalHeaderSector = -1;
  // Over the partition when it does not start at the device's first sector.
  std::unique_ptr<IStorageDevice> device;
  // Set once an opening was tried; null when it failed, and the partition is passed over from then on.
  std::shared_ptr<CHFSPlusVolume> volume;
  bool opened = false;
  std::uint32_t index = 0;
};
