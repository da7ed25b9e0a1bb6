#pragma once
// One copy of a FAT read from the device, with the tests that tell whether it is a believable table.

#include <cstdint>
#include <vector>

#include "FATLib/IFATTable.h"
#include "Utility/ByteReader.h"
#include "Utility/MessageCenter.h"
#include "Utility/RawRead.h"

class IStorageDevice;

class IRealFATTable : public IFATTable {
 public:
  // entryWidth: bytes an entry takes in the entry count (2 for FAT16; 4 for FAT32, and for FAT12, which
  // does not use the count).
  IRealFATTable(IStorageDevice* device, std::int64_t startSector, std::uint32_t sectors, std::uint32_t entryWidth);
  ~IRealFATTable() override = default;
  IRealFATTable(const IRealFATTable&) = delete;
  IRealFATTable& operator=(const IRealFATTable&) = delete;

  virtual bool IsValidFATTable() = 0;

  // Reads the sectors of this copy that could not be read from the copy at `otherStart` (a volume's other FAT,
  // which holds the same table); those unreadable there too stay zeros, as free entries. Call before the tests.
  virtual void FillUnreadableFrom(std::int64_t otherStart);

  std::uint32_t GetEntryCount() const { return m_entryCount; }
  std::uint32_t GetSectorSize() const { return m_sectorSize; }
  bool HasBuffer() const { return m_bufferBytes != 0; }

 protected:
  // Allocates the whole copy and reads it, sector by sector where a read fails: an unreadable sector leaves
  // zeros (free entries) and is remembered. False when nothing could be read; the buffer is dropped then.
  bool ReadWholeTable();
  quellsy::ByteSpan Buffer() const { return {m_buffer.data(), m_bufferBytes}; }

  // The sector-count range in which a copy is read whole, scaled for the sector size (none below 512).
  bool SectorsInRange(std::uint32_t lowAt512, std::uint32_t highAt512) const;

  // The raw stored value of entry i of a 16- or 32-bit table; 0 outside it.
  virtual std::uint32_t EntryAt(std::uint32_t index);
  // Every entry from 2 on: no value 1, no entry pointing at itself, none beyond the table below `badMark`.
  bool CheckBody(std::uint32_t badMark);
  // Follows every chain: two chains joining or a chain looping makes the table invalid.
  bool CheckChains(std::uint32_t lastCluster);

  IStorageDevice* m_device;
  std::int64_t m_startSector;
  std::uint32_t m_sectors;
  std::uint32_t m_sectorSize;
  std::uint32_t m_entryWidth;
  std::uint32_t m_entryCount;

 private:
  // Read in place, with no zero-fill before and no copy after (a table may take many MiB); what a read could
  // not fill is zeros.
  quellsy::RawReadBuffer m_buffer;
  std::size_t m_bufferBytes = 0;
  // Device sectors of the buffer that could not be read.
  std::vector<BadSectorRange> m_unreadable;
};
